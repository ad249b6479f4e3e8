// The WebEngine preview module, loaded and used the way the main window does:
// through QPluginLoader and the interfaces of modules/host/PreviewPlugin.h only.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPluginLoader>
#include <QPointer>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/Generator.h"
#include "modules/host/EngineEnvironment.h"
#include "modules/host/PreviewPlugin.h"
#include "preview/PopupRule.h"
#include "preview/TestPages.h"
#include "tests/support/EventWait.h"

// Readable rectangles in failure messages.
void PrintTo(const QRect& r, std::ostream* os) {
  *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

// The engine does its work through the event loop, which a wait must keep
// running without sleeping.
using orvanta::test_support::WaitUntil;

constexpr int kLoadTimeoutMs = 90000;

std::mutex g_messagesMutex;
std::vector<QString> g_messages;
QtMessageHandler g_previousHandler = nullptr;

void RecordMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  {
    std::lock_guard<std::mutex> lock(g_messagesMutex);
    g_messages.push_back(text);
  }
  if (g_previousHandler != nullptr) g_previousHandler(type, context, text);
}

void ClearMessages() {
  std::lock_guard<std::mutex> lock(g_messagesMutex);
  g_messages.clear();
}

bool SawMessage(const QString& part) {
  std::lock_guard<std::mutex> lock(g_messagesMutex);
  for (const QString& m : g_messages) {
    if (m.contains(part)) return true;
  }
  return false;
}

bool SawPageOutlivingProfile() { return SawMessage(QStringLiteral("still not deleted")); }

QPluginLoader& Loader() {
  static QPluginLoader loader(QStringLiteral(ORVANTA_WEBPREVIEW_MODULE));
  return loader;
}

orvanta::PreviewFactory* Factory() {
  return qobject_cast<orvanta::PreviewFactory*>(Loader().instance());
}

QWidget* WebView(orvanta::PreviewBrowser* browser) {
  for (QWidget* w : browser->widget()->findChildren<QWidget*>()) {
    if (w->inherits("QWebEngineView")) return w;
  }
  if (browser->widget()->inherits("QWebEngineView")) return browser->widget();
  return nullptr;
}

QString Title(QWidget* view) { return view->property("title").toString(); }

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(f.write(bytes), bytes.size());
}

const QString kSentinelTitle = QStringLiteral("sentinel");

// Makes the page set its title to kSentinelTitle `delayMs` after its load
// event: behind every load handler of the page and every timer they set
// with that delay or less.
void AddLoadSentinel(const std::string& page, int delayMs) {
  QFile f(QString::fromStdString(page));
  ASSERT_TRUE(f.open(QIODevice::Append)) << page;
  f.write(
      QStringLiteral("<script>window.addEventListener('load', function () {"
                     " setTimeout(function () { document.title = '%1'; }, %2); });</script>\r\n")
          .arg(kSentinelTitle)
          .arg(delayMs)
          .toLatin1());
}

// Everything queued so far, deferred deletions included, has run.
void Settle() { ASSERT_TRUE(orvanta::test_support::SettlePendingWork(10000)); }

// Records each key the page sees in its title, and the text of its input.
const char kKeyLogPage[] =
    "<html><head><title>ready</title><script>\n"
    "var seen = [];\n"
    "function note(t) { seen.push(t); document.title = seen.join(' '); }\n"
    "document.addEventListener('keydown', function (e) {\n"
    "  note((e.ctrlKey ? 'C-' : '') + (e.altKey ? 'A-' : '') + e.key); });\n"
    "document.addEventListener('contextmenu', function () { note('menu'); });\n"
    "</script></head><body style='margin:0'>\n"
    "<input id='box' autofocus oninput=\"note('value=' + this.value + ';')\""
    " style='width:100%;height:300px'>\n"
    "</body></html>\n";

class WebPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearMessages();
    factory_ = Factory();
    ASSERT_NE(factory_, nullptr) << Loader().errorString().toStdString();
    ASSERT_TRUE(dir_.isValid());
    folder_ = dir_.path() + QLatin1Char('/');
    host_ = std::make_unique<QWidget>();
    host_->resize(600, 500);
    new QVBoxLayout(host_.get());
  }

  void TearDown() override {
    factory_->shutdown();
    host_.reset();
    Settle();
    EXPECT_FALSE(SawPageOutlivingProfile());
  }

  struct Loads {
    int count = 0;
    bool lastOk = false;
  };

  // The views load only files they were given, as the program gives them
  // the pages and the picture it wrote.
  void ServePages() {
    const QStringList kinds{QStringLiteral("*.htm"), QStringLiteral("*.gif")};
    for (const QString& name : QDir(folder_).entryList(kinds)) factory_->serveFile(folder_ + name);
  }

  // The windows these tests look at open without a user action, as the
  // Preview page's "allow popups" lets them.
  orvanta::PreviewBrowser* AddBrowser(Loads* loads, bool allowPopups = true) {
    ServePages();
    orvanta::PreviewBrowser* browser = factory_->createBrowser(host_.get());
    browser->setPopupsAllowed(allowPopups);
    host_->layout()->addWidget(browser->widget());
    browser->setLoadFinishedHandler([loads](bool ok) {
      ++loads->count;
      loads->lastOk = ok;
    });
    return browser;
  }

  void ShowHost() {
    host_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host_.get()));
  }

  // Navigates and waits for that load to finish.
  bool Load(orvanta::PreviewBrowser* browser, Loads* loads, const QString& path) {
    const int before = loads->count;
    ServePages();
    browser->navigate(path);
    return WaitUntil([&] { return loads->count > before; }, kLoadTimeoutMs);
  }

  std::string WritePopupPage(
      const std::string& closeSeconds,
      orvanta::ActivationKind activation = orvanta::ActivationKind::PageLoad) {
    orvanta::PopupSettings typed;
    typed.Activation = activation;
    typed.Width = "400";
    typed.Height = "200";
    typed.Top = "10";
    typed.Left = "20";
    typed.CloseSeconds = closeSeconds;
    const orvanta::Generation generated = orvanta::GeneratePopupCode(typed);
    const std::string folder = folder_.toStdString();
    orvanta::WriteTestPages(folder, generated.Code.PopupCode, generated.Code.LinkCode);
    return folder + orvanta::kTestPageName;
  }

  orvanta::PreviewFactory* factory_ = nullptr;
  QTemporaryDir dir_;
  QString folder_;
  std::unique_ptr<QWidget> host_;
};

TEST(WebPreviewModule, LoadsThroughPluginLoaderAndGivesAFactory) {
  QPluginLoader& loader = Loader();
  ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
  EXPECT_EQ(loader.metaData().value(QStringLiteral("IID")).toString(),
            QStringLiteral(OrvantaPreviewFactory_iid));
  EXPECT_NE(qobject_cast<orvanta::PreviewFactory*>(loader.instance()), nullptr);
}

TEST_F(WebPreviewTest, PageNavigatedByPathFinishesLoadingAndShows) {
  WriteFile(folder_ + "plain.htm", "<html><head><title>plain page</title></head></html>");
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  EXPECT_EQ(browser->widget()->parentWidget(), host_.get());
  ShowHost();

  ASSERT_TRUE(Load(browser, &loads, folder_ + "plain.htm"));
  EXPECT_TRUE(loads.lastOk);
  EXPECT_TRUE(browser->widget()->isVisible());
  QWidget* view = WebView(browser);
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  EXPECT_EQ(Title(view), QStringLiteral("plain page"));
  EXPECT_TRUE(browser->popupWindows().isEmpty());
}

TEST_F(WebPreviewTest, StartingTheEngineChangesNoEnvironmentVariable) {
  // The engine's threads read the environment while they start; a change
  // made then would race them, and the user's browser would inherit it.
  const QStringList before = QProcessEnvironment::systemEnvironment().toStringList();
  WriteFile(folder_ + "plain.htm", "<html><head><title>plain</title></head></html>");
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  ShowHost();
  ASSERT_TRUE(Load(browser, &loads, folder_ + "plain.htm"));
  const QStringList after = QProcessEnvironment::systemEnvironment().toStringList();
  for (const QString& entry : after)
    EXPECT_TRUE(before.contains(entry)) << "set: " << entry.toStdString();
  for (const QString& entry : before)
    EXPECT_TRUE(after.contains(entry)) << "gone: " << entry.toStdString();
}

TEST_F(WebPreviewTest, FileNotGivenToTheViewsDoesNotLoad) {
  WriteFile(folder_ + "given.htm", "<html><head><title>given</title></head></html>");
  WriteFile(folder_ + "other.html", "<html><head><title>other</title></head></html>");
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  ShowHost();
  ASSERT_TRUE(Load(browser, &loads, folder_ + "other.html"));
  EXPECT_FALSE(loads.lastOk);
  EXPECT_NE(Title(WebView(browser)), QStringLiteral("other"));
  ASSERT_TRUE(Load(browser, &loads, folder_ + "given.htm"));
  EXPECT_TRUE(loads.lastOk);
  EXPECT_EQ(Title(WebView(browser)), QStringLiteral("given"));
}

