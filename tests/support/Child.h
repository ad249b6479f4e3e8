#pragma once

// Runs a function in a child process with a time limit: a call that spins
// or blocks is ended by SIGALRM instead of hanging the test.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace orvanta::test_support {

// The child's exit code, or -1 when it did not exit by itself.
inline int InChild(const std::function<int()>& run, unsigned seconds = 30) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(seconds);
    ::_exit(run());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvanta::test_support
