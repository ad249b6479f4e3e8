#pragma once

#include <QUrl>
#include <functional>

namespace orvanta {

// Takes a web address, a mailto: address or a file to open. Tests and hosts
// pass their own; an empty one means the desktop's "open".
using UrlOpener = std::function<void(const QUrl& target)>;

// Hands `target` to `opener`, or when it is empty to the desktop's "open"
// (QDesktopServices::openUrl). False when the desktop refused it or the
// opener threw: the shell is where this program's requests meet failures it
// does not control, and they end here.
bool OpenUrl(const QUrl& target, const UrlOpener& opener = {});

}  // namespace orvanta
