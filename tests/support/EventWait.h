#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>

namespace orvanta::test_support {

// Runs the event loop until `done` holds or the time is up. The browser
// engine does its work through this loop, so the wait must never sleep.
template <class Done>
bool WaitUntil(Done done, int timeoutMs) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  poll.start(1);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

// Returns once the global thread pool is idle and every event posted to this
// thread so far, those of finished tasks included, has been handled, with no
// new task started meanwhile: anything queued before the call has run.
// False on timeout.
inline bool SettlePendingWork(int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  QThreadPool* pool = QThreadPool::globalInstance();
  do {
    const int left = std::max(1, timeoutMs - static_cast<int>(clock.elapsed()));
    if (!pool->waitForDone(left)) return false;
    bool reached = false;
    QObject sentinel;
    QMetaObject::invokeMethod(
        &sentinel, [&reached] { reached = true; }, Qt::QueuedConnection);
    if (!WaitUntil([&reached] { return reached; }, left)) return false;
  } while (pool->activeThreadCount() > 0 && clock.elapsed() < timeoutMs);
  return pool->activeThreadCount() == 0;
}

}  // namespace orvanta::test_support
