// The preview page with the real browser module: test pages, loads and the
// popup windows the generated code opens.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "modules/host/ModuleHost.h"
#include "modules/host/PreviewPlugin.h"
#include "tests/ui/UiTest.h"

namespace orvanta::test {
namespace {

class Preview : public WindowTest {
 protected:
  void SetUp() override {
    if (PluginFolder().isEmpty()) GTEST_SKIP() << "the preview module is not part of this build";
    WindowTest::SetUp();
  }

  QList<QWidget*> Popups() const {
    QList<QWidget*> all;
    for (int i = 0; i < 2; ++i)
      if (window_->browser(i) != nullptr) all += window_->browser(i)->popupWindows();
    return all;
  }

  void EnterPageLoadPopup(const char* closeSeconds) {
    TypeOver(Line("txtPixels_0"), "400");
    TypeOver(Line("txtPixels_1"), "200");
    TypeOver(Line("txtPixels_2"), "10");
    TypeOver(Line("txtPixels_3"), "20");
    TypeOver(Line("txtDelay_1"), closeSeconds);
    Click(Button("OptAction_1"));
  }
};

TEST_F(Preview, BeforeAnyGenerationShowsBlankPages) {
  ClickTab(2);
  EXPECT_TRUE(InFront(Child<QWidget>("FrmView_1")));
  ASSERT_TRUE(WaitForPreviewLoads());
  EXPECT_TRUE(loadsOk_);
  EXPECT_EQ(ReadWorkFile("test_page.htm"), QByteArray("\r\n"));
  EXPECT_EQ(
      ReadWorkFile("test_link.htm"),
      QByteArray("<html><head><title>Popup Test Page</title></head><body></body></html>\r\n"));
  ASSERT_NE(window_->browser(0), nullptr);
  EXPECT_EQ(window_->browser(0)->widget()->objectName(), "WebBrowser1");
  EXPECT_EQ(window_->browser(1)->widget()->objectName(), "WebBrowser2");
  EXPECT_TRUE(window_->browser(0)->widget()->isVisible());
  EXPECT_TRUE(Popups().isEmpty());
}

TEST_F(Preview, WritesBothPagesFromTheBoxesAsTheyStand) {
  Click(Button("cmdGo_0"));
  Box("txtCode")->appendPlainText(QStringLiteral("<!-- my note -->"));
  Box("txtCodeLink")->setPlainText(QStringLiteral("<b>my link</b>"));
  ClickTab(2);
  ASSERT_TRUE(WaitForPreviewLoads());
  // The code ends with a line break, so the appended line follows an empty one.
  EXPECT_TRUE(ReadWorkFile("test_page.htm").endsWith("</HTML>\r\n\r\n<!-- my note -->\r\n"));
  EXPECT_EQ(ReadWorkFile("test_link.htm"),
            QByteArray("<html><head><title>Popup Test Page</title></head><body><b>my link</b>"
                       "</body></html>\r\n"));

  // Every later choice of the tab loads both pages again.
  loadedViews_.clear();
  ClickTab(0);
  ClickTab(2);
  EXPECT_TRUE(WaitForPreviewLoads());
}

TEST_F(Preview, PageLoadOpensATopLevelPopupWhereTheEntriesSay) {
  EnterPageLoadPopup("");
  Click(Button("cmdGo_0"));
  Button("chkAllowPopups")->setChecked(true);
  QWidget* opened = nullptr;
  QObject::connect(window_.get(), &FrmMain::previewPopupOpened,
                   [&](QWidget* popup) { opened = popup; });
  ClickTab(2);
  ASSERT_TRUE(WaitUntil([&] { return opened != nullptr; }, 60000));
  EXPECT_TRUE(opened->isWindow());
  EXPECT_TRUE(opened->isVisible());
  EXPECT_TRUE(WaitUntil([&] { return opened->geometry() == QRect(20, 10, 400, 200); }, 5000))
      << opened->geometry().x() << "," << opened->geometry().y() << " "
      << opened->geometry().width() << "x" << opened->geometry().height();
  EXPECT_EQ(Popups().size(), 1);

  // Popups close with the main window.
  window_->close();
  EXPECT_TRUE(WaitUntil([&] { return Popups().isEmpty(); }, 5000));
}

TEST_F(Preview, MouseOverIsSetOffFromTheKeyboard) {
  Click(Button("OptAction_4"));
  Click(Button("cmdGo_0"));
  Button("chkAllowPopups")->setChecked(true);
  QWidget* opened = nullptr;
  QObject::connect(window_.get(), &FrmMain::previewPopupOpened,
                   [&](QWidget* popup) { opened = popup; });
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_3, Qt::AltModifier);
  ASSERT_TRUE(WaitForPreviewLoads());
  EXPECT_EQ(opened, nullptr) << "nothing opens before the pointer comes";
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::ControlModifier);
  EXPECT_TRUE(WaitUntil([&] { return opened != nullptr; }, 30000));
}

