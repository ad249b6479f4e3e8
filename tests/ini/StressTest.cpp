#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ini/CDS_CIni.h"
#include "tests/support/TempFolder.h"

extern char** environ;

namespace orvanta {
namespace {

using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

pid_t Spawn(std::vector<std::string> args) {
  args.insert(args.begin(), ORVANTA_INI_HELPER);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

// The child's wait status; -1 when it is no child of ours or has not ended
// within `limit`, and then it is killed.
int WaitFor(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(120)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == pid) return status;
    if (ended < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

long Number(const std::string& value) { return std::strtol(value.c_str(), nullptr, 10); }

const std::string kHead = "; written by the crash test\r\n[Keep]\r\nthis = stays\r\n\r\n";

struct Rounds {
  long State = 0;
  long Tail = 0;
};

// The state after a kill: [Keep] as it was, every [State] value the same
// round, no round going back, [Tail] never ahead of [State].
Rounds CheckConsistent(const std::string& path, const Rounds& previous) {
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.substr(0, kHead.size()), kHead);
  CDS_CIni ini;
  ini.FileName(path);
  std::vector<std::string> keys;
  std::vector<std::string> values;
  if (!ini.ReadSection("State", keys, values)) {
    EXPECT_EQ(previous.State, 0) << "[State] went missing";
    return previous;
  }
  EXPECT_EQ(keys.size(), 40u);
  const long round = Number(values.front());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(keys[i], "k" + std::to_string(i));
    EXPECT_EQ(values[i], values.front()) << "torn [State] at key " << i;
  }
  EXPECT_GE(round, previous.State);
  std::string tailText;
  const long tail = ini.ReadValue("Tail", "n", tailText) ? Number(tailText) : 0;
  EXPECT_GE(tail, previous.Tail);
  EXPECT_LE(tail, round);
  return {round, tail};
}

TEST(IniStressTest, KilledWriterLeavesOldOrNewFile) {
  TempFolder folder;
  const std::string path = folder.File("crash.ini");
  WriteBytes(path, kHead);
  // Time a few rounds on this machine first, so that the kills fall before,
  // inside and after the first few rounds of each writer however fast the
  // disk is.
  const auto start = std::chrono::steady_clock::now();
  const pid_t timed = Spawn({"crash", path});
  ASSERT_GT(timed, 0);
  bool timedDone = false;
  while (!timedDone && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
    CDS_CIni ini;
    ini.FileName(path);
    std::string tail;
    timedDone = ini.ReadValue("Tail", "n", tail) && Number(tail) >= 5;
    if (!timedDone) std::this_thread::yield();
  }
  ::kill(timed, SIGKILL);
  const auto timedUs = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
  ASSERT_NE(WaitFor(timed), -1) << "the timed writer did not end";
  Rounds rounds = CheckConsistent(path, {});
  ASSERT_TRUE(timedDone) << "not five rounds in 60 s";
  const auto roundUs = static_cast<int>(timedUs / rounds.State);
  const int windowUs = std::min(2000 + 4 * roundUs, 200000);

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed) + ", window " + std::to_string(windowUs) + " us");
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayUs(0, windowUs);
  const Rounds timedRounds = rounds;
  for (int kill = 0; kill < 200 && !HasFailure(); ++kill) {
    const pid_t child = Spawn({"crash", path});
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ::kill(child, SIGKILL);
    const int status = WaitFor(child);
    ASSERT_NE(status, -1) << "the writer did not end";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << status;
    rounds = CheckConsistent(path, rounds);
  }
  // Both kinds of write did complete between kills.
  EXPECT_GT(rounds.State, timedRounds.State + 10);
  EXPECT_GT(rounds.Tail, timedRounds.Tail + 10);
  // A killed writer's temporary file goes with the next write.
  EXPECT_LE(test_support::FilesIn(folder.Path()), 2u);
  CDS_CIni ini;
  ini.FileName(path);
  ASSERT_TRUE(ini.WriteValue("Tail", "n", std::to_string(rounds.State)));
  EXPECT_EQ(test_support::FilesIn(folder.Path()), 1u);
}

TEST(IniStressTest, KilledFirstSaveLeavesNoFileOrAWholeOne) {
  TempFolder folder;
  const std::string path = folder.File("new.ini");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(WaitFor(Spawn({"create", path})), 0);
  const auto saveUs = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed) + ", save " + std::to_string(saveUs) + " us");
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> delayUs(0, 2 * saveUs);
  CDS_CIni ini;
  ini.FileName(path);
  for (int kill = 0; kill < 300 && !HasFailure(); ++kill) {
    ::unlink(path.c_str());
    const pid_t child = Spawn({"create", path});
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ::kill(child, SIGKILL);
    WaitFor(child);
    if (!test_support::Exists(path)) continue;
    std::vector<std::string> keys;
    std::vector<std::string> values;
    ASSERT_TRUE(ini.ReadSection("State", keys, values)) << "an empty or partial first save";
    EXPECT_EQ(values.size(), 40u);
    EXPECT_EQ(values.back(), values.front());
  }
  ASSERT_TRUE(ini.WriteValue("Tail", "n", "1"));
  EXPECT_EQ(test_support::FilesIn(folder.Path()), 1u) << "temporary files left behind";
}

TEST(IniStressTest, ConcurrentWritersLoseNoKey) {
  TempFolder folder;
  const std::string path = folder.File("shared.ini");
  constexpr int kWriters = 8;
  constexpr int kKeys = 100;
  std::vector<pid_t> children;
  for (int id = 0; id < kWriters; ++id) {
    children.push_back(Spawn({"write", path, std::to_string(id), std::to_string(kKeys)}));
    ASSERT_GT(children.back(), 0);
  }
  for (pid_t child : children) {
    const int status = WaitFor(child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  CDS_CIni ini;
  ini.FileName(path);
  std::vector<std::string> keys;
  std::vector<std::string> values;
  ASSERT_TRUE(ini.ReadSection("Keys", keys, values));
  EXPECT_EQ(keys.size(), static_cast<std::size_t>(kWriters * kKeys));
  for (int id = 0; id < kWriters; ++id) {
    for (int j = 0; j < kKeys; ++j) {
      std::string value;
      const std::string key = "p" + std::to_string(id) + "k" + std::to_string(j);
      EXPECT_TRUE(ini.ReadValue("Keys", key, value)) << key;
      EXPECT_EQ(value, std::to_string(id) + ":" + std::to_string(j));
    }
  }
  EXPECT_EQ(test_support::FilesIn(folder.Path()), 1u) << "temporary files left behind";
}

}  // namespace
}  // namespace orvanta
