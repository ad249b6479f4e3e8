#include <QApplication>

#include "ui/Appearance.h"
#include "ui/DisplayPlatform.h"
#include "ui/FrmMain.h"
#ifdef ORVANTA_STARTUP_PROBE
#include "bench/ui/StartupProbe.h"
#endif

int main(int argc, char* argv[]) {
  const bool chosePlatform = orvanta::PreferX11InWaylandSession();
  QApplication app(argc, argv);
  if (chosePlatform) qunsetenv("QT_QPA_PLATFORM");
  QCoreApplication::setApplicationName(QStringLiteral("Orvanta"));
  // Ties the window to the installed desktop entry (its name and icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Orvanta"));
  orvanta::UseClassicLook();
  orvanta::FrmMain window;
#ifdef ORVANTA_STARTUP_PROBE
  orvanta::bench::StartupProbe probe(window);
#endif
  window.show();
  return app.exec();
}
