#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/Generator.h"
#include "tests/support/Examples.h"

namespace orvanta {
namespace {

const std::string kCodeEnds = "<!--   ------------------ CODE ENDS HERE --------------   -->";
const std::string kHeading = "<p align='center'><H2>Orvanta Test Screen.</H2></p><br>";
const std::string kNote =
    "<br><br><b>Note: The new popup window will not take effect if the old popup window was "
    "not closed.</b>";

// Splits a CR LF text into its lines; fails the test if any line break is
// not CR LF or the text does not end with one.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t cr = text.find("\r\n", from);
    if (cr == std::string::npos) {
      ADD_FAILURE() << "text does not end with CR LF";
      lines.push_back(text.substr(from));
      break;
    }
    lines.push_back(text.substr(from, cr - from));
    from = cr + 2;
  }
  for (const auto& l : lines) {
    EXPECT_EQ(l.find('\n'), std::string::npos) << "bare LF in: " << l;
    EXPECT_EQ(l.find('\r'), std::string::npos) << "bare CR in: " << l;
  }
  return lines;
}

const std::vector<std::string> kHeader = {
    "<!-- To install popup window:Paste the following into your HTML document",
    "1. FIRST part into the <HEAD>...</HEAD> section",
    "2. SECOND part into the <BODY>...</BODY> where you want to activate the popup -->",
    "",
    "<HTML>",
    "<HEAD>",
    "<meta http-equiv='Content-Language' content='en-us'>",
    "<meta http-equiv='Content-Type' content='text/html; charset=windows-1252'>",
    "<title>Popup Test Screen</title>",
    " ",
    "<!-- FIRST: Copy this code into the <HEAD>...</HEAD> of your HTML document --> ",
    "<SCRIPT language=JavaScript type=text/javascript>",
    "<!-- Begin ",
};

PopupSettings StartUp() { return PopupSettings{}; }

void ExpectLines(const std::string& text, const std::vector<std::string>& expected) {
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i], expected[i]) << "line " << (i + 1);
}

