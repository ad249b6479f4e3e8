#include "core/WindowFeatures.h"

#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "core/CodeTemplate.h"
#include "core/ScriptString.h"

namespace orvanta {

const WindowOptionInfo kWindowOptions[kWindowOptionCount] = {
    {"Toolbar", "TOOL"},       {"Location Bar", "LOCATION"}, {"Directories", "DIR"},
    {"Status Bar", "STATUS"},  {"Menu Bar", "MENU"},         {"Scroll Bars", "SCROLL"},
    {"Resizable", "RESIZE"},   {"Dependent", "DEPENDENT"},   {"Full Screen", "FULLSCREEN"},
    {"Title Bar", "TITLEBAR"},
};

namespace {

enum class Value { Top, Left, Width, Height, Option };

// One "name=TOKEN" of the feature template and what fills its token.
struct FeatureItem {
  std::string_view Name;  // with its "="
  Value Fill;
  int Option;  // for Value::Option, the index of the check box
};

std::vector<FeatureItem> ParseFeatureTemplate() {
  std::vector<FeatureItem> items;
  const std::string_view text = CodeTemplate::WindowFeatureTemplate;
  for (std::size_t begin = 0; begin <= text.size();) {
    std::size_t end = text.find(',', begin);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view item = text.substr(begin, end - begin);
    const std::size_t equals = item.find('=');
    const std::string_view token = item.substr(equals + 1);
    FeatureItem parsed{item.substr(0, equals + 1), Value::Option, -1};
    if (token == "TOP") parsed.Fill = Value::Top;
    if (token == "LEFT") parsed.Fill = Value::Left;
    if (token == "WIDTH") parsed.Fill = Value::Width;
    if (token == "HEIGHT") parsed.Fill = Value::Height;
    for (int i = 0; i < kWindowOptionCount; ++i)
      if (token == kWindowOptions[i].Token) parsed.Option = i;
    if (parsed.Fill == Value::Option && parsed.Option < 0)
      throw std::logic_error("unknown word in the feature template: " + std::string(token));
    items.push_back(parsed);
    begin = end + 1;
  }
  return items;
}

const std::vector<FeatureItem>& FeatureItems() {
  static const std::vector<FeatureItem> items = ParseFeatureTemplate();
  return items;
}

// A check state written with a sign position, as the platform's number
// formatting does: " 1" for a ticked box.
void AppendSignedState(std::string& out, int state) {
  if (state >= 0) out.push_back(' ');
  out.append(std::to_string(state));
}

}  // namespace

void AppendWindowFeatures(std::string& out, const PopupSettings& s, bool attribute) {
  const auto text = attribute ? AppendAttributeScriptString : AppendScriptString;
  const bool center = s.Center == 1;
  bool first = true;
  for (const FeatureItem& item : FeatureItems()) {
    if (item.Fill == Value::Option && s.WindowOptions[item.Option] == 0) continue;
    if (!first) out.push_back(',');
    first = false;
    out.append(item.Name);
    switch (item.Fill) {
      case Value::Top:
        if (center) {
          out.append(CodeTemplate::CenterTop);
        } else {
          text(out, s.Top);
        }
        break;
      case Value::Left:
        if (center) {
          out.append(CodeTemplate::CenterLeft);
        } else {
          text(out, s.Left);
        }
        break;
      case Value::Width:
        text(out, s.Width);
        break;
      case Value::Height:
        text(out, s.Height);
        break;
      case Value::Option:
        AppendSignedState(out, s.WindowOptions[item.Option]);
        break;
    }
  }
}

std::string WindowFeatureString(const PopupSettings& s) {
  std::string out;
  AppendWindowFeatures(out, s);
  return out;
}

}  // namespace orvanta
