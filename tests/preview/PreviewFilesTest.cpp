#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "preview/ServedFiles.h"
#include "preview/TestPages.h"
#include "preview/TextFile.h"
#include "preview/WorkFolder.h"
#include "tests/support/Child.h"
#include "tests/support/TempFolder.h"

namespace orvanta {
namespace {

using test_support::ReadBytes;

// The tests below build paths as folder + name.
class TempDir : public test_support::TempFolder {
 public:
  std::string path() const { return Path() + "/"; }
};

TEST(Utf8ToWindows1252, MapsTheCodePage) {
  struct Case {
    const char* utf8;
    const char* bytes;
  } cases[] = {
      {"plain ASCII\r\n", "plain ASCII\r\n"},
      {"\xE2\x82\xAC", "\x80"},              // euro sign
      {"\xE2\x80\x9A\xC6\x92", "\x82\x83"},  // low quote, f with hook
      {"\xE2\x80\xA2", "\x95"},              // bullet
      {"\xC5\xB8", "\x9F"},                  // Y with diaeresis
      {"\xC2\xA0\xC3\xA9\xC3\xBF", "\xA0\xE9\xFF"},
      {"\xE2\x9C\x93", "?"},      // check mark
      {"\xC2\x81", "?"},          // C1 control the code page lacks
      {"\xF0\x9F\x98\x80", "?"},  // outside the BMP
      {"a\xFF"
       "b",
       "a?b"},             // malformed UTF-8
      {"\xE2\x82", "??"},  // truncated sequence
      {"\xC0\xAF", "??"},  // overlong
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToWindows1252(c.utf8), c.bytes) << c.utf8;
}

TEST(WriteTextFile, WritesTextAndCrLf) {
  TempDir dir;
  const std::string path = dir.path() + "page.htm";
  struct Case {
    std::string text;
    std::string bytes;
  } cases[] = {
      {"", "\r\n"},
      {"abc", "abc\r\n"},
      {"line\r\n", "line\r\n\r\n"},
      {"\xE2\x82\xAC 5", "\x80 5\r\n"},
      {"ok \xE2\x9C\x93", "ok ?\r\n"},
  };
  for (const auto& c : cases) {
    WriteTextFile(c.text, path);
    EXPECT_EQ(ReadBytes(path), c.bytes) << c.text;
  }
}

TEST(WriteTextFile, ShorterTextReplacesLongerFileWhole) {
  TempDir dir;
  const std::string path = dir.path() + "page.htm";
  WriteTextFile(std::string(5000, 'x'), path);
  WriteTextFile("short", path);
  EXPECT_EQ(ReadBytes(path), "short\r\n");
}

TEST(WriteTextFile, KeepsTheFilesPermissions) {
  TempDir dir;
  const std::string path = dir.path() + "page.htm";
  WriteTextFile("a", path);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  WriteTextFile("b", path);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(WriteTextFile, FailureNamesThePathAndLeavesNoTrace) {
  TempDir dir;
  const std::string missing = dir.path() + "no/such/folder/page.htm";
  try {
    WriteTextFile("x", missing);
    FAIL() << "no exception";
  } catch (const FileWriteError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos);
  }
  // A folder in the way of the file: the write fails, the folder stays.
  const std::string blocked = dir.path() + "blocked";
  ASSERT_EQ(mkdir(blocked.c_str(), 0755), 0);
  EXPECT_THROW(WriteTextFile("x", blocked), FileWriteError);
  struct stat st {};
  ASSERT_EQ(stat(blocked.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_TRUE(std::filesystem::is_empty(blocked));
}

TEST(TestPages, LinkPageWrapsTheLinkCode) {
  EXPECT_EQ(LinkTestPageText(""),
            "<html><head><title>Popup Test Page</title></head><body></body></html>");
  EXPECT_EQ(LinkTestPageText("<a>x</a>\r\n"),
            "<html><head><title>Popup Test Page</title></head><body><a>x</a>\r\n</body></html>");
}

TEST(TestPages, WritesBothPagesAndThePicture) {
  TempDir dir;
  WriteTestPages(dir.path(), "code\r\n", "");
  EXPECT_EQ(ReadBytes(dir.path() + kTestPageName), "code\r\n\r\n");
  EXPECT_EQ(ReadBytes(dir.path() + kLinkTestPageName),
            "<html><head><title>Popup Test Page</title></head><body></body></html>\r\n");
  const std::string gif = ReadBytes(dir.path() + kGoButtonName);
  ASSERT_GE(gif.size(), 10u);
  EXPECT_EQ(gif.substr(0, 4), "GIF8");
  // Logical screen size, little-endian: 24 x 24.
  EXPECT_EQ(static_cast<unsigned char>(gif[6]), 24);
  EXPECT_EQ(static_cast<unsigned char>(gif[8]), 24);
  EXPECT_EQ(gif, std::string(GoButtonGif()));

  // A picture the user put there is left alone.
  std::ofstream(dir.path() + kGoButtonName, std::ios::binary) << "mine";
  EnsureGoButton(dir.path());
  EXPECT_EQ(ReadBytes(dir.path() + kGoButtonName), "mine");
}

// The program's folder only in its build tree; anywhere else, a writable
// folder (~/.local/bin) included, a private folder of this instance's own.
TEST(WorkFolder, ProgramFolderOnlyInTheBuildTree) {
  TempDir temp;
  const std::string data = temp.path() + "share/orvanta";
  const std::string own = data + "/work-";
  const struct {
    const char* name;
    std::string program;
    bool built;  // a CMakeCache.txt above it
    bool programUsed;
  } cases[] = {
      {"BuildTree", temp.path() + "build/ui", true, true},
      {"BuildTreeSpelledOddly", temp.path() + "build/ui/./", true, true},
      {"WritableUserFolder", temp.path() + "home/.local/bin", false, false},
      {"ReadOnlyFolder", "/proc", false, false},
      {"SystemFolder", "/usr/bin", false, false},
      {"Missing", temp.path() + "missing", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.program.rfind(temp.path(), 0) == 0 && c.name != std::string("Missing")) {
      std::filesystem::create_directories(c.program);
      if (c.built) std::ofstream(temp.path() + "build/CMakeCache.txt").flush();
    }
    const std::string chosen = ChooseWorkFolder(c.program, data);
    if (c.programUsed) {
      EXPECT_EQ(chosen, temp.path() + "build/ui/");
    } else {
      EXPECT_EQ(chosen.rfind(own, 0), 0u) << chosen;
      EXPECT_EQ(chosen.back(), '/');
    }
    EXPECT_FALSE(test_support::Exists(data)) << "nothing is made before the pages are written";
  }
  EXPECT_EQ(test_support::FilesIn(temp.path() + "build/ui"), 0u) << "no probe left behind";
  EXPECT_NE(ChooseWorkFolder("/proc", data), ChooseWorkFolder("/proc", data)) << "two windows";
}

// The views get exactly the files the program wrote and named, nothing a
// request can reach beside them.
TEST(ServedFiles, OnlyTheNamedFilesThemselves) {
  TempDir temp;
  const std::string folder = temp.path() + "work";
  std::filesystem::create_directories(folder + "/sub");
  std::ofstream(folder + "/test_page.htm") << "page";
  std::ofstream(folder + "/other.htm") << "other";
  std::ofstream(temp.path() + "secret") << "secret";
  ::symlink((temp.path() + "secret").c_str(), (folder + "/test_link.htm").c_str());
  ::mkfifo((folder + "/gobutton.gif").c_str(), 0600);
  ServedFiles served;
  for (const char* name : {"test_page.htm", "test_link.htm", "gobutton.gif", "sub"})
    served.Add(folder + "/" + name);
  const struct {
    const char* name;
    std::string request;
    const char* body;  // null: refused
  } cases[] = {
      {"NamedFile", folder + "/test_page.htm", "page"},
      {"NamedFileSpeltOtherwise", folder + "/sub/.././test_page.htm", "page"},
      {"OtherFileInTheFolder", folder + "/other.htm", nullptr},
      {"LinkInTheNamedPlace", folder + "/test_link.htm", nullptr},
      {"EscapeUpwards", folder + "/../secret", nullptr},
      {"EscapeFromANamedFolder", folder + "/sub/../../secret", nullptr},
      {"NamedFolder", folder + "/sub", nullptr},
      {"PipeInTheNamedPlace", folder + "/gobutton.gif", nullptr},
      {"RelativePath", "work/test_page.htm", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int fd = served.Open(c.request);
    EXPECT_EQ(fd >= 0, c.body != nullptr);
    if (fd < 0) continue;
    char buffer[16] = {};
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), c.body);
  }
}

// A lock file held as another process holds it: flock locks belong to one
// open file, so a second open in this process does not share them.
class HeldLock {
 public:
  explicit HeldLock(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0) << path;
  }
  ~HeldLock() { ::close(fd_); }

 private:
  int fd_;
};

// What is cleaned up is told by who holds a lock, never by process numbers,
// which mean nothing across containers sharing the folder.
TEST(WorkFolder, LeftoversGoOnlyWhenNoOneHoldsTheirLock) {
  TempDir temp;
  const std::string data = temp.path() + "share/orvanta";
  auto work = std::make_unique<WorkFolder>("/proc", data);
  const std::string mine = work->Path();
  const pid_t gone = [] {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
  }();
  const struct {
    const char* name;
    std::string folder;  // in `data`
    bool lockFile;
    bool held;
    bool kept;
  } cases[] = {
      {"NamedAfterAGoneProcessButHeld", "work-other-" + std::to_string(gone) + "-abc", true, true,
       true},
      {"NamedAfterALiveProcessButFree", "work-other-" + std::to_string(::getpid()) + "-abc", true,
       false, false},
      {"StillBeingMadeWithNoLockYet", "work-other-1-new", false, false, true},
      {"HalfMadeAndFree", ".new-abcdef", true, false, false},
      {"NotOurs", "photos", true, false, true},
  };
  std::vector<std::unique_ptr<HeldLock>> held;
  for (const auto& c : cases) {
    std::filesystem::create_directories(data + "/" + c.folder);
    std::ofstream(data + "/" + c.folder + "/test_page.htm") << "old";
    if (c.lockFile) std::ofstream(data + "/" + c.folder + "/.lock").flush();
    if (c.held) held.push_back(std::make_unique<HeldLock>(data + "/" + c.folder + "/.lock"));
  }

  work->StartSweep();
  work->LockPages();
  work->WaitForSweep();
  struct stat st {};
  ASSERT_EQ(::stat(mine.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (const auto& c : cases)
    EXPECT_EQ(test_support::Exists(data + "/" + c.folder), c.kept) << c.name;

  // This instance's own folder is held while it runs: another instance's
  // clean-up, as a second process would do it, leaves it alone.
  EXPECT_EQ(test_support::InChild([&] {
              RemoveLeftoversIn(data);
              return test_support::Exists(mine) ? 0 : 1;
            }),
            0);

  WriteTestPages(mine, "p", "l");
  std::ofstream(mine + LaunchPageName(1)) << "launched";
  work.reset();
  EXPECT_TRUE(test_support::Exists(mine + LaunchPageName(1))) << "kept for the browser";
  // Once this instance let go, the next one's clean-up takes the rest.
  held.clear();
  RemoveLeftoversIn(data);
  EXPECT_FALSE(test_support::Exists(mine));
  EXPECT_FALSE(test_support::Exists(data + "/" + cases[0].folder));
}

// The clean-up asks the file system what is left, and a folder removed
// while the window runs is made again.
TEST(WorkFolder, CleanUpTakesTheFolderWhenNothingLaunchedIsLeft) {
  const std::function<void(WorkFolder&)> uses[] = {
      [](WorkFolder& w) { w.LockPages().WriteAll("p", "l"); },
      [](WorkFolder& w) {
        w.LockPages().WriteAll("p", "l");
        std::filesystem::remove_all(w.Path());
        w.LockPages().WriteAll("again", "l");
        EXPECT_EQ(ReadBytes(w.PagePath(kTestPageName)), "again\r\n");
      }};
  for (const auto& use : uses) {
    TempDir temp;
    auto work = std::make_unique<WorkFolder>("/proc", temp.path() + "data");
    const std::string folder = work->Path();
    use(*work);
    work.reset();
    EXPECT_FALSE(test_support::Exists(folder));
  }
}

// Windows of several processes starting at one moment: each one's sweep
// of the others' leftovers meets the others' folders being made, and no
// first page write may fail for it.
TEST(WorkFolder, InstancesStartingTogetherNeverLoseAPageWrite) {
  constexpr int kRounds = 50;
  constexpr int kInstances = 6;
  TempDir temp;
  const std::string data = temp.path() + "data";
  int failed = 0;
  for (int round = 0; round < kRounds; ++round) {
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> instances;
    for (int i = 0; i < kInstances; ++i) {
      const pid_t pid = ::fork();
      if (pid == 0) {
        ::close(start[1]);
        char go = 0;
        (void)!::read(start[0], &go, 1);
        WorkFolder work("/proc", data);
        work.StartSweep();
        try {
          work.LockPages().WriteAll("p", "l");
        } catch (const FileWriteError&) {
          ::_exit(1);
        }
        ::_exit(ReadBytes(work.PagePath(kTestPageName)) == "p\r\n" ? 0 : 2);
      }
      instances.push_back(pid);
    }
    ::close(start[0]);
    ::close(start[1]);  // all of them go at once
    for (const pid_t pid : instances) {
      int status = 0;
      ::waitpid(pid, &status, 0);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failed;
    }
  }
  EXPECT_EQ(failed, 0) << "of " << kRounds * kInstances << " instances";
}

// In a shared build-tree folder the launch pages carry the lock instead.
TEST(WorkFolder, LaunchPagesInASharedFolderGoWhenTheirLockIsFree) {
  TempDir temp;
  const std::string folder = temp.path() + "build/ui";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/launch-77-live-1.htm") << "theirs";
  std::ofstream(folder + "/.launch-77-live.lock").flush();
  const HeldLock theirs(folder + "/.launch-77-live.lock");
  std::ofstream(folder + "/launch-77-gone-1.htm") << "old";
  std::ofstream(folder + "/launch-77-gone-2.htm") << "old";
  std::ofstream(folder + "/.launch-77-gone.lock").flush();
  std::ofstream(temp.path() + "build/CMakeCache.txt").flush();
  WorkFolder work(folder, temp.path() + "data");
  ASSERT_EQ(work.Path(), folder + "/");
  work.StartSweep();
  work.LockPages();
  work.WaitForSweep();
  EXPECT_TRUE(test_support::Exists(folder + "/launch-77-live-1.htm"));
  EXPECT_FALSE(test_support::Exists(folder + "/launch-77-gone-1.htm"));
  EXPECT_FALSE(test_support::Exists(folder + "/launch-77-gone-2.htm"));
  EXPECT_FALSE(test_support::Exists(folder + "/.launch-77-gone.lock"));

  const std::string mine = folder + "/" + LaunchPageName(1);
  std::ofstream(mine) << "mine";
  EXPECT_EQ(test_support::InChild([&] {
              RemoveLeftoversIn(folder);
              return test_support::Exists(mine) ? 0 : 1;
            }),
            0);
}

}  // namespace
}  // namespace orvanta
