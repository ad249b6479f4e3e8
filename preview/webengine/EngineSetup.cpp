#include "preview/webengine/EngineSetup.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace orvanta {

namespace {

QLoggingCategory::CategoryFilter g_previousFilter = nullptr;

// Qt 6.4 logs the format of the shared OpenGL context when the engine starts
// without checking that there is one, and crashes when there is none.
void MuteEngineContextLog(QLoggingCategory* category) {
  if (g_previousFilter != nullptr) g_previousFilter(category);
  if (qstrcmp(category->categoryName(), "qt.webenginecontext") == 0) {
    category->setEnabled(QtDebugMsg, false);
    category->setEnabled(QtInfoMsg, false);
  }
}

}  // namespace

void PrepareEngine() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  // Two small test-page views need no GPU: Qt Quick's software renderer draws
  // what the engine composited in software, so no OpenGL library is loaded.
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  // The engine asks the platform whether OpenGL works from threads; on X that
  // question alone loads the OpenGL driver. No window of ours uses OpenGL.
  if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
    qputenv("QT_XCB_GL_INTEGRATION", "none");
  g_previousFilter = QLoggingCategory::installFilter(MuteEngineContextLog);
  // One renderer serves both views and their popups. The zygote for helpers
  // without a sandbox would serve none here: the engine runs those in process.
  // Flags the user set come after ours and win.
  const QByteArray userFlags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
          "--disable-gpu --renderer-process-limit=1 --no-unsandboxed-zygote " + userFlags);
}

}  // namespace orvanta
