#include "core/ScriptString.h"

#include <cstdint>

namespace orvanta {

namespace {

// The characters windows-1252 puts at 0x80 to 0x9F (its five holes aside).
constexpr char16_t kHigh1252[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x017D, 0x2018,
                                  0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
                                  0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};

constexpr char kHex[] = "0123456789ABCDEF";

// Bytes that stand as they are in every case: printable ASCII but the quotes,
// the backslash, "<" and "&".
struct PlainBytes {
  bool Plain[256] = {};
  constexpr PlainBytes() {
    for (int c = 0x20; c < 0x7F; ++c) Plain[c] = true;
    for (const char c : {'\'', '"', '\\', '<', '&'}) Plain[static_cast<unsigned char>(c)] = false;
  }
};
constexpr PlainBytes kPlainBytes;

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view lower) {
  if (text.size() - at < lower.size()) return false;
  for (std::size_t k = 0; k < lower.size(); ++k) {
    char c = text[at + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[k]) return false;
  }
  return true;
}

// Decodes the UTF-8 sequence at `at`; 0 as length for a byte that starts no
// well-formed sequence.
std::size_t DecodeAt(std::string_view t, std::size_t at, char32_t& code) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(t[at + k]); };
  const auto cont = [&](std::size_t k) { return at + k < t.size() && (b(k) & 0xC0) == 0x80; };
  const unsigned char lead = b(0);
  if (lead >= 0xC2 && lead <= 0xDF && cont(1)) {
    code = (char32_t{lead} & 0x1F) << 6 | (b(1) & 0x3F);
    return 2;
  }
  if (lead >= 0xE0 && lead <= 0xEF && cont(1) && cont(2)) {
    code = (char32_t{lead} & 0x0F) << 12 | (char32_t{b(1)} & 0x3F) << 6 | (b(2) & 0x3F);
    if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4 && cont(1) && cont(2) && cont(3)) {
    code = (char32_t{lead} & 0x07) << 18 | (char32_t{b(1)} & 0x3F) << 12 |
           (char32_t{b(2)} & 0x3F) << 6 | (b(3) & 0x3F);
    if (code < 0x10000 || code > 0x10FFFF) return 0;
    return 4;
  }
  return 0;
}

void AppendUnit(std::string& out, std::uint32_t unit) {
  const char e[] = {
      '\\',           'u', kHex[(unit >> 12) & 15], kHex[(unit >> 8) & 15], kHex[(unit >> 4) & 15],
      kHex[unit & 15]};
  out.append(e, sizeof e);
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  std::size_t plain = 0;  // start of the run copied as it stands
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size;) {
    if (kPlainBytes.Plain[static_cast<unsigned char>(text[i])]) {
      ++i;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    const char* escape = nullptr;
    std::size_t length = 1;
    char32_t code = c;
    if (c >= 0x80) {
      length = DecodeAt(text, i, code);
      if (length == 0 || IsWindows1252Character(code)) {
        i += length == 0 ? 1 : length;
        continue;
      }
    } else if (c == '\'') {
      escape = "\\x27";
    } else if (c == '"') {
      escape = "\\x22";
    } else if (c == '\\') {
      escape = "\\\\";
    } else if (c == '\n') {
      escape = "\\n";
    } else if (c == '\r') {
      escape = "\\r";
    } else if (c == '&' && attribute) {
      escape = "&amp;";
    } else if (c == '<' && StartsWithNoCase(text, i + 1, "/script")) {
      escape = "<\\/";
      length = 2;
    } else if (c == '<' &&
               (StartsWithNoCase(text, i + 1, "script") || StartsWithNoCase(text, i + 1, "!--"))) {
      escape = "\\x3C";
    } else if (c >= 0x20 && c != 0x7F) {
      ++i;
      continue;
    }
    out.append(text, plain, i - plain);
    if (escape != nullptr) {
      out.append(escape);
    } else if (code < 0x80) {
      const char e[] = {'\\', 'x', kHex[code >> 4], kHex[code & 15]};
      out.append(e, sizeof e);
    } else if (code < 0x10000) {
      AppendUnit(out, code);
    } else {
      AppendUnit(out, 0xD800 + ((code - 0x10000) >> 10));
      AppendUnit(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
    }
    i += length;
    plain = i;
  }
  out.append(text, plain, text.size() - plain);
}

}  // namespace

bool IsWindows1252Character(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return true;
  for (const char16_t high : kHigh1252)
    if (code == high) return true;
  return false;
}

void AppendScriptString(std::string& out, std::string_view text) {
  AppendEscaped(out, text, false);
}

void AppendAttributeScriptString(std::string& out, std::string_view text) {
  AppendEscaped(out, text, true);
}

}  // namespace orvanta
