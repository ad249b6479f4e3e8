#pragma once

// Private-profile functions: read and write one INI file by section, key and
// value. Each call reads the file afresh and keeps nothing open afterwards.
//
// Every call sets this thread's last-error code (LastError): an errno value,
// ENOENT when the file, section or key is missing, the system's code when
// the file cannot be read or written, EINVAL for a name or value that cannot
// be written, 0 on success and when nothing more is known. LastErrorText
// says it in words.
//
// Files are read by files/SettingsReader.h and written by files/FileWriter.h,
// whole and atomically: a reader sees the old or the new file, never a mix.
// A read-modify-write holds an exclusive flock on the file, or on its folder
// while the file does not exist yet, so concurrent writers in several
// processes never lose each other's changes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ini/ProfileFormat.h"

namespace orvanta::profile {

int LastError();
std::string LastErrorText();

// The key's value, or `defaultValue` when the file, section or key is
// missing; returns the size of what was copied to `value`.
std::size_t ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string& value,
                              const std::string& file);

// The entries of the section as SectionEntries gives them ("key=value"); returns their
// number, 0 (and `entries` untouched) for a missing or empty section or file.
std::size_t ReadProfileSection(std::string_view section, std::vector<std::string>& entries,
                               const std::string& file);

// The section names; returns their number, 0 (names untouched) for none.
std::size_t ReadProfileSectionNames(std::vector<std::string>& names, const std::string& file);

// Sets the key, creating the section, key or file as needed.
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& file);

// Removing what is not there succeeds and leaves the file alone.
bool DeleteProfileKey(std::string_view section, std::string_view key, const std::string& file);
bool DeleteProfileSection(std::string_view section, const std::string& file);

// Replaces all entries of the section by `entries`, creating it as needed.
bool WriteProfileSection(std::string_view section, const std::vector<KeyValue>& entries,
                         const std::string& file);

}  // namespace orvanta::profile
