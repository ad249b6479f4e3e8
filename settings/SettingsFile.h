#pragma once

// Settings files for the command line: the [Popup] section of an INI file
// holds a PopupSettings record, one key per field.

#include <stdexcept>
#include <string>

#include "core/PopupSettings.h"
#include "files/SettingsReader.h"

namespace orvanta {

// A settings file that cannot be used. The one-line message names the file
// and, for bad content, the key and the value.
class SettingsFileError : public std::runtime_error {
 public:
  static constexpr int kCannotAccess = 1;  // the file cannot be read or written
  static constexpr int kBadContent = 2;

  SettingsFileError(const std::string& message, int exitCode)
      : std::runtime_error(message), exitCode_(exitCode) {}
  int ExitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

// Overrides the fields of `settings` that [Popup] gives; missing keys leave
// theirs as they were. Throws
// SettingsFileError, leaving `settings` untouched, for a file that cannot be
// read (with exit code 2 when its content is at fault: too large, lines
// ending with CR alone), a missing [Popup] section, an unknown key or a bad
// value. `from` says whether a pipe may be read.
void LoadSettingsFile(const std::string& path, PopupSettings& settings,
                      files::ReadFrom from = files::ReadFrom::FileOrPipe);

// Writes `settings` as [Popup] with every key, leaving the file's other
// sections as they are. Throws SettingsFileError, writing nothing, for a
// value that could not be read back or a file that cannot be written.
void SaveSettingsFile(const std::string& path, const PopupSettings& settings);

// Everything SaveSettingsFile checks before it writes, without writing.
void CheckSettingsSave(const std::string& path, const PopupSettings& settings);

}  // namespace orvanta
