#pragma once

#include <string>
#include <string_view>

namespace orvanta {

// The text in double quotes, control characters written as \n, \r, \t or
// \xNN, so that a message quoting it stays on one line.
std::string Quoted(std::string_view text);

// The message with every control character escaped the same way.
std::string OneLine(std::string_view message);

}  // namespace orvanta