TEST_F(WebPreviewTest, LoadFinishedFiresForEveryLoadWithItsOutcome) {
  WriteFile(folder_ + "a.htm", "<html><head><title>a</title></head></html>");
  WriteFile(folder_ + "b.htm", "<html><head><title>b</title></head></html>");
  struct Step {
    const char* file;
    bool ok;
    const char* title;
  };
  const Step steps[] = {
      {"a.htm", true, "a"}, {"b.htm", true, "b"}, {"a.htm", true, "a"}, {"a.htm", true, "a"}};
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  ShowHost();
  int expected = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.file);
    ASSERT_TRUE(Load(browser, &loads, folder_ + step.file));
    ++expected;
    EXPECT_EQ(loads.lastOk, step.ok);
    EXPECT_EQ(Title(WebView(browser)), QString::fromLatin1(step.title));
  }

  // A file that is not there still ends a load, as a failed one. A second
  // report of an earlier load would have come before this one.
  ASSERT_TRUE(Load(browser, &loads, folder_ + "missing.htm"));
  EXPECT_FALSE(loads.lastOk);
  EXPECT_EQ(loads.count, expected + 1);
}

TEST_F(WebPreviewTest, PagesSeeTheButtonPictureBesideThem) {
  WriteFile(folder_ + "picture.htm",
            "<html><head><title>waiting</title></head><body>"
            "<img src='gobutton.gif' onload=\"document.title='width ' + this.naturalWidth\""
            " onerror=\"document.title='no picture'\"></body></html>");
  orvanta::EnsureGoButton(folder_.toStdString());
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  ShowHost();
  ASSERT_TRUE(Load(browser, &loads, folder_ + "picture.htm"));
  QWidget* view = WebView(browser);
  ASSERT_TRUE(WaitUntil([&] { return Title(view) != QLatin1String("waiting"); }, 30000));
  EXPECT_TRUE(Title(view).startsWith(QLatin1String("width "))) << Title(view).toStdString();
  EXPECT_NE(Title(view), QStringLiteral("width 0"));
}

// What a crafted Page URL can put into a test page's script.
TEST_F(WebPreviewTest, PageScriptsCannotReadLocalFilesNorLogToTheConsole) {
  QTemporaryDir elsewhere;
  const QString secret = elsewhere.filePath(QStringLiteral("secret.txt"));
  WriteFile(secret, "SECRET");
  WriteFile(folder_ + "beside.txt", "BESIDE");
  WriteFile(folder_ + "probe.htm",
            "<html><head><title>waiting</title><script>\n"
            "function read(url) { try { var r = new XMLHttpRequest(); r.open('GET', url, false);\n"
            "  r.send(); return r.responseText; } catch (e) { return 'blocked'; } }\n"
            "console.log('orvanta-console-probe');\n"
            "</script></head><body><img src='gobutton.gif' onload=\"document.title = ['width',"
            " this.naturalWidth, read('" +
                QUrl::fromLocalFile(secret).toEncoded() +
                "'),"
                " read('beside.txt')].join(' ')\" onerror=\"document.title='no "
                "picture'\"></body></html>");
  orvanta::EnsureGoButton(folder_.toStdString());
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  ShowHost();
  ASSERT_TRUE(Load(browser, &loads, folder_ + "probe.htm"));
  QWidget* view = WebView(browser);
  ASSERT_TRUE(WaitUntil([&] { return Title(view) != QLatin1String("waiting"); }, 30000));
  EXPECT_EQ(Title(view).toStdString(), "width 24 blocked blocked");
  EXPECT_FALSE(SawMessage(QStringLiteral("orvanta-console-probe")));
}

