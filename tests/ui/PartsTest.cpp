// The window's helpers on their own: the name filter's table, the code box
// conversion and the display platform choice.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <iterator>
#include <tuple>

#include "ui/CodeText.h"
#include "ui/DisplayPlatform.h"
#include "ui/NameFilter.h"

namespace orvanta::test {
namespace {

TEST(NameFilter, PassesControlCodesAndScriptNameCharactersOnly) {
  struct Range {
    char32_t first, last;
    bool passes;
  };
  const Range table[] = {
      {0, 31, true},     {32, 35, false},         {'$', '$', true},        {37, 47, false},
      {48, 57, true},    {58, 64, false},         {65, 90, true},          {91, 94, false},
      {'_', '_', true},  {96, 96, false},         {97, 122, true},         {123, 127, false},
      {128, 255, false}, {0x20AC, 0x20AC, false}, {0x4E2D, 0x4E2D, false},
  };
  for (const Range& range : table)
    for (char32_t code = range.first; code <= range.last; ++code)
      EXPECT_EQ(IsNameCharacterAllowed(code), range.passes) << static_cast<unsigned>(code);
}

TEST(CodeText, ComesBackFromTheBoxExactlyAsGenerated) {
  const std::string samples[] = {
      "",
      "\r\n",
      "one line",
      "<HTML>\r\n \r\n<BODY>   \r\n</HTML>\r\n",
      "trailing spaces   \r\n\r\n\r\nblank lines above\r\n",
      "caf\xC3\xA9 \xC2\xA0non-breaking\tand tab\r\n",
  };
  QPlainTextEdit box;
  for (const std::string& text : samples) {
    SetCodeText(box, text);
    EXPECT_EQ(FromWidgetText(box), text);
  }
  SetCodeText(box, "a\r\nb");
  EXPECT_EQ(box.blockCount(), 2) << "one line of the box per generated line";
  EXPECT_EQ(box.toPlainText(), "a\nb");

  // Line separators that got into the box (a paste) break lines with CR LF.
  const std::pair<const char16_t*, std::string> pasted[] = {
      {u"a\u2028b", "a\r\nb"},
      {u"\u2028\u2028", "\r\n\r\n"},
      {u"x\ny\u2028", "x\r\ny\r\n"},
  };
  for (const auto& [inBox, out] : pasted) {
    box.setPlainText(QString::fromUtf16(inBox));
    EXPECT_EQ(FromWidgetText(box), out);
  }
}

TEST(DisplayPlatform, XForAWaylandSessionThatOffersItUnlessTheUserChose) {
  // QT_QPA_PLATFORM, WAYLAND_DISPLAY, XDG_SESSION_TYPE, DISPLAY; X plug-in; choice
  const std::tuple<DisplayEnvironment, bool, const char*> rows[] = {
      {{"", "wayland-0", "wayland", ":0"}, true, "xcb"},
      {{"", "", "wayland", ":1"}, true, "xcb"},
      {{"wayland", "wayland-0", "", ":0"}, true, ""},
      {{"", "wayland-0", "wayland", ""}, true, ""},
      {{"", "wayland-0", "", ":0"}, false, ""},
      {{"", "", "x11", ":0"}, true, ""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const auto& [environment, plugin, chosen] = rows[i];
    EXPECT_EQ(PreferredPlatform(environment, plugin), QByteArray(chosen)) << "row " << i;
  }
}

}  // namespace
}  // namespace orvanta::test
