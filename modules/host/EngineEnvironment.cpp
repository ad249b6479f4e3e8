#include "modules/host/EngineEnvironment.h"

#include <QLoggingCategory>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern char** environ;

namespace orvanta {

namespace {

QStringList g_userEnvironment;
QtMessageHandler g_outerHandler = nullptr;
QLoggingCategory::CategoryFilter g_outerFilter = nullptr;

// Loading the engine library warns that no OpenGL context is shared from
// start-up. The views draw in software and need none; the advice would load
// the OpenGL driver into every start.
void DropSharedContextAdvice(QtMsgType type, const QMessageLogContext& context,
                             const QString& text) {
  if (type == QtWarningMsg && text.contains(QLatin1String("AA_ShareOpenGLContexts"))) return;
  if (g_outerHandler != nullptr) {
    g_outerHandler(type, context, text);
  } else {
    const QByteArray line = qFormatLogMessage(type, context, text).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
  }
}

// Qt 6.4 logs the format of the shared OpenGL context when the engine starts
// without checking that there is one, and crashes when there is none.
void MuteEngineContextLog(QLoggingCategory* category) {
  if (g_outerFilter != nullptr) g_outerFilter(category);
  if (std::strcmp(category->categoryName(), "qt.webenginecontext") == 0) {
    category->setEnabled(QtDebugMsg, false);
    category->setEnabled(QtInfoMsg, false);
  }
}

bool IsSet(const char* name) { return std::getenv(name) != nullptr; }

}  // namespace

void PrepareEngineEnvironment() {
  if (!g_userEnvironment.isEmpty()) return;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
    g_userEnvironment << QString::fromLocal8Bit(*entry);
  // The engine asks whether OpenGL works, and on X that question alone loads
  // the driver; without an integration the answer is no. Someone who asked
  // for widgets drawn through OpenGL keeps it.
  if (!IsSet("QT_XCB_GL_INTEGRATION") && !IsSet("QT_WIDGETS_RHI"))
    ::setenv("QT_XCB_GL_INTEGRATION", "none", 1);
  // One renderer serves both views and their popups. The zygote for helpers
  // without a sandbox would serve none: the engine runs those in process.
  // Flags the user set come after ours and win.
  const char* userFlags = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
  std::string flags = "--disable-gpu --renderer-process-limit=1 --no-unsandboxed-zygote";
  if (userFlags != nullptr && *userFlags != '\0') flags += std::string(" ") + userFlags;
  ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);
  // The engine sets this itself when it starts, while other threads run;
  // set now, its value is already there and nothing changes later.
  if (!IsSet("force_s3tc_enable")) ::setenv("force_s3tc_enable", "true", 1);
  // Unset, a screen reader finds the views' documents empty.
  if (!IsSet("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
    ::setenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1", 1);

  g_outerHandler = qInstallMessageHandler(DropSharedContextAdvice);
  g_outerFilter = QLoggingCategory::installFilter(MuteEngineContextLog);
}

const QStringList& UserEnvironment() { return g_userEnvironment; }

}  // namespace orvanta