TEST_F(WebPreviewTest, PageLoadPopupOpensAsTopLevelWindowAtTheRequestedPlace) {
  const std::string page = WritePopupPage("");
  AddLoadSentinel(page, 2500);
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  QList<QWidget*> opened;
  bool visibleWhenReported = false;
  browser->setPopupOpenedHandler([&](QWidget* popup) {
    visibleWhenReported = popup->isVisible();
    opened.append(popup);
  });
  ShowHost();
  browser->navigate(QString::fromStdString(page));

  ASSERT_TRUE(WaitUntil([&] { return !opened.isEmpty(); }, kLoadTimeoutMs));
  QWidget* popup = opened.front();
  EXPECT_TRUE(visibleWhenReported);
  EXPECT_TRUE(popup->isWindow());
  EXPECT_EQ(popup->parentWidget(), nullptr);
  EXPECT_TRUE(popup->inherits("QWebEngineView") || popup->findChild<QWidget*>() != nullptr);
  EXPECT_NE(popup->window(), host_->window());
  // The geometry a widget reports excludes the frame: that is the content.
  EXPECT_EQ(popup->geometry(), QRect(20, 10, 400, 200));
  EXPECT_EQ(browser->popupWindows(), QList<QWidget*>{popup});
  ASSERT_TRUE(WaitUntil([&] { return loads.count > 0; }, kLoadTimeoutMs));
  EXPECT_TRUE(loads.lastOk);

  // The popup stays until something closes it: an auto close of up to the
  // sentinel's delay would have come first.
  QPointer<QWidget> guard(popup);
  ASSERT_TRUE(WaitUntil([&] { return Title(WebView(browser)) == kSentinelTitle; }, 30000));
  Settle();
  EXPECT_FALSE(guard.isNull());
  EXPECT_EQ(opened.size(), 1);
}

TEST_F(WebPreviewTest, AutoClosePopupClosesByItself) {
  const std::string page = WritePopupPage("1");
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  QPointer<QWidget> popup;
  browser->setPopupOpenedHandler([&](QWidget* w) { popup = w; });
  ShowHost();
  browser->navigate(QString::fromStdString(page));

  ASSERT_TRUE(WaitUntil([&] { return !popup.isNull(); }, kLoadTimeoutMs));
  EXPECT_EQ(popup->geometry(), QRect(20, 10, 400, 200));
  ASSERT_TRUE(WaitUntil([&] { return browser->popupWindows().isEmpty(); }, 30000));
  // Closed means gone, page and all.
  EXPECT_TRUE(WaitUntil([&] { return popup.isNull(); }, 10000));
}

// The engine refuses a window asked for while the page is left, even with
// popups allowed; the preview opens none in its place and says why.
TEST_F(WebPreviewTest, PageClosePopupIsRefusedWhileThePageIsLeft) {
  const std::string page = WritePopupPage("", orvanta::ActivationKind::PageClose);
  WriteFile(folder_ + "next.htm", "<html><head><title>next</title></head></html>");
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  QList<QWidget*> opened;
  browser->setPopupOpenedHandler([&](QWidget* popup) { opened.append(popup); });
  std::vector<orvanta::PopupFacts> facts;
  browser->setPopupFactsHandler([&](const orvanta::PopupFacts& f) { facts.push_back(f); });
  ShowHost();
  ASSERT_TRUE(Load(browser, &loads, QString::fromStdString(page)));
  ASSERT_TRUE(Load(browser, &loads, folder_ + "next.htm"));
  ASSERT_TRUE(WaitUntil([&] { return !facts.empty(); }, 10000));
  Settle();
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_TRUE(browser->popupWindows().isEmpty());
  EXPECT_FALSE(facts.back().opened);
  EXPECT_TRUE(facts.back().leaving);
  EXPECT_EQ(facts.back().trigger, QStringLiteral("page close"));
}

TEST_F(WebPreviewTest, PopupsOfPopupsBelongToTheSameViewAndFollowMoveAndResize) {
  WriteFile(folder_ + "opener.htm",
            "<html><body onload=\"window.open('child.htm','child',"
            "'left=30,top=40,width=320,height=240')\"></body></html>");
  WriteFile(folder_ + "child.htm",
            "<html><head><title>child</title></head><body onload=\"window.open("
            "'grandchild.htm','grandchild','left=300,top=200,width=150,height=120')\">"
            "</body></html>");
  WriteFile(folder_ + "grandchild.htm",
            "<html><head><title>grandchild</title></head><body onload=\"setTimeout("
            "function () { window.moveTo(60, 70); window.resizeTo(250, 180); }, 300)\">"
            "</body></html>");
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  QList<QWidget*> opened;
  browser->setPopupOpenedHandler([&](QWidget* popup) { opened.append(popup); });
  ShowHost();
  browser->navigate(folder_ + "opener.htm");

  ASSERT_TRUE(WaitUntil([&] { return opened.size() == 2; }, kLoadTimeoutMs));
  EXPECT_EQ(opened[0]->geometry(), QRect(30, 40, 320, 240));
  EXPECT_EQ(browser->popupWindows().size(), 2);
  QWidget* grandchild = opened[1];
  EXPECT_EQ(grandchild->geometry(), QRect(300, 200, 150, 120));
  // moveTo and resizeTo place the outer window, frame included.
  const QRect moved(60, 70, 250, 180);
  static_cast<void>(WaitUntil([&] { return grandchild->frameGeometry() == moved; }, 30000));
  EXPECT_EQ(grandchild->frameGeometry(), moved);
}

