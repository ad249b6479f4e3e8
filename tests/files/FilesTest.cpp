#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "files/FileWriter.h"
#include "files/SettingsReader.h"
#include "tests/support/Child.h"
#include "tests/support/TempFolder.h"

namespace orvanta::files {
namespace {

using orvanta::test_support::FilesIn;
using orvanta::test_support::FolderState;
using orvanta::test_support::InChild;
using orvanta::test_support::ReadBytes;
using orvanta::test_support::TempFolder;
using orvanta::test_support::WriteBytes;

using Prepare = std::function<void(const TempFolder&)>;

void Link(const TempFolder& f, const char* to, const char* name) {
  ::symlink(to, f.File(name).c_str());
}

pid_t GonePid() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

TEST(FileWriter, WritesThroughLinksAndPastNamesLikeItsTemporaryFiles) {
  const struct {
    const char* name;
    Prepare prepare;
    const char* written;  // what "t" leads to
  } cases[] = {
      {"LinkToAFile", [](auto& f) { WriteBytes(f.File("real"), "old"), Link(f, "real", "t"); },
       "real"},
      {"ChainOfRelativeLinks",
       [](auto& f) {
         ::mkdir(f.File("sub").c_str(), 0755);
         Link(f, "sub/a", "t"), Link(f, "../real", "sub/a");
       },
       "real"},
      {"TemporaryNamesTaken",
       [](auto& f) {
         WriteBytes(f.File("t"), "old");
         ::mkdir(f.File(".t.partial").c_str(), 0755);
         ::mkdir(f.File(".t." + std::to_string(GonePid()) + ".0.tmp").c_str(), 0755);
       },
       "t"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    c.prepare(folder);
    auto expected = FolderState(folder.Path());
    expected.erase(c.written);
    ASSERT_FALSE(WriteFile(folder.File("t"), "new"));
    EXPECT_EQ(ReadBytes(folder.File(c.written)), "new");
    auto after = FolderState(folder.Path());
    after.erase(c.written);
    EXPECT_EQ(after, expected);
  }
}

TEST(FileWriter, FailedWriteKeepsTheTargetAndLeavesNoTemporaryFile) {
  TempFolder folder;
  WriteBytes(folder.File("t"), "old");
  const int code = InChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const auto problem = WriteFile(folder.File("t"), std::string(8192, 'x'));
    return problem && problem->Code == EFBIG ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadBytes(folder.File("t")), "old");
  EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

TEST(FileWriter, AFailedRenamePutsBackTheFilesReplacedBeforeIt) {
  TempFolder f;
  WriteBytes(f.File("a"), "old a");
  ::mkdir(f.File("b").c_str(), 0755);  // a file cannot be renamed over it
  std::vector<PlannedFile> plan(3);
  ASSERT_FALSE(FindWriteTarget(f.File("a"), plan[0].Target));
  ASSERT_FALSE(FindWriteTarget(f.File("new"), plan[1].Target));
  plan[2].Target.Path = f.File("b");
  for (PlannedFile& file : plan) file.Pieces = {"new"};
  std::size_t failed = 0;
  std::size_t replaced = 0;
  ASSERT_TRUE(ReplaceFiles(plan, failed, replaced));
  EXPECT_EQ(failed, 2u);
  EXPECT_EQ(replaced, 0u);
  EXPECT_EQ(ReadBytes(f.File("a")), "old a");
  EXPECT_EQ(FilesIn(f.Path()), 2u) << "no new file, temporary file or second name is left";
}

TEST(FileWriter, KeepsModeAndOwnerAndRefusesAnotherUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to own files as another user";
  TempFolder folder;
  ::chmod(folder.Path().c_str(), 0777);
  WriteBytes(folder.File("theirs"), "old");
  ::chmod(folder.File("theirs").c_str(), 0640);
  ::chown(folder.File("theirs").c_str(), 65534, 65534);
  ASSERT_FALSE(WriteFile(folder.File("theirs"), "new"));
  struct stat st {};
  ::stat(folder.File("theirs").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);

  WriteBytes(folder.File("root's"), "root's");
  ::mkdir(folder.File("closed").c_str(), 0555);
  EXPECT_EQ(InChild([&] {
              if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 2;
              const auto replace = WriteFile(folder.File("root's"), "x");
              const auto create = WriteFile(folder.File("closed/new"), "x");
              return replace && create && replace->Reason == "Permission denied" &&
                             create->Reason == "Permission denied"
                         ? 0
                         : 1;
            }),
            0);
  EXPECT_EQ(ReadBytes(folder.File("root's")), "root's");
  EXPECT_TRUE(std::filesystem::is_empty(folder.File("closed")));
}

std::string Acl(const std::string& path) {
  std::string text;
  if (FILE* p = ::popen(("getfacl -cp '" + path + "' 2>&1").c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p)) text += buffer;
    ::pclose(p);
  }
  return text;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// The new file grants exactly what the old one did: its list, its
// attributes, its mode; never what the folder's default list adds.
TEST(FileWriter, KeepsAccessListAndAttributesAndGrantsNoMore) {
  if (!Shell("command -v setfacl >/dev/null")) GTEST_SKIP() << "needs setfacl (package acl)";
  const struct {
    const char* name;
    const char* prepare;  // shell commands, in the folder
    bool nobodyWrites;
  } cases[] = {
      {"UserEntryAndAttribute", "setfacl -m u:nobody:rw t && setfattr -n user.note -v hi t", true},
      {"NoListInAFolderWithADefault", "setfacl -d -m u:nobody:rw .", false},
      {"ListWithoutMaskRights", "setfacl -m u:nobody:rw,m::r t", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    ::chmod(folder.Path().c_str(), 0755);
    WriteBytes(folder.File("t"), "old");
    ::chmod(folder.File("t").c_str(), 0644);
    ASSERT_TRUE(Shell("cd '" + folder.Path() + "' && " + c.prepare));
    struct stat before {};
    ::stat(folder.File("t").c_str(), &before);
    const std::string acl = Acl(folder.File("t"));
    const std::string note = std::string(c.name) == "UserEntryAndAttribute" ? "hi" : "";
    ASSERT_FALSE(WriteFile(folder.File("t"), "new"));
    EXPECT_EQ(ReadBytes(folder.File("t")), "new");
    struct stat after {};
    ::stat(folder.File("t").c_str(), &after);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(Acl(folder.File("t")), acl);
    char value[8] = {};
    const ssize_t size = ::getxattr(folder.File("t").c_str(), "user.note", value, sizeof value);
    EXPECT_EQ(std::string(value, size > 0 ? size : 0), note);
    if (::geteuid() == 0) {
      EXPECT_EQ(InChild([&] {
                  if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 2;
                  return ::access(folder.File("t").c_str(), W_OK) == 0 ? 1 : 0;
                }),
                c.nobodyWrites ? 1 : 0);
    }
  }
}

std::string Capabilities(const std::string& path) {
  char value[64] = {};
  const ssize_t size = ::getxattr(path.c_str(), "security.capability", value, sizeof value);
  return size > 0 ? std::string(value, static_cast<std::size_t>(size)) : std::string();
}

// A write and a new owner each clear set-id bits and file capabilities, so a
// replace that set them before either would lose them.
TEST(FileWriter, KeepsSetIdBitsAndCapabilitiesThroughTheWrite) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to hand files to another user";
  const struct {
    const char* name;
    mode_t mode;
    uid_t owner;      // of the file
    uid_t writer;     // who replaces it
    bool capability;  // a file capability is set on it
  } cases[] = {
      {"RootKeepsAnotherOwnersSetUserId", 04755, 65534, 0, false},
      {"RootKeepsSetGroupIdOfAnotherGroup", 02750, 65534, 0, false},
      {"RootKeepsAFileCapability", 0755, 0, 0, true},
      {"UserKeepsTheirOwnSetUserId", 04700, 65534, 65534, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    ::chown(folder.Path().c_str(), c.writer, c.writer);
    WriteBytes(folder.File("t"), "old");
    ASSERT_EQ(::chown(folder.File("t").c_str(), c.owner, c.owner), 0);
    ASSERT_EQ(::chmod(folder.File("t").c_str(), c.mode), 0);
    if (c.capability) {
      if (!Shell("setcap cap_net_raw+ep '" + folder.File("t") + "' 2>/dev/null")) {
        std::printf("[  SKIPPED ] %s: this file system keeps no file capabilities\n", c.name);
        continue;
      }
    }
    const std::string capability = Capabilities(folder.File("t"));
    ASSERT_EQ(InChild([&] {
                if (c.writer != 0 && (::setgid(c.writer) != 0 || ::setuid(c.writer) != 0)) return 2;
                return WriteFile(folder.File("t"), "new") ? 1 : 0;
              }),
              0);
    EXPECT_EQ(ReadBytes(folder.File("t")), "new");
    struct stat after {};
    ::stat(folder.File("t").c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, c.mode);
    EXPECT_EQ(after.st_uid, c.owner);
    EXPECT_EQ(Capabilities(folder.File("t")), capability);
  }
}

// Refused before anything is written, for root and for others alike.
TEST(FileWriter, RefusesWhatAReplaceWouldBreak) {
  TempFolder folder;
  WriteBytes(folder.File("a"), "old");
  ::link(folder.File("a").c_str(), folder.File("b").c_str());
  const auto problem = WriteFile(folder.File("b"), "new");
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->Reason,
            "it has 2 hard links, and replacing it would leave the other names with the old "
            "content; remove the other links first");
  EXPECT_EQ(ReadBytes(folder.File("a")), "old");
  EXPECT_EQ(FilesIn(folder.Path()), 2u);
}

std::string Sized(const TempFolder& f, std::uintmax_t size) {
  std::ofstream(f.File("s")).flush();
  std::filesystem::resize_file(f.File("s"), size);
  return f.File("s");
}

// Huge files, devices, pipes and CR-only files are also read through the
// command line.
TEST(SettingsReader, StopsAtTheLimitAndReadsALastLineEndingInCr) {
  TempFolder folder;
  FileBytes bytes;
  WriteBytes(folder.File("cr"), "k=v\r");
  ASSERT_FALSE(ReadSettingsFile(folder.File("cr"), bytes));
  EXPECT_EQ(bytes.View(), "k=v\r");

  const auto over = ReadSettingsFile(Sized(folder, kSettingsFileLimit + 1), bytes);
  ASSERT_TRUE(over);
  EXPECT_EQ(over->Reason, "larger than 64 MiB, far more than a settings file holds");

  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t writer = ::fork();
  if (writer == 0) {
    ::close(fds[0]);
    ::alarm(30);
    const std::string zeros(65536, '\0');
    while (::write(fds[1], zeros.data(), zeros.size()) > 0) {
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  const auto endless = ReadSettingsFrom(fds[0], bytes);
  ::close(fds[0]);
  ::waitpid(writer, nullptr, 0);
  ASSERT_TRUE(endless);
  EXPECT_EQ(endless->Reason, over->Reason);
}

TEST(SettingsReader, NamesUtf16AsSuch) {
  const std::string reason =
      "it is saved as UTF-16 (it has a byte-order mark or NUL bytes); save it as UTF-8";
  const struct {
    const char* name;
    std::string bytes;
    bool refused;
  } cases[] = {
      {"LittleEndianMark", std::string("\xFF\xFE[\0P\0]\0\r\0\n\0", 12), true},
      {"BigEndianMark", std::string("\xFE\xFF\0[\0P\0]\0\r", 10), true},
      {"NoMarkButNuls", std::string("[\0P\0]\0\r\0", 8), true},
      {"Utf8Mark", "\xEF\xBB\xBF[Popup]\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    WriteBytes(folder.File("s"), c.bytes);
    FileBytes bytes;
    const auto problem = ReadSettingsFile(folder.File("s"), bytes);
    EXPECT_EQ(problem ? problem->Reason : "", c.refused ? reason : "");
  }
}

TEST(SettingsReader, NoMemoryIsAProblemNotACrash) {
  if (!test_support::kAddressLimitsWork)
    GTEST_SKIP() << "no address-space limit under AddressSanitizer";
  TempFolder folder;
  const std::string path = Sized(folder, std::uintmax_t{60} << 20);
  EXPECT_EQ(InChild([&] {
              std::size_t pages = 0;
              std::ifstream("/proc/self/statm") >> pages;
              const rlim_t room = pages * ::sysconf(_SC_PAGESIZE) + (rlim_t{16} << 20);
              const rlimit limit{room, room};
              ::setrlimit(RLIMIT_AS, &limit);
              FileBytes bytes;
              const auto problem = ReadSettingsFile(path, bytes);
              return problem && problem->Code == ENOMEM ? 0 : 1;
            }),
            0);
}

}  // namespace
}  // namespace orvanta::files