TEST_F(Preview, AutoCloseClosesThePopupAgain) {
  EnterPageLoadPopup("1");
  Click(Button("cmdGo_0"));
  Button("chkAllowPopups")->setChecked(true);
  ClickTab(2);
  ASSERT_TRUE(WaitUntil([&] { return !Popups().isEmpty(); }, 60000));
  EXPECT_TRUE(WaitUntil([&] { return Popups().isEmpty(); }, 10000));
}

TEST_F(Preview, FallsBackToTheDataFolderWhenTheProgramFolderIsReadOnly) {
  FrmMainHooks hooks;
  hooks.programFolder = QStringLiteral("/proc");
  hooks.dataFolder = temp_->filePath(QStringLiteral("user/data"));
  Open(hooks);
  EXPECT_TRUE(window_->workFolder().startsWith(temp_->filePath(QStringLiteral("user/data/work-"))));
  EXPECT_FALSE(QFile::exists(temp_->filePath(QStringLiteral("user")))) << "made when pages are";
  Click(Button("OptAction_5"));
  Click(Button("cmdGo_0"));
  ClickTab(2);
  ASSERT_TRUE(WaitForPreviewLoads());
  EXPECT_TRUE(loadsOk_);
  EXPECT_TRUE(ReadWorkFile("test_page.htm").contains("gobutton.gif"));
}

TEST_F(Preview, TabVisitsTheViewsOnlyWhileThePreviewIsInFront) {
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  ClickTab(2);
  ASSERT_TRUE(WaitForPreviewLoads());
  const auto tabChain = [] {
    QStringList stops;
    for (int i = 0; i < 50; ++i) {
      QWidget* at = QApplication::focusWidget();
      // A view's page takes the focus inside the view.
      while (at->objectName().isEmpty() && at->parentWidget() != nullptr) at = at->parentWidget();
      stops << at->objectName();
      // A page hands the focus on when it has gone through its own links.
      QWidget* from = QApplication::focusWidget();
      QTest::keyClick(from, Qt::Key_Tab);
      EXPECT_TRUE(WaitUntil([from] { return QApplication::focusWidget() != from; }, 5000));
    }
    stops.removeDuplicates();
    return stops.join(' ').toStdString();
  };
  EXPECT_EQ(tabChain(),
            "WebBrowser1 chkAllowPopups txtReport picHelp_1 WebBrowser2 cmdsrc_2 cmdCheckBrowsers "
            "tbsOptions");
  ClickTab(0);
  const std::string mainStops = tabChain();
  EXPECT_EQ(mainStops.find("WebBrowser"), std::string::npos) << mainStops;
  EXPECT_EQ(mainStops.find("cmdsrc_2"), std::string::npos) << mainStops;
}

