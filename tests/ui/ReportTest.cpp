// The report strip of the preview page against what the test measures itself
// from the popup window: its geometry, its state and its timing.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "core/WindowFeatures.h"
#include "modules/host/PreviewPlugin.h"
#include "tests/cli/Process.h"
#include "tests/ui/UiTest.h"
#include "ui/BrowsersMode.h"
#include "ui/PreviewReport.h"

namespace orvanta::test {
namespace {

enum class SetOff { None, ClickLink };

struct ReportRow {
  const char* name;
  std::function<void(PopupSettings&)> set;
  SetOff setOff;
  bool AllowPopups;        // the Preview page's "Allow popups for the test page"
  const char* Verdict;     // the first line
  const char* AskedWords;  // in the "Asked for:" line
};

void AllOptions(PopupSettings& s) { s.WindowOptions.fill(1); }

const ReportRow kRows[] = {
    {"Centred400x200",
     [](PopupSettings& s) {
       s.Center = 1;
       s.Width = "400";
       s.Height = "200";
     },
     SetOff::None, true, "Opened as a popup window", "on the page loading"},
    {"Delay5s", [](PopupSettings& s) { s.DelaySeconds = "5"; }, SetOff::None, true,
     "Opened as a popup window", "on the page loading"},
    {"AutoClose3s", [](PopupSettings& s) { s.CloseSeconds = "3"; }, SetOff::None, true,
     "Opened as a popup window", "on the page loading"},
    {"PopupUnder", [](PopupSettings& s) { s.Order = WindowOrder::PopupUnder; }, SetOff::None, true,
     "Opened as a popup window", "on the page loading"},
    {"ClickLink", [](PopupSettings& s) { s.Activation = ActivationKind::StandardLink; },
     SetOff::ClickLink, false, "Opened as a popup window", "on a click on the link"},
    {"AllOptions",
     [](PopupSettings& s) {
       AllOptions(s);
       s.Activation = ActivationKind::StandardLink;
     },
     SetOff::ClickLink, false, "Opened as a new tab", "on a click on the link"},
};

QString LineStarting(const QString& report, const QString& start) {
  for (const QString& line : report.split(QLatin1Char('\n')))
    if (line.startsWith(start)) return line;
  return {};
}

double SecondsIn(const QString& line, const char* pattern) {
  const auto match = QRegularExpression(QString::fromLatin1(pattern)).match(line);
  return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

// Whether the popup's page draws scroll bars: its viewport is narrower or
// lower than the window's inside.
std::optional<bool> ScrollBarsDrawnIn(QWidget* popup) {
  auto* view = qobject_cast<QWebEngineView*>(popup);
  std::optional<QVariant> answer;
  view->page()->runJavaScript(
      QStringLiteral("var d = document.documentElement;"
                     " innerWidth - d.clientWidth > 0 || innerHeight - d.clientHeight > 0"),
      [&answer](const QVariant& v) { answer = v; });
  WaitUntil([&] { return answer.has_value(); }, 10000);
  if (!answer) return std::nullopt;
  return answer->toBool();
}

class ReportWindow : public WindowTest {
 protected:
  void SetUp() override {
    if (PluginFolder().isEmpty()) GTEST_SKIP() << "the preview module is not part of this build";
    WindowTest::SetUp();
  }

  QString Text() const { return Box("txtReport")->toPlainText(); }

  // Previews a popup that opens with the page, until the report has measured it.
  void PreviewAPopupOnLoad() {
    PopupSettings entries;
    entries.PageUrl = "http://127.0.0.1:9/";
    entries.Activation = ActivationKind::PageLoad;
    window_->FillScreen(entries);
    Click(Button("cmdGo_0"));
    Button("chkAllowPopups")->setChecked(true);
    ClickTab(2);
    ASSERT_TRUE(WaitUntil([&] { return !LineStarting(Text(), "In front:").isEmpty(); }, 60000));
  }

  // Moves the mouse onto the first element `selector` finds in the test
  // page, and clicks it when asked to.
  void SetOffAt(const QString& selector, bool click) {
    std::optional<QRect> at;
    window_->browser(0)->locate(selector, [&](QRect r) { at = r; });
    ASSERT_TRUE(WaitUntil([&] { return at.has_value(); }, 10000));
    ASSERT_FALSE(at->isEmpty()) << selector.toStdString();
    QWidget* input = window_->browser(0)->widget();
    while (input->focusProxy() != nullptr) input = input->focusProxy();
    QTest::mouseMove(input, QPoint(1, 1));
    QTest::qWait(100);
    QTest::mouseMove(input, at->center());
    if (click) QTest::mouseClick(input, Qt::LeftButton, Qt::NoModifier, at->center());
  }
};

class Report : public ReportWindow, public ::testing::WithParamInterface<ReportRow> {};

TEST_P(Report, EachLineSaysWhatThePopupWindowDid) {
  const ReportRow& row = GetParam();
  PopupSettings entries;
  entries.PageUrl = "http://127.0.0.1:9/";  // refused at once, no network needed
  entries.Activation = ActivationKind::PageLoad;
  row.set(entries);
  window_->FillScreen(entries);
  Click(Button("cmdGo_0"));
  Button("chkAllowPopups")->setChecked(row.AllowPopups);

  QElapsedTimer clock;
  clock.start();
  qint64 loadedAt = -1;
  qint64 openedAt = -1;
  QWidget* popup = nullptr;
  QObject::connect(window_.get(), &FrmMain::previewLoadFinished, [&](int view, bool) {
    if (view == 1 && loadedAt < 0) loadedAt = clock.elapsed();
  });
  QObject::connect(window_.get(), &FrmMain::previewPopupOpened, [&](QWidget* opened) {
    popup = opened;
    openedAt = clock.elapsed();
  });
  ClickTab(2);
  EXPECT_EQ(Text().section(QLatin1Char('\n'), 0, 0), "No popup was asked for yet.");
  // The engine the report measures in is named, with its version.
  EXPECT_TRUE(
      LineStarting(Text(), "Engine: Qt WebEngine 6.").contains("identifies itself as Chrome"))
      << Text().toStdString();
  ASSERT_TRUE(WaitUntil([&] { return loadedAt >= 0; }, 60000));
  qint64 setOffAt = loadedAt;
  if (row.setOff != SetOff::None) {
    ASSERT_EQ(popup, nullptr) << "opened before its trigger";
    setOffAt = clock.elapsed();
  }
  switch (row.setOff) {
    case SetOff::None:
      break;
    case SetOff::ClickLink:
      SetOffAt(QStringLiteral("a[href]"), true);
      break;
  }
  ASSERT_TRUE(WaitUntil([&] { return popup != nullptr; }, 20000));
  const QPointer<QWidget> window(popup);
  // Complete once the window settled and its page answered.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return !LineStarting(Text(), "In front:").isEmpty() &&
               LineStarting(Text(), "Scroll Bars:").contains("(measured in the page)") &&
               !LineStarting(Text(), "Page:").startsWith("Page: loading");
      },
      10000))
      << Text().toStdString();
  const QString report = Text();
  const QRect given = popup->geometry();

