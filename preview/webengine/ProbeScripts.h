#pragma once

#include <QString>

namespace orvanta {

// The scripts the popup probe puts into the test page. Each takes the
// secret the program knows its lines by.
//
// PageScript runs in the page's own world: `mainFrame` true for the one in
// the main frame, false for the one in frames, which speaks with a secret of
// its own; `notes` tells each input as it comes. WorldScript runs in the
// program's own world, for pages that show In Page dialogs.
QString PageScript(const QString& secret, bool mainFrame, bool notes);
QString WorldScript(const QString& secret);

}  // namespace orvanta
