// Prints random entries' generated code as JSON lines for scripts_parse.js:
// {"accepted":true,"popup":"...","link":"..."} or {"accepted":false}.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/EntryRule.h"
#include "core/Generator.h"
#include "tests/core/JsonString.h"

namespace {

using orvanta::PopupSettings;

const std::vector<std::string> kNasty = {"'",
                                         "\"",
                                         "\\",
                                         "\n",
                                         "\r",
                                         "\t",
                                         std::string(1, '\0'),
                                         "\x01",
                                         "\x7F",
                                         "\xC2\x85",
                                         "\xE2\x80\xA8",
                                         "\xE2\x80\xA9",
                                         "<",
                                         "</script>",
                                         "</SCRIPT",
                                         "<script>",
                                         "<!--",
                                         "-->",
                                         "#WINCENTER",
                                         "#URL",
                                         "\xE2\x80\xA2",
                                         "&quot;",
                                         "&#39;",
                                         "&#x5C;",
                                         "&amp;",
                                         "&",
                                         "#",
                                         ";",
                                         " ",
                                         "-",
                                         ".",
                                         "\xC3\xA9",
                                         "/",
                                         "//",
                                         "(",
                                         ")",
                                         "`",
                                         "${",
                                         "*/",
                                         "/*",
                                         "WIDTH",
                                         "TOP",
                                         "\xF0\x9F\x98\x80"};
const std::vector<std::string> kPlain = {"a", "Z",       "pop",    "x1",   "_",  "$",
                                         "9", "http://", "ab.htm", "?q=1", "%27"};
const std::vector<std::string> kWords = {"if",  "class", "new",   "myfunc", "StartPop", "win",
                                         "let", "yield", "await", "eval",   "1up",      "a$_"};
const std::vector<std::string> kNumbers = {"",     "-",  ".",    "-.",  "5",  "1d2",
                                           "1e2",  "+3", "12.5", "400", "0",  "361",
                                           "1E+2", "1.", ".5",   "-7",  "2D0"};

std::string Pick(std::mt19937& r, const std::vector<std::string>& from) {
  return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(r)];
}

std::string Text(std::mt19937& r, bool nasty) {
  std::string t;
  const int n = std::uniform_int_distribution<int>(0, 5)(r);
  for (int i = 0; i < n; ++i) t += nasty && r() % 3 == 0 ? Pick(r, kNasty) : Pick(r, kPlain);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 3000;
  std::mt19937 r(argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 15u);
  for (int i = 0; i < count; ++i) {
    const bool nasty = r() % 2 == 0;
    PopupSettings s;
    s.FunctionName = r() % 3 == 0 ? Pick(r, kWords) : Text(r, nasty);
    s.WindowName = Text(r, nasty);
    s.PageUrl = Text(r, nasty);
    for (std::string* n : {&s.Width, &s.Height, &s.Top, &s.Left, &s.DelaySeconds, &s.CloseSeconds})
      *n = r() % 2 ? Pick(r, kNumbers) : "";
    s.Center = static_cast<int>(r() % 2);
    s.Order = static_cast<orvanta::WindowOrder>(r() % 3);
    s.Activation = static_cast<orvanta::ActivationKind>(r() % 6);
    for (int& o : s.WindowOptions) o = static_cast<int>(r() % 2);
    const orvanta::Generation g = orvanta::GeneratePopupCode(s);
    if (orvanta::FindEntryProblem(g.Settings)) {
      std::puts("{\"accepted\":false}");
      continue;
    }
    std::printf("{\"accepted\":true,\"popup\":");
    orvanta::test_support::PrintJsonString(g.Code.PopupCode);
    std::printf(",\"link\":");
    orvanta::test_support::PrintJsonString(g.Code.LinkCode);
    std::puts("}");
  }
  return 0;
}
