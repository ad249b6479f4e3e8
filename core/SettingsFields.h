#pragma once

// The fields of PopupSettings on every face they show: the key of the
// settings file and the JSON output, the command-line option, the control
// on the input screen. A new field is one row of kSettingsFields.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/Enums.h"
#include "core/PopupSettings.h"

namespace orvanta {

enum class FieldKind {
  Text,     // any text
  Number,   // a text the numeric entry rule accepts
  Check,    // 0 or 1
  Choice,   // one of Names (files, JSON) or Words (command line), by index
  Options,  // the window options, any number of Words
};

struct SettingsField {
  const char* Key;    // settings-file key and JSON name
  const char* Label;  // what the field is, for help texts
  FieldKind Kind;
  // The screen's control: its object name, or for a group the prefix
  // numbered from 0 ("OptWin_"); and the object name of its caption.
  const char* Control;
  const char* Caption;
  // The command-line option ("-f,--function") and what its value is called.
  const char* Option;
  const char* ValueName;
  WordList Names;  // Choice only
  WordList Words;  // Choice and Options
  // Exactly one of these, by kind.
  std::string PopupSettings::*TextMember;        // Text, Number
  int PopupSettings::*CheckMember;               // Check
  std::array<int, kWindowOptionCount> PopupSettings::*OptionsMember;  // Options
  int (*GetChoice)(const PopupSettings&);        // Choice
  void (*SetChoice)(PopupSettings&, int index);  // Choice
};

inline constexpr std::size_t kSettingsFieldCount = 13;

// In the order the settings file saves them and the screen is filled.
extern const std::array<SettingsField, kSettingsFieldCount> kSettingsFields;

// Whether the field holds the same in both.
bool SameField(const SettingsField& field, const PopupSettings& a, const PopupSettings& b);

// The row whose key is `key` exactly, or null.
const SettingsField* FindSettingsField(std::string_view key);

// The value as the settings file saves it: the text, "0"/"1", the choice's
// name, the ticked options' words joined by ",".
std::string FieldValue(const SettingsField& field, const PopupSettings& s);

// Reads a saved value into `s`; on a value the field cannot hold, leaves
// `s` as it was and returns why ("not a number", "not one of ...").
std::optional<std::string> SetFieldValue(const SettingsField& field, const std::string& value,
                                         PopupSettings& s);

}  // namespace orvanta
