#include "preview/browsers/Engines.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "preview/browsers/BidiClient.h"
#include "preview/browsers/EngineProcesses.h"
#include "preview/browsers/PageServer.h"
#include "preview/browsers/Wait.h"
#include "preview/browsers/WebDriverClient.h"

namespace orvanta::browsers {

namespace {

// One press of Enter, as a WebDriver input source: the same in both protocols.
QJsonObject EnterKeySource() {
  const QString enter = QStringLiteral("\uE007");
  return QJsonObject{{QStringLiteral("type"), QStringLiteral("key")},
                     {QStringLiteral("id"), QStringLiteral("keyboard")},
                     {QStringLiteral("actions"),
                      QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("keyDown")},
                                             {QStringLiteral("value"), enter}},
                                 QJsonObject{{QStringLiteral("type"), QStringLiteral("keyUp")},
                                             {QStringLiteral("value"), enter}}}}};
}

const QString kElementKey = QStringLiteral("element-6066-11e4-a52e-4f735466cecf");

// What one browsing context says about itself.
struct ContextFacts {
  QRect Window;
  QSize Inner;
  bool Bars = true;
  bool Focused = false;
  QString Document;  // the document's own address; error pages have their own
  QString State;
  int Status = 0;
};

// Read in the context itself, so it is the same for every engine.
const QString kFactsScript = QStringLiteral(
    "var n = performance.getEntriesByType('navigation')[0];"
    "return JSON.stringify([screenX, screenY, outerWidth, outerHeight, innerWidth, innerHeight,"
    " window.menubar.visible, document.hasFocus(), document.documentURI, document.readyState,"
    " n && n.responseStatus ? n.responseStatus : 0]);");

// A popup of another origin cannot be asked; the test page's answer stands.
const QString kFrontScript = QStringLiteral(
    "var w = window.__orvantaCheckLast, p = null;"
    "try { p = w && !w.closed ? w.document.hasFocus() : null; } catch (e) {}"
    "var m = document.hasFocus();"
    "return m && p ? 'both' : m ? 'test page' : 'popup';");

std::optional<ContextFacts> ParseFacts(const QString& json) {
  const QJsonArray a = QJsonDocument::fromJson(json.toUtf8()).array();
  if (a.size() < 11) return std::nullopt;
  ContextFacts f;
  f.Window = QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
  f.Inner = QSize(a[4].toInt(), a[5].toInt());
  f.Bars = a[6].toBool();
  f.Focused = a[7].toBool();
  f.Document = a[8].toString();
  f.State = a[9].toString();
  f.Status = a[10].toInt();
  return f;
}

// A free loopback port for a driver that needs to be told one.
quint16 FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

// One engine behind the automation interface it offers.
class Driver {
 public:
  virtual ~Driver() = default;
  virtual bool Start(EngineProcesses& processes, QString* why) = 0;
  virtual QString Product() const = 0;
  virtual bool Navigate(const QString& url) = 0;
  // A trusted click, hover or Enter on the element the selector finds.
  virtual bool Act(const QString& selector, const QString& how) = 0;
  virtual QStringList Contexts() = 0;
  virtual QString Main() const = 0;
  // "popup", "test page" or "both", read in the test page without
  // switching windows (which could move the focus).
  virtual std::optional<QString> Front() = 0;
  virtual std::optional<ContextFacts> Inspect(const QString& context) = 0;
  // Whether a new context shares the opener's window, as a tab does.
  virtual bool SameWindow(const QString& context, const ContextFacts& main,
                          const ContextFacts& other) = 0;
  // Runs a script in the test page; false when it cannot.
  virtual bool Run(const QString& script) = 0;
  virtual QString Error() const = 0;
  virtual void Stop() = 0;
};

// Chromium and WebKit: a W3C WebDriver server started beside the browser.
class ClassicDriver : public Driver {
 public:
  ClassicDriver(QString name, EnginePrograms programs, const std::atomic_bool& cancel)
      : name_(std::move(name)), programs_(std::move(programs)), cancel_(cancel) {}

