// Page switching, the About panel, the copy buttons and "Launch in Browser".
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <stdexcept>
#include <tuple>

#include "tests/ui/UiTest.h"

namespace orvanta::test {
namespace {

using Pages = WindowTest;

QStringList FilesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST_F(Pages, ViewCodeShowsTheCodeFrameAndWritesNothing) {
  const QStringList before = FilesIn(window_->workFolder());
  EXPECT_EQ(before, QStringList{}) << "nothing is written at start-up";
  ClickTab(1);
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_1")));
  EXPECT_TRUE(InFront(Child<QWidget>("FrmView_0")));
  EXPECT_FALSE(Child<QWidget>("FrmView_1")->isVisible());
  EXPECT_EQ(FilesIn(window_->workFolder()), before);
  EXPECT_EQ(window_->browser(0), nullptr);
  ClickTab(0);
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_0")));
}

TEST_F(Pages, AboutPanelComesAndGoesWithoutChangingTheTab) {
  ClickWidget(Child<QLabel>("Label10"));
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_2")));
  EXPECT_EQ(Tabs()->currentIndex(), 0);
  Click(Button("cmdAbout"));
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_0")));

  // Choosing the tab already selected brings its page back over the panel.
  ClickWidget(Child<QLabel>("Label10"));
  ClickTab(0);
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_0")));

  ClickWidget(Child<QLabel>("Label10"));
  ClickTab(1);
  EXPECT_TRUE(InFront(Child<QWidget>("FrmView_0")));
  ClickTab(0);
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_0")));
}

// The Tab key sees the page in view and nothing behind it; About keeps the tab.
TEST_F(Pages, OnlyThePageInViewIsShown) {
  const char* const pages[] = {"frmMenu_0", "frmMenu_1", "frmPreview", "frmMenu_2"};
  const std::tuple<void (FrmMain::*)(), const char*, int> cases[] = {
      {&FrmMain::showCode, "frmMenu_1", 1},      {&FrmMain::showAbout, "frmMenu_2", 1},
      {&FrmMain::showPreview, "frmPreview", 2},  {&FrmMain::showCode, "frmMenu_1", 1},
      {&FrmMain::showPreview, "frmPreview", 2},  {&FrmMain::showAbout, "frmMenu_2", 2},
      {&FrmMain::closeAbout, "frmMenu_0", 2},    {&FrmMain::generateCode, "frmMenu_1", 1},
      {&FrmMain::showMainScreen, "frmMenu_0", 0}};
  for (const auto& [command, shown, tab] : cases) {
    (window_.get()->*command)();
    for (const char* page : pages)
      EXPECT_EQ(Child<QWidget>(page)->isVisible(), std::string(page) == shown) << page;
    EXPECT_TRUE(InFront(Child<QWidget>(shown)));
    EXPECT_EQ(Tabs()->currentIndex(), tab) << shown;
  }
  EXPECT_FALSE(Child<QLabel>("Image1")->pixmap().isNull()) << "the About panel was completed";
}

TEST_F(Pages, GenerateSelectsViewCodeAlsoWhenItIsAlreadySelected) {
  ClickTab(1);
  window_->showAbout();
  window_->closeAbout();
  ASSERT_TRUE(InFront(Child<QWidget>("frmMenu_0")));
  ASSERT_EQ(Tabs()->currentIndex(), 1);
  window_->cmdGo_Click(0);
  EXPECT_TRUE(InFront(Child<QWidget>("FrmView_0")));
}

TEST_F(Pages, CopyPutsTheExactTextOnTheClipboardAndFocusesTheBox) {
  Click(Button("cmdGo_0"));
  const QString code =
      Box("txtCode")->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  ASSERT_TRUE(code.endsWith(QStringLiteral("</HTML>\r\n")));
  Click(Button("cmdCopy_0"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), code);
  EXPECT_EQ(window_->focusWidget(), Box("txtCode"));

  Click(Button("cmdCopy_1"));
  const QString link = QGuiApplication::clipboard()->text();
  EXPECT_TRUE(link.startsWith(QStringLiteral(" <A HREF=")));
  EXPECT_TRUE(link.endsWith(QStringLiteral("</A>\r\n"))) << "no line break added";
  EXPECT_FALSE(link.endsWith(QStringLiteral("\r\n\r\n")));
  EXPECT_EQ(window_->focusWidget(), Box("txtCodeLink"));
}

TEST_F(Pages, CopyTakesTheUsersEditsAndAnEmptyBoxLeavesTheClipboardAlone) {
  ClickTab(1);
  QPlainTextEdit* box = Box("txtCode");
  box->setFocus();
  QTest::keyClicks(box, "first");
  QTest::keyClick(box, Qt::Key_Return);
  QTest::keyClicks(box, "second");
  box->selectAll();
  Click(Button("cmdCopy_0"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "first\r\nsecond");

  // With no link code (the settings need the script) the box is empty.
  for (const char* name : {"cmdCopy_1", "cmdCopy_0"}) {
    SCOPED_TRACE(name);
    Box(name == std::string("cmdCopy_1") ? "txtCodeLink" : "txtCode")->clear();
    auto* rich = new QMimeData;
    rich->setHtml(QStringLiteral("<b>old</b>"));
    rich->setText(QStringLiteral("old"));
    QGuiApplication::clipboard()->setMimeData(rich);
    Click(Button(name));
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(now, nullptr);
    EXPECT_TRUE(now->hasHtml()) << "what the user copied before stays";
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "old");
    EXPECT_EQ(Button(name)->text(), "Nothing to copy");
  }
}

// Each launch hands the shell a page of its own: neither a later Generate
// nor another launch writes over it before the browser reads it.
TEST_F(Pages, LaunchHandsTheShellAPageNothingLaterReplaces) {
  ClickTab(1);
  Box("txtCode")->setPlainText(QStringLiteral("<p>edited</p>\n<p>by hand</p>"));
  Box("txtCodeLink")->setPlainText(QStringLiteral("link"));
  window_->cmdsrc_Click(2);
  ASSERT_EQ(shellTargets_.size(), 1);
  const QString first = shellTargets_.last();
  EXPECT_TRUE(first.startsWith(window_->workFolder())) << first.toStdString();
  EXPECT_EQ(ReadLaunchedPage(), QByteArray("<p>edited</p>\r\n<p>by hand</p>\r\n"));
  EXPECT_FALSE(WorkFileExists("test_link.htm"));
  window_->cmdGo_Click(0);
  Box("txtCode")->setPlainText(QStringLiteral("second"));
  window_->cmdsrc_Click(2);
  ASSERT_EQ(shellTargets_.size(), 2);
  EXPECT_NE(shellTargets_.last(), first);
  EXPECT_EQ(ReadLaunchedPage(), QByteArray("second\r\n"));
  QFile kept(first);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("<p>edited</p>\r\n<p>by hand</p>\r\n"));
}

TEST_F(Pages, LaunchButtonSitsOnThePreviewPage) {
  ClickTab(2);
  Click(Button("cmdsrc_2"));
  EXPECT_EQ(shellTargets_.size(), 1);
  EXPECT_EQ(ReadLaunchedPage(), QByteArray("\r\n")) << "an empty box gives CR LF alone";
}

TEST_F(Pages, RefusingShellIsCaughtAndTheLaunchButtonSaysSo) {
  FrmMainHooks hooks;
  int asked = 0;
  hooks.shellOpen = [&asked](const QUrl&) {
    ++asked;
    throw std::runtime_error("no browser");
  };
  Open(hooks);
  ClickTab(2);
  QAbstractButton* launch = Button("cmdsrc_2");
  const QString caption = launch->text();
  Click(launch);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(launch->text(), QStringLiteral("Not opened"));
  EXPECT_TRUE(WaitUntil([&] { return launch->text() == caption; }, 5000));
  // The help and the maker's links meet the same shell and stay quiet.
  window_->lblVexa_Click(0);
  EXPECT_EQ(asked, 2);
}

TEST_F(Pages, WorkingShellLeavesTheLaunchButtonAlone) {
  ClickTab(2);
  QAbstractButton* launch = Button("cmdsrc_2");
  const QString caption = launch->text();
  Click(launch);
  EXPECT_EQ(shellTargets_.size(), 1);
  EXPECT_EQ(launch->text(), caption);
}

TEST_F(Pages, PreviewWithoutTheModuleStillWritesThePagesAndSaysWhy) {
  FrmMainHooks hooks;
  hooks.pluginFolders << temp_->filePath(QStringLiteral("no-module-here"));
  Open(hooks);
  ClickTab(2);
  EXPECT_TRUE(InFront(Child<QWidget>("FrmView_1")));
  EXPECT_EQ(ReadWorkFile("test_page.htm"), QByteArray("\r\n"));
  EXPECT_EQ(
      ReadWorkFile("test_link.htm"),
      QByteArray("<html><head><title>Popup Test Page</title></head><body></body></html>\r\n"));
  auto* message = window_->findChild<QLabel*>(QStringLiteral("lblPreviewError"));
  ASSERT_NE(message, nullptr);
  EXPECT_TRUE(message->isVisible());
  EXPECT_TRUE(message->text().contains(QStringLiteral("preview")));
  EXPECT_EQ(window_->browser(0), nullptr);
  ClickTab(2);  // a second try neither crashes nor stacks messages
  EXPECT_EQ(window_->findChildren<QLabel*>(QStringLiteral("lblPreviewError")).size(), 1);
}

}  // namespace
}  // namespace orvanta::test