TEST_F(Preview, F1InsideAPreviewViewOpensTheManual) {
  const QString manual = QDir(programFolder_).filePath(QStringLiteral("help/index.html"));
  ASSERT_TRUE(QDir().mkpath(QDir(programFolder_).filePath(QStringLiteral("help"))));
  QFile file(manual);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  ClickTab(2);
  ASSERT_TRUE(WaitForPreviewLoads());
  window_->browser(0)->widget()->setFocus();
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  ASSERT_TRUE(window_->browser(0)->widget()->isAncestorOf(focus) ||
              focus == window_->browser(0)->widget());
  QTest::keyClick(focus, Qt::Key_F1);
  QApplication::processEvents();
  EXPECT_EQ(shellTargets_, QStringList{manual});
}

// Pages that try to take the program down. While a page's dialog is open the
// engine waits inside the event loop, so each step runs from a timer, in
// whatever loop is innermost, and returns at once, as a user's click does.
class UnrulyPage : public Preview {
 protected:
  using Step = std::pair<std::function<bool()>, std::function<void()>>;

  // Waits for the next page dialog and answers it with OK, ticking "stop
  // further dialogs" when asked to; `seen` counts the dialogs answered and
  // `offered` says whether the dialog had the box to tick.
  Step AnswerDialog(bool stop, int& seen, std::function<void(bool offered)> check = {}) {
    return Step{[this] {
                  QWidget* dialog = OpenDialog(window_->browser(0)->widget());
                  return dialog != nullptr && !dialog->property("answered").toBool();
                },
                [this, stop, &seen, check] {
                  QWidget* dialog = OpenDialog(window_->browser(0)->widget());
                  dialog->setProperty("answered", true);
                  ++seen;
                  auto* offer = dialog->findChild<QCheckBox*>(QStringLiteral("chkStopDialogs"));
                  if (check) check(offer != nullptr);
                  if (stop && offer != nullptr) offer->setChecked(true);
                  Click(dialog->findChild<QAbstractButton*>(QStringLiteral("cmdPageDialogOk")));
                }};
  }

  bool Run(const std::vector<Step>& steps) {
    std::size_t next = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      while (next < steps.size() && steps[next].first()) steps[next++].second();
    });
    timer.start(5);
    return WaitUntil([&] { return next == steps.size(); }, 60000);
  }

  static QWidget* View(QWidget* in) {
    for (QWidget* w : in->findChildren<QWidget*>())
      if (w->inherits("QWebEngineView")) return w;
    return in->inherits("QWebEngineView") ? in : nullptr;
  }
  QString Title(int view) const {
    return View(window_->browser(view)->widget())->property("title").toString();
  }
  static QWidget* OpenDialog(QWidget* in) {
    for (QWidget* w : in->findChildren<QWidget*>(QStringLiteral("pageDialog")))
      if (w->isVisible()) return w;
    return nullptr;
  }
  QLabel* Notice(int view) const {
    return window_->browser(view)->widget()->findChild<QLabel*>(QStringLiteral("lblPageNotice"));
  }
  // The renderer the engine runs the first view's page in, if it runs.
  std::vector<pid_t> Renderers() const {
    for (QObject* o : View(window_->browser(0)->widget())->findChildren<QObject*>()) {
      if (!o->inherits("QWebEnginePage")) continue;
      const auto pid = static_cast<pid_t>(o->property("renderProcessPid").toLongLong());
      QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
      if (pid > 0 && stat.open(QIODevice::ReadOnly) &&
          stat.readAll().split(')').value(1).split(' ').value(1) != "Z")
        return {pid};
    }
    return {};
  }

  void ShowPage(const QString& page) {
    ClickTab(0);
    Box("txtCode")->setPlainText(page);
    ClickTab(2);
  }
  // The window answers, a new Preview replaces the page, and closing the
  // window leaves no dialog open.
  std::vector<Step> StillInCharge() {
    return {
        {[] { return true; }, [this] { ShowPage(QStringLiteral("<title>fresh</title>")); }},
        {[this] { return Title(0) == QLatin1String("fresh"); },
         [this] {
           EXPECT_EQ(Tabs()->currentIndex(), 2);
           window_->close();
         }},
        {[this] { return OpenDialog(window_.get()) == nullptr && Popups().isEmpty(); }, [] {}},
    };
  }
};