  bool Start(EngineProcesses& processes, QString* why) override {
    const quint16 port = FreePort();
    QProcessEnvironment extra;
    QJsonObject capabilities;
    const QString root = processes.Folder();
    if (name_ == QLatin1String("chromium")) {
      QJsonArray args{QStringLiteral("--headless"),
                      QStringLiteral("--disable-gpu"),
                      QStringLiteral("--no-first-run"),
                      QStringLiteral("--no-default-browser-check"),
                      QStringLiteral("--disable-background-networking"),
                      QStringLiteral("--disable-component-update"),
                      QStringLiteral("--disable-sync"),
                      QStringLiteral("--disable-domain-reliability"),
                      QStringLiteral("--user-data-dir=") + root + QStringLiteral("/profile")};
      // Chromium's sandbox refuses to run as root; everyone else keeps it.
      if (::geteuid() == 0) args.append(QStringLiteral("--no-sandbox"));
      // The driver switches the popup blocker off unless told not to.
      capabilities =
          QJsonObject{{QStringLiteral("browserName"), QStringLiteral("chrome")},
                      {QStringLiteral("goog:chromeOptions"),
                       QJsonObject{{QStringLiteral("binary"), programs_.Browser},
                                   {QStringLiteral("args"), args},
                                   {QStringLiteral("excludeSwitches"),
                                    QJsonArray{QStringLiteral("disable-popup-blocking")}}}}};
    } else {
      // MiniBrowser has no headless mode: it gets an X server of its own.
      const QString display = processes.StartDisplay(why);
      if (display.isEmpty()) return false;
      extra.insert(QStringLiteral("DISPLAY"), display);
      capabilities = QJsonObject{
          {QStringLiteral("browserName"), QStringLiteral("MiniBrowser")},
          {QStringLiteral("webkitgtk:browserOptions"),
           QJsonObject{{QStringLiteral("binary"), programs_.Browser},
                       {QStringLiteral("args"), QJsonArray{QStringLiteral("--automation")}}}}};
    }
    QProcess* driver =
        processes.Start(programs_.Driver, {QStringLiteral("--port=%1").arg(port)}, why, extra);
    if (driver == nullptr) return false;
    client_ = std::make_unique<WebDriverClient>(port, cancel_);
    const bool up = WaitUntil(
        [this, driver] {
          if (driver->state() == QProcess::NotRunning) return true;
          const QJsonValue status = client_->Call("GET", QStringLiteral("/status"), {}, 1000);
          return client_->Ok() && status.toObject().value(QStringLiteral("ready")).toBool();
        },
        20000, cancel_);
    if (driver->state() == QProcess::NotRunning) {
      *why = QStringLiteral("the driver %1 ended at start (exit code %2)")
                 .arg(programs_.Driver)
                 .arg(driver->exitCode());
      return false;
    }
    if (!up) {
      *why = QStringLiteral("the driver %1 did not answer").arg(programs_.Driver);
      return false;
    }
    const QJsonObject given =
        client_->NewSession(QJsonObject{{QStringLiteral("alwaysMatch"), capabilities}});
    if (!client_->Ok()) {
      *why = QStringLiteral("the engine did not start: ") + client_->Error();
      return false;
    }
    product_ = (name_ == QLatin1String("chromium") ? QStringLiteral("Chromium ")
                                                   : QStringLiteral("WebKitGTK MiniBrowser ")) +
               given.value(QStringLiteral("browserVersion")).toString();
    main_ = client_->Session("GET", QStringLiteral("/window")).toString();
    return client_->Ok();
  }

  QString Product() const override { return product_; }

  bool Navigate(const QString& url) override {
    Switch(main_);
    client_->Session("POST", QStringLiteral("/url"), {{QStringLiteral("url"), url}});
    return client_->Ok();
  }