  EXPECT_EQ(report.section(QLatin1Char('\n'), 0, 0), row.Verdict) << report.toStdString();
  EXPECT_EQ(report.contains("Shown only because popups are allowed for the test page"),
            row.AllowPopups)
      << report.toStdString();
  EXPECT_NE(LineStarting(report, "Asked for: popup 1 of the test page").indexOf(row.AskedWords), -1)
      << report.toStdString();
  // The address cannot load: the report says so rather than reading as a page.
  EXPECT_TRUE(LineStarting(report, "Page:").startsWith("Page: not loaded: "))
      << report.toStdString();
  if (QString::fromLatin1(row.Verdict).contains("tab")) {
    // Shown as a tab is, at the browser window's size, not where the script asked.
    EXPECT_EQ(given.size(), window_->geometry().size());
  }
  EXPECT_NE(LineStarting(report, "Size:")
                .indexOf(QStringLiteral("given %1 x %2,").arg(given.width()).arg(given.height())),
            -1)
      << report.toStdString();
  const QString position = LineStarting(report, "Position:");
  EXPECT_NE(position.indexOf(QStringLiteral("given left %1, top %2").arg(given.x()).arg(given.y())),
            -1)
      << report.toStdString();
  const QRect screen = popup->screen()->geometry();
  const QPoint offCentre = given.center() - screen.center();
  EXPECT_EQ(position.contains("centred on the"),
            std::abs(offCentre.x()) <= 1 && std::abs(offCentre.y()) <= 1)
      << position.toStdString();
  if (entries.Center == 1) {
    EXPECT_TRUE(position.contains("centred on the")) << position.toStdString();
  }

  // Each option as ticked, and as the window shows it: the preview's window
  // draws no browser bars, the page draws its scroll bars.
  const std::optional<bool> scrollBars = ScrollBarsDrawnIn(popup);
  ASSERT_TRUE(scrollBars.has_value());
  const QWindow* handle = popup->windowHandle();
  const bool resizable = handle->minimumSize() != handle->maximumSize();
  for (int i = 0; i < kWindowOptionCount; ++i) {
    const QString line = LineStarting(report, QString::fromLatin1(kWindowOptions[i].Caption) + ':');
    const QString asked = entries.WindowOptions[i] == 1 ? "asked yes" : "not asked";
    EXPECT_TRUE(line.contains(asked)) << line.toStdString();
    std::optional<bool> shown;
    if (i < 5) shown = false;
    if (i == 5) shown = *scrollBars;
    if (i == 6) shown = resizable;
    if (i == 8) shown = popup->isFullScreen();
    if (shown) {
      EXPECT_TRUE(line.contains(*shown ? "shown yes" : "shown no")) << line.toStdString();
    }
    if (i == 7) {
      EXPECT_TRUE(line.endsWith("shown not measurable here.")) << line.toStdString();
    }
  }

  const bool popupHasFocus = QGuiApplication::focusWindow() == handle;
  EXPECT_EQ(LineStarting(report, "In front:").contains("the focus is on the popup"), popupHasFocus)
      << report.toStdString();

  const double delay = SecondsIn(LineStarting(report, "Delay:"), R"(^Delay: ([0-9.]+) s)");
  const double measuredDelay = static_cast<double>(openedAt - setOffAt) / 1000.0;
  EXPECT_NEAR(delay, measuredDelay, 0.3) << report.toStdString();
  if (!entries.DelaySeconds.empty()) {
    EXPECT_GE(measuredDelay, 4.9);
  }

  if (entries.CloseSeconds.empty()) {
    EXPECT_TRUE(LineStarting(report, "Closed:").startsWith("Closed: not yet"))
        << report.toStdString();
    return;
  }
  ASSERT_TRUE(WaitUntil([&] { return window.isNull() || !window->isVisible(); }, 10000));
  const double measuredOpen = static_cast<double>(clock.elapsed() - openedAt) / 1000.0;
  ASSERT_TRUE(WaitUntil([&] { return LineStarting(Text(), "Closed: by").size() > 0; }, 5000));
  const double open =
      SecondsIn(LineStarting(Text(), "Closed:"), R"(^Closed: by the page's script ([0-9.]+) s)");
  EXPECT_NEAR(open, measuredOpen, 0.3) << Text().toStdString();
  EXPECT_GE(measuredOpen, 2.9);
}

