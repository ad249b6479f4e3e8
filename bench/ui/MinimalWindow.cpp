// The floor for the start-up figures: a Qt Widgets program that shows one
// window of the main window's size with one line of text, as every window
// with a caption has (drawing text is what loads the font database).
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include "ui/StartupProbe.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Minimal"));
  window.setFixedSize(504, 484);
  QLabel label(QStringLiteral("Minimal window"), &window);
  label.move(20, 20);
  orvanta::StartupProbe probe(window);
  window.show();
  return app.exec();
}
