// Finding and loading the run-time modules.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>

#include "modules/host/HistoryPlugin.h"
#include "modules/host/ModuleFolders.h"
#include "modules/host/ModuleHost.h"
#include "modules/host/PreviewPlugin.h"

namespace orvanta {
namespace {

TEST(ModuleFolders, TheBuildTreeIsSearchedOnlyByAProgramInsideIt) {
  const QStringList inBuild = ModuleFolders(QCoreApplication::applicationDirPath());
  ASSERT_EQ(inBuild.size(), 2);
  EXPECT_TRUE(
      QFileInfo(QDir(inBuild[1]).filePath(QStringLiteral("liborvanta_history.so"))).isFile());
  for (const char* prefix : {"/usr", "/opt/orvanta"}) {
    const QStringList installed = ModuleFolders(QLatin1String(prefix) + QStringLiteral("/bin"));
    ASSERT_EQ(installed.size(), 1) << prefix;
    EXPECT_TRUE(installed[0].startsWith(QLatin1String(prefix) + '/')) << installed[0].toStdString();
    EXPECT_TRUE(installed[0].endsWith(QStringLiteral("/orvanta/plugins")))
        << installed[0].toStdString();
  }
}

TEST(ModuleHost, ExplainsWhyNoModuleCouldBeLoaded) {
  QTemporaryDir temp;
  ModuleHost nowhere(kPreviewModule, {temp.filePath(QStringLiteral("none"))});
  EXPECT_EQ(nowhere.load<PreviewFactory>(), nullptr);
  EXPECT_TRUE(nowhere.error().contains(temp.filePath(QStringLiteral("none"))));

  QFile fake(temp.filePath(QStringLiteral("liborvanta_webpreview.so")));
  ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
  fake.write("not a library");
  fake.close();
  ModuleHost broken(kPreviewModule, {temp.path()});
  EXPECT_EQ(broken.load<PreviewFactory>(), nullptr);
  EXPECT_FALSE(broken.error().isEmpty());
  EXPECT_EQ(broken.load<PreviewFactory>(), nullptr) << "asking again does not retry or crash";
}

// A folder holding `file` as a copy of this build's history module, or
// `contents` when given.
QString FolderWith(const QTemporaryDir& temp, const char* name, const char* file,
                   const QByteArray& contents = {}) {
  const QString folder = temp.filePath(QLatin1String(name));
  QDir().mkpath(folder);
  const QString path = QDir(folder).filePath(QLatin1String(file));
  if (contents.isEmpty()) {
    QFile::copy(QStringLiteral(ORVANTA_HISTORY_MODULE), path);
  } else {
    QFile out(path);
    if (out.open(QIODevice::WriteOnly)) out.write(contents);
  }
  return folder;
}

TEST(ModuleHost, LoadsTheHistoryReaderFromTheFirstFolderThatHasIt) {
  QTemporaryDir temp;
  const QString empty = FolderWith(temp, "empty", "other.so", "x");
  const QString broken = FolderWith(temp, "broken", "liborvanta_history.so", "not a library");
  const QString good = FolderWith(temp, "good", "liborvanta_history.so");
  ModuleHost host(kHistoryModule, {temp.filePath(QStringLiteral("missing")), empty, broken, good});
  const HistoryReader* reader = host.load<HistoryReader>();
  ASSERT_NE(reader, nullptr) << host.error().toStdString();
  EXPECT_EQ(host.load<HistoryReader>(), reader);

  // An empty file is an empty database; a missing one would not be made.
  const QString file = temp.filePath(QStringLiteral("history.sqlite"));
  QFile blank(file);
  ASSERT_TRUE(blank.open(QIODevice::WriteOnly));
  blank.close();
  const QString sql = QStringLiteral(
      "WITH t(u) AS (VALUES ('https://a.example/'), ('https://b.example/')) "
      "SELECT u FROM t");
  std::atomic<bool> cancel{false};
  EXPECT_EQ(reader->query(file, sql, cancel), (QStringList{QStringLiteral("https://a.example/"),
                                                           QStringLiteral("https://b.example/")}));
  EXPECT_TRUE(reader->query(file, QStringLiteral("SELECT nonsense"), cancel).isEmpty());
  cancel = true;
  EXPECT_TRUE(reader->query(file, sql, cancel).isEmpty());
}

TEST(ModuleHost, RefusesAModuleThatDoesNotImplementTheInterface) {
  QTemporaryDir temp;
  // A sound module under the preview module's name.
  const QString folder = FolderWith(temp, "wrong", "liborvanta_webpreview.so");
  ModuleHost host(kPreviewModule, {folder});
  EXPECT_EQ(host.load<PreviewFactory>(), nullptr);
  EXPECT_TRUE(host.error().contains(QStringLiteral("is not an Orvanta preview module")))
      << host.error().toStdString();
}

}  // namespace
}  // namespace orvanta

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
