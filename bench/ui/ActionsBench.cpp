// The main window's commands, timed in one process: "Generate Code" from the
// click to the painted code box, and "Preview" until both views have loaded;
// then the memory the program and the engine's processes hold after the first
// Preview.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

#include "bench/ui/ProcessMemory.h"
#include "modules/host/EngineEnvironment.h"
#include "tests/support/EventWait.h"
#include "ui/Appearance.h"
#include "ui/FrmMain.h"
#include "ui/StartupProbe.h"

namespace {

using orvanta::test_support::WaitUntil;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Percentile95(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, values.size() * 95 / 100)];
}

void Report(const char* what, double ms, double target) {
  std::printf("%-34s %9.2f ms   target <= %6.0f ms   ratio %.3f\n", what, ms, target, ms / target);
}

void ReportMemory() {
  const auto processes = orvanta::bench::ProcessTreePss(static_cast<int>(getpid()));
  long totalKb = 0;
  long rendererPrivateKb = 0;
  for (const auto& process : processes) {
    totalKb += process.kb;
    if (process.role == QLatin1String("renderer"))
      rendererPrivateKb += orvanta::bench::PrivateKb(process.pid);
  }
  const double totalMb = static_cast<double>(totalKb) / 1024;
  std::printf("%-34s %9.1f MB   target <= %6.0f MB   ratio %.3f\n", "PSS after first Preview, all",
              totalMb, 160.0, totalMb / 160);
  for (const auto& process : processes) {
    std::printf("    %9.1f MB  %s\n", static_cast<double>(process.kb) / 1024,
                qPrintable(process.role));
  }
  std::printf("%-34s %9.1f MB\n", "private after first Preview, renderer",
              static_cast<double>(rendererPrivateKb) / 1024);
  const QStringList openGl = orvanta::MappedOpenGlLibraries();
  std::printf("    OpenGL libraries in the program: %s\n",
              openGl.isEmpty() ? "none" : qPrintable(openGl.join(QLatin1Char(','))));
  const int others = orvanta::bench::OthersMapping(processes, "libQt6WebEngineCore");
  if (others > 0) {
    std::printf(
        "    (low: %d other processes share the engine library's pages; measure on a"
        " quiet machine)\n",
        others);
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  if (getuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  orvanta::PrepareEngineEnvironment();
  QApplication app(argc, argv);
  orvanta::UseClassicLook();
  std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

  QTemporaryDir temp;
  orvanta::FrmMainHooks hooks;
  hooks.programFolder = temp.path();
  hooks.dataFolder = temp.filePath(QStringLiteral("data"));
#ifdef ORVANTA_BENCH_PLUGIN_DIR
  hooks.pluginFolders << QStringLiteral(ORVANTA_BENCH_PLUGIN_DIR);
#endif
  hooks.shellOpen = [](const QUrl&) {};
  orvanta::FrmMain window(hooks);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  auto* tabs = window.findChild<QTabBar*>(QStringLiteral("tbsOptions"));
  auto* generate = window.findChild<QPushButton*>(QStringLiteral("cmdGo_0"));
  auto* delay = window.findChild<QLineEdit*>(QStringLiteral("txtDelay_0"));
  window.findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QStringLiteral("openIt"));
  window.findChild<QLineEdit*>(QStringLiteral("txtPixels_0"))->setText(QStringLiteral("400"));
  window.findChild<QRadioButton*>(QStringLiteral("OptWin_2"))->setChecked(true);
  const auto clickTab = [&](int index) {
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(index).center());
  };

  std::vector<double> generateMs;
  for (int round = 0; round < 200; ++round) {
    clickTab(0);
    delay->setText(QString::number(round % 2 == 0 ? 5 : 6));  // a new text each time
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(generate, Qt::LeftButton);
    QApplication::processEvents();  // the page switch and the box get painted
    generateMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  Report("Generate Code, median", Median(generateMs), 16);
  Report("Generate Code, 95th percentile", Percentile95(generateMs), 16);

  // With ORVANTA_BENCH_POPUP each Preview also opens a popup, on Page Load,
  // which takes popups allowed for the test page.
  if (!qEnvironmentVariableIsEmpty("ORVANTA_BENCH_POPUP")) {
    clickTab(0);
    window.findChild<QRadioButton*>(QStringLiteral("OptAction_1"))->setChecked(true);
    window.findChild<QAbstractButton*>(QStringLiteral("chkAllowPopups"))->setChecked(true);
    QTest::mouseClick(generate, Qt::LeftButton);
  }
  int loaded = 0;
  QObject::connect(&window, &orvanta::FrmMain::previewLoadFinished, [&](int, bool) { ++loaded; });
  const auto preview = [&]() -> double {
    clickTab(0);
    QApplication::processEvents();
    loaded = 0;
    QElapsedTimer timer;
    timer.start();
    clickTab(2);
    if (!WaitUntil([&] { return loaded >= 2; }, 60000)) return -1;
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
  };
  const double first = preview();
  if (first < 0) {
    std::printf("Preview: the views did not load (is the preview module built?)\n");
    return 1;
  }
  Report("first Preview, both views loaded", first, 1500);
  WaitUntil([] { return false; }, 1000);  // the engine settles, as a user would look
  ReportMemory();
  std::vector<double> later;
  for (int round = 0; round < 10; ++round) later.push_back(preview());
  WaitUntil([] { return false; }, 1000);
  // What each load leaves behind in the renderer shows here.
  long rendererPrivateKb = 0;
  for (const auto& process : orvanta::bench::ProcessTreePss(static_cast<int>(getpid())))
    if (process.role == QLatin1String("renderer"))
      rendererPrivateKb += orvanta::bench::PrivateKb(process.pid);
  std::printf("%-34s %9.1f MB\n", "private after 11 Previews, renderer",
              static_cast<double>(rendererPrivateKb) / 1024);
  Report("later Preview, median", Median(later), 300);
  Report("later Preview, slowest", *std::max_element(later.begin(), later.end()), 300);
  return 0;
}
