#include "core/WindowFeatures.h"

#include "core/CodeTemplate.h"
#include "core/TextReplace.h"

namespace orvanta {

const WindowOptionInfo kWindowOptions[kWindowOptionCount] = {
    {"Toolbar", "toolbar=TOOL,", "TOOL", "toolbar"},
    {"Location Bar", "location=LOCATION,", "LOCATION", "location"},
    {"Directories", "directories=DIR,", "DIR", "directories"},
    {"Status Bar", "status=STATUS,", "STATUS", "status"},
    {"Menu Bar", "menubar=MENU,", "MENU", "menubar"},
    {"Scroll Bars", "scrollbars=SCROLL,", "SCROLL", "scrollbars"},
    {"Resizable", "resizable=RESIZE,", "RESIZE", "resizable"},
    {"Dependent", "dependent=DEPENDENT,", "DEPENDENT", "dependent"},
    {"Full Screen", "fullscreen=FULLSCREEN,", "FULLSCREEN", "fullscreen"},
    {"Title Bar", "titlebar=TITLEBAR,", "TITLEBAR", "titlebar"},
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
