// Open, Save, recent files, dropping and the close question, through the
// real window, real keys, real files and the real command line.
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QUrl>
#include <atomic>
#include <thread>

#include "core/Generator.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/UiTest.h"
#include "ui/CodeText.h"

namespace orvanta::test {
namespace {

using orvanta::test_support::ReadBytes;
using orvanta::test_support::WriteBytes;

class SettingsFiles : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    FrmMainHooks hooks;
    SettingsFileHooks& f = hooks.settingsFiles;
    f.openFile = [this](QWidget*, const QString&) { return chosen_; };
    f.saveFile = [this](QWidget*, const QString&) { return chosen_; };
    f.pickFolder = [this](QWidget*, const QString&) { return chosen_; };
    f.askSave = [this](QWidget*, const QString& question) {
      questions_ << question;
      return answer_;
    };
    f.showProblem = [this](QWidget*, const QString& message) { problems_ << message; };
    f.configFolder = temp_->filePath(QStringLiteral("config"));
    Open(std::move(hooks));
  }

  QString File(const char* name) const { return temp_->filePath(QString::fromLatin1(name)); }
  void Keys(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(Line("txtName"), static_cast<Qt::Key>(key), modifiers);
  }
  void Drop(const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QWidget* target = Line("txtURL");
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QApplication::processEvents();  // the drop opens the file once it is over
  }
  void FillByTyping() {
    TypeOver(Line("txtName"), QStringLiteral("news"));
    TypeOver(Line("txtTitle"), QStringLiteral("NewsWindow"));
    TypeOver(Line("txtURL"), QStringLiteral("example.com/news.htm"));
    TypeOver(Line("txtPixels_0"), QStringLiteral("640"));
    TypeOver(Line("txtPixels_2"), QStringLiteral("-.5"));
    Click(Button("chkWindOpt_3"));
    Click(Button("OptWin_2"));
    Click(Button("OptAction_1"));
    TypeOver(Line("txtDelay_0"), QStringLiteral("5"));
  }
  std::string Cli(const QStringList& arguments) const {
    QProcess cli;
    cli.start(QStringLiteral(ORVANTA_CLI_PATH), arguments);
    EXPECT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    return cli.readAllStandardOutput().toStdString();
  }

  QString chosen_;
  SettingsFileHooks::Answer answer_ = SettingsFileHooks::Answer::Cancel;
  QStringList questions_;
  QStringList problems_;
};

TEST_F(SettingsFiles, SavedScreenOpensAgainAndTheCommandLineGivesTheSameCode) {
  FillByTyping();
  const PopupSettings typed = window_->ReadScreen();
  chosen_ = File("news");  // the suffix is the dialog's business
  Keys(Qt::Key_S);
  ASSERT_TRUE(problems_.isEmpty()) << problems_.join('\n').toStdString();
  EXPECT_EQ(window_->windowTitle(), "news[*] - Orvanta");
  EXPECT_FALSE(window_->isWindowModified());
  EXPECT_NE(ReadBytes(File("news").toStdString()).find("Top=-.5"), std::string::npos)
      << "saved unrepaired";

  Click(Button("cmdGo_0"));
  const std::string code = FromWidgetText(*Box("txtCode"));
  EXPECT_EQ(Cli({"generate", "--settings", File("news")}), code);
  EXPECT_TRUE(window_->isWindowModified()) << "generation repaired the entries on the screen";

  ClickTab(0);
  Click(Button("cmdGo_2"));
  answer_ = SettingsFileHooks::Answer::Discard;
  Keys(Qt::Key_O);
  EXPECT_TRUE(window_->ReadScreen() == typed);
  EXPECT_FALSE(window_->isWindowModified());
  EXPECT_EQ(questions_.size(), 1) << "the cleared screen was a change to the file";

  // The command line's repaired file opens in the window to the same code.
  Cli({"generate", "--settings", File("news"), "--save-settings", File("cli.ini"), "--test-pages",
       File("")});
  chosen_ = File("cli.ini");
  Keys(Qt::Key_O, Qt::ControlModifier);
  ASSERT_TRUE(problems_.isEmpty()) << problems_.join('\n').toStdString();
  Click(Button("cmdGo_0"));
  EXPECT_EQ(FromWidgetText(*Box("txtCode")), code);

  chosen_ = File("no/such/folder");
  EXPECT_FALSE(window_->settingsCommands().SaveTestPagesWithDialog());
  EXPECT_EQ(problems_.size(), 1);
  ASSERT_TRUE(QDir().mkpath(File("pages")));
  chosen_ = File("pages");
  ASSERT_TRUE(window_->settingsCommands().SaveTestPagesWithDialog());
  for (const char* page : {"test_page.htm", "test_link.htm", "gobutton.gif"}) {
    const QString name = QString::fromLatin1(page);
    EXPECT_EQ(ReadBytes(QDir(File("pages")).filePath(name).toStdString()),
              ReadBytes(File(page).toStdString()))
        << page;
  }
}