INSTANTIATE_TEST_SUITE_P(Rows, Report, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<ReportRow>& row) {
                           return std::string(row.param.name);
                         });

TEST_F(Report, AClosedWindowByTheProgramIsNotTakenForAnAutoClose) {
  ASSERT_NO_FATAL_FAILURE(PreviewAPopupOnLoad());
  window_->browser(0)->popupWindows().front()->close();
  EXPECT_TRUE(WaitUntil([&] { return Text().contains("Closed: by the program"); }, 5000))
      << Text().toStdString();
}

// The program's own world is put in only for code that may show a dialog,
// and taken out again: each kind of code still has its trigger read.
TEST_F(Report, ReadsTheTriggerWithAndWithoutTheDialogsWorld) {
  const std::pair<WindowOrder, const char*> previews[] = {
      {WindowOrder::InPage, "Asked for: dialog 1 of the test page, on a click on the link."},
      {WindowOrder::Normal, "Asked for: popup 1 of the test page, on a click on the link,"},
      {WindowOrder::InPage, "Asked for: dialog 1 of the test page, on a click on the link."}};
  for (const auto& preview : previews) {
    const QString asked = QString::fromLatin1(preview.second);
    PopupSettings entries;
    entries.PageUrl = "http://127.0.0.1:9/";
    entries.Activation = ActivationKind::StandardLink;
    entries.Order = preview.first;
    window_->FillScreen(entries);
    Click(Button("cmdGo_0"));
    bool loaded = false;
    const auto connection = QObject::connect(window_.get(), &FrmMain::previewLoadFinished,
                                             [&](int view, bool) { loaded = loaded || view == 1; });
    ClickTab(2);
    ASSERT_TRUE(WaitUntil([&] { return loaded; }, 60000));
    QObject::disconnect(connection);
    ASSERT_NO_FATAL_FAILURE(SetOffAt(QStringLiteral("a[href]"), true));
    EXPECT_TRUE(WaitUntil([&] { return !LineStarting(Text(), asked).isEmpty(); }, 10000))
        << Text().toStdString();
    ClickTab(1);
  }
}

// On an X display a close asked for through the window system, as a window
// manager's close button asks, is the user's.
TEST_F(Report, AWindowClosedThroughTheWindowSystemIsClosedByTheUser) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() != QLatin1String("xcb") || x11 == nullptr)
    GTEST_SKIP() << "needs an X display";
  ASSERT_NO_FATAL_FAILURE(PreviewAPopupOnLoad());
  xcb_connection_t* c = x11->connection();
  const auto atom = [c](const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t found = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return found;
  };
  xcb_client_message_event_t close{};
  close.response_type = XCB_CLIENT_MESSAGE;
  close.format = 32;
  close.window = static_cast<xcb_window_t>(window_->browser(0)->popupWindows().front()->winId());
  close.type = atom("WM_PROTOCOLS");
  close.data.data32[0] = atom("WM_DELETE_WINDOW");
  close.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(c, 0, close.window, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&close));
  xcb_flush(c);
  EXPECT_TRUE(WaitUntil([&] { return Text().contains("Closed: by the user"); }, 10000))
      << Text().toStdString();
}

// The same report from the command line, without a window.
TEST(ReportCommand, PrintsJsonOrRefusesBadInput) {
  if (PluginFolder().isEmpty()) GTEST_SKIP() << "the preview module is not part of this build";
  QTemporaryDir temp;
  const QString settings = temp.filePath(QStringLiteral("popup.ini"));
  QFile file(settings);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      "[Popup]\r\nPageUrl=http://127.0.0.1:9/\r\nWidth=320\r\nHeight=240\r\n"
      "CloseSeconds=1\r\nActivation=PageLoad\r\n");
  file.close();
  const std::string program = ORVANTA_GUI_PATH;
  // Options before and after --report alike.
  const auto run =
      RunProcess(program, {"--json", "--report", settings.toStdString(), "--allow-popups"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
  EXPECT_EQ(report["verdict"].toString(), "popup") << run.out;
  EXPECT_TRUE(report["engine"].toString().startsWith("Qt WebEngine ")) << run.out;
  const QJsonObject popup = report["popups"].toArray().at(0).toObject();
  EXPECT_TRUE(popup["allowedOnlyBySetting"].toBool()) << run.out;
  EXPECT_EQ(popup["trigger"].toString(), "load");
  EXPECT_EQ(popup["given"].toObject()["width"].toInt(), 320);
  EXPECT_EQ(popup["closedBy"].toString(), "script");
  EXPECT_NEAR(popup["openToCloseMs"].toDouble(), 1000, 300) << run.out;

  const auto missing = RunProcess(program, {"--report", temp.filePath("none.ini").toStdString()});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("none.ini"), std::string::npos) << missing.err;
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Popup]\r\nActivation=Sometimes\r\n");
  file.close();
  const auto bad = RunProcess(program, {"--report", settings.toStdString()});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("Sometimes"), std::string::npos) << bad.err;
  EXPECT_TRUE(bad.out.empty());
}