// The whole text for the start-up entries.
std::vector<std::string> StartUpLines() {
  std::vector<std::string> expected = kHeader;
  const std::vector<std::string> rest = {
      "function myfunc() { ",
      " win=window.open('http://YourURL.htm', "
      "'windtitle','top=300,left=300,width=300,height=300');   ",
      "} ",
      "// End --> ",
      "</SCRIPT> ",
      kCodeEnds,
      " ",
      "</HEAD>",
      " ",
      "<BODY bgcolor='#00FFFF'>",
      " ",
      kHeading + " ",
      "",
      "<!-- SECOND: Paste this code into the BODY of your HTML document -->",
      " <A HREF=\"JavaScript: myfunc()\">Click here</A> ",
      kCodeEnds,
      "",
      kNote,
      " ",
      "</BODY>",
      "</HTML>",
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  return expected;
}

const std::string kStartUpLink =
    " <A HREF=\"#\" onClick=\"javascript:void window.open('http://YourURL.htm',"
    "'windtitle',  'top=300,left=300,width=300,height=300')\">Click here</A>\r\n";

TEST(GeneratePopupCode, WorkedExampleStartUpState) {
  const Generation g = GeneratePopupCode(StartUp());
  const std::vector<std::string> expected = StartUpLines();
  ASSERT_EQ(expected.size(), 34u);
  ExpectLines(g.Code.PopupCode, expected);

  EXPECT_EQ(g.Code.LinkCode, kStartUpLink);
  EXPECT_EQ(g.Settings.PageUrl, "http://YourURL.htm");
  EXPECT_EQ(g.Settings.FunctionName, "myfunc");
  EXPECT_EQ(g.Settings.WindowName, "windtitle");
}

// The whole text for test_support::CentredDelayedPageLoad().
std::vector<std::string> CentredDelayedPageLoadLines() {
  std::vector<std::string> expected = kHeader;
  const std::vector<std::string> rest = {
      "function openIt() { ",
      " var winleft = (screen.width - 400) / 2;",
      " var wintop = (screen.height - 200) / 2;",
      " win=window.open('http://offer.htm', "
      "'promo','top='+wintop+',left='+winleft+',scrollbars= 1,width=400,height=200'); ",
      " win.blur() ",
      " setTimeout(\"win.close();\", 10*1000); ",
      "}",
      "function StartPop() {",
      " timer = setTimeout(\"openIt()\", 5*1000); ",
      "} ",
      "// End --> ",
      "</SCRIPT> ",
      kCodeEnds,
      " ",
      "</HEAD>",
      " ",
      "<!-- SECOND: Replace the BODY tag in your HTML document -->",
      "<BODY bgcolor='#00FFFF' onload=StartPop()>",
      kCodeEnds,
      " ",
      kHeading + " ",
      " ",
      "</BODY>",
      "</HTML>",
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  return expected;
}

TEST(GeneratePopupCode, WorkedExampleCentredDelayedPageLoad) {
  const Generation g = GeneratePopupCode(test_support::CentredDelayedPageLoad());
  const std::vector<std::string> expected = CentredDelayedPageLoadLines();
  ASSERT_EQ(expected.size(), 37u);
  ExpectLines(g.Code.PopupCode, expected);
  EXPECT_EQ(g.Code.LinkCode, "");
  EXPECT_EQ(g.Settings.Top, "300");
  EXPECT_EQ(g.Settings.Left, "300");
}

std::vector<std::string> ScriptLines(const std::string& code) {
  std::vector<std::string> lines = Lines(code);
  // From the function line to "// End --> ".
  std::vector<std::string> out;
  bool in = false;
  for (const auto& l : lines) {
    if (l.rfind("function ", 0) == 0) in = true;
    if (l == "// End --> ") break;
    if (in) out.push_back(l);
  }
  return out;
}

TEST(GeneratePopupCode, LineEndsOfWindowTypeAndAutoClose) {
  const std::string open =
      " win=window.open('http://YourURL.htm', "
      "'windtitle','top=300,left=300,width=300,height=300');";
  struct Case {
    WindowOrder order;
    const char* close;
    std::vector<std::string> script;
  } cases[] = {
      {WindowOrder::Normal, "", {"function myfunc() { ", open + "   ", "} "}},
      {WindowOrder::PopupOver, "", {"function myfunc() { ", open + " ", " win.focus()  ", "} "}},
      {WindowOrder::Normal,
       "7",
       {"function myfunc() { ", open + "  ", " setTimeout(\"win.close();\", 7*1000); ", "} "}},
      {WindowOrder::PopupOver,
       "7",
       {"function myfunc() { ", open + " ", " win.focus() ",
        " setTimeout(\"win.close();\", 7*1000); ", "} "}},
      {WindowOrder::PopupUnder, "", {"function myfunc() { ", open + " ", " win.blur()  ", "} "}},
  };
  for (const auto& c : cases) {
    PopupSettings s;
    s.Order = c.order;
    s.CloseSeconds = c.close;
    const Generation g = GeneratePopupCode(s);
    EXPECT_EQ(ScriptLines(g.Code.PopupCode), c.script)
        << static_cast<int>(c.order) << " close " << c.close;
    EXPECT_EQ(g.Code.LinkCode.empty(), c.order != WindowOrder::Normal || *c.close != 0);
  }
}

TEST(GeneratePopupCode, PageEventsPutTheTriggerIntoTheBodyTag) {
  struct Case {
    ActivationKind kind;
    const char* delay;
    const char* bodyTag;
  } cases[] = {
      {ActivationKind::PageLoad, "", "<BODY bgcolor='#00FFFF' onload=myfunc()>"},
      {ActivationKind::PageClose, "", "<BODY bgcolor='#00FFFF' onunload=myfunc()>"},
      {ActivationKind::PageLoad, "3", "<BODY bgcolor='#00FFFF' onload=StartPop()>"},
  };
  for (const auto& c : cases) {
    PopupSettings s;
    s.Activation = c.kind;
    s.DelaySeconds = c.delay;
    const Generation g = GeneratePopupCode(s);
    const auto lines = Lines(g.Code.PopupCode);
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.bodyTag), lines.end()) << c.bodyTag;
    EXPECT_EQ(g.Code.PopupCode.find("Paste this code into the BODY"), std::string::npos);
    EXPECT_EQ(g.Code.PopupCode.find("Note: The new popup"), std::string::npos);
    EXPECT_EQ(g.Code.LinkCode, "");
  }
}