  bool Act(const QString& selector, const QString& how) override {
    Switch(main_);
    const QJsonValue found =
        client_->Session("POST", QStringLiteral("/element"),
                         {{QStringLiteral("using"), QStringLiteral("css selector")},
                          {QStringLiteral("value"), selector}});
    if (!client_->Ok()) return false;
    const QJsonObject origin{{kElementKey, found.toObject().value(kElementKey)}};
    QJsonArray steps{QJsonObject{{QStringLiteral("type"), QStringLiteral("pointerMove")},
                                 {QStringLiteral("origin"), origin},
                                 {QStringLiteral("x"), 0},
                                 {QStringLiteral("y"), 0}}};
    QJsonObject source{{QStringLiteral("type"), QStringLiteral("pointer")},
                       {QStringLiteral("id"), QStringLiteral("mouse")},
                       {QStringLiteral("parameters"),
                        QJsonObject{{QStringLiteral("pointerType"), QStringLiteral("mouse")}}}};
    QJsonArray sources;
    if (how == QLatin1String("click")) {
      steps.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("pointerDown")},
                               {QStringLiteral("button"), 0}});
      steps.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("pointerUp")},
                               {QStringLiteral("button"), 0}});
    }
    source[QStringLiteral("actions")] = steps;
    if (how == QLatin1String("key")) {
      // Focus by script is no user action; the Enter key press is.
      client_->Script(
          QStringLiteral("document.querySelector(%1).focus();")
              .arg(QString::fromUtf8(
                       QJsonDocument(QJsonArray{selector}).toJson(QJsonDocument::Compact))
                       .mid(1)
                       .chopped(1)));
      sources.append(EnterKeySource());
    } else {
      sources.append(source);
    }
    client_->Session("POST", QStringLiteral("/actions"), {{QStringLiteral("actions"), sources}});
    return client_->Ok();
  }

  QStringList Contexts() override {
    QStringList handles;
    for (const QJsonValue& v : client_->Session("GET", QStringLiteral("/window/handles")).toArray())
      handles << v.toString();
    return handles;
  }

  QString Main() const override { return main_; }

  std::optional<QString> Front() override {
    Switch(main_);
    const QJsonValue v = client_->Script(kFrontScript);
    if (!client_->Ok()) return std::nullopt;
    return v.toString();
  }

  std::optional<ContextFacts> Inspect(const QString& context) override {
    if (!Switch(context)) return std::nullopt;
    const QJsonObject rect = client_->Session("GET", QStringLiteral("/window/rect")).toObject();
    const QString json = client_->Script(kFactsScript).toString();
    std::optional<ContextFacts> facts = ParseFacts(json);
    if (facts && !rect.isEmpty()) {
      facts->Window =
          QRect(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
                rect.value(QStringLiteral("width")).toInt(),
                rect.value(QStringLiteral("height")).toInt());
    }
    return facts;
  }

  bool SameWindow(const QString&, const ContextFacts& main, const ContextFacts& other) override {
    // A tab has its opener's window, and the bars of a normal window.
    return other.Bars && other.Window == main.Window;
  }

  bool Run(const QString& script) override {
    Switch(main_);
    client_->Script(script);
    return client_->Ok();
  }

  QString Error() const override { return client_ ? client_->Error() : QString(); }

  void Stop() override {
    if (client_ && !cancel_) client_->EndSession();
  }

 private:
  bool Switch(const QString& handle) {
    if (current_ == handle) return true;
    client_->Session("POST", QStringLiteral("/window"), {{QStringLiteral("handle"), handle}});
    if (client_->Ok()) current_ = handle;
    return client_->Ok();
  }

  QString name_;
  EnginePrograms programs_;
  const std::atomic_bool& cancel_;
  std::unique_ptr<WebDriverClient> client_;
  QString product_;
  QString main_;
  QString current_;
};

// Firefox: its own remote protocol, WebDriver BiDi, with no driver between.
class BidiDriver : public Driver {
 public:
  BidiDriver(EnginePrograms programs, const std::atomic_bool& cancel)
      : programs_(std::move(programs)), cancel_(cancel), client_(cancel) {}

  bool Start(EngineProcesses& processes, QString* why) override {
    const QString profile = processes.Folder() + QStringLiteral("/profile");
    WritePrefs(profile);
    QProcess* firefox = processes.Start(
        programs_.Browser,
        {QStringLiteral("--headless"), QStringLiteral("--no-remote"), QStringLiteral("--profile"),
         profile, QStringLiteral("--remote-debugging-port=0"),
         QStringLiteral("--remote-allow-hosts=127.0.0.1"), QStringLiteral("about:blank")},
        why);
    if (firefox == nullptr) return false;
    QByteArray said;
    QUrl endpoint;
    WaitUntil(
        [&] {
          said += firefox->readAllStandardError() + firefox->readAllStandardOutput();
          const qsizetype at = said.indexOf("ws://");
          if (at >= 0 && said.indexOf('\n', at) > at) {
            endpoint =
                QUrl(QString::fromLatin1(said.mid(at, said.indexOf('\n', at) - at).trimmed()));
          }
          return endpoint.isValid() || firefox->state() == QProcess::NotRunning;
        },
        30000, cancel_);
    if (!endpoint.isValid()) {
      *why = QStringLiteral("Firefox did not open its remote protocol");
      return false;
    }
    endpoint.setPath(QStringLiteral("/session"));
    if (!client_.Connect(endpoint, 10000)) {
      *why = client_.Error();
      return false;
    }
    const QJsonObject session = client_.Send(QStringLiteral("session.new"),
                                             {{QStringLiteral("capabilities"), QJsonObject()}});
    if (!client_.Ok()) {
      *why = client_.Error();
      return false;
    }
    const QJsonObject given = session.value(QStringLiteral("capabilities")).toObject();
    product_ =
        QStringLiteral("Firefox ") + given.value(QStringLiteral("browserVersion")).toString();
    const QJsonArray tree = Tree();
    if (tree.isEmpty()) {
      *why = QStringLiteral("Firefox has no window");
      return false;
    }
    main_ = tree.first().toObject().value(QStringLiteral("context")).toString();
    return true;
  }

