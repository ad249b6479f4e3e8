#include "ui/BrowsersMode.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <cstdio>

#include "core/Generator.h"
#include "preview/TestPages.h"
#include "preview/TextFile.h"
#include "preview/browsers/BrowserCheck.h"
#include "preview/browsers/Engines.h"

namespace orvanta {

namespace {

int Milliseconds(const std::string& seconds) {
  return seconds.empty() ? 0 : static_cast<int>(LeadingNumber(seconds) * 1000.0);
}

QString Title(const QString& name) {
  for (const auto& info : browsers::KnownEngines())
    if (info.Name == name) return info.Title;
  return QStringLiteral("Preview");
}

// Runs this same program's preview report and reads its JSON.
browsers::EngineResult PreviewOf(const char* settingsPath) {
  QProcess self;
  self.start(
      QCoreApplication::applicationFilePath(),
      {QStringLiteral("--report"), QString::fromLocal8Bit(settingsPath), QStringLiteral("--json")});
  self.waitForFinished(180000);
  const QJsonObject report = QJsonDocument::fromJson(self.readAllStandardOutput()).object();
  if (self.exitCode() != 0 || report.isEmpty()) {
    browsers::EngineResult failed;
    failed.Engine = QStringLiteral("preview");
    failed.Verdict = QStringLiteral("failed");
    failed.Reason = QString::fromLocal8Bit(self.readAllStandardError()).trimmed();
    return failed;
  }
  return PreviewColumn(report);
}

}  // namespace

const QStringList& BrowserNames() {
  static const QStringList names{QStringLiteral("preview"), QStringLiteral("chromium"),
                                 QStringLiteral("firefox"), QStringLiteral("webkit")};
  return names;
}

std::optional<QStringList> ParseBrowserList(const QString& list, QString* bad) {
  QStringList engines;
  for (const QString& raw : list.split(QLatin1Char(','))) {
    const QString name = raw.trimmed().toLower();
    if (name == QLatin1String("all")) {
      for (const QString& n : BrowserNames())
        if (!engines.contains(n)) engines << n;
    } else if (BrowserNames().contains(name)) {
      if (!engines.contains(name)) engines << name;
    } else {
      *bad = raw;
      return std::nullopt;
    }
  }
  return engines;
}

browsers::CheckPage CheckPageFor(const PopupSettings& repaired, const std::string& popupCode) {
  browsers::CheckPage page;
  // The bytes the preview writes: windows-1252, ending with CR LF.
  page.TestPage = QByteArray::fromStdString(Utf8ToWindows1252(popupCode) + "\r\n");
  page.GoButton = QByteArray::fromStdString(std::string(GoButtonGif()));
  page.DelayMs = Milliseconds(repaired.DelaySeconds);
  page.CloseMs = Milliseconds(repaired.CloseSeconds);
  switch (repaired.Activation) {
    case ActivationKind::PageLoad:
      page.How = browsers::Trigger::Load;
      break;
    case ActivationKind::PageClose:
      page.How = browsers::Trigger::Leave;
      break;
    case ActivationKind::FormButton:
      page.Selector = QStringLiteral("input[type=button]");
      break;
    case ActivationKind::MouseOver:
      page.How = browsers::Trigger::Hover;
      page.Selector = QStringLiteral("a[onmouseover]");
      break;
    case ActivationKind::StandardLink:
    case ActivationKind::ImageLink:
      page.Selector = QStringLiteral("a[href]");
      break;
  }
  return page;
}

browsers::EngineResult PreviewColumn(const QJsonObject& report) {
  browsers::EngineResult r;
  r.Engine = QStringLiteral("preview");
  r.Product = report.value(QStringLiteral("engine")).toString();
  const QJsonArray popups = report.value(QStringLiteral("popups")).toArray();
  const QJsonObject p = popups.isEmpty() ? QJsonObject() : popups.last().toObject();
  r.Verdict = report.value(QStringLiteral("verdict")).toString();
  r.Reason = report.value(QStringLiteral("reason")).toString();
  if (r.Verdict.isEmpty()) {
    r.Verdict = p.value(QStringLiteral("opened")).toBool() ? QStringLiteral("popup")
                                                           : QStringLiteral("blocked");
  }
  const auto seconds = [&p](const char* key) -> std::optional<double> {
    const QJsonValue v = p.value(QLatin1String(key));
    if (!v.isDouble()) return std::nullopt;
    return v.toDouble() / 1000.0;
  };
  r.Delay = seconds("triggerToOpenMs");
  r.ClosedAfter = seconds("openToCloseMs");
  const QJsonObject given = p.value(QStringLiteral("given")).toObject();
  if (!given.isEmpty()) {
    r.Window = QRect(given.value(QStringLiteral("left")).toInt(),
                     given.value(QStringLiteral("top")).toInt(),
                     given.value(QStringLiteral("width")).toInt(),
                     given.value(QStringLiteral("height")).toInt());
  }
  const QJsonValue front = p.value(QStringLiteral("popupInFront"));
  if (front.isBool())
    r.Front = front.toBool() ? QStringLiteral("popup") : QStringLiteral("test page");
  if (r.ClosedAfter) r.ClosedBy = p.value(QStringLiteral("closedBy")).toString();
  if (p.value(QStringLiteral("inPage")).toBool()) {
    const QJsonValue loaded = p.value(QStringLiteral("framedLoaded"));
    const QString refused = p.value(QStringLiteral("framedRefused")).toString();
    if (loaded.isBool())
      r.Load = loaded.toBool()     ? QStringLiteral("loaded in the frame")
               : refused.isEmpty() ? QStringLiteral("not loaded")
                                   : QStringLiteral("refused framing (%1)").arg(refused);
  }
  const QJsonValue errors = report.value(QStringLiteral("scriptErrors"));
  r.ErrorsMeasured = errors.isArray();
  for (const QJsonValue& e : errors.toArray()) {
    const QJsonObject o = e.toObject();
    const QString message = o.value(QStringLiteral("message")).toString();
    const QJsonValue line = o.value(QStringLiteral("line"));
    // Only the test page's own errors: the link code is no part of the check.
    if (o.value(QStringLiteral("view")).toString() != QLatin1String("test page")) continue;
    r.Errors << (line.isDouble() ? QStringLiteral("line %1: %2").arg(line.toInt()).arg(message)
                                 : message);
  }
  return r;
}

int RunBrowsersReport(const char* settingsPath, const PopupSettings& entries,
                      const QStringList& engines, bool json, int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const Generation generated = GeneratePopupCode(ReadPopupSettings(entries));
  const browsers::CheckPage page = CheckPageFor(generated.Settings, generated.Code.PopupCode);

  std::vector<browsers::EngineResult> results;
  browsers::BrowserCheck check;
  QObject::connect(&check, &browsers::BrowserCheck::EngineDone, &app,
                   [&results](const browsers::EngineResult& r) { results.push_back(r); });
  QObject::connect(&check, &browsers::BrowserCheck::Finished, &app, &QCoreApplication::quit);
  QStringList real = engines;
  real.removeAll(QStringLiteral("preview"));
  if (engines.contains(QStringLiteral("preview"))) results.push_back(PreviewOf(settingsPath));
  if (!real.isEmpty()) {
    check.Start(real, page);
    app.exec();
  }

  int code = 0;
  QJsonObject all;
  QStringList text;
  for (const QString& name : engines) {
    for (browsers::EngineResult& r : results) {
      if (r.Engine != name) continue;
      if (r.Verdict == QLatin1String("failed")) code = 1;
      all[name] = r.Json();
      if (!text.isEmpty()) text << QString();
      QStringList lines = r.Lines();
      if (r.Product.isEmpty()) lines.insert(1, QStringLiteral("Engine: ") + Title(name));
      text << lines;
    }
  }
  if (json) {
    std::fputs(QJsonDocument(QJsonObject{{QStringLiteral("browsers"), all}})
                   .toJson(QJsonDocument::Indented)
                   .constData(),
               stdout);
  } else {
    for (const QString& line : text) std::printf("%s\n", line.toUtf8().constData());
  }
  std::fflush(stdout);
  return code;
}

}  // namespace orvanta