TEST_F(UnrulyPage, AlertLoopOffersToStopAndTheWindowStaysInCharge) {
  ShowPage(
      QStringLiteral("<script>setTimeout(function(){for(var i=0;i<1000;i++){alert('a'+i);}"
                     "document.title='done';},300)</script>"));
  int seen = 0;
  const auto answer = [&](bool stop) {
    // The box to stop them comes with the third dialog in a row.
    return AnswerDialog(stop, seen, [&](bool offered) { EXPECT_EQ(offered, seen >= 3) << seen; });
  };
  std::vector<Step> steps{answer(false),
                          answer(false),
                          answer(true),
                          {[&] { return Title(0) == QLatin1String("done"); }, [] {}}};
  ASSERT_TRUE(Run(steps));
  EXPECT_TRUE(Run(StillInCharge()));
}

// "Stop further dialogs" holds until the engine puts the next document into
// the view: a page that learns its address through a same-origin blank
// window, logs it and pushes it into its history gets no dialog back.
TEST_F(UnrulyPage, StoppedDialogsStayStoppedWhateverThePageLogsOrPushes) {
  Button("chkAllowPopups")->setChecked(true);
  ShowPage(QStringLiteral(
      "<script>setTimeout(function () {"
      " for (var i = 0; i < 3; i++) alert('a' + i);"
      " var w = window.open('about:blank', 'blank', 'width=200,height=100');"
      " var marker = w && w.opener ? w.opener.location.href : location.href;"
      " console.log(marker); console.info(w ? w.document.URL + ' ' + marker : marker);"
      " history.pushState(null, '', marker + '#next'); history.replaceState(null, '', marker);"
      " alert('right after'); document.title = 'pushed';"
      " setTimeout(function () { alert('back'); confirm('back'); document.title = 'tried'; },"
      " 300);"
      "}, 300)</script>"));
  int seen = 0;
  int cameBack = 0;
  QStringList back;
  const auto answer = [&](bool stop) { return AnswerDialog(stop, seen); };
  // Any dialog after the stop is counted and answered, so that no wait
  // hangs inside it.
  const Step noneBack{
      [&] {
        QWidget* dialog = OpenDialog(window_->browser(0)->widget());
        if (dialog != nullptr && !dialog->property("answered").toBool()) {
          dialog->setProperty("answered", true);
          ++cameBack;
          back << dialog->findChild<QLabel*>(QStringLiteral("lblPageDialog"))->text();
          Click(dialog->findChild<QAbstractButton*>(QStringLiteral("cmdPageDialogOk")));
        }
        return Title(0) == QLatin1String("tried");
      },
      [] {}};
  ASSERT_TRUE(Run({answer(false), answer(false), answer(true), noneBack}))
      << seen << " dialogs answered, title " << Title(0).toStdString();
  EXPECT_EQ(seen, 3);
  EXPECT_EQ(cameBack, 0) << back.join(QLatin1Char(',')).toStdString();
  EXPECT_TRUE(Run(StillInCharge()));
}

TEST_F(UnrulyPage, EndlessScriptIsEndedAndReplaced) {
  ShowPage(
      QStringLiteral("<title>spin</title><script>setTimeout(function(){"
                     "document.title='spinning';while(true){}},300)</script>"));
  ASSERT_TRUE(WaitUntil([&] { return Title(0) == QLatin1String("spinning"); }, 60000));
  const std::vector<pid_t> before = Renderers();
  EXPECT_TRUE(Run(StillInCharge()));
  ASSERT_FALSE(before.empty());
  const std::vector<pid_t> after = Renderers();
  for (pid_t pid : before) EXPECT_EQ(std::count(after.begin(), after.end(), pid), 0);
}

