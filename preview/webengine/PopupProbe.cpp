#include "preview/webengine/PopupProbe.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScreen>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace orvanta {

namespace {

const QString& Marker() {
  static const QString marker = QStringLiteral("orvanta-preview:window-asked ");
  return marker;
}

// The options in the order of the input screen; the first six are the bars
// a page can read, in that order.
constexpr std::array<const char*, 10> kOptionWords{"toolbar",   "location", "directories",
                                                   "status",    "menubar",  "scrollbars",
                                                   "resizable", "dependent", "fullscreen",
                                                   "titlebar"};
constexpr int kReadableBars = 6;
// The options the window itself answers for.
constexpr std::size_t kResizable = 6;
constexpr std::size_t kFullScreen = 8;
constexpr std::size_t kTitleBar = 9;
// Geometry, focus and order are read once the page's own script after the
// call (focus, blur, moveTo) has run.
constexpr int kSettleMs = 600;

qint64 Now() { return QDateTime::currentMSecsSinceEpoch(); }

// A feature's value as a browser reads it: no value or "yes" is on, a
// number is on unless 0, anything else off.
bool FeatureOn(const QString& value) {
  const QString v = value.trimmed().toLower();
  if (v.isEmpty() || v == QLatin1String("yes") || v == QLatin1String("true")) return true;
  bool number = false;
  const double n = v.toDouble(&number);
  return number && n != 0;
}

std::optional<bool> AskedFor(const QString& features, const char* word) {
  std::optional<bool> asked;
  for (const QString& entry : features.split(QLatin1Char(','))) {
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    const QString key = (eq < 0 ? entry : entry.left(eq)).trimmed().toLower();
    if (key == QLatin1String(word)) asked = FeatureOn(eq < 0 ? QString() : entry.mid(eq + 1));
  }
  return asked;
}

// Whether `upper` lies above `lower` among the screen's windows, when the
// window system can tell.
std::optional<bool> StackedAbove(const QWidget* upper, const QWidget* lower) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() != QLatin1String("xcb") || x11 == nullptr ||
      x11->connection() == nullptr || upper->windowHandle() == nullptr ||
      lower->windowHandle() == nullptr)
    return std::nullopt;
  xcb_connection_t* c = x11->connection();
  xcb_window_t root = 0;
  // A window manager puts each window into a frame of its own; the frames
  // are the root's children, bottom first.
  const auto topLevel = [&](xcb_window_t w) {
    for (int depth = 0; depth < 16; ++depth) {
      xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
      if (tree == nullptr) return xcb_window_t{0};
      root = tree->root;
      const xcb_window_t parent = tree->parent;
      std::free(tree);
      if (parent == root || parent == 0) return w;
      w = parent;
    }
    return xcb_window_t{0};
  };
  const xcb_window_t a = topLevel(static_cast<xcb_window_t>(upper->windowHandle()->winId()));
  const xcb_window_t b = topLevel(static_cast<xcb_window_t>(lower->windowHandle()->winId()));
  if (a == 0 || b == 0 || root == 0) return std::nullopt;
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
  if (tree == nullptr) return std::nullopt;
  const xcb_window_t* children = xcb_query_tree_children(tree);
  int at = -1;
  int bt = -1;
  for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
    if (children[i] == a) at = i;
    if (children[i] == b) bt = i;
  }
  std::free(tree);
  if (at < 0 || bt < 0) return std::nullopt;
  return at > bt;
}

