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

  // The engine refuses window.open while a page is being left, which would
  // silently drop every "Page Close" popup. A script in each page hands such
  // calls over through the console instead; this is its marker.
  static const QString& leavingOpenMarker();
  // What the same script logs first in every new document of the page.
  static const QString& newDocumentMarker();
  // The script, for the profile to run at the start of every page.
  static QString leavingOpenScript();

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
  // Shows the dialog inside the page's own view and waits for the answer
  // while the rest of the program goes on.
  bool runDialog(DialogKind kind, const QString& message, QString* text);

  QPointer<WebPreviewBrowser> owner_;
  QPointer<QFrame> dialog_;  // a PageDialog
  std::vector<std::function<void()>> afterDialog_;
  int dialogsInRow_ = 0;
  QElapsedTimer lastDialogEnd_;
  bool dialogsStopped_ = false;
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
  // The name a script gave the window when it was opened through the
  // console hand-over; empty otherwise.
  const QString& windowName() const { return windowName_; }
  void setWindowName(const QString& name) { windowName_ = name; }
  // Shows the window unless it was shown or closed already; returns whether
  // it was shown now.
  bool showOnce();

 private:
  PreviewPage* page_;
  QString windowName_;
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
  void locate(const QString& selector, std::function<void(QRect)> done) override {
    if (!page_.isNull()) probe_->locate(page_, selector, std::move(done));
  }
  PopupProbe& probe() { return *probe_; }
  bool stopped() const override { return stopped_; }
  void reload() override;
  void setStoppedHandler(std::function<void(bool)> handler) override;

  // Called by a page of this browser for each window its script opens.
  QWebEnginePage* openPopup(const QWebEngineNewWindowRequest& request);
  // Opens a popup for a window.open call made while a page was being left;
  // `name` and `features` are the second and third arguments of that call.
  void openPopupFor(const QUrl& url, const QString& name, const QString& features);
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
  // `handedOver`: asked for while a page was being left.
  PopupWindow* newPopup(bool handedOver = false);
  void popupShown(PopupWindow* popup);
  void rendererEnded(QWebEnginePage::RenderProcessTerminationStatus status);
  void load(const QUrl& target);
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
