#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/PopupSettings.h"

namespace orvanta {

// Stable names used in settings files and JSON ("PopupOver", "PageLoad" ...).
std::string_view OrderName(WindowOrder order);
std::string_view ActivationName(ActivationKind kind);
std::optional<WindowOrder> OrderFromName(std::string_view name);
std::optional<ActivationKind> ActivationFromName(std::string_view name);

// Index of a window option by its word ("toolbar" ... "titlebar"), or -1.
int WindowOptionIndex(std::string_view word);

// Every accepted word, joined by ", ", for messages and help texts.
std::string OrderNameList();
std::string ActivationNameList();
std::string WindowOptionWordList();

}  // namespace orvanta
