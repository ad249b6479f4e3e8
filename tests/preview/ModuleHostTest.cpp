// Finding and loading the run-time modules.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "preview/host/ModuleFolders.h"
#include "preview/host/ModuleHost.h"
#include "preview/host/PreviewPlugin.h"

namespace orvanta {
namespace {

TEST(ModuleFolders, TheBuildTreeIsSearchedOnlyByAProgramInsideIt) {
  const QStringList inBuild = ModuleFolders(QCoreApplication::applicationDirPath());
  ASSERT_EQ(inBuild.size(), 2);
  EXPECT_TRUE(QFileInfo(QDir(inBuild[1]).filePath(QStringLiteral("liborvanta_history.so"))).isFile());
  for (const char* prefix : {"/usr", "/opt/orvanta"}) {
    const QStringList installed = ModuleFolders(QLatin1String(prefix) + QStringLiteral("/bin"));
    ASSERT_EQ(installed.size(), 1) << prefix;
    EXPECT_TRUE(installed[0].startsWith(QLatin1String(prefix) + '/')) << installed[0].toStdString();
    EXPECT_TRUE(installed[0].endsWith(QStringLiteral("/orvanta/plugins"))) << installed[0].toStdString();
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

}  // namespace
}  // namespace orvanta

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