TEST_F(UnrulyPage, AlertInAPopupLeavesTheMainWindowFree) {
  Button("chkAllowPopups")->setChecked(true);
  ShowPage(
      QStringLiteral("<script>setTimeout(function(){var w=window.open('','p',"
                     "'width=300,height=200');w.alert(1);},300)</script>"));
  std::vector<Step> steps{
      {[&] { return !Popups().isEmpty() && OpenDialog(Popups().first()) != nullptr; },
       [&] {
         ClickTab(0);
         EXPECT_EQ(Tabs()->currentIndex(), 0);
         Tabs()->setCurrentIndex(2);
       }}};
  for (const Step& step : StillInCharge()) steps.push_back(step);
  EXPECT_TRUE(Run(steps));
}

TEST_F(UnrulyPage, KilledRendererIsSaidInTheViewAndPreviewBringsThePageBack) {
  ShowPage(QStringLiteral("<title>first</title>"));
  ASSERT_TRUE(WaitUntil([&] { return Title(0) == QLatin1String("first"); }, 60000));
  for (pid_t pid : Renderers()) kill(pid, SIGKILL);
  ASSERT_TRUE(WaitUntil([&] { return Notice(0)->isVisible(); }, 30000));
  EXPECT_EQ(Notice(0)->text(),
            QStringLiteral("The page stopped. Preview or Reload loads it again."));
  // Reload, enabled only while a view says so, brings the page back from
  // the keyboard as from the button, whatever has the focus in the page.
  QAbstractButton* reload = Button("cmdPageReload");
  EXPECT_TRUE(reload->isEnabled());
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  window_->browser(0)->widget()->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
  ASSERT_TRUE(WaitUntil([&] { return Title(0) == QLatin1String("first"); }, 30000));
  EXPECT_FALSE(Notice(0)->isVisible());
  EXPECT_FALSE(reload->isEnabled());
  ASSERT_TRUE(WaitUntil([&] { return !Renderers().empty(); }, 30000));
  for (pid_t pid : Renderers()) kill(pid, SIGKILL);
  ASSERT_TRUE(WaitUntil([&] { return reload->isEnabled(); }, 30000)) << Notice(0)->isVisible();
  Click(reload);
  ASSERT_TRUE(WaitUntil([&] { return Title(0) == QLatin1String("first"); }, 30000));
  EXPECT_TRUE(Run(StillInCharge()));
}

