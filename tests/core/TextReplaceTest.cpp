#include <gtest/gtest.h>

#include <random>

#include "core/CodeTemplate.h"
#include "core/TextReplace.h"

namespace orvanta {
namespace {

std::string Replaced(std::string text, std::string_view find, std::string_view with) {
  ReplaceInPlace(text, find, with);
  return text;
}

std::size_t CharCount(std::string_view utf8) {
  std::size_t n = 0;
  for (char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

TEST(ReplaceInPlace, Semantics) {
  struct Case {
    const char* text;
    const char* find;
    const char* with;
    const char* expected;
  } cases[] = {
      {"aaa", "aa", "b", "ba"},                 // non-overlapping, left to right
      {"abab", "ab", "abab", "abababab"},       // inserted text is not rescanned
      {"#FUNCTION()", "#FUNCTION", "x", "x()"},
      {"Width WIDTH", "WIDTH", "400", "Width 400"},  // case-sensitive
      {"", "x", "y", ""},
      {"no match", "zz", "y", "no match"},
      {"xx", "x", "", ""},
      {"keep", "", "y", "keep"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Replaced(c.text, c.find, c.with), c.expected) << c.text << " / " << c.find;
    std::string inPlace = c.text;
    ReplaceInPlace(inPlace, c.find, c.with);
    EXPECT_EQ(inPlace, c.expected);
  }
}

// The obvious quadratic definition, to check the fast ones against.
std::string ReferenceReplace(const std::string& text, const std::string& find,
                             const std::string& with) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, find.size(), find) == 0) {
      out += with;
      i += find.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

TEST(ReplaceInPlace, AgreesWithTheDefinitionOnRandomTexts) {
  std::mt19937 rng(20261207);
  const auto randomText = [&](std::size_t maxLen) {
    std::string t(rng() % (maxLen + 1), 'a');
    for (char& c : t) c = "abc"[rng() % 3];
    return t;
  };
  for (int round = 0; round < 3000; ++round) {
    const std::string text = randomText(40);
    std::string find = randomText(3);
    if (find.empty()) find = "a";
    const std::string with = randomText(5);
    const std::string expected = ReferenceReplace(text, find, with);
    EXPECT_EQ(Replaced(text, find, with), expected) << text << " " << find << " " << with;
    std::string inPlace = text;
    ReplaceInPlace(inPlace, find, with);
    ASSERT_EQ(inPlace, expected) << text << " " << find << " " << with;
  }
}

TEST(ReplaceInPlace, BulletMatchesWholeCharactersOnly) {
  // "\xE2\x80\xA2" is the bullet; a text with other characters sharing its
  // lead or trail bytes must not be touched.
  const std::string text = "\xE2\x80\x94|\xE2\x80\xA2|\xC2\xA2";  // em dash, bullet, cent
  EXPECT_EQ(Replaced(text, CodeTemplate::LineBreakMarker, "\r\n"),
            "\xE2\x80\x94|\r\n|\xC2\xA2");
}

TEST(ReplaceInPlace, ManyOccurrences) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "#FUNCTION.";
  const std::string out = Replaced(text, "#FUNCTION", "f");
  EXPECT_EQ(out.size(), 200000u);
  EXPECT_EQ(out.substr(0, 6), "f.f.f.");
}

TEST(CodeTemplate, FragmentsHaveTheirDocumentedLengths) {
  EXPECT_EQ(CharCount(CodeTemplate::SectionLayout), 137u);
  EXPECT_EQ(CharCount(CodeTemplate::FunctionTemplate), 112u);
  EXPECT_EQ(CharCount(CodeTemplate::WindowFeatureTemplate), 212u);
}

TEST(CodeTemplate, CodeEndsCommentIsSpelledOut) {
  const std::string comment = "<!--" + std::string(3, ' ') + std::string(18, '-') +
                              " CODE ENDS HERE " + std::string(14, '-') +
                              std::string(3, ' ') + "-->";
  EXPECT_EQ(CodeTemplate::CodeEndsComment, comment);
  for (std::string_view fragment : {CodeTemplate::ScriptClose, CodeTemplate::TriggerBodyTag,
                                    CodeTemplate::ActivationSection}) {
    EXPECT_NE(fragment.find(comment), std::string_view::npos) << fragment;
  }
}

}  // namespace
}  // namespace orvanta
