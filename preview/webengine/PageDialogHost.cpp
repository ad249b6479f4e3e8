#include "preview/webengine/PageDialogHost.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace orvanta {

class PageDialog : public QFrame {
 public:
  PageDialog(QWidget* view, const QString& message, bool withText, const QString& text,
             bool withCancel, bool offerStop)
      : QFrame(view), view_(view) {
    setObjectName(QStringLiteral("pageDialog"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(message, this);
    label->setObjectName(QStringLiteral("lblPageDialog"));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    if (withText) {
      edit_ = new QLineEdit(text, this);
      edit_->setObjectName(QStringLiteral("txtPageDialog"));
      layout->addWidget(edit_);
    }
    if (offerStop) {
      stop_ = new QCheckBox(
          QCoreApplication::translate("PageDialog", "Stop further dialogs from this page"), this);
      stop_->setObjectName(QStringLiteral("chkStopDialogs"));
      layout->addWidget(stop_);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(QCoreApplication::translate("PageDialog", "OK"), this);
    ok->setObjectName(QStringLiteral("cmdPageDialogOk"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, [this] { Finish(true); });
    if (withCancel) {
      auto* cancel = new QPushButton(QCoreApplication::translate("PageDialog", "Cancel"), this);
      cancel->setObjectName(QStringLiteral("cmdPageDialogCancel"));
      buttons->addWidget(cancel);
      connect(cancel, &QPushButton::clicked, this, [this] { Finish(false); });
    }
    layout->addLayout(buttons);
    focus_ = edit_ != nullptr ? static_cast<QWidget*>(edit_) : ok;
    view->installEventFilter(this);
  }

  // Shows the dialog and returns once it is answered; false for Cancel, or
  // when the program is quitting.
  bool Exec() {
    Place();
    show();
    raise();
    focus_->setFocus(Qt::OtherFocusReason);
    if (!done_) loop_.exec();
    return accepted_;
  }

  void Finish(bool accepted) {
    if (done_) return;
    done_ = true;
    accepted_ = accepted;
    loop_.quit();
  }

  QString Text() const { return edit_ != nullptr ? edit_->text() : QString(); }
  bool StopChosen() const { return stop_ != nullptr && stop_->isChecked(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == view_ && event->type() == QEvent::Resize) Place();
    return QFrame::eventFilter(watched, event);
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) {
      Finish(false);
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      Finish(true);
    } else {
      QFrame::keyPressEvent(event);
    }
  }

 private:
  void Place() {
    const int width = view_->width();
    const int height =
        layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width) : sizeHint().height();
    setGeometry(0, 0, width, std::min(height, view_->height()));
  }

  QWidget* view_;
  QLineEdit* edit_ = nullptr;
  QCheckBox* stop_ = nullptr;
  QWidget* focus_ = nullptr;
  QEventLoop loop_;
  bool done_ = false;
  bool accepted_ = false;
};

int PageDialogHost::openDialogs_ = 0;
std::vector<PageDialogHost::Waiting> PageDialogHost::waiting_;

PageDialogHost::PageDialogHost(QWidget* view, QObject* parent) : QObject(parent), view_(view) {}

PageDialogHost::~PageDialogHost() = default;

void PageDialogHost::cancel() {
  if (!dialog_.isNull()) dialog_->Finish(false);
}

void PageDialogHost::leave() {
  // A page that opens the next dialog at once would otherwise hold the
  // renderer until the user answers again.
  stopped_ = true;
  cancel();
}

void PageDialogHost::arrived(const QUrl& address) {
  // The engine reports the new address once the new document replaced the
  // old one, which could no longer ask for a dialog then.
  if (expected_.isEmpty() || address != expected_) return;
  expected_ = QUrl();
  stopped_ = false;
  dialogsInRow_ = 0;
}

void PageDialogHost::afterDialog(std::function<void()> then) {
  if (dialog_.isNull()) {
    then();
  } else {
    afterDialog_.push_back(std::move(then));
  }
}

void PageDialogHost::whenNoneOpen(QObject* context, std::function<void()> then) {
  waiting_.push_back({context, std::move(then)});
  if (openDialogs_ == 0) postWaiting();
}

void PageDialogHost::postWaiting() {
  const auto waiting = std::move(waiting_);
  waiting_.clear();
  for (const Waiting& w : waiting) {
    if (!w.context.isNull()) QTimer::singleShot(0, w.context.data(), w.then);
  }
}

bool PageDialogHost::run(Kind kind, const QString& message, QString* text) {
  if (stopped_ || view_.isNull() || !dialog_.isNull()) return false;
  if (lastDialogEnd_.isValid() && lastDialogEnd_.elapsed() < kQuickSuccessionMs) {
    ++dialogsInRow_;
  } else {
    dialogsInRow_ = 1;
  }
  QPointer<PageDialog> dialog =
      new PageDialog(view_, message, kind == Kind::Prompt, text != nullptr ? *text : QString(),
                     kind != Kind::Alert, dialogsInRow_ >= kDialogsBeforeStopOffer);
  dialog_ = dialog;
  ++openDialogs_;
  emit openChanged(true);
  const bool accepted = dialog->Exec();
  --openDialogs_;
  if (!dialog.isNull()) {
    if (dialog->StopChosen()) stopped_ = true;
    if (accepted && text != nullptr) *text = dialog->Text();
    delete dialog.data();
  }
  dialog_ = nullptr;
  lastDialogEnd_.start();
  emit openChanged(false);
  // Whatever waited for the answer, such as deleting the window, runs only
  // once the engine's call into this page has returned.
  const auto waiting = std::move(afterDialog_);
  afterDialog_.clear();
  for (const auto& then : waiting) QTimer::singleShot(0, this, then);
  if (openDialogs_ == 0) postWaiting();
  return accepted;
}

}  // namespace orvanta
