#pragma once

#include <string_view>

namespace orvanta {

// True for a number and for every beginning of one, so that a number can be
// typed key by key: optional sign, digits with at most one ".", then, after
// at least one digit, an optional exponent E/e/D/d with optional sign and
// digits ("", "-", ".", "1e" and "1e-" pass; "e", "1-2" and "1e2." do not).
// "." is the decimal point in every locale.
bool IsNumericEntry(std::string_view text);

}  // namespace orvanta
