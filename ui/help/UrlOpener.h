#pragma once

#include <QUrl>
#include <functional>

namespace orvanta {

// Hands a web address, a mailto: address or a file to the desktop's "open".
// Tests and hosts pass their own; an empty one means the desktop's.
using UrlOpener = std::function<void(const QUrl& target)>;

// QDesktopServices::openUrl, its result dropped: a desktop without a browser
// or mail program simply does nothing.
void DesktopOpen(const QUrl& target);

}  // namespace orvanta
