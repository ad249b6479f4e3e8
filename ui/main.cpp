#include <QApplication>

#include "ui/Appearance.h"
#include "ui/BenchProbe.h"
#include "ui/FrmMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Orvanta"));
  // Ties the window to the installed desktop entry (its name and icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Orvanta"));
  orvanta::UseClassicLook();
  orvanta::FrmMain window;
  orvanta::bench::StartupProbe probe(window);
  window.show();
  return app.exec();
}
