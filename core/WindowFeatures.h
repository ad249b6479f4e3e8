#pragma once

#include <string>

#include "core/PopupSettings.h"

namespace orvanta {

struct WindowOptionInfo {
  const char* Caption;  // check box caption
  const char* Token;    // its value's place in the feature template
};

extern const WindowOptionInfo kWindowOptions[kWindowOptionCount];

// Appends the third argument of window.open for these settings, its entries
// escaped for a quoted script string, or with `attribute` for one inside an
// HTML attribute.
void AppendWindowFeatures(std::string& out, const PopupSettings& s, bool attribute = false);

// The same as a text of its own.
std::string WindowFeatureString(const PopupSettings& s);

}  // namespace orvanta
