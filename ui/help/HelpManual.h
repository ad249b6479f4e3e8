#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include "modules/host/UrlOpener.h"

namespace orvanta {

// Where the HTML manual may lie.
struct HelpManualPlaces {
  QString workFolder;      // the program's folder (a trailing separator is fine)
  QString exeDir;          // the executable's folder
  QString installDataDir;  // the install prefix's data folder, e.g. /usr/share
};

// The program's own places: QCoreApplication::applicationDirPath() and the
// data folder of the install prefix it was built for.
HelpManualPlaces DefaultHelpManualPlaces(const QString& workFolder);

// The index.html candidates, first match wins: <work folder>/help,
// <exe dir>/../share/orvanta/help, <install data dir>/orvanta/help. Empty
// places are left out.
QStringList HelpManualCandidates(const HelpManualPlaces& places);

// The file URL of the first candidate that exists; an empty URL when none.
QUrl FindHelpManual(const HelpManualPlaces& places);
QUrl FindHelpManual(const QString& workFolder);

// Opens the manual with `shellOpen` (the desktop's when empty). False, and
// nothing happens, when there is no manual.
bool OpenHelpManual(const QString& workFolder, const UrlOpener& shellOpen = {});

}  // namespace orvanta
