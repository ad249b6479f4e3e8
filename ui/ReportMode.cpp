#include "ui/ReportMode.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMouseEvent>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

#include "core/EntryRule.h"
#include "core/PopupSettings.h"
#include "modules/host/EngineEnvironment.h"
#include "modules/host/PreviewPlugin.h"
#include "settings/SettingsFile.h"
#include "ui/BrowsersMode.h"
#include "ui/FrmMain.h"

namespace orvanta {

namespace {

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

int Seconds(const std::string& text) {
  try {
    return text.empty() ? 0 : std::stoi(text);
  } catch (...) {
    return 0;
  }
}

// The widget of a view that takes the page's mouse input.
QWidget* InputTarget(PreviewBrowser& browser) {
  QWidget* target = browser.widget();
  while (target->focusProxy() != nullptr && target->focusProxy() != target)
    target = target->focusProxy();
  return target;
}

void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button)
                                                                 : Qt::MouseButtons();
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

}  // namespace

int RunReport(int argc, char* argv[], int first) {
  const char* path = nullptr;
  bool json = false;
  std::optional<QStringList> browsers;
  for (int i = first; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else if (std::strcmp(argv[i], "--browsers") == 0 && i + 1 < argc) {
      QString bad;
      browsers = ParseBrowserList(QString::fromLocal8Bit(argv[++i]), &bad);
      if (!browsers) {
        std::fprintf(stderr, "orvanta: --browsers: unknown browser \"%s\"; use %s or all\n",
                     bad.toUtf8().constData(),
                     BrowserNames().join(QStringLiteral(", ")).toUtf8().constData());
        return 2;
      }
    } else if (path == nullptr && argv[i][0] != '-') {
      path = argv[i];
    } else {
      std::fprintf(stderr,
                   "orvanta: unexpected \"%s\"\nUsage: orvanta --report SETTINGS_FILE [--browsers "
                   "LIST] [--json]\n",
                   argv[i]);
      return 2;
    }
  }
  if (path == nullptr) {
    std::fprintf(stderr, "orvanta: --report needs a settings file\n"
                         "Usage: orvanta --report SETTINGS_FILE [--json]\n");
    return 2;
  }
  PopupSettings entries;
  try {
    LoadSettingsFile(path, entries);
  } catch (const SettingsFileError& e) {
    std::fprintf(stderr, "orvanta: %s\n", e.what());
    return 2;
  }
  // Code that would not run would report nothing of use.
  if (const auto tooLong = FindTooLongEntry(entries)) {
    std::fprintf(stderr, "orvanta: %s: [Popup] %s is too long\n", path, tooLong->c_str());
    return 2;
  }
  if (const auto problem = FindEntryProblem(ReadPopupSettings(entries))) {
    std::fprintf(stderr, "orvanta: %s: [Popup] %s: %s\n", path, problem->Field.c_str(),
                 DescribeProblem(*problem).c_str());
    return 2;
  }

  if (browsers) return RunBrowsersReport(path, entries, *browsers, json, argc, argv);

  // No window on the screen unless a platform was chosen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  PrepareEngineEnvironment();
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Orvanta"));
  FrmMain window;
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
  window.SelectTab(3);
  if (window.browser(0) == nullptr) return Fail("the preview is not available in this installation");
  if (!WaitFor([&] { return loaded > 0; }, 60000) || !loadedOk)
    return Fail("the test page did not load");

  PreviewBrowser& view = *window.browser(0);
  bool setOff = true;
  switch (entries.Activation) {
    case ActivationKind::PageLoad:
      break;
    case ActivationKind::PageClose:
      // Leaving the page is its trigger: the next preview does.
      window.SelectTab(3);
      break;
    case ActivationKind::FormButton:
      setOff = SetOff(view, QStringLiteral("input[type=button]"), true);
      break;
    case ActivationKind::MouseOver:
      setOff = SetOff(view, QStringLiteral("a[onmouseover]"), false);
      break;
    case ActivationKind::StandardLink:
    case ActivationKind::ImageLink:
      setOff = SetOff(view, QStringLiteral("a[href]"), true);
      break;
  }
  if (!setOff) return Fail("the test page has nothing to set the popup off");

  const int delayMs = Seconds(entries.DelaySeconds) * 1000;
  const int closeMs = Seconds(entries.CloseSeconds) * 1000;
  const auto latest = [&]() -> const PopupFacts* {
    return report != nullptr ? report->Latest() : nullptr;
  };
  WaitFor([&] { return latest() != nullptr; }, delayMs + 15000);
  const auto complete = [&] {
    const PopupFacts* f = latest();
    if (f == nullptr || !f->opened || f->end != PopupFacts::End::Open) return true;
    const bool measured = !f->focus.isEmpty() && !f->bars.empty() && f->bars.front().shown;
    return measured && closeMs == 0;
  };
  WaitFor(complete, closeMs + 15000);
  // What a page does not answer within that time it does not answer.
  static const PreviewReport empty;
  const PreviewReport& result = report != nullptr ? *report : empty;
  if (json) {
    std::fputs(QJsonDocument(result.Json()).toJson(QJsonDocument::Indented).constData(), stdout);
  } else {
    for (const QString& line : result.Lines()) std::printf("%s\n", line.toUtf8().constData());
  }
  std::fflush(stdout);
  window.close();
  return 0;
}

}  // namespace orvanta
