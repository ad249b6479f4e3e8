#include "settings/SettingsFile.h"

#include <cerrno>
#include <vector>

#include "core/Message.h"
#include "core/SettingsFields.h"
#include "files/FileWriter.h"
#include "files/SettingsReader.h"
#include "ini/CDS_CIni.h"
#include "ini/ProfileFormat.h"

namespace orvanta {

namespace {

constexpr const char* kSection = "Popup";

std::string InFile(const std::string& path) { return "settings file " + Quoted(path); }

void SetField(const std::string& path, std::size_t field, const std::string& value,
              PopupSettings& s) {
  const SettingsField& row = kSettingsFields[field];
  if (auto why = SetFieldValue(row, value, s)) {
    throw SettingsFileError(
        InFile(path) + ": [Popup] " + row.Key + "=" + Quoted(value) + ": " + *why,
        SettingsFileError::kBadContent);
  }
}

int FieldOf(const std::string& key) {
  for (std::size_t i = 0; i < kSettingsFields.size(); ++i) {
    if (profile::NamesEqual(key, kSettingsFields[i].Key)) return static_cast<int>(i);
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

}  // namespace

void LoadSettingsFile(const std::string& path, PopupSettings& settings, files::ReadFrom from) {
  files::FileBytes bytes;
  if (auto problem = files::ReadSettingsFile(path, bytes, from)) {
    throw SettingsFileError("cannot read " + InFile(path) + ": " + problem->Reason,
                            ExitCodeFor(*problem));
  }
  // Entry by entry: only the first value of each key is kept.
  PopupSettings read = settings;
  std::array<bool, kSettingsFieldCount> seen{};
  const bool found = profile::VisitSectionEntries(
      bytes.View(), kSection, [&](std::string_view key, std::string_view value) {
        const int field = FieldOf(std::string(key));
        if (field < 0) {
          throw SettingsFileError(InFile(path) + ": [Popup] unknown key " + Quoted(key) +
                                      " (value " + Quoted(value) + ")",
                                  SettingsFileError::kBadContent);
        }
        const auto index = static_cast<std::size_t>(field);
        if (seen[index]) return;  // the first of duplicate keys wins
        seen[index] = true;
        SetField(path, index, std::string(value), read);
      });
  if (!found) {
    throw SettingsFileError(InFile(path) + ": no [Popup] section", SettingsFileError::kBadContent);
  }
  settings = read;
}

namespace {

std::vector<std::string> SavedValues(const PopupSettings& s) {
  std::vector<std::string> values;
  for (const SettingsField& field : kSettingsFields) values.push_back(FieldValue(field, s));
  return values;
}

// Write only what a later load accepts as it was saved.
void CheckSavedValues(const std::string& path, const std::vector<std::string>& values) {
  PopupSettings check;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const char* key = kSettingsFields[i].Key;
    if (profile::ValueProblem(key, values[i]) ||
        profile::TrimBlanks(values[i]).size() != values[i].size()) {
      throw SettingsFileError("cannot save " + InFile(path) + ": [Popup] " + key + "=" +
                                  Quoted(values[i]) +
                                  ": a line break or blanks at either end would be lost",
                              SettingsFileError::kBadContent);
    }
    try {
      SetField(path, i, values[i], check);
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
  std::vector<std::string> keys;
  for (const SettingsField& field : kSettingsFields) keys.emplace_back(field.Key);
  if (!ini.WriteSection(kSection, keys, values)) {
    throw SettingsFileError("cannot write " + InFile(path) + ": " + ini.LastErrorDescription(),
                            SettingsFileError::kCannotAccess);
  }
}

}  // namespace orvanta
