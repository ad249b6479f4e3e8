// The preview page with the real browser module: test pages, loads and the
// popup windows the generated code opens.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWidget>

#include "tests/ui/UiTest.h"
#include "preview/host/PreviewPlugin.h"

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
  EXPECT_EQ(ReadWorkFile("test_link.htm"),
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
  QWidget* opened = nullptr;
  QObject::connect(window_.get(), &FrmMain::previewPopupOpened, [&](QWidget* popup) { opened = popup; });
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

TEST_F(Preview, AutoCloseClosesThePopupAgain) {
  EnterPageLoadPopup("1");
  Click(Button("cmdGo_0"));
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
  EXPECT_EQ(tabChain(), "WebBrowser1 picHelp_1 WebBrowser2 cmdsrc_2 tbsOptions");
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
  ASSERT_TRUE(window_->browser(0)->widget()->isAncestorOf(focus) || focus == window_->browser(0)->widget());
  QTest::keyClick(focus, Qt::Key_F1);
  QApplication::processEvents();
  EXPECT_EQ(shellTargets_, QStringList{manual});
}

}  // namespace
}  // namespace orvanta::test