// Serves one page to every request on 127.0.0.1, from a thread of its own,
// so that it answers while the test waits for a process.
class PageServer {
 public:
  explicit PageServer(std::string body, std::string headers = {})
      : body_(std::move(body)), headers_(std::move(headers)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      for (;;) {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0 || stop_) break;
        char request[4096];
        static_cast<void>(::recv(client, request, sizeof request, 0));
        const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n" + headers_ +
                                  "Content-Length: " + std::to_string(body_.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body_;
        static_cast<void>(::send(client, reply.data(), reply.size(), MSG_NOSIGNAL));
        ::close(client);
      }
    });
  }
  ~PageServer() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    if (thread_.joinable()) thread_.join();
  }
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_) + "/page"; }

 private:
  std::string body_;
  std::string headers_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::string WriteSettings(const QTemporaryDir& temp, const std::string& lines) {
  const QString path = temp.filePath(QStringLiteral("popup.ini"));
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(QByteArray::fromStdString("[Popup]\r\n" + lines));
  return path.toStdString();
}

std::string LineOf(const std::string& report, const std::string& start) {
  return LineStarting(QString::fromStdString(report), QString::fromStdString(start)).toStdString();
}

// The test page is the user's code, which may replace what the report's own
// script uses, forge its lines, or open the window from a frame. Each row
// previews such a page from the code box and clicks its "go" element.
struct HostileTestPageRow {
  const char* Name;
  const char* Body;
  const char* Verdict;
  const char* Asked;            // the start of the "Asked for:" line
  const char* Also;             // the start of another line it has, if any
  const char* Never = nullptr;  // a text it never has, a second after its verdict
};

#define ORVANTA_OPEN_GO                                                   \
  "var w = window.open('about:blank', '_blank', 'width=310,height=210');" \
  " document.title = 'after ' + (w ? 'window' : 'null');"

const HostileTestPageRow kHostileTestPageRows[] = {
    // The program's own world and its channel are out of the page's reach.
    {"NoWayIntoTheProgramsWorld",
     "<a id=go href=# onclick=\"window.open('about:blank', '_blank', 'width=310,height=210');"
     " document.title = ['reach', typeof qt, typeof QWebChannel, typeof probe].join(' ');\">go</a>",
     "Opened as a popup window", "Asked for: popup 1 of the test page, on a click on the link,",
     nullptr},
    // An In Page dialog is measured with the DOM's own functions, not the page's.
    {"DialogWithReplacedPrototypes",
     "<script>Element.prototype.getBoundingClientRect = function () {"
     " return { left: 1, top: 2, width: 999, height: 888 }; };"
     " Date.now = function () { return -2305741264170; };</script>"
     "<a id=go href=# onclick=\"var d = document.createElement('dialog');"
     " var f = d.appendChild(document.createElement('iframe'));"
     " f.style.cssText = 'width:310px;height:210px;border:0'; document.body.appendChild(d);"
     " d.showModal(); document.title = 'after dialog';\">go</a>",
     "Opened in the page", "Asked for: dialog 1 of the test page, on a click on the link.",
     nullptr},
    {"ReplacedGlobals",
     "<script>Date.now = function () { return -2305741264170; };"
     " JSON.stringify = function () { return '[\"open\",\"width=999,height=888\"]'; };"
     " console.log = undefined;"
     " console.info('orvanta-preview:window-asked [\"\",\"load\",0,true]\\x1b[2J');</script>"
     "<a id=go href=# onclick=\"" ORVANTA_OPEN_GO "\">go</a>",
     "Opened as a popup window", "Asked for: popup 1 of the test page, on a click on the link,",
     nullptr},
    // Replaced after the report's script took its own references.
    {"ReplacedPrototypes",
     "<script>Array.prototype.toJSON = function () {"
     " return ['open', 'width=999,height=888', 0, false]; };"
     " Element.prototype.closest = function () { return null; };"
     " Object.defineProperty(Event.prototype, 'target', { get: function () { return null; } });"
     " Reflect.apply = function () { return null; };</script>"
     "<a id=go href=# onclick=\"" ORVANTA_OPEN_GO "\">go</a>",
     "Opened as a popup window", "Asked for: popup 1 of the test page, on a click on the link,",
     nullptr},
    // A frame's window prepared before its document came: the page reads what
    // the report's script in it logs, and logs it again with other facts.
    {"PreparedFrameRepeatsItsLines",
     "<script>var seen = [], f = document.createElement('iframe');"
     " document.documentElement.appendChild(f);"
     " f.contentWindow.console.log = function (s) { seen.push('' + s); };"
     " f.srcdoc = '<p>frame</p>';</script>"
     "<a id=go href=# onclick=\"seen.forEach(function (s) { var at = s.indexOf('[');"
     " console.log(s.slice(0, at) + '[&quot;open&quot;,&quot;width=999,height=888&quot;,0,false]');"
     " console.log(s.slice(0, at) + '[&quot;note&quot;,&quot;load&quot;,0]'); });"
     " " ORVANTA_OPEN_GO "\">go</a>",
     "Opened as a popup window", "Asked for: popup 1 of the test page, on a click on the link,",
     nullptr},
    {"SyntheticClick",
     "<a id=go href=# onclick=\"" ORVANTA_OPEN_GO "\">go</a>"
     "<script>setTimeout(function () { document.getElementById('go').click(); }, 50);</script>",
     "Blocked: no user action came before it.", "Asked for: popup 1 of the test page, on ",
     nullptr},
    {"FromAFrame",
     "<iframe id=go style='width:300px;height:100px;border:0' srcdoc=\"<body style='margin:0'>"
     "<a href=# style='display:block;height:100px' onclick=&quot;window.open('about:blank',"
     " '_blank', 'width=310,height=210')&quot;>in</a>\"></iframe>",
     "Opened as a popup window",
     "Asked for: popup 1 of the test page, on a click on the link in a frame,", nullptr},
    // The load time is read only when a window is asked for, from the engine's
    // own getter: a page's forged one would make the load its trigger.
    {"ReplacedLoadTiming",
     "<script>Object.defineProperty(Performance.prototype, 'timing',"
     " { get: function () { return { loadEventStart: 1 }; } });\n"
     "window.onload = function () { window.open('about:blank', '_blank', 'width=310,height=210'); "
     "};"
     "</script>",
     "Blocked: no user action came before it.",
     "Asked for: popup 1 of the test page, on an event the page hid from the report", nullptr},
    // An error's text is read through the engine's own getter only.
    {"ForgedErrorText",
     "<script>Object.defineProperty(ErrorEvent.prototype, 'message',"
     " { get: function () { return 'forged'; } });\n"
     "window.onload = function () { window.open('about:blank', '_blank', 'width=310,height=210');"
     " null.x; };</script>",
     "Blocked: no user action came before it.",
     "Asked for: popup 1 of the test page, on the page loading;", nullptr, "forged"},
    // The author's own page breaks on the null a blocked call returns.
    {"ThrowsAfterABlock",
     "<script>\nwindow.onload = function () {\n"
     "  var w = window.open('about:blank', '_blank', 'width=310,height=210');\n"
     "  w.focus();\n};\n</script>",
     "Blocked: no user action came before it.",
     "Asked for: popup 1 of the test page, on the page loading;",
     "Script error in the test page, line 4: Uncaught TypeError: Cannot read properties of null"},
};

