// Open, Save, recent files, dropping and the close question, through the
// real window, real keys, real files and the real command line.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
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
#include <QUrl>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

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
    OpenWithHooks();
  }
  // A new window on the same hooks and folders.
  void OpenWithHooks() {
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
  QString RecentList() const {
    return temp_->filePath(QStringLiteral("config/orvanta/recent-files"));
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
  Cli({"generate", "--settings", File("news"), "--save-settings", File("cli.ini"),
       "--test-pages", File("")});
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
  WriteBytes(File("utf16.ini").toStdString(),
             std::string("\xFF\xFE[\0P\0o\0p\0u\0p\0]\0\n\0", 18));
  WriteBytes(File("width.ini").toStdString(), "[Popup]\nFunctionName=ok\nWidth=wide\n");
  WriteBytes(File("name.ini").toStdString(), "[Popup]\nWidth=10\nFunctionName=my_name\n");
  WriteBytes(File("digit.ini").toStdString(), "[Popup]\nFunctionName=1abc\n");
  WriteBytes(File("good.ini").toStdString(), "[Popup]\nFunctionName=good\n");
  WriteBytes(File("long-url.ini").toStdString(),
             "[Popup]\nPageUrl=http://" + std::string(40016, 'a') + "\n");
  WriteBytes(File("long-width.ini").toStdString(),
             "[Popup]\nWidth=" + std::string(40000, '1') + "\n");
  WriteBytes(File("quote.ini").toStdString(), "[Popup]\nPageUrl=a.htm\"\n");
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
               {"name.ini", "FunctionName=\"my_name\""},
               {"digit.ini", "FunctionName=\"1abc\""},
               // What the command line refuses; no value is cut to fit.
               {"long-url.ini", "PageUrl: the text is 40023 characters long"},
               {"long-width.ini", "Width: the text is 40000 characters long"},
               {"quote.ini", "PageUrl="}};
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
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(File(name))});
    QWidget* target = Line("txtURL");
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    ASSERT_TRUE(WaitUntil([&] { return window_->settingsCommands().currentFile() == File(name); },
                          5000));
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

// Runs `act`; should it wait for a writer to the pipe, the pipe is given one
// (that writes nothing) after a second and true is returned.
bool HeldByPipe(const QString& pipe, const std::function<void()>& act) {
  const QByteArray path = QFile::encodeName(pipe);
  std::atomic<bool> done{false};
  std::atomic<bool> released{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 100 && !done; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    while (!done) {
      // The writing end opens without waiting only while a reader waits.
      const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        released = true;
        ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  act();
  done = true;
  watchdog.join();
  return released;
}

TEST_F(SettingsFiles, PipesDevicesAndFoldersAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(File("pipe.ini")).constData(), 0600), 0);
  ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(File("device.ini")).constData()), 0);
  ASSERT_TRUE(QDir().mkpath(File("folder.ini")));
  const struct {
    const char* File;
    bool Drop;
    const char* Says;
  } cases[] = {{"pipe.ini", false, "it is a pipe"},
               {"pipe.ini", true, "it is a pipe"},
               {"device.ini", false, "it is a device"},
               {"device.ini", true, "it is a device"},
               {"folder.ini", true, "it is a folder"}};
  for (const auto& c : cases) {
    problems_.clear();
    const bool held = HeldByPipe(File("pipe.ini"), [&] {
      if (c.Drop) {
        Drop(File(c.File));
      } else {
        chosen_ = File(c.File);
        Keys(Qt::Key_O);
      }
    });
    EXPECT_FALSE(held) << c.File << " held the window";
    ASSERT_EQ(problems_.size(), 1) << c.File;
    EXPECT_TRUE(problems_[0].contains(QString::fromLatin1(c.Says))) << problems_[0].toStdString();
    EXPECT_TRUE(window_->settingsCommands().currentFile().isEmpty());
  }

  // The recent-files list as a pipe: the menu is empty, files still open.
  ASSERT_TRUE(QDir().mkpath(QFileInfo(RecentList()).path()));
  ASSERT_EQ(::mkfifo(QFile::encodeName(RecentList()).constData(), 0600), 0);
  WriteBytes(File("good.ini").toStdString(), "[Popup]\nFunctionName=good\n");
  problems_.clear();
  QMenu* recent = window_->settingsCommands().recentMenu();
  EXPECT_FALSE(HeldByPipe(RecentList(), [&] {
    chosen_ = File("good.ini");
    Keys(Qt::Key_O);
    emit recent->aboutToShow();
  }));
  EXPECT_TRUE(problems_.isEmpty()) << problems_.join('\n').toStdString();
  EXPECT_EQ(Line("txtName")->text(), "good");
  ASSERT_EQ(recent->actions().size(), 1);
  EXPECT_FALSE(recent->actions()[0]->isEnabled()) << "no recent files";
  EXPECT_TRUE(QFileInfo(RecentList()).isFile() == false) << "the pipe was not replaced";
}