TEST_F(WebPreviewTest, CloseAllPopupsClosesThemAndTheViewGoesOn) {
  const std::string page = WritePopupPage("");
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads);
  QPointer<QWidget> popup;
  browser->setPopupOpenedHandler([&](QWidget* w) { popup = w; });
  ShowHost();
  browser->navigate(QString::fromStdString(page));
  ASSERT_TRUE(WaitUntil([&] { return !popup.isNull(); }, kLoadTimeoutMs));

  factory_->closeAllPopups();
  EXPECT_TRUE(browser->popupWindows().isEmpty());
  // Closed outside any event loop, so deleted when the test's own level is.
  EXPECT_TRUE(QTest::qWaitFor([&] { return popup.isNull(); }, 10000));

  WriteFile(folder_ + "after.htm", "<html><head><title>after</title></head></html>");
  ASSERT_TRUE(Load(browser, &loads, folder_ + "after.htm"));
  EXPECT_TRUE(loads.lastOk);
  EXPECT_EQ(Title(WebView(browser)), QStringLiteral("after"));
}

TEST_F(WebPreviewTest, ShutdownDeletesPopupsAndPagesBeforeTheProfile) {
  const std::string page = WritePopupPage("");
  Loads first;
  Loads second;
  orvanta::PreviewBrowser* upper = AddBrowser(&first);
  orvanta::PreviewBrowser* lower = AddBrowser(&second);
  QPointer<QWidget> popup;
  upper->setPopupOpenedHandler([&](QWidget* w) { popup = w; });
  ShowHost();
  upper->navigate(QString::fromStdString(page));
  lower->navigate(folder_ + QString::fromLatin1(orvanta::kLinkTestPageName));
  ASSERT_TRUE(WaitUntil([&] { return !popup.isNull() && second.count > 0; }, kLoadTimeoutMs));
  QPointer<QWidget> upperView(WebView(upper));
  QPointer<QWidget> lowerView(WebView(lower));
  QPointer<QWidget> container(upper->widget());

  factory_->shutdown();
  EXPECT_TRUE(popup.isNull());
  EXPECT_TRUE(upperView.isNull());
  EXPECT_TRUE(lowerView.isNull());
  // The main window still owns the places the views sat in.
  EXPECT_FALSE(container.isNull());
  upper->navigate(QString::fromStdString(page));
  Settle();
  EXPECT_FALSE(SawPageOutlivingProfile());

  // The module can serve a new window after that.
  Loads again;
  orvanta::PreviewBrowser* fresh = AddBrowser(&again);
  WriteFile(folder_ + "again.htm", "<html><head><title>again</title></head></html>");
  ASSERT_TRUE(Load(fresh, &again, folder_ + "again.htm"));
  EXPECT_TRUE(again.lastOk);
}

// The engine's popup rule, measured with the input a user makes: what
// window.open returned in the page (its title), whether a window came, and
// what the probe reported.
enum class Input { None, Hover, Click };

struct RuleRow {
  const char* Name;
  const char* Body;  // the page's BODY; it names the link "go"
  Input Act;
  bool Allowed;  // popups allowed for the test page
  bool Opens;
};

#define ORVANTA_OPEN                                                                            \
  "document.title = window.open('about:blank', '_blank', 'width=200,height=100') ? 'window' : " \
  "'null'"

const RuleRow kRuleRows[] = {
    {"PageLoad", "<body onload=\"" ORVANTA_OPEN "\"><a id=go href=#>go</a>", Input::None, false,
     false},
    {"MouseOver", "<body><a id=go href=# onmouseover=\"" ORVANTA_OPEN "\">go</a>", Input::Hover,
     false, false},
    {"Click", "<body><a id=go href=# onclick=\"" ORVANTA_OPEN "\">go</a>", Input::Click, false,
     true},
    {"ScriptClick",
     "<body onload=\"document.getElementById('go').click()\">"
     "<a id=go href=# onclick=\"" ORVANTA_OPEN "\">go</a>",
     Input::None, false, false},
    {"Click7sEarlier",
     "<body><a id=go href=# onclick=\"setTimeout(function () {" ORVANTA_OPEN "}, 7000)\">go</a>",
     Input::Click, false, false},
    {"PageLoadAllowed", "<body onload=\"" ORVANTA_OPEN "\"><a id=go href=#>go</a>", Input::None,
     true, true},
};

