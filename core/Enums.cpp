#include "core/Enums.h"

#include "core/WindowFeatures.h"

namespace orvanta {

namespace {
constexpr std::string_view kOrderNames[] = {"Normal", "PopupOver", "PopupUnder"};
constexpr std::string_view kActivationNames[] = {"StandardLink", "PageLoad",  "PageClose",
                                                  "FormButton",   "MouseOver", "ImageLink"};
template <typename Names>
std::string JoinNames(const Names& names) {
  std::string out;
  for (const auto& name : names) {
    if (!out.empty()) out += ", ";
    out += name;
  }
  return out;
}
}  // namespace

std::string_view OrderName(WindowOrder order) { return kOrderNames[static_cast<int>(order)]; }

std::string_view ActivationName(ActivationKind kind) {
  return kActivationNames[static_cast<int>(kind)];
}

std::optional<WindowOrder> OrderFromName(std::string_view name) {
  for (int i = 0; i < 3; ++i)
    if (kOrderNames[i] == name) return static_cast<WindowOrder>(i);
  return std::nullopt;
}

std::optional<ActivationKind> ActivationFromName(std::string_view name) {
  for (int i = 0; i < 6; ++i)
    if (kActivationNames[i] == name) return static_cast<ActivationKind>(i);
  return std::nullopt;
}

int WindowOptionIndex(std::string_view word) {
  for (int i = 0; i < kWindowOptionCount; ++i)
    if (word == kWindowOptions[i].Word) return i;
  return -1;
}

std::string OrderNameList() { return JoinNames(kOrderNames); }

std::string ActivationNameList() { return JoinNames(kActivationNames); }

std::string WindowOptionWordList() {
  std::string_view words[kWindowOptionCount];
  for (int i = 0; i < kWindowOptionCount; ++i) words[i] = kWindowOptions[i].Word;
  return JoinNames(words);
}

}  // namespace orvanta
