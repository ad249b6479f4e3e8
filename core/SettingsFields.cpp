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

int OrderIndex(const PopupSettings& s) { return static_cast<int>(s.Order); }
void SetOrder(PopupSettings& s, int index) { s.Order = static_cast<WindowOrder>(index); }
int ActivationIndex(const PopupSettings& s) { return static_cast<int>(s.Activation); }
void SetActivation(PopupSettings& s, int index) { s.Activation = static_cast<ActivationKind>(index); }

constexpr SettingsField Text(const char* key, const char* label, const char* control,
                             const char* caption, const char* option, const char* valueName,
                             std::string PopupSettings::*member, FieldKind kind = FieldKind::Text) {
  return {key, label, kind, control, caption, option, valueName, {}, {}, member, nullptr,
          nullptr, nullptr, nullptr};
}

constexpr SettingsField Number(const char* key, const char* label, const char* control,
                               const char* caption, const char* option, const char* valueName,
                               std::string PopupSettings::*member) {
  return Text(key, label, control, caption, option, valueName, member, FieldKind::Number);
}

}  // namespace

const std::array<SettingsField, kSettingsFieldCount> kSettingsFields = {{
    Text("FunctionName", "Name of the script function", "txtName", "Label5", "-f,--function",
         "NAME", &PopupSettings::FunctionName),
    Text("WindowName", "Window name", "txtTitle", "Label8", "-w,--window-name", "NAME",
         &PopupSettings::WindowName),
    Text("PageUrl", "Page to show (default \"http://\")", "txtURL", "Label6", "-u,--url", "URL",
         &PopupSettings::PageUrl),
    Number("Width", "Window width in pixels", "txtPixels_0", "Label12", "--width", "PIXELS",
           &PopupSettings::Width),
    Number("Height", "Window height in pixels", "txtPixels_1", "Label2", "--height", "PIXELS",
           &PopupSettings::Height),
    Number("Top", "Distance from the top of the screen", "txtPixels_2", "Label11", "--top",
           "PIXELS", &PopupSettings::Top),
    Number("Left", "Distance from the left of the screen", "txtPixels_3", "Label4", "--left",
           "PIXELS", &PopupSettings::Left),
    {"Center", "Centre the window on the screen", FieldKind::Check, "ChkCenter", "ChkCenter",
     "-c,--center", "", {}, {}, nullptr, &PopupSettings::Center, nullptr, nullptr, nullptr},
    {"Order", "Window type", FieldKind::Choice, "OptWin_", "Label1", "-t,--type", "TYPE",
     kOrderNames, kOrderWords, nullptr, nullptr, nullptr, OrderIndex, SetOrder},
    {"WindowOptions", "Window options, repeatable or comma-separated", FieldKind::Options,
     "chkWindOpt_", "Frame4", "-o,--option", "OPTION", {}, kWindowOptionWords, nullptr, nullptr,
     &PopupSettings::WindowOptions, nullptr, nullptr},
    Number("DelaySeconds", "Delay popup by SECONDS", "txtDelay_0", "Label3", "-d,--delay",
           "SECONDS", &PopupSettings::DelaySeconds),
    Number("CloseSeconds", "Auto close after SECONDS", "txtDelay_1", "Label17", "-x,--close",
           "SECONDS", &PopupSettings::CloseSeconds),
    {"Activation", "When it opens", FieldKind::Choice, "OptAction_", "Frame1", "-a,--trigger",
     "WHEN", kActivationNames, kActivationWords, nullptr, nullptr, nullptr,
     ActivationIndex, SetActivation},
}};

bool SameField(const SettingsField& field, const PopupSettings& a, const PopupSettings& b) {
  switch (field.Kind) {
    case FieldKind::Text:
    case FieldKind::Number:
      return a.*field.TextMember == b.*field.TextMember;
    case FieldKind::Check:
      return a.*field.CheckMember == b.*field.CheckMember;
    case FieldKind::Choice:
      return field.GetChoice(a) == field.GetChoice(b);
    case FieldKind::Options:
      return a.*field.OptionsMember == b.*field.OptionsMember;
  }
  return false;
}

const SettingsField* FindSettingsField(std::string_view key) {
  for (const SettingsField& field : kSettingsFields)
    if (key == field.Key) return &field;
  return nullptr;
}

std::string FieldValue(const SettingsField& field, const PopupSettings& s) {
  switch (field.Kind) {
    case FieldKind::Text:
    case FieldKind::Number:
      return s.*field.TextMember;
    case FieldKind::Check:
      return s.*field.CheckMember == 1 ? "1" : "0";
    case FieldKind::Choice:
      return std::string(field.Names.At(field.GetChoice(s), field.Key));
    case FieldKind::Options: {
      std::string out;
      for (std::size_t i = 0; i < field.Words.Size; ++i)
        if ((s.*field.OptionsMember)[i] != 0) out += (out.empty() ? "" : ",") + std::string(field.Words.Data[i]);
      return out;
    }
  }
  return {};
}

std::optional<std::string> SetFieldValue(const SettingsField& field, const std::string& value,
                                         PopupSettings& s) {
  switch (field.Kind) {
    case FieldKind::Text:
      s.*field.TextMember = value;
      return std::nullopt;
    case FieldKind::Number:
      if (!IsNumericEntry(value)) return "not a number";
      s.*field.TextMember = value;
      return std::nullopt;
    case FieldKind::Check:
      if (value != "0" && value != "1") return "not 0 or 1";
      s.*field.CheckMember = value == "1" ? 1 : 0;
      return std::nullopt;
    case FieldKind::Choice: {
      const int index = field.Names.IndexOf(value);
      if (index < 0) return "not one of " + field.Names.Joined();
      field.SetChoice(s, index);
      return std::nullopt;
    }
    case FieldKind::Options: {
      std::array<int, kWindowOptionCount> options{};
      for (std::size_t begin = 0; !value.empty();) {
        const std::size_t comma = value.find(',', begin);
        const std::string_view word =
            TrimBlanks(std::string_view(value).substr(begin, comma - begin));
        const int index = field.Words.IndexOf(word);
        if (index < 0)
          return "unknown option " + Quoted(word) + " (accepted: " + field.Words.Joined() + ")";
        options[static_cast<std::size_t>(index)] = 1;
        if (comma == std::string::npos) break;
        begin = comma + 1;
      }
      s.*field.OptionsMember = options;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace orvanta