TEST_F(SettingsFiles, OpeningOverTypedEntriesAsksFirst) {
  using Answer = SettingsFileHooks::Answer;
  WriteBytes(File("a.ini").toStdString(), "[Popup]\nFunctionName=fromfile\n");
  enum class Via { Keys, Drop, Recent };
  const struct {
    const char* Name;
    const char* Typed;  // empty: nothing typed
    Answer Reply;
    Via Way;
    bool Opens;
  } cases[] = {{"CancelKeepsTheScreen", "typed", Answer::Cancel, Via::Keys, false},
               {"DiscardOpens", "typed", Answer::Discard, Via::Drop, true},
               {"SaveSavesThenOpens", "typed", Answer::Save, Via::Recent, true},
               {"CancelledSaveKeepsTheScreen", "typed", Answer::Save, Via::Drop, false},
               {"NothingTypedNothingAsked", "", Answer::Cancel, Via::Keys, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(RecentList()).path()));
    WriteBytes(RecentList().toStdString(), File("a.ini").toStdString() + "\n");
    OpenWithHooks();
    questions_.clear();
    if (*c.Typed != '\0') TypeOver(Line("txtName"), QString::fromLatin1(c.Typed));
    answer_ = c.Reply;
    const QString saved = File(c.Name);
    switch (c.Way) {
      case Via::Keys:
        chosen_ = File("a.ini");
        Keys(Qt::Key_O);
        break;
      case Via::Drop:
        chosen_ = c.Opens ? saved : QString();  // the save dialog's answer
        Drop(File("a.ini"));
        break;
      case Via::Recent: {
        chosen_ = saved;
        QMenu* recent = window_->settingsCommands().recentMenu();
        emit recent->aboutToShow();
        ASSERT_EQ(recent->actions().size(), 1);
        recent->actions()[0]->trigger();
        break;
      }
    }
    EXPECT_EQ(questions_.size(), *c.Typed != '\0' ? 1 : 0);
    EXPECT_EQ(Line("txtName")->text(), c.Opens ? "fromfile" : c.Typed);
    EXPECT_EQ(window_->settingsCommands().currentFile(), c.Opens ? File("a.ini") : QString());
    const bool saves = c.Reply == Answer::Save && c.Opens;
    EXPECT_EQ(ReadBytes(saved.toStdString()).find("FunctionName=typed") != std::string::npos,
              saves);
  }
}

TEST_F(SettingsFiles, TestPagesOnAFullDiskLeaveTheOldPagesAsTheyWere) {
  // The pages this screen gives, written where there is room.
  TypeOver(Line("txtName"), QStringLiteral("news"));
  ASSERT_TRUE(QDir().mkpath(File("room")));
  chosen_ = File("room");
  QAction* save = Child<QAction>("actSaveTestPages");
  save->trigger();
  ASSERT_TRUE(problems_.isEmpty()) << problems_.join('\n').toStdString();
  const std::string room = File("room/").toStdString();
  const std::size_t pageSize = ReadBytes(room + "test_page.htm").size();

  const std::string disk = File("disk").toStdString();
  ASSERT_TRUE(QDir().mkpath(File("disk")));
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
  const auto unmount = qScopeGuard([&] { ::umount2(disk.c_str(), MNT_DETACH); });
  WriteBytes(disk + "/test_page.htm", "old page");
  WriteBytes(disk + "/test_link.htm", "old link");
  WriteBytes(disk + "/gobutton.gif", "own button");
  const std::string filler = disk + "/filler";
  const auto fillUp = [&filler] {
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size())) {
    }
    ::close(fd);
  };
  const auto pagesOf = [](std::size_t bytes) { return (bytes + 4095) / 4096 * 4096; };
  const struct {
    const char* Name;
    std::size_t Room;  // bytes freed on the full disk
    const char* Fails;
  } cases[] = {{"NoRoom", 0, "test_page.htm"},
               {"RoomForThePopupPageOnly", pagesOf(pageSize), "test_link.htm"}};
  chosen_ = File("disk");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    fillUp();
    std::filesystem::resize_file(filler, std::filesystem::file_size(filler) - c.Room);
    problems_.clear();
    save->trigger();
    ASSERT_EQ(problems_.size(), 1);
    EXPECT_TRUE(problems_[0].contains(QString::fromLatin1(c.Fails) + "\": No space left"))
        << problems_[0].toStdString();
    EXPECT_TRUE(problems_[0].endsWith("the folder was left as it was"))
        << problems_[0].toStdString();
    EXPECT_EQ(ReadBytes(disk + "/test_page.htm"), "old page");
    EXPECT_EQ(ReadBytes(disk + "/test_link.htm"), "old link");
    EXPECT_EQ(ReadBytes(disk + "/gobutton.gif"), "own button");
    EXPECT_EQ(QDir(File("disk")).entryList(QDir::Files | QDir::Hidden).size(), 4)
        << "no temporary file is left";
  }
  ASSERT_TRUE(std::filesystem::remove(filler));
  problems_.clear();
  save->trigger();
  EXPECT_TRUE(problems_.isEmpty()) << problems_.join('\n').toStdString();
  for (const char* page : {"test_page.htm", "test_link.htm"})
    EXPECT_EQ(ReadBytes(disk + "/" + page), ReadBytes(room + page)) << page;
  EXPECT_EQ(ReadBytes(disk + "/gobutton.gif"), "own button") << "an existing button is kept";
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
