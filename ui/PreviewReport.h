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
  // A new preview of pages made from `entries` (for the seconds typed in);
  // `codeAsGenerated` false when the code previewed is not what they made.
  void Start(const PopupSettings& entries, bool codeAsGenerated = true);
  // More facts about a popup of view 1 (test page) or 2 (link code).
  void Add(int view, const PopupFacts& facts);
  // A script error or a cancelled dialog of view 1 or 2's page.
  void AddNote(int view, const PageNote& note);
  // The engine the facts were measured in.
  void SetEngine(const QString& name) { engine_ = name; }

  // "popup", "tab" or "blocked".
  static QString Verdict(const PopupFacts& facts);
  // Why a window was blocked, in plain words; empty when it opened.
  static QString Reason(const PopupFacts& facts);
  // Text from a page, as it may be shown or printed: no control characters.
  static QString Printable(const QString& text);

  // The last popup asked for, or null.
  const PopupFacts* Latest() const;
  int PopupCount() const { return static_cast<int>(popups_.size()); }
  QStringList Lines() const;
  QJsonObject Json() const;

 private:
  static void InPageLines(const PopupFacts& f, const QString& where, const QString& delayEntered,
                          const QString& closeEntered, QStringList& lines);
  struct Entry {
    int view;
    PopupFacts facts;
  };
  struct Note {
    int view;
    PageNote note;
  };
  std::vector<Entry> popups_;
  std::vector<Note> notes_;
  int latestView_ = 0;
  bool codeAsGenerated_ = true;
  bool inPage_ = false;
  QString engine_;
  QString delaySeconds_;
  QString closeSeconds_;
};

}  // namespace orvanta
