#pragma once

#include <QList>
#include <QObject>
#include <QElapsedTimer>
#include <QFrame>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <memory>
#include <vector>

#include "modules/host/PreviewPlugin.h"
#include "preview/webengine/PopupProbe.h"

class QLabel;
class QWebEngineProfile;

namespace orvanta {

class PageDialog;
class PageSchemeHandler;
class WebPreviewBrowser;

// A page of the preview, in the main views or in a popup. Windows its
// scripts open become popups of the browser it belongs to.
class PreviewPage : public QWebEnginePage {
  Q_OBJECT
 public:
  PreviewPage(QWebEngineProfile* profile, WebPreviewBrowser* owner, QObject* parent);

  // The address the next document will have: its dialogs may come again
  // once the engine says that document replaced the one that was left.
  void expect(const QUrl& next) { expected_ = next; }

  // Answers the page's open dialog, if any, with Cancel.
  void cancelDialog();
  // Cancels the open dialog and refuses further ones until the next page.
  void leave();
  bool inDialog() const { return dialog_ != nullptr; }
  // Whether a dialog of any page is open: the renderer that waits for the
  // answer runs no script of any page meanwhile.
  static bool anyDialogOpen() { return openDialogs_ > 0; }
  // Runs once the open dialog is answered, or at once when none is open.
  void afterDialog(std::function<void()> then);

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                int lineNumber, const QString& sourceId) override;
  void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
  bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                        QString* result) override;

 private:
  enum class DialogKind { Alert, Confirm, Prompt };
  void windowRequested(QWebEngineNewWindowRequest& request);
  void arrived(const QUrl& address);
  // Shows the dialog inside the page's own view and waits for the answer
  // while the rest of the program goes on.
  bool runDialog(DialogKind kind, const QString& message, QString* text);

  QPointer<WebPreviewBrowser> owner_;
  QPointer<QFrame> dialog_;  // a PageDialog
  std::vector<std::function<void()>> afterDialog_;
  int dialogsInRow_ = 0;
  QElapsedTimer lastDialogEnd_;
  bool dialogsStopped_ = false;
  QUrl expected_;
  static int openDialogs_;
};

// A top-level window a script opened. It deletes itself (and its page) when
// closed.
class PopupWindow : public QWebEngineView {
  Q_OBJECT
 public:
  explicit PopupWindow(QWebEngineProfile* profile, WebPreviewBrowser* owner);

  PreviewPage* previewPage() const { return page_; }
  // Places the window where a script asked, kept on the screen.
  void applyRequestedGeometry(const QRect& requested);
  // Shows the page as a new tab is shown: over `browserWindow`, at its size,
  // whatever size and place the script asks for.
  void showAsTab(const QRect& browserWindow);
  // Shows the window unless it was shown or closed already; returns whether
  // it was shown now.
  bool showOnce();

 private:
  PreviewPage* page_;
  bool tab_ = false;
  bool shown_ = false;
  bool closed_ = false;

 protected:
  void closeEvent(QCloseEvent* event) override;
};

class WebPreviewBrowser : public QObject, public PreviewBrowser {
  Q_OBJECT
 public:
  WebPreviewBrowser(QWebEngineProfile* profile, PageSchemeHandler* pages, QWidget* parent);
  ~WebPreviewBrowser() override;

  QWidget* widget() override { return container_; }
  void navigate(const QString& filePath) override;
  void setLoadFinishedHandler(std::function<void(bool ok)> handler) override;
  void setPopupOpenedHandler(std::function<void(QWidget* popup)> handler) override;
  QList<QWidget*> popupWindows() const override;
  void showNotice(const QString& line) override;
  void setPopupFactsHandler(std::function<void(const PopupFacts&)> handler) override {
    probe_->setHandler(std::move(handler));
  }
  void setPageNoteHandler(std::function<void(const PageNote&)> handler) override;
  void setPopupsAllowed(bool allowed) override;
  void setDialogsCancelled(bool cancelled) override { dialogsCancelled_ = cancelled; }
  bool dialogsCancelled() const { return dialogsCancelled_; }
  // A dialog of one of this view's pages was answered with Cancel unseen.
  void dialogCancelled(const QString& kind, const QString& message, bool inPopup);
  // Whether `page` is the view's own, the test page's.
  bool isMainPage(const QObject* page) const { return page != nullptr && page == page_; }
  void locate(const QString& selector, std::function<void(QRect)> done) override {
    if (!page_.isNull()) probe_->locate(page_, selector, std::move(done));
  }
  PopupProbe& probe() { return *probe_; }
  bool stopped() const override { return stopped_; }
  void reload() override;
  void setStoppedHandler(std::function<void(bool)> handler) override;

  // Called by a page of this browser for each window its script opens.
  QWebEnginePage* openPopup(const QWebEngineNewWindowRequest& request, const QObject* from);
  void closePopups();
  // Deletes the popups and the view with its page at once; the container
  // widget stays with its parent, empty, and navigate() does nothing after.
  void releasePages();

  // Whether the view waits for a page it was sent to.
  bool loading() const { return pending_.isValid(); }
  // The renderer was ended on purpose: a page that was loading loads again.
  void expectRestart() { restarting_ = loading(); }
  // Asks the renderer to answer; calls `hung` when it does not in time.
  void probe(int waitMs, std::function<void()> hung);
  // Set by the factory: ends the renderer that stopped answering.
  void setHungHandler(std::function<void()> handler) { onHung_ = std::move(handler); }
  qint64 rendererPid() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PopupWindow* newPopup(bool asTab);
  void popupShown(PopupWindow* popup);
  void rendererEnded(QWebEnginePage::RenderProcessTerminationStatus status);
  void load(const QUrl& address);
  void setStopped(bool stopped);
  void watchLoad();

  QWebEngineProfile* profile_;
  PopupProbe* probe_ = new PopupProbe(this);
  QPointer<PageSchemeHandler> pages_;
  QPointer<QWidget> container_;
  QPointer<QWebEngineView> view_;
  QPointer<PreviewPage> page_;
  QPointer<QLabel> notice_;
  std::vector<QPointer<PopupWindow>> popups_;
  std::function<void(bool)> onLoadFinished_;
  std::function<void(QWidget*)> onPopupOpened_;
  std::function<void()> onHung_;
  std::function<void(bool)> onStopped_;
  std::function<void(const PageNote&)> onNote_;
  bool dialogsCancelled_ = false;
  bool popupsAllowed_ = false;
  QUrl pending_;
  QUrl last_;
  bool stopped_ = false;
  bool restarting_ = false;
  bool restartedOnce_ = false;
  int probeToken_ = 0;
  int loadToken_ = 0;
};

class WebPreviewFactory : public QObject, public PreviewFactory {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID OrvantaPreviewFactory_iid)
  Q_INTERFACES(orvanta::PreviewFactory)

 public:
  WebPreviewFactory();
  ~WebPreviewFactory() override;

  PreviewBrowser* createBrowser(QWidget* parent) override;
  void closeAllPopups() override;
  void serveFile(const QString& path) override;
  void shutdown() override;
  QString engineName() const override;

 private:
  QWebEngineProfile* profile();
  // Ends the renderer all pages share, so that a page that never gives
  // the thread back cannot hold the preview.
  void endRenderer(WebPreviewBrowser* from);

  QWebEngineProfile* profile_ = nullptr;
  qint64 endedPid_ = 0;
  PageSchemeHandler* pages_;
  std::vector<std::unique_ptr<WebPreviewBrowser>> browsers_;
};

}  // namespace orvanta
