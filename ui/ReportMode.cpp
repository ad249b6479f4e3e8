#include "ui/ReportMode.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "core/EntryRule.h"
#include "core/PopupSettings.h"
#include "modules/host/EngineEnvironment.h"
#include "modules/host/PreviewPlugin.h"
#include "settings/SettingsFile.h"
#include "ui/BrowsersMode.h"
#include "ui/FrmMain.h"
#include "ui/PreviewReport.h"

namespace orvanta {

namespace {

QString Printable(const QString& text) { return PreviewReport::Printable(text); }

// Runs the event loop until `done` or `ms` pass; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return done();
}

// The widget of a view that takes the page's mouse input.
QWidget* InputTarget(PreviewBrowser& browser) {
  QWidget* target = browser.widget();
  while (target->focusProxy() != nullptr && target->focusProxy() != target)
    target = target->focusProxy();
  return target;
}

void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
  QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
}

// Moves the mouse onto the element, and clicks it unless only hovering
// counts. Returns false when the page has no such element.
bool SetOff(PreviewBrowser& browser, const QString& selector, bool click) {
  std::optional<QRect> found;
  browser.locate(selector, [&found](QRect r) { found = r; });
  if (!WaitFor([&] { return found.has_value(); }, 10000) || found->isEmpty()) return false;
  QWidget* target = InputTarget(browser);
  const QPoint outside(1, 1);
  const QPoint at = found->center();
  Mouse(target, QEvent::MouseMove, outside, Qt::NoButton);
  WaitFor([] { return false; }, 100);
  Mouse(target, QEvent::MouseMove, at, Qt::NoButton);
  if (click) {
    WaitFor([] { return false; }, 100);
    Mouse(target, QEvent::MouseButtonPress, at, Qt::LeftButton);
    Mouse(target, QEvent::MouseButtonRelease, at, Qt::LeftButton);
  }
  return true;
}

int Fail(const char* what) {
  std::fprintf(stderr, "orvanta: %s\n", what);
  return 1;
}

struct ReportOptions {
  const char* Path = nullptr;
  bool Json = false;
  bool AllowPopups = false;
  const char* Browsers = nullptr;
};

// The options of --report; each is one row. `value` names the argument an
// option takes (nullptr: none), and `set` stores it.
struct ReportOption {
  const char* Name;
  const char* Value;
  void (*Set)(ReportOptions&, const char* value);
};

const ReportOption kReportOptions[] = {
    {"--json", nullptr, [](ReportOptions& o, const char*) { o.Json = true; }},
    {"--allow-popups", nullptr, [](ReportOptions& o, const char*) { o.AllowPopups = true; }},
    {"--browsers", "LIST", [](ReportOptions& o, const char* list) { o.Browsers = list; }},
};

constexpr const char* kUsage =
    "Usage: orvanta --report SETTINGS_FILE [--browsers LIST] [--json] [--allow-popups]\n";

// Parses the arguments other than the first "--report", in any order; an
// error is printed and returns false.
bool ParseReportOptions(int argc, char* argv[], ReportOptions& options) {
  bool sawReport = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!sawReport && std::strcmp(arg, "--report") == 0) {
      sawReport = true;
      continue;
    }
    const ReportOption* found = nullptr;
    for (const ReportOption& option : kReportOptions)
      if (std::strcmp(arg, option.Name) == 0) found = &option;
    if (found != nullptr) {
      if (found->Value != nullptr && i + 1 >= argc) {
        std::fprintf(stderr, "orvanta: %s needs %s\n%s", found->Name, found->Value, kUsage);
        return false;
      }
      found->Set(options, found->Value != nullptr ? argv[++i] : nullptr);
    } else if (options.Path == nullptr && arg[0] != '-') {
      options.Path = arg;
    } else {
      std::fprintf(stderr, "orvanta: unexpected \"%s\"\n%s",
                   Printable(QString::fromLocal8Bit(arg)).toLocal8Bit().constData(), kUsage);
      return false;
    }
  }
  if (options.Path == nullptr) {
    std::fprintf(stderr, "orvanta: --report needs a settings file\n%s", kUsage);
    return false;
  }
  return true;
}

// A display platform that cannot start ends Qt with a fatal message; the
// report ends with one line of its own instead of an abort.
void PlatformFailure(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) return;
  const QString first = message.section(QLatin1Char('\n'), 0, 0).trimmed();
  std::fprintf(stderr, "orvanta: the display platform \"%s\" cannot start: %s\n",
               qgetenv("QT_QPA_PLATFORM").constData(), Printable(first).toLocal8Bit().constData());
  std::fflush(stderr);
  std::_Exit(1);
}

