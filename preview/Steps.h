#pragma once

#include <utility>

namespace orvanta {

// The command handlers carry on after a failed step without telling the
// user: each step runs on its own and whatever it throws is dropped.
template <class Step>
void RunStep(Step&& step) noexcept {
  try {
    std::forward<Step>(step)();
  } catch (...) {
  }
}

}  // namespace orvanta