  QString Product() const override { return product_; }

  bool Navigate(const QString& url) override {
    client_.Send(QStringLiteral("browsingContext.navigate"),
                 {{QStringLiteral("context"), main_},
                  {QStringLiteral("url"), url},
                  {QStringLiteral("wait"), QStringLiteral("complete")}});
    return client_.Ok();
  }

  bool Act(const QString& selector, const QString& how) override {
    const QJsonObject found = Evaluate(
        main_, QStringLiteral("document.querySelector(%1)")
                   .arg(QString::fromUtf8(
                            QJsonDocument(QJsonArray{selector}).toJson(QJsonDocument::Compact))
                            .mid(1)
                            .chopped(1)));
    const QString shared = found.value(QStringLiteral("sharedId")).toString();
    if (shared.isEmpty()) return false;
    QJsonArray sources;
    if (how == QLatin1String("key")) {
      client_.Send(QStringLiteral("script.callFunction"),
                   {{QStringLiteral("functionDeclaration"), QStringLiteral("(e) => e.focus()")},
                    {QStringLiteral("awaitPromise"), false},
                    {QStringLiteral("arguments"),
                     QJsonArray{QJsonObject{{QStringLiteral("sharedId"), shared}}}},
                    {QStringLiteral("target"), QJsonObject{{QStringLiteral("context"), main_}}}});
      sources.append(EnterKeySource());
    } else {
      QJsonArray steps{QJsonObject{
          {QStringLiteral("type"), QStringLiteral("pointerMove")},
          {QStringLiteral("x"), 0},
          {QStringLiteral("y"), 0},
          {QStringLiteral("origin"),
           QJsonObject{
               {QStringLiteral("type"), QStringLiteral("element")},
               {QStringLiteral("element"), QJsonObject{{QStringLiteral("sharedId"), shared}}}}}}};
      if (how == QLatin1String("click")) {
        steps.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("pointerDown")},
                                 {QStringLiteral("button"), 0}});
        steps.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("pointerUp")},
                                 {QStringLiteral("button"), 0}});
      }
      sources.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("pointer")},
                                 {QStringLiteral("id"), QStringLiteral("mouse")},
                                 {QStringLiteral("actions"), steps}});
    }
    client_.Send(QStringLiteral("input.performActions"),
                 {{QStringLiteral("context"), main_}, {QStringLiteral("actions"), sources}});
    return client_.Ok();
  }

  QStringList Contexts() override {
    QStringList contexts;
    windows_.clear();
    for (const QJsonValue& v : Tree()) {
      const QString id = v.toObject().value(QStringLiteral("context")).toString();
      contexts << id;
      windows_[id] = v.toObject().value(QStringLiteral("clientWindow")).toString();
    }
    return contexts;
  }

  QString Main() const override { return main_; }

  std::optional<QString> Front() override {
    const QJsonObject v =
        Evaluate(main_, QStringLiteral("(function () {") + kFrontScript + QStringLiteral("})()"));
    if (!client_.Ok()) return std::nullopt;
    return v.value(QStringLiteral("value")).toString();
  }

  std::optional<ContextFacts> Inspect(const QString& context) override {
    const QJsonObject v =
        Evaluate(context, QStringLiteral("(function () {") + kFactsScript + QStringLiteral("})()"));
    return ParseFacts(v.value(QStringLiteral("value")).toString());
  }

  bool SameWindow(const QString& context, const ContextFacts&, const ContextFacts&) override {
    return !windows_.value(context).isEmpty() && windows_.value(context) == windows_.value(main_);
  }

  bool Run(const QString& script) override {
    Evaluate(main_, QStringLiteral("(function () {") + script + QStringLiteral("})()"));
    return client_.Ok();
  }

  QString Error() const override { return client_.Error(); }

  void Stop() override {
    if (!cancel_) client_.Send(QStringLiteral("session.end"), {}, 3000);
  }

 private:
  QJsonArray Tree() {
    return client_
        .Send(QStringLiteral("browsingContext.getTree"), {{QStringLiteral("maxDepth"), 0}})
        .value(QStringLiteral("contexts"))
        .toArray();
  }

  QJsonObject Evaluate(const QString& context, const QString& expression) {
    return client_
        .Send(QStringLiteral("script.evaluate"),
              {{QStringLiteral("expression"), expression},
               {QStringLiteral("awaitPromise"), false},
               {QStringLiteral("target"), QJsonObject{{QStringLiteral("context"), context}}}})
        .value(QStringLiteral("result"))
        .toObject();
  }

  // No update, telemetry or other traffic; the popup blocker as a visitor
  // has it (the remote protocol would otherwise switch it off).
  static void WritePrefs(const QString& profile) {
    static const char* const kPrefs[] = {
        "user_pref(\"dom.disable_open_during_load\", true);",
        "user_pref(\"app.update.disabledForTesting\", true);",
        "user_pref(\"app.update.auto\", false);",
        "user_pref(\"browser.shell.checkDefaultBrowser\", false);",
        "user_pref(\"browser.startup.page\", 0);",
        "user_pref(\"browser.newtabpage.enabled\", false);",
        "user_pref(\"browser.aboutwelcome.enabled\", false);",
        "user_pref(\"browser.safebrowsing.malware.enabled\", false);",
        "user_pref(\"browser.safebrowsing.phishing.enabled\", false);",
        "user_pref(\"browser.safebrowsing.downloads.enabled\", false);",
        "user_pref(\"browser.safebrowsing.provider.google4.updateURL\", \"\");",
        "user_pref(\"browser.safebrowsing.provider.mozilla.updateURL\", \"\");",
        "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);",
        "user_pref(\"datareporting.healthreport.uploadEnabled\", false);",
        "user_pref(\"toolkit.telemetry.enabled\", false);",
        "user_pref(\"extensions.update.enabled\", false);",
        "user_pref(\"extensions.getAddons.cache.enabled\", false);",
        "user_pref(\"network.captive-portal-service.enabled\", false);",
        "user_pref(\"network.connectivity-service.enabled\", false);",
        "user_pref(\"network.dns.disablePrefetch\", true);",
        "user_pref(\"network.prefetch-next\", false);",
        "user_pref(\"browser.region.network.url\", \"\");",
        "user_pref(\"browser.topsites.contile.enabled\", false);",
        "user_pref(\"media.gmp-manager.url\", \"\");",
        "user_pref(\"services.settings.server\", \"http://127.0.0.1:9/\");",
    };
    QFile file(profile + QStringLiteral("/user.js"));
    if (!file.open(QIODevice::WriteOnly)) return;
    for (const char* line : kPrefs) {
      file.write(line);
      file.write("\n");
    }
  }

  EnginePrograms programs_;
  const std::atomic_bool& cancel_;
  BidiClient client_;
  QString product_;
  QString main_;
  QHash<QString, QString> windows_;
};

