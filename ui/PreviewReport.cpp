#include "ui/PreviewReport.h"

#include <QJsonArray>
#include <QJsonValue>

#include "core/WindowFeatures.h"
#include "preview/PopupRule.h"

namespace orvanta {

namespace {

const QString& NotMeasurable() {
  static const QString text = QStringLiteral("not measurable here");
  return text;
}

QString YesNo(const std::optional<bool>& value) {
  if (!value) return NotMeasurable();
  return *value ? QStringLiteral("yes") : QStringLiteral("no");
}

QString Seconds(qint64 ms) {
  return QStringLiteral("%1 s").arg(static_cast<double>(ms) / 1000.0, 0, 'f', 2);
}

// A page's notes are kept within reason: a page may raise errors in a loop.
constexpr std::size_t kMostNotes = 20;
constexpr qsizetype kLongestNote = 300;

QString TriggerText(const PopupFacts& f) {
  if (f.trigger == QLatin1String("load")) return QStringLiteral("the page loading");
  if (f.trigger == QLatin1String("page close")) return QStringLiteral("the page closing");
  if (f.trigger == QLatin1String("leave")) return QStringLiteral("the pointer leaving the page");
  if (f.trigger == QLatin1String("mouse over")) return QStringLiteral("the mouse over the link");
  if (f.trigger == QLatin1String("key")) return QStringLiteral("a key press");
  if (f.trigger == QLatin1String("click")) return QStringLiteral("a click in the page");
  // The page replaced a function the report needed to tell.
  if (f.trigger == QLatin1String("hidden"))
    return QStringLiteral("an event the page hid from the report");
  if (f.trigger == QLatin1String("script") || f.trigger.isEmpty())
    return QStringLiteral("a script, with no event before it");
  return QStringLiteral("a click on the %1").arg(f.trigger);
}

QString Side(int value) { return value < 0 ? QStringLiteral("not asked") : QString::number(value); }

const char* EndWord(PopupFacts::End end) {
  switch (end) {
    case PopupFacts::End::ByScript:
      return "script";
    case PopupFacts::End::ByUser:
      return "user";
    case PopupFacts::End::ByProgram:
      return "program";
    case PopupFacts::End::Open:
      break;
  }
  return "open";
}

QJsonValue Optional(const std::optional<bool>& value) {
  return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue Optional(const std::optional<qint64>& value) {
  return value ? QJsonValue(static_cast<double>(*value)) : QJsonValue(QJsonValue::Null);
}

QJsonValue Rect(const QRect& r) {
  if (!r.isValid()) return QJsonValue(QJsonValue::Null);
  return QJsonObject{{"left", r.x()}, {"top", r.y()}, {"width", r.width()}, {"height", r.height()}};
}

QString ViewName(int view) {
  return view == 2 ? QStringLiteral("link code") : QStringLiteral("test page");
}

QString Entered(bool codeAsGenerated, const QString& seconds) {
  // The code may say something else than the entries once it was edited.
  if (!codeAsGenerated) return QStringLiteral("the code was edited after Generate Code");
  return seconds.isEmpty() ? QStringLiteral("none entered")
                           : QStringLiteral("entered %1 s").arg(PreviewReport::Printable(seconds));
}

QString NoteLine(int view, const PageNote& note) {
  const QString where = ViewName(view);
  const QString text = PreviewReport::Printable(note.text.left(kLongestNote));
  if (note.kind == PageNote::Kind::DialogCancelled) {
    return QStringLiteral("Dialog %1 the %2, cancelled by the report: %3")
        .arg(note.inPopup ? QStringLiteral("in a popup of") : QStringLiteral("of"), where, text);
  }
  if (note.line > 0) {
    return QStringLiteral("Script error in the %1, line %2: %3")
        .arg(where)
        .arg(note.line)
        .arg(text);
  }
  return QStringLiteral("Script error in the %1: %2").arg(where, text);
}

QString AskedLine(const PopupFacts& f, int view) {
  QString asked = QStringLiteral("Asked for: popup %1 of the %2, on %3")
                      .arg(f.number)
                      .arg(ViewName(view), TriggerText(f));
  if (f.fromFrame) asked += QStringLiteral(" in a frame");
  if (f.sinceActionMs)
    asked += QStringLiteral(", %1 after the user's last action").arg(Seconds(*f.sinceActionMs));
  return asked;
}

QString PageLine(const PopupFacts& f) {
  if (!f.pageLoaded) return QStringLiteral("Page: loading.");
  if (*f.pageLoaded) return QStringLiteral("Page: loaded.");
  return QStringLiteral("Page: not loaded: %1.").arg(PreviewReport::Printable(f.pageError));
}

void AddGeometryLines(const PopupFacts& f, QStringList& lines) {
  if (!f.given.isValid()) {
    lines << QStringLiteral("Geometry: being measured.");
    return;
  }
  const QRect askedRect = f.asked.value_or(QRect(-1, -1, -1, -1));
  lines << QStringLiteral("Size: asked %1 x %2, given %3 x %4, resizable %5.")
               .arg(Side(askedRect.width()), Side(askedRect.height()))
               .arg(f.given.width())
               .arg(f.given.height())
               .arg(YesNo(f.resizable));
  QString position = QStringLiteral("Position: asked left %1, top %2, given left %3, top %4")
                         .arg(Side(askedRect.x()), Side(askedRect.y()))
                         .arg(f.given.x())
                         .arg(f.given.y());
  if (f.screen.isValid()) {
    const QPoint off = f.given.center() - f.screen.center();
    if (qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1)
      position += QStringLiteral(", centred on the %1 x %2 screen")
                      .arg(f.screen.width())
                      .arg(f.screen.height());
  }
  lines << position + QLatin1Char('.');
}

void AddBarLines(const PopupFacts& f, QStringList& lines) {
  for (std::size_t i = 0; i < f.bars.size() && i < static_cast<std::size_t>(kWindowOptionCount);
       ++i) {
    const PopupFacts::Bar& bar = f.bars[i];
    const QString askedBar = !bar.asked   ? QStringLiteral("not asked")
                             : *bar.asked ? QStringLiteral("asked yes")
                                          : QStringLiteral("asked no");
    QString shown = YesNo(bar.shown);
    if (bar.shown && !bar.how.isEmpty()) shown += QStringLiteral(" (%1)").arg(bar.how);
    if (bar.option == QLatin1String("scrollbars") && f.overflows)
      shown += *f.overflows ? QStringLiteral(", the page is larger than the window")
                            : QStringLiteral(", the page fits the window");
    lines << QStringLiteral("%1: %2, shown %3.")
                 .arg(QString::fromLatin1(kWindowOptions[i].Caption), askedBar, shown);
  }
}

QString FocusLine(const PopupFacts& f) {
  const QString front = !f.popupInFront   ? NotMeasurable()
                        : *f.popupInFront ? QStringLiteral("the popup")
                                          : QStringLiteral("the test page's window");
  return QStringLiteral("In front: %1; the focus is on %2.")
      .arg(front, f.focus == QLatin1String("popup")  ? QStringLiteral("the popup")
                  : f.focus == QLatin1String("none") ? QStringLiteral("no window of the program")
                                                     : QStringLiteral("the ") + f.focus);
}

QString ClosedLine(const PopupFacts& f, const QString& enteredClose) {
  switch (f.end) {
    case PopupFacts::End::ByScript:
      return QStringLiteral("Closed: by the page's script %1 after opening (auto-close %2).")
          .arg(f.openToCloseMs ? Seconds(*f.openToCloseMs) : NotMeasurable(), enteredClose);
    case PopupFacts::End::ByUser:
      return QStringLiteral("Closed: by the user %1 after opening.")
          .arg(f.openToCloseMs ? Seconds(*f.openToCloseMs) : NotMeasurable());
    case PopupFacts::End::ByProgram:
      return QStringLiteral("Closed: by the program (a new preview or quitting).");
    case PopupFacts::End::Open:
      break;
  }
  return QStringLiteral("Closed: not yet (auto-close %1).").arg(enteredClose);
}

// The lines of a popup the engine let open, as a window or a tab.
void AddOpenedLines(const PopupFacts& f, int view, const QString& enteredDelay,
                    const QString& enteredClose, QStringList& lines) {
  const bool tab = PreviewReport::Verdict(f) == QLatin1String("tab");
  lines << (tab ? QStringLiteral("Opened as a new tab")
                : QStringLiteral("Opened as a popup window"));
  if (f.allowedOnly) {
    lines << QStringLiteral(
        "Shown only because popups are allowed for the test page: without that setting the "
        "engine refuses it, as no user action came right before it.");
  }
  lines << AskedLine(f, view) + QLatin1Char('.');
  if (tab) {
    lines << QStringLiteral(
        "As a tab: it takes the browser window's size and place, so the asked size and "
        "position, the bars and Popup Under do not apply; the auto-close closes the tab.");
  }
  lines << PageLine(f);
  AddGeometryLines(f, lines);
  AddBarLines(f, lines);
  if (!f.bars.empty() && !tab)
    lines << QStringLiteral("Browsers show a read-only address field in every popup.");
  if (!f.focus.isEmpty()) lines << FocusLine(f);
  lines << QStringLiteral("Delay: %1 from the trigger to the window (%2).")
               .arg(f.triggerToOpenMs ? Seconds(*f.triggerToOpenMs) : NotMeasurable(),
                    enteredDelay);
  lines << ClosedLine(f, enteredClose);
}

}  // namespace

QString PreviewReport::Printable(const QString& text) {
  QString clean;
  clean.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    // C0 and C1 controls, DEL, and the marks that reorder text on a terminal.
    const bool control = u < 0x20 || (u >= 0x7f && u <= 0x9f) || (u >= 0x202a && u <= 0x202e) ||
                         (u >= 0x2066 && u <= 0x2069) || u == 0x2028 || u == 0x2029;
    clean += control ? QChar(0xfffd) : c;
  }
  return clean;
}

QString PreviewReport::Verdict(const PopupFacts& f) {
  if (f.inPage) return QStringLiteral("in page");
  if (!f.opened) return QStringLiteral("blocked");
  // Where the engine did not say, the standard's rule on the features does.
  const bool tab = f.engineWindow.isEmpty() ? !PopupWindowRequested(f.features.toStdString())
                                            : f.engineWindow == QLatin1String("tab") ||
                                                  f.engineWindow == QLatin1String("background tab");
  return tab ? QStringLiteral("tab") : QStringLiteral("popup");
}

QString PreviewReport::Reason(const PopupFacts& f) {
  if (f.opened) return {};
  if (f.leaving) return QStringLiteral("the page was being left");
  if (f.sinceActionMs)
    return QStringLiteral("the user's last action was %1 earlier").arg(Seconds(*f.sinceActionMs));
  return QStringLiteral("no user action came before it");
}

void PreviewReport::Start(const PopupSettings& entries, bool codeAsGenerated) {
  popups_.clear();
  notes_.clear();
  latestView_ = 0;
  codeAsGenerated_ = codeAsGenerated;
  inPage_ = entries.Order == WindowOrder::InPage;
  delaySeconds_ = QString::fromStdString(entries.DelaySeconds).trimmed();
  closeSeconds_ = QString::fromStdString(entries.CloseSeconds).trimmed();
}

void PreviewReport::Add(int view, const PopupFacts& facts) {
  latestView_ = view;
  for (Entry& entry : popups_) {
    if (entry.view == view && entry.facts.number == facts.number) {
      entry.facts = facts;
      return;
    }
  }
  popups_.push_back({view, facts});
}

void PreviewReport::AddNote(int view, const PageNote& note) {
  if (notes_.size() < kMostNotes) notes_.push_back({view, note});
}

const PopupFacts* PreviewReport::Latest() const {
  for (auto it = popups_.rbegin(); it != popups_.rend(); ++it)
    if (it->view == latestView_) return &it->facts;
  return nullptr;
}

QStringList PreviewReport::Lines() const {
  QStringList lines;
  const PopupFacts* found = Latest();
  if (found == nullptr) {
    lines << (inPage_ ? QStringLiteral("No dialog was shown in the page yet.")
                      : QStringLiteral("No popup was asked for yet."));
  } else if (found->inPage) {
    InPageLines(*found, ViewName(latestView_), Entered(codeAsGenerated_, delaySeconds_),
                Entered(codeAsGenerated_, closeSeconds_), lines);
  } else if (!found->opened) {
    lines << QStringLiteral("Blocked: %1.").arg(Reason(*found));
    lines << AskedLine(*found, latestView_) +
                 QStringLiteral("; window.open returned null to the page.");
  } else {
    AddOpenedLines(*found, latestView_, Entered(codeAsGenerated_, delaySeconds_),
                   Entered(codeAsGenerated_, closeSeconds_), lines);
  }
  if (!engine_.isEmpty()) lines << QStringLiteral("Engine: %1.").arg(engine_);
  for (const Note& n : notes_) lines << NoteLine(n.view, n.note);
  return lines;
}

void PreviewReport::InPageLines(const PopupFacts& f, const QString& where,
                                const QString& delayEntered, const QString& closeEntered,
                                QStringList& lines) {
  lines << QStringLiteral("Opened in the page");
  lines << QStringLiteral("Asked for: dialog %1 of the %2, on %3.")
               .arg(f.number)
               .arg(where, TriggerText(f));
  const QString origin = Printable(f.framed.section(QLatin1Char('/'), 0, 2));
  if (!f.framedLoaded) {
    lines << QStringLiteral("Framed page: loading.");
  } else if (*f.framedLoaded) {
    lines << QStringLiteral("Framed page: loaded.");
  } else if (f.framedRefused.isEmpty()) {
    lines << QStringLiteral("Framed page: not loaded; the dialog shows the engine's error page.");
  } else {
    lines
        << QStringLiteral("Framed page: refused framing (%1 of %2).").arg(f.framedRefused, origin);
  }
  const QRect asked = f.asked.value_or(QRect(-1, -1, -1, -1));
  lines << QStringLiteral("Size: asked %1 x %2, given %3 x %4 (the frame in the dialog).")
               .arg(Side(asked.width()), Side(asked.height()))
               .arg(f.given.width())
               .arg(f.given.height());
  QString position = QStringLiteral("Position: asked left %1, top %2, given left %3, top %4")
                         .arg(Side(asked.x()), Side(asked.y()))
                         .arg(f.given.x())
                         .arg(f.given.y());
  // The frame alone must fit: a dialog partly outside the page area is cut off.
  if (f.screen.isValid() && !f.screen.contains(QRect(f.given.topLeft(), f.given.size()))) {
    position += QStringLiteral(", partly outside the %1 x %2 page area")
                    .arg(f.screen.width())
                    .arg(f.screen.height());
  } else if (f.screen.isValid() && asked.x() < 0 && asked.y() < 0) {
    position += QStringLiteral(" (placed by the browser) in the %1 x %2 page area")
                    .arg(f.screen.width())
                    .arg(f.screen.height());
  }
  lines << position + QLatin1Char('.');
  lines << QStringLiteral("Delay: %1 from the trigger to the dialog (%2).")
               .arg(f.triggerToOpenMs ? Seconds(*f.triggerToOpenMs) : NotMeasurable(),
                    delayEntered);
  const QString closed = f.openToCloseMs ? Seconds(*f.openToCloseMs) : NotMeasurable();
  switch (f.end) {
    case PopupFacts::End::Open:
      lines << QStringLiteral("Closed: not yet (auto-close %1).").arg(closeEntered);
      break;
    case PopupFacts::End::ByScript:
    case PopupFacts::End::ByProgram:
      lines << QStringLiteral("Closed: by the page's script %1 after opening (auto-close %2).")
                   .arg(closed, closeEntered);
      break;
    case PopupFacts::End::ByUser:
      lines << QStringLiteral("Closed: by the user %1 after opening.").arg(closed);
      break;
  }
}

namespace {

// One popup of the report as JSON.
QJsonObject PopupJson(int view, const PopupFacts& f) {
  QJsonArray options;
  for (const PopupFacts::Bar& bar : f.bars) {
    options.append(QJsonObject{{"option", bar.option},
                               {"asked", Optional(bar.asked)},
                               {"shown", Optional(bar.shown)},
                               {"measuredBy", bar.how}});
  }
  QJsonObject asked;
  if (f.asked) {
    const auto side = [](int v) { return v < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(v); };
    asked = QJsonObject{{"left", side(f.asked->x())},
                        {"top", side(f.asked->y())},
                        {"width", side(f.asked->width())},
                        {"height", side(f.asked->height())}};
  }
  const auto text = [](const QString& t) {
    return t.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(PreviewReport::Printable(t));
  };
  return QJsonObject{
      {"view", view == 2 ? "link code" : "test page"},
      {"number", f.number},
      {"verdict", PreviewReport::Verdict(f)},
      {"reason", text(PreviewReport::Reason(f))},
      {"opened", f.opened},
      {"allowedOnlyBySetting", f.allowedOnly},
      {"leavingPage", f.leaving},
      {"fromFrame", f.fromFrame},
      {"sinceUserActionMs", Optional(f.sinceActionMs)},
      {"trigger", f.trigger},
      {"userGesture", Optional(f.userGesture)},
      {"engineWindow",
       f.engineWindow.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(f.engineWindow)},
      {"features", PreviewReport::Printable(f.features)},
      {"pageLoaded", Optional(f.pageLoaded)},
      {"pageError", text(f.pageError)},
      {"pageOverflows", Optional(f.overflows)},
      {"asked", asked.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(asked)},
      {"given", Rect(f.given)},
      {"frame", Rect(f.frame)},
      {"screen", Rect(f.screen)},
      {"resizable", Optional(f.resizable)},
      {"options", options},
      {"focus", f.focus.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(f.focus)},
      {"popupInFront", Optional(f.popupInFront)},
      {"triggerToOpenMs", Optional(f.triggerToOpenMs)},
      {"openToCloseMs", Optional(f.openToCloseMs)},
      {"closedBy", QString::fromLatin1(EndWord(f.end))},
      {"inPage", f.inPage},
      {"framed", text(f.framed)},
      {"framedLoaded", Optional(f.framedLoaded)},
      {"framedRefused", text(f.framedRefused)},
  };
}

}  // namespace

QJsonObject PreviewReport::Json() const {
  QJsonArray popups;
  for (const Entry& entry : popups_) popups.append(PopupJson(entry.view, entry.facts));
  QJsonArray errors;
  QJsonArray dialogs;
  for (const Note& n : notes_) {
    const QString t = Printable(n.note.text.left(kLongestNote));
    const QString view = n.view == 2 ? QStringLiteral("link code") : QStringLiteral("test page");
    if (n.note.kind == PageNote::Kind::DialogCancelled) {
      dialogs.append(QJsonObject{{"view", view}, {"inPopup", n.note.inPopup}, {"dialog", t}});
    } else {
      errors.append(QJsonObject{
          {"view", view},
          {"message", t},
          {"line", n.note.line > 0 ? QJsonValue(n.note.line) : QJsonValue(QJsonValue::Null)}});
    }
  }
  const PopupFacts* latest = Latest();
  return QJsonObject{
      {"verdict", latest != nullptr ? QJsonValue(Verdict(*latest)) : QJsonValue()},
      {"reason", latest != nullptr && !latest->opened ? QJsonValue(Reason(*latest)) : QJsonValue()},
      {"engine", engine_.isEmpty() ? QJsonValue() : QJsonValue(engine_)},
      {"codeAsGenerated", codeAsGenerated_},
      {"enteredDelaySeconds", Printable(delaySeconds_)},
      {"enteredCloseSeconds", Printable(closeSeconds_)},
      {"popups", popups},
      {"scriptErrors", errors},
      {"dialogsCancelled", dialogs},
      {"lines", QJsonArray::fromStringList(Lines())}};
}

}  // namespace orvanta
