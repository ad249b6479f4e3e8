#pragma once

#include <string_view>

namespace orvanta {

// The HTML standard's "check if a popup window is requested" on the third
// argument of window.open: true for a popup window, false for a tab.
bool PopupWindowRequested(std::string_view features);

}  // namespace orvanta
