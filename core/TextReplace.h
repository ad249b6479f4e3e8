#pragma once

#include <string>
#include <string_view>

namespace orvanta {

// Replaces every non-overlapping occurrence of `find`, scanning left to right,
// case-sensitive, never rescanning inserted text. Linear in the text length.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view with);

inline void ReplaceInPlace(std::string& text, std::string_view find, std::string_view with) {
  if (!find.empty() && text.find(find) != std::string::npos) text = ReplaceAll(text, find, with);
}

}  // namespace orvanta
