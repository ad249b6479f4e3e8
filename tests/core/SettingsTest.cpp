#include <gtest/gtest.h>

#include <cmath>

#include "core/NumericEntry.h"
#include "core/PopupSettings.h"

namespace orvanta {
namespace {

TEST(LeadingNumber, ReadsLikeVal) {
  const double inf = INFINITY;
  struct Case {
    const char* Text;
    double Value;
  } cases[] = {
      {"", 0},      {"-", 0},      {".", 0},       {"-.", 0},        {"abc", 0},    {"5", 5},
      {"2.5", 2.5}, {" 1 2 ", 12}, {"\t3\n6", 36}, {"12a", 12},      {"1E3", 1000}, {"1e3", 1000},
      {"1D2", 100}, {"1d-1", 0.1}, {"1E", 1},      {"1.5.5", 1.5},   {"-5", -5},    {"+7", 7},
      {".5", 0.5},  {"5.", 5},     {"&H10", 16},   {"&h1F", 31},     {"&O17", 15},  {"&o8", 0},
      {"&", 0},     {"&X1", 0},    {"1E999", inf}, {"-1E999", -inf}, {"1E-999", 0}, {"1,5", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.Text), c.Value) << '"' << c.Text << '"';
}

TEST(IsNumericEntry, AcceptsNumbersAndBegunEntriesOnly) {
  const char* pass[] = {"",    "-",  ".",   "-.",  "0",   "12",  "-5",   "+5",   "1.5",
                        ".5",  "1.", "-.5", "1E3", "1e3", "1D3", "1d-3", "1E+3", "2000",
                        "007", "+",  "+.",  "1E",  "1E+", "1e",  "-.5d"};
  const char* fail[] = {"12a",
                        "1-2",
                        "--",
                        "1,5",
                        "1 000",
                        " 1",
                        "1 ",
                        "&H1",
                        "1..2",
                        "e3",
                        ".e3",
                        "1E3.5",
                        "1.2.3",
                        "\xC2\xA0"
                        "1",
                        "abc",
                        "-a",
                        "1\n",
                        "400p",
                        ".e",
                        "-e",
                        "1e2e",
                        "1e+-"};
  for (const char* t : pass) EXPECT_TRUE(IsNumericEntry(t)) << '"' << t << '"';
  for (const char* t : fail) EXPECT_FALSE(IsNumericEntry(t)) << '"' << t << '"';
}

PopupSettings Typed() {
  PopupSettings s;
  s.PageUrl = "http://";
  return s;
}

TEST(ReadPopupSettings, StartUpStateGetsDefaults) {
  const PopupSettings r = ReadPopupSettings(Typed());
  EXPECT_EQ(r.PageUrl, "http://YourURL.htm");
  EXPECT_EQ(r.FunctionName, "myfunc");
  EXPECT_EQ(r.WindowName, "windtitle");
  EXPECT_EQ(r.Width, "300");
  EXPECT_EQ(r.Height, "300");
  EXPECT_EQ(r.Top, "300");
  EXPECT_EQ(r.Left, "300");
  EXPECT_EQ(r.DelaySeconds, "");
  EXPECT_EQ(r.CloseSeconds, "");
}

TEST(ReadPopupSettings, PageAddress) {
  struct Case {
    const char* Typed;
    const char* Repaired;
  } cases[] = {
      {"http://", "http://YourURL.htm"},
      {"http://example.org//", "http://YourURL.htm"},
      {"mypage.htm", "http://mypage.htm"},
      {"https://example.org/a", "https://example.org/a"},
      {"httpfoo", "httpfoo"},
      {"HTTP://X.ORG", "http://HTTP://X.ORG"},
      {"   ", "http://"},
      {"", "http://"},
      {"htt", "http://htt"},
      {"  offer.htm  ", "http://offer.htm"},
      {"\toffer.htm", "http://\toffer.htm"},  // only spaces are trimmed
      {"//", "http://YourURL.htm"},
  };
  for (const auto& c : cases) {
    PopupSettings t = Typed();
    t.PageUrl = c.Typed;
    EXPECT_EQ(ReadPopupSettings(t).PageUrl, c.Repaired) << '"' << c.Typed << '"';
  }
}

TEST(ReadPopupSettings, NamesAreTrimmedAndDefaulted) {
  PopupSettings t = Typed();
  t.FunctionName = "   ";
  t.WindowName = "  ";
  EXPECT_EQ(ReadPopupSettings(t).FunctionName, "myfunc");
  EXPECT_EQ(ReadPopupSettings(t).WindowName, "windtitle");
  t.FunctionName = " openIt ";
  t.WindowName = " promo";
  EXPECT_EQ(ReadPopupSettings(t).FunctionName, "openIt");
  EXPECT_EQ(ReadPopupSettings(t).WindowName, "promo");
}

TEST(ReadPopupSettings, TimingsAreClearedOrClamped) {
  struct Case {
    const char* Typed;
    const char* Repaired;
  } cases[] = {
      {"0", ""},        {"0.5", ""},    {"-5", ""},     {"", ""},         {"-", ""},
      {".", ""},        {"1", "1"},     {"360", "360"}, {"361", "360"},   {"1000", "360"},
      {"1E3", "360"},   {"2.5", "2.5"}, {" 7 ", "7"},   {"1E999", "360"}, {"&H10", "&H10"},
      {"360.5", "360"}, {"0.99", ""},
  };
  for (const auto& c : cases) {
    PopupSettings t = Typed();
    t.DelaySeconds = c.Typed;
    t.CloseSeconds = c.Typed;
    const PopupSettings r = ReadPopupSettings(t);
    EXPECT_EQ(r.DelaySeconds, c.Repaired) << '"' << c.Typed << '"';
    EXPECT_EQ(r.CloseSeconds, c.Repaired) << '"' << c.Typed << '"';
    // Whatever is written back must survive the field's own numeric check.
    if (IsNumericEntry(c.Typed)) {
      EXPECT_TRUE(IsNumericEntry(r.DelaySeconds));
    }
  }
}

TEST(ReadPopupSettings, PositionAndSize) {
  PopupSettings t = Typed();
  t.Width = "   ";
  t.Height = " 200 ";
  t.Top = "-";
  t.Left = "";
  const PopupSettings r = ReadPopupSettings(t);
  EXPECT_EQ(r.Width, "300");
  EXPECT_EQ(r.Height, "200");
  EXPECT_EQ(r.Top, "-");
  EXPECT_EQ(r.Left, "300");
}

TEST(ReadPopupSettings, ChoicesPassThrough) {
  PopupSettings t = Typed();
  t.Center = 1;
  t.Order = WindowOrder::PopupUnder;
  t.Activation = ActivationKind::MouseOver;
  t.WindowOptions[5] = 1;
  const PopupSettings r = ReadPopupSettings(t);
  EXPECT_EQ(r.Center, 1);
  EXPECT_EQ(r.Order, WindowOrder::PopupUnder);
  EXPECT_EQ(r.Activation, ActivationKind::MouseOver);
  EXPECT_EQ(r.WindowOptions, t.WindowOptions);
}

}  // namespace
}  // namespace orvanta