double Between(const QJsonObject& from, const QJsonObject& to) {
  return (to.value(QStringLiteral("at")).toDouble() - from.value(QStringLiteral("at")).toDouble()) /
         1000.0;
}

// The first event of a kind (and input type) after index `from`.
std::optional<QJsonObject> FindEvent(const std::vector<QJsonObject>& events, const QString& kind,
                                     const QString& type = {}, size_t from = 0) {
  for (size_t i = from; i < events.size(); ++i) {
    const QJsonObject& e = events[i];
    if (e.value(QStringLiteral("kind")).toString() != kind) continue;
    if (!type.isEmpty() && e.value(QStringLiteral("type")).toString() != type) continue;
    return e;
  }
  return std::nullopt;
}

QString LoadResult(const ContextFacts& f) {
  if (!f.Document.startsWith(QLatin1String("http"))) {
    return QStringLiteral("did not load: the engine shows its error page (%1)")
        .arg(f.Document.section(QLatin1Char('?'), 0, 0));
  }
  if (f.Status >= 400) return QStringLiteral("did not load: HTTP %1").arg(f.Status);
  if (f.Status > 0) return QStringLiteral("loaded (HTTP %1)").arg(f.Status);
  return f.State == QLatin1String("complete") ? QStringLiteral("loaded")
                                              : QStringLiteral("still loading");
}

// The measurement itself, the same for every engine.
class Check {
 public:
  Check(Driver& driver, PageServer& server, const CheckPage& page, const Progress& progress,
        const std::atomic_bool& stop, EngineResult& result)
      : driver_(driver),
        server_(server),
        page_(page),
        progress_(progress),
        stop_(stop),
        result_(result) {}

