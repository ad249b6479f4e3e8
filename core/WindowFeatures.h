#pragma once

#include <string>

#include "core/PopupSettings.h"

namespace orvanta {

struct WindowOptionInfo {
  const char* Caption;     // check box caption
  const char* OptionText;  // removed when the box is not ticked
  const char* Token;       // replaced by the box's value
};

extern const WindowOptionInfo kWindowOptions[kWindowOptionCount];

// Replaces WIDTH, HEIGHT, TOP and LEFT, in that order, anywhere in `text`.
void FillWindowGeometry(std::string& text, const PopupSettings& s);

// Turns a copy of the feature template into the finished feature string.
void BuildWindowFeatures(std::string& text, const PopupSettings& s);

// The third argument of window.open for these settings.
std::string WindowFeatureString(const PopupSettings& s);

}  // namespace orvanta
