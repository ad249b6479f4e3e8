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
#include <xcb/xcb.h>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>

#include "core/WindowFeatures.h"
#include "modules/host/PreviewPlugin.h"
#include "tests/cli/Process.h"
#include "tests/ui/UiTest.h"

namespace orvanta::test {
namespace {

enum class SetOff { None, PreviewAgain, ClickLink, HoverLink };

struct ReportRow {
  const char* name;
  std::function<void(PopupSettings&)> set;
  SetOff setOff;
  const char* openedWords;  // in the "Opened:" line
};

void AllOptions(PopupSettings& s) { s.WindowOptions.fill(1); }

const ReportRow kRows[] = {
    {"Centred400x200",
     [](PopupSettings& s) {
       s.Center = 1;
       s.Width = "400";
       s.Height = "200";
     },
     SetOff::None, "on the page loading"},
    {"Delay5s", [](PopupSettings& s) { s.DelaySeconds = "5"; }, SetOff::None,
     "on the page loading"},
    {"AutoClose3s", [](PopupSettings& s) { s.CloseSeconds = "3"; }, SetOff::None,
     "on the page loading"},
    {"PopupUnder", [](PopupSettings& s) { s.Order = WindowOrder::PopupUnder; }, SetOff::None,
     "on the page loading"},
    {"PageClose", [](PopupSettings& s) { s.Activation = ActivationKind::PageClose; },
     SetOff::PreviewAgain, "on the page closing; the engine refuses it"},
    {"MouseOver", [](PopupSettings& s) { s.Activation = ActivationKind::MouseOver; },
     SetOff::HoverLink, "on the mouse over the link, user gesture: no"},
    {"AllOptions",
     [](PopupSettings& s) {
       AllOptions(s);
       s.Activation = ActivationKind::StandardLink;
     },
     SetOff::ClickLink, "on a click on the link, user gesture: yes"},
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

// What the page in the popup itself says about its bars.
QList<bool> BarsReadBy(QWidget* popup) {
  auto* view = qobject_cast<QWebEngineView*>(popup);
  std::optional<QVariant> answer;
  view->page()->runJavaScript(
      QStringLiteral("[toolbar, locationbar, personalbar, statusbar, menubar, scrollbars]"
                     ".map(function (b) { return b.visible; })"),
      [&answer](const QVariant& v) { answer = v; });
  WaitUntil([&] { return answer.has_value(); }, 10000);
  QList<bool> bars;
  for (const QVariant& v : answer.value_or(QVariant()).toList()) bars << v.toBool();
  return bars;
}

class Report : public WindowTest, public ::testing::WithParamInterface<ReportRow> {
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
    ClickTab(2);
    ASSERT_TRUE(WaitUntil([&] { return !LineStarting(Text(), "Order:").isEmpty(); }, 60000));
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

TEST_P(Report, EachLineSaysWhatThePopupWindowDid) {
  const ReportRow& row = GetParam();
  PopupSettings entries;
  entries.PageUrl = "http://127.0.0.1:9/";  // refused at once, no network needed
  entries.Activation = ActivationKind::PageLoad;
  row.set(entries);
  window_->FillScreen(entries);
  Click(Button("cmdGo_0"));

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
  EXPECT_EQ(Text(), "No popup was asked for yet.");
  ASSERT_TRUE(WaitUntil([&] { return loadedAt >= 0; }, 60000));
  qint64 setOffAt = loadedAt;
  if (row.setOff != SetOff::None) {
    ASSERT_EQ(popup, nullptr) << "opened before its trigger";
    setOffAt = clock.elapsed();
  }
  switch (row.setOff) {
    case SetOff::None:
      break;
    case SetOff::PreviewAgain:
      ClickTab(2);
      break;
    case SetOff::ClickLink:
      SetOffAt(QStringLiteral("a[href]"), true);
      break;
    case SetOff::HoverLink:
      SetOffAt(QStringLiteral("a[onmouseover]"), false);
      break;
  }
  ASSERT_TRUE(WaitUntil([&] { return popup != nullptr; }, 20000));
  const QPointer<QWidget> window(popup);
  // Complete once the window settled and its page answered.
  ASSERT_TRUE(WaitUntil(
      [&] {
        return !LineStarting(Text(), "Order:").isEmpty() &&
               !LineStarting(Text(), "Toolbar:").endsWith("not measurable here.");
      },
      10000))
      << Text().toStdString();
  const QString report = Text();
  const QRect given = popup->geometry();

  EXPECT_NE(LineStarting(report, "Opened: popup 1 of the test page").indexOf(row.openedWords), -1)
      << report.toStdString();
  EXPECT_NE(LineStarting(report, "Size:").indexOf(
                QStringLiteral("given %1 x %2,").arg(given.width()).arg(given.height())),
            -1)
      << report.toStdString();
  const QString position = LineStarting(report, "Position:");
  EXPECT_NE(position.indexOf(QStringLiteral("given left %1, top %2").arg(given.x()).arg(given.y())), -1)
      << report.toStdString();
  const QRect screen = popup->screen()->geometry();
  const QPoint offCentre = given.center() - screen.center();
  EXPECT_EQ(position.contains("centred on the"),
            std::abs(offCentre.x()) <= 1 && std::abs(offCentre.y()) <= 1)
      << position.toStdString();
  if (entries.Center == 1) {
    EXPECT_TRUE(position.contains("centred on the")) << position.toStdString();
  }

  // Each option as ticked, and as the window and its page show it.
  const QList<bool> bars = BarsReadBy(popup);
  ASSERT_EQ(bars.size(), 6);
  const QWindow* handle = popup->windowHandle();
  const bool resizable = handle->minimumSize() != handle->maximumSize();
  for (int i = 0; i < kWindowOptionCount; ++i) {
    const QString line = LineStarting(report, QString::fromLatin1(kWindowOptions[i].Caption) + ':');
    const QString asked = entries.WindowOptions[i] == 1 ? "asked yes" : "not asked";
    EXPECT_TRUE(line.contains(asked)) << line.toStdString();
    std::optional<bool> shown;
    if (i < 6) shown = bars[i];
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
  EXPECT_EQ(LineStarting(report, "Order:").contains("the focus is on the popup"), popupHasFocus)
      << report.toStdString();

  const double delay = SecondsIn(LineStarting(report, "Delay:"), R"(^Delay: ([0-9.]+) s)");
  const double measuredDelay = static_cast<double>(openedAt - setOffAt) / 1000.0;
  EXPECT_NEAR(delay, measuredDelay, 0.3) << report.toStdString();
  if (!entries.DelaySeconds.empty()) {
    EXPECT_GE(measuredDelay, 4.9);
  }

  if (entries.CloseSeconds.empty()) {
    EXPECT_TRUE(LineStarting(report, "Closed:").startsWith("Closed: not yet")) << report.toStdString();
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
  xcb_send_event(c, 0, close.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&close));
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
  file.write("[Popup]\r\nPageUrl=http://127.0.0.1:9/\r\nWidth=320\r\nHeight=240\r\n"
             "CloseSeconds=1\r\nActivation=PageLoad\r\n");
  file.close();
  const std::string program = ORVANTA_GUI_PATH;
  const auto run = RunProcess(program, {"--report", settings.toStdString(), "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const QJsonObject report = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
  const QJsonObject popup = report["popups"].toArray().at(0).toObject();
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

}  // namespace
}  // namespace orvanta::test
