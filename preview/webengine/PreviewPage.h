#pragma once

#include <QWebEnginePage>
#include <QWebEngineView>

#include "preview/webengine/PageDialogHost.h"

class QWebEngineProfile;

namespace orvanta {

class PreviewView;

// A page of the preview, in a view or in a popup. Windows its scripts open
// become popups of the view it belongs to; its dialogs are shown by its
// host in `view`.
class PreviewPage : public QWebEnginePage {
  Q_OBJECT
 public:
  PreviewPage(QWebEngineProfile* profile, PreviewView* owner, QWidget* view);

  PageDialogHost& dialogs() { return *dialogs_; }

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                int lineNumber, const QString& sourceId) override;
  void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                        QString* result) override;

 private:
  bool runDialog(PageDialogHost::Kind kind, const QString& message, QString* text);
  void windowRequested(QWebEngineNewWindowRequest& request);

  QPointer<PreviewView> owner_;
  PageDialogHost* dialogs_;
};

// A top-level window a script opened. It deletes itself (and its page) when
// closed, once its page is out of any dialog.
class PopupWindow : public QWebEngineView {
  Q_OBJECT
 public:
  PopupWindow(QWebEngineProfile* profile, PreviewView* owner);

  PreviewPage* previewPage() const { return page_; }
  // Places the window where a script asked, kept on the screen.
  void applyRequestedGeometry(const QRect& requested);
  // Shows the page as a new tab is shown: over `browserWindow`, at its size,
  // whatever size and place the script asks for.
  void showAsTab(const QRect& browserWindow);
  // Shows the window unless it was shown or closed already; returns whether
  // it was shown now.
  bool showOnce();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  PreviewPage* page_;
  bool tab_ = false;
  bool shown_ = false;
  bool closed_ = false;
};

// Takes the browser's own menu and keys out of a view.
void BindCustomizer(QWebEngineView* view);

}  // namespace orvanta