TEST(GeneratePopupCode, LinkCodeOnlyForPlainWindows) {
  struct Case {
    const char* name;
    void (*change)(PopupSettings&);
    bool keepsLink;
  } cases[] = {
      {"plain link", [](PopupSettings&) {}, true},
      {"form button", [](PopupSettings& s) { s.Activation = ActivationKind::FormButton; }, true},
      {"mouse over", [](PopupSettings& s) { s.Activation = ActivationKind::MouseOver; }, true},
      {"image link", [](PopupSettings& s) { s.Activation = ActivationKind::ImageLink; }, true},
      {"window options", [](PopupSettings& s) { s.WindowOptions.fill(1); }, true},
      {"centred", [](PopupSettings& s) { s.Center = 1; }, false},
      {"delay", [](PopupSettings& s) { s.DelaySeconds = "2"; }, false},
      {"delay below one", [](PopupSettings& s) { s.DelaySeconds = "0.5"; }, true},
      {"auto close", [](PopupSettings& s) { s.CloseSeconds = "2"; }, false},
      {"popup over", [](PopupSettings& s) { s.Order = WindowOrder::PopupOver; }, false},
      {"page load", [](PopupSettings& s) { s.Activation = ActivationKind::PageLoad; }, false},
  };
  for (const auto& c : cases) {
    PopupSettings s;
    c.change(s);
    EXPECT_EQ(!GeneratePopupCode(s).Code.LinkCode.empty(), c.keepsLink) << c.name;
  }
}

TEST(NoLinkCodeReason, NamesEveryCauseInTheOrderOfTheScreen) {
  const struct {
    const char* Name;
    void (*Change)(PopupSettings&);
    const char* Reason;
  } cases[] = {
      {"plain link", [](PopupSettings&) {}, ""},
      {"centred", [](PopupSettings& s) { s.Center = 1; },
       "There is no link code: \"Center\" needs the script in the HEAD, so use the popup code."},
      {"page close, in page",
       [](PopupSettings& s) {
         s.Activation = ActivationKind::PageClose;
         s.Order = WindowOrder::InPage;
       },
       "There is no link code: \"Page Close\" and the window type \"In Page\" need the script "
       "in the HEAD, so use the popup code."},
      {"every cause at once",
       [](PopupSettings& s) {
         s.Activation = ActivationKind::PageLoad;
         s.DelaySeconds = "2";
         s.CloseSeconds = "5";
         s.Center = 1;
         s.Order = WindowOrder::PopupUnder;
       },
       "There is no link code: \"Page Load\", \"Delay popup by\", \"Auto close after\", "
       "\"Center\" and the window type \"Popup Under\" need the script in the HEAD, so use "
       "the popup code."},
  };
  for (const auto& c : cases) {
    PopupSettings s;
    c.Change(s);
    EXPECT_EQ(NoLinkCodeReason(s), c.Reason) << c.Name;
  }
}

TEST(GeneratePopupCode, SnippetsWithLineBreakAreFollowedByASpaceLine) {
  PopupSettings s;
  s.Activation = ActivationKind::FormButton;
  const auto lines = Lines(GeneratePopupCode(s).Code.PopupCode);
  const auto it = std::find(
      lines.begin(), lines.end(),
      " <form><input type='button' value='Open Window' onClick=\"JavaScript: myfunc()\"></form>");
  ASSERT_NE(it, lines.end());
  EXPECT_EQ(*(it + 1), " ");
  EXPECT_EQ(*(it + 2), kCodeEnds);
}

TEST(GeneratePopupCode, UserTextIsWrittenOnceAndNeverRewritten) {
  struct Case {
    const char* Name;
    void (*Change)(PopupSettings&);
    const char* Expected;  // in the popup code
  } cases[] = {
      // A bullet is the template's line-break marker, not the user's.
      {"bullet",
       [](PopupSettings& s) {
         s.WindowName =
             "a\xE2\x80\xA2"
             "b";
       },
       "'a\xE2\x80\xA2"
       "b','"},
      {"template word", [](PopupSettings& s) { s.PageUrl = "x#HEADEND#URL"; },
       "('http://x#HEADEND#URL', "},
      // The centring words are filled in only in the template's own lines.
      {"geometry words",
       [](PopupSettings& s) {
         s.PageUrl = "http://x/WIDTH/TOP";
         s.Width = "640";
         s.Center = 1;
       },
       "'http://x/WIDTH/TOP'"},
      {"window name with a word",
       [](PopupSettings& s) {
         s.WindowName = "TOPnews";
         s.Center = 1;
       },
       "'TOPnews','top='+wintop+'"},
      {"function name with a word",
       [](PopupSettings& s) {
         s.FunctionName = "openLEFT";
         s.Center = 1;
       },
       "function openLEFT() { "},
      {"apostrophe", [](PopupSettings& s) { s.WindowName = "it's"; }, "'it\\x27s'"},
  };
  for (const auto& c : cases) {
    PopupSettings s;
    c.Change(s);
    EXPECT_NE(GeneratePopupCode(s).Code.PopupCode.find(c.Expected), std::string::npos) << c.Name;
  }
}

