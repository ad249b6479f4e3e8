#pragma once

#include <string>
#include <vector>

namespace orvanta::test {

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program with arguments, no shell, and collects both streams. With
// `stdoutTo` its standard output goes to that file instead, or is closed
// for "closed". A run that takes over a minute is ended.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& stdoutTo = "");

}  // namespace orvanta::test