#undef ORVANTA_OPEN_GO

class HostileTestPage : public ReportWindow,
                        public ::testing::WithParamInterface<HostileTestPageRow> {};

TEST_P(HostileTestPage, CannotChangeWhatTheReportSays) {
  const HostileTestPageRow& row = GetParam();
  // A window from an earlier preview stays open; it must not take the call.
  ASSERT_NO_FATAL_FAILURE(PreviewAPopupOnLoad());
  Button("chkAllowPopups")->setChecked(false);
  ClickTab(1);
  Box("txtCode")->setPlainText(QStringLiteral("<html><head><title>ready</title></head><body>") +
                               QString::fromLatin1(row.Body) + QStringLiteral("</body></html>"));
  bool loaded = false;
  QObject::connect(window_.get(), &FrmMain::previewLoadFinished, [&](int view, bool) {
    if (view == 1) loaded = true;
  });
  ClickTab(2);
  ASSERT_TRUE(WaitUntil([&] { return loaded; }, 60000));
  if (QString::fromLatin1(row.Verdict).startsWith("Opened")) {
    ASSERT_NO_FATAL_FAILURE(SetOffAt(QStringLiteral("#go"), true));
  }
  ASSERT_TRUE(WaitUntil([&] { return Text().startsWith(row.Verdict); }, 20000))
      << Text().toStdString();
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Text().contains("In front:") || Text().startsWith("Blocked") ||
               Text().startsWith("Opened in the page");
      },
      10000));
  const QString report = Text();
  EXPECT_TRUE(LineStarting(report, "Asked for:").startsWith(row.Asked)) << report.toStdString();
  EXPECT_EQ(report.count(QStringLiteral("popup 1")) + report.count(QStringLiteral("dialog 1")), 1)
      << report.toStdString();
  if (row.Also != nullptr) {
    EXPECT_TRUE(WaitUntil([&] { return !LineStarting(Text(), row.Also).isEmpty(); }, 5000))
        << Text().toStdString();
  }
  if (report.startsWith("Opened")) {
    EXPECT_TRUE(LineStarting(report, "Size:").startsWith("Size: asked 310 x 210,"))
        << report.toStdString();
    if (report.startsWith("Opened in the page")) {
      EXPECT_TRUE(LineStarting(report, "Size:").contains("given 310 x 210"))
          << report.toStdString();
    }
    const double delay = SecondsIn(LineStarting(report, "Delay:"), R"(^Delay: ([0-9.]+) s)");
    EXPECT_GE(delay, 0);
    EXPECT_LT(delay, 2) << report.toStdString();
    // The code shown is not what Generate Code made: no entered seconds.
    EXPECT_TRUE(LineStarting(report, "Delay:").contains("the code was edited after Generate Code"))
        << report.toStdString();
  }
  for (const QChar c : report)
    EXPECT_FALSE(c.unicode() < 0x20 && c != QLatin1Char('\n')) << report.toStdString();
  if (row.Never != nullptr) {
    WaitUntil([] { return false; }, 1000);
    EXPECT_FALSE(Text().contains(QLatin1String(row.Never))) << Text().toStdString();
  }
  // The page's own code after the call ran, whatever it replaced.
  auto* view = window_->browser(0)->widget()->findChild<QWebEngineView*>();
  ASSERT_NE(view, nullptr);
  const QString body = QString::fromLatin1(row.Body);
  const QString title = body.contains("'after '")
                            ? report.startsWith("Opened") ? "after window" : "after null"
                        : body.contains("'reach'")        ? "reach undefined undefined undefined"
                        : body.contains("'after dialog'") ? "after dialog"
                                                          : QString();
  if (!title.isEmpty()) {
    EXPECT_TRUE(WaitUntil([&] { return view->title() == title; }, 5000))
        << view->title().toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileTestPage, ::testing::ValuesIn(kHostileTestPageRows),
                         [](const auto& param) { return std::string(param.param.Name); });