  // False, with result_.Reason set, when the engine failed.
  bool Run() {
    if (page_.How != Trigger::Leave)
      return Attempt(page_.How == Trigger::Hover ? QStringLiteral("hover")
                                                 : QStringLiteral("click"));
    // Engines treat leaving by a click and by a key press apart: try both.
    const EngineResult clean = result_;
    std::optional<EngineResult> opened;
    QStringList blocked;
    for (const QString& way : {QStringLiteral("click"), QStringLiteral("key")}) {
      result_ = clean;
      if (!Attempt(way)) return false;
      const QString by =
          way == QLatin1String("key") ? QStringLiteral("a key press") : QStringLiteral("a click");
      if (result_.Verdict == QLatin1String("blocked")) {
        blocked << by;
      } else if (!opened) {
        opened = result_;
      }
    }
    if (!opened) {
      result_.Reason = QStringLiteral("the page was being left (by %1)")
                           .arg(blocked.join(QStringLiteral(" and by ")));
      return true;
    }
    result_ = *opened;
    if (!blocked.isEmpty())
      result_.Reason +=
          QStringLiteral("; blocked when left by ") + blocked.join(QStringLiteral(" and by "));
    return true;
  }

 private:
  bool Fail(const QString& what) {
    result_.Reason =
        what + (driver_.Error().isEmpty() ? QString() : QStringLiteral(": ") + driver_.Error());
    return false;
  }

  bool Attempt(const QString& way) {
    progress_(QStringLiteral("loading the test page"));
    const size_t first = server_.Events().size();
    if (!driver_.Navigate(server_.Url(QStringLiteral("/test_page.htm"))))
      return Fail(QStringLiteral("the test page did not load"));
    if (!WaitUntil(
            [&] {
              return FindEvent(server_.Events(), QStringLiteral("load"), {}, first).has_value();
            },
            15000, stop_))
      return Fail(QStringLiteral("the test page did not finish loading"));
    const QStringList before = driver_.Contexts();

    QString triggerKind;
    QString triggerType;
    switch (page_.How) {
      case Trigger::Load:
        triggerKind = QStringLiteral("load");
        break;
      case Trigger::Leave:
        progress_(way == QLatin1String("key") ? QStringLiteral("leaving the page by a key press")
                                              : QStringLiteral("leaving the page by a click"));
        if (!LeaveLink() || !driver_.Act(QStringLiteral("#orvanta-leave"), way))
          return Fail(QStringLiteral("cannot leave the test page"));
        triggerKind = QStringLiteral("left");
        if (!WaitUntil(
                [&] { return FindEvent(server_.Events(), triggerKind, {}, first).has_value(); },
                5000, stop_))
          return Fail(QStringLiteral("the test page was not left by ") +
                      (way == QLatin1String("key") ? QStringLiteral("Enter on a link")
                                                   : QStringLiteral("a click on a link")));
        break;
      case Trigger::Click:
      case Trigger::Hover:
        progress_(way == QLatin1String("hover") ? QStringLiteral("moving the mouse over the link")
                                                : QStringLiteral("clicking"));
        if (!driver_.Act(page_.Selector, way))
          return Fail(QStringLiteral("the test page has nothing to set the popup off"));
        triggerKind = QStringLiteral("input");
        triggerType =
            way == QLatin1String("hover") ? QStringLiteral("mouseover") : QStringLiteral("click");
        break;
    }

    progress_(QStringLiteral("waiting for the popup"));
    std::optional<QJsonObject> opened;
    QString popup;
    const auto newContext = [&] {
      for (const QString& c : driver_.Contexts())
        if (!before.contains(c)) return c;
      return QString();
    };
    WaitUntil(
        [&] {
          opened = FindEvent(server_.Events(), QStringLiteral("open"), {}, first);
          // A page being left may not report in time; a new window speaks for itself.
          if (page_.How == Trigger::Leave && !opened) popup = newContext();
          return opened.has_value() || !popup.isEmpty();
        },
        page_.DelayMs + 4000, stop_);
    const auto trigger = FindEvent(server_.Events(), triggerKind, triggerType, first);
    if (opened && trigger) result_.Delay = std::max(0.0, Between(*trigger, *opened));
    if (!opened && popup.isEmpty()) {
      result_.Verdict = QStringLiteral("blocked");
      result_.Reason = page_.How == Trigger::Leave
                           ? QStringLiteral("the page was being left")
                           : QStringLiteral("the page did not open a window");
      return Finish(first);
    }
    if (opened && !opened->value(QStringLiteral("opened")).toBool()) {
      result_.Verdict = QStringLiteral("blocked");
      result_.Reason = BlockReason(way);
      return Finish(first);
    }
    if (popup.isEmpty()) WaitUntil([&] { return !(popup = newContext()).isEmpty(); }, 3000, stop_);
    if (popup.isEmpty()) {
      result_.Verdict = QStringLiteral("blocked");
      result_.Reason = QStringLiteral("window.open gave a window the engine never showed");
      return Finish(first);
    }

    // Popup Under acts just after the opening; let it.
    Pause(300, stop_);
    progress_(QStringLiteral("measuring the popup"));
    const std::optional<QString> front = driver_.Front();
    const std::optional<ContextFacts> main = driver_.Inspect(driver_.Main());
    const std::optional<ContextFacts> facts = driver_.Inspect(popup);
    driver_.Inspect(driver_.Main());
    if (facts && main) {
      const bool tab = driver_.SameWindow(popup, *main, *facts);
      result_.Verdict = tab ? QStringLiteral("tab") : QStringLiteral("popup");
      result_.Reason = tab ? QStringLiteral("the features do not ask for a popup window")
                           : (way == QLatin1String("key") ? QStringLiteral("a key press")
                                                          : QStringLiteral("a ") + way);
      if (page_.How == Trigger::Leave)
        result_.Reason = QStringLiteral("the page was left by ") + result_.Reason;
      result_.Window = facts->Window;
      result_.Inner = facts->Inner;
      result_.Bars = facts->Bars;
      result_.Load = LoadResult(*facts);
      result_.Front = front.value_or(QString());
    } else {
      result_.Verdict = QStringLiteral("popup");
      result_.Reason = QStringLiteral("closed before it could be measured");
    }

    if (page_.CloseMs > 0) {
      progress_(QStringLiteral("waiting for the auto-close"));
      WaitUntil(
          [&] {
            return FindEvent(server_.Events(), QStringLiteral("closed"), {}, first).has_value() ||
                   !driver_.Contexts().contains(popup);
          },
          page_.CloseMs + 3000, stop_);
      // The page's report of the close is a beacon and may come after the
      // window is gone.
      WaitUntil(
          [&] {
            return FindEvent(server_.Events(), QStringLiteral("closed"), {}, first).has_value();
          },
          2000, stop_);
    }
    const auto closed = FindEvent(server_.Events(), QStringLiteral("closed"), {}, first);
    if (closed && opened) {
      QJsonObject returned = *opened;
      if (opened->contains(QStringLiteral("returned")))
        returned[QStringLiteral("at")] = opened->value(QStringLiteral("returned"));
      result_.ClosedAfter = Between(returned, *closed);
      result_.ClosedBy = QStringLiteral("the test page's script");
    }
    return Finish(first);
  }

