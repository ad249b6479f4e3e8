#include <gtest/gtest.h>

#include "core/Activation.h"

namespace orvanta {
namespace {

const std::string kVoidOpen =
    "javascript:void window.open('http://YourURL.htm','windtitle',  "
    "'top=300,left=300,width=300,height=300')";
const std::string kImg = "<img border='0' src='gobutton.gif' width='24' height='24'>";

TEST(BuildActivationCode, EveryKind) {
  struct Case {
    ActivationKind Kind;
    std::string Snippet;
    std::string Link;
  } cases[] = {
      {ActivationKind::StandardLink, " <A HREF=\"JavaScript: myfunc()\">Click here</A>",
       " <A HREF=\"#\" onClick=\"" + kVoidOpen + "\">Click here</A>\r\n"},
      {ActivationKind::PageLoad, "", kVoidOpen},
      {ActivationKind::PageClose, "", kVoidOpen},
      {ActivationKind::FormButton,
       " <form><input type='button' value='Open Window' onClick=\"JavaScript: myfunc()\">"
       "</form>\r\n",
       "<form><input type='button' value='Open Window' onClick=\"" + kVoidOpen + "\"></form>\r\n"},
      {ActivationKind::MouseOver,
       " <A HREF=\"#\" onMouseOver=\"JavaScript: myfunc()\">Move your mouse over here</A>\r\n",
       " <A HREF=\"#\" onMouseOver=\"" + kVoidOpen + "\">Move your mouse over here</A>\r\n"},
      {ActivationKind::ImageLink, " <A HREF=\"JavaScript: myfunc()\">" + kImg + "</A>\r\n",
       " <A HREF=\"#\" onClick=\"" + kVoidOpen + "\">" + kImg + "</A>\r\n"},
  };
  for (const auto& c : cases) {
    std::string link = kVoidOpen;
    EXPECT_EQ(BuildActivationCode(c.Kind, "myfunc", link), c.Snippet) << static_cast<int>(c.Kind);
    EXPECT_EQ(link, c.Link) << static_cast<int>(c.Kind);
  }
}

TEST(BuildActivationCode, DelayedTriggerCallsStartPop) {
  for (ActivationKind kind : {ActivationKind::StandardLink, ActivationKind::FormButton,
                              ActivationKind::MouseOver, ActivationKind::ImageLink}) {
    std::string link = kVoidOpen;
    const std::string snippet = BuildActivationCode(kind, "StartPop", link);
    EXPECT_NE(snippet.find("JavaScript: StartPop()"), std::string::npos);
    EXPECT_EQ(snippet.find("myfunc"), std::string::npos);
  }
}

}  // namespace
}  // namespace orvanta
