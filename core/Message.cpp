#include "core/Message.h"

#include <cstdio>

namespace orvanta {

std::string OneLine(std::string_view message) {
  std::string out;
  out.reserve(message.size());
  for (const char ch : message) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += ch;
    }
  }
  return out;
}

std::string Quoted(std::string_view text) { return "\"" + OneLine(text) + "\""; }

}  // namespace orvanta
