// The session against a preview module that fails on purpose: a failing
// module call is said in the preview, and the two views come as a pair.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>
#include <chrono>
#include <memory>
#include <vector>

#include "modules/host/PreviewPlugin.h"
#include "preview/session/PreviewSession.h"
#include "tests/support/TempFolder.h"

namespace orvanta {
namespace {

QList<QWidget*> ViewsIn(QFrame* box) {
  QList<QWidget*> views;
  for (QWidget* child : box->findChildren<QWidget*>())
    if (child->property("fakeView").toBool()) views << child;
  return views;
}

// A window with the two view boxes, and the setup that loads the fake
// preview module, with its data in `data`.
struct Stage {
  explicit Stage(const test_support::TempFolder& data) {
    auto* layout = new QVBoxLayout(&window);
    for (int i = 0; i < 2; ++i) {
      boxes[i] = new QFrame(&window);
      boxes[i]->setObjectName(QStringLiteral("box%1").arg(i + 1));
      new QVBoxLayout(boxes[i]);
      layout->addWidget(boxes[i]);
    }
    window.show();
    setup.programFolder = QStringLiteral("/proc");
    setup.dataFolder = QString::fromStdString(data.Path());
    setup.pluginFolders = {QStringLiteral(ORVANTA_FAKE_PREVIEW_DIR)};
  }
  QWidget window;
  std::array<QFrame*, 2> boxes{};
  PreviewSetup setup;
};

TEST(PreviewSession, AFailingModuleCallIsSaidAndNoHalfPairOfViewsIsShown) {
  const struct {
    const char* Name;
    const char* Failure;
    const char* Said;
  } cases[] = {
      {"ServingAFileThrows", "serve-throws", "no file may be served"},
      {"NoFirstView", "no-view-box1", "made no view"},
      {"NoSecondView", "no-view-box2", "made no view"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    test_support::TempFolder data;
    Stage stage(data);
    const auto& boxes = stage.boxes;
    PreviewSession session(stage.setup, boxes);

    qputenv("ORVANTA_FAKE_PREVIEW", c.Failure);
    session.Show("popup", "link");
    EXPECT_EQ(session.browser(0), nullptr);
    EXPECT_EQ(session.browser(1), nullptr);
    auto* said = boxes[0]->findChild<QLabel*>(QStringLiteral("lblPreviewError"));
    ASSERT_NE(said, nullptr);
    EXPECT_TRUE(said->isVisible());
    EXPECT_TRUE(said->text().contains(QLatin1String(c.Said))) << said->text().toStdString();
    for (QFrame* box : boxes)
      for (QWidget* view : ViewsIn(box)) EXPECT_FALSE(view->isVisible());
    EXPECT_TRUE(QFile::exists(session.workFolder() + QStringLiteral("test_page.htm")))
        << "the pages are written all the same";

    // Once the module works, the pair is made, reusing a view made before.
    qunsetenv("ORVANTA_FAKE_PREVIEW");
    session.Show("popup", "link");
    for (int i = 0; i < 2; ++i) {
      ASSERT_NE(session.browser(i), nullptr);
      EXPECT_EQ(ViewsIn(boxes[i]), QList<QWidget*>{session.browser(i)->widget()});
      EXPECT_TRUE(session.browser(i)->widget()->isVisible());
    }
  }
}

TEST(PreviewSession, ViewsLeftLongEnoughAreReleasedAndMadeAgainByTheNextShow) {
  using namespace std::chrono_literals;
  const struct {
    const char* Name;
    bool ShowFirst;
    std::vector<bool> InFront;  // the page's moves, 20 ms apart
    bool Released;
  } cases[] = {
      {"Left", true, {false}, true},
      {"LeftTwice", true, {false, false}, true},
      {"BackBeforeTheDelay", true, {false, true}, false},
      {"StaysInFront", true, {true}, false},
      {"LeftBeforeAnyView", false, {false}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    test_support::TempFolder data;
    Stage stage(data);
    const auto& boxes = stage.boxes;
    stage.setup.releaseDelay = 150ms;
    PreviewSession session(stage.setup, boxes);
    int released = 0;
    QObject::connect(&session, &PreviewSession::viewsReleased, [&] { ++released; });
    if (c.ShowFirst) session.Show("popup", "link");
    for (bool inFront : c.InFront) {
      session.SetPreviewInFront(inFront);
      QTest::qWait(20);
    }
    QTest::qWait(300);
    EXPECT_EQ(released, c.Released ? 1 : 0);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(session.browser(i) != nullptr, c.ShowFirst && !c.Released);
      EXPECT_EQ(ViewsIn(boxes[i]).size(), session.browser(i) != nullptr ? 1 : 0);
    }
    session.Show("popup", "link");
    for (int i = 0; i < 2; ++i) {
      ASSERT_NE(session.browser(i), nullptr);
      EXPECT_EQ(ViewsIn(boxes[i]), QList<QWidget*>{session.browser(i)->widget()});
    }
  }
}

}  // namespace
}  // namespace orvanta

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
