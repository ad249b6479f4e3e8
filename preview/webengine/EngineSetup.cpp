#include "preview/webengine/EngineSetup.h"

#include <QOpenGLContext>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace orvanta {

void PrepareEngineStart() {
  // Two small test-page views need no GPU: Qt Quick's software renderer draws
  // what the engine composited in software, and no OpenGL library is loaded.
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  // The engine asks whether OpenGL works from its threads; asking here first,
  // on this thread, settles the answer for the rest of the run.
  static_cast<void>(QOpenGLContext::supportsThreadedOpenGL());
}

}  // namespace orvanta