QString ProbeScript() {
  // Only the last event a page's code reacts to counts: hovering elsewhere
  // during a delay does not change what started the window.
  return QStringLiteral(
             "(function () {\n"
             "  var last = { kind: 'script', at: 0 };\n"
             "  function note(kind) { last = { kind: kind, at: Date.now() }; }\n"
             "  function element(e) { return e.target instanceof Element ? e.target : null; }\n"
             "  window.addEventListener('load', function (e) {\n"
             "    if (e.target === document) note('load');\n"
             "  });\n"
             "  window.addEventListener('pagehide', function () { note('page close'); }, true);\n"
             "  window.addEventListener('click', function (e) {\n"
             "    var t = element(e), a = t && t.closest('a');\n"
             "    if (a) note(a.querySelector('img') ? 'image link' : 'link');\n"
             "    else note(t && t.closest('input,button') ? 'form button' : 'click');\n"
             "  }, true);\n"
             "  window.addEventListener('mouseover', function (e) {\n"
             "    var t = element(e);\n"
             "    if (t && t.closest('[onmouseover]')) note('mouse over');\n"
             "  }, true);\n"
             "  var open = window.open;\n"
             "  window.open = function (url, name, features) {\n"
             "    var w = open.apply(window, arguments);\n"
             "    console.log(%1 + JSON.stringify([String(features || ''), last.kind, last.at,\n"
             "                                     w === null || w === undefined]));\n"
             "    return w;\n"
             "  };\n"
             "})();\n")
      .arg(QLatin1Char('\'') + Marker() + QLatin1Char('\''));
}

}  // namespace

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

struct PopupProbe::Record {
  QPointer<QWidget> window;
  QPointer<QWebEnginePage> page;
  QPointer<QWidget> opener;  // the main window at the time it was asked for
  PopupFacts facts;
  bool haveCall = false;
  bool closeAsked = false;
  qint64 shownAt = 0;
  qint64 triggerAt = 0;
};

PopupProbe::PopupProbe(QObject* parent) : QObject(parent) {}

PopupProbe::~PopupProbe() = default;

bool PopupProbe::enabled() {
  static const bool on = qEnvironmentVariableIsEmpty("ORVANTA_NO_POPUP_REPORT");
  return on;
}

void PopupProbe::install(QWebEngineProfile* profile) {
  if (!enabled()) return;
  QWebEngineScript script;
  script.setName(QStringLiteral("orvanta-window-asked"));
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setWorldId(QWebEngineScript::MainWorld);
  script.setRunsOnSubFrames(false);
  script.setSourceCode(ProbeScript());
  profile->scripts()->insert(script);
}

void PopupProbe::setHandler(std::function<void(const PopupFacts&)> handler) {
  handler_ = std::move(handler);
}

void PopupProbe::watchPage(QWebEnginePage* page, bool main) {
  if (!enabled()) return;
  if (main) connect(page, &QWebEnginePage::loadStarted, this, &PopupProbe::pageStarted);
}

void PopupProbe::windowRequested(const QWebEngineNewWindowRequest& request) {
  if (!enabled()) return;
  QString kind;
  switch (request.destination()) {
    case QWebEngineNewWindowRequest::InNewWindow:
      kind = QStringLiteral("window");
      break;
    case QWebEngineNewWindowRequest::InNewTab:
      kind = QStringLiteral("tab");
      break;
    case QWebEngineNewWindowRequest::InNewDialog:
      kind = QStringLiteral("popup");
      break;
    case QWebEngineNewWindowRequest::InNewBackgroundTab:
      kind = QStringLiteral("background tab");
      break;
  }
  request_ = Request{request.isUserInitiated(), kind};
}

void PopupProbe::pageStarted() {
  number_ = 0;
  calls_.clear();
  request_.reset();
}

bool PopupProbe::takeMessage(const QString& message) {
  if (!message.startsWith(Marker())) return false;
  const QJsonArray fields =
      QJsonDocument::fromJson(message.mid(Marker().size()).toUtf8()).array();
  if (fields.size() != 4) return true;
  const Call call{fields.at(0).toString(), fields.at(1).toString(),
                  static_cast<qint64>(fields.at(2).toDouble())};
  if (fields.at(3).toBool()) {
    // Refused: no window will come for this call.
    Record refused;
    refused.facts.number = ++number_;
    takeCall(refused, call);
    report(refused);
    return true;
  }
  for (const auto& record : records_) {
    if (!record->haveCall && !record->window.isNull()) {
      takeCall(*record, call);
      if (record->shownAt > 0 && record->triggerAt > 0)
        record->facts.triggerToOpenMs = record->shownAt - record->triggerAt;
      report(*record);
      return true;
    }
  }
  calls_.push_back(call);
  return true;
}

