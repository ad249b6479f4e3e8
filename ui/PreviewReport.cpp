#include "ui/PreviewReport.h"

#include <QJsonArray>
#include <QJsonValue>

#include "core/WindowFeatures.h"

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

QString Seconds(qint64 ms) { return QStringLiteral("%1 s").arg(static_cast<double>(ms) / 1000.0, 0, 'f', 2); }

QString Entered(const QString& seconds) {
  return seconds.isEmpty() ? QStringLiteral("none entered")
                           : QStringLiteral("entered %1 s").arg(seconds);
}

QString TriggerText(const PopupFacts& f) {
  if (f.trigger == QLatin1String("load")) return QStringLiteral("the page loading");
  if (f.trigger == QLatin1String("page close")) return QStringLiteral("the page closing");
  if (f.trigger == QLatin1String("mouse over")) return QStringLiteral("the mouse over the link");
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

}  // namespace

void PreviewReport::Start(const PopupSettings& entries) {
  popups_.clear();
  latestView_ = 0;
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

const PopupFacts* PreviewReport::Latest() const {
  for (auto it = popups_.rbegin(); it != popups_.rend(); ++it)
    if (it->view == latestView_) return &it->facts;
  return nullptr;
}

QStringList PreviewReport::Lines() const {
  const PopupFacts* found = Latest();
  if (found == nullptr) return {QStringLiteral("No popup was asked for yet.")};
  const PopupFacts& f = *found;
  QStringList lines;
  const QString where = latestView_ == 2 ? QStringLiteral("link code") : QStringLiteral("test page");
  if (!f.opened) {
    lines << QStringLiteral("Blocked: the engine refused popup %1 of the %2, asked for on %3.")
                 .arg(f.number)
                 .arg(where, TriggerText(f));
    return lines;
  }
  QString opened = QStringLiteral("Opened: popup %1 of the %2, on %3").arg(f.number).arg(where, TriggerText(f));
  if (f.handedOver) {
    opened += QStringLiteral("; the engine refuses it while a page is left, the preview opened it");
  } else {
    opened += QStringLiteral(", user gesture: %1, the engine asked for a %2")
                  .arg(YesNo(f.userGesture),
                       f.engineWindow.isEmpty() ? NotMeasurable() : f.engineWindow);
  }
  lines << opened + QLatin1Char('.');
  if (!f.given.isValid()) {
    lines << QStringLiteral("Geometry: being measured.");
  } else {
    const QRect asked = f.asked.value_or(QRect(-1, -1, -1, -1));
    lines << QStringLiteral("Size: asked %1 x %2, given %3 x %4, resizable %5.")
                 .arg(Side(asked.width()), Side(asked.height()))
                 .arg(f.given.width())
                 .arg(f.given.height())
                 .arg(YesNo(f.resizable));
    QString position = QStringLiteral("Position: asked left %1, top %2, given left %3, top %4")
                           .arg(Side(asked.x()), Side(asked.y()))
                           .arg(f.given.x())
                           .arg(f.given.y());
    if (f.screen.isValid()) {
      const QPoint off = f.given.center() - f.screen.center();
      if (qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1)
        position += QStringLiteral(", centred on the %1 x %2 screen").arg(f.screen.width()).arg(f.screen.height());
    }
    lines << position + QLatin1Char('.');
  }
  for (std::size_t i = 0; i < f.bars.size() && i < static_cast<std::size_t>(kWindowOptionCount); ++i) {
    const PopupFacts::Bar& bar = f.bars[i];
    const QString asked = !bar.asked ? QStringLiteral("not asked")
                          : *bar.asked ? QStringLiteral("asked yes")
                                       : QStringLiteral("asked no");
    QString shown = YesNo(bar.shown);
    if (bar.shown && !bar.how.isEmpty()) shown += QStringLiteral(" (%1)").arg(bar.how);
    lines << QStringLiteral("%1: %2, shown %3.")
                 .arg(QString::fromLatin1(kWindowOptions[i].Caption), asked, shown);
  }
  if (!f.focus.isEmpty()) {
    lines << QStringLiteral("Order: the focus is on %1, the popup is in front: %2.")
                 .arg(f.focus == QLatin1String("popup") ? QStringLiteral("the popup")
                      : f.focus == QLatin1String("none") ? QStringLiteral("no window of the program")
                                                          : QStringLiteral("the ") + f.focus,
                      YesNo(f.popupInFront));
  }
  lines << QStringLiteral("Delay: %1 from the trigger to the window (%2).")
               .arg(f.triggerToOpenMs ? Seconds(*f.triggerToOpenMs) : NotMeasurable(),
                    Entered(delaySeconds_));
  switch (f.end) {
    case PopupFacts::End::Open:
      lines << QStringLiteral("Closed: not yet (auto-close %1).").arg(Entered(closeSeconds_));
      break;
    case PopupFacts::End::ByScript:
      lines << QStringLiteral("Closed: by the page's script %1 after opening (auto-close %2).")
                   .arg(f.openToCloseMs ? Seconds(*f.openToCloseMs) : NotMeasurable(),
                        Entered(closeSeconds_));
      break;
    case PopupFacts::End::ByUser:
      lines << QStringLiteral("Closed: by the user %1 after opening.")
                   .arg(f.openToCloseMs ? Seconds(*f.openToCloseMs) : NotMeasurable());
      break;
    case PopupFacts::End::ByProgram:
      lines << QStringLiteral("Closed: by the program (a new preview or quitting).");
      break;
  }
  return lines;
}

QJsonObject PreviewReport::Json() const {
  QJsonArray popups;
  for (const Entry& entry : popups_) {
    const PopupFacts& f = entry.facts;
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
    popups.append(QJsonObject{
        {"view", entry.view == 2 ? "link code" : "test page"},
        {"number", f.number},
        {"opened", f.opened},
        {"trigger", f.trigger},
        {"userGesture", Optional(f.userGesture)},
        {"engineWindow", f.engineWindow.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(f.engineWindow)},
        {"openedByPreview", f.handedOver},
        {"features", f.features},
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
    });
  }
  return QJsonObject{{"enteredDelaySeconds", delaySeconds_},
                     {"enteredCloseSeconds", closeSeconds_},
                     {"popups", popups},
                     {"lines", QJsonArray::fromStringList(Lines())}};
}

}  // namespace orvanta
