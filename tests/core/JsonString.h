#pragma once

#include <cstdio>
#include <string>

namespace orvanta::test_support {

// Prints `s` as a JSON string for the script checks to read: the bytes stay
// as they are (the pages are windows-1252), only what JSON forbids is escaped.
inline void PrintJsonString(const std::string& s) {
  std::putchar('"');
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      std::printf("\\%c", ch);
    } else if (c < 0x20 || c == 0x7F) {
      std::printf("\\u%04x", c);
    } else {
      std::putchar(ch);
    }
  }
  std::putchar('"');
}

}  // namespace orvanta::test_support
