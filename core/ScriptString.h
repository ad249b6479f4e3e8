#pragma once

#include <string>
#include <string_view>

namespace orvanta {

// Appends `text` so that, standing between single quotes in a script, the
// script receives exactly `text`: quotes, backslashes, line ends and other
// control characters become escapes, and so do the sequences that would end
// or change the SCRIPT block around it ("</script", "<script", "<!--") and
// the characters the windows-1252 test page cannot carry. Bytes that are not
// UTF-8 pass unchanged. Characters that need nothing are copied as they are.
void AppendScriptString(std::string& out, std::string_view text);

// The same for a script string inside a double-quoted HTML attribute, which
// the HTML parser decodes before the script sees it: "&" becomes "&amp;".
void AppendAttributeScriptString(std::string& out, std::string_view text);

// Whether windows-1252 has the character U+`code`.
bool IsWindows1252Character(char32_t code);

}  // namespace orvanta
