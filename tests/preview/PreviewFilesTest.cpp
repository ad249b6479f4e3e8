#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "preview/TestPages.h"
#include "preview/TextFile.h"
#include "preview/WorkFolder.h"
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
      {"\xE2\x82\xAC", "\x80"},                  // euro sign
      {"\xE2\x80\x9A\xC6\x92", "\x82\x83"},      // low quote, f with hook
      {"\xE2\x80\xA2", "\x95"},                  // bullet
      {"\xC5\xB8", "\x9F"},                      // Y with diaeresis
      {"\xC2\xA0\xC3\xA9\xC3\xBF", "\xA0\xE9\xFF"},
      {"\xE2\x9C\x93", "?"},                     // check mark
      {"\xC2\x81", "?"},                         // C1 control the code page lacks
      {"\xF0\x9F\x98\x80", "?"},                 // outside the BMP
      {"a\xFF" "b", "a?b"},                      // malformed UTF-8
      {"\xE2\x82", "??"},                        // truncated sequence
      {"\xC0\xAF", "??"},                        // overlong
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

TEST(WorkFolder, PreparedPrivateAndCleanedOfGoneInstances) {
  TempDir temp;
  const std::string data = temp.path() + "share/orvanta";
  const std::string mine = ChooseWorkFolder("/proc", data);
  const std::string base = mine.substr(0, mine.find("/work-") + 6);
  const std::string host =
      mine.substr(base.size(), mine.rfind("-" + std::to_string(::getpid())) - base.size());
  // A gone instance of this host and a live one's folders.
  const pid_t gone = [] {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
  }();
  const std::string goneFolder = base + host + "-" + std::to_string(gone);
  const std::string liveFolder = base + host + "-1";
  std::filesystem::create_directories(goneFolder);
  std::filesystem::create_directories(liveFolder);
  std::ofstream(goneFolder + "/test_page.htm") << "old";

  ASSERT_FALSE(PrepareWorkFolder(mine));
  struct stat st {};
  ASSERT_EQ(::stat(mine.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_FALSE(test_support::Exists(goneFolder));
  EXPECT_TRUE(test_support::Exists(liveFolder));

  WriteTestPages(mine, "p", "l");
  std::ofstream(mine + LaunchPageName(1)) << "launched";
  RemoveWorkFolder(mine);
  EXPECT_TRUE(test_support::Exists(mine + LaunchPageName(1))) << "kept for the browser";
  EXPECT_EQ(test_support::FilesIn(mine), 1u);
  ::unlink((mine + LaunchPageName(1)).c_str());
  RemoveWorkFolder(mine);
  EXPECT_FALSE(test_support::Exists(mine));
}

}  // namespace
}  // namespace orvanta