// Ends the process with a line when the report takes longer than it can: a
// page may hold the event loop in ways no wait of ours sees.
class Deadline {
 public:
  explicit Deadline(int seconds) {
    thread_ = std::thread([this, seconds] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) return;
      std::fprintf(stderr, "orvanta: the report did not finish within %d s\n", seconds);
      std::fflush(stderr);
      std::_Exit(1);
    });
  }
  ~Deadline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

// Writes all of `text` to standard output; false with errno set otherwise.
bool WriteOut(const QByteArray& text) {
  errno = 0;
  const std::size_t written =
      std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
  return std::fflush(stdout) == 0 && written == static_cast<std::size_t>(text.size()) &&
         std::ferror(stdout) == 0;
}

// A test hook: ORVANTA_REPORT_WAIT_SCALE (above 0, at most 1) shortens the
// report's own waits for the code's delays, so that a row about a long delay
// need not wait it out. The page's timers are not changed.
int Scaled(int ms) {
  static const double scale = [] {
    bool ok = false;
    const double v = qEnvironmentVariable("ORVANTA_REPORT_WAIT_SCALE").toDouble(&ok);
    return ok && v > 0 && v <= 1 ? v : 1.0;
  }();
  return static_cast<int>(ms * scale);
}

constexpr int kLoadWaitMs = 60000;
// What the engine needs beyond the waits the code asks for.
constexpr int kMarginMs = 15000;

// Reads the settings file and checks that its code would run; prints why
// not and returns false otherwise.
bool LoadReportSettings(const char* path, PopupSettings& entries, PopupSettings& code) {
  try {
    LoadSettingsFile(path, entries);
  } catch (const SettingsFileError& e) {
    std::fprintf(stderr, "orvanta: %s\n", e.what());
    return false;
  }
  // Code that would not run would report nothing of use.
  if (const auto tooLong = FindTooLongEntry(entries)) {
    std::fprintf(stderr, "orvanta: %s: [Popup] %s is too long\n", path, tooLong->c_str());
    return false;
  }
  code = ReadPopupSettings(entries);
  if (const auto problem = FindEntryProblem(code)) {
    std::fprintf(stderr, "orvanta: %s: [Popup] %s: %s\n", path, problem->Field.c_str(),
                 DescribeProblem(*problem).c_str());
    return false;
  }
  return true;
}

int ReportInBrowsers(const ReportOptions& options, const PopupSettings& entries, int argc,
                     char* argv[]) {
  QString bad;
  const std::optional<QStringList> browsers =
      ParseBrowserList(QString::fromLocal8Bit(options.Browsers), &bad);
  if (!browsers) {
    std::fprintf(stderr, "orvanta: --browsers: unknown browser \"%s\"; use %s or all\n",
                 Printable(bad).toLocal8Bit().constData(),
                 BrowserNames().join(QStringLiteral(", ")).toLocal8Bit().constData());
    return 2;
  }
  return RunBrowsersReport(options.Path, entries, *browsers, options.Json, argc, argv);
}

// Does in the view what sets the popup off; false when the page has nothing for it.
bool SetOffPopup(FrmMain& window, PreviewBrowser& view, ActivationKind activation) {
  switch (activation) {
    case ActivationKind::PageLoad:
      return true;
    case ActivationKind::PageClose:
      // Leaving the page is its trigger: the next preview does.
      window.showPreview();
      return true;
    case ActivationKind::FormButton:
      return SetOff(view, QStringLiteral("input[type=button]"), true);
    case ActivationKind::MouseOver:
      return SetOff(view, QStringLiteral("a[onmouseover]"), false);
    case ActivationKind::StandardLink:
    case ActivationKind::ImageLink:
      return SetOff(view, QStringLiteral("a[href]"), true);
  }
  return true;
}

// Waits for the popup's facts: its opening, then what is measured of it and
// its closing. `report` is set by the window while this waits. Returns how
// long it waited for the opening.
int WaitForFacts(const PreviewReport* const& report, int delayMs, int closeMs) {
  const auto latest = [&]() -> const PopupFacts* {
    return report != nullptr ? report->Latest() : nullptr;
  };
  const int askWaitMs = Scaled(delayMs + kMarginMs);
  WaitFor([&] { return latest() != nullptr; }, askWaitMs);
  const auto complete = [&] {
    const PopupFacts* f = latest();
    if (f == nullptr || !f->opened || f->end != PopupFacts::End::Open) return true;
    const bool measured = f->inPage ? f->framedLoaded.has_value()
                                    : !f->focus.isEmpty() && !f->bars.empty() &&
                                          f->bars.front().shown && f->pageLoaded.has_value();
    return measured && closeMs == 0;
  };
  WaitFor(complete, Scaled(closeMs + kMarginMs));
  return askWaitMs;
}

