#pragma once

#include <string>

#include "core/PopupSettings.h"

namespace orvanta {

// Returns the element that calls `triggerName` for this kind and rewrites
// `linkCode` (holding the direct window.open call on entry) into the
// one-element link for the same kind. Page events give "" and leave
// `linkCode` alone. In the page, the mouse-over link also answers keyboard
// focus.
std::string BuildActivationCode(ActivationKind kind, const std::string& triggerName,
                                std::string& linkCode, bool inPage = false);

}  // namespace orvanta
