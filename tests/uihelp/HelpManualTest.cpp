// Finding the HTML manual from the work folder, beside the program and under
// the install prefix.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <vector>

#include "ui/help/HelpManual.h"

namespace orvanta {
namespace {

class HelpManualTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    places_ = {root_.filePath(QStringLiteral("work/")),
               root_.filePath(QStringLiteral("prefix/bin")),
               root_.filePath(QStringLiteral("installed/share"))};
    QDir().mkpath(places_.workFolder);
    QDir().mkpath(places_.exeDir);
  }
  QString Make(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html></html>");
    return QFileInfo(path).absoluteFilePath();
  }
  QString InWork() { return Make(root_.filePath(QStringLiteral("work/help/index.html"))); }
  QString BesideProgram() {
    return Make(root_.filePath(QStringLiteral("prefix/share/orvanta/help/index.html")));
  }
  QString Installed() {
    return Make(root_.filePath(QStringLiteral("installed/share/orvanta/help/index.html")));
  }

  QTemporaryDir root_;
  HelpManualPlaces places_;
};

TEST_F(HelpManualTest, WorkFolderFirst) {
  const QString work = InWork();
  BesideProgram();
  Installed();
  EXPECT_EQ(FindHelpManual(places_), QUrl::fromLocalFile(work));
}

TEST_F(HelpManualTest, ThenBesideTheProgram) {
  const QString beside = BesideProgram();
  Installed();
  EXPECT_EQ(FindHelpManual(places_), QUrl::fromLocalFile(beside));
}

TEST_F(HelpManualTest, ThenTheInstallPrefix) {
  const QString installed = Installed();
  const QUrl url = FindHelpManual(places_);
  EXPECT_EQ(url, QUrl::fromLocalFile(installed));
  EXPECT_TRUE(url.isLocalFile());
}

TEST_F(HelpManualTest, NoneGivesAnEmptyUrl) {
  // A folder of the right name is not a manual.
  QDir().mkpath(root_.filePath(QStringLiteral("work/help/index.html")));
  EXPECT_TRUE(FindHelpManual(places_).isEmpty());
  EXPECT_TRUE(FindHelpManual(HelpManualPlaces{}).isEmpty());
}

TEST_F(HelpManualTest, CandidatesInOrderAndEmptyPlacesLeftOut) {
  const QStringList all = HelpManualCandidates(places_);
  ASSERT_EQ(all.size(), 3);
  EXPECT_EQ(all[0], QDir::cleanPath(root_.filePath(QStringLiteral("work/help/index.html"))));
  EXPECT_EQ(all[1], QDir::cleanPath(
                        root_.filePath(QStringLiteral("prefix/share/orvanta/help/index.html"))));
  EXPECT_EQ(all[2], QDir::cleanPath(
                        root_.filePath(QStringLiteral("installed/share/orvanta/help/index.html"))));
  EXPECT_EQ(HelpManualCandidates({QString(), places_.exeDir, QString()}), QStringList{all[1]});
}

TEST_F(HelpManualTest, OpenHandsTheManualToTheShell) {
  const QString work = InWork();
  std::vector<QUrl> opened;
  EXPECT_TRUE(OpenHelpManual(places_.workFolder, [&](const QUrl& url) { opened.push_back(url); }));
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(work));
}

TEST_F(HelpManualTest, TheProgramsOwnPlaces) {
  const HelpManualPlaces own = DefaultHelpManualPlaces(QStringLiteral("/w/"));
  EXPECT_EQ(own.workFolder, QStringLiteral("/w/"));
  EXPECT_FALSE(own.exeDir.isEmpty());
  EXPECT_TRUE(QDir::isAbsolutePath(own.installDataDir)) << own.installDataDir.toStdString();
}

}  // namespace
}  // namespace orvanta