#undef ORVANTA_OPEN

class PopupRule : public WebPreviewTest, public ::testing::WithParamInterface<RuleRow> {};

TEST_P(PopupRule, WindowOpenWorksOnlyRightAfterTheUsersInput) {
  const RuleRow& row = GetParam();
  WriteFile(folder_ + "rule.htm", QByteArray("<html><head><title>waiting</title></head>") +
                                      row.Body + "<div style='height:3000px'></div></body></html>");
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads, row.Allowed);
  QList<QWidget*> opened;
  browser->setPopupOpenedHandler([&](QWidget* popup) { opened.append(popup); });
  std::vector<orvanta::PopupFacts> facts;
  browser->setPopupFactsHandler([&](const orvanta::PopupFacts& f) { facts.push_back(f); });
  ShowHost();
  ASSERT_TRUE(Load(browser, &loads, folder_ + "rule.htm"));
  QWidget* view = WebView(browser);
  if (row.Act != Input::None) {
    std::optional<QRect> at;
    browser->locate(QStringLiteral("#go"), [&](QRect r) { at = r; });
    ASSERT_TRUE(WaitUntil([&] { return at.has_value(); }, 10000));
    QWidget* input = view->focusProxy() != nullptr ? view->focusProxy() : view;
    QTest::mouseMove(input, at->bottomRight() + QPoint(40, 40));
    QTest::mouseMove(input, at->center());
    if (row.Act == Input::Click) QTest::mouseClick(input, Qt::LeftButton, {}, at->center());
  }
  ASSERT_TRUE(WaitUntil([&] { return Title(view) != QLatin1String("waiting"); }, 20000));
  EXPECT_EQ(Title(view), row.Opens ? "window" : "null");
  ASSERT_TRUE(WaitUntil([&] { return !facts.empty(); }, 5000));
  Settle();
  EXPECT_EQ(opened.size(), row.Opens ? 1 : 0);
  const orvanta::PopupFacts& f = facts.back();
  EXPECT_EQ(f.opened, row.Opens);
  EXPECT_EQ(f.allowedOnly, row.Allowed && row.Opens);
  EXPECT_EQ(f.features, QStringLiteral("width=200,height=100"));
  // The click seven seconds before is the last action the report names.
  if (row.Act == Input::Click && !row.Opens) {
    ASSERT_TRUE(f.sinceActionMs.has_value());
    EXPECT_GE(*f.sinceActionMs, 6900);
  }
  if (row.Act == Input::None) {
    EXPECT_FALSE(f.sinceActionMs.has_value());
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, PopupRule, ::testing::ValuesIn(kRuleRows),
                         [](const auto& param) { return std::string(param.param.Name); });

// The HTML standard's "popup window is requested" check decides between a
// popup window and a tab; the engine's answer for the same feature strings.
TEST_F(WebPreviewTest, FeatureStringsAskForATabAsTheEngineSays) {
  const char* const kFeatures[] = {
      "width=200,height=100",
      "toolbar,location,directories,status,menubar,scrollbars,resizable,width=400,height=300",
      "location,menubar,scrollbars,status",
      "toolbar=1,menubar=1,scrollbars=1,status=1,resizable=0",
      "popup=1,toolbar,location,menubar,scrollbars,status",
      "popup=0,width=100",
  };
  QByteArray links;
  for (std::size_t i = 0; i < std::size(kFeatures); ++i)
    links += QByteArray("<a id=f") + QByteArray::number(static_cast<int>(i)) +
             " href=# style='display:block;height:30px' onclick=\"window.open('about:blank',"
             " '_blank', '" +
             kFeatures[i] + "')\">f</a>";
  WriteFile(folder_ + "tabs.htm", "<html><body style='margin:0'>" + links + "</body></html>");
  Loads loads;
  orvanta::PreviewBrowser* browser = AddBrowser(&loads, false);
  std::vector<orvanta::PopupFacts> facts;
  browser->setPopupFactsHandler([&](const orvanta::PopupFacts& f) {
    if (!f.engineWindow.isEmpty() && !f.features.isEmpty()) facts.push_back(f);
  });
  ShowHost();
  ASSERT_TRUE(Load(browser, &loads, folder_ + "tabs.htm"));
  QWidget* view = WebView(browser);
  QWidget* input = view->focusProxy() != nullptr ? view->focusProxy() : view;
  for (std::size_t i = 0; i < std::size(kFeatures); ++i) {
    SCOPED_TRACE(kFeatures[i]);
    facts.clear();
    QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(5, 15 + 30 * static_cast<int>(i)));
    ASSERT_TRUE(WaitUntil([&] { return !facts.empty(); }, 10000));
    const bool tab = facts.back().engineWindow.contains(QLatin1String("tab"));
    EXPECT_EQ(orvanta::PopupWindowRequested(kFeatures[i]), !tab)
        << facts.back().engineWindow.toStdString();
    factory_->closeAllPopups();
    Settle();
  }
}

