// "Check in Browsers" in the window: the table fills in beside the preview,
// and Cancel ends the engines.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>

#include "preview/browsers/EngineProcesses.h"
#include "preview/browsers/Engines.h"
#include "preview/browsers/Wait.h"
#include "ui/BrowserCheckWindow.h"
#include "ui/FrmMain.h"

namespace orvanta {
namespace {

const std::atomic_bool kNever{false};

bool AnyTagged() {
  const QByteArray prefix = QByteArray(browsers::EngineProcesses::TagVariable()) + '=';
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!environ.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& entry : environ.readAll().split('\0'))
      if (entry.startsWith(prefix)) return true;
  }
  return false;
}

struct Window : ::testing::Test {
  Window() {
    PopupSettings entries;
    entries.PageUrl = "http://127.0.0.1:9/none.htm";
    entries.DelaySeconds = "2";
    Main.FillScreen(entries);
    Main.cmdGo_Click(0);
    Main.show();
  }
  QPushButton* Button() { return Main.findChild<QPushButton*>(QStringLiteral("cmdCheckBrowsers")); }
  BrowserCheckWindow* Check() { return Main.findChild<BrowserCheckWindow*>(); }
  FrmMain Main;
};

TEST_F(Window, TableHasAColumnPerEngineAndMarksWhatDiffers) {
  ASSERT_NE(Button(), nullptr);
  Button()->click();
  ASSERT_NE(Check(), nullptr);
  EXPECT_TRUE(Check()->isVisible());
  ASSERT_TRUE(browsers::WaitUntil([&] { return !Check()->Running(); }, 200000, kNever));
  QTableWidget& table = Check()->table();
  ASSERT_EQ(table.columnCount(), 4);
  EXPECT_EQ(table.item(0, 0)->text(), QStringLiteral("Not measured"));
  const auto& engines = browsers::KnownEngines();
  for (int column = 1; column < 4; ++column) {
    const auto& engine = engines[static_cast<size_t>(column - 1)];
    SCOPED_TRACE(engine.Name.toStdString());
    const QString verdict = table.item(0, column)->text();
    if (!browsers::FindEngine(engine.Name)) {
      EXPECT_EQ(verdict, QStringLiteral("Not installed"));
      EXPECT_TRUE(table.item(1, column)->text().contains(engine.Package));
      continue;
    }
    // A click 2 s before window.open: WebKit's user action was measured to
    // have run out by then, the others' not; WebKit is marked as differing.
    const bool webkit = engine.Name == QLatin1String("webkit");
    EXPECT_EQ(verdict,
              webkit ? QStringLiteral("Blocked") : QStringLiteral("Opened as a popup window"));
    EXPECT_EQ(table.item(0, column)->font().bold(), webkit && column > 1);
  }
  EXPECT_FALSE(AnyTagged());
}

TEST_F(Window, CancelEndsTheEnginesAtOnce) {
  if (!browsers::FindEngine(QStringLiteral("chromium")))
    GTEST_SKIP() << "chromium is not installed";
  Button()->click();
  ASSERT_TRUE(browsers::WaitUntil([] { return AnyTagged(); }, 30000, kNever));
  Check()->findChild<QPushButton*>(QStringLiteral("cmdCheckCancel"))->click();
  EXPECT_TRUE(browsers::WaitUntil([&] { return !Check()->Running(); }, 15000, kNever));
  EXPECT_EQ(Check()->table().item(0, 1)->text(), QStringLiteral("Check failed"));
  EXPECT_EQ(Check()->table().item(1, 1)->text(), QStringLiteral("cancelled"));
  EXPECT_FALSE(AnyTagged());
}

}  // namespace
}  // namespace orvanta

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
