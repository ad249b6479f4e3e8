#pragma once

#include <string>
#include <string_view>

namespace orvanta {

// Replaces every non-overlapping occurrence of `find` in `text`, scanning
// left to right, case-sensitive, never rescanning inserted text. Linear in
// the text length; reuses buffers between calls, so a chain of replacements
// over a large text does not allocate afresh each time.
void ReplaceInPlace(std::string& text, std::string_view find, std::string_view with);

}  // namespace orvanta
