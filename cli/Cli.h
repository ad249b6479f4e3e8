#pragma once

#include <iosfwd>

namespace orvanta {

// The whole command line: returns the process exit code. Writes the result
// to `out` and any message to `err`.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace orvanta
