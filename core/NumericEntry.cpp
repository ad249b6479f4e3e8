#include "core/NumericEntry.h"

namespace orvanta {

bool IsNumericEntry(std::string_view t) {
  std::size_t i = 0;
  const auto digit = [&](std::size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '9'; };
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (digit(i)) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (digit(i)) ++i, ++digits;
  }
  if (digits > 0 && i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    while (digit(i)) ++i;
  }
  return i == t.size();
}

}  // namespace orvanta
