#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace orvanta::testing {

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

}  // namespace orvanta::testing