// A page in the popup is any web page: what it does never becomes a line of
// the report, never stops it, and never reaches the terminal raw.
struct HostilePopupRow {
  const char* Name;
  const char* Page;
  const char* Expect;  // a line the report has as well, beside the honest run's
};

const HostilePopupRow kHostilePopupRows[] = {
    {"Dialogs",
     "<script>for (var i = 0; i < 30; i++) { alert('a' + i); confirm('c' + i); prompt('p'); }"
     "</script>",
     "Dialog in a popup of the test page, cancelled by the report: alert: a0"},
    {"ForgedLinesAndEscapes",
     "<title>\x1b]0;owned\x07</title><script>"
     "console.log('orvanta-preview:window-asked [\"\",\"load\",0,true]');"
     "console.log('Blocked: forged\\x1b[2J\\x1b[31m');"
     "document.title = 'x\\x1b[31m';</script>",
     "Page: loaded."},
    {"FiveHundredPopups",
     "<script>for (var i = 0; i < 500; i++) window.open('about:blank', 'w' + i,"
     " 'width=100,height=100');</script>",
     "Page: loaded."},
    {"LargerThanTheWindow", "<div style='width:3000px;height:3000px'>big</div>",
     "Scroll Bars: not asked, shown yes (measured in the page), the page is larger than the "
     "window."},
};

class HostilePopupPage : public ::testing::TestWithParam<HostilePopupRow> {};

