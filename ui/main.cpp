#include <QApplication>

#include "ui/Appearance.h"
#include "ui/BenchProbe.h"
#include "ui/DisplayPlatform.h"
#include "ui/FrmMain.h"

int main(int argc, char* argv[]) {
  // The preview module brings Qt WebEngine in after start-up; it needs this
  // before the application object exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  const bool chosePlatform = orvanta::PreferX11InWaylandSession();
  QApplication app(argc, argv);
  if (chosePlatform) qunsetenv("QT_QPA_PLATFORM");
  QCoreApplication::setApplicationName(QStringLiteral("Orvanta"));
  // Ties the window to the installed desktop entry (its name and icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Orvanta"));
  orvanta::UseClassicLook();
  orvanta::FrmMain window;
  orvanta::bench::StartupProbe probe(window);
  window.show();
  return app.exec();
}
