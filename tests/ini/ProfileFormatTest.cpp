#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ini/ProfileFormat.h"

namespace orvanta::profile {
namespace {

struct ReadCase {
  const char* Name;
  std::string Text;
  std::string Section;
  std::string Key;
  Lookup Expected;
  std::string Value;
};

class FindValueTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(FindValueTest, FindsWhatTheFileSays) {
  const ReadCase& c = GetParam();
  const ValueResult r = FindValue(c.Text, c.Section, c.Key);
  EXPECT_EQ(r.Result, c.Expected);
  EXPECT_EQ(std::string(r.Value), c.Value);
}

const std::string kBom = "\xEF\xBB\xBF";

INSTANTIATE_TEST_SUITE_P(
    Lines, FindValueTest,
    ::testing::Values(
        ReadCase{"CrLf", "[S]\r\nk=v\r\n", "S", "k", Lookup::Found, "v"},
        ReadCase{"Lf", "[S]\nk=v\n", "S", "k", Lookup::Found, "v"},
        ReadCase{"NoFinalBreak", "[S]\nk=v", "S", "k", Lookup::Found, "v"},
        ReadCase{"FinalCrAlone", "[S]\nk=v\r", "S", "k", Lookup::Found, "v"},
        ReadCase{"CrInsideLineIsData", "[S]\nk=a\rb\n", "S", "k", Lookup::Found, "a\rb"},
        ReadCase{"SectionCase", "[Sec]\nk=1\n", "sEC", "k", Lookup::Found, "1"},
        ReadCase{"KeyCase", "[S]\nKey=1\n", "S", "kEY", Lookup::Found, "1"},
        ReadCase{"OnlyAsciiFolds", "[\xC3\x84]\nk=1\n", "\xC3\xA4", "k", Lookup::NoSection, ""},
        ReadCase{"BlanksAround", "  [ S ]  \n \t k \t= \t v w \t\n", "S", "k", Lookup::Found,
                 "v w"},
        ReadCase{"BlanksInArguments", "[S]\nk=1\n", " S\t", "\tk ", Lookup::Found, "1"},
        ReadCase{"SemicolonComment", "[S]\n;k=1\nk=2\n", "S", "k", Lookup::Found, "2"},
        ReadCase{"HashComment", "[S]\n  #k=1\nk=2\n", "S", "k", Lookup::Found, "2"},
        ReadCase{"SemicolonInValueIsData", "[S]\nk=a ; b\n", "S", "k", Lookup::Found, "a ; b"},
        ReadCase{"BeforeFirstSection", "k=0\n[S]\nk=1\n", "S", "k", Lookup::Found, "1"},
        ReadCase{"OnlyBeforeFirstSection", "k=0\n[S]\n", "S", "k", Lookup::NoKey, ""},
        ReadCase{"FirstKeyWins", "[S]\nk=1\nK=2\n", "S", "k", Lookup::Found, "1"},
        ReadCase{"FirstSectionWins", "[S]\na=1\n[s]\na=2\nb=3\n", "S", "b", Lookup::NoKey, ""},
        ReadCase{"ValueHoldsEquals", "[S]\nk=a=b\n", "S", "k", Lookup::Found, "a=b"},
        ReadCase{"EmptyValue", "[S]\nk=\n", "S", "k", Lookup::Found, ""},
        ReadCase{"BareKey", "[S]\nk\n", "S", "k", Lookup::Found, ""},
        ReadCase{"HeaderWithoutBracket", "[S\nk=1\n", "S", "k", Lookup::Found, "1"},
        ReadCase{"TextAfterHeader", "[S] ; note\nk=1\n", "S", "k", Lookup::Found, "1"},
        ReadCase{"IndentedHeader", "[A]\n\t [S]\nk=1\n", "S", "k", Lookup::Found, "1"},
        ReadCase{"BracketInValue", "[S]\nk= [T]\n[T]\nj=1\n", "S", "k", Lookup::Found, "[T]"},
        ReadCase{"BracketValueNoHeader", "[S]\nk= [T]\n[T]\nj=1\n", "T", "j", Lookup::Found, "1"},
        ReadCase{"ByteOrderMark", kBom + "[S]\nk=1\n", "S", "k", Lookup::Found, "1"},
        ReadCase{"MissingSection", "[S]\nk=1\n", "T", "k", Lookup::NoSection, ""},
        ReadCase{"MissingKey", "[S]\nk=1\n[T]\nj=2\n", "S", "j", Lookup::NoKey, ""},
        ReadCase{"EmptyText", "", "S", "k", Lookup::NoSection, ""},
        ReadCase{"NulIsData", std::string("[S]\nk=a\0b\n", 10), "S", "k", Lookup::Found,
                 std::string("a\0b", 3)}),
    [](const auto& param) { return std::string(param.param.Name); });

TEST(SectionEntriesTest, GivesEntriesOfTheFirstSectionTrimmed) {
  const std::string text = "x=0\n[S]\n; c\n a = 1 \nb=x=y\n\nbare\n=v\n[T]\nt=1\n[s]\nlate=1\n";
  const auto entries = SectionEntries(text, "s");
  ASSERT_TRUE(entries.has_value());
  EXPECT_EQ(*entries, (std::vector<std::string>{"a=1", "b=x=y", "bare", "=v"}));
}

TEST(SectionEntriesTest, KeepsDuplicateKeys) {
  const auto entries = SectionEntries("[S]\nk=1\nk=2\n", "S");
  ASSERT_TRUE(entries.has_value());
  EXPECT_EQ(*entries, (std::vector<std::string>{"k=1", "k=2"}));
}

TEST(SectionEntriesTest, TellsEmptyFromMissing) {
  const auto empty = SectionEntries("[S]\n; only a comment\n[T]\n", "S");
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());
  EXPECT_FALSE(SectionEntries("[S]\n", "T").has_value());
}

TEST(SectionNamesTest, ListsEachNameOnceAsFirstSpelled) {
  const std::string text = "k=1\n[One]\n[ two ]\n;[three]\nv=[four]\n[ONE]\n\t[Five\n";
  EXPECT_EQ(SectionNames(text), (std::vector<std::string>{"One", "two", "Five"}));
}

TEST(SectionNamesTest, NoneInTextWithoutHeaders) {
  EXPECT_TRUE(SectionNames("").empty());
  EXPECT_TRUE(SectionNames("a=1\nb=[x]\n").empty());
}

TEST(LineEndingTest, FollowsTheFirstLine) {
  EXPECT_EQ(LineEnding(""), "\r\n");
  EXPECT_EQ(LineEnding("[S]"), "\r\n");
  EXPECT_EQ(LineEnding("[S]\r\nk=1\n"), "\r\n");
  EXPECT_EQ(LineEnding("[S]\nk=1\r\n"), "\n");
  EXPECT_EQ(LineEnding("\n"), "\n");
}

// ---- writing ---------------------------------------------------------------

struct WriteCase {
  const char* Name;
  std::string Before;
  std::string After;
};

class SetValueTest : public ::testing::TestWithParam<WriteCase> {};

// Every case writes k=v into [S].
TEST_P(SetValueTest, ChangesOnlyTheLineConcerned) {
  const WriteCase& c = GetParam();
  EXPECT_EQ(Apply(c.Before, SetValue(c.Before, "S", "k", "v")), c.After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetValueTest,
    ::testing::Values(
        WriteCase{"NewFileUsesCrLf", "", "[S]\r\nk=v\r\n"},
        WriteCase{"NewSectionAtEndLf", "[A]\na=1\n", "[A]\na=1\n[S]\nk=v\n"},
        WriteCase{"NewSectionAtEndCrLf", "[A]\r\na=1\r\n", "[A]\r\na=1\r\n[S]\r\nk=v\r\n"},
        WriteCase{"NewSectionNoFinalBreak", "[A]\na=1", "[A]\na=1\n[S]\nk=v\n"},
        WriteCase{"NewSectionAfterFinalCr", "[A]\r\na=1\r", "[A]\r\na=1\r\n[S]\r\nk=v\r\n"},
        WriteCase{"NewSectionAfterBomOnly", kBom, kBom + "[S]\r\nk=v\r\n"},
        WriteCase{"ValueInPlaceKeepsSpacing", "[S]\n  K = old  \n", "[S]\n  K = v  \n"},
        WriteCase{"EmptyValueFilled", "[S]\nk = \n", "[S]\nk = v\n"},
        WriteCase{"BareKeyGetsValue", "[S]\n k \n", "[S]\n k=v \n"},
        WriteCase{"NewKeyAfterLastEntry", "[S]\na=1\n\n; c\n[T]\n", "[S]\na=1\nk=v\n\n; c\n[T]\n"},
        WriteCase{"NewKeyInEmptySection", "[S]\n[T]\n", "[S]\nk=v\n[T]\n"},
        WriteCase{"NewKeyInLastLineNoBreak", "[S]\na=1", "[S]\na=1\nk=v"},
        WriteCase{"NewKeyAfterHeaderNoBreak", "[S]", "[S]\r\nk=v"},
        WriteCase{"NewKeyAfterFinalCr", "[S]\na=1\r", "[S]\na=1\r\nk=v"},
        WriteCase{"KeyBeforeSectionsNotMatched", "k=1\n[S]\n", "k=1\n[S]\nk=v\n"},
        WriteCase{"FirstDuplicateKeyOnly", "[S]\nk=1\nk=2\n", "[S]\nk=v\nk=2\n"},
        WriteCase{"FirstDuplicateSectionOnly", "[S]\na=1\n[s]\nk=2\n", "[S]\na=1\nk=v\n[s]\nk=2\n"},
        WriteCase{"MixedLineEndingsKept", "[S]\r\na=1\nk=0\r\nb=2\n", "[S]\r\na=1\nk=v\r\nb=2\n"}),
    [](const auto& param) { return std::string(param.param.Name); });

TEST(SetValueTest, SameValueChangesNothing) {
  EXPECT_TRUE(SetValue("[S]\n k = v \n", "s", "K", "v").empty());
  EXPECT_TRUE(SetValue("[S]\nk\n", "S", "k", "").empty());
}

TEST(SetValueTest, NamesAndValuesAreWrittenTrimmed) {
  EXPECT_EQ(Apply("", SetValue("", " S\t", "\tk ", " v\t")), "[S]\r\nk=v\r\n");
  // Blanks would otherwise pile up, unseen, at each rewrite.
  const std::string once = Apply("[S]\nk=x\n", SetValue("[S]\nk=x\n", "S", "k", "  v  "));
  EXPECT_EQ(once, "[S]\nk=v\n");
  EXPECT_TRUE(SetValue(once, "S", "k", "  v  ").empty());
  EXPECT_EQ(Apply("[S]\n", ReplaceSection("[S]\n", "S", {{" a ", " 1 "}})), "[S]\na=1\n");
}

class RemoveKeyTest : public ::testing::TestWithParam<WriteCase> {};

// Every case removes k from [S].
TEST_P(RemoveKeyTest, RemovesWholeLines) {
  const WriteCase& c = GetParam();
  EXPECT_EQ(Apply(c.Before, RemoveKey(c.Before, "S", "k")), c.After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveKeyTest,
    ::testing::Values(WriteCase{"Middle", "[S]\r\na=1\r\nk=2\r\nb=3\r\n", "[S]\r\na=1\r\nb=3\r\n"},
                      WriteCase{"EveryDuplicateInFirstSection",
                                "[S]\nk=1\n;c\nK=2\n[T]\nk=3\n[S]\nk=4\n",
                                "[S]\n;c\n[T]\nk=3\n[S]\nk=4\n"},
                      WriteCase{"LastLineNoBreak", "[S]\na=1\nk=2", "[S]\na=1\n"},
                      WriteCase{"BareKey", "[S]\nk\nb=1\n", "[S]\nb=1\n"},
                      WriteCase{"MissingKey", "[S]\na=1\n", "[S]\na=1\n"},
                      WriteCase{"MissingSection", "[T]\nk=1\n", "[T]\nk=1\n"}),
    [](const auto& param) { return std::string(param.param.Name); });

class RemoveSectionTest : public ::testing::TestWithParam<WriteCase> {};

// Every case removes [S].
TEST_P(RemoveSectionTest, RemovesHeaderAndBody) {
  const WriteCase& c = GetParam();
  EXPECT_EQ(Apply(c.Before, RemoveSection(c.Before, "S")), c.After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveSectionTest,
    ::testing::Values(WriteCase{"Middle", "; top\n[A]\na=1\n[S]\nk=1\n; c\n\n[B]\nb=1\n",
                                "; top\n[A]\na=1\n[B]\nb=1\n"},
                      WriteCase{"Last", "[A]\r\na=1\r\n[S]\r\nk=1", "[A]\r\na=1\r\n"},
                      WriteCase{"EveryDuplicate", "[S]\na=1\n[B]\n[s]\nx=1\n", "[B]\n"},
                      WriteCase{"AdjacentDuplicates", "[S]\n[s]\n[B]\n", "[B]\n"},
                      WriteCase{"KeepsByteOrderMark", kBom + "[S]\na=1\n[B]\n", kBom + "[B]\n"},
                      WriteCase{"Missing", "[A]\na=1\n", "[A]\na=1\n"}),
    [](const auto& param) { return std::string(param.param.Name); });

struct SectionCase {
  const char* Name;
  std::string Before;
  std::vector<KeyValue> Entries;
  std::string After;
};

class ReplaceSectionTest : public ::testing::TestWithParam<SectionCase> {};

// Every case replaces the entries of [S].
TEST_P(ReplaceSectionTest, KeepsCommentsAndMatchingLines) {
  const SectionCase& c = GetParam();
  EXPECT_EQ(Apply(c.Before, ReplaceSection(c.Before, "S", c.Entries)), c.After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceSectionTest,
    ::testing::Values(
        SectionCase{"SameEntriesSameBytes",
                    "[S]\r\n; c\r\n  a = 1\r\n\r\nB=2\r\n",
                    {{"a", "1"}, {"b", "2"}},
                    "[S]\r\n; c\r\n  a = 1\r\n\r\nB=2\r\n"},
        SectionCase{"ValueChangedInPlace",
                    "[S]\n a = 1 \nb=2\n",
                    {{"a", "9"}, {"b", "2"}},
                    "[S]\n a = 9 \nb=2\n"},
        SectionCase{
            "FewerEntries", "[S]\na=1\n; c\nb=2\n[T]\n", {{"a", "1"}}, "[S]\na=1\n; c\n[T]\n"},
        SectionCase{"MoreEntries",
                    "[S]\na=1\n\n[T]\n",
                    {{"a", "1"}, {"b", "2"}, {"c", "3"}},
                    "[S]\na=1\nb=2\nc=3\n\n[T]\n"},
        SectionCase{"OtherKeyRewritten", "[S]\n  x = 1\n", {{"y", "2"}}, "[S]\n  y=2\n"},
        SectionCase{"NoEntriesKeepsHeader", "[S]\na=1\n;c\n[T]\n", {}, "[S]\n;c\n[T]\n"},
        SectionCase{
            "MissingAppended", "[T]\r\n", {{"a", "1"}, {"b", ""}}, "[T]\r\n[S]\r\na=1\r\nb=\r\n"},
        SectionCase{"MissingNoEntries", "[T]\n", {}, "[T]\n[S]\n"},
        SectionCase{"IntoEmptyLastSectionNoBreak", "[S]", {{"a", "1"}}, "[S]\r\na=1"},
        SectionCase{
            "OnlyFirstDuplicate", "[S]\na=1\n[S]\na=2\n", {{"a", "3"}}, "[S]\na=3\n[S]\na=2\n"}),
    [](const auto& param) { return std::string(param.param.Name); });

struct ProblemCase {
  const char* Name;
  std::string Section;
  std::string Key;
  std::string Value;
  std::optional<std::string> Expected;  // nullopt: writable
};

class ProblemTest : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(ProblemTest, RefusesWhatWouldCorruptTheFile) {
  const ProblemCase& c = GetParam();
  std::optional<std::string> why = SectionNameProblem(c.Section);
  if (!why) why = KeyProblem(c.Key);
  if (!why) why = ValueProblem(c.Key, c.Value);
  EXPECT_EQ(why, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProblemTest,
    ::testing::Values(
        ProblemCase{"Plain", "S", "k", "v", std::nullopt},
        ProblemCase{"ValueMayHoldAnything", "S", "k", " =[;#] ", std::nullopt},
        ProblemCase{"KeyMayHoldBracketLater", "S", "k[1]", "v", std::nullopt},
        ProblemCase{"SectionMayBeginWithBracket", "[S", "k", "v", std::nullopt},
        ProblemCase{"EmptySection", "", "k", "v", "Section name is empty"},
        ProblemCase{"BlankSection", " \t", "k", "v", "Section name is empty"},
        ProblemCase{"SectionLf", "a\nb", "k", "v", "Section name \"a\\nb\" contains a line break"},
        ProblemCase{"SectionCr", "a\rb", "k", "v", "Section name \"a\\rb\" contains a line break"},
        ProblemCase{"SectionBracket", "a]b", "k", "v", "Section name \"a]b\" contains \"]\""},
        ProblemCase{"EmptyKey", "S", "", "v", "Key name is empty"},
        ProblemCase{"BlankKey", "S", "  ", "v", "Key name is empty"},
        ProblemCase{"KeyLf", "S", "a\n", "v", "Key \"a\\n\" contains a line break"},
        ProblemCase{"KeyEquals", "S", "a=b", "v", "Key \"a=b\" contains \"=\""},
        ProblemCase{"KeyBracket", "S", " [a", "v", "Key \"[a\" begins with \"[\""},
        ProblemCase{"KeySemicolon", "S", ";a", "v", "Key \";a\" begins with \";\""},
        ProblemCase{"KeyHash", "S", "#a", "v", "Key \"#a\" begins with \"#\""},
        ProblemCase{"ValueLf", "S", "k", "a\nb", "Value of key \"k\" contains a line break"},
        ProblemCase{"ValueCr", "S", "k", "a\r", "Value of key \"k\" contains a line break"}),
    [](const auto& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace orvanta::profile
