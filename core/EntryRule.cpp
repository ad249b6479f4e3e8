#include "core/EntryRule.h"

#include <array>
#include <cstdio>

#include "core/Message.h"
#include "core/SettingsFields.h"

namespace orvanta {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The length of the UTF-8 sequence that starts with `lead`, 1 for a stray byte.
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  return 1;
}

std::string_view CharacterAt(std::string_view text, std::size_t i) {
  return text.substr(i, SequenceLength(static_cast<unsigned char>(text[i])));
}

// Words a function declaration cannot be named.
constexpr std::array<std::string_view, 39> kReservedWords = {
    "await",     "break",  "case",     "catch",  "class",      "const",   "continue",  "debugger",
    "default",   "delete", "do",       "else",   "enum",       "export",  "extends",   "false",
    "finally",   "for",    "function", "if",     "implements", "import",  "in",        "instanceof",
    "interface", "let",    "new",      "null",   "package",    "private", "protected", "public",
    "return",    "static", "super",    "switch", "this",       "throw",   "true"};
constexpr std::array<std::string_view, 6> kMoreReservedWords = {"try",  "typeof", "var",
                                                                "void", "while",  "with"};

bool IsReservedWord(std::string_view name) {
  for (std::string_view w : kReservedWords)
    if (w == name) return true;
  for (std::string_view w : kMoreReservedWords)
    if (w == name) return true;
  return name == "yield";
}

// A number the script reads as it stands: sign, digits with one point, an
// E exponent.
std::optional<EntryProblem> CheckScriptNumber(const char* field, std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0)
    return EntryProblem{field, std::string(t), "is not a number the script can read"};
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    std::size_t j = i + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    if (j < t.size() && IsDigit(t[j])) {
      i = j;
      while (i < t.size() && IsDigit(t[i])) ++i;
    }
  }
  if (i == t.size()) return std::nullopt;
  return EntryProblem{field, std::string(CharacterAt(t, i)),
                      "cannot stand in a number the script reads"};
}

// Names the generated script uses for itself, and the page's own names it
// calls or that a function declaration cannot replace.
constexpr std::array<std::string_view, 13> kUsedNames = {
    "win",        "timer", "winleft",  "wintop",   "StartPop", "window",   "screen",
    "setTimeout", "open",  "document", "location", "top",      "winDialog"};

}  // namespace

std::size_t EntryLength(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += CharacterAt(text, i).size()) ++count;
  return count;
}

bool IsFunctionNameCharacter(char32_t code) {
  return code < 0x80 && (IsAsciiLetter(static_cast<char>(code)) ||
                         IsDigit(static_cast<char>(code)) || code == U'_' || code == U'$');
}

std::optional<EntryProblem> CheckFunctionName(std::string_view name) {
  for (std::size_t i = 0; i < name.size(); i += CharacterAt(name, i).size()) {
    const char c = name[i];
    if (IsAsciiLetter(c) || c == '_' || c == '$') continue;
    if (IsDigit(c) && i > 0) continue;
    return EntryProblem{"FunctionName", std::string(CharacterAt(name, i)),
                        IsDigit(c) ? "cannot begin a function name"
                                   : "cannot be in a function name (letters, digits, _ and $)"};
  }
  if (IsReservedWord(name))
    return EntryProblem{"FunctionName", std::string(name), "is a reserved word of the script"};
  for (std::string_view used : kUsedNames)
    if (used == name)
      return EntryProblem{"FunctionName", std::string(name),
                          "is a name the generated script needs for itself"};
  return std::nullopt;
}

std::optional<EntryProblem> FindEntryProblem(const PopupSettings& s) {
  if (auto p = CheckFunctionName(s.FunctionName)) return p;
  if (s.Order == WindowOrder::InPage) {
    // The dialog's script computes its size and place.
    if (auto p = CheckScriptNumber("Width", s.Width)) return p;
    if (auto p = CheckScriptNumber("Height", s.Height)) return p;
    if (s.Center != 1) {
      if (auto p = CheckScriptNumber("Top", s.Top)) return p;
      if (auto p = CheckScriptNumber("Left", s.Left)) return p;
    }
  } else if (s.Center == 1) {
    // The centring lines compute with the size.
    if (auto p = CheckScriptNumber("Width", s.Width)) return p;
    if (auto p = CheckScriptNumber("Height", s.Height)) return p;
  }
  if (!s.DelaySeconds.empty())
    if (auto p = CheckScriptNumber("DelaySeconds", s.DelaySeconds)) return p;
  if (!s.CloseSeconds.empty())
    if (auto p = CheckScriptNumber("CloseSeconds", s.CloseSeconds)) return p;
  return std::nullopt;
}

std::optional<std::string> FindTooLongEntry(const PopupSettings& s) {
  for (const SettingsField& field : kSettingsFields) {
    const auto member = TextMember(field);
    if (member == nullptr) continue;
    const std::string& text = s.*member;
    if (text.size() > kLongestEntry && EntryLength(text) > kLongestEntry) return field.Key;
  }
  return std::nullopt;
}

std::string DescribeProblem(const EntryProblem& p) {
  std::string shown;
  for (std::size_t i = 0; i < p.Character.size(); i += CharacterAt(p.Character, i).size()) {
    const std::string_view ch = CharacterAt(p.Character, i);
    const auto c = static_cast<unsigned char>(ch[0]);
    char hex[16];
    if (c < 0x20 || c == 0x7F) {
      shown += OneLine(ch);
    } else if (ch.size() == 2 && c == 0xC2 && static_cast<unsigned char>(ch[1]) < 0xA0) {
      std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned char>(ch[1]));
      shown += hex;
    } else if (ch == "\xE2\x80\xA8" || ch == "\xE2\x80\xA9") {
      shown += ch[2] == '\xA8' ? "U+2028" : "U+2029";
    } else {
      shown += ch;
    }
  }
  const bool whole = EntryLength(p.Character) > 1;
  return std::string(whole ? "\"" : "the character \"") + shown + "\" " + p.Reason;
}

}  // namespace orvanta
