#pragma once

// The INI text format, on a file's bytes held in memory: finding sections,
// keys and values, and computing the smallest change that writes one. The
// file-level functions in ini/PrivateProfile.h read and write whole files
// with these.
//
// Lines end with LF or CR LF. Section and key names match without regard to
// ASCII letter case; spaces and tabs around names and values do not count;
// blank lines and lines whose first non-blank character is ";" or "#" are
// skipped; lines before the first section belong to no section; the first of
// duplicate sections or keys wins.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvanta::profile {

// Replace Length bytes at Offset of the original text by Text.
struct Splice {
  std::size_t Offset = 0;
  std::size_t Length = 0;
  std::string Text;
};

// Splices in ascending, non-overlapping order; empty when nothing changes.
using Edit = std::vector<Splice>;

using KeyValue = std::pair<std::string, std::string>;

std::string_view TrimBlanks(std::string_view text);
bool NamesEqual(std::string_view a, std::string_view b);

// The text's own line ending (that of its first line), CR LF when it has none.
std::string_view LineEnding(std::string_view text);

// ---- reading -------------------------------------------------------------

enum class Lookup { NoSection, NoKey, Found };

struct ValueResult {
  Lookup Result = Lookup::NoSection;
  std::string_view Value;  // trimmed; points into the text
};

ValueResult FindValue(std::string_view text, std::string_view section, std::string_view key);

// Every entry of the first section of that name, as "key=value" with both
// parts trimmed, or the key alone for a line without "="; nullopt when there
// is no such section.
// Hands each entry of the section to `visit` as name and value (empty
// without "=") in file order, keeping none; false when the section is
// missing. For reading a large file in memory in proportion to what the
// caller keeps.
bool VisitSectionEntries(std::string_view text, std::string_view section,
                         const std::function<void(std::string_view, std::string_view)>& visit);

std::optional<std::vector<std::string>> SectionEntries(std::string_view text,
                                                       std::string_view section);

// The section names in file order, each once, spelled as at its first header.
std::vector<std::string> SectionNames(std::string_view text);

// ---- checks before writing -------------------------------------------------

// Why a name or value cannot be written without corrupting the file, or
// nullopt when it can. Names are judged after trimming.
std::optional<std::string> SectionNameProblem(std::string_view section);
std::optional<std::string> KeyProblem(std::string_view key);
std::optional<std::string> ValueProblem(std::string_view key, std::string_view value);

// ---- writing ---------------------------------------------------------------
// The arguments must pass the checks above. Names and values are written
// trimmed: blanks around them would not be read back anyway.

// Sets the value of the first matching key, or adds the key after the last
// entry of its section, or adds the section at the end of the text.
Edit SetValue(std::string_view text, std::string_view section, std::string_view key,
              std::string_view value);

// Removes every entry of that key from the first section of that name.
Edit RemoveKey(std::string_view text, std::string_view section, std::string_view key);

// Removes every section of that name with all its lines.
Edit RemoveSection(std::string_view text, std::string_view section);

// Makes the entries of the first section of that name exactly `entries`, in
// that order, keeping its comment and blank lines; adds the section at the
// end when it is missing.
Edit ReplaceSection(std::string_view text, std::string_view section,
                    const std::vector<KeyValue>& entries);

std::string Apply(std::string_view text, const Edit& edit);

}  // namespace orvanta::profile
