#include "preview/webengine/RendererWatchdog.h"

#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <csignal>
#include <memory>
#include <sys/types.h>
#include <utility>

#include "preview/webengine/PageDialogHost.h"

namespace orvanta {

RendererWatchdog::RendererWatchdog(QObject* parent) : QObject(parent) {}

void RendererWatchdog::probe(QWebEnginePage* page, int waitMs, QObject* context,
                             std::function<void()> hung) {
  if (page == nullptr) return;
  auto answered = std::make_shared<bool>(false);
  page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                      [answered](const QVariant&) { *answered = true; });
  QTimer::singleShot(waitMs, context, [answered, hung = std::move(hung)] {
    // A renderer waiting for a dialog's answer runs no script but is fine.
    if (!*answered && !PageDialogHost::anyOpen()) hung();
  });
}

void RendererWatchdog::watchLoad(QWebEnginePage* page, QObject* context,
                                 std::function<bool()> stillWaiting) {
  QPointer<QWebEnginePage> watched(page);
  QPointer<RendererWatchdog> self(this);
  probe(page, kAnswerWaitMs, context, [watched, self, context, stillWaiting] {
    if (watched.isNull() || !stillWaiting()) return;
    probe(watched, kAnswerWaitMs, context, [watched, self, stillWaiting] {
      if (!watched.isNull() && !self.isNull() && stillWaiting()) self->end(watched);
    });
  });
}

void RendererWatchdog::watchLeave(QWebEnginePage* page, QObject* context,
                                  std::function<bool()> stillHidden) {
  QPointer<QWebEnginePage> watched(page);
  QPointer<RendererWatchdog> self(this);
  probe(page, kAnswerWaitMs * 2, context, [watched, self, stillHidden] {
    if (!watched.isNull() && !self.isNull() && stillHidden()) self->end(watched);
  });
}

void RendererWatchdog::end(const QWebEnginePage* page) {
  const qint64 pid = page->renderProcessPid();
  if (pid <= 0 || pid == endedPid_) return;
  endedPid_ = pid;
  emit ending();
  ::kill(static_cast<pid_t>(pid), SIGKILL);
}

}  // namespace orvanta
