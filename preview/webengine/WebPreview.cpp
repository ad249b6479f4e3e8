#include "preview/webengine/WebPreview.h"

#include <QCoreApplication>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <chrono>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "preview/webengine/EngineSetup.h"
#include "preview/webengine/PageOut.h"
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
  views_.emplace_back(view);
  connect(this, &WebPreviewFactory::popupsClosing, view, &PreviewView::closePopups);
  connect(this, &WebPreviewFactory::shuttingDown, view, &PreviewView::releasePages);
  connect(this, &WebPreviewFactory::releasing, view, &PreviewView::release);
  return view;
}

void WebPreviewFactory::serveFile(const QString& path) { pages_->serve(path); }

QString WebPreviewFactory::engineName() const {
  // Kept past a release, when no profile is left to ask.
  if (profile_ == nullptr) return engineName_;
  // The browser the engine says it is, as web servers and scripts see it.
  const QString agent = profile_->httpUserAgent();
  const qsizetype at = agent.indexOf(QLatin1String("Chrome/"));
  QString browser = at < 0 ? QString() : agent.mid(at).section(QLatin1Char(' '), 0, 0);
  QString name = QStringLiteral("Qt WebEngine %1").arg(QString::fromLatin1(qWebEngineVersion()));
  if (!browser.isEmpty())
    name += QStringLiteral(", which identifies itself as %1")
                .arg(browser.replace(QLatin1Char('/'), QLatin1Char(' ')));
  engineName_ = name;
  return name;
}

void WebPreviewFactory::closeAllPopups() { emit popupsClosing(); }

void WebPreviewFactory::releaseViews() {
  if (profile_ != nullptr) static_cast<void>(engineName());
  emit releasing();
  disconnect(this, &WebPreviewFactory::releasing, nullptr, nullptr);
  // The profile holds the engine's network context and caches; it goes once
  // the last page made on it has gone, and the next view makes a new one.
  QWebEngineProfile* old = profile_;
  profile_ = nullptr;
  std::vector<QPointer<PreviewView>> views;
  views.swap(views_);
  if (old == nullptr) return;
  auto left = std::make_shared<int>(0);
  const auto lastGone = [this, old, left] {
    if (--*left > 0) return;
    // Deleted after the event that deleted the view: a profile must outlive
    // its pages. (deleteLater() from here, inside a deferred deletion, was
    // never carried out.)
    QTimer::singleShot(0, this, [this, old] {
      delete old;
      trimLater();
    });
  };
  ++*left;
  for (const auto& view : views) {
    if (view.isNull()) continue;
    ++*left;
    connect(view.data(), &QObject::destroyed, old, lastGone);
  }
  lastGone();
}

void WebPreviewFactory::trimLater() {
#if defined(__GLIBC__)
  // What the engine freed sits in the allocator's free lists, counted as the
  // program's own memory, until it is handed back to the system. The engine
  // frees the profile's parts on its own threads, shortly after.
  QTimer::singleShot(std::chrono::milliseconds(200), this, [] {
    malloc_trim(0);
    // With the renderer gone, most of what the program holds is the engine
    // library's code that it ran; nothing of it is needed until the next
    // Preview.
    PageOutLibraryOf(&QWebEngineProfile::staticMetaObject);
    PageOutLibraryOf(&QQuickWindow::staticMetaObject);
    PageOutLibraryOf(&QQmlEngine::staticMetaObject);
  });
#endif
}

void WebPreviewFactory::shutdown() {
  // The views stay (empty) with their parents, so that a late call through
  // a pointer the main window kept does nothing instead of crashing.
  emit shuttingDown();
  views_.clear();
  // Profiles of released views not yet gone go too.
  qDeleteAll(findChildren<QWebEngineProfile*>(Qt::FindDirectChildrenOnly));
  profile_ = nullptr;
}

}  // namespace orvanta