TEST(GeneratePopupCode, TheLinkCodesAttributeIsDecodedBeforeItsScript) {
  PopupSettings s;
  s.PageUrl = "http://x.org/?a=1&not-b&quot;\"";
  s.WindowName = "say \"hi\"";
  const GeneratedCode code = GeneratePopupCode(s).Code;
  EXPECT_NE(code.PopupCode.find("('http://x.org/?a=1&not-b&quot;\\x22', 'say \\x22hi\\x22',"),
            std::string::npos);
  EXPECT_NE(code.LinkCode.find("('http://x.org/?a=1&amp;not-b&amp;quot;\\x22',"
                               "'say \\x22hi\\x22',  "),
            std::string::npos)
      << code.LinkCode;
}

TEST(GeneratePopupCode, InPageFramesTheAddressInADialogForEveryTrigger) {
  struct Case {
    const char* Name;
    void (*Change)(PopupSettings&);
    std::vector<const char*> Has;
    std::vector<const char*> HasNot;
  } cases[] = {
      {"link",
       [](PopupSettings&) {},
       {"function myfunc() { ", "d.setAttribute('aria-label', 'windtitle');",
        "frame.src = 'http://YourURL.htm';", "frame.style.width = 300 + 'px';",
        "d.style.top = 300 + 'px';", "frame.setAttribute('scrolling', 'no');",
        " <A HREF=\"JavaScript: myfunc()\">Click here</A> "},
       {"window.open", "setTimeout"}},
      {"centred, scroll bars, auto close",
       [](PopupSettings& s) {
         s.Center = 1;
         s.WindowOptions[5] = 1;
         s.CloseSeconds = "7";
       },
       {"setTimeout(function () { if (d.close) d.close(); }, 7*1000);"},
       {"d.style.top", "scrolling"}},
      {"mouse over answers focus too",
       [](PopupSettings& s) { s.Activation = ActivationKind::MouseOver; },
       {"onMouseOver=\"JavaScript: myfunc()\" onFocus=\"JavaScript: myfunc()\">"},
       {}},
      {"page load, delayed",
       [](PopupSettings& s) {
         s.Activation = ActivationKind::PageLoad;
         s.DelaySeconds = "3";
       },
       {"<BODY bgcolor='#00FFFF' onload=StartPop()>", "timer = setTimeout(\"myfunc()\", 3*1000);"},
       {}},
      {"page close is leaving at the top",
       [](PopupSettings& s) { s.Activation = ActivationKind::PageClose; },
       {"<BODY bgcolor='#00FFFF' onmouseout=\"if (!event.relatedTarget && event.clientY <= 0) "
        "myfunc()\">"},
       {"onunload"}},
  };
  for (const auto& c : cases) {
    PopupSettings s;
    s.Order = WindowOrder::InPage;
    c.Change(s);
    const Generation g = GeneratePopupCode(s);
    for (const char* part : c.Has)
      EXPECT_NE(g.Code.PopupCode.find(part), std::string::npos) << c.Name << ": " << part;
    for (const char* part : c.HasNot)
      EXPECT_EQ(g.Code.PopupCode.find(part), std::string::npos) << c.Name << ": " << part;
    EXPECT_EQ(g.Code.LinkCode, "") << c.Name;
    EXPECT_NE(NoLinkCodeReason(g.Settings).find("\"In Page\""), std::string::npos) << c.Name;
  }
}

TEST(GeneratePopupCode, NothingCarriesOverFromTheRunBefore) {
  // Every optional part, then none, then every one again; the plain run in
  // between must not keep the centring, delay, auto close or window order.
  const Generation first = GeneratePopupCode(test_support::CentredDelayedPageLoad());
  ExpectLines(first.Code.PopupCode, CentredDelayedPageLoadLines());
  const Generation plain = GeneratePopupCode(StartUp());
  ExpectLines(plain.Code.PopupCode, StartUpLines());
  EXPECT_EQ(plain.Code.LinkCode, kStartUpLink);
  ExpectLines(GeneratePopupCode(test_support::CentredDelayedPageLoad()).Code.PopupCode,
              CentredDelayedPageLoadLines());

  // Generating again from the written-back values changes nothing.
  const Generation again = GeneratePopupCode(first.Settings);
  EXPECT_EQ(again.Settings, first.Settings);
  EXPECT_EQ(again.Code.PopupCode, first.Code.PopupCode);
}

}  // namespace
}  // namespace orvanta
