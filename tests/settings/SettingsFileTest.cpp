#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "settings/SettingsFile.h"
#include "tests/support/Child.h"
#include "tests/support/TempFolder.h"

namespace orvanta {
namespace {

using test_support::Exists;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

PopupSettings Typed() {
  PopupSettings s;
  s.FunctionName = "keep";
  s.Width = "640";
  s.WindowOptions[2] = 1;
  return s;
}

class SettingsFileTest : public ::testing::Test {
 public:  // the cases use the fixture's folder and path as their own
  TempFolder folder;
  std::string path = folder.File("popup.ini");
};

TEST_F(SettingsFileTest, LoadsEveryKey) {
  WriteBytes(path,
             "[Popup]\r\n"
             "FunctionName=openIt\r\n"
             "WindowName=help\r\n"
             "PageUrl=http://example.org/a b.htm\r\n"
             "Width=400\r\n"
             "Height=-\r\n"
             "Top=1.5\r\n"
             "Left=2E3\r\n"
             "Center=1\r\n"
             "Order=PopupUnder\r\n"
             "WindowOptions=toolbar, scrollbars ,titlebar\r\n"
             "DelaySeconds=5\r\n"
             "CloseSeconds=\r\n"
             "Activation=MouseOver\r\n");
  PopupSettings s = Typed();
  LoadSettingsFile(path, s);
  PopupSettings expected;
  expected.FunctionName = "openIt";
  expected.WindowName = "help";
  expected.PageUrl = "http://example.org/a b.htm";
  expected.Width = "400";
  expected.Height = "-";
  expected.Top = "1.5";
  expected.Left = "2E3";
  expected.Center = 1;
  expected.Order = WindowOrder::PopupUnder;
  expected.WindowOptions = {1, 0, 0, 0, 0, 1, 0, 0, 0, 1};
  expected.DelaySeconds = "5";
  expected.CloseSeconds = "";
  expected.Activation = ActivationKind::MouseOver;
  EXPECT_EQ(s, expected);
}

TEST_F(SettingsFileTest, MissingKeysKeepWhatTheRecordHad) {
  WriteBytes(path, "[Other]\nWidth=1\n[popup]\n  order = PopupOver\n; Width=9\nwidth=300\n");
  PopupSettings s = Typed();
  LoadSettingsFile(path, s);
  PopupSettings expected = Typed();
  expected.Order = WindowOrder::PopupOver;
  expected.Width = "300";
  EXPECT_EQ(s, expected);
}

TEST_F(SettingsFileTest, EmptyWindowOptionsClearThemAll) {
  WriteBytes(path, "[Popup]\nWindowOptions=\n");
  PopupSettings s = Typed();
  LoadSettingsFile(path, s);
  EXPECT_EQ(s.WindowOptions, (std::array<int, kWindowOptionCount>{}));
}

TEST_F(SettingsFileTest, FirstOfDuplicateKeysWins) {
  WriteBytes(path, "[Popup]\nWidth=100\nWIDTH=oops\n");
  PopupSettings s;
  LoadSettingsFile(path, s);
  EXPECT_EQ(s.Width, "100");
}

TEST_F(SettingsFileTest, SectionWithoutKeysChangesNothing) {
  WriteBytes(path, "[Popup]\n; nothing yet\n");
  PopupSettings s = Typed();
  LoadSettingsFile(path, s);
  EXPECT_EQ(s, Typed());
}

struct BadCase {
  const char* Name;
  std::string Content;
  int ExitCode;
  std::string Message;  // after: settings file "<path>":
};

class BadSettingsTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadSettingsTest, RefusedWithOneLineAndTheRecordUntouched) {
  const BadCase& c = GetParam();
  TempFolder folder;
  const std::string path = folder.File("bad.ini");
  WriteBytes(path, c.Content);
  PopupSettings s = Typed();
  try {
    LoadSettingsFile(path, s);
    FAIL() << "accepted";
  } catch (const SettingsFileError& e) {
    EXPECT_EQ(e.ExitCode(), c.ExitCode);
    EXPECT_EQ(std::string(e.what()), "settings file \"" + path + "\": " + c.Message);
  }
  EXPECT_EQ(s, Typed());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadSettingsTest,
    ::testing::Values(
        BadCase{"NoPopupSection", "[Popups]\nWidth=1\n", 2, "no [Popup] section"},
        BadCase{"EmptyFile", "", 2, "no [Popup] section"},
        BadCase{"KeysBeforeAnySection", "Width=1\n", 2, "no [Popup] section"},
        BadCase{"UnknownKey", "[Popup]\nWidth=1\nColour=red\n", 2,
                "[Popup] unknown key \"Colour\" (value \"red\")"},
        BadCase{"LineWithoutEquals", "[Popup]\nCenter\n", 2, "[Popup] Center=\"\": not 0 or 1"},
        BadCase{"WidthNotNumber", "[Popup]\nWidth=12px\n", 2,
                "[Popup] Width=\"12px\": not a number"},
        BadCase{"DelayNotNumber", "[Popup]\nDelaySeconds=1 5\n", 2,
                "[Popup] DelaySeconds=\"1 5\": not a number"},
        BadCase{"CloseNotNumber", "[Popup]\nCloseSeconds=&H10\n", 2,
                "[Popup] CloseSeconds=\"&H10\": not a number"},
        BadCase{"CenterTwo", "[Popup]\nCenter=2\n", 2, "[Popup] Center=\"2\": not 0 or 1"},
        BadCase{"OrderUnknown", "[Popup]\nOrder=Popup Over\n", 2,
                "[Popup] Order=\"Popup Over\": not one of Normal, PopupOver, PopupUnder, InPage"},
        BadCase{"ActivationWrongCase", "[Popup]\nActivation=pageload\n", 2,
                "[Popup] Activation=\"pageload\": not one of StandardLink, PageLoad, PageClose, "
                "FormButton, MouseOver, ImageLink"},
        BadCase{"OptionUnknown", "[Popup]\nWindowOptions=toolbar,sidebar\n", 2,
                "[Popup] WindowOptions=\"toolbar,sidebar\": unknown option \"sidebar\" "
                "(accepted: toolbar, location, directories, status, menubar, scrollbars, "
                "resizable, dependent, fullscreen, titlebar)"},
        BadCase{"OptionEmptyWord", "[Popup]\nWindowOptions=toolbar,,status\n", 2,
                "[Popup] WindowOptions=\"toolbar,,status\": unknown option \"\" "
                "(accepted: toolbar, location, directories, status, menubar, scrollbars, "
                "resizable, dependent, fullscreen, titlebar)"},
        BadCase{"ControlCharacterShown", "[Popup]\nWidth=1\x01\n", 2,
                "[Popup] Width=\"1\\x01\": not a number"}),
    [](const auto& param) { return std::string(param.param.Name); });

TEST_F(SettingsFileTest, MissingFileCannotBeRead) {
  PopupSettings s = Typed();
  try {
    LoadSettingsFile(path, s);
    FAIL() << "accepted";
  } catch (const SettingsFileError& e) {
    EXPECT_EQ(e.ExitCode(), 1);
    EXPECT_EQ(std::string(e.what()),
              "cannot read settings file \"" + path + "\": No such file or directory");
  }
}

TEST_F(SettingsFileTest, FolderCannotBeRead) {
  PopupSettings s;
  try {
    LoadSettingsFile(folder.Path(), s);
    FAIL() << "accepted";
  } catch (const SettingsFileError& e) {
    EXPECT_EQ(e.ExitCode(), 1);
    EXPECT_EQ(std::string(e.what()),
              "cannot read settings file \"" + folder.Path() + "\": Is a directory");
  }
}

TEST_F(SettingsFileTest, SavesEveryKeyInOrder) {
  PopupSettings s;
  s.FunctionName = "f";
  s.WindowName = "w";
  s.PageUrl = "http://x";
  s.Width = "1";
  s.Height = "2";
  s.Top = "3";
  s.Left = "4";
  s.Center = 1;
  s.Order = WindowOrder::PopupOver;
  s.WindowOptions[1] = 1;
  s.WindowOptions[8] = 1;
  s.DelaySeconds = "";
  s.CloseSeconds = "9";
  s.Activation = ActivationKind::ImageLink;
  SaveSettingsFile(path, s);
  EXPECT_EQ(ReadBytes(path),
            "[Popup]\r\n"
            "FunctionName=f\r\n"
            "WindowName=w\r\n"
            "PageUrl=http://x\r\n"
            "Width=1\r\n"
            "Height=2\r\n"
            "Top=3\r\n"
            "Left=4\r\n"
            "Center=1\r\n"
            "Order=PopupOver\r\n"
            "WindowOptions=location,fullscreen\r\n"
            "DelaySeconds=\r\n"
            "CloseSeconds=9\r\n"
            "Activation=ImageLink\r\n");
}

TEST_F(SettingsFileTest, SaveLeavesOtherSectionsAndCommentsAlone) {
  WriteBytes(path,
             "; my popups\n"
             "[Before]\n"
             "a = 1\n"
             "[Popup]\n"
             "; the last one\n"
             "Width=1\n"
             "Colour=red\n"
             "[After]\n"
             "b=2");
  PopupSettings s = ReadPopupSettings(PopupSettings{});
  SaveSettingsFile(path, s);
  EXPECT_EQ(ReadBytes(path),
            "; my popups\n"
            "[Before]\n"
            "a = 1\n"
            "[Popup]\n"
            "; the last one\n"
            "FunctionName=myfunc\n"
            "WindowName=windtitle\n"
            "PageUrl=http://YourURL.htm\n"
            "Width=300\n"
            "Height=300\n"
            "Top=300\n"
            "Left=300\n"
            "Center=0\n"
            "Order=Normal\n"
            "WindowOptions=\n"
            "DelaySeconds=\n"
            "CloseSeconds=\n"
            "Activation=StandardLink\n"
            "[After]\n"
            "b=2");
}

class SettingsRoundTripTest : public ::testing::TestWithParam<int> {};

TEST_P(SettingsRoundTripTest, LoadGivesBackWhatWasSaved) {
  PopupSettings typed;
  const int n = GetParam();
  typed.FunctionName = n % 2 ? "go" + std::to_string(n) : "";
  typed.WindowName = n % 3 ? "win" : "  ";
  typed.PageUrl = n % 2 ? "page.htm?x=1&y=[2];#top" : "https://example.org//";
  typed.Width = n % 4 ? "-" : "12.5";
  typed.Top = "1E2";
  typed.Center = n % 2;
  typed.Order = static_cast<WindowOrder>(n % 3);
  for (int i = 0; i < kWindowOptionCount; ++i) typed.WindowOptions[i] = (n >> i) & 1;
  typed.DelaySeconds = n % 5 ? "7" : "2.5";
  typed.CloseSeconds = n % 2 ? "400" : "";
  typed.Activation = static_cast<ActivationKind>(n % 6);
  const PopupSettings repaired = ReadPopupSettings(typed);

  TempFolder folder;
  const std::string path = folder.File("round.ini");
  SaveSettingsFile(path, repaired);
  PopupSettings loaded;
  loaded.PageUrl = "something else";
  LoadSettingsFile(path, loaded);
  EXPECT_EQ(loaded, repaired);
}

INSTANTIATE_TEST_SUITE_P(Mixes, SettingsRoundTripTest, ::testing::Values(0, 1, 2, 5, 342, 1023),
                         [](const auto& param) { return "Mix" + std::to_string(param.param); });

TEST_F(SettingsFileTest, UnsavableValueWritesNothing) {
  PopupSettings s = ReadPopupSettings(PopupSettings{});
  s.WindowName = "two\nlines";
  try {
    SaveSettingsFile(path, s);
    FAIL() << "saved";
  } catch (const SettingsFileError& e) {
    EXPECT_EQ(e.ExitCode(), 2);
    EXPECT_EQ(std::string(e.what()),
              "cannot save settings file \"" + path +
                  "\": [Popup] WindowName=\"two\\nlines\": a line break or blanks at either "
                  "end would be lost");
  }
  EXPECT_FALSE(Exists(path));

  WriteBytes(path, "[Popup]\nWidth=5\n");
  s = ReadPopupSettings(PopupSettings{});
  s.Height = "tall";
  try {
    SaveSettingsFile(path, s);
    FAIL() << "saved";
  } catch (const SettingsFileError& e) {
    EXPECT_EQ(e.ExitCode(), 2);
    EXPECT_EQ(std::string(e.what()),
              "cannot save settings file \"" + path + "\": [Popup] Height=\"tall\": not a number");
  }
  EXPECT_EQ(ReadBytes(path), "[Popup]\nWidth=5\n");
}

TEST_F(SettingsFileTest, UnwritableFileIsAnAccessError) {
  const PopupSettings s = ReadPopupSettings(PopupSettings{});
  try {
    SaveSettingsFile(folder.File("missing/popup.ini"), s);
    FAIL() << "saved";
  } catch (const SettingsFileError& e) {
    EXPECT_EQ(e.ExitCode(), 1);
    EXPECT_EQ(std::string(e.what()), "cannot write settings file \"" +
                                         folder.File("missing/popup.ini") +
                                         "\": No such file or directory");
  }
}

// Many repeated keys: reading keeps the file and the first value of each
// key, within four times the file's size of address space.
TEST(SettingsFile, ManyKeysNeedMemoryInProportionToTheFile) {
  if (!test_support::kAddressLimitsWork)
    GTEST_SKIP() << "no address-space limit under AddressSanitizer";
  TempFolder folder;
  std::string text = "[Popup]\n";
  for (int i = 0; i < 2000000; ++i) text += "Width=5\n";
  WriteBytes(folder.File("many.ini"), text);
  const int code = test_support::InChild([&] {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t room = pages * ::sysconf(_SC_PAGESIZE) + 4 * text.size();
    const rlimit limit{room, room};
    ::setrlimit(RLIMIT_AS, &limit);
    try {
      PopupSettings read;
      LoadSettingsFile(folder.File("many.ini"), read);
      return read.Width == "5" ? 0 : 1;
    } catch (...) {
      return 2;
    }
  });
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace orvanta
