#include "core/SettingsFields.h"

#include "core/Message.h"
#include "core/NumericEntry.h"

namespace orvanta {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t b = text.find_first_not_of(kBlanks);
  if (b == std::string_view::npos) return {};
  return text.substr(b, text.find_last_not_of(kBlanks) + 1 - b);
}

}  // namespace

bool SameField(const SettingsField& field, const PopupSettings& a, const PopupSettings& b) {
  return VisitKind(
      field, [&](const TextField& f) { return a.*f.Member == b.*f.Member; },
      [&](const NumberField& f) { return a.*f.Member == b.*f.Member; },
      [&](const CheckField& f) { return a.*f.Member == b.*f.Member; },
      [&](const ChoiceField& f) { return f.Get(a) == f.Get(b); },
      [&](const OptionsField& f) { return a.*f.Member == b.*f.Member; });
}

const SettingsField* FindSettingsField(std::string_view key) {
  for (const SettingsField& field : kSettingsFields)
    if (key == field.Key) return &field;
  return nullptr;
}

std::string PopupSettings::*TextMember(const SettingsField& field) {
  using Text = std::string PopupSettings::*;
  return VisitKind(
      field, [](const TextField& f) -> Text { return f.Member; },
      [](const NumberField& f) -> Text { return f.Member; },
      [](const CheckField&) -> Text { return nullptr; },
      [](const ChoiceField&) -> Text { return nullptr; },
      [](const OptionsField&) -> Text { return nullptr; });
}

std::string FieldValue(const SettingsField& field, const PopupSettings& s) {
  return VisitKind(
      field, [&](const TextField& f) { return s.*f.Member; },
      [&](const NumberField& f) { return s.*f.Member; },
      [&](const CheckField& f) { return std::string(s.*f.Member == 1 ? "1" : "0"); },
      [&](const ChoiceField& f) { return std::string(f.Names.At(f.Get(s), field.Key)); },
      [&](const OptionsField& f) {
        std::string out;
        for (std::size_t i = 0; i < f.Words.Size; ++i)
          if ((s.*f.Member)[i] != 0) out += (out.empty() ? "" : ",") + std::string(f.Words.Data[i]);
        return out;
      });
}

std::optional<std::string> SetFieldValue(const SettingsField& field, const std::string& value,
                                         PopupSettings& s) {
  using Refusal = std::optional<std::string>;
  return VisitKind(
      field,
      [&](const TextField& f) -> Refusal {
        s.*f.Member = value;
        return std::nullopt;
      },
      [&](const NumberField& f) -> Refusal {
        if (!IsNumericEntry(value)) return "not a number";
        s.*f.Member = value;
        return std::nullopt;
      },
      [&](const CheckField& f) -> Refusal {
        if (value != "0" && value != "1") return "not 0 or 1";
        s.*f.Member = value == "1" ? 1 : 0;
        return std::nullopt;
      },
      [&](const ChoiceField& f) -> Refusal {
        const int index = f.Names.IndexOf(value);
        if (index < 0) return "not one of " + f.Names.Joined();
        f.Set(s, index);
        return std::nullopt;
      },
      [&](const OptionsField& f) -> Refusal {
        std::array<int, kWindowOptionCount> options{};
        for (std::size_t begin = 0; !value.empty();) {
          const std::size_t comma = value.find(',', begin);
          const std::string_view word =
              TrimBlanks(std::string_view(value).substr(begin, comma - begin));
          const int index = f.Words.IndexOf(word);
          if (index < 0)
            return "unknown option " + Quoted(word) + " (accepted: " + f.Words.Joined() + ")";
          options[static_cast<std::size_t>(index)] = 1;
          if (comma == std::string::npos) break;
          begin = comma + 1;
        }
        s.*f.Member = options;
        return std::nullopt;
      });
}

}  // namespace orvanta
