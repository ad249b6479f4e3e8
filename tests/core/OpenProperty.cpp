// Prints random realistic entries with their generated code as JSON lines for
// open_in_dom.js: what window.open must receive (the repaired entries), the
// trigger, and both texts; refused entries only say so.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/EntryRule.h"
#include "core/Enums.h"
#include "core/Generator.h"
#include "tests/core/JsonString.h"

namespace {

using orvanta::PopupSettings;

using Words = std::vector<std::string>;

const Words kSchemes = {"http://", "https://", "https://", "", "HTTPS://", "http://www."};
const Words kHosts = {"site.org",       "en.wikipedia.org",   "example.com",
                      "localhost:8080", "news.example.co.uk", "192.168.1.10"};
const Words kSegments = {"page.htm",
                         "DESKTOP",
                         "wiki",
                         "O'Brien",
                         "a%20b",
                         "%27",
                         "WIDTH",
                         "TOP",
                         "LEFT",
                         "HEIGHT",
                         "caf\xC3\xA9",
                         "\xE6\x97\xA5\xE6\x9C\xAC",
                         "\xF0\x9F\x98\x80",
                         "news",
                         "Na\xC3\xAFve",
                         "x\\y",
                         "say\"hi\"",
                         "</script>",
                         "<SCRIPT>",
                         "<!--",
                         "-->",
                         "\xE2\x80\xA8",
                         "\xE2\x80\xA2",
                         "&amp;",
                         "&#39;",
                         "&quot;",
                         "${x}",
                         "`tick`",
                         "#URL",
                         "#WINPROP",
                         "a\tb",
                         "\xC2\x85",
                         "euro\xE2\x82\xAC",
                         "1,2",
                         "*/",
                         "'+alert(1)+'"};
const Words kEndings = {"",           "#TOP",       "#URL",         "?q=1&x=2", "?copy=1&copy=2",
                        "?a=1&not-b", "#section-2", "?name=O'Neil", "/",        "?p=%22q%22"};
const Words kNameWords = {"news",   "Promo",      "TOPnews",     "my window",        "O'Brien's",
                          "WIDTH",  "#WINTITLE",  "line\nbreak", "\xE2\x80\xA2",     "caf\xC3\xA9",
                          "_blank", "\"quoted\"", "back\\slash", "\xF0\x9F\x98\x80", "</script>"};
const Words kFunctionParts = {"open", "_",      "$",   "news",  "LEFT", "TOP",
                              "1",    "letter", "Pop", "WIDTH", "x"};
const Words kSpecialFunctions = {"if",  "class",   "win",      "StartPop",        "open",
                                 "1up", "my func", "openLEFT", "open_newsletter", "$",
                                 "_"};
const Words kSizes = {"",   "400", "640", "200",  "1e2", "1.5", ".5",
                      "+3", "-20", "0",   "2000", "-",   "1d2"};
const Words kTimings = {"", "", "", "1", "2.5", "5", "1e1", "0.5", "361", "2D0"};

std::string Pick(std::mt19937& r, const Words& from) {
  return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(r)];
}

std::string Address(std::mt19937& r) {
  std::string url = Pick(r, kSchemes) + Pick(r, kHosts);
  const int segments = static_cast<int>(r() % 4);
  for (int i = 0; i < segments; ++i) url += "/" + Pick(r, kSegments);
  return url + Pick(r, kEndings);
}

std::string FunctionName(std::mt19937& r) {
  if (r() % 4 == 0) return Pick(r, kSpecialFunctions);
  std::string name = Pick(r, kFunctionParts);
  if (name == "1") name = "f";
  for (int i = static_cast<int>(r() % 3); i > 0; --i) name += Pick(r, kFunctionParts);
  return name;
}

std::string WindowName(std::mt19937& r) {
  std::string name;
  for (int i = static_cast<int>(r() % 3); i > 0; --i) name += Pick(r, kNameWords);
  return name;
}

void PrintJson(const char* key, const std::string& s) {
  std::printf(",\"%s\":", key);
  orvanta::test_support::PrintJsonString(s);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
  std::mt19937 r(argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 27u);
  for (int i = 0; i < count; ++i) {
    PopupSettings s;
    s.FunctionName = FunctionName(r);
    s.WindowName = WindowName(r);
    s.PageUrl = Address(r);
    for (std::string* n : {&s.Width, &s.Height, &s.Top, &s.Left}) *n = Pick(r, kSizes);
    s.DelaySeconds = Pick(r, kTimings);
    s.CloseSeconds = Pick(r, kTimings);
    s.Center = static_cast<int>(r() % 2);
    s.Order = static_cast<orvanta::WindowOrder>(r() % 4);
    s.Activation = static_cast<orvanta::ActivationKind>(r() % 6);
    for (int& o : s.WindowOptions) o = r() % 4 == 0 ? 1 : 0;
    if (r() % 3 == 0) {
      // A plain window, which has link code too.
      s.DelaySeconds.clear();
      s.CloseSeconds.clear();
      s.Center = 0;
      s.Order = orvanta::WindowOrder::Normal;
      if (s.Activation == orvanta::ActivationKind::PageLoad ||
          s.Activation == orvanta::ActivationKind::PageClose)
        s.Activation = orvanta::ActivationKind::FormButton;
    }
    const orvanta::Generation g = orvanta::GeneratePopupCode(s);
    const PopupSettings& e = g.Settings;
    if (orvanta::FindEntryProblem(e)) {
      std::puts("{\"accepted\":false}");
      continue;
    }
    std::printf("{\"accepted\":true");
    PrintJson("url", e.PageUrl);
    PrintJson("name", e.WindowName);
    PrintJson("width", e.Width);
    PrintJson("height", e.Height);
    PrintJson("top", e.Top);
    PrintJson("left", e.Left);
    PrintJson("delay", e.DelaySeconds);
    PrintJson("close", e.CloseSeconds);
    PrintJson("trigger", std::string(orvanta::ActivationName(e.Activation)));
    PrintJson("order", std::string(orvanta::OrderName(e.Order)));
    std::string options;
    for (int k = 0; k < orvanta::kWindowOptionCount; ++k)
      if (e.WindowOptions[k] == 1)
        options += (options.empty() ? "" : ",") + std::string(orvanta::kWindowOptionWords[k]);
    PrintJson("options", options);
    std::printf(",\"center\":%s", e.Center == 1 ? "true" : "false");
    PrintJson("popup", g.Code.PopupCode);
    PrintJson("link", g.Code.LinkCode);
    std::puts("}");
  }
  return 0;
}
