#pragma once

#include <QStringList>
#include <optional>
#include <string>

#include "core/PopupSettings.h"
#include "preview/browsers/CheckResult.h"

namespace orvanta {

// The names `--browsers` takes, in table order; "all" stands for them all.
const QStringList& BrowserNames();

// Reads "chromium,firefox" or "all"; nullopt, with the bad name, on bad input.
std::optional<QStringList> ParseBrowserList(const QString& list, QString* bad);

// The check's page for the generated popup code (the test page's text as
// the code box holds it) and the settings it came from.
browsers::CheckPage CheckPageFor(const PopupSettings& repaired, const std::string& popupCode);

// The preview's own report (`orvanta --report FILE --json`) as one more
// column of the check.
browsers::EngineResult PreviewColumn(const QJsonObject& report);

// `orvanta --report FILE --browsers LIST [--json]`, after the settings were
// read and checked: runs every named engine and prints one block each.
// 0 when all were measured or are not installed, 1 when a check failed.
int RunBrowsersReport(const char* settingsPath, const PopupSettings& entries,
                      const QStringList& engines, bool json, int argc, char* argv[]);

}  // namespace orvanta