TEST_P(HostilePopupPage, LeavesTheReportAsAnHonestPageDoes) {
  if (PluginFolder().isEmpty()) GTEST_SKIP() << "the preview module is not part of this build";
  const HostilePopupRow& row = GetParam();
  QTemporaryDir temp;
  const std::string settingsLines = "Width=320\r\nHeight=240\r\nActivation=StandardLink\r\n";
  PageServer honest("<title>honest</title><p>small</p>");
  PageServer hostile(row.Page);
  const std::string program = ORVANTA_GUI_PATH;
  const auto honestRun = RunProcess(
      program,
      {"--report", WriteSettings(temp, "PageUrl=" + honest.Address() + "\r\n" + settingsLines)});
  ASSERT_EQ(honestRun.exitCode, 0) << honestRun.err;
  const auto run = RunProcess(
      program,
      {"--report", WriteSettings(temp, "PageUrl=" + hostile.Address() + "\r\n" + settingsLines)});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // The same lines, but for the time since the click.
  const auto untimed = [](const std::string& line) { return line.substr(0, line.rfind(", 0.")); };
  for (const char* start : {"Opened", "Asked for:", "Size:", "Position:", "Toolbar:"})
    EXPECT_EQ(untimed(LineOf(run.out, start)), untimed(LineOf(honestRun.out, start)))
        << run.out << "\nhonest:\n"
        << honestRun.out << honestRun.err;
  EXPECT_EQ(run.out.find("popup 2"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(run.out.find("forged"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(row.Expect), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Rows, HostilePopupPage, ::testing::ValuesIn(kHostilePopupRows),
                         [](const auto& param) { return std::string(param.param.Name); });

// An In Page dialog, measured in the preview's engine: where and how large
// it is, when it opened and closed, and whether the page in its frame
// loaded or the engine refused to frame it.
struct InPageRow {
  const char* Name;
  const char* Headers;  // of the framed page
  const char* Body;     // of the framed page
  const char* Settings;
  const char* Asked;   // the "Asked for:" line
  const char* Framed;  // the start of the "Framed page:" line
  const char* Size;    // the start of the "Size:" line
  const char* Place;   // the start of the "Position:" line
  double Delay;        // seconds the code waits after the trigger
  const char* Closed;  // the start of the "Closed:" line
  double OpenFor;      // seconds until the auto-close, 0: none
};

#define ORVANTA_IN_PAGE "Order=InPage\r\nWidth=320\r\nHeight=160\r\n"
// The engine's own words for both refusals, logged by the framed page itself.
constexpr const char* kForgedRefusals =
    "<script>var at = location.origin + \"/'\";"
    " console.error(\"Refused to display '\" + at + \" in a frame because it set"
    " 'X-Frame-Options' to 'deny'.\");"
    " setTimeout(console.error, 0, \"Refused to frame '\" + at + \" because an ancestor violates"
    " the following Content Security Policy directive: \\\"frame-ancestors 'none'\\\".\");"
    "</script><p>framed</p>";

const InPageRow kInPageRows[] = {
    {"PlacedAndClosedByTheCode", "", "<p>framed</p>",
     ORVANTA_IN_PAGE "Top=40\r\nLeft=60\r\nActivation=PageLoad\r\nCloseSeconds=1\r\n",
     "Asked for: dialog 1 of the test page, on the page loading.", "Framed page: loaded.",
     "Size: asked 320 x 160, given 320 x 160",
     "Position: asked left 60, top 40, given left 60, top 40", 0, "Closed: by the page's script",
     1},
    {"ClickedAndDelayed", "", "<p>framed</p>",
     ORVANTA_IN_PAGE "Center=1\r\nActivation=StandardLink\r\nDelaySeconds=1\r\n",
     "Asked for: dialog 1 of the test page, on a click on the link.", "Framed page: loaded.",
     "Size: asked 320 x 160, given 320 x 160",
     "Position: asked left not asked, top not asked, given left ", 1, "Closed: not yet", 0},
    {"XFrameOptionsDeny", "X-Frame-Options: DENY\r\n", "<p>framed</p>",
     ORVANTA_IN_PAGE "Activation=PageLoad\r\n", "Asked for: dialog 1 of the test page, on ",
     "Framed page: refused framing (X-Frame-Options of http://127.0.0.1:",
     "Size: asked 320 x 160, given 320 x 160", "Position:", 0, "Closed: not yet", 0},
    {"FrameAncestorsNone", "Content-Security-Policy: frame-ancestors 'none'\r\n", "<p>framed</p>",
     ORVANTA_IN_PAGE "Activation=PageLoad\r\n", "Asked for: dialog 1 of the test page, on ",
     "Framed page: refused framing (frame-ancestors of http://127.0.0.1:",
     "Size: asked 320 x 160, given 320 x 160", "Position:", 0, "Closed: not yet", 0},
    // The framed page is any web page: the engine's words in its console are no refusal.
    {"FramedPageForgesARefusal", "", kForgedRefusals, ORVANTA_IN_PAGE "Activation=PageLoad\r\n",
     "Asked for: dialog 1 of the test page, on ", "Framed page: loaded.",
     "Size: asked 320 x 160, given 320 x 160", "Position:", 0, "Closed: not yet", 0},
};

#undef ORVANTA_IN_PAGE

class InPageReport : public ::testing::TestWithParam<InPageRow> {};

TEST_P(InPageReport, SaysWhatTheEngineDidWithTheDialog) {
  if (PluginFolder().isEmpty()) GTEST_SKIP() << "the preview module is not part of this build";
  const InPageRow& row = GetParam();
  PageServer framed(row.Body, row.Headers);
  QTemporaryDir temp;
  const auto run = RunProcess(
      ORVANTA_GUI_PATH,
      {"--report", WriteSettings(temp, "PageUrl=" + framed.Address() + "\r\n" + row.Settings)});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string& out = run.out;
  EXPECT_EQ(out.substr(0, out.find('\n')), "Opened in the page") << out;
  EXPECT_EQ(LineOf(out, "Asked for:").rfind(row.Asked, 0), 0U) << out;
  for (const char* start : {row.Framed, row.Size, row.Place, row.Closed})
    EXPECT_FALSE(LineOf(out, start).empty()) << start << "\n" << out;
  const QString delayLine = QString::fromStdString(LineOf(out, "Delay:"));
  const double delay =
      SecondsIn(delayLine, R"(^Delay: ([0-9.]+) s from the trigger to the dialog)");
  EXPECT_GE(delay, row.Delay - 0.05) << out;
  EXPECT_LT(delay, row.Delay + 0.5) << out;
  if (row.OpenFor > 0) {
    const double open = SecondsIn(QString::fromStdString(LineOf(out, "Closed:")),
                                  R"(^Closed: by the page's script ([0-9.]+) s after opening)");
    EXPECT_NEAR(open, row.OpenFor, 0.3) << out;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, InPageReport, ::testing::ValuesIn(kInPageRows),
                         [](const auto& param) { return std::string(param.param.Name); });

// Check in Browsers' preview column reads the report's own JSON: the
// verdict, the test page's script errors (not the link code's) and, for In
// Page, what became of the framed page.
struct ColumnRow {
  const char* Name;
  std::function<void(PopupFacts&)> Set;
  const char* Verdict;  // the column's verdict line
  QStringList Errors;
  const char* Load;
};

const ColumnRow kColumnRows[] = {
    {"BlockedWithAnError",
     [](PopupFacts&) {},
     "Blocked",
     {"line 4: Uncaught TypeError: w is null"},
     ""},
    {"InPageRefused",
     [](PopupFacts& f) {
       f.inPage = true;
       f.opened = true;
       f.framedLoaded = false;
       f.framedRefused = QStringLiteral("X-Frame-Options");
     },
     "Opened in the page",
     {"line 4: Uncaught TypeError: w is null"},
     "refused framing (X-Frame-Options)"},
    {"InPageLoaded",
     [](PopupFacts& f) {
       f.inPage = true;
       f.opened = true;
       f.framedLoaded = true;
     },
     "Opened in the page",
     {"line 4: Uncaught TypeError: w is null"},
     "loaded in the frame"},
};

// Where an In Page dialog lies against the page area it was measured in.
struct PlaceRow {
  const char* Name;
  QRect Asked;
  QRect Given;  // the dialog's place, with its frame's size
  const char* Says;
};

const PlaceRow kPlaceRows[] = {
    {"Inside", QRect(60, 40, 320, 160), QRect(60, 40, 320, 160),
     "Position: asked left 60, top 40, given left 60, top 40."},
    {"Centred", QRect(-1, -1, 320, 160), QRect(240, 220, 320, 160),
     "Position: asked left not asked, top not asked, given left 240, top 220 (placed by the "
     "browser) in the 800 x 600 page area."},
    {"PastTheRightEdge", QRect(600, 90, 380, 240), QRect(600, 90, 380, 240),
     "Position: asked left 600, top 90, given left 600, top 90, partly outside the 800 x 600 page "
     "area."},
};

class InPagePlaceRows : public ::testing::TestWithParam<PlaceRow> {};

TEST_P(InPagePlaceRows, SaysWhereTheDialogLies) {
  const PlaceRow& row = GetParam();
  PreviewReport report;
  PopupSettings entries;
  entries.Order = WindowOrder::InPage;
  report.Start(entries);
  PopupFacts f;
  f.number = 1;
  f.inPage = true;
  f.opened = true;
  f.asked = row.Asked;
  f.given = row.Given;
  f.screen = QRect(0, 0, 800, 600);
  report.Add(1, f);
  EXPECT_TRUE(report.Lines().contains(QString::fromLatin1(row.Says)))
      << report.Lines().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, InPagePlaceRows, ::testing::ValuesIn(kPlaceRows),
                         [](const auto& param) { return std::string(param.param.Name); });

class PreviewColumnRows : public ::testing::TestWithParam<ColumnRow> {};

TEST_P(PreviewColumnRows, CarriesWhatTheReportMeasured) {
  const ColumnRow& row = GetParam();
  PreviewReport report;
  report.Start(PopupSettings{});
  PopupFacts facts;
  facts.number = 1;
  row.Set(facts);
  report.Add(1, facts);
  report.AddNote(1, PageNote{PageNote::Kind::ScriptError,
                             QStringLiteral("Uncaught TypeError: w is null"), 4, false});
  report.AddNote(
      2, PageNote{PageNote::Kind::ScriptError, QStringLiteral("in the link code"), 2, false});
  const browsers::EngineResult column = PreviewColumn(report.Json());
  EXPECT_EQ(browsers::VerdictText(column).section(QLatin1Char(':'), 0, 0), row.Verdict);
  EXPECT_TRUE(column.ErrorsMeasured);
  EXPECT_EQ(column.Errors, row.Errors);
  EXPECT_EQ(column.Load, QString::fromLatin1(row.Load));
}

INSTANTIATE_TEST_SUITE_P(Rows, PreviewColumnRows, ::testing::ValuesIn(kColumnRows),
                         [](const auto& param) { return std::string(param.param.Name); });

// What --report does with its input and output when they are not the usual.
struct CommandRow {
  const char* Name;
  const char* Settings;
  std::vector<std::string> Args;  // around "--report FILE"
  const char* StdoutTo;
  const char* Platform;   // QT_QPA_PLATFORM, with no display to run on
  const char* WaitScale;  // ORVANTA_REPORT_WAIT_SCALE
  int Exit;
  const char* Says;  // in standard output, or in standard error when it fails
};

const CommandRow kCommandRows[] = {
    // The code waits 3e1 = 30 seconds after the click; the report waits as long.
    {"DelayWrittenWithAnExponent",
     "PageUrl=http://127.0.0.1:9/\r\nActivation=StandardLink\r\nDelaySeconds=3e1\r\n",
     {},
     "",
     "",
     "",
     0,
     "Blocked: the user's last action was 30."},
    // Clamped to 360 s by the code; the report waits that long, here scaled down.
    {"DelayClampedTo360",
     "PageUrl=http://127.0.0.1:9/\r\nActivation=StandardLink\r\nDelaySeconds=2147484\r\n",
     {},
     "",
     "",
     "0.01",
     0,
     "Waited 3.75 s after the trigger; the code's delay is 360 s."},
    {"JsonFirst",
     "PageUrl=http://127.0.0.1:9/\r\nActivation=PageLoad\r\n",
     {"--json"},
     "",
     "",
     "",
     0,
     "\"verdict\": \"blocked\""},
    {"OutputOnAFullDevice",
     "PageUrl=http://127.0.0.1:9/\r\nActivation=PageLoad\r\n",
     {},
     "/dev/full",
     "",
     "",
     1,
     "orvanta: the report was not written: No space left on device"},
    {"NoDisplay",
     "PageUrl=http://127.0.0.1:9/\r\n",
     {},
     "",
     "xcb",
     "",
     1,
     "orvanta: the display platform \"xcb\" cannot start"},
    {"UnknownOption",
     "PageUrl=http://127.0.0.1:9/\r\n",
     {"--fast"},
     "",
     "",
     "",
     2,
     "orvanta: unexpected \"--fast\""},
};

class ReportCommandRows : public ::testing::TestWithParam<CommandRow> {};

TEST_P(ReportCommandRows, EndsWithItsDocumentedCodeAndOneLine) {
  if (PluginFolder().isEmpty()) GTEST_SKIP() << "the preview module is not part of this build";
  const CommandRow& row = GetParam();
  QTemporaryDir temp;
  std::vector<std::string> args = row.Args;
  args.push_back("--report");
  args.push_back(WriteSettings(temp, row.Settings));
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  const QByteArray display = qgetenv("DISPLAY");
  if (*row.Platform != '\0') {
    qputenv("QT_QPA_PLATFORM", row.Platform);
    qunsetenv("DISPLAY");
  }
  if (*row.WaitScale != '\0') qputenv("ORVANTA_REPORT_WAIT_SCALE", row.WaitScale);
  const auto run = RunProcess(ORVANTA_GUI_PATH, args, row.StdoutTo);
  qunsetenv("ORVANTA_REPORT_WAIT_SCALE");
  qputenv("QT_QPA_PLATFORM", platform);
  if (!display.isEmpty()) qputenv("DISPLAY", display);
  EXPECT_EQ(run.exitCode, row.Exit) << run.out << run.err;
  const std::string& said = row.Exit == 0 ? run.out : run.err;
  EXPECT_NE(said.find(row.Says), std::string::npos) << run.out << run.err;
  // One line of its own; the engine may have said things before it.
  if (row.Exit == 1) {
    std::size_t lines = 0;
    for (std::size_t at = said.find("orvanta: "); at != std::string::npos;
         at = said.find("orvanta: ", at + 1))
      ++lines;
    EXPECT_EQ(lines, 1U) << said;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ReportCommandRows, ::testing::ValuesIn(kCommandRows),
                         [](const auto& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace orvanta::test
