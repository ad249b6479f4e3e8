#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "Process.h"
#include "core/Generator.h"
#include "preview/TextFile.h"
#include "tests/support/Examples.h"
#include "tests/support/TempFolder.h"

extern char** environ;

namespace orvanta {
namespace {

using test::RunProcess;

test::ProcessResult Cli(const std::vector<std::string>& args) {
  return RunProcess(ORVANTA_CLI_PATH, args);
}

using test_support::ReadBytes;
using test_support::TempFolder;

std::vector<std::string> Entries(const TempFolder& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Cli, FreshScreenByDefault) {
  const auto r = Cli({"generate"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, GeneratePopupCode(PopupSettings{}).Code.PopupCode);
  EXPECT_EQ(r.out.rfind("<!-- To install popup window:Paste", 0), 0u);
  EXPECT_EQ(r.out.substr(r.out.size() - 9), "</HTML>\r\n");

  const auto link = Cli({"generate", "--link"});
  EXPECT_EQ(link.out,
            " <A HREF=\"#\" onClick=\"javascript:void window.open('http://YourURL.htm',"
            "'windtitle',  'top=300,left=300,width=300,height=300')\">Click here</A>\r\n");
}

TEST(Cli, MissingLinkCodeIsExplainedOnStderr) {
  const auto r = Cli({"generate", "--link", "-a", "load", "-t", "over", "-d", "3"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "There is no link code: \"Page Load\", \"Delay popup by\" and the window type "
            "\"Popup Over\" need the script in the HEAD, so use the popup code.\n");
}

TEST(Cli, OptionsReachTheGenerator) {
  const std::string expected =
      GeneratePopupCode(test_support::CentredDelayedPageLoad()).Code.PopupCode;

  const std::vector<std::vector<std::string>> spellings = {
      {"generate", "-f",       "openIt", "-w", "promo", "-u",    "offer.htm", "--width",
       "400",      "--height", "200",    "-c", "-t",    "under", "-o",        "scrollbars",
       "-d",       "5",        "-x",     "10", "-a",    "load"},
      {"generate", "--function=openIt", "--window-name=promo", "--url=offer.htm", "--width=400",
       "--height=200", "--center", "--type=under", "--option=scrollbars", "--delay=5", "--close=10",
       "--trigger=load"},
  };
  for (const auto& args : spellings) {
    const auto r = Cli(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, expected);
  }
}

TEST(Cli, ValuesMayBeginWithAHyphen) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;
  } cases[] = {
      {{"generate", "--left", "-5", "--top=-."}, "'top=-.,left=-5,width=300,height=300'"},
      {{"generate", "--top", "-", "--left", "-.5"}, "'top=-,left=-.5,width=300,height=300'"},
      {{"generate", "-w", "-x"}, "'-x','top=300,"},
      {{"generate", "--top=", "--left", "", "--width", "7"}, "'top=300,left=300,width=7,"},
  };
  for (const auto& c : cases) {
    const auto r = Cli(c.args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << c.expected;
  }
}

TEST(Cli, WindowOptionsRepeatOrComma) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"generate", "-o", "toolbar,status", "-o", "titlebar"},
           {"generate", "--option=titlebar", "--option", "status,toolbar"}}) {
    const auto r = Cli(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("'top=300,left=300,toolbar= 1,status= 1,titlebar= 1,width=300"),
              std::string::npos);
  }
}