TEST_F(SettingsFiles, BadFileGivesOneMessageAndLeavesTheScreenAsItWas) {
  ASSERT_TRUE(QDir().mkpath(File("folder.ini")));
  WriteBytes(File("utf16.ini").toStdString(), std::string("\xFF\xFE[\0P\0o\0p\0u\0p\0]\0\n\0", 18));
  WriteBytes(File("width.ini").toStdString(), "[Popup]\nFunctionName=ok\nWidth=wide\n");
  WriteBytes(File("name.ini").toStdString(), "[Popup]\nWidth=10\nFunctionName=my-name\n");
  WriteBytes(File("digit.ini").toStdString(), "[Popup]\nFunctionName=1abc\n");
  WriteBytes(File("good.ini").toStdString(), "[Popup]\nFunctionName=good\n");
  WriteBytes(File("url.ini").toStdString(), "[Popup]\nPageUrl=http://" + std::string(40016, 'a'));
  WriteBytes(File("size.ini").toStdString(), "[Popup]\nWidth=" + std::string(40000, '1'));
  WriteBytes(File("reserved.ini").toStdString(), "[Popup]\nFunctionName=class\n");
  chosen_ = File("good.ini");
  Keys(Qt::Key_O);
  TypeOver(Line("txtPixels_1"), QStringLiteral("300"));
  const PopupSettings before = window_->ReadScreen();
  const struct {
    const char* file;
    const char* says;
  } cases[] = {{"missing.ini", "missing.ini"},
               {"folder.ini", "folder.ini"},
               {"utf16.ini", "utf16.ini"},
               {"width.ini", "Width=\"wide\""},
               {"name.ini", "FunctionName=\"my-name\""},
               {"digit.ini", "FunctionName=\"1abc\""},
               {"url.ini", "PageUrl: the text is 40023 characters"},  // never cut to fit
               {"size.ini", "Width: the text is 40000 characters"},
               {"reserved.ini", "FunctionName=\"class\": \"class\" is a reserved word"}};
  answer_ = SettingsFileHooks::Answer::Discard;
  for (const auto& c : cases) {
    problems_.clear();
    chosen_ = File(c.file);
    Keys(Qt::Key_O);
    ASSERT_EQ(problems_.size(), 1) << c.file;
    EXPECT_TRUE(problems_[0].contains(QString::fromLatin1(c.says))) << problems_[0].toStdString();
    EXPECT_TRUE(problems_[0].startsWith(QStringLiteral("Cannot "))) << problems_[0].toStdString();
    EXPECT_TRUE(window_->ReadScreen() == before) << c.file;
    EXPECT_EQ(window_->settingsCommands().currentFile(), File("good.ini"));
    EXPECT_TRUE(window_->isWindowModified()) << c.file;
  }
  EXPECT_TRUE(questions_.isEmpty()) << "asked about a file that does not open";
}

TEST_F(SettingsFiles, DroppedIniFileOpensAndRecentFilesDropMissingOnes) {
  WriteBytes(File("a.ini").toStdString(), "[Popup]\nFunctionName=first\nActivation=PageClose\n");
  WriteBytes(File("b.ini").toStdString(), "[Popup]\nFunctionName=second\n");
  for (const char* name : {"a.ini", "b.ini"}) {
    Drop(File(name));
    ASSERT_TRUE(
        WaitUntil([&] { return window_->settingsCommands().currentFile() == File(name); }, 5000));
  }
  EXPECT_EQ(Line("txtName")->text(), "second");
  EXPECT_EQ(Line("txtURL")->text(), "http://") << "no text was dropped into the field";
  EXPECT_EQ(window_->settingsCommands().RecentFiles(), QStringList({File("b.ini"), File("a.ini")}));

  // Kept between runs, in the config folder.
  FrmMainHooks next;
  next.settingsFiles.configFolder = temp_->filePath(QStringLiteral("config"));
  Open(std::move(next));
  EXPECT_EQ(Line("txtName")->text(), "") << "the screen still starts empty";
  ASSERT_TRUE(QFile::remove(File("b.ini")));
  QMenu* recent = window_->settingsCommands().recentMenu();
  emit recent->aboutToShow();
  ASSERT_EQ(recent->actions().size(), 1);
  recent->actions()[0]->trigger();
  EXPECT_EQ(Line("txtName")->text(), "first");
  EXPECT_FALSE(Line("txtDelay_0")->isEnabled()) << "Page Close applies its rule";
}

// Runs `act`; true when it waited on `pipe` for a writer, given one after a
// second (opening the writing end at once works only while a reader waits).
bool HeldByPipe(const QString& pipe, const std::function<void()>& act) {
  std::atomic<bool> done{false}, held{false};
  std::thread watchdog([&] {
    for (int i = 0; !done; ++i, QThread::msleep(10))
      if (const int fd = i < 100 ? -1 : ::open(QFile::encodeName(pipe), O_WRONLY | O_NONBLOCK);
          fd >= 0)
        held = true, ::close(fd);
  });
  act();
  done = true;
  watchdog.join();
  return held;
}

