#include "preview/webengine/PreviewPage.h"

#include <QCloseEvent>
#include <QWindow>

#include "preview/webengine/BrowserCustomizer.h"
#include "preview/webengine/PopupProbe.h"
#include "preview/webengine/PreviewView.h"

namespace orvanta {

void BindCustomizer(QWebEngineView* view) {
  auto* customizer = new BrowserCustomizer(view);
  customizer->setContextMenuEnabled(false);
  customizer->setBrowserShortcutsEnabled(false);
}

PreviewPage::PreviewPage(QWebEngineProfile* profile, PreviewView* owner, QWidget* view)
    : QWebEnginePage(profile, view), owner_(owner), dialogs_(new PageDialogHost(view, this)) {
  connect(this, &QWebEnginePage::newWindowRequested, this, &PreviewPage::windowRequested);
  connect(this, &QWebEnginePage::urlChanged, dialogs_, &PageDialogHost::arrived);
}

void PreviewPage::javaScriptAlert(const QUrl&, const QString& msg) {
  runDialog(PageDialogHost::Kind::Alert, msg, nullptr);
}

bool PreviewPage::javaScriptConfirm(const QUrl&, const QString& msg) {
  return runDialog(PageDialogHost::Kind::Confirm, msg, nullptr);
}

bool PreviewPage::javaScriptPrompt(const QUrl&, const QString& msg, const QString& defaultValue,
                                   QString* result) {
  QString text = defaultValue;
  const bool accepted = runDialog(PageDialogHost::Kind::Prompt, msg, &text);
  if (accepted && result != nullptr) *result = text;
  return accepted;
}

bool PreviewPage::runDialog(PageDialogHost::Kind kind, const QString& message, QString* text) {
  if (!owner_.isNull() && owner_->dialogsCancelled()) {
    static const char* const kKinds[] = {"alert", "confirm", "prompt"};
    owner_->dialogCancelled(QString::fromLatin1(kKinds[static_cast<int>(kind)]), message,
                            !owner_->isMainPage(this));
    return false;
  }
  return dialogs_->run(kind, message, text);
}

void PreviewPage::windowRequested(QWebEngineNewWindowRequest& request) {
  QWebEnginePage* popup = owner_.isNull() ? nullptr : owner_->openPopup(request, this);
  if (popup != nullptr) request.openIn(popup);
}

void PreviewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel /*level*/,
                                           const QString& message, int lineNumber,
                                           const QString& sourceId) {
  // Only the test page's probe speaks to the program; every other message,
  // of the test page or of a page in a popup, is dropped.
  if (!owner_.isNull() && owner_->isMainPage(this))
    owner_->probe().takeMessage(message, lineNumber, sourceId);
}

PopupWindow::PopupWindow(QWebEngineProfile* profile, PreviewView* owner)
    : page_(new PreviewPage(profile, owner, this)) {
  setAttribute(Qt::WA_DeleteOnClose);
  // A popup left open must not keep the program running.
  setAttribute(Qt::WA_QuitOnClose, false);
  setPage(page_);
  BindCustomizer(this);
  resize(640, 480);
  connect(page_, &QWebEnginePage::geometryChangeRequested, this,
          &PopupWindow::applyRequestedGeometry);
  connect(page_, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
  connect(page_, &QWebEnginePage::titleChanged, this, &QWidget::setWindowTitle);
  connect(page_, &QWebEnginePage::renderProcessTerminated, this, &QWidget::close);
}

void PopupWindow::applyRequestedGeometry(const QRect& requested) {
  if (tab_ || !requested.isValid()) return;
  // The size window.open asks for is that of the content; later moveTo and
  // resizeTo calls arrive as the outer rectangle, frame included.
  QRect content = requested;
  const QWindow* handle = windowHandle();
  if (shown_ && handle != nullptr) content = requested.marginsRemoved(handle->frameMargins());
  setGeometry(content);
}

void PopupWindow::showAsTab(const QRect& browserWindow) {
  tab_ = true;
  setGeometry(browserWindow);
}

bool PopupWindow::showOnce() {
  if (shown_ || closed_) return false;
  shown_ = true;
  show();
  return true;
}

void PopupWindow::closeEvent(QCloseEvent* event) {
  closed_ = true;
  PageDialogHost& dialogs = page_->dialogs();
  if (dialogs.open()) {
    // The engine is inside a call into the page; it goes once that returns.
    setAttribute(Qt::WA_DeleteOnClose, false);
    dialogs.afterDialog([this] { deleteLater(); });
    dialogs.cancel();
  }
  QWebEngineView::closeEvent(event);
}

}  // namespace orvanta
