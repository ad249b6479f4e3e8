#include "ui/help/FrmConsult.h"

#include <utility>

#include "ui/help/MakerLinks.h"
#include "ui/help/WidgetTools.h"
#include "ui_FrmConsult.h"

namespace orvanta {

FrmConsult::FrmConsult(UrlOpener shellOpen, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::frmConsult>()),
      shellOpen_(std::move(shellOpen)) {
  ui_->setupUi(this);
  // Arial where installed, else the font made to its metrics.
  if (!IsFontInstalled(QStringLiteral("Arial"))) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(9);
    setFont(font);
  }
  setFixedSize(339, 300);
  ui_->Label3->setText(ui_->Label3->text() + QLatin1String(maker::kSupportEmail));
  ui_->Label4->setText(ui_->Label4->text() + QLatin1String(maker::kFeedbackPage));
  new ClickFilter(ui_->lblVexa_0, [this] { lblVexa_Click(0); });
  new ClickFilter(ui_->lblVexa_1, [this] { lblVexa_Click(1); });
  // Tab reaches the links in reading order: the mail link first.
  new KeyLink(ui_->lblVexa_1, [this] { lblVexa_Click(1); });
  new KeyLink(ui_->lblVexa_0, [this] { lblVexa_Click(0); });
  setTabOrder(ui_->lblVexa_1, ui_->lblVexa_0);
  setTabOrder(ui_->lblVexa_0, ui_->OKButton);
  connect(ui_->OKButton, &QPushButton::clicked, this, &QDialog::accept);
  ui_->OKButton->setFocus();
}

FrmConsult::~FrmConsult() = default;

void FrmConsult::lblVexa_Click(int index) {
  if (index == 0) {
    Open(QUrl(QLatin1String(maker::kFeedbackPage)));
  } else if (index == 1) {
    OpenSupportMail();
  }
}

void FrmConsult::OpenSupportMail() {
  const QUrl target(QLatin1String("mailto:") + QLatin1String(maker::kSupportEmail));
  Open(target);
}

void FrmConsult::Open(const QUrl& target) { OpenUrl(target, shellOpen_); }

void ShowConsult(QWidget* owner, UrlOpener shellOpen) {
  FrmConsult dialog(std::move(shellOpen), owner);
  dialog.exec();
}

}  // namespace orvanta
