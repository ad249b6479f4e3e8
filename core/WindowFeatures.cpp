#include "core/WindowFeatures.h"

#include "core/CodeTemplate.h"
#include "core/TextReplace.h"

namespace orvanta {

const WindowOptionInfo kWindowOptions[kWindowOptionCount] = {
    {"Toolbar", "toolbar=TOOL,", "TOOL"},
    {"Location Bar", "location=LOCATION,", "LOCATION"},
    {"Directories", "directories=DIR,", "DIR"},
    {"Status Bar", "status=STATUS,", "STATUS"},
    {"Menu Bar", "menubar=MENU,", "MENU"},
    {"Scroll Bars", "scrollbars=SCROLL,", "SCROLL"},
    {"Resizable", "resizable=RESIZE,", "RESIZE"},
    {"Dependent", "dependent=DEPENDENT,", "DEPENDENT"},
    {"Full Screen", "fullscreen=FULLSCREEN,", "FULLSCREEN"},
    {"Title Bar", "titlebar=TITLEBAR,", "TITLEBAR"},
};

void FillWindowGeometry(std::string& text, const PopupSettings& s) {
  ReplaceInPlace(text, "WIDTH", s.Width);
  ReplaceInPlace(text, "HEIGHT", s.Height);
  ReplaceInPlace(text, "TOP", s.Top);
  ReplaceInPlace(text, "LEFT", s.Left);
}

namespace {

// A check state written with a sign position, as the platform's number
// formatting does: " 1" for a ticked box.
std::string SignedStateText(int state) {
  return state < 0 ? std::to_string(state) : " " + std::to_string(state);
}

}  // namespace

void BuildWindowFeatures(std::string& text, const PopupSettings& s) {
  for (int i = 0; i < kWindowOptionCount; ++i) {
    if (s.WindowOptions[i] == 0) ReplaceInPlace(text, kWindowOptions[i].OptionText, "");
  }
  for (int i = 0; i < kWindowOptionCount; ++i) {
    ReplaceInPlace(text, kWindowOptions[i].Token, SignedStateText(s.WindowOptions[i]));
  }
  FillWindowGeometry(text, s);
}

std::string WindowFeatureString(const PopupSettings& s) {
  std::string features(CodeTemplate::WindowFeatureTemplate);
  if (s.Center == 1) {
    ReplaceInPlace(features, "=TOP", "='+wintop+'");
    ReplaceInPlace(features, "=LEFT", "='+winleft+'");
  }
  BuildWindowFeatures(features, s);
  return features;
}

}  // namespace orvanta
