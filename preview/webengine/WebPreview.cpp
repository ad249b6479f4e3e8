#include "preview/webengine/WebPreview.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWindow>
#include <algorithm>

#include "preview/webengine/BrowserCustomizer.h"
#include "preview/webengine/EngineSetup.h"
#include "preview/webengine/PageScheme.h"

namespace orvanta {

namespace {

// Reads "left=20,top=10,width=400,height=200,..." the way a browser does for
// window placement: unknown or malformed entries are ignored.
QRect RequestedGeometry(const QString& features, const QRect& fallback) {
  QRect rect = fallback;
  const QStringList entries = features.split(QLatin1Char(','));
  for (const QString& entry : entries) {
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    if (eq < 0) continue;
    const QString key = entry.left(eq).trimmed().toLower();
    bool ok = false;
    const int value = entry.mid(eq + 1).trimmed().toInt(&ok);
    if (!ok) continue;
    if (key == QLatin1String("left") || key == QLatin1String("screenx")) {
      rect.moveLeft(value);
    } else if (key == QLatin1String("top") || key == QLatin1String("screeny")) {
      rect.moveTop(value);
    } else if ((key == QLatin1String("width") || key == QLatin1String("innerwidth")) && value > 0) {
      rect.setWidth(value);
    } else if ((key == QLatin1String("height") || key == QLatin1String("innerheight")) &&
               value > 0) {
      rect.setHeight(value);
    }
  }
  return rect;
}

void BindCustomizer(QWebEngineView* view) {
  auto* customizer = new BrowserCustomizer(view);
  customizer->setContextMenuEnabled(false);
  customizer->setBrowserShortcutsEnabled(false);
}

}  // namespace

PreviewPage::PreviewPage(QWebEngineProfile* profile, WebPreviewBrowser* owner, QObject* parent)
    : QWebEnginePage(profile, parent), owner_(owner) {}

QWebEnginePage* PreviewPage::createWindow(WebWindowType) {
  if (owner_.isNull()) return nullptr;
  return owner_->openPopup();
}

const QString& PreviewPage::leavingOpenMarker() {
  static const QString marker = QStringLiteral("orvanta-preview:open-while-leaving ");
  return marker;
}

QString PreviewPage::leavingOpenScript() {
  // Runs before the page's own scripts, so its pagehide listener comes before
  // any unload handler of the page. The stand-in window object lets the rest
  // of such a handler (focus, blur, a close timer) run without errors.
  return QStringLiteral(
             "(function () {\n"
             "  var leaving = false;\n"
             "  var realOpen = window.open;\n"
             "  window.addEventListener('pagehide', function () { leaving = true; }, true);\n"
             "  window.addEventListener('pageshow', function () { leaving = false; }, true);\n"
             "  window.open = function (url, name, features) {\n"
             "    if (!leaving) return realOpen.apply(window, arguments);\n"
             "    var target = url === undefined || url === null ? '' : String(url);\n"
             "    try { if (target !== '') target = new URL(target, document.baseURI).href; }\n"
             "    catch (e) {}\n"
             "    console.log(%1 + JSON.stringify([target, String(name || ''),\n"
             "                                  String(features || '')]));\n"
             "    return { closed: false, focus: function () {}, blur: function () {},\n"
             "             close: function () {} };\n"
             "  };\n"
             "})();\n")
      .arg(QLatin1Char('\'') + leavingOpenMarker() + QLatin1Char('\''));
}

void PreviewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel /*level*/,
                                           const QString& message, int /*lineNumber*/,
                                           const QString& /*sourceId*/) {
  // The program logs nothing: the pages' own messages are dropped.
  if (!message.startsWith(leavingOpenMarker())) return;
  if (owner_.isNull()) return;
  const QJsonArray call =
      QJsonDocument::fromJson(message.mid(leavingOpenMarker().size()).toUtf8()).array();
  if (call.size() != 3) return;
  const QString text = call.at(0).toString();
  const QUrl target = text.isEmpty() ? QUrl(QStringLiteral("about:blank")) : url().resolved(QUrl(text));
  // Only what window.open itself could reach: web pages, and the pages
  // beside a test page.
  const QString scheme = target.scheme();
  const QString pages = QString::fromLatin1(PageSchemeHandler::scheme());
  const bool allowed = scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                       scheme == QLatin1String("about") ||
                       (scheme == pages && url().scheme() == pages);
  if (allowed) owner_->openPopupFor(target, call.at(1).toString(), call.at(2).toString());
}

PopupWindow::PopupWindow(QWebEngineProfile* profile, WebPreviewBrowser* owner)
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
}

void PopupWindow::applyRequestedGeometry(const QRect& requested) {
  if (!requested.isValid()) return;
  // The size window.open asks for is that of the content; later moveTo and
  // resizeTo calls arrive as the outer rectangle, frame included.
  QRect content = requested;
  const QWindow* handle = windowHandle();
  if (shown_ && handle != nullptr) content = requested.marginsRemoved(handle->frameMargins());
  setGeometry(content);
}

bool PopupWindow::showOnce() {
  if (shown_ || closed_) return false;
  shown_ = true;
  show();
  return true;
}

void PopupWindow::closeEvent(QCloseEvent* event) {
  closed_ = true;
  QWebEngineView::closeEvent(event);
}