class CustomizerTest : public WebPreviewTest {
 protected:
  // Loads the key-logging page into a shown, focused view.
  void Prepare() {
    WriteFile(folder_ + "keys.htm", kKeyLogPage);
    browser_ = AddBrowser(&loads_);
    ShowHost();
    ASSERT_TRUE(Load(browser_, &loads_, folder_ + "keys.htm"));
    view_ = WebView(browser_);
    ASSERT_NE(view_, nullptr);
    customizer_ = view_->findChild<QObject*>(QStringLiteral("browserCustomizer"));
    ASSERT_NE(customizer_, nullptr);
    input_ = view_->focusProxy() != nullptr ? view_->focusProxy() : view_;
    host_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    input_->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return input_->hasFocus(); }, 5000));
  }

  // Types a marker key and waits until the page has seen it, so that every
  // key sent before it has been through the page too.
  void Flush() {
    QTest::keyClick(input_, Qt::Key_Q);
    ASSERT_TRUE(WaitUntil(
        [&] {
          return Title(view_).contains(QLatin1String(" q")) ||
                 Title(view_).startsWith(QLatin1String("q"));
        },
        30000))
        << Title(view_).toStdString();
  }

  Loads loads_;
  orvanta::PreviewBrowser* browser_ = nullptr;
  QWidget* view_ = nullptr;
  QWidget* input_ = nullptr;
  QObject* customizer_ = nullptr;
};

TEST_F(CustomizerTest, BothSettingsAreOffOnEveryView) {
  Prepare();
  EXPECT_EQ(customizer_->property("contextMenu"), QVariant(false));
  EXPECT_EQ(customizer_->property("browserShortcuts"), QVariant(false));
}

struct ShortcutCase {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* seenAs;  // how the page's keydown listener logs it
};

const ShortcutCase kBrowserShortcuts[] = {
    {"reload", Qt::Key_F5, Qt::NoModifier, "F5"},
    {"reload with control", Qt::Key_R, Qt::ControlModifier, "C-r"},
    {"back", Qt::Key_Left, Qt::AltModifier, "A-ArrowLeft"},
    {"forward", Qt::Key_Right, Qt::AltModifier, "A-ArrowRight"},
    {"zoom in", Qt::Key_Equal, Qt::ControlModifier, "C-="},
    {"zoom out", Qt::Key_Minus, Qt::ControlModifier, "C--"},
    {"zoom reset", Qt::Key_0, Qt::ControlModifier, "C-0"},
};

class KeyCounter : public QObject {
 public:
  QStringList presses;  // the keys that came through

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    // A modifier pressed on its own is no shortcut; the page passes it on,
    // as it passes on Flush()'s plain marker key, sometimes after the page has seen it.
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key != Qt::Key_Control && key != Qt::Key_Alt && key != Qt::Key_Shift && key != Qt::Key_Q)
        presses << QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()).toString();
    }
    return false;
  }
};

TEST_F(CustomizerTest, BrowserShortcutsNeverReachThePageOrLeaveTheView) {
  Prepare();
  KeyCounter aboveView;
  browser_->widget()->installEventFilter(&aboveView);
  for (const ShortcutCase& c : kBrowserShortcuts) QTest::keyClick(input_, c.key, c.modifiers);
  Flush();
  const QString seen = Title(view_);
  for (const ShortcutCase& c : kBrowserShortcuts) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(
        seen.split(QLatin1Char(' ')).contains(QLatin1String(c.seenAs), Qt::CaseInsensitive))
        << seen.toStdString();
  }
  EXPECT_TRUE(aboveView.presses.isEmpty())
      << aboveView.presses.join(QLatin1Char(' ')).toStdString();
}

