// Seconds per engine for one check, and the window's memory (PSS of the
// program itself; the engines are processes of their own) before, during and
// after "Check in Browsers", as ratios against the window before the check.

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "bench/ui/ProcessMemory.h"
#include "preview/browsers/Engines.h"
#include "preview/browsers/PageServer.h"
#include "preview/browsers/Wait.h"
#include "ui/BrowserCheckWindow.h"
#include "ui/BrowsersMode.h"
#include "ui/FrmMain.h"

using namespace orvanta;

namespace {

// Pages of this process alone: unlike PSS, not moved by other programs
// sharing the same libraries at the same time.
long PrivateKb() {
  long kb = 0;
  for (const QByteArray& line :
       bench::ReadProcFile(static_cast<int>(::getpid()), "smaps_rollup").split('\n'))
    if (line.startsWith("Private_"))
      kb += line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toLong();
  return kb;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::atomic_bool never{false};
  browsers::PageServer popups;
  popups.Listen();
  popups.Serve(QStringLiteral("/pop.htm"), "text/html", "<!DOCTYPE html><title>Popup</title>");

  PopupSettings entries;
  entries.PageUrl = popups.Url(QStringLiteral("/pop.htm")).toStdString();
  entries.Width = "400";
  entries.Height = "300";
  entries.CloseSeconds = "2";
  const Generation generated = GeneratePopupCode(ReadPopupSettings(entries));
  const browsers::CheckPage page = CheckPageFor(generated.Settings, generated.Code.PopupCode);
  const double own = (page.DelayMs + page.CloseMs) / 1000.0;

  std::printf("%-10s %9s %16s %12s\n", "engine", "seconds", "beyond popup's", "of 10 s");
  for (const auto& engine : browsers::KnownEngines()) {
    if (!browsers::FindEngine(engine.Name)) {
      std::printf("%-10s not installed (%s)\n", qPrintable(engine.Name),
                  qPrintable(engine.Package));
      continue;
    }
    const browsers::EngineResult r = browsers::CheckEngine(
        engine.Name, page, [](const QString&) {}, never);
    std::printf("%-10s %9.2f %16.2f %11.2fx  (%s)\n", qPrintable(engine.Name), r.Seconds,
                r.Seconds - own, (r.Seconds - own) / 10.0, qPrintable(r.Verdict));
  }

  FrmMain window;
  window.FillScreen(entries);
  window.cmdGo_Click(0);
  window.show();
  browsers::Pause(1000, never);
  const long before = bench::PssKb(static_cast<int>(::getpid()));
  const long privateBefore = PrivateKb();
  long privateDuring = 0;
  window.CheckInBrowsers();
  auto* check = window.findChild<BrowserCheckWindow*>();
  long during = 0;
  QElapsedTimer clock;
  clock.start();
  browsers::WaitUntil(
      [&] {
        during = std::max(during, bench::PssKb(static_cast<int>(::getpid())));
        privateDuring = std::max(privateDuring, PrivateKb());
        return !check->Running();
      },
      300000, never);
  const double total = static_cast<double>(clock.elapsed()) / 1000.0;
  browsers::Pause(1000, never);
  const long after = bench::PssKb(static_cast<int>(::getpid()));
  const long privateAfter = PrivateKb();
  std::printf(
      "window PSS before %ld kB; during the check (peak) %ld kB = %.3fx; after %ld kB = "
      "%.3fx; whole check in the window %.1f s\n",
      before, during, static_cast<double>(during) / static_cast<double>(before), after,
      static_cast<double>(after) / static_cast<double>(before), total);
  std::printf(
      "window private memory before %ld kB; during (peak) %ld kB = %.3fx; after %ld kB = %.3fx\n",
      privateBefore, privateDuring,
      static_cast<double>(privateDuring) / static_cast<double>(privateBefore), privateAfter,
      static_cast<double>(privateAfter) / static_cast<double>(privateBefore));
  if (argc > 1 && QByteArray(argv[1]) == "--mappings") {
    // Where the memory that stayed is, by mapping, largest first.
    std::map<QString, long> byName;
    QString name;
    for (const QByteArray& line :
         bench::ReadProcFile(static_cast<int>(::getpid()), "smaps").split('\n')) {
      if (line.startsWith("Pss:")) {
        byName[name] += line.mid(4).trimmed().split(' ').value(0).toLong();
      } else if (!line.isEmpty() && QChar::fromLatin1(line[0]).isLetterOrNumber() &&
                 line.contains('-') && !line.contains(':') == false) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() >= 5 && parts[0].contains('-'))
          name = QString::fromLatin1(parts.value(5, "[anon]"));
      }
    }
    std::vector<std::pair<long, QString>> sorted;
    for (const auto& [n, kb] : byName) sorted.emplace_back(kb, n);
    std::sort(sorted.rbegin(), sorted.rend());
    for (size_t i = 0; i < sorted.size() && i < 12; ++i)
      std::printf("  %8ld kB %s\n", sorted[i].first, qPrintable(sorted[i].second));
  }
  return 0;
}
