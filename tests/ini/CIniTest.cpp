#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "ini/CDS_CIni.h"
#include "tests/support/Child.h"
#include "tests/support/TempFolder.h"

namespace orvanta {
namespace {

using test_support::Exists;
using test_support::FilesIn;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

using Strings = std::vector<std::string>;

constexpr const char* kUnknown = "An unknown error has occured";
constexpr const char* kNoEntry = "No such file or directory";

class CIniTest : public ::testing::Test {
 public:  // the cases use the fixture's folder, path and file as their own
  CIniTest() {
    path = folder.File("test.ini");
    ini.FileName(path);
  }
  TempFolder folder;
  std::string path;
  CDS_CIni ini;
};

TEST_F(CIniTest, StartsEmptyAndStoresTheNameUnchanged) {
  CDS_CIni fresh;
  EXPECT_EQ(fresh.FileName(), "");
  EXPECT_EQ(fresh.LastErrorDescription(), "");
  fresh.FileName("  odd name.ini ");
  EXPECT_EQ(fresh.FileName(), "  odd name.ini ");
}

TEST_F(CIniTest, ReadsValueAsTheFileSpellsIt) {
  WriteBytes(path, "[Main]\r\nColour = Dark Blue \r\n");
  std::string value;
  ASSERT_TRUE(ini.ReadValue("MAIN", "colour", value));
  EXPECT_EQ(value, "Dark Blue");
}

TEST_F(CIniTest, EmptyValueReadsLikeMissingKey) {
  WriteBytes(path, "[S]\nk=\n");
  std::string value = "stale";
  EXPECT_FALSE(ini.ReadValue("S", "k", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(ini.LastErrorDescription(), kUnknown);

  value = "stale";
  EXPECT_FALSE(ini.ReadValue("S", "missing", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(ini.LastErrorDescription(), kNoEntry);
}

TEST_F(CIniTest, MissingFileSectionOrKeyGiveTheSystemMessage) {
  std::string value;
  EXPECT_FALSE(ini.ReadValue("S", "k", value));
  EXPECT_EQ(ini.LastErrorDescription(), kNoEntry);
  WriteBytes(path, "[S]\nk=1\n");
  EXPECT_FALSE(ini.ReadValue("T", "k", value));
  EXPECT_EQ(ini.LastErrorDescription(), kNoEntry);
}

TEST_F(CIniTest, ValuesLongerThan254AreReturnedWhole) {
  const std::string longValue(100000, 'x');
  ASSERT_TRUE(ini.WriteValue("S", "k", longValue + "y"));
  std::string value;
  ASSERT_TRUE(ini.ReadValue("S", "k", value));
  EXPECT_EQ(value, longValue + "y");
}

TEST_F(CIniTest, ReadSectionSplitsAtTheFirstEquals) {
  WriteBytes(path, "[S]\na=1\nb=x=y\n");
  Strings keys;
  Strings values;
  ASSERT_TRUE(ini.ReadSection("S", keys, values));
  EXPECT_EQ(keys, (Strings{"a", "b"}));
  EXPECT_EQ(values, (Strings{"1", "x=y"}));
}

TEST_F(CIniTest, ReadSectionTakesEntryWithoutEqualsAsKey) {
  WriteBytes(path, "[S]\na=1\nlonely\nb=2\n");
  Strings keys;
  Strings values;
  ASSERT_TRUE(ini.ReadSection("S", keys, values));
  EXPECT_EQ(keys, (Strings{"a", "lonely", "b"}));
  EXPECT_EQ(values, (Strings{"1", "", "2"}));
}

TEST_F(CIniTest, ReadSectionReplacesWhatTheArraysHeld) {
  WriteBytes(path, "[S]\na=1\n");
  Strings keys{"old1", "old2"};
  Strings values{"x"};
  ASSERT_TRUE(ini.ReadSection("S", keys, values));
  EXPECT_EQ(keys, (Strings{"a"}));
  EXPECT_EQ(values, (Strings{"1"}));
}

TEST_F(CIniTest, ReadSectionHasNoSizeLimit) {
  Strings keys;
  Strings values;
  for (int i = 0; i < 3000; ++i) {
    keys.push_back("key" + std::to_string(i));
    values.push_back(std::string(20, static_cast<char>('a' + i % 26)));
  }
  ASSERT_TRUE(ini.WriteSection("Big", keys, values));
  Strings readKeys;
  Strings readValues;
  ASSERT_TRUE(ini.ReadSection("Big", readKeys, readValues));
  EXPECT_EQ(readKeys, keys);
  EXPECT_EQ(readValues, values);
}

TEST_F(CIniTest, EnumSectionNamesHasNoSizeLimit) {
  std::string text;
  Strings names;
  for (int i = 0; i < 2000; ++i) {
    names.push_back("Section number " + std::to_string(i));
    text += "[" + names.back() + "]\r\n";
  }
  WriteBytes(path, text);
  Strings read;
  ASSERT_TRUE(ini.Enum_SectionNames(read));
  EXPECT_EQ(read, names);
}

struct EmptyCase {
  const char* Name;
  std::string Text;  // written unless empty and `Missing`
  bool Missing;
  const char* Description;
};

class EmptyReadTest : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(EmptyReadTest, FailsAndLeavesTheArraysAlone) {
  const EmptyCase& c = GetParam();
  TempFolder folder;
  const std::string path = folder.File("e.ini");
  if (!c.Missing) WriteBytes(path, c.Text);
  CDS_CIni ini;
  ini.FileName(path);
  Strings keys{"k0"};
  Strings values{"v0", "v1"};
  EXPECT_FALSE(ini.ReadSection("S", keys, values));
  EXPECT_EQ(keys, (Strings{"k0"}));
  EXPECT_EQ(values, (Strings{"v0", "v1"}));
  EXPECT_EQ(ini.LastErrorDescription(), c.Description);
}

INSTANTIATE_TEST_SUITE_P(Cases, EmptyReadTest,
                         ::testing::Values(EmptyCase{"SectionWithoutEntries",
                                                     "[S]\n; note\n\n[T]\nk=1\n", false, kUnknown},
                                           EmptyCase{"MissingSection", "[T]\nk=1\n", false,
                                                     kNoEntry},
                                           EmptyCase{"EmptyFile", "", false, kNoEntry},
                                           EmptyCase{"MissingFile", "", true, kNoEntry}),
                         [](const auto& param) { return std::string(param.param.Name); });

TEST_F(CIniTest, EnumSectionNamesFailsOnFileWithoutSections) {
  WriteBytes(path, "k=1\n; [not a section]\n");
  Strings names{"keep"};
  EXPECT_FALSE(ini.Enum_SectionNames(names));
  EXPECT_EQ(names, (Strings{"keep"}));
}

TEST_F(CIniTest, WriteSectionWithOnePairLeavesOnlyThatPair) {
  WriteBytes(path, "[S]\na=1\nb=2\nc=3\n[T]\nt=1\n");
  ASSERT_TRUE(ini.WriteSection("S", {"b"}, {"20"}));
  Strings keys;
  Strings values;
  ASSERT_TRUE(ini.ReadSection("S", keys, values));
  EXPECT_EQ(keys, (Strings{"b"}));
  EXPECT_EQ(values, (Strings{"20"}));
  EXPECT_EQ(ReadBytes(path), "[S]\nb=20\n[T]\nt=1\n");
}

TEST_F(CIniTest, WriteSectionWithNoEntriesKeepsTheHeader) {
  WriteBytes(path, "[S]\na=1\n[T]\nt=1\n");
  ASSERT_TRUE(ini.WriteSection("S", {}, {}));
  EXPECT_EQ(ReadBytes(path), "[S]\n[T]\nt=1\n");
  ASSERT_TRUE(ini.WriteSection("New", {}, {}));
  EXPECT_EQ(ReadBytes(path), "[S]\n[T]\nt=1\n[New]\n");
  Strings names;
  ASSERT_TRUE(ini.Enum_SectionNames(names));
  EXPECT_EQ(names, (Strings{"S", "T", "New"}));
}

TEST_F(CIniTest, WriteSectionWithArraysOfDifferentSizeTouchesNothing) {
  const std::string before = "[S]\r\na=1\r\n";
  WriteBytes(path, before);
  EXPECT_FALSE(ini.WriteSection("S", {"a", "b"}, {"1"}));
  EXPECT_EQ(ini.LastErrorDescription(), "Key array and Value array must be of the same size");
  EXPECT_FALSE(ini.WriteSection("S", {}, {"1"}));
  EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(CIniTest, FailureStaysDescribedAfterALaterSuccess) {
  std::string value;
  EXPECT_FALSE(ini.ReadValue("S", "k", value));
  ASSERT_TRUE(ini.WriteValue("S", "k", "1"));
  ASSERT_TRUE(ini.ReadValue("S", "k", value));
  EXPECT_EQ(ini.LastErrorDescription(), kNoEntry);
}

TEST_F(CIniTest, WritesReadBackCaseInsensitively) {
  ASSERT_TRUE(ini.WriteValue("Window", "Width", "300"));
  ASSERT_TRUE(ini.WriteValue("WINDOW", "WIDTH", "400"));
  ASSERT_TRUE(ini.WriteValue("window", "Height", "200"));
  EXPECT_EQ(ReadBytes(path), "[Window]\r\nWidth=400\r\nHeight=200\r\n");
}

TEST_F(CIniTest, WriteValueKeepsEveryOtherByte) {
  const std::string before =
      "; settings\r\n"
      "\r\n"
      "[General]\r\n"
      "  Name = Demo  \r\n"
      "\tSize=10\r\n"
      "# old: Size=5\r\n"
      "\r\n"
      "[Other]\n"
      "x = 1";
  WriteBytes(path, before);
  ASSERT_TRUE(ini.WriteValue("general", "size", "12"));
  ASSERT_TRUE(ini.WriteValue("GENERAL", "Mode", "fast"));
  ASSERT_TRUE(ini.WriteValue("Third", "on", "1"));
  EXPECT_EQ(ReadBytes(path),
            "; settings\r\n"
            "\r\n"
            "[General]\r\n"
            "  Name = Demo  \r\n"
            "\tSize=12\r\n"
            "Mode=fast\r\n"
            "# old: Size=5\r\n"
            "\r\n"
            "[Other]\n"
            "x = 1\r\n"
            "[Third]\r\n"
            "on=1\r\n");
}

TEST_F(CIniTest, ReadSectionWriteSectionRoundTripChangesNoByte) {
  const std::string before =
      "\xEF\xBB\xBF; head\n"
      "[A]\r\n"
      "  one = 1  \r\n"
      "; between\n"
      "\ttwo\t=\ttwo words\r\n"
      "bare\n"
      "\n"
      "[B]\n"
      "x=y=z";
  WriteBytes(path, before);
  Strings names;
  ASSERT_TRUE(ini.Enum_SectionNames(names));
  for (const std::string& name : names) {
    Strings keys;
    Strings values;
    ASSERT_TRUE(ini.ReadSection(name, keys, values));
    ASSERT_TRUE(ini.WriteSection(name, keys, values));
  }
  EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(CIniTest, DeletesKeysAndSections) {
  WriteBytes(path, "[A]\na=1\nb=2\n[B]\nc=3\n");
  ASSERT_TRUE(ini.DeleteKey("a", "A"));
  EXPECT_EQ(ReadBytes(path), "[A]\nb=2\n[B]\nc=3\n");
  ASSERT_TRUE(ini.DeleteSection("b"));
  EXPECT_EQ(ReadBytes(path), "[A]\nb=2\n");
  std::string value;
  EXPECT_FALSE(ini.ReadValue("B", "c", value));
}

TEST_F(CIniTest, DeletingWhatIsNotThereSucceedsAndCreatesNothing) {
  EXPECT_TRUE(ini.DeleteKey("S", "k"));
  EXPECT_TRUE(ini.DeleteSection("S"));
  EXPECT_FALSE(Exists(path));
  const std::string before = "[T]\nk=1\n";
  WriteBytes(path, before);
  EXPECT_TRUE(ini.DeleteKey("S", "k"));
  EXPECT_TRUE(ini.DeleteKey("T", "j"));
  EXPECT_TRUE(ini.DeleteSection("S"));
  EXPECT_EQ(ReadBytes(path), before);
}

// Every method, run on the test's object; true when it succeeded.
using Call = std::function<bool(CDS_CIni&)>;

const std::vector<std::pair<const char*, Call>>& EveryMethod() {
  static const std::vector<std::pair<const char*, Call>> calls = {
      {"ReadValue",
       [](CDS_CIni& i) {
         std::string v = "keep";
         return i.ReadValue("S", "k", v);
       }},
      {"ReadSection",
       [](CDS_CIni& i) {
         Strings k, v;
         return i.ReadSection("S", k, v);
       }},
      {"WriteValue", [](CDS_CIni& i) { return i.WriteValue("S", "k", "v"); }},
      {"WriteSection", [](CDS_CIni& i) { return i.WriteSection("S", {"k"}, {"v"}); }},
      {"Enum_SectionNames",
       [](CDS_CIni& i) {
         Strings n;
         return i.Enum_SectionNames(n);
       }},
      {"DeleteKey", [](CDS_CIni& i) { return i.DeleteKey("S", "k"); }},
      {"DeleteSection", [](CDS_CIni& i) { return i.DeleteSection("S"); }},
  };
  return calls;
}

TEST(CIniNoFileNameTest, EveryMethodFailsWithoutTouchingAnyFile) {
  TempFolder folder;
  char* cwd = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(folder.Path().c_str()), 0);
  for (const auto& [name, call] : EveryMethod()) {
    SCOPED_TRACE(name);
    CDS_CIni ini;
    ini.FileName("x.ini");
    ini.FileName("");
    EXPECT_FALSE(call(ini));
    EXPECT_EQ(ini.LastErrorDescription(), "No filename specified");
  }
  std::string value = "keep";
  Strings keys{"k"};
  Strings values{"v"};
  CDS_CIni ini;
  EXPECT_FALSE(ini.ReadValue("S", "k", value));
  EXPECT_FALSE(ini.ReadSection("S", keys, values));
  EXPECT_EQ(value, "keep");
  EXPECT_EQ(keys, (Strings{"k"}));
  EXPECT_EQ(values, (Strings{"v"}));
  EXPECT_EQ(FilesIn(folder.Path()), 0u);
  EXPECT_EQ(::chdir(cwd), 0);
  std::free(cwd);
}

TEST(CIniIoErrorTest, AFolderInPlaceOfTheFileFailsEveryMethod) {
  TempFolder folder;
  CDS_CIni ini;
  ini.FileName(folder.Path());
  for (const auto& [name, call] : EveryMethod()) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(call(ini));
    EXPECT_EQ(ini.LastErrorDescription(), "Is a directory");
  }
  EXPECT_EQ(FilesIn(folder.Path()), 0u);
}

TEST(CIniIoErrorTest, WritingIntoAMissingFolderFails) {
  TempFolder folder;
  CDS_CIni ini;
  ini.FileName(folder.File("no/such/folder.ini"));
  EXPECT_FALSE(ini.WriteValue("S", "k", "v"));
  EXPECT_EQ(ini.LastErrorDescription(), kNoEntry);
  EXPECT_EQ(FilesIn(folder.Path()), 0u);
}

TEST_F(CIniTest, WritingKeepsPermissionsAndLeavesNoTemporaryFile) {
  WriteBytes(path, "[S]\nk=1\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(ini.WriteValue("S", "k", "2"));
  ASSERT_TRUE(ini.WriteSection("T", {"a"}, {"b"}));
  ASSERT_TRUE(ini.DeleteKey("S", "k"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

TEST_F(CIniTest, LeftoverOfAKilledWriterIsRemovedNotFollowed) {
  const std::string victim = folder.File("victim");
  WriteBytes(victim, "untouched");
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string leftover = folder.File(".test.ini." + std::to_string(gone) + ".1.tmp");
  const std::string busy = folder.File(".test.ini." + std::to_string(::getppid()) + ".1.tmp");
  ASSERT_EQ(::symlink("victim", leftover.c_str()), 0);
  WriteBytes(busy, "a live writer's");
  ASSERT_TRUE(ini.WriteValue("S", "k", "1"));
  EXPECT_EQ(ReadBytes(victim), "untouched");
  EXPECT_EQ(FilesIn(folder.Path()), 3u);  // the file, the victim, the live writer's
  WriteBytes(leftover, "[S]\nk=half");
  ASSERT_TRUE(ini.WriteValue("S", "k", "1"));  // changes nothing, still tidies
  EXPECT_EQ(FilesIn(folder.Path()), 3u);
  EXPECT_EQ(ReadBytes(busy), "a live writer's");
}

// Run in a child with a time limit, since these once spun forever.
TEST_F(CIniTest, DanglingLinkCreatesItsTargetAndCrOnlyFileIsRefused) {
  const struct {
    const char* Name;
    const char* Target;  // what the link leads to; nullptr: no link, a CR-only file
    Call Write;
    const char* Bytes;  // of the target afterwards
  } cases[] = {
      {"Value", "real.ini", [](CDS_CIni& i) { return i.WriteValue("S", "k", "v"); },
       "[S]\r\nk=v\r\n"},
      {"Section", "real.ini", [](CDS_CIni& i) { return i.WriteSection("S", {"k"}, {"v"}); },
       "[S]\r\nk=v\r\n"},
      {"CrOnlyLines", nullptr, [](CDS_CIni& i) { return i.WriteValue("S", "j", "2"); },
       "[S]\rk=1\r"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ::unlink(path.c_str());
    ::unlink(folder.File("real.ini").c_str());
    if (c.Target) {
      ASSERT_EQ(::symlink(c.Target, path.c_str()), 0);
    } else {
      WriteBytes(path, c.Bytes);
    }
    EXPECT_EQ(test_support::InChild([&] { return c.Write(ini) ? 0 : 1; }, 10), c.Target ? 0 : 1);
    EXPECT_EQ(ReadBytes(path), c.Bytes);
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_EQ(S_ISLNK(st.st_mode), c.Target != nullptr);
  }
  EXPECT_FALSE(ini.WriteValue("S", "j", "2"));
  EXPECT_EQ(ini.LastErrorDescription(),
            "its lines end with CR alone; save it with LF or CR LF line ends");
}

TEST_F(CIniTest, NewFileGetsTheUsualPermissions) {
  const mode_t old = ::umask(022);
  const bool written = ini.WriteValue("S", "k", "1");
  ::umask(old);
  ASSERT_TRUE(written);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(CIniTest, WritesThroughASymbolicLink) {
  const std::string real = folder.File("real.ini");
  WriteBytes(real, "[S]\nk=1\n");
  ASSERT_EQ(::symlink("real.ini", path.c_str()), 0);
  ASSERT_TRUE(ini.WriteValue("S", "k", "2"));
  struct stat st {};
  ASSERT_EQ(::lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(real), "[S]\nk=2\n");
}

struct RefusedCase {
  const char* Name;
  Call Run;
  const char* Description;
};

class RefusedInputTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedInputTest, FailsClearlyAndLeavesTheFileAsItWas) {
  const RefusedCase& c = GetParam();
  TempFolder folder;
  const std::string path = folder.File("r.ini");
  const std::string before = "; keep\r\n[S]\r\nk = 1\r\n[T]\nx=2";
  WriteBytes(path, before);
  CDS_CIni ini;
  ini.FileName(path);
  EXPECT_FALSE(c.Run(ini));
  EXPECT_EQ(ini.LastErrorDescription(), c.Description);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedInputTest,
    ::testing::Values(
        RefusedCase{"ValueWithLf", [](CDS_CIni& i) { return i.WriteValue("S", "k", "1\n[X]"); },
                    "Value of key \"k\" contains a line break"},
        RefusedCase{"ValueWithCr", [](CDS_CIni& i) { return i.WriteValue("S", "k", "1\r"); },
                    "Value of key \"k\" contains a line break"},
        RefusedCase{"KeyWithLf", [](CDS_CIni& i) { return i.WriteValue("S", "k\nj", "1"); },
                    "Key \"k\\nj\" contains a line break"},
        RefusedCase{"SectionWithCr", [](CDS_CIni& i) { return i.WriteValue("S\r", "k", "1"); },
                    "Section name \"S\\r\" contains a line break"},
        RefusedCase{"SectionWithBracket", [](CDS_CIni& i) { return i.WriteValue("S]", "k", "1"); },
                    "Section name \"S]\" contains \"]\""},
        RefusedCase{"KeyWithEquals", [](CDS_CIni& i) { return i.WriteValue("S", "k=j", "1"); },
                    "Key \"k=j\" contains \"=\""},
        RefusedCase{"KeyWithBracket", [](CDS_CIni& i) { return i.WriteValue("S", "[k", "1"); },
                    "Key \"[k\" begins with \"[\""},
        RefusedCase{"KeyWithSemicolon", [](CDS_CIni& i) { return i.WriteValue("S", ";k", "1"); },
                    "Key \";k\" begins with \";\""},
        RefusedCase{"KeyWithHash", [](CDS_CIni& i) { return i.WriteValue("S", "#k", "1"); },
                    "Key \"#k\" begins with \"#\""},
        RefusedCase{"EmptySection", [](CDS_CIni& i) { return i.WriteValue("", "k", "1"); },
                    "Section name is empty"},
        RefusedCase{"EmptyKey", [](CDS_CIni& i) { return i.WriteValue("S", " ", "1"); },
                    "Key name is empty"},
        RefusedCase{"SectionArraysBadKeyLast",
                    [](CDS_CIni& i) {
                      return i.WriteSection("S", {"a", "b", "c="}, {"1", "2", "3"});
                    },
                    "Key \"c=\" contains \"=\""},
        RefusedCase{"SectionArraysBadValue",
                    [](CDS_CIni& i) {
                      return i.WriteSection("S", {"a", "b"}, {"1", "\n"});
                    },
                    "Value of key \"b\" contains a line break"},
        RefusedCase{"SectionArraysBadName",
                    [](CDS_CIni& i) { return i.WriteSection("", {"a"}, {"1"}); },
                    "Section name is empty"},
        RefusedCase{"DeleteEmptyKey", [](CDS_CIni& i) { return i.DeleteKey("S", ""); },
                    "Key name is empty"},
        RefusedCase{"DeleteEmptySection", [](CDS_CIni& i) { return i.DeleteSection(" "); },
                    "Section name is empty"}),
    [](const auto& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace orvanta
