#include "ui/AboutPanel.h"

#include <QLabel>
#include <QUrl>
#include <algorithm>

#include "ui/Appearance.h"
#include "ui/Logo.h"
#include "ui/help/MakerLinks.h"
#include "ui/help/WidgetTools.h"
#include "ui_FrmMain.h"

namespace orvanta {

namespace {

void MakeLink(QWidget* widget) {
  KeepLinkReadable(widget);
  widget->setCursor(Qt::PointingHandCursor);
}

// Only the text answers a click, not the empty rest of its row.
void FitCentred(QLabel* label) {
  const int room = label->parentWidget()->width();
  const int width = std::min(label->sizeHint().width(), room);
  label->setGeometry((room - width) / 2, label->y(), width, label->height());
}

}  // namespace

QString HomePageText() {
  QString text = QUrl(QString::fromLatin1(maker::kHomePage))
                     .toString(QUrl::RemoveScheme | QUrl::StripTrailingSlash);
  while (text.startsWith(QLatin1Char('/'))) text.remove(0, 1);
  return text;
}

void PrepareAboutPanel(Ui::frmMain& ui) {
  QFont name = ui.Label14->font();
  name.setFamily(IsFontInstalled(QStringLiteral("Tahoma")) ? QStringLiteral("Tahoma")
                                                           : DialogFont().family());
  name.setBold(true);
  ui.Label14->setFont(name);
  ui.lblVexa_0->setText(HomePageText());
  for (QLabel* link : {ui.lblCompany_0, ui.lblVexa_0, ui.lblProducts_0}) {
    MakeLink(link);
    FitCentred(link);
  }
  ui.Image1->setCursor(Qt::PointingHandCursor);
  ShowLogo(ui.Image2, ui.Image1);
}

}  // namespace orvanta
