#include "settings/SettingsFile.h"

#include <cerrno>
#include <vector>

#include "settings/Message.h"
#include "core/Enums.h"
#include "core/NumericEntry.h"
#include "core/WindowFeatures.h"
#include "files/FileWriter.h"
#include "files/SettingsReader.h"
#include "ini/CDS_CIni.h"
#include "ini/ProfileFormat.h"

namespace orvanta {

const std::array<const char*, 13> kSettingsKeys = {
    "FunctionName", "WindowName",   "PageUrl",   "Width", "Height",
    "Top",          "Left",         "Center",    "Order", "WindowOptions",
    "DelaySeconds", "CloseSeconds", "Activation"};

namespace {

constexpr const char* kSection = "Popup";

// Indexes into kSettingsKeys.
enum Field {
  FunctionNameKey,
  WindowNameKey,
  PageUrlKey,
  WidthKey,
  HeightKey,
  TopKey,
  LeftKey,
  CenterKey,
  OrderKey,
  WindowOptionsKey,
  DelaySecondsKey,
  CloseSecondsKey,
  ActivationKey
};

std::string InFile(const std::string& path) { return "settings file " + Quoted(path); }

[[noreturn]] void BadValue(const std::string& path, const char* key, const std::string& value,
                           const std::string& why) {
  throw SettingsFileError(InFile(path) + ": [Popup] " + key + "=" + Quoted(value) + ": " + why,
                          SettingsFileError::kBadContent);
}

std::string NumberField(const std::string& path, const char* key, const std::string& value) {
  if (!IsNumericEntry(value)) BadValue(path, key, value, "not a number");
  return value;
}

std::array<int, kWindowOptionCount> OptionsField(const std::string& path,
                                                 const std::string& value) {
  std::array<int, kWindowOptionCount> options{};
  if (value.empty()) return options;
  for (std::size_t begin = 0;;) {
    const std::size_t comma = value.find(',', begin);
    const std::string word(
        profile::TrimBlanks(std::string_view(value).substr(begin, comma - begin)));
    const int index = WindowOptionIndex(word);
    if (index < 0) {
      BadValue(path, "WindowOptions", value,
               "unknown option " + Quoted(word) + " (accepted: " + WindowOptionWordList() + ")");
    }
    options[index] = 1;
    if (comma == std::string::npos) return options;
    begin = comma + 1;
  }
}

void SetField(const std::string& path, int field, const std::string& value, PopupSettings& s) {
  const char* key = kSettingsKeys[field];
  switch (field) {
    case FunctionNameKey:
      s.FunctionName = value;
      break;
    case WindowNameKey:
      s.WindowName = value;
      break;
    case PageUrlKey:
      s.PageUrl = value;
      break;
    case WidthKey:
      s.Width = NumberField(path, key, value);
      break;
    case HeightKey:
      s.Height = NumberField(path, key, value);
      break;
    case TopKey:
      s.Top = NumberField(path, key, value);
      break;
    case LeftKey:
      s.Left = NumberField(path, key, value);
      break;
    case CenterKey:
      if (value != "0" && value != "1") BadValue(path, key, value, "not 0 or 1");
      s.Center = value == "1" ? 1 : 0;
      break;
    case OrderKey: {
      const auto order = OrderFromName(value);
      if (!order) BadValue(path, key, value, "not one of " + OrderNameList());
      s.Order = *order;
      break;
    }
    case WindowOptionsKey:
      s.WindowOptions = OptionsField(path, value);
      break;
    case DelaySecondsKey:
      s.DelaySeconds = NumberField(path, key, value);
      break;
    case CloseSecondsKey:
      s.CloseSeconds = NumberField(path, key, value);
      break;
    case ActivationKey: {
      const auto kind = ActivationFromName(value);
      if (!kind) {
        BadValue(path, key, value, "not one of " + ActivationNameList());
      }
      s.Activation = *kind;
      break;
    }
  }
}

int FieldOf(const std::string& key) {
  for (std::size_t i = 0; i < kSettingsKeys.size(); ++i) {
    if (profile::NamesEqual(key, kSettingsKeys[i])) return static_cast<int>(i);
  }
  return -1;
}

// Reader problems of the file's content are bad input; the others are
// access failures.
int ExitCodeFor(const files::FileProblem& problem) {
  return problem.Code == EFBIG || problem.Code == EILSEQ || problem.Code == EINVAL
             ? SettingsFileError::kBadContent
             : SettingsFileError::kCannotAccess;
}

std::string OptionsText(const PopupSettings& s) {
  std::string out;
  for (int i = 0; i < kWindowOptionCount; ++i) {
    if (s.WindowOptions[i] != 0)
      out += (out.empty() ? "" : ",") + std::string(kWindowOptions[i].Word);
  }
  return out;
}

}  // namespace

bool LoadSettingsFile(const std::string& path, PopupSettings& settings) {
  files::FileBytes bytes;
  if (auto problem = files::ReadSettingsFile(path, bytes)) {
    throw SettingsFileError("cannot read " + InFile(path) + ": " + problem->Reason,
                            ExitCodeFor(*problem));
  }
  // Entry by entry: only the first value of each key is kept.
  PopupSettings read = settings;
  std::array<bool, kSettingsKeys.size()> seen{};
  const bool found = profile::VisitSectionEntries(
      bytes.View(), kSection, [&](std::string_view key, std::string_view value) {
        const int field = FieldOf(std::string(key));
        if (field < 0) {
          throw SettingsFileError(InFile(path) + ": [Popup] unknown key " + Quoted(key) +
                                      " (value " + Quoted(value) + ")",
                                  SettingsFileError::kBadContent);
        }
        if (seen[field]) return;  // the first of duplicate keys wins
        seen[field] = true;
        SetField(path, field, std::string(value), read);
      });
  if (!found) {
    throw SettingsFileError(InFile(path) + ": no [Popup] section",
                            SettingsFileError::kBadContent);
  }
  settings = read;
  return seen[WindowOptionsKey];
}

namespace {

std::vector<std::string> SavedValues(const PopupSettings& s) {
  return {s.FunctionName,
          s.WindowName,
          s.PageUrl,
          s.Width,
          s.Height,
          s.Top,
          s.Left,
          s.Center == 1 ? "1" : "0",
          std::string(OrderName(s.Order)),
          OptionsText(s),
          s.DelaySeconds,
          s.CloseSeconds,
          std::string(ActivationName(s.Activation))};
}

// Write only what a later load accepts as it was saved.
void CheckSavedValues(const std::string& path, const std::vector<std::string>& values) {
  PopupSettings check;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (profile::ValueProblem(kSettingsKeys[i], values[i]) ||
        profile::TrimBlanks(values[i]).size() != values[i].size()) {
      throw SettingsFileError("cannot save " + InFile(path) + ": [Popup] " + kSettingsKeys[i] +
                                  "=" + Quoted(values[i]) +
                                  ": a line break or blanks at either end would be lost",
                              SettingsFileError::kBadContent);
    }
    try {
      SetField(path, static_cast<int>(i), values[i], check);
    } catch (const SettingsFileError& e) {
      throw SettingsFileError(std::string("cannot save ") + e.what(), e.ExitCode());
    }
  }
}

}  // namespace

