// Open, Save, recent files, dropping and the close question, through the
// real window, real keys, real files and the real command line.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QDir>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QUrl>

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
  WriteBytes(File("name.ini").toStdString(), "[Popup]\nWidth=10\nFunctionName=my-name\n");
  WriteBytes(File("digit.ini").toStdString(), "[Popup]\nFunctionName=1abc\n");
  WriteBytes(File("good.ini").toStdString(), "[Popup]\nFunctionName=good\n");
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
               {"digit.ini", "FunctionName=\"1abc\""}};
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
  EXPECT_EQ(questions_.size(), std::size(cases));
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
