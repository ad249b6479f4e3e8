#include "core/Enums.h"

#include "core/WindowFeatures.h"

namespace orvanta {

namespace {
constexpr std::string_view kOrderNames[] = {"Normal", "PopupOver", "PopupUnder"};
constexpr std::string_view kActivationNames[] = {"StandardLink", "PageLoad",  "PageClose",
                                                  "FormButton",   "MouseOver", "ImageLink"};
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

}  // namespace orvanta
