#pragma once

#include <string>
#include <vector>

namespace orvanta::test {

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program with arguments, no shell, and collects both streams.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args);

}  // namespace orvanta::test