TEST_F(CustomizerTest, WithShortcutsOnTheSameKeysGetThrough) {
  // The counter-check: the keys above are delivered and would be seen.
  Prepare();
  customizer_->setProperty("browserShortcuts", true);
  for (const ShortcutCase& c : kBrowserShortcuts) QTest::keyClick(input_, c.key, c.modifiers);
  Flush();
  const QStringList seen = Title(view_).split(QLatin1Char(' '));
  for (const ShortcutCase& c : kBrowserShortcuts) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(seen.contains(QLatin1String(c.seenAs), Qt::CaseInsensitive))
        << Title(view_).toStdString();
  }
}

TEST_F(CustomizerTest, TypingIntoThePageStillWorks) {
  Prepare();
  // Into the box, as a user does: autofocus may come late on a busy machine.
  QTest::mouseClick(input_, Qt::LeftButton, {}, QPoint(40, 40));
  QTest::keyClicks(input_, QStringLiteral("ab1"));
  QTest::keyClick(input_, Qt::Key_Backspace);
  QTest::keyClicks(input_, QStringLiteral("C d"));
  QTest::keyClick(input_, Qt::Key_Left);
  QTest::keyClick(input_, Qt::Key_Home);
  QTest::keyClicks(input_, QStringLiteral("<"));
  EXPECT_TRUE(
      WaitUntil([&] { return Title(view_).endsWith(QLatin1String("value=<abC d;")); }, 30000))
      << Title(view_).toStdString();
}

TEST_F(CustomizerTest, ControlWheelDoesNotZoomUnlessShortcutsAreOn) {
  Prepare();
  const QPoint centre = input_->rect().center();
  auto controlWheel = [&] {
    QWheelEvent wheel(QPointF(centre), QPointF(input_->mapToGlobal(centre)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(input_, &wheel);
  };
  const double before = view_->property("zoomFactor").toDouble();
  controlWheel();
  // The page sees a key sent after the wheel once the wheel is dealt with.
  Flush();
  EXPECT_DOUBLE_EQ(view_->property("zoomFactor").toDouble(), before);

  customizer_->setProperty("browserShortcuts", true);
  controlWheel();
  EXPECT_TRUE(
      WaitUntil([&] { return view_->property("zoomFactor").toDouble() > before + 0.01; }, 3000));
}

QWidget* OpenMenu() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMenu*>(w) != nullptr && w->isVisible()) return w;
  }
  return nullptr;
}

struct MenuCase {
  bool enabled;
  bool menuExpected;
};

class ContextMenuTest : public CustomizerTest, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(ContextMenuTest, RightClickShowsAMenuOnlyWhenEnabled) {
  Prepare();
  customizer_->setProperty("contextMenu", GetParam().enabled);
  QTest::mouseClick(input_, Qt::RightButton, Qt::NoModifier, input_->rect().center());
  // The page gets the click first; the engine asks for a menu after that.
  ASSERT_TRUE(WaitUntil([&] { return Title(view_).contains(QLatin1String("menu")); }, 30000));
  bool shown = false;
  if (GetParam().menuExpected) {
    shown = WaitUntil([] { return OpenMenu() != nullptr; }, 30000);
  } else {
    // The page sees a later key only after the engine has asked for a menu.
    Flush();
    shown = OpenMenu() != nullptr;
  }
  EXPECT_EQ(shown, GetParam().menuExpected);
  QWidget* menu = OpenMenu();
  if (menu != nullptr) menu->close();
}

INSTANTIATE_TEST_SUITE_P(Customizer, ContextMenuTest,
                         ::testing::Values(MenuCase{false, false}, MenuCase{true, true}),
                         [](const auto& param) {
                           return std::string(param.param.enabled ? "Enabled" : "Disabled");
                         });

}  // namespace

int main(int argc, char** argv) {
  g_previousHandler = qInstallMessageHandler(RecordMessage);
  ::testing::InitGoogleTest(&argc, argv);
  // ctest lists the cases to register them; that needs no display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  orvanta::PrepareEngineEnvironment();
  QApplication app(argc, argv);
  const int result = RUN_ALL_TESTS();
  if (orvanta::PreviewFactory* factory = Factory()) factory->shutdown();
  return result;
}