void PopupProbe::takeCall(Record& record, const Call& call) {
  record.haveCall = true;
  PopupFacts& f = record.facts;
  f.features = call.features;
  f.trigger = call.trigger;
  record.triggerAt = call.triggerAt;
  if (!call.features.isEmpty()) {
    f.asked = RequestedGeometry(call.features, QRect(-1, -1, -1, -1));
  }
  f.bars.clear();
  for (const char* word : kOptionWords) {
    PopupFacts::Bar bar;
    bar.option = QString::fromLatin1(word);
    bar.asked = AskedFor(call.features, word);
    f.bars.push_back(bar);
  }
}

PopupProbe::Record* PopupProbe::recordOf(QObject* window) const {
  // A window that went leaves a null pointer, which is no window's.
  if (window == nullptr) return nullptr;
  for (const auto& record : records_)
    if (record->window == window) return record.get();
  return nullptr;
}

void PopupProbe::popupMade(QWidget* window, QWebEnginePage* page, QWidget* opener,
                           bool handedOver) {
  if (!enabled()) return;
  watchPage(page, false);
  // Windows closed long ago are of no more interest.
  records_.erase(std::remove_if(records_.begin(), records_.end(),
                                [](const auto& r) { return r->window.isNull(); }),
                 records_.end());
  auto record = std::make_unique<Record>();
  record->window = window;
  record->page = page;
  record->opener = opener;
  record->facts.number = ++number_;
  record->facts.opened = true;
  record->facts.handedOver = handedOver;
  if (!handedOver && request_) {
    record->facts.userGesture = request_->userGesture;
    record->facts.engineWindow = request_->kind;
  }
  request_.reset();
  if (!calls_.empty()) {
    takeCall(*record, calls_.front());
    calls_.pop_front();
  }
  window->installEventFilter(this);
  // Told apart from a close by the program only if this comes before the
  // window's own close on the same signal.
  disconnect(page, &QWebEnginePage::windowCloseRequested, window, &QWidget::close);
  QPointer<QWidget> guard(window);
  connect(page, &QWebEnginePage::windowCloseRequested, this, [this, guard] {
    if (Record* r = recordOf(guard.data())) r->closeAsked = true;
  });
  connect(page, &QWebEnginePage::windowCloseRequested, window, &QWidget::close);
  connect(page, &QWebEnginePage::loadFinished, this, [this, guard] {
    if (Record* r = recordOf(guard.data()); r != nullptr && r->shownAt > 0) readBars(*r);
  });
  records_.push_back(std::move(record));
}

void PopupProbe::popupShown(QWidget* window) {
  Record* record = recordOf(window);
  if (record == nullptr) return;
  record->shownAt = Now();
  if (record->triggerAt > 0) record->facts.triggerToOpenMs = record->shownAt - record->triggerAt;
  report(*record);
  QPointer<QWidget> guard(window);
  QTimer::singleShot(kSettleMs, this, [this, guard] {
    if (Record* r = recordOf(guard.data()); r != nullptr && r->facts.end == PopupFacts::End::Open) {
      measure(*r);
      readBars(*r);
    }
  });
}

