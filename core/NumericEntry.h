#pragma once

#include <string_view>

namespace orvanta {

// True for "", "-", ".", "-." (an entry only begun) and for a plain number:
// optional sign, digits with at most one ".", optional exponent E/e/D/d with
// optional sign and at least one digit. "." is the decimal point in every
// locale.
bool IsNumericEntry(std::string_view text);

}  // namespace orvanta