// `waited` is said when nothing came: how long the report waited, against
// what the code waits.
int PrintReport(const PreviewReport& result, bool json, const QString& waited, FrmMain& window) {
  QByteArray text;
  if (json) {
    QJsonObject object = result.Json();
    if (result.Latest() == nullptr) object[QStringLiteral("waited")] = waited;
    text = QJsonDocument(object).toJson(QJsonDocument::Indented);
  } else {
    QStringList lines = result.Lines();
    if (result.Latest() == nullptr) lines.insert(1, waited);
    for (const QString& line : lines) text += line.toUtf8() + '\n';
  }
  const bool written = WriteOut(text);
  const int error = errno;
  window.close();
  if (!written) {
    std::fprintf(stderr, "orvanta: the report was not written: %s\n",
                 std::strerror(error != 0 ? error : EIO));
    return 1;
  }
  return 0;
}

// The report of the preview's own engine, in a window no one sees.
int ReportInPreview(const ReportOptions& options, const PopupSettings& entries,
                    const PopupSettings& code, int argc, char* argv[]) {
  // The waits the code itself asks for, as the browser reads its numbers:
  // the repaired texts, clamped as the repair clamps them.
  const auto milliseconds = [](const std::string& seconds) {
    return seconds.empty() ? 0 : static_cast<int>(LeadingNumber(seconds) * 1000.0);
  };
  const int delayMs = milliseconds(code.DelaySeconds);
  const int closeMs = milliseconds(code.CloseSeconds);
  // No window on the screen unless a platform was chosen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  PrepareEngineEnvironment();
  const Deadline deadline((kLoadWaitMs + 10000 + delayMs + closeMs + 2 * kMarginMs) / 1000 + 10);
  const QtMessageHandler previous = qInstallMessageHandler(PlatformFailure);
  QApplication app(argc, argv);
  qInstallMessageHandler(previous);
  QCoreApplication::setApplicationName(QStringLiteral("Orvanta"));
  // Pages of their own: another run writing into the shared work folder
  // meanwhile would put its page into this run's view.
  QTemporaryDir pages;
  if (!pages.isValid()) return Fail("no folder for the test pages could be made");
  FrmMainHooks hooks;
  hooks.programFolder = pages.path();
  hooks.dataFolder = pages.path();
  FrmMain window(hooks);
  window.show();
  int loaded = 0;
  bool loadedOk = false;
  QObject::connect(&window, &FrmMain::previewLoadFinished, &window, [&](int view, bool ok) {
    if (view == 1) {
      ++loaded;
      loadedOk = ok;
    }
  });
  const PreviewReport* report = nullptr;
  QObject::connect(&window, &FrmMain::previewReportChanged, &window,
                   [&](const PreviewReport& r) { report = &r; });

  window.FillScreen(entries);
  window.cmdGo_Click(0);
  if (options.AllowPopups) {
    if (auto* allow = window.findChild<QAbstractButton*>(QStringLiteral("chkAllowPopups")))
      allow->setChecked(true);
  }
  // No one can answer a page's dialog here; the report says which it cancelled.
  window.SetDialogsCancelled(true);
  window.showPreview();
  if (window.browser(0) == nullptr)
    return Fail("the preview is not available in this installation");
  if (!WaitFor([&] { return loaded > 0; }, kLoadWaitMs) || !loadedOk)
    return Fail("the test page did not load");
  if (!SetOffPopup(window, *window.browser(0), entries.Activation))
    return Fail("the test page has nothing to set the popup off");

  const int askWaitMs = WaitForFacts(report, delayMs, closeMs);
  // What a page does not answer within that time it does not answer.
  PreviewReport nothing;
  nothing.Start(code, true);
  const QString waited = QStringLiteral("Waited %1 s after the trigger; the code's delay is %2 s.")
                             .arg(static_cast<double>(askWaitMs) / 1000.0)
                             .arg(static_cast<double>(delayMs) / 1000.0);
  return PrintReport(report != nullptr ? *report : nothing, options.Json, waited, window);
}

}  // namespace

int RunReport(int argc, char* argv[]) {
  ReportOptions options;
  if (!ParseReportOptions(argc, argv, options)) return 2;
  PopupSettings entries;
  PopupSettings code;
  if (!LoadReportSettings(options.Path, entries, code)) return 2;
  if (options.Browsers != nullptr) return ReportInBrowsers(options, entries, argc, argv);
  return ReportInPreview(options, entries, code, argc, argv);
}

}  // namespace orvanta
