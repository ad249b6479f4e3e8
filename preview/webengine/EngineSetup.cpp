#include "preview/webengine/EngineSetup.h"

#include <QOpenGLContext>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace orvanta {

void PrepareEngineStart() {
  // Once per run: a profile made again after a release finds it all settled.
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  // Two small test-page views need no GPU: Qt Quick's software renderer draws
  // what the engine composited in software, and no OpenGL library is loaded.
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  // The engine asks whether OpenGL works from its threads; asking here first,
  // on this thread, settles the answer for the rest of the run.
  static_cast<void>(QOpenGLContext::supportsThreadedOpenGL());
}

}  // namespace orvanta
