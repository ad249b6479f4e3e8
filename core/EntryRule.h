#pragma once

// What an entry may hold so that the code built from it runs: the function
// name becomes a script identifier, the window name and the page address
// stand inside quoted script strings (some of them inside an HTML attribute
// or a SCRIPT block), and some numbers stand in the script as they are.

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

// A script identifier: ASCII letters, digits, "_" and "$", no digit first.
std::optional<EntryProblem> CheckFunctionName(std::string_view name);

// Nothing that ends or escapes a quoted script string, nor the SCRIPT block
// or the HTML attribute around it.
std::optional<EntryProblem> CheckQuotedText(std::string_view field, std::string_view text);

// The first repaired entry that would give code that does not run.
std::optional<EntryProblem> FindEntryProblem(const PopupSettings& repaired);

// The first typed text entry longer than kLongestEntry, by its key.
std::optional<std::string> FindTooLongEntry(const PopupSettings& typed);

// "the character "x" would end the quoted script string", for a line of text.
std::string DescribeProblem(const EntryProblem& problem);

}  // namespace orvanta
