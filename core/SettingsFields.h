#pragma once

// The fields of PopupSettings on every face they show: the key of the
// settings file and the JSON output, the command-line option, the control
// on the input screen. A new field is one row of kSettingsFields.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "core/Enums.h"
#include "core/PopupSettings.h"

namespace orvanta {

// One type per kind of field: what the kind needs and nothing else.
struct TextField {  // any text
  std::string PopupSettings::*Member;
};
struct NumberField {  // a text the numeric entry rule accepts
  std::string PopupSettings::*Member;
};
struct CheckField {  // 0 or 1
  int PopupSettings::*Member;
};
struct ChoiceField {  // one of Names (files, JSON) or Words (command line), by index
  WordList Names;
  WordList Words;
  int (*Get)(const PopupSettings&);
  void (*Set)(PopupSettings&, int index);
};
struct OptionsField {  // the window options, any number of Words
  WordList Words;
  std::array<int, kWindowOptionCount> PopupSettings::*Member;
};

using FieldKind = std::variant<TextField, NumberField, CheckField, ChoiceField, OptionsField>;

struct SettingsField {
  const char* Key;    // settings-file key and JSON name
  const char* Label;  // what the field is, for help texts
  // The screen's control: its object name, or for a group the prefix
  // numbered from 0 ("OptWin_"); and the object name of its caption.
  const char* Control;
  const char* Caption;
  // The command-line option ("-f,--function") and what its value is called.
  const char* Option;
  const char* ValueName;
  FieldKind Kind;
};

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// Calls the handler that takes the field's kind. Give one handler per kind,
// not a generic one, so that a new kind does not compile until each place
// says what it does with it.
template <class Visitor, class Kinds>
struct HandlesEveryKind;
template <class Visitor, class... Kinds>
struct HandlesEveryKind<Visitor, std::variant<Kinds...>>
    : std::conjunction<std::is_invocable<Visitor, const Kinds&>...> {};

template <class... Handlers>
decltype(auto) VisitKind(const SettingsField& field, Handlers&&... handlers) {
  using Visitor = Overloaded<std::decay_t<Handlers>...>;
  static_assert(HandlesEveryKind<Visitor, FieldKind>::value,
                "a kind of settings field has no handler here");
  return std::visit(Visitor{std::forward<Handlers>(handlers)...}, field.Kind);
}

// In the order the settings file saves them and the screen is filled.
inline constexpr std::array kSettingsFields{
    SettingsField{"FunctionName", "Name of the script function", "txtName", "Label5",
                  "-f,--function", "NAME", TextField{&PopupSettings::FunctionName}},
    SettingsField{"WindowName", "Window name", "txtTitle", "Label8", "-w,--window-name", "NAME",
                  TextField{&PopupSettings::WindowName}},
    SettingsField{"PageUrl", "Page to show (default \"http://\")", "txtURL", "Label6", "-u,--url",
                  "URL", TextField{&PopupSettings::PageUrl}},
    SettingsField{"Width", "Window width in pixels", "txtPixels_0", "Label12", "--width", "PIXELS",
                  NumberField{&PopupSettings::Width}},
    SettingsField{"Height", "Window height in pixels", "txtPixels_1", "Label2", "--height",
                  "PIXELS", NumberField{&PopupSettings::Height}},
    SettingsField{"Top", "Distance from the top of the screen", "txtPixels_2", "Label11", "--top",
                  "PIXELS", NumberField{&PopupSettings::Top}},
    SettingsField{"Left", "Distance from the left of the screen", "txtPixels_3", "Label4", "--left",
                  "PIXELS", NumberField{&PopupSettings::Left}},
    SettingsField{"Center", "Centre the window on the screen", "ChkCenter", "ChkCenter",
                  "-c,--center", "", CheckField{&PopupSettings::Center}},
    SettingsField{"Order", "Window type", "OptWin_", "Label1", "-t,--type", "TYPE",
                  ChoiceField{kOrderNames, kOrderWords,
                              [](const PopupSettings& s) { return static_cast<int>(s.Order); },
                              [](PopupSettings& s, int index) {
                                s.Order = static_cast<WindowOrder>(index);
                              }}},
    SettingsField{"WindowOptions", "Window options, repeatable or comma-separated", "chkWindOpt_",
                  "Frame4", "-o,--option", "OPTION",
                  OptionsField{kWindowOptionWords, &PopupSettings::WindowOptions}},
    SettingsField{"DelaySeconds", "Delay popup by SECONDS", "txtDelay_0", "Label3", "-d,--delay",
                  "SECONDS", NumberField{&PopupSettings::DelaySeconds}},
    SettingsField{"CloseSeconds", "Auto close after SECONDS", "txtDelay_1", "Label17", "-x,--close",
                  "SECONDS", NumberField{&PopupSettings::CloseSeconds}},
    SettingsField{"Activation", "When it opens", "OptAction_", "Frame1", "-a,--trigger", "WHEN",
                  ChoiceField{kActivationNames, kActivationWords,
                              [](const PopupSettings& s) { return static_cast<int>(s.Activation); },
                              [](PopupSettings& s, int index) {
                                s.Activation = static_cast<ActivationKind>(index);
                              }}},
};

inline constexpr std::size_t kSettingsFieldCount = kSettingsFields.size();

// Whether the field holds the same in both.
bool SameField(const SettingsField& field, const PopupSettings& a, const PopupSettings& b);

// The row whose key is `key` exactly, or null.
const SettingsField* FindSettingsField(std::string_view key);

// The text a Text or Number field keeps; null for the other kinds.
std::string PopupSettings::*TextMember(const SettingsField& field);

// The value as the settings file saves it: the text, "0"/"1", the choice's
// name, the ticked options' words joined by ",".
std::string FieldValue(const SettingsField& field, const PopupSettings& s);

// Reads a saved value into `s`; on a value the field cannot hold, leaves
// `s` as it was and returns why ("not a number", "not one of ...").
std::optional<std::string> SetFieldValue(const SettingsField& field, const std::string& value,
                                         PopupSettings& s);

}  // namespace orvanta
