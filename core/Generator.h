#pragma once

#include <string>

#include "core/PopupSettings.h"

namespace orvanta {

struct GeneratedCode {
  std::string PopupCode;  // CR LF line breaks, ends with CR LF
  std::string LinkCode;   // empty when the settings need script in the HEAD
};

struct Generation {
  PopupSettings Settings;  // the repaired entries, to write back on screen
  GeneratedCode Code;
};

// Builds both texts from already repaired settings.
GeneratedCode BuildPopupCode(const PopupSettings& repaired);

// Why the repaired settings give no link code, as one sentence naming every
// entry that needs the script in the HEAD; empty when there is link code.
std::string NoLinkCodeReason(const PopupSettings& repaired);

// What the code does differently from what the entries say, as one
// sentence; empty when it does what they say.
std::string CodeNote(const PopupSettings& repaired);

// Repairs the typed entries, then builds both texts from them.
Generation GeneratePopupCode(const PopupSettings& typed);

}  // namespace orvanta
