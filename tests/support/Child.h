#pragma once

// Runs a function in a child process with a time limit: a call that spins
// or blocks is ended by SIGALRM instead of hanging the test.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#if defined(__SANITIZE_ADDRESS__)
#define ORVANTA_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANTA_TEST_ASAN 1
#endif
#endif

namespace orvanta::test_support {

// AddressSanitizer maps terabytes for its shadow memory, so a child limited
// in address space (RLIMIT_AS) fails in the sanitizer, not in the code tested.
#ifdef ORVANTA_TEST_ASAN
inline constexpr bool kAddressLimitsWork = false;
#else
inline constexpr bool kAddressLimitsWork = true;
#endif

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