TEST_F(SettingsFiles, PipesAndDevicesAreRefusedWithoutWaiting) {
  const QString recentList = File("config/orvanta/recent-files");
  ASSERT_TRUE(QDir().mkpath(File("config/orvanta")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(File("pipe.ini")), 0600), 0);
  ASSERT_EQ(::mkfifo(QFile::encodeName(recentList), 0600), 0);
  ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(File("device.ini"))), 0);
  for (const char* kind : {"pipe", "device"}) {
    for (const bool drop : {false, true}) {
      problems_.clear();
      chosen_ = File(kind) + QStringLiteral(".ini");
      EXPECT_FALSE(HeldByPipe(File("pipe.ini"), [&] { drop ? Drop(chosen_) : Keys(Qt::Key_O); }));
      ASSERT_EQ(problems_.size(), 1) << kind;
      EXPECT_TRUE(problems_[0].contains(QStringLiteral("it is a ") + kind)) << kind;
    }
  }
  // The recent-files list, a pipe, is not read: the menu is empty.
  chosen_ = File("good.ini");
  WriteBytes(chosen_.toStdString(), "[Popup]\nFunctionName=good\n");
  QMenu* recent = window_->settingsCommands().recentMenu();
  EXPECT_FALSE(HeldByPipe(recentList, [&] { Keys(Qt::Key_O), emit recent->aboutToShow(); }));
  EXPECT_EQ(Line("txtName")->text(), "good");
  EXPECT_FALSE(recent->actions().value(0)->isEnabled());
}

TEST_F(SettingsFiles, OpeningOverTypedEntriesAsksFirst) {
  WriteBytes(File("a.ini").toStdString(), "[Popup]\nFunctionName=fromfile\n");
  chosen_ = File("a.ini");
  TypeOver(Line("txtName"), QStringLiteral("typed"));
  answer_ = SettingsFileHooks::Answer::Cancel;
  Keys(Qt::Key_O);
  EXPECT_EQ(Line("txtName")->text(), "typed");
  answer_ = SettingsFileHooks::Answer::Discard;
  Drop(chosen_);
  EXPECT_EQ(Line("txtName")->text(), "fromfile");
  EXPECT_EQ(questions_.size(), 2);
}

TEST_F(SettingsFiles, TestPagesOnAFullDiskLeaveTheOldPagesAsTheyWere) {
  const std::string disk = File("disk").toStdString();
  if (!QDir().mkpath(File("disk")) || ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here (as root it can)";
  const auto unmount = qScopeGuard([&] { ::umount2(disk.c_str(), MNT_DETACH); });
  const std::string names[] = {"/test_page.htm", "/test_link.htm", "/gobutton.gif"};
  for (const std::string& name : names) WriteBytes(disk + name, "old" + name);
  // The disk filled up, but for room for the new popup page.
  const int fd = ::open((disk + "/filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  static const char kBlock[4096] = {};
  while (::write(fd, kBlock, sizeof kBlock) == sizeof kBlock) {
  }
  const auto page = GeneratePopupCode(window_->ReadScreen()).Code.PopupCode.size() + 2;
  ASSERT_EQ(::ftruncate(fd, ::lseek(fd, 0, SEEK_END) - (page + 4095) / 4096 * 4096), 0);
  ::close(fd);
  chosen_ = File("disk");
  Child<QAction>("actSaveTestPages")->trigger();
  ASSERT_EQ(problems_.size(), 1);
  EXPECT_TRUE(problems_[0].endsWith(
      "test_link.htm\": No space left on device; the folder was left as it was"))
      << problems_[0].toStdString();
  for (const std::string& name : names) EXPECT_EQ(ReadBytes(disk + name), "old" + name);
  EXPECT_EQ(QDir(File("disk")).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

TEST_F(SettingsFiles, ClosingAsksOnceOnlyForAChangedOpenedFile) {
  TypeOver(Line("txtName"), QStringLiteral("never"));
  EXPECT_TRUE(window_->close()) << "a screen never saved closes as today";
  EXPECT_TRUE(questions_.isEmpty());

  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  chosen_ = File("kept.ini");
  Keys(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(window_->settingsCommands().currentFile(), chosen_);
  EXPECT_TRUE(window_->close()) << "nothing changed since saving";
  window_->show();
  TypeOver(Line("txtPixels_0"), QStringLiteral("99"));
  answer_ = SettingsFileHooks::Answer::Cancel;
  EXPECT_FALSE(window_->close());
  EXPECT_TRUE(window_->isVisible());
  answer_ = SettingsFileHooks::Answer::Save;
  EXPECT_TRUE(window_->close());
  EXPECT_EQ(questions_.size(), 2);
  EXPECT_NE(ReadBytes(File("kept.ini").toStdString()).find("Width=99"), std::string::npos);
}

}  // namespace
}  // namespace orvanta::test
