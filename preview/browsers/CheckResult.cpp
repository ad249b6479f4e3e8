#include "preview/browsers/CheckResult.h"

#include <QJsonArray>
#include <QJsonValue>

namespace orvanta::browsers {

namespace {

QJsonValue Rounded(const std::optional<double>& s) {
  return s ? QJsonValue(qRound(*s * 100) / 100.0) : QJsonValue(QJsonValue::Null);
}

QString Number(double s) { return QString::number(s, 'f', 2); }

QString FrontText(const QString& front) {
  return front == QLatin1String("both") ? QStringLiteral("both windows report the focus")
                                        : QStringLiteral("the ") + front;
}

}  // namespace

QString VerdictText(const EngineResult& r) {
  QString head;
  if (r.Verdict == QLatin1String("popup")) {
    head = QStringLiteral("Opened as a popup window");
  } else if (r.Verdict == QLatin1String("in page")) {
    head = QStringLiteral("Opened in the page");
  } else if (r.Verdict == QLatin1String("tab")) {
    head = QStringLiteral("Opened as a new tab");
  } else if (r.Verdict == QLatin1String("blocked")) {
    head = QStringLiteral("Blocked");
  } else if (r.Verdict == QLatin1String("not installed")) {
    head = QStringLiteral("Not installed");
  } else if (r.Verdict.isEmpty()) {
    head = QStringLiteral("Not measured");
  } else {
    head = QStringLiteral("Check failed");
  }
  return r.Reason.isEmpty() ? head : head + QStringLiteral(": ") + r.Reason;
}

QJsonObject EngineResult::Json() const {
  QJsonObject o;
  o[QStringLiteral("verdict")] = Verdict;
  o[QStringLiteral("reason")] = Reason;
  if (!Product.isEmpty()) o[QStringLiteral("engine")] = Product;
  if (!Package.isEmpty()) o[QStringLiteral("package")] = Package;
  if (Verdict == QLatin1String("not installed")) return o;
  o[QStringLiteral("delay")] = Rounded(Delay);
  if (Window) {
    o[QStringLiteral("window")] = QJsonObject{{QStringLiteral("left"), Window->x()},
                                              {QStringLiteral("top"), Window->y()},
                                              {QStringLiteral("width"), Window->width()},
                                              {QStringLiteral("height"), Window->height()}};
  } else {
    o[QStringLiteral("window")] = QJsonValue(QJsonValue::Null);
  }
  if (Inner) {
    o[QStringLiteral("inner")] = QJsonObject{{QStringLiteral("width"), Inner->width()},
                                             {QStringLiteral("height"), Inner->height()}};
  } else {
    o[QStringLiteral("inner")] = QJsonValue(QJsonValue::Null);
  }
  o[QStringLiteral("bars")] = Bars ? QJsonValue(*Bars) : QJsonValue(QJsonValue::Null);
  o[QStringLiteral("front")] = Front.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(Front);
  o[QStringLiteral("closedAfter")] = Rounded(ClosedAfter);
  o[QStringLiteral("closedBy")] =
      ClosedBy.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(ClosedBy);
  o[QStringLiteral("load")] = Load.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(Load);
  o[QStringLiteral("errors")] = ErrorsMeasured ? QJsonValue(QJsonArray::fromStringList(Errors))
                                               : QJsonValue(QJsonValue::Null);
  o[QStringLiteral("seconds")] = qRound(Seconds * 10) / 10.0;
  return o;
}

std::vector<std::pair<QString, QString>> EngineResult::Facts() const {
  const bool installed = Verdict != QLatin1String("not installed");
  QString window;
  if (Window) {
    window = QStringLiteral("%1 x %2 at %3, %4")
                 .arg(Window->width())
                 .arg(Window->height())
                 .arg(Window->x())
                 .arg(Window->y());
  }
  QString closed;
  if (ClosedAfter) closed = Number(*ClosedAfter) + QStringLiteral(" s");
  return {
      {QStringLiteral("Verdict"), VerdictText(*this).section(QLatin1Char(':'), 0, 0)},
      {QStringLiteral("Reason"), installed ? Reason : QStringLiteral("install ") + Package},
      {QStringLiteral("Delay"), Delay ? Number(*Delay) + QStringLiteral(" s") : QString()},
      {QStringLiteral("Window"), window},
      {QStringLiteral("Page area"),
       Inner ? QStringLiteral("%1 x %2").arg(Inner->width()).arg(Inner->height()) : QString()},
      {QStringLiteral("Bars"),
       Bars ? (*Bars ? QStringLiteral("shown") : QStringLiteral("hidden")) : QString()},
      {QStringLiteral("In front"), Front.isEmpty() ? QString() : FrontText(Front)},
      {QStringLiteral("Closed after"), closed},
      {QStringLiteral("Popup page"), Load},
      {QStringLiteral("Script errors"),
       installed && ErrorsMeasured && !Verdict.isEmpty() && Verdict != QLatin1String("failed")
           ? (Errors.isEmpty() ? QStringLiteral("none") : Errors.join(QLatin1Char('\n')))
           : QString()},
      {QStringLiteral("Engine"), Product},
  };
}

QStringList EngineResult::Lines() const {
  QStringList lines{VerdictText(*this)};
  if (!Product.isEmpty()) lines << QStringLiteral("Engine: ") + Product;
  if (Verdict == QLatin1String("not installed")) {
    lines << QStringLiteral("Install the Debian packages: ") + Package;
    return lines;
  }
  if (Delay) lines << QStringLiteral("Delay from the trigger: %1 s").arg(Number(*Delay));
  if (Window) {
    lines << QStringLiteral("Window: %1 x %2 at %3, %4")
                 .arg(Window->width())
                 .arg(Window->height())
                 .arg(Window->x())
                 .arg(Window->y());
  }
  if (Inner) lines << QStringLiteral("Page area: %1 x %2").arg(Inner->width()).arg(Inner->height());
  if (Bars)
    lines << QStringLiteral("Bars: %1")
                 .arg(*Bars ? QStringLiteral("shown") : QStringLiteral("hidden"));
  if (!Front.isEmpty()) lines << QStringLiteral("In front: ") + FrontText(Front);
  if (ClosedAfter) {
    lines << QStringLiteral("Closed after %1 s by %2").arg(Number(*ClosedAfter), ClosedBy);
  } else if (Verdict == QLatin1String("popup") || Verdict == QLatin1String("tab")) {
    lines << QStringLiteral("Still open when the check ended");
  }
  if (!Load.isEmpty()) lines << QStringLiteral("Popup page: ") + Load;
  if (!ErrorsMeasured) {
    lines << QStringLiteral("Script errors: not measured");
  } else if (Errors.isEmpty()) {
    lines << QStringLiteral("Script errors: none");
  } else {
    for (const QString& e : Errors) lines << QStringLiteral("Script error: ") + e;
  }
  return lines;
}

}  // namespace orvanta::browsers
