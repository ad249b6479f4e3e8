#include <gtest/gtest.h>

#include "core/PopupSettings.h"
#include "core/WindowFeatures.h"

namespace orvanta {
namespace {

PopupSettings Geometry(const char* w, const char* h, const char* top, const char* left) {
  PopupSettings s;
  s.Width = w;
  s.Height = h;
  s.Top = top;
  s.Left = left;
  return s;
}

TEST(WindowFeatureString, Examples) {
  struct Case {
    const char* name;
    std::vector<int> ticked;
    int center;
    const char* width;
    const char* left;
    const char* expected;
  } cases[] = {
      {"nothing ticked", {}, 0, "400", "20", "top=10,left=20,width=400,height=300"},
      {"toolbar and scroll bars",
       {0, 5},
       0,
       "400",
       "20",
       "top=10,left=20,toolbar= 1,scrollbars= 1,width=400,height=300"},
      {"resizable, centred",
       {6},
       1,
       "400",
       "20",
       "top='+wintop+',left='+winleft+',resizable= 1,width=400,height=300"},
      {"all ten",
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
       0,
       "400",
       "20",
       "top=10,left=20,toolbar= 1,location= 1,directories= 1,status= 1,menubar= 1,"
       "scrollbars= 1,resizable= 1,dependent= 1,fullscreen= 1,titlebar= 1,width=400,"
       "height=300"},
      {"left typed as a hyphen", {}, 0, "400", "-", "top=10,left=-,width=400,height=300"},
  };
  for (const auto& c : cases) {
    PopupSettings s = Geometry(c.width, "300", "10", c.left);
    s.Center = c.center;
    for (int i : c.ticked) s.WindowOptions[i] = 1;
    EXPECT_EQ(WindowFeatureString(s), c.expected) << c.name;
  }
}

TEST(WindowFeatureString, EmptyWidthIsRepairedFirst) {
  PopupSettings typed = Geometry("", "300", "10", "20");
  EXPECT_EQ(WindowFeatureString(ReadPopupSettings(typed)), "top=10,left=20,width=300,height=300");
}

TEST(WindowFeatureString, OnlyStateOneCountsAsCentred) {
  PopupSettings s = Geometry("1", "2", "3", "4");
  s.Center = 2;
  EXPECT_EQ(WindowFeatureString(s), "top=3,left=4,width=1,height=2");
}

TEST(WindowFeatureString, TokensNeverMatchInsideOptionNames) {
  PopupSettings s = Geometry("1", "2", "3", "4");
  s.WindowOptions[2] = 1;  // directories=DIR
  s.WindowOptions[9] = 1;  // titlebar=TITLEBAR
  EXPECT_EQ(WindowFeatureString(s), "top=3,left=4,directories= 1,titlebar= 1,width=1,height=2");
}

}  // namespace
}  // namespace orvanta
