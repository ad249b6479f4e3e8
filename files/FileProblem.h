#pragma once

#include <string>

namespace orvanta::files {

// Why a file could not be read or written: the errno value behind it, and
// one line for the user (the system's message, or our own where the system
// has none that fits).
struct FileProblem {
  int Code = 0;
  std::string Reason;
};

// The system's message for an errno value.
FileProblem SystemProblem(int code);

}  // namespace orvanta::files
