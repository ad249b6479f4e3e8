// What the probe's scripts say in the test page, and the engine's own words
// on frames it refused.
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include "preview/webengine/PopupProbe.h"

namespace orvanta {

namespace {

qint64 Now() { return QDateTime::currentMSecsSinceEpoch(); }

// The origin of an address, as the engine names it when it refuses a frame.
QString OriginOf(const QString& address) {
  return QUrl(address)
      .adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
      .toString();
}

// A dialog may be told of a little after its frame already failed.
constexpr qint64 kTellLagMs = 500;
// A press in a dialog this long before it closed closed it.
constexpr double kCloseByPressMs = 1000;

QJsonArray FieldsOf(const QString& json) { return QJsonDocument::fromJson(json.toUtf8()).array(); }

}  // namespace

bool PopupProbe::takeMessage(const QString& message, int line, const QString& source) {
  if (!worldSecret_.isEmpty() && message.startsWith(worldSecret_)) {
    takeWorldMessage(FieldsOf(message.mid(worldSecret_.size())));
    return true;
  }
  for (const QString* secret : {&secret_, &frameSecret_}) {
    if (secret->isEmpty() || !message.startsWith(*secret)) continue;
    takePageMessage(FieldsOf(message.mid(secret->size())), secret == &frameSecret_);
    return true;
  }
  // The engine's own words when it refuses to frame a page. Script can log
  // the same words, but not from the engine's error page or with no line;
  // and a frame that did load is never taken for refused.
  const auto refusal = [&](const char* start, const char* header) {
    if (!message.startsWith(QLatin1String(start)) || !message.contains(QLatin1String(header)))
      return;
    const qsizetype from = message.indexOf(QLatin1Char('\'')) + 1;
    const qsizetype to = message.indexOf(QLatin1Char('\''), from);
    if (from <= 0 || to < from) return;
    refusals_.emplace_back(OriginOf(message.mid(from, to - from)), QString::fromLatin1(header));
    judgeFrames();
  };
  if (source == QLatin1String("chrome-error://chromewebdata/"))
    refusal("Refused to display '", "X-Frame-Options");
  if (source.isEmpty() && line == 0) refusal("Refused to frame '", "frame-ancestors");
  return false;
}

void PopupProbe::takePageMessage(QJsonArray fields, bool fromFrame) {
  // Each line starts with the moment its document was made: one made
  // before this load began is the page being left.
  const bool previous = fields.at(0).toDouble(0) < static_cast<double>(loadStartedAt_);
  fields.removeFirst();
  const QString kind = fields.at(0).toString();
  if (kind == QLatin1String("open") && fields.size() == 8) {
    const bool leaving = fields.at(7).toBool();
    // Only a window asked for while leaving is of the page being left.
    if (previous && !leaving) return;
    const double calledAt = fields.at(2).toDouble(-1);
    const double inputAt = fields.at(5).toDouble(0);
    const double actionAt = fields.at(6).toDouble(0);
    Call call;
    call.features = fields.at(1).toString();
    call.trigger = fields.at(4).toString();
    if (inputAt > 0 && calledAt >= inputAt)
      call.triggerAt = Now() - static_cast<qint64>(calledAt - inputAt);
    if (actionAt > 0 && calledAt >= actionAt)
      call.sinceActionMs = static_cast<qint64>(calledAt - actionAt);
    call.leaving = leaving;
    call.fromFrame = fromFrame;
    takeOpen(call, fields.at(3).toBool());
    return;
  }
  if (previous || fromFrame) return;
  if (kind == QLatin1String("error") && fields.size() == 3) {
    if (noteHandler_)
      noteHandler_(
          PageNote{PageNote::Kind::ScriptError, fields.at(1).toString(), fields.at(2).toInt()});
  } else if (kind == QLatin1String("note") && fields.size() == 3) {
    input_.kind = fields.at(1).toString();
    input_.at = fields.at(2).toDouble(0);
  } else if (kind == QLatin1String("action") && fields.size() == 3) {
    input_.action = fields.at(1).toDouble(0);
    input_.actionInDialog = fields.at(2).toBool();
  }
}

void PopupProbe::takeWorldMessage(QJsonArray fields) {
  const QString document = fields.at(0).toString();
  const bool inFrame = fields.at(1).toBool();
  fields.removeFirst();
  fields.removeFirst();
  // The main frame's document of this load is the first to speak after it
  // began, unless it is the page being left; a frame's is this load's.
  if (!inFrame) {
    if (!previousDocument_.isEmpty() && document == previousDocument_) return;
    document_ = document;
  }
  const QString kind = fields.at(0).toString();
  if (kind == QLatin1String("dialog")) {
    takeDialog(fields);
  } else if (kind == QLatin1String("frame")) {
    const QString address = fields.at(1).toString();
    if (address.startsWith(QLatin1String("chrome-error:"))) {
      // The engine's words on why come just after its error page.
      lastFrameError_ = Now();
      QTimer::singleShot(300, this, [this, load = load_] {
        if (load == load_) judgeFrames();
      });
    } else if (!address.startsWith(QLatin1String("about:"))) {
      framedDocuments_ << OriginOf(address);
      judgeFrames();
    }
  }
}

void PopupProbe::takeDialog(const QJsonArray& fields) {
  constexpr qsizetype kFields = 15;
  if (fields.size() != kFields) return;
  const auto number = [&fields](int i) { return fields.at(i).toInt(-1); };
  const int worldNumber = number(1);
  const double at = fields.at(2).toDouble(-1);
  const double closed = fields.at(3).toDouble(-1);
  // What the user did comes from the page world's script of the main
  // frame, whose lines the engine hands over in order with these.
  const Input& in = input_;
  auto found = std::find_if(dialogs_.begin(), dialogs_.end(), [worldNumber](const Dialog& d) {
    return d.worldNumber == worldNumber;
  });
  if (found == dialogs_.end()) {
    Dialog dialog;
    dialog.worldNumber = worldNumber;
    dialog.openedAt = Now();
    PopupFacts& f = dialog.facts;
    f.number = ++number_;
    f.inPage = true;
    f.opened = true;
    f.engineWindow = QStringLiteral("dialog");
    f.trigger = in.kind;
    if (in.at > 0 && at >= in.at) f.triggerToOpenMs = static_cast<qint64>(at - in.at);
    dialogs_.push_back(dialog);
    found = dialogs_.end() - 1;
  }
  PopupFacts& f = found->facts;
  if (closed >= at && at >= 0) {
    f.openToCloseMs = static_cast<qint64>(closed - at);
    f.end = in.actionInDialog && closed - in.action < kCloseByPressMs ? PopupFacts::End::ByUser
                                                                      : PopupFacts::End::ByScript;
  }
  f.framed = fields.at(4).toString();
  f.asked = QRect(number(5), number(6), number(7), number(8));
  f.given = QRect(number(9), number(10), number(11), number(12));
  f.screen = QRect(0, 0, number(13), number(14));
  if (handler_) handler_(f);
  judgeFrames();
}

void PopupProbe::judgeFrames() {
  for (Dialog& dialog : dialogs_) {
    PopupFacts& f = dialog.facts;
    if (f.framed.isEmpty() || (f.framedLoaded && *f.framedLoaded)) continue;
    const QString origin = OriginOf(f.framed);
    std::optional<bool> loaded;
    QString refused;
    if (framedDocuments_.contains(origin)) {
      loaded = true;
    } else if (lastFrameError_ >= dialog.openedAt - kTellLagMs) {
      loaded = false;
      for (const auto& [from, header] : refusals_)
        if (from == origin) refused = header;
    }
    if (loaded == f.framedLoaded && refused == f.framedRefused) continue;
    f.framedLoaded = loaded;
    f.framedRefused = refused;
    if (handler_) handler_(f);
  }
}

}  // namespace orvanta