WebPreviewBrowser::WebPreviewBrowser(QWebEngineProfile* profile, PageSchemeHandler* pages,
                                     QWidget* parent)
    : profile_(profile), pages_(pages), container_(new QWidget(parent)) {
  auto* layout = new QVBoxLayout(container_);
  layout->setContentsMargins(0, 0, 0, 0);
  view_ = new QWebEngineView(container_);
  page_ = new PreviewPage(profile_, this, view_);
  view_->setPage(page_);
  BindCustomizer(view_);
  layout->addWidget(view_);
  container_->setFocusProxy(view_);
  connect(page_, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    if (onLoadFinished_) onLoadFinished_(ok);
  });
}

WebPreviewBrowser::~WebPreviewBrowser() { releasePages(); }

void WebPreviewBrowser::navigate(const QString& filePath) {
  if (view_.isNull() || pages_.isNull()) return;
  view_->load(pages_->addressOf(filePath));
}

void WebPreviewBrowser::setLoadFinishedHandler(std::function<void(bool ok)> handler) {
  onLoadFinished_ = std::move(handler);
}

void WebPreviewBrowser::setPopupOpenedHandler(std::function<void(QWidget* popup)> handler) {
  onPopupOpened_ = std::move(handler);
}

QList<QWidget*> WebPreviewBrowser::popupWindows() const {
  QList<QWidget*> open;
  for (const auto& popup : popups_) {
    if (!popup.isNull() && popup->isVisible()) open.append(popup.data());
  }
  return open;
}

PopupWindow* WebPreviewBrowser::newPopup() {
  popups_.erase(std::remove_if(popups_.begin(), popups_.end(),
                               [](const QPointer<PopupWindow>& p) { return p.isNull(); }),
                popups_.end());
  auto* popup = new PopupWindow(profile_, this);
  popups_.emplace_back(popup);
  // The engine hands over the requested geometry right after this returns;
  // showing later puts the window up at its final place and size at once.
  QPointer<PopupWindow> guard(popup);
  QTimer::singleShot(0, this, [this, guard] {
    if (!guard.isNull() && guard->showOnce()) popupShown(guard.data());
  });
  return popup;
}

QWebEnginePage* WebPreviewBrowser::openPopup() {
  if (profile_ == nullptr) return nullptr;
  return newPopup()->previewPage();
}

void WebPreviewBrowser::openPopupFor(const QUrl& url, const QString& name,
                                     const QString& features) {
  if (profile_ == nullptr || !url.isValid()) return;
  // As in a browser, a window of the same name that is still open is reused.
  const bool named =
      !name.isEmpty() && name.compare(QLatin1String("_blank"), Qt::CaseInsensitive) != 0;
  if (named) {
    for (const auto& popup : popups_) {
      if (!popup.isNull() && popup->isVisible() && popup->windowName() == name) {
        popup->load(url);
        return;
      }
    }
  }
  PopupWindow* popup = newPopup();
  if (named) popup->setWindowName(name);
  popup->requestGeometry(RequestedGeometry(features, popup->geometry()));
  popup->load(url);
}

void WebPreviewBrowser::popupShown(PopupWindow* popup) {
  if (onPopupOpened_) onPopupOpened_(popup);
}

void WebPreviewBrowser::closePopups() {
  // Closing one popup may run script that closes or opens others.
  const auto popups = popups_;
  for (const auto& popup : popups) {
    if (!popup.isNull()) popup->close();
  }
}

void WebPreviewBrowser::releasePages() {
  // Popups that closed but await deferred deletion still hold pages; they go
  // now too, so that no page outlives the profile.
  while (!popups_.empty()) {
    QPointer<PopupWindow> popup = popups_.back();
    popups_.pop_back();
    delete popup.data();
  }
  delete view_.data();  // deletes its page, a child of the view
  profile_ = nullptr;
}

WebPreviewFactory::WebPreviewFactory() {
  PageSchemeHandler::registerScheme();
  pages_ = new PageSchemeHandler(this);
}

WebPreviewFactory::~WebPreviewFactory() {
  // The module may be unloaded after the application object is gone; the
  // engine cannot be touched any more then.
  if (QCoreApplication::instance() != nullptr) shutdown();
}

QWebEngineProfile* WebPreviewFactory::profile() {
  if (profile_ == nullptr) {
    const EngineStart start;
    profile_ = new QWebEngineProfile(this);  // off the record; starts the engine
    QWebEngineSettings* settings = profile_->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    // The Page URL goes into the script as typed, so a test page may run
    // whatever was typed there: the pages are no local files to the engine,
    // and nothing local may read files either.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    profile_->installUrlSchemeHandler(PageSchemeHandler::scheme(), pages_);
    QWebEngineScript leavingOpen;
    leavingOpen.setName(QStringLiteral("orvanta-open-while-leaving"));
    leavingOpen.setInjectionPoint(QWebEngineScript::DocumentCreation);
    leavingOpen.setWorldId(QWebEngineScript::MainWorld);
    leavingOpen.setRunsOnSubFrames(false);
    leavingOpen.setSourceCode(PreviewPage::leavingOpenScript());
    profile_->scripts()->insert(leavingOpen);
  }
  return profile_;
}

PreviewBrowser* WebPreviewFactory::createBrowser(QWidget* parent) {
  browsers_.push_back(std::make_unique<WebPreviewBrowser>(profile(), pages_, parent));
  return browsers_.back().get();
}

void WebPreviewFactory::closeAllPopups() {
  for (const auto& browser : browsers_) browser->closePopups();
}

void WebPreviewFactory::shutdown() {
  // The browser objects stay (empty) so that a late call through a pointer
  // the main window kept does nothing instead of crashing.
  for (const auto& browser : browsers_) browser->releasePages();
  delete profile_;
  profile_ = nullptr;
}

}  // namespace orvanta
