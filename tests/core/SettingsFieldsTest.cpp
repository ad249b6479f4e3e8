#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "core/Enums.h"
#include "core/SettingsFields.h"

namespace orvanta {
namespace {

// A value the field can hold that a default record does not.
std::string OtherValue(const SettingsField& field) {
  return VisitKind(
      field, [&](const TextField&) { return std::string("x-") + field.Key; },
      [](const NumberField&) { return std::string("42"); },
      [](const CheckField&) { return std::string("1"); },
      [](const ChoiceField& f) { return std::string(f.Names.Data[f.Names.Size - 1]); },
      [](const OptionsField& f) {
        return std::string(f.Words.Data[0]) + "," + std::string(f.Words.Data[f.Words.Size - 1]);
      });
}

TEST(SettingsFields, EachRowReachesItsOwnFieldAlone) {
  std::set<std::string> keys;
  for (const SettingsField& field : kSettingsFields) {
    EXPECT_TRUE(keys.insert(field.Key).second) << field.Key << " is twice in the table";
    EXPECT_EQ(FindSettingsField(field.Key), &field);
    const PopupSettings before;
    PopupSettings after;
    const std::string value = OtherValue(field);
    ASSERT_EQ(SetFieldValue(field, value, after), std::nullopt) << field.Key;
    EXPECT_EQ(FieldValue(field, after), value) << field.Key;
    EXPECT_FALSE(after == before) << field.Key << " is left out of the comparison";
    for (const SettingsField& other : kSettingsFields) {
      if (&other == &field) continue;
      EXPECT_EQ(FieldValue(other, after), FieldValue(other, before))
          << "setting " << field.Key << " changed " << other.Key;
    }
  }
}

TEST(SettingsFields, AVisitThatLeavesOutAKindDoesNotCompile) {
  const auto text = [](const TextField&) {};
  const auto number = [](const NumberField&) {};
  const auto check = [](const CheckField&) {};
  const auto choice = [](const ChoiceField&) {};
  const auto options = [](const OptionsField&) {};
  using T = decltype(text);
  using N = decltype(number);
  using K = decltype(check);
  using C = decltype(choice);
  using O = decltype(options);
  static_assert(HandlesEveryKind<Overloaded<T, N, K, C, O>, FieldKind>::value);
  static_assert(!HandlesEveryKind<Overloaded<T, N, K, C>, FieldKind>::value);
  static_assert(!HandlesEveryKind<Overloaded<N, K, C, O>, FieldKind>::value);
  // Number is no Text: each kind needs a handler of its own.
  static_assert(!HandlesEveryKind<Overloaded<T, K, C, O>, FieldKind>::value);
}

TEST(SettingsFields, RefusedValueSaysWhyAndLeavesTheRecordAlone) {
  const struct {
    const char* Key;
    const char* Value;
    const char* Why;
  } cases[] = {
      {"Width", "12a", "not a number"},
      {"Center", "2", "not 0 or 1"},
      {"Order", "popupover", "not one of Normal, PopupOver, PopupUnder, InPage"},
      {"Activation", "load",
       "not one of StandardLink, PageLoad, PageClose, FormButton, "
       "MouseOver, ImageLink"},
      {"WindowOptions", "toolbar,,status",
       "unknown option \"\" (accepted: toolbar, location, directories, status, menubar, "
       "scrollbars, resizable, dependent, fullscreen, titlebar)"},
  };
  for (const auto& c : cases) {
    const SettingsField* field = FindSettingsField(c.Key);
    ASSERT_NE(field, nullptr) << c.Key;
    PopupSettings s;
    EXPECT_EQ(SetFieldValue(*field, c.Value, s), std::optional<std::string>(c.Why)) << c.Key;
    EXPECT_EQ(s, PopupSettings()) << c.Key;
  }
}

TEST(SettingsFields, OptionWordsMayStandBetweenBlanks) {
  PopupSettings s;
  ASSERT_EQ(SetFieldValue(*FindSettingsField("WindowOptions"), " status ,\ttoolbar", s),
            std::nullopt);
  EXPECT_EQ(FieldValue(*FindSettingsField("WindowOptions"), s), "toolbar,status");
}

TEST(Enums, ValueOutsideTheEnumIsRefusedByName) {
  const auto message = [](auto call) -> std::string {
    try {
      call();
    } catch (const std::out_of_range& e) {
      return e.what();
    }
    return "no exception";
  };
  EXPECT_EQ(message([] { OrderName(static_cast<WindowOrder>(4)); }),
            "window order 4 is out of range (0 to 3)");
  EXPECT_EQ(message([] { ActivationName(static_cast<ActivationKind>(-1)); }),
            "activation kind -1 is out of range (0 to 5)");
  EXPECT_EQ(ActivationName(ActivationKind::ImageLink), "ImageLink");
}

}  // namespace
}  // namespace orvanta
