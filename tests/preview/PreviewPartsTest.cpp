// The preview module's own parts, without the engine: the view's state
// machine and the page-dialog host, driven as the engine's signals and a
// user's keys drive them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "preview/webengine/PageDialogHost.h"
#include "preview/webengine/ViewState.h"
#include "tests/support/EventWait.h"

namespace orvanta {
namespace {

// ---- The view's state machine ----------------------------------------------

enum class Move { Load, Loaded, Failed, Dialog, DialogEnds, Expect, Crash, Exit, Release };

// A move's outcome as a number: 1/0 for accepted/refused, the AfterEnd for
// the renderer's end.
int Apply(ViewStateMachine& machine, Move move) {
  switch (move) {
    case Move::Load:
      return machine.load();
    case Move::Loaded:
      return machine.loadFinished(true);
    case Move::Failed:
      return machine.loadFinished(false);
    case Move::Dialog:
      return machine.dialogOpened();
    case Move::DialogEnds:
      return machine.dialogClosed();
    case Move::Expect:
      return machine.expectRestart();
    case Move::Crash:
      return static_cast<int>(machine.rendererEnded(true));
    case Move::Exit:
      return static_cast<int>(machine.rendererEnded(false));
    case Move::Release:
      return machine.release();
  }
  return -1;
}

constexpr int kNothing = static_cast<int>(ViewStateMachine::AfterEnd::Nothing);
constexpr int kLoadAgain = static_cast<int>(ViewStateMachine::AfterEnd::LoadAgain);
constexpr int kStop = static_cast<int>(ViewStateMachine::AfterEnd::Stop);

struct MachineCase {
  const char* Name;
  std::vector<Move> Moves;
  std::vector<int> Outcomes;  // one per move
  ViewState End;
  bool Stopped;
  bool Retrying;
};

void PrintTo(const MachineCase& c, std::ostream* os) { *os << c.Name; }

class ViewStateMoves : public ::testing::TestWithParam<MachineCase> {};

TEST_P(ViewStateMoves, EachMoveIsMadeOrRefusedWhole) {
  const MachineCase& c = GetParam();
  ASSERT_EQ(c.Moves.size(), c.Outcomes.size());
  ViewStateMachine machine;
  for (std::size_t i = 0; i < c.Moves.size(); ++i)
    EXPECT_EQ(Apply(machine, c.Moves[i]), c.Outcomes[i]) << "move " << i;
  EXPECT_EQ(machine.state(), c.End);
  EXPECT_EQ(machine.stopped(), c.Stopped);
  EXPECT_EQ(machine.retrying(), c.Retrying);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewStateMoves,
    ::testing::Values(
        MachineCase{
            "LoadEndsIdle", {Move::Load, Move::Loaded}, {1, 1}, ViewState::Idle, false, false},
        MachineCase{"SecondDialogRefused",
                    {Move::Dialog, Move::Dialog},
                    {1, 0},
                    ViewState::InDialog,
                    false,
                    false},
        MachineCase{"DialogEndsBackInTheLoad",
                    {Move::Load, Move::Dialog, Move::DialogEnds},
                    {1, 1, 1},
                    ViewState::Loading,
                    false,
                    false},
        MachineCase{"NoDialogToEnd",
                    {Move::Load, Move::DialogEnds},
                    {1, 0},
                    ViewState::Loading,
                    false,
                    false},
        MachineCase{"LoadAskedDuringADialogWaitsBeneathIt",
                    {Move::Dialog, Move::Load},
                    {1, 1},
                    ViewState::InDialog,
                    false,
                    false},
        MachineCase{"StoppedPageAsksNoDialog",
                    {Move::Load, Move::Crash, Move::Dialog},
                    {1, kStop, 0},
                    ViewState::Stopped,
                    true,
                    false},
        MachineCase{"CrashUnderADialogStopsOnceItEnds",
                    {Move::Load, Move::Dialog, Move::Crash, Move::DialogEnds},
                    {1, 1, kStop, 1},
                    ViewState::Stopped,
                    true,
                    false},
        MachineCase{"ExpectedEndLoadsAgainAndHidesTheCutLoad",
                    {Move::Load, Move::Expect, Move::Crash, Move::Failed, Move::Loaded},
                    {1, 1, kLoadAgain, 0, 1},
                    ViewState::Idle,
                    false,
                    false},
        MachineCase{"CutLoadRetriedUntilItEnds",
                    {Move::Load, Move::Expect, Move::Crash, Move::Failed},
                    {1, 1, kLoadAgain, 0},
                    ViewState::Loading,
                    false,
                    true},
        MachineCase{"SameLoadEndedTwiceStops",
                    {Move::Load, Move::Expect, Move::Crash, Move::Expect, Move::Crash},
                    {1, 1, kLoadAgain, 0, kStop},
                    ViewState::Stopped,
                    true,
                    false},
        MachineCase{"NewLoadMayBeRestartedAgain",
                    {Move::Load, Move::Expect, Move::Crash, Move::Load, Move::Expect, Move::Crash},
                    {1, 1, kLoadAgain, 1, 1, kLoadAgain},
                    ViewState::Loading,
                    false,
                    true},
        MachineCase{"NoRestartWhenNothingLoads",
                    {Move::Expect, Move::Crash},
                    {0, kStop},
                    ViewState::Stopped,
                    true,
                    false},
        MachineCase{"FailedLoadIsToldWithoutRestart",
                    {Move::Load, Move::Failed},
                    {1, 1},
                    ViewState::Idle,
                    false,
                    false},
        MachineCase{"ExitLeavesTheViewAsItWas",
                    {Move::Load, Move::Loaded, Move::Exit},
                    {1, 1, kNothing},
                    ViewState::Idle,
                    false,
                    false},
        MachineCase{"ReloadLeavesStopped",
                    {Move::Crash, Move::Load},
                    {kStop, 1},
                    ViewState::Loading,
                    false,
                    false},
        MachineCase{"ReleasedRefusesEverything",
                    {Move::Load, Move::Release, Move::Load, Move::Loaded, Move::Dialog,
                     Move::Expect, Move::Crash, Move::Release},
                    {1, 1, 0, 0, 0, 0, kNothing, 0},
                    ViewState::Released,
                    false,
                    false},
        MachineCase{"ReleaseDuringADialogIsFinal",
                    {Move::Dialog, Move::Release, Move::DialogEnds},
                    {1, 1, 0},
                    ViewState::Released,
                    false,
                    false}),
    [](const ::testing::TestParamInfo<MachineCase>& row) { return std::string(row.param.Name); });

// ---- The page-dialog host
// ------------------------------------------------------

QWidget* OpenDialog(QWidget* view) {
  for (QWidget* w : view->findChildren<QWidget*>(QStringLiteral("pageDialog")))
    if (w->isVisible()) return w;
  return nullptr;
}

// Presses a key where the user's focus is in the open dialog.
void Press(QWidget* view, Qt::Key key) {
  QWidget* dialog = OpenDialog(view);
  ASSERT_NE(dialog, nullptr);
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr || !dialog->isAncestorOf(target)) target = dialog;
  QTest::keyClick(target, key);
}

class DialogHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.resize(400, 300);
    view_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  }

  // Runs one dialog; `answer` runs inside it, once it shows.
  bool Run(PageDialogHost::Kind kind, const std::function<void()>& answer,
           QString* text = nullptr) {
    QTimer::singleShot(0, &view_, answer);
    return host_.run(kind, QStringLiteral("message"), text);
  }

  bool Offered() const {
    QWidget* dialog = OpenDialog(const_cast<QWidget*>(&view_));
    return dialog != nullptr && dialog->findChild<QCheckBox*>(QStringLiteral("chkStopDialogs"));
  }

  QWidget view_;
  PageDialogHost host_{&view_, nullptr};
};

