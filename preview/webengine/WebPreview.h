#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <memory>
#include <vector>

#include "preview/host/PreviewPlugin.h"

class QWebEngineProfile;

namespace orvanta {

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
  // The script, for the profile to run at the start of every page.
  static QString leavingOpenScript();

 protected:
  QWebEnginePage* createWindow(WebWindowType type) override;
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                int lineNumber, const QString& sourceId) override;

 private:
  QPointer<WebPreviewBrowser> owner_;
};

// A top-level window a script opened. It deletes itself (and its page) when
// closed.
class PopupWindow : public QWebEngineView {
  Q_OBJECT
 public:
  explicit PopupWindow(QWebEngineProfile* profile, WebPreviewBrowser* owner);

  PreviewPage* previewPage() const { return page_; }
  void requestGeometry(const QRect& requested) { applyRequestedGeometry(requested); }
  // The name a script gave the window when it was opened through the
  // console hand-over; empty otherwise.
  const QString& windowName() const { return windowName_; }
  void setWindowName(const QString& name) { windowName_ = name; }
  // Shows the window unless it was shown or closed already; returns whether
  // it was shown now.
  bool showOnce();

 private:
  void applyRequestedGeometry(const QRect& requested);

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

  // Called by a page of this browser for each window its script opens.
  QWebEnginePage* openPopup();
  // Opens a popup for a window.open call made while a page was being left;
  // `name` and `features` are the second and third arguments of that call.
  void openPopupFor(const QUrl& url, const QString& name, const QString& features);
  void closePopups();
  // Deletes the popups and the view with its page at once; the container
  // widget stays with its parent, empty, and navigate() does nothing after.
  void releasePages();

 private:
  PopupWindow* newPopup();
  void popupShown(PopupWindow* popup);

  QWebEngineProfile* profile_;
  QPointer<PageSchemeHandler> pages_;
  QPointer<QWidget> container_;
  QPointer<QWebEngineView> view_;
  QPointer<PreviewPage> page_;
  std::vector<QPointer<PopupWindow>> popups_;
  std::function<void(bool)> onLoadFinished_;
  std::function<void(QWidget*)> onPopupOpened_;
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
  void shutdown() override;

 private:
  QWebEngineProfile* profile();

  QWebEngineProfile* profile_ = nullptr;
  PageSchemeHandler* pages_;
  std::vector<std::unique_ptr<WebPreviewBrowser>> browsers_;
};

}  // namespace orvanta
