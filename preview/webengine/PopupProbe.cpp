#include "preview/webengine/PopupProbe.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <array>

#include "preview/webengine/ProbeScripts.h"

namespace orvanta {

namespace {

// The options in the order of the input screen; the first six are bars.
constexpr std::array<const char*, 10> kOptionWords{
    "toolbar",    "location",  "directories", "status",     "menubar",
    "scrollbars", "resizable", "dependent",   "fullscreen", "titlebar"};
constexpr std::size_t kScrollBars = 5;
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

const QString& WorldScriptName() {
  static const QString name = QStringLiteral("orvanta-world-probe");
  return name;
}

const QString& ScriptName() {
  static const QString name = QStringLiteral("orvanta-popup-probe");
  return name;
}

const QString& FrameScriptName() {
  static const QString name = QStringLiteral("orvanta-frame-probe");
  return name;
}

QString NewSecret() {
  QString secret = QStringLiteral("orvanta-");
  for (int i = 0; i < 4; ++i)
    secret += QString::number(QRandomGenerator::system()->generate64(), 36);
  return secret + QLatin1Char(' ');
}

// The engine's words for the usual failures, as a visitor would say them.
QString LoadError(const QWebEngineLoadingInfo& info) {
  if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
    return QStringLiteral("HTTP status %1").arg(info.errorCode());
  const QString words = info.errorString();
  if (words.contains(QLatin1String("NAME_NOT_RESOLVED"))) return QStringLiteral("no such host");
  if (words.contains(QLatin1String("CONNECTION_REFUSED")))
    return QStringLiteral("the server refused the connection");
  if (words.contains(QLatin1String("UNSAFE_PORT")))
    return QStringLiteral("the engine refuses that port");
  if (words.contains(QLatin1String("TIMED_OUT")))
    return QStringLiteral("the server did not answer");
  return words.isEmpty() ? QStringLiteral("error %1").arg(info.errorCode()) : words;
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
  int Load = 0;
  bool haveCall = false;
  bool closeAsked = false;
  qint64 shownAt = 0;
  qint64 triggerAt = 0;
};

namespace {

// The trigger's moment is taken back from the page's own count when the call
// is heard of, which may come just after the window showed.
qint64 TriggerToOpen(const PopupProbe::Record& record) {
  return std::max<qint64>(0, record.shownAt - record.triggerAt);
}

}  // namespace

PopupProbe::PopupProbe(std::shared_ptr<const WindowStacking> stacking, QObject* parent)
    : QObject(parent), stacking_(std::move(stacking)) {}

PopupProbe::~PopupProbe() = default;

bool PopupProbe::enabled() {
  static const bool on = qEnvironmentVariableIsEmpty("ORVANTA_NO_POPUP_REPORT");
  return on;
}

void PopupProbe::setHandler(std::function<void(const PopupFacts&)> handler) {
  handler_ = std::move(handler);
}

void PopupProbe::setNoteHandler(std::function<void(const PageNote&)> handler) {
  noteHandler_ = std::move(handler);
}

void PopupProbe::watchPage(QWebEnginePage* page) {
  page_ = page;
  if (!enabled() || page_.isNull()) return;
  installScript();
  if (watchDialogs_) installWorldScript();
}

void PopupProbe::watchDialogs(bool watch) {
  if (watch == watchDialogs_) return;
  watchDialogs_ = watch;
  if (!enabled() || page_.isNull()) return;
  // The dialogs' trigger comes from the page world's notes of each input.
  installScript();
  if (watch) {
    installWorldScript();
    return;
  }
  QWebEngineScriptCollection& scripts = page_->scripts();
  for (const QWebEngineScript& old : scripts.find(WorldScriptName())) scripts.remove(old);
  worldSecret_.clear();
}

void PopupProbe::installWorldScript() {
  QWebEngineScriptCollection& scripts = page_->scripts();
  for (const QWebEngineScript& old : scripts.find(WorldScriptName())) scripts.remove(old);
  worldSecret_ = NewSecret();
  QWebEngineScript script;
  script.setName(WorldScriptName());
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setWorldId(QWebEngineScript::ApplicationWorld);
  script.setRunsOnSubFrames(true);
  script.setSourceCode(WorldScript(worldSecret_));
  scripts.insert(script);
}

void PopupProbe::installScript() {
  QWebEngineScriptCollection& scripts = page_->scripts();
  for (const QString& name : {ScriptName(), FrameScriptName()})
    for (const QWebEngineScript& old : scripts.find(name)) scripts.remove(old);
  secret_ = NewSecret();
  frameSecret_ = NewSecret();
  for (const bool mainFrame : {true, false}) {
    QWebEngineScript script;
    script.setName(mainFrame ? ScriptName() : FrameScriptName());
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    // A frame's window.open is the test page's too.
    script.setRunsOnSubFrames(!mainFrame);
    script.setSourceCode(PageScript(mainFrame ? secret_ : frameSecret_, mainFrame, watchDialogs_));
    scripts.insert(script);
  }
}

void PopupProbe::newLoad() {
  ++load_;
  number_ = 0;
  calls_.clear();
  request_.reset();
  dialogs_.clear();
  input_ = Input();
  framedDocuments_.clear();
  lastFrameError_ = 0;
  refusals_.clear();
  previousDocument_ = document_;
  document_.clear();
  loadStartedAt_ = Now();
}

void PopupProbe::windowRequested(const QWebEngineNewWindowRequest& request, bool fromTestPage) {
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
  request_ = Request{request.isUserInitiated(), kind, fromTestPage};
}

void PopupProbe::takeOpen(const Call& call, bool refused) {
  if (refused) {
    // No window will come for this call.
    Record record;
    record.Load = load_;
    record.facts.number = ++number_;
    takeCall(record, call);
    report(record);
    return;
  }
  // Only a window of this load that the test page asked for takes the call.
  for (const auto& record : records_) {
    if (!record->haveCall && !record->window.isNull() && record->Load == load_) {
      takeCall(*record, call);
      if (record->shownAt > 0 && record->triggerAt > 0)
        record->facts.triggerToOpenMs = TriggerToOpen(*record);
      report(*record);
      return;
    }
  }
  calls_.push_back(call);
}

void PopupProbe::takeCall(Record& record, const Call& call) {
  record.haveCall = true;
  PopupFacts& f = record.facts;
  f.features = call.features;
  f.trigger = call.trigger;
  f.sinceActionMs = call.sinceActionMs;
  f.leaving = call.leaving;
  f.fromFrame = call.fromFrame;
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

void PopupProbe::popupMade(QWidget* window, QWebEnginePage* page, QWidget* opener) {
  if (!enabled()) return;
  const std::optional<Request> request = request_;
  request_.reset();
  // Windows a popup's page opens are that page's, not the test page's.
  if (!request || !request->fromTestPage) return;
  // Windows closed long ago are of no more interest.
  records_.erase(std::remove_if(records_.begin(), records_.end(),
                                [](const auto& r) { return r->window.isNull(); }),
                 records_.end());
  auto record = std::make_unique<Record>();
  record->window = window;
  record->page = page;
  record->opener = opener;
  record->Load = load_;
  record->facts.number = ++number_;
  record->facts.opened = true;
  record->facts.userGesture = request->userGesture;
  record->facts.engineWindow = request->kind;
  record->facts.allowedOnly = popupsAllowed_ && !request->userGesture;
  // The engine makes the window before the call's own line comes. A frame's
  // line before it may be one a page read from a frame it prepared and
  // logged again: only the main frame's script cannot be read that way.
  const auto queued =
      std::find_if(calls_.begin(), calls_.end(), [](const Call& call) { return !call.fromFrame; });
  if (queued != calls_.end()) {
    takeCall(*record, *queued);
    calls_.erase(queued);
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
  connect(page, &QWebEnginePage::loadingChanged, this,
          [this, guard](const QWebEngineLoadingInfo& info) {
            Record* r = recordOf(guard.data());
            if (r == nullptr || info.status() == QWebEngineLoadingInfo::LoadStartedStatus) return;
            r->facts.pageLoaded = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
            r->facts.pageError = info.status() == QWebEngineLoadingInfo::LoadFailedStatus
                                     ? LoadError(info)
                                     : QString();
            if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus)
              r->facts.pageError = QStringLiteral("its load was stopped");
            report(*r);
            if (r->shownAt > 0) readPage(*r);
          });
  records_.push_back(std::move(record));
}

void PopupProbe::popupShown(QWidget* window) {
  Record* record = recordOf(window);
  if (record == nullptr) return;
  record->shownAt = Now();
  if (record->triggerAt > 0) record->facts.triggerToOpenMs = TriggerToOpen(*record);
  report(*record);
  QPointer<QWidget> guard(window);
  QTimer::singleShot(kSettleMs, this, [this, guard] {
    if (Record* r = recordOf(guard.data()); r != nullptr && r->facts.end == PopupFacts::End::Open) {
      measure(*r);
      readPage(*r);
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
  if (!record.opener.isNull()) f.popupInFront = stacking_->above(w, record.opener);
  if (f.bars.size() == kOptionWords.size()) {
    // The preview's window is a bare view: it draws none of the browser's
    // bars, whatever the page asked for or reads.
    for (std::size_t i = 0; i < kScrollBars; ++i) {
      f.bars[i].shown = false;
      f.bars[i].how = QStringLiteral("the preview window has none");
    }
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

void PopupProbe::readPage(Record& record) {
  if (record.page.isNull()) return;
  QPointer<QWidget> guard(record.window);
  // In a world of the program's own: the page's replaced globals are not
  // seen here. A scroll bar takes its width from the window's inner size.
  record.page->runJavaScript(
      QStringLiteral("(function () { var d = document.documentElement;"
                     " if (!d) return '';"
                     " return JSON.stringify([d.scrollWidth > d.clientWidth ||"
                     " d.scrollHeight > d.clientHeight,"
                     " window.innerWidth > d.clientWidth || window.innerHeight > d.clientHeight]);"
                     " })()"),
      QWebEngineScript::ApplicationWorld, [this, guard](const QVariant& answer) {
        Record* r = recordOf(guard.data());
        if (r == nullptr) return;
        const QJsonArray drawn = QJsonDocument::fromJson(answer.toString().toUtf8()).array();
        if (drawn.size() != 2) return;
        r->facts.overflows = drawn.at(0).toBool();
        if (r->facts.bars.size() == kOptionWords.size()) {
          r->facts.bars[kScrollBars].shown = drawn.at(1).toBool();
          r->facts.bars[kScrollBars].how = QStringLiteral("measured in the page");
        }
        report(*r);
      });
}

bool PopupProbe::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Close) {
    Record* record = recordOf(watched);
    if (record != nullptr && record->facts.end == PopupFacts::End::Open) {
      record->facts.end = record->closeAsked     ? PopupFacts::End::ByScript
                          : event->spontaneous() ? PopupFacts::End::ByUser
                                                 : PopupFacts::End::ByProgram;
      if (record->shownAt > 0) record->facts.openToCloseMs = Now() - record->shownAt;
      report(*record);
    }
  }
  return QObject::eventFilter(watched, event);
}

void PopupProbe::report(const Record& record) {
  // A window of an earlier page no longer belongs to the report.
  if (handler_ && record.Load == load_) handler_(record.facts);
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
  page->runJavaScript(
      script, QWebEngineScript::ApplicationWorld, [done = std::move(done)](const QVariant& answer) {
        const QStringList parts = answer.toString().split(QLatin1Char(','));
        if (parts.size() != 4) return done(QRect());
        done(QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt()));
      });
}

}  // namespace orvanta
