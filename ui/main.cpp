#include <QApplication>
#include <cstdio>
#include <cstring>

#include "modules/host/EngineEnvironment.h"
#include "orvanta/Version.h"

#include "ui/Appearance.h"
#include "ui/DisplayPlatform.h"
#include "ui/FrmMain.h"
#include "ui/ReportMode.h"
#ifdef ORVANTA_STARTUP_PROBE
#include "ui/PreviewProbe.h"
#include "ui/StartupProbe.h"
#endif

namespace {

// Answered before any display is opened, so that they work on a console.
int PrintOnly(const char* option) {
  if (std::strcmp(option, "--version") == 0) {
    std::printf("orvanta %s\n", orvanta::kVersionText);
    return 0;
  }
  std::printf(
      "Usage: orvanta [--help | --version |\n"
      "                --report SETTINGS_FILE [--browsers LIST] [--json] [--allow-popups]]\n"
      "Opens the window that writes the HTML and JavaScript opening a popup window.\n"
      "For the same from a terminal or a script, see orvanta-cli --help.\n\n"
      "  -h, --help     Print this help and exit\n"
      "      --version  Print the version and exit\n"
      "      --report SETTINGS_FILE\n"
      "                 Preview the popup of a settings file without a window, set\n"
      "                 off its trigger, print what the browser engine did with it\n"
      "      --browsers LIST\n"
      "                 With --report: check in the browsers named (preview, chromium,\n"
      "                 firefox, webkit, or all), one block each\n"
      "      --json     With --report: print the report as JSON\n"
      "      --allow-popups\n"
      "                 With --report: allow popups for the test page, as the\n"
      "                 Preview page's check box does\n");
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0 ||
        std::strcmp(argv[i], "--version") == 0)
      return PrintOnly(argv[i]);
    if (std::strcmp(argv[i], "--report") == 0) return orvanta::RunReport(argc, argv);
  }
  // Before any thread: the environment is not touched again. The browser the
  // program starts gets the user's own, saved here first.
  orvanta::PrepareEngineEnvironment();
  orvanta::PreferX11InWaylandSession();
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Orvanta"));
  // Ties the window to the installed desktop entry (its name and icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Orvanta"));
  orvanta::UseClassicLook();
#ifdef ORVANTA_STARTUP_PROBE
  orvanta::FrmMain window(orvanta::ProbeHooks());
  orvanta::StartupProbe probe(window);
  orvanta::PreviewProbe previewProbe(window);
#else
  orvanta::FrmMain window;
#endif
  window.show();
  return app.exec();
}