TEST_F(DialogHostTest, StopIsOfferedFromTheThirdDialogInQuickSuccession) {
  std::vector<bool> offered;
  for (int i = 0; i < 4; ++i) {
    Run(PageDialogHost::Kind::Alert, [&] {
      offered.push_back(Offered());
      Press(&view_, Qt::Key_Return);
    });
  }
  EXPECT_EQ(offered, (std::vector<bool>{false, false, true, true}));
}

TEST_F(DialogHostTest, AnswersComeBackAsTheUserGaveThem) {
  QString text = QStringLiteral("old");
  EXPECT_TRUE(Run(
      PageDialogHost::Kind::Prompt,
      [&] {
        auto* edit = OpenDialog(&view_)->findChild<QLineEdit*>(QStringLiteral("txtPageDialog"));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), "old");
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, QStringLiteral("er"));
        Press(&view_, Qt::Key_Enter);
      },
      &text));
  EXPECT_EQ(text, "older");
  QString kept = QStringLiteral("kept");
  EXPECT_FALSE(Run(
      PageDialogHost::Kind::Prompt, [&] { Press(&view_, Qt::Key_Escape); }, &kept));
  EXPECT_EQ(kept, "kept");
  EXPECT_FALSE(Run(PageDialogHost::Kind::Confirm, [&] { Press(&view_, Qt::Key_Escape); }));
  EXPECT_FALSE(host_.open());
}

