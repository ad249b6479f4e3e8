#pragma once

#include <QString>

namespace orvanta {

// The scripts the popup probe puts into the test page and its frames. Both
// take the secret the program knows them by and the name of the event that
// hands the page world its key.
QString ProbeScript(const QString& secret, const QString& handoff);
QString WorldScript(const QString& secret, const QString& handoff);

}  // namespace orvanta
