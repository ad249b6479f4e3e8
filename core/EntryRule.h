#pragma once

// What an entry may hold so that the code built from it runs. The window
// name and the page address may hold anything: the generator escapes them.
// What no escape can mend is refused: a function name that is no script
// identifier, and numbers that stand in the script as they are.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/PopupSettings.h"

namespace orvanta {

// The longest text entry, in characters, alike for the window and the
// command line.
inline constexpr std::size_t kLongestEntry = 32767;

// Characters in UTF-8 text; a byte that starts no sequence counts as one.
std::size_t EntryLength(std::string_view text);

struct EntryProblem {
  std::string Field;      // the settings key: "FunctionName", "PageUrl", ...
  std::string Character;  // the offending character or sequence, as it stands
  std::string Reason;     // why, ready to follow "the character ... "
};

// Whether a function name may hold the character: ASCII letters, digits,
// "_" and "$".
bool IsFunctionNameCharacter(char32_t code);

// A script identifier: ASCII letters, digits, "_" and "$", no digit first,
// no reserved word, and none of the names the generated code itself uses.
std::optional<EntryProblem> CheckFunctionName(std::string_view name);

// The first repaired entry that would give code that does not run.
std::optional<EntryProblem> FindEntryProblem(const PopupSettings& repaired);

// The first typed text entry longer than kLongestEntry, by its key.
std::optional<std::string> FindTooLongEntry(const PopupSettings& typed);

// "the character "x" would end the quoted script string", for a line of text.
std::string DescribeProblem(const EntryProblem& problem);

}  // namespace orvanta
