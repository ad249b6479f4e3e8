#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

#include "core/PopupSettings.h"
#include "modules/host/PreviewPlugin.h"

namespace orvanta {

// What the engine did with the popups of one preview, as the lines of the
// report strip and as JSON. It says what was measured and nothing more.
class PreviewReport {
 public:
  // A new preview of pages made from `entries` (for the seconds typed in).
  void Start(const PopupSettings& entries);
  // More facts about a popup of view 1 (test page) or 2 (link code).
  void Add(int view, const PopupFacts& facts);

  // The last popup asked for, or null.
  const PopupFacts* Latest() const;
  int LatestView() const { return latestView_; }
  int PopupCount() const { return static_cast<int>(popups_.size()); }
  QStringList Lines() const;
  QJsonObject Json() const;

 private:
  struct Entry {
    int view;
    PopupFacts facts;
  };
  std::vector<Entry> popups_;
  int latestView_ = 0;
  QString delaySeconds_;
  QString closeSeconds_;
};

}  // namespace orvanta
