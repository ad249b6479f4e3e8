#include "preview/webengine/EngineSetup.h"

#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace orvanta {

namespace {

const char kFlags[] = "QTWEBENGINE_CHROMIUM_FLAGS";
const char kGlIntegration[] = "QT_XCB_GL_INTEGRATION";

QLoggingCategory::CategoryFilter g_outerFilter = nullptr;

// Qt 6.4 logs the format of the shared OpenGL context when the engine starts
// without checking that there is one, and crashes when there is none.
void MuteEngineContextLog(QLoggingCategory* category) {
  if (g_outerFilter != nullptr) g_outerFilter(category);
  if (qstrcmp(category->categoryName(), "qt.webenginecontext") == 0) {
    category->setEnabled(QtDebugMsg, false);
    category->setEnabled(QtInfoMsg, false);
  }
}

}  // namespace

EngineStart::Saved EngineStart::Save(const char* name) {
  return {name, qEnvironmentVariableIsSet(name), qgetenv(name)};
}

void EngineStart::Restore(const Saved& saved) {
  if (saved.set) {
    qputenv(saved.name, saved.value);
  } else {
    qunsetenv(saved.name);
  }
}

EngineStart::EngineStart() : flags_(Save(kFlags)), glIntegration_(Save(kGlIntegration)) {
  // Two small test-page views need no GPU: Qt Quick's software renderer draws
  // what the engine composited in software, and no OpenGL library is loaded.
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  // The engine asks whether OpenGL works from threads; on X that question
  // alone loads the OpenGL driver. Asking it here first, with no OpenGL
  // integration, settles the answer for the rest of the run.
  if (!glIntegration_.set) qputenv(kGlIntegration, "none");
  static_cast<void>(QOpenGLContext::supportsThreadedOpenGL());
  g_outerFilter = QLoggingCategory::installFilter(MuteEngineContextLog);
  // One renderer serves both views and their popups. The zygote for helpers
  // without a sandbox would serve none: the engine runs those in process.
  // Flags the user set come after ours and win.
  qputenv(kFlags, "--disable-gpu --renderer-process-limit=1 --no-unsandboxed-zygote " +
                      flags_.value);
}

EngineStart::~EngineStart() {
  QLoggingCategory::installFilter(g_outerFilter);
  Restore(flags_);
  Restore(glIntegration_);
}

}  // namespace orvanta
