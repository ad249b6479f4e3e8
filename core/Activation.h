#pragma once

#include <string>

#include "core/PopupSettings.h"

namespace orvanta {

// Returns the element that calls `triggerName` for this kind and rewrites
// `linkCode` (holding the direct window.open call on entry) into the
// one-element link for the same kind. Page events give "" and leave
// `linkCode` alone.
std::string BuildActivationCode(ActivationKind kind, const std::string& triggerName,
                                std::string& linkCode);

}  // namespace orvanta
