// The floor for the preview's memory: a program with two Qt WebEngine views
// that loads the two test pages given to it, with the engine set up as the
// program sets it up. Prints "loaded MS" once both finished loading, then
// stays until standard input closes.
#include <QApplication>
#include <QElapsedTimer>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSocketNotifier>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QWidget>
#include <cstdio>
#include <unistd.h>

#include "modules/host/EngineEnvironment.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: minimal_preview PAGE LINK-PAGE\n");
    return 2;
  }
  orvanta::PrepareEngineEnvironment();
  QApplication app(argc, argv);
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  QElapsedTimer timer;
  timer.start();
  QWebEngineProfile profile;  // off the record, as the program's
  QWidget window;
  window.resize(504, 484);
  auto* layout = new QVBoxLayout(&window);
  int loaded = 0;
  for (int i = 1; i <= 2; ++i) {
    auto* view = new QWebEngineView(&window);
    view->setPage(new QWebEnginePage(&profile, view));
    layout->addWidget(view, i == 1 ? 4 : 1);
    QObject::connect(view, &QWebEngineView::loadFinished, [&](bool) {
      if (++loaded == 2) {
        std::printf("loaded %.3f\n", static_cast<double>(timer.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
      }
    });
    view->load(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i])));
  }
  window.show();
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char byte = 0;
    if (::read(STDIN_FILENO, &byte, 1) <= 0) QApplication::quit();
  });
  return app.exec();
}