TEST_F(UnrulyPage, PageThatCouldNotBeWrittenIsNeverShownAsNew) {
  ShowPage(QStringLiteral("<title>old</title>"));
  ASSERT_TRUE(WaitUntil([&] { return Title(0) == QLatin1String("old"); }, 60000));
  const QString page = window_->workFolder() + QStringLiteral("test_page.htm");
  ASSERT_TRUE(QFile::setPermissions(page, QFileDevice::ReadOwner));
  ShowPage(QStringLiteral("<title>new</title>"));
  ASSERT_TRUE(WaitUntil([&] { return Notice(0)->isVisible(); }, 10000));
  EXPECT_TRUE(Notice(0)->text().startsWith(QStringLiteral("The page could not be written")))
      << Notice(0)->text().toStdString();
  EXPECT_FALSE(View(window_->browser(0)->widget())->isVisible());
  EXPECT_EQ(OpenDialog(window_.get()), nullptr);
  ASSERT_TRUE(QFile::setPermissions(page, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
  ShowPage(QStringLiteral("<title>new</title>"));
  EXPECT_TRUE(WaitUntil([&] { return Title(0) == QLatin1String("new"); }, 60000));
  EXPECT_FALSE(Notice(0)->isVisible());
}

// What this process holds of the engine library's file in memory: resident
// pages that are no private copies.
long EngineLibraryFileKb() {
  QFile smaps(QStringLiteral("/proc/self/smaps"));
  if (!smaps.open(QIODevice::ReadOnly)) return -1;
  long kb = 0;
  bool engine = false;
  for (const QByteArray& line : smaps.readAll().split('\n')) {
    const auto value = [&line] {
      return line.mid(line.indexOf(':') + 1).simplified().split(' ')[0].toLong();
    };
    if (!line.isEmpty() && QByteArray("0123456789abcdef").contains(line[0]))
      engine = line.contains("/libQt6WebEngineCore.so");
    else if (engine && line.startsWith("Rss:"))
      kb += value();
    else if (engine && line.startsWith("Anonymous:"))
      kb -= value();
  }
  return kb;
}

TEST_F(UnrulyPage, LeftPreviewGivesTheEngineBackAndTheNextPreviewBuildsItAgain) {
  FrmMainHooks hooks;
  hooks.releaseDelay = std::chrono::milliseconds(300);
  Open(hooks);
  Button("chkAllowPopups")->setChecked(true);
  const QString page = QStringLiteral(
      "<title>first</title><script>window.open('about:blank','p','width=200,height=100')</script>");
  ShowPage(page);
  ASSERT_TRUE(
      WaitUntil([&] { return Title(0) == QLatin1String("first") && !Popups().isEmpty(); }, 60000));
  const std::vector<pid_t> renderers = Renderers();
  ASSERT_FALSE(renderers.empty());
  const long shown = EngineLibraryFileKb();
  ASSERT_GT(shown, 4096) << "the engine library is not mapped as expected";

  // An open popup keeps the views while the user is elsewhere.
  ClickTab(0);
  QTest::qWait(900);
  ASSERT_NE(window_->browser(0), nullptr);
  for (QWidget* popup : Popups()) popup->close();
  ASSERT_TRUE(WaitUntil([&] { return window_->browser(0) == nullptr; }, 10000));
  EXPECT_TRUE(WaitUntil(
      [&] { return window_->findChildren<QWidget*>(QStringLiteral("WebBrowser1")).isEmpty(); },
      10000));
  const auto running = [](pid_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) &&
           stat.readAll().split(')').value(1).split(' ').value(1) != "Z";
  };
  EXPECT_TRUE(WaitUntil([&] { return !running(renderers.front()); }, 20000))
      << "the renderer still runs";
  // The module's instance is shared by every loader of its file.
  ModuleHost module(kPreviewModule, {PluginFolder()});
  auto* factory = dynamic_cast<QObject*>(module.load<PreviewFactory>());
  ASSERT_NE(factory, nullptr) << module.error().toStdString();
  const auto profiles = [factory] {
    const QList<QObject*> children = factory->findChildren<QObject*>();
    return std::count_if(children.begin(), children.end(),
                         [](const QObject* o) { return o->inherits("QWebEngineProfile"); });
  };
  EXPECT_TRUE(WaitUntil([&] { return profiles() == 0; }, 5000)) << "the profile stays";
  // The engine's idle threads bring a little of its code back; most stays out.
  EXPECT_TRUE(WaitUntil([&] { return EngineLibraryFileKb() < shown / 4; }, 5000))
      << "the engine library's pages stay: " << EngineLibraryFileKb() << " kB of " << shown;

  // Preview again: the same page, and the ticked box still lets it open its window.
  loadedViews_.clear();
  ClickTab(2);
  ASSERT_TRUE(WaitForPreviewLoads());
  EXPECT_TRUE(loadsOk_);
  ASSERT_NE(window_->browser(0), nullptr);
  EXPECT_EQ(window_->browser(0)->widget()->objectName(), "WebBrowser1");
  EXPECT_TRUE(InFront(window_->browser(0)->widget()));
  EXPECT_TRUE(
      WaitUntil([&] { return Title(0) == QLatin1String("first") && !Popups().isEmpty(); }, 60000));
  EXPECT_EQ(profiles(), 1);
  EXPECT_TRUE(Run(StillInCharge()));
}

}  // namespace
}  // namespace orvanta::test
