#include "preview/webengine/WebPreview.h"

#include <QCoreApplication>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

#include "preview/webengine/EngineSetup.h"
#include "preview/webengine/PageScheme.h"
#include "preview/webengine/PreviewView.h"
#include "preview/webengine/RendererWatchdog.h"
#include "preview/webengine/WindowStacking.h"

namespace orvanta {

WebPreviewFactory::WebPreviewFactory() : watchdog_(new RendererWatchdog(this)) {
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
    PrepareEngineStart();
    profile_ = new QWebEngineProfile(this);  // off the record; starts the engine
    QWebEngineSettings* settings = profile_->settings();
    // As in a browser, a script opens a window only right after the user's
    // click or key press; the engine returns null to the page otherwise.
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    // The Page URL goes into the script as typed, so a test page may run
    // whatever was typed there: the pages are no local files to the engine,
    // and nothing local may read files either.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    profile_->installUrlSchemeHandler(PageSchemeHandler::scheme(), pages_);
  }
  return profile_;
}

PreviewBrowser* WebPreviewFactory::createBrowser(QWidget* parent) {
  // Asked first, with the application's window system running.
  if (stacking_ == nullptr) stacking_ = WindowStacking::forPlatform();
  auto* view = new PreviewView(profile(), pages_, watchdog_, stacking_, parent);
  connect(this, &WebPreviewFactory::popupsClosing, view, &PreviewView::closePopups);
  connect(this, &WebPreviewFactory::shuttingDown, view, &PreviewView::releasePages);
  connect(this, &WebPreviewFactory::releasing, view, &PreviewView::release);
  return view;
}

void WebPreviewFactory::serveFile(const QString& path) { pages_->serve(path); }

QString WebPreviewFactory::engineName() const {
  if (profile_ == nullptr) return {};
  // The browser the engine says it is, as web servers and scripts see it.
  const QString agent = profile_->httpUserAgent();
  const qsizetype at = agent.indexOf(QLatin1String("Chrome/"));
  QString browser = at < 0 ? QString() : agent.mid(at).section(QLatin1Char(' '), 0, 0);
  QString name = QStringLiteral("Qt WebEngine %1").arg(QString::fromLatin1(qWebEngineVersion()));
  if (!browser.isEmpty())
    name += QStringLiteral(", which identifies itself as %1")
                .arg(browser.replace(QLatin1Char('/'), QLatin1Char(' ')));
  return name;
}

void WebPreviewFactory::closeAllPopups() { emit popupsClosing(); }

void WebPreviewFactory::releaseViews() {
  emit releasing();
  disconnect(this, &WebPreviewFactory::releasing, nullptr, nullptr);
}

void WebPreviewFactory::shutdown() {
  // The views stay (empty) with their parents, so that a late call through
  // a pointer the main window kept does nothing instead of crashing.
  emit shuttingDown();
  delete profile_;
  profile_ = nullptr;
}

}  // namespace orvanta