void CheckSettingsSave(const std::string& path, const PopupSettings& s) {
  CheckSavedValues(path, SavedValues(s));
  files::WriteTarget target;
  if (auto problem = files::FindWriteTarget(path, target)) {
    throw SettingsFileError("cannot write " + InFile(path) + ": " + problem->Reason,
                            SettingsFileError::kCannotAccess);
  }
  // The new section goes into what the file holds, which must be readable.
  files::FileBytes old;
  if (target.Exists) {
    if (auto problem = files::ReadSettingsFile(target.Path, old)) {
      throw SettingsFileError("cannot write " + InFile(path) + ": " + problem->Reason,
                              ExitCodeFor(*problem));
    }
  }
}

void SaveSettingsFile(const std::string& path, const PopupSettings& s) {
  // The file itself is read once, by the write.
  const std::vector<std::string> values = SavedValues(s);
  CheckSavedValues(path, values);
  CDS_CIni ini;
  ini.FileName(path);
  const std::vector<std::string> keys(kSettingsKeys.begin(), kSettingsKeys.end());
  if (!ini.WriteSection(kSection, keys, values)) {
    throw SettingsFileError("cannot write " + InFile(path) + ": " + ini.LastErrorDescription(),
                            SettingsFileError::kCannotAccess);
  }
}

}  // namespace orvanta