void PopupProbe::measure(Record& record) {
  QWidget* w = record.window;
  PopupFacts& f = record.facts;
  f.given = w->geometry();
  f.frame = w->frameGeometry();
  if (w->screen() != nullptr) f.screen = w->screen()->geometry();
  f.fullScreen = w->isFullScreen();
  if (const QWindow* handle = w->windowHandle()) {
    f.resizable = handle->minimumSize() != handle->maximumSize() &&
                  !handle->flags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
  }
  const QWindow* focus = QGuiApplication::focusWindow();
  if (focus == nullptr) {
    f.focus = QStringLiteral("none");
  } else if (focus == w->windowHandle()) {
    f.focus = QStringLiteral("popup");
  } else if (!record.opener.isNull() && focus == record.opener->windowHandle()) {
    f.focus = QStringLiteral("main window");
  } else {
    f.focus = QStringLiteral("another window");
  }
  if (!record.opener.isNull()) f.popupInFront = StackedAbove(w, record.opener);
  if (f.bars.size() == kOptionWords.size()) {
    f.bars[kResizable].shown = f.resizable;
    f.bars[kResizable].how = QStringLiteral("window sizes");
    f.bars[kFullScreen].shown = f.fullScreen;
    f.bars[kFullScreen].how = QStringLiteral("window state");
    // A title bar is drawn by the window manager, around the content; a
    // display without one only pretends to have frames.
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal") &&
        f.frame.isValid() && f.frame != f.given) {
      f.bars[kTitleBar].shown = f.given.top() > f.frame.top();
      f.bars[kTitleBar].how = QStringLiteral("window frame");
    }
  }
  report(record);
}

void PopupProbe::readBars(Record& record) {
  if (record.page.isNull()) return;
  QPointer<QWidget> guard(record.window);
  record.page->runJavaScript(
      QStringLiteral("JSON.stringify([window.toolbar.visible, window.locationbar.visible,"
                     " window.personalbar.visible, window.statusbar.visible,"
                     " window.menubar.visible, window.scrollbars.visible])"),
      QWebEngineScript::ApplicationWorld, [this, guard](const QVariant& answer) {
        Record* r = recordOf(guard.data());
        if (r == nullptr) return;
        const QJsonArray shown = QJsonDocument::fromJson(answer.toString().toUtf8()).array();
        if (shown.size() != kReadableBars || r->facts.bars.size() != kOptionWords.size()) return;
        for (int i = 0; i < kReadableBars; ++i) {
          auto& bar = r->facts.bars[static_cast<std::size_t>(i)];
          bar.shown = shown.at(i).toBool();
          bar.how = QStringLiteral("read in the popup");
        }
        report(*r);
      });
}

bool PopupProbe::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Close) {
    Record* record = recordOf(watched);
    if (record != nullptr && record->facts.end == PopupFacts::End::Open) {
      record->facts.end = record->closeAsked        ? PopupFacts::End::ByScript
                          : event->spontaneous()    ? PopupFacts::End::ByUser
                                                    : PopupFacts::End::ByProgram;
      if (record->shownAt > 0) record->facts.openToCloseMs = Now() - record->shownAt;
      report(*record);
    }
  }
  return QObject::eventFilter(watched, event);
}

void PopupProbe::report(const Record& record) {
  if (handler_) handler_(record.facts);
}

void PopupProbe::locate(QWebEnginePage* page, const QString& selector,
                        std::function<void(QRect)> done) {
  const QString script =
      QStringLiteral(
          "(function () { var e = document.querySelector(%1); if (!e) return '';"
          " var r = e.getBoundingClientRect();"
          " return [r.left, r.top, r.width, r.height].map(function (v) { return Math.round(v); })"
          ".join(','); })()")
          .arg(QString::fromUtf8(QJsonDocument(QJsonArray{selector}).toJson(QJsonDocument::Compact))
                   .mid(1)
                   .chopped(1));
  page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                      [done = std::move(done)](const QVariant& answer) {
                        const QStringList parts = answer.toString().split(QLatin1Char(','));
                        if (parts.size() != 4) return done(QRect());
                        done(QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(),
                                   parts[3].toInt()));
                      });
}

}  // namespace orvanta
