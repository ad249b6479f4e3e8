#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

#include "preview/browsers/CheckResult.h"

namespace orvanta::browsers {

// An engine the check can run, and what it needs on this machine.
struct EngineInfo {
  QString Name;     // "chromium", "firefox", "webkit"
  QString Title;    // for the table's column
  QString Package;  // the Debian packages that bring it
};

const std::vector<EngineInfo>& KnownEngines();

// Where the engine's programs are, or nullopt when one is missing.
struct EnginePrograms {
  QString Browser;
  QString Driver;  // empty for an engine driven without one
};
std::optional<EnginePrograms> FindEngine(const QString& name);

using Progress = std::function<void(const QString& step)>;

// Serves the page, starts the engine with a fresh profile, sets the popup
// off, measures, and ends every process of the engine. Gives up after
// kEngineTimeLimitMs beyond the popup's own delay and auto-close.
EngineResult CheckEngine(const QString& name, const CheckPage& page, const Progress& progress,
                         const std::atomic_bool& cancel);

inline constexpr int kEngineTimeLimitMs = 60000;

}  // namespace orvanta::browsers
