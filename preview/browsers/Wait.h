#pragma once

#include <atomic>
#include <functional>

namespace orvanta::browsers {

// Runs this thread's event loop until `done`, `ms` pass or `cancel` is set;
// returns `done()`.
bool WaitUntil(const std::function<bool()>& done, int ms, const std::atomic_bool& cancel);

// Runs the event loop for `ms`, or less when cancelled.
void Pause(int ms, const std::atomic_bool& cancel);

}  // namespace orvanta::browsers
