#pragma once

#include <QJsonObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace orvanta::browsers {

// What sets the popup off, as a visitor would.
enum class Trigger { Click, Hover, Load, Leave };

// The page to check: the test page as the code box holds it, in the bytes
// the preview writes, and what the runner must do to set it off.
struct CheckPage {
  QByteArray TestPage;
  QByteArray GoButton;  // served as gobutton.gif beside the page
  Trigger How = Trigger::Click;
  QString Selector;  // the element to click or hover; empty for Load and Leave
  int DelayMs = 0;   // the popup's own delay and auto-close, to wait for them
  int CloseMs = 0;
};

// One engine's measured answer. Optional facts are absent when the popup
// did not open or the engine could not tell.
struct EngineResult {
  QString Engine;   // "chromium", "firefox", "webkit", "preview"
  QString Product;  // name and version the engine gave
  QString Verdict;  // "popup", "tab", "blocked", "not installed", "failed"
  QString Reason;
  QString Package;                    // Debian packages to install, when not installed
  std::optional<double> Delay;        // seconds from the trigger to window.open
  std::optional<QRect> Window;        // the new window's outer rectangle
  std::optional<QSize> Inner;         // its page area
  std::optional<bool> Bars;           // the engine's own answer: bars shown (not a popup)
  QString Front;                      // "popup", "test page" or "both"
  std::optional<double> ClosedAfter;  // seconds from opening to closing
  QString ClosedBy;
  QString Load;                // the popup page's load result
  QStringList Errors;          // uncaught errors of the test page, "line N: message"
  bool ErrorsMeasured = true;  // false where a report does not list them
  double Seconds = 0;          // how long the check took

  QJsonObject Json() const;
  // One (fact, value) pair per row of the comparison table; the same rows
  // for every engine, empty values where nothing was measured.
  std::vector<std::pair<QString, QString>> Facts() const;
  // The first line is the verdict.
  QStringList Lines() const;
};

// The verdict line as the window and the text report show it.
QString VerdictText(const EngineResult& result);

}  // namespace orvanta::browsers
