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

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    char c = text[at + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[k]) return false;
  }
  return true;
}

bool StartsWith(std::string_view text, std::size_t at, std::string_view word) {
  return text.substr(at, word.size()) == word;
}

// Words a function declaration cannot be named.
constexpr std::array<std::string_view, 39> kReservedWords = {
    "await",    "break",      "case",      "catch",   "class",     "const",   "continue",
    "debugger", "default",    "delete",    "do",      "else",      "enum",    "export",
    "extends",  "false",      "finally",   "for",     "function",  "if",      "implements",
    "import",   "in",         "instanceof", "interface", "let",    "new",     "null",
    "package",  "private",    "protected", "public",  "return",    "static",  "super",
    "switch",   "this",       "throw",     "true"};
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

// The template's placeholders, filled in after the entries are in: one inside
// an entry would be filled in too, some with line breaks.
constexpr std::array<std::string_view, 22> kPlaceholders = {
    "#FUNCTION",  "#WINTITLE",   "#WINNAME",   "#URL",          "#WINCENTER",
    "#WINPROP",   "#AUTOCLOSE",  "#CLOSETIME", "#DELAYTIME",    "#WINORDER",
    "#LINKTYPE",  "#LOADTYPE",   "#HEADSTART", "#SCRIPT1START", "#SCRIPT1FUNCTION",
    "#SCRIPT1END", "#HEADEND",   "#BODYLINE",  "#BODYTEXT",     "#ACTIVATION",
    "#ENDINSTRUCTION", "#STARTINSTRUCTION"};

std::optional<std::string_view> PlaceholderAt(std::string_view text, std::size_t at) {
  for (std::string_view p : kPlaceholders)
    if (StartsWith(text, at, p)) return p;
  return std::nullopt;
}

}  // namespace

std::size_t EntryLength(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += CharacterAt(text, i).size()) ++count;
  return count;
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
  return std::nullopt;
}

std::optional<EntryProblem> CheckQuotedText(std::string_view field, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); i += CharacterAt(text, i).size()) {
    const std::string_view ch = CharacterAt(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    const char* reason = nullptr;
    if (c == '\'' || c == '"') {
      reason = "would end the quoted script string";
    } else if (c == '\\') {
      reason = "would escape a character of the quoted script string";
    } else if (c < 0x20 || c == 0x7F || (ch.size() == 2 && c == 0xC2 &&
                                          static_cast<unsigned char>(ch[1]) < 0xA0)) {
      reason = "is a control character";
    } else if (ch == "\xE2\x80\xA8" || ch == "\xE2\x80\xA9" || ch == "\xE2\x80\xA2") {
      // U+2022 is the template's line-break marker.
      reason = "would end the line of the quoted script string";
    } else if (const auto placeholder = PlaceholderAt(text, i)) {
      return EntryProblem{std::string(field), std::string(*placeholder),
                          "would be filled in by the code template"};
    } else if (c == '<' && (StartsWithNoCase(text, i + 1, "script") ||
                            StartsWithNoCase(text, i + 1, "/script"))) {
      reason = "would begin a tag that ends the SCRIPT block";
    } else if (c == '&' && (StartsWith(text, i + 1, "#") || StartsWith(text, i + 1, "quot") ||
                            StartsWith(text, i + 1, "QUOT") ||
                            StartsWith(text, i + 1, "apos;") ||
                            StartsWith(text, i + 1, "bsol;") ||
                            StartsWith(text, i + 1, "NewLine;"))) {
      // Inside the link's HTML attribute these read as a quote, a backslash
      // or a line break.
      reason = "would begin a character reference that ends the quoted script string";
    }
    if (reason) return EntryProblem{std::string(field), std::string(ch), reason};
  }
  return std::nullopt;
}

std::optional<EntryProblem> FindEntryProblem(const PopupSettings& s) {
  if (auto p = CheckFunctionName(s.FunctionName)) return p;
  if (auto p = CheckQuotedText("WindowName", s.WindowName)) return p;
  if (auto p = CheckQuotedText("PageUrl", s.PageUrl)) return p;
  if (s.Center == 1) {
    // Centring fills these words in with numbers all through the script.
    for (std::string_view word : {"WIDTH", "HEIGHT", "TOP", "LEFT"})
      if (s.FunctionName.find(word) != std::string::npos)
        return EntryProblem{"FunctionName", std::string(word),
                            "would be replaced by a number when the window is centred"};
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
    if (field.TextMember == nullptr) continue;
    const std::string& text = s.*field.TextMember;
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