// After the dialogs were stopped, by the user or by leaving the page, which
// address must arrive before the page may ask again.
struct StopCase {
  const char* Name;
  bool ByUser;          // ticked "Stop further dialogs"; else the page was left
  const char* Arrives;  // what the engine reports next ("" for nothing)
  bool AsksAgain;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.Name; }

class DialogStopRule : public DialogHostTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(DialogStopRule, FurtherDialogsWaitForTheExpectedDocument) {
  const StopCase& c = GetParam();
  const QUrl next(QStringLiteral("orvanta-page:/test_page.htm?load=2"));
  if (c.ByUser) {
    for (int i = 0; i < 3; ++i) {
      Run(PageDialogHost::Kind::Alert, [&] {
        if (auto* stop =
                OpenDialog(&view_)->findChild<QCheckBox*>(QStringLiteral("chkStopDialogs")))
          stop->setChecked(true);
        Press(&view_, Qt::Key_Return);
      });
    }
  } else {
    host_.leave();
  }
  host_.expect(next);
  // A stopped page's dialog is refused at once, without showing.
  bool shown = false;
  EXPECT_FALSE(Run(PageDialogHost::Kind::Alert, [&] { shown = OpenDialog(&view_) != nullptr; }));
  EXPECT_FALSE(shown);
  if (*c.Arrives != '\0') host_.arrived(QUrl(QString::fromLatin1(c.Arrives)));
  shown = false;
  Run(PageDialogHost::Kind::Alert, [&] {
    shown = OpenDialog(&view_) != nullptr;
    if (shown) Press(&view_, Qt::Key_Return);
  });
  EXPECT_EQ(shown, c.AsksAgain);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DialogStopRule,
    ::testing::Values(
        StopCase{"LeftNothingArrived", false, "", false},
        StopCase{"LeftOldDocumentStillThere", false, "orvanta-page:/test_page.htm?load=1", false},
        StopCase{"LeftNewDocumentArrived", false, "orvanta-page:/test_page.htm?load=2", true},
        StopCase{"UserStoppedSameDocument", true, "", false},
        StopCase{"UserStoppedOtherAddress", true, "about:blank", false},
        StopCase{"UserStoppedNewDocumentArrived", true, "orvanta-page:/test_page.htm?load=2",
                 true}),
    [](const ::testing::TestParamInfo<StopCase>& row) { return std::string(row.param.Name); });

TEST_F(DialogHostTest, WhatWaitsForTheDialogRunsOnlyAfterTheCallReturned) {
  bool inCall = false;
  std::vector<std::string> ran;
  QObject context;
  const bool accepted = [&] {
    inCall = true;
    const bool answer = Run(PageDialogHost::Kind::Confirm, [&] {
      EXPECT_TRUE(PageDialogHost::anyOpen());
      host_.afterDialog([&] { ran.push_back(inCall ? "after, in call" : "after"); });
      PageDialogHost::whenNoneOpen(&context,
                                   [&] { ran.push_back(inCall ? "idle, in call" : "idle"); });
      // Leaving the page answers the dialog with Cancel.
      host_.leave();
    });
    inCall = false;
    return answer;
  }();
  EXPECT_FALSE(accepted);
  EXPECT_TRUE(ran.empty());
  ASSERT_TRUE(test_support::WaitUntil([&] { return ran.size() == 2; }, 5000));
  EXPECT_EQ(ran, (std::vector<std::string>{"after", "idle"}));
  EXPECT_FALSE(PageDialogHost::anyOpen());
}

TEST_F(DialogHostTest, WaitingWorkIsDroppedWhenItsObjectWent) {
  bool ran = false;
  auto context = std::make_unique<QObject>();
  Run(PageDialogHost::Kind::Alert, [&] {
    PageDialogHost::whenNoneOpen(context.get(), [&] { ran = true; });
    context.reset();
    Press(&view_, Qt::Key_Return);
  });
  ASSERT_TRUE(test_support::SettlePendingWork(5000));
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace orvanta

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
