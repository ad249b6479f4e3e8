#include "cli/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

#include "core/Enums.h"
#include "core/NumericEntry.h"
#include "core/WindowFeatures.h"
#include "ini/CDS_CIni.h"
#include "ini/PrivateProfile.h"
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

// A value as it can stand on one line of a message.
std::string Shown(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string InFile(const std::string& path) { return "settings file " + Shown(path); }

[[noreturn]] void BadValue(const std::string& path, const char* key, const std::string& value,
                           const std::string& why) {
  throw SettingsFileError(InFile(path) + ": [Popup] " + key + "=" + Shown(value) + ": " + why,
                          SettingsFileError::kBadContent);
}

std::string OptionWords() {
  std::string out;
  for (const auto& o : kWindowOptions) out += (out.empty() ? "" : ", ") + std::string(o.Word);
  return out;
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
               "unknown option " + Shown(word) + " (accepted: " + OptionWords() + ")");
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
      if (!order) BadValue(path, key, value, "not one of Normal, PopupOver, PopupUnder");
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
        BadValue(path, key, value,
                 "not one of StandardLink, PageLoad, PageClose, FormButton, MouseOver, "
                 "ImageLink");
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

// The profile functions cannot tell an unreadable file from a missing
// section, so look at the file first.
void CheckReadable(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int error = fd < 0 ? errno : 0;
  struct stat st {};
  if (fd >= 0) {
    if (::fstat(fd, &st) != 0) {
      error = errno;
    } else if (S_ISDIR(st.st_mode)) {
      error = EISDIR;
    }
    ::close(fd);
  }
  if (error != 0) {
    throw SettingsFileError(
        "cannot read " + InFile(path) + ": " + std::system_category().message(error),
        SettingsFileError::kCannotAccess);
  }
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
  CheckReadable(path);
  CDS_CIni ini;
  ini.FileName(path);
  std::vector<std::string> keys;
  std::vector<std::string> values;
  if (!ini.ReadSection(kSection, keys, values)) {
    const int code = profile::LastError();
    if (code == ENOENT) {
      throw SettingsFileError(InFile(path) + ": no [Popup] section",
                              SettingsFileError::kBadContent);
    }
    if (code != 0) {  // 0: the section is there but holds no key
      throw SettingsFileError("cannot read " + InFile(path) + ": " + ini.LastErrorDescription(),
                              SettingsFileError::kCannotAccess);
    }
  }

  PopupSettings read = settings;
  std::array<bool, kSettingsKeys.size()> seen{};
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const int field = FieldOf(keys[i]);
    if (field < 0) {
      throw SettingsFileError(InFile(path) + ": [Popup] unknown key " + Shown(keys[i]) +
                                  " (value " + Shown(values[i]) + ")",
                              SettingsFileError::kBadContent);
    }
    if (seen[field]) continue;  // the first of duplicate keys wins
    seen[field] = true;
    SetField(path, field, values[i], read);
  }
  settings = read;
  return seen[WindowOptionsKey];
}

void SaveSettingsFile(const std::string& path, const PopupSettings& s) {
  const std::vector<std::string> values = {s.FunctionName,
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
  std::vector<std::string> keys(kSettingsKeys.begin(), kSettingsKeys.end());

  // Write only what a later load accepts as it was saved.
  PopupSettings check;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (profile::ValueProblem(keys[i], values[i]) ||
        profile::TrimBlanks(values[i]).size() != values[i].size()) {
      throw SettingsFileError("cannot save " + InFile(path) + ": [Popup] " + keys[i] + "=" +
                                  Shown(values[i]) +
                                  ": a line break or blanks at either end would be lost",
                              SettingsFileError::kBadContent);
    }
    try {
      SetField(path, static_cast<int>(i), values[i], check);
    } catch (const SettingsFileError& e) {
      throw SettingsFileError(std::string("cannot save ") + e.what(), e.ExitCode());
    }
  }

  CDS_CIni ini;
  ini.FileName(path);
  if (!ini.WriteSection(kSection, keys, values)) {
    throw SettingsFileError("cannot write " + InFile(path) + ": " + ini.LastErrorDescription(),
                            SettingsFileError::kCannotAccess);
  }
}

}  // namespace orvanta