TEST(Cli, PageCloseEmptiesTheTimings) {
  const auto r = Cli({"generate", "-a", "close", "-d", "5", "-x", "9", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["settings"]["DelaySeconds"], "");
  EXPECT_EQ(j["settings"]["CloseSeconds"], "");
  EXPECT_NE(j["popup_code"].get<std::string>().find("onunload=myfunc()"), std::string::npos);
}

TEST(Cli, JsonCarriesBothTextsAndTheRepairedSettings) {
  const auto r = Cli({"generate", "--json", "-u", " mypage.htm ", "--width", "", "-d", "1E3", "-o",
                      "menubar", "-t", "over", "-a", "mouseover"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  const auto& s = j["settings"];
  EXPECT_EQ(s["FunctionName"], "myfunc");
  EXPECT_EQ(s["WindowName"], "windtitle");
  EXPECT_EQ(s["PageUrl"], "http://mypage.htm");
  EXPECT_EQ(s["Width"], "300");
  EXPECT_EQ(s["Top"], "300");
  EXPECT_EQ(s["Center"], 0);
  EXPECT_EQ(s["Order"], "PopupOver");
  EXPECT_EQ(s["WindowOptions"], nlohmann::json({0, 0, 0, 0, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s["DelaySeconds"], "360");
  EXPECT_EQ(s["CloseSeconds"], "");
  EXPECT_EQ(s["Activation"], "MouseOver");
  EXPECT_EQ(j["link_code"], "");
  EXPECT_NE(j["popup_code"].get<std::string>().find("win.focus()"), std::string::npos);
}

TEST(Cli, BadInputIsRefusedWithOneLineAndNothingWritten) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--width", "12a"}, "--width: \"12a\" is not a number"},
      {{"--delay", "1,5"}, "--delay: \"1,5\" is not a number"},
      {{"--left", "--"}, "--left: \"--\" is not a number"},
      {{"--close=&H10"}, "--close: \"&H10\" is not a number"},
      {{"-t", "sideways"},
       "--type: unknown value \"sideways\" (accepted: normal, over, under, inpage)"},
      {{"-a", "click"},
       "--trigger: unknown value \"click\" (accepted: link, load, close, button, mouseover, "
       "image)"},
      {{"-o", "toolbar,wings"}, "--option: unknown value \"wings\""},
      {{"--bogus"}, "--bogus"},
      {{"-f", "1abc"}, "--function: \"1abc\": the character \"1\" cannot begin"},
      {{"-f", "a;b"}, "the character \";\" cannot be in a function name"},
      {{"-f", "if"}, "\"if\" is a reserved word"},
      {{"-f", "setTimeout"}, "\"setTimeout\" is a name the generated script needs for itself"},
      {{"-c", "--height", "-."}, "--height: \"-.\": \"-.\" is not a number the script can read"},
      {{"-x", "2d1"}, "--close: \"2d1\": the character \"d\""},
      {{"-t", "inpage", "--top", "-"},
       "--top: \"-\": the character \"-\" is not a number the script can read"},
      {{"-u", std::string(32768, 'u')}, "--url: the text is 32768 characters long"},
  };
  for (const auto& c : cases) {
    TempFolder dir;
    std::vector<std::string> args = {"generate", "--test-pages", dir.Path()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = Cli(args);
    EXPECT_EQ(r.exitCode, 2) << c.message;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("orvanta-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(Entries(dir).empty()) << c.message;
  }
}

TEST(Cli, TestPagesAreWritten) {
  TempFolder dir;
  const auto r = Cli({"generate", "-w", "caf\xC3\xA9", "--test-pages", dir.Path()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Entries(dir),
            (std::vector<std::string>{"gobutton.gif", "test_link.htm", "test_page.htm"}));
  EXPECT_EQ(ReadBytes(dir.Path() + "/test_page.htm"), Utf8ToWindows1252(r.out) + "\r\n");
  EXPECT_NE(ReadBytes(dir.Path() + "/test_page.htm").find("'caf\xE9'"), std::string::npos);
  const std::string link = Cli({"generate", "-w", "caf\xC3\xA9", "--link"}).out;
  EXPECT_EQ(ReadBytes(dir.Path() + "/test_link.htm"),
            Utf8ToWindows1252("<html><head><title>Popup Test Page</title></head><body>" + link +
                              "</body></html>\r\n"));
}

TEST(Cli, UnwritableTestPageFolderFails) {
  TempFolder dir;
  const std::string missing = dir.Path() + "/missing";
  const auto r = Cli({"generate", "--test-pages", missing});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;
}

TEST(Cli, HelpAndVersion) {
  const auto v = Cli({"--version"});
  EXPECT_EQ(v.exitCode, 0);
  EXPECT_EQ(v.out, "orvanta-cli 2.1.3\n");
  const auto h = Cli({"generate", "--help"});
  EXPECT_EQ(h.exitCode, 0);
  for (const char* word : {"--function", "--window-name", "--trigger", "--test-pages", "--json"})
    EXPECT_NE(h.out.find(word), std::string::npos) << word;
  const auto none = Cli({});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_EQ(none.out, "");
  // Every value says what it wants, and every line fits a terminal.
  for (const auto& help : {Cli({"--help"}), h}) {
    EXPECT_EQ(help.out.find("TEXT"), std::string::npos) << help.out;
    std::size_t start = 0;
    for (std::size_t end; (end = help.out.find('\n', start)) != std::string::npos; start = end + 1)
      EXPECT_LE(end - start, 80u) << help.out.substr(start, end - start);
  }
  for (const char* name : {"--url URL", "--delay SECONDS", "--test-pages DIR", "--settings FILE"})
    EXPECT_NE(h.out.find(name), std::string::npos) << name;
}

TEST(Cli, NearMissOptionsGetASuggestion) {
  const std::pair<const char*, const char*> cases[] = {{"--widht", "did you mean --width?"},
                                                       {"--centre", "did you mean --center?"},
                                                       {"--zzzzzzzz", "(see --help)"}};
  for (const auto& [typed, said] : cases) {
    const auto r = Cli({"generate", typed});
    EXPECT_EQ(r.exitCode, 2) << typed;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
  }
  EXPECT_EQ(Cli({"generate", "--zzzzzzzz"}).err.find("did you mean"), std::string::npos);
}

TEST(Cli, SettingsFromStandardInput) {
  const std::string command = std::string("printf '[Popup]\\nFunctionName=fromPipe\\n' | ") +
                              ORVANTA_CLI_PATH + " generate --settings - --json";
  const auto r = RunProcess("/bin/sh", {"-c", command});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"FunctionName\": \"fromPipe\""), std::string::npos) << r.out;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(Cli, SettingsFileFirstThenOptionsFieldByField) {
  TempFolder dir;
  const std::string file = dir.Path() + "/popup.ini";
  WriteFile(file,
            "[Popup]\r\nFunctionName=fromFile\r\nWidth=400\r\nCenter=1\r\n"
            "WindowOptions=toolbar,status\r\nActivation=FormButton\r\n");
  PopupSettings s;
  s.FunctionName = "fromFile";
  s.Width = "500";
  s.Center = 1;
  s.WindowOptions[0] = 1;
  s.WindowOptions[3] = 1;
  s.Activation = ActivationKind::FormButton;
  const auto r = Cli({"generate", "--settings", file, "--width", "500"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, GeneratePopupCode(s).Code.PopupCode);

  // Any --option replaces the file's window options as a whole.
  s.WindowOptions = {};
  s.WindowOptions[5] = 1;
  const auto o = Cli({"generate", "--settings", file, "--width", "500", "-o", "scrollbars"});
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out, GeneratePopupCode(s).Code.PopupCode);
}

TEST(Cli, SavedSettingsReproduceTheCode) {
  TempFolder dir;
  const std::string file = dir.Path() + "/saved.ini";
  WriteFile(file, "; mine\n[Colours]\nback=white\n");
  const auto first = Cli({"generate", "--save-settings", file, "-f", "  go  ", "-t", "over", "-d",
                          "500", "-o", "menubar", "--url", "a.htm"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(ReadBytes(file),
            "; mine\n[Colours]\nback=white\n[Popup]\nFunctionName=go\nWindowName=windtitle\n"
            "PageUrl=http://a.htm\nWidth=300\nHeight=300\nTop=300\nLeft=300\nCenter=0\n"
            "Order=PopupOver\nWindowOptions=menubar\nDelaySeconds=360\nCloseSeconds=\n"
            "Activation=StandardLink\n");
  const auto again = Cli({"generate", "--settings", file});
  ASSERT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(again.out, first.out);
}

TEST(Cli, BadSettingsFileIsRefusedWithNothingWritten) {
  struct Case {
    const char* content;  // nullptr: no file at all
    int exitCode;
    std::string message;
  } cases[] = {
      {nullptr, 1, "No such file or directory"},
      {"[Other]\nWidth=1\n", 2, "no [Popup] section"},
      {"[Popup]\nWidth=wide\n", 2, "[Popup] Width=\"wide\": not a number"},
      {"[Popup]\nOrder=Sideways\n", 2, "[Popup] Order=\"Sideways\""},
      {"[Popup]\nHue=red\n", 2, "[Popup] unknown key \"Hue\" (value \"red\")"},
      {"[Popup]\nFunctionName=a\x01"
       "b\n",
       2, "[Popup] FunctionName=\"a\\x01b\": the character \"\\x01\""},
      {"[Popup]\nFunctionName=my news\n", 2,
       "[Popup] FunctionName=\"my news\": the character \" \" cannot be in a function name"},
  };
  for (const auto& c : cases) {
    TempFolder dir;
    const std::string file = dir.Path() + "/in.ini";
    if (c.content) WriteFile(file, c.content);
    const std::string saved = dir.Path() + "/out.ini";
    const auto r =
        Cli({"generate", "--settings", file, "--save-settings", saved, "--test-pages", dir.Path()});
    EXPECT_EQ(r.exitCode, c.exitCode) << c.message;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("orvanta-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(Entries(dir),
              c.content ? std::vector<std::string>{"in.ini"} : std::vector<std::string>{});
  }
}

TEST(Cli, UnwritableSettingsFileFailsBeforeAnyOutput) {
  TempFolder dir;
  const std::string file = dir.Path() + "/missing/out.ini";
  const auto r = Cli({"generate", "--save-settings", file, "--test-pages", dir.Path()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
  EXPECT_TRUE(Entries(dir).empty());
}

}  // namespace
}  // namespace orvanta

namespace orvanta {
namespace {

using Args = std::vector<std::string>;

// Each row once let a command write part of what it was asked to, write
// where it must not, or end without a clear single line. "D" in an argument
// stands for the test's folder.
TEST(Cli, FailuresAreOneLineAndLeaveEveryFileAsItWas) {
  const auto file = [](const char* name, const char* bytes, mode_t mode = 0644) {
    return [=](const std::string& d) {
      std::ofstream(d + "/" + name) << bytes;
      ::chmod((d + "/" + name).c_str(), mode);
    };
  };
  const struct {
    const char* name;
    std::function<void(const std::string&)> prepare;
    Args args;
    int exitCode;
    const char* message;
    const char* stdoutTo = "";  // "D/out.txt", "/dev/full" or "closed"
    bool asNobody = false;      // run unprivileged (setpriv), D open to all
  } cases[] = {
      {"SettingsAndPageOneFile",
       nullptr,
       {"--save-settings", "D/test_page.htm", "--test-pages", "D/."},
       2,
       "are the same file"},
      {"SameFileThroughAFolderLink",
       [](auto& d) { ::symlink(".", (d + "/alias").c_str()); },
       {"--save-settings", "D/alias/test_link.htm", "--test-pages", "D"},
       2,
       "are the same file"},
      {"HardLinkedSettings",
       [](auto& d) {
         std::ofstream(d + "/s.ini") << "[Popup]\n";
         ::link((d + "/s.ini").c_str(), (d + "/l.ini").c_str());
       },
       {"--save-settings", "D/l.ini"},
       1,
       "it has 2 hard links"},
      {"Utf16Settings",
       file("u.ini", "\xff\xfe[\0"),
       {"--settings", "D/u.ini"},
       2,
       "saved as UTF-16 (it has a byte-order mark or NUL bytes); save it as UTF-8"},
      {"JsonOfInvalidUtf8",
       nullptr,
       {"--json", "-w", "a\xff\xfe", "--test-pages", "D"},
       2,
       "--json: WindowName is not valid UTF-8 (byte 0xFF at offset 1)"},
      {"FolderStopsTheReplace",
       [](auto& d) {
         ::mkdir((d + "/ro").c_str(), 0755);
         std::ofstream(d + "/ro/s.ini") << "[Popup]\n";
         ::chmod((d + "/ro/s.ini").c_str(), 0666);
         ::chmod((d + "/ro").c_str(), 0555);
       },
       {"--save-settings", "D/ro/s.ini"},
       1,
       "/ro\", which cannot be written to (Permission denied)",
       "",
       true},
      {"StickyFolder",
       [](auto& d) {
         std::ofstream(d + "/s.ini") << "[Popup]\n";
         ::chmod((d + "/s.ini").c_str(), 0666);
         ::chmod(d.c_str(), 01777);
       },
       {"--save-settings", "D/s.ini"},
       1,
       "is sticky, so only the file's owner may replace it",
       "",
       true},
      {"DanglingLinkIntoMissingFolder",
       [](auto& d) { ::symlink("no/x.ini", (d + "/s.ini").c_str()); },
       {"--save-settings", "D/s.ini"},
       1,
       "s.ini\": No such file or directory (it links to \""},
      {"CharacterDevice",
       [](auto& d) { ::mknod((d + "/dev").c_str(), S_IFCHR | 0666, makedev(1, 3)); },
       {"--save-settings", "D/dev"},
       1,
       "it is a character device, not a regular file"},
      {"Pipe",
       [](auto& d) { ::mkfifo((d + "/fifo").c_str(), 0644); },
       {"--save-settings", "D/fifo"},
       1,
       "it is a pipe, not a regular file"},
      {"LinkLoop",
       [](auto& d) { ::symlink("s.ini", (d + "/s.ini").c_str()); },
       {"--save-settings", "D/s.ini"},
       1,
       "Too many levels of symbolic links"},
      {"StdoutLink",
       nullptr,
       {"--save-settings", "/dev/stdout"},
       1,
       "a file a process has open",
       "D/out.txt"},
      {"SameFileAsStdout",
       nullptr,
       {"--save-settings", "D/out.txt"},
       2,
       "is also the standard output",
       "D/out.txt"},
      {"HugeSettings",
       [](auto& d) {
         std::ofstream(d + "/big.ini").flush();
         std::filesystem::resize_file(d + "/big.ini", std::uintmax_t{200} << 30);
       },
       {"--settings", "D/big.ini"},
       2,
       "larger than 64 MiB"},
      {"EndlessSettings", nullptr, {"--settings", "/dev/zero"}, 2, "it is a device"},
      {"FullDisk", nullptr, {"--json"}, 1, "output: No space left on device", "/dev/full"},
      {"ClosedStdout", nullptr, {"--test-pages", "D"}, 1, "output: Bad file descriptor", "closed"},
      {"SettingsThenMissingPagesFolder",
       nullptr,
       {"--save-settings", "D/p.ini", "--test-pages", "D/no"},
       1,
       "/no/test_page.htm\": No such file or directory"},
      {"LinkPageIsAFolder",
       [](auto& d) { ::mkdir((d + "/test_link.htm").c_str(), 0755); },
       {"--test-pages", "D"},
       1,
       "test_link.htm\": Is a directory"},
      {"ReadOnlyPage",
       file("test_page.htm", "mine", 0444),
       {"--test-pages", "D"},
       1,
       "test_page.htm\": Permission denied"},
      {"EmptyPagesFolder", nullptr, {"--test-pages", ""}, 2, "--test-pages: the name is empty"},
      {"EmptySettingsName",
       nullptr,
       {"--save-settings", ""},
       2,
       "--save-settings: the name is empty"},
      {"CrOnlySettings",
       file("cr.ini", "[Popup]\rFunctionName=crname\rWidth=abc\r"),
       {"--settings", "D/cr.ini"},
       2,
       "its lines end with CR alone"},
      {"LineBreakInArgument",
       nullptr,
       {"-w", "a\nb", "-t", "x\ny"},
       2,
       "--type: unknown value \"x\\ny\""},
      {"OptionAsTyped", nullptr, {"-c=3"}, 2, "unknown option \"-c=3\""},
      {"UnknownOptionBeforeItsValue", nullptr, {"--Width", "4"}, 2, "unknown option \"--Width\""},
      {"UnknownCommand", nullptr, {}, 2, "unknown command \"foo\" (accepted: generate)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (::geteuid() != 0 && (c.asNobody || std::string(c.name) == "CharacterDevice")) continue;
    TempFolder dir;
    if (c.asNobody) ::chmod(dir.Path().c_str(), 0755);
    const auto expand = [&](std::string arg) {
      return arg.rfind('D', 0) == 0 ? dir.Path() + arg.substr(1) : arg;
    };
    Args args = {c.args.empty() ? "foo" : "generate"};
    for (const auto& a : c.args) args.push_back(expand(a));
    if (c.prepare) c.prepare(dir.Path());
    std::ofstream(dir.Path() + "/out.txt").flush();
    const auto before = test_support::FolderState(dir.Path());
    if (c.asNobody) {
      args.insert(args.begin(),
                  {"--reuid=65534", "--regid=65534", "--clear-groups", ORVANTA_CLI_PATH});
    }
    const auto r =
        RunProcess(c.asNobody ? "/usr/bin/setpriv" : ORVANTA_CLI_PATH, args, expand(c.stdoutTo));
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("orvanta-cli: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(test_support::FolderState(dir.Path()), before);
  }
}

TEST(Cli, OutputFailureAfterTheFilesSaysWhatWasWritten) {
  TempFolder dir;
  const auto r =
      RunProcess(ORVANTA_CLI_PATH, {"generate", "--save-settings", dir.File("p.ini")}, "/dev/full");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err,
            "orvanta-cli: cannot write the standard output: No space left on device; "
            "written: \"" +
                dir.File("p.ini") + "\"\n");
}

TEST(Cli, WritesThroughLinksAndReadsSettingsFromAPipe) {
  TempFolder dir;
  ::symlink("new.ini", dir.File("s.ini").c_str());
  ::symlink("real.htm", dir.File("test_page.htm").c_str());
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const std::string settings = "[Popup]\nWidth=5\n";
  ASSERT_EQ(::write(fds[1], settings.data(), settings.size()),
            static_cast<ssize_t>(settings.size()));
  ::close(fds[1]);
  const auto r = Cli({"generate", "--settings", "/dev/fd/" + std::to_string(fds[0]),
                      "--save-settings", dir.File("s.ini"), "--test-pages", dir.Path()});
  ::close(fds[0]);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("width=5"), std::string::npos);
  EXPECT_NE(ReadBytes(dir.File("new.ini")).find("Width=5\r\n"), std::string::npos);
  EXPECT_EQ(ReadBytes(dir.File("real.htm")), Utf8ToWindows1252(r.out) + "\r\n");
  EXPECT_EQ(std::filesystem::read_symlink(dir.File("s.ini")), "new.ini");
  EXPECT_EQ(std::filesystem::read_symlink(dir.File("test_page.htm")), "real.htm");
}

// The window name a test page was made with, from its window.open call.
std::string WindowNameIn(const std::string& page) {
  const std::size_t open = page.find("window.open(");
  const std::size_t at = page.find(",", open);
  const std::size_t from = page.find('\'', at);
  if (open == std::string::npos || from == std::string::npos) return "";
  return page.substr(from + 1, page.find('\'', from + 1) - from - 1);
}

TEST(Cli, ConcurrentRunsNeverMixTheirPages) {
  constexpr int kRuns = 50;
  constexpr int kRounds = 6;
  int mixed = 0;
  for (int round = 0; round < kRounds; ++round) {
    TempFolder dir;
    std::vector<pid_t> runs;
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    for (int run = 0; run < kRuns; ++run) {
      std::vector<std::string> args = {ORVANTA_CLI_PATH,          "generate",     "-w",
                                       "w" + std::to_string(run), "--test-pages", dir.Path()};
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      pid_t pid = -1;
      ASSERT_EQ(::posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ), 0);
      runs.push_back(pid);
    }
    posix_spawn_file_actions_destroy(&quiet);
    for (pid_t pid : runs) {
      int status = 0;
      ::waitpid(pid, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const std::string popup = WindowNameIn(ReadBytes(dir.File("test_page.htm")));
    const std::string link = WindowNameIn(ReadBytes(dir.File("test_link.htm")));
    ASSERT_FALSE(popup.empty());
    if (popup != link) ++mixed;
    EXPECT_EQ(Entries(dir),
              (std::vector<std::string>{"gobutton.gif", "test_link.htm", "test_page.htm"}));
  }
  EXPECT_EQ(mixed, 0) << "of " << kRounds << " rounds";
}

}  // namespace
}  // namespace orvanta