  QString BlockReason(const QString& way) const {
    if (page_.How == Trigger::Load || way == QLatin1String("hover"))
      return QStringLiteral("no user action");
    if (page_.How == Trigger::Leave) return QStringLiteral("the page was being left");
    if (page_.DelayMs > 0)
      return QStringLiteral("the action was %1 s earlier").arg(page_.DelayMs / 1000);
    return QStringLiteral("the engine refused the window");
  }

  bool LeaveLink() {
    // A link to another page of the same server, as a visitor would follow one.
    return driver_.Run(QStringLiteral(
        "var a = document.createElement('a'); a.id = 'orvanta-leave'; a.href = '/left.htm';"
        "a.textContent = 'Leave'; a.style.cssText = "
        "'position:fixed;left:4px;top:4px;z-index:2147483647';"
        "document.documentElement.appendChild(a); return true;"));
  }

  bool Finish(size_t first) {
    // Errors thrown after a block come at once; give them a moment.
    Pause(200, stop_);
    for (size_t i = first; i < server_.Events().size(); ++i) {
      const QJsonObject& e = server_.Events()[i];
      if (e.value(QStringLiteral("kind")) != QLatin1String("error")) continue;
      const QString text = QStringLiteral("line %1: %2")
                               .arg(e.value(QStringLiteral("line")).toInt())
                               .arg(e.value(QStringLiteral("message")).toString());
      if (!result_.Errors.contains(text)) result_.Errors << text;
    }
    return true;
  }

  Driver& driver_;
  PageServer& server_;
  const CheckPage& page_;
  const Progress& progress_;
  const std::atomic_bool& stop_;
  EngineResult& result_;
};

}  // namespace

const std::vector<EngineInfo>& KnownEngines() {
  static const std::vector<EngineInfo> engines{
      {QStringLiteral("chromium"), QStringLiteral("Chromium"),
       QStringLiteral("chromium chromium-driver")},
      {QStringLiteral("firefox"), QStringLiteral("Firefox"), QStringLiteral("firefox-esr")},
      {QStringLiteral("webkit"), QStringLiteral("WebKit"),
       QStringLiteral("webkit2gtk-driver xvfb")},
  };
  return engines;
}

std::optional<EnginePrograms> FindEngine(const QString& name) {
  const auto find = [](const QString& program) { return QStandardPaths::findExecutable(program); };
  EnginePrograms p;
  if (name == QLatin1String("chromium")) {
    // The launcher script adds the distribution's flags; the driver wants the browser itself.
    const QString launcher = find(QStringLiteral("chromium"));
    p.Driver = find(QStringLiteral("chromedriver"));
    if (launcher.isEmpty() || p.Driver.isEmpty()) return std::nullopt;
    const QString real =
        QFileInfo(launcher).absolutePath() + QStringLiteral("/../lib/chromium/chromium");
    p.Browser = QFileInfo(real).isExecutable() ? QFileInfo(real).canonicalFilePath() : launcher;
  } else if (name == QLatin1String("firefox")) {
    p.Browser = find(QStringLiteral("firefox-esr"));
    if (p.Browser.isEmpty()) p.Browser = find(QStringLiteral("firefox"));
    if (p.Browser.isEmpty()) return std::nullopt;
  } else if (name == QLatin1String("webkit")) {
    p.Driver = find(QStringLiteral("WebKitWebDriver"));
    if (p.Driver.isEmpty() || find(QStringLiteral("Xvfb")).isEmpty()) return std::nullopt;
    const QString libs = QFileInfo(p.Driver).absolutePath() + QStringLiteral("/../lib");
    for (const QFileInfo& dir : QDir(libs).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      const QFileInfo mini(dir.absoluteFilePath() + QStringLiteral("/webkit2gtk-4.1/MiniBrowser"));
      if (mini.isExecutable()) p.Browser = mini.canonicalFilePath();
    }
    if (p.Browser.isEmpty()) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return p;
}

EngineResult CheckEngine(const QString& name, const CheckPage& page, const Progress& progress,
                         const std::atomic_bool& cancel) {
  EngineResult result;
  result.Engine = name;
  for (const EngineInfo& info : KnownEngines())
    if (info.Name == name) result.Package = info.Package;
  const std::optional<EnginePrograms> programs = FindEngine(name);
  if (!programs) {
    result.Verdict = QStringLiteral("not installed");
    result.Reason = QStringLiteral("install ") + result.Package;
    return result;
  }
  result.Package.clear();
  QElapsedTimer clock;
  clock.start();

  // Cancel, or the time limit, stops every wait at once.
  std::atomic_bool stop{false};
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, [&stop] { stop = true; });
  limit.start(kEngineTimeLimitMs + page.DelayMs + page.CloseMs);
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&stop, &cancel] {
    if (cancel) stop = true;
  });
  watch.start(20);

  EngineProcesses processes;
  PageServer server;
  QByteArray testPage = PageServer::ScriptTag() + page.TestPage;
  server.Serve(QStringLiteral("/test_page.htm"), "text/html", testPage);
  server.Serve(QStringLiteral("/gobutton.gif"), "image/gif", page.GoButton);
  server.Serve(QStringLiteral("/left.htm"), "text/html",
               "<!DOCTYPE html><title>Left</title><p>The test page was left.</p>");

  std::unique_ptr<Driver> driver;
  if (name == QLatin1String("firefox")) {
    driver = std::make_unique<BidiDriver>(*programs, stop);
  } else {
    driver = std::make_unique<ClassicDriver>(name, *programs, stop);
  }
  QString why;
  bool ok = processes.Ready(&why) && server.Listen();
  if (!ok && why.isEmpty()) why = QStringLiteral("no loopback port for the test page");
  if (ok) {
    progress(QStringLiteral("starting"));
    ok = driver->Start(processes, &why);
  }
  if (ok) {
    result.Product = driver->Product();
    Check check(*driver, server, page, progress, stop, result);
    ok = check.Run();
    why = result.Reason;
  }
  if (!ok || stop) {
    EngineResult failed;
    failed.Engine = name;
    failed.Product = result.Product;
    failed.Verdict = QStringLiteral("failed");
    failed.Reason = cancel ? QStringLiteral("cancelled")
                    : stop ? QStringLiteral("no result within the time limit")
                           : why;
    result = failed;
  }
  progress(QStringLiteral("closing"));
  driver->Stop();
  processes.End();
  result.Seconds = static_cast<double>(clock.elapsed()) / 1000.0;
  return result;
}

}  // namespace orvanta::browsers
