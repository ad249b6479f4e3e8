// When balloons show and hide, and what SetupFieldHelp attaches.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "ui/help/FieldHelp.h"

namespace orvanta {
namespace {

void SendEnter(QWidget* w) {
  QEnterEvent event(QPointF(3, 3), QPointF(3, 3), QPointF(w->mapToGlobal(QPoint(3, 3))));
  QCoreApplication::sendEvent(w, &event);
}

void SendLeave(QWidget* w) {
  QEvent event(QEvent::Leave);
  QCoreApplication::sendEvent(w, &event);
}

void SendMove(QWidget* w) {
  QMouseEvent event(QEvent::MouseMove, QPointF(4, 4), QPointF(w->mapToGlobal(QPoint(4, 4))),
                    Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

void SendPress(QWidget* w) {
  QMouseEvent event(QEvent::MouseButtonPress, QPointF(4, 4), QPointF(w->mapToGlobal(QPoint(4, 4))),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

TEST(FieldHelpDelays, FollowTheDoubleClickInterval) {
  struct Case {
    int interval, initial, autoHide, reshow;
  };
  for (const Case c :
       {Case{500, 500, 5000, 100}, Case{400, 400, 4000, 80}, Case{120, 120, 1200, 24}}) {
    const FieldHelpDelays d = FieldHelpDelaysFor(c.interval);
    EXPECT_EQ(d.initialMs, c.initial);
    EXPECT_EQ(d.autoHideMs, c.autoHide);
    EXPECT_EQ(d.reshowMs, c.reshow);
  }
}

// A small form with two fields that have balloons and a button that has none.
class BalloonTimingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedInterval_ = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(kInterval);
    form_ = std::make_unique<QWidget>();
    form_->resize(300, 200);
    first_ = new QLineEdit(form_.get());
    first_->setGeometry(10, 10, 120, 20);
    second_ = new QLineEdit(form_.get());
    second_->setGeometry(10, 40, 120, 20);
    other_ = new QPushButton(QStringLiteral("none"), form_.get());
    other_->setGeometry(10, 80, 80, 24);
    form_->show();
    firstBalloon_ = AddFieldHelp(first_, QStringLiteral("first|field"), form_.get());
    secondBalloon_ = AddFieldHelp(second_, QStringLiteral("second field"), form_.get());
    ASSERT_NE(firstBalloon_, nullptr);
    ASSERT_NE(secondBalloon_, nullptr);
    controller_ = FieldHelpController::Of(form_.get());
    // The offscreen pointer sends real moves: keep it off the controls so
    // only the events sent here reach them.
    QCursor::setPos(form_->mapToGlobal(QPoint(250, 170)));
    QApplication::processEvents();
  }
  void TearDown() override {
    form_.reset();
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(savedInterval_);
  }

  // Waits for the balloon to show; returns the milliseconds it took.
  qint64 WaitShown(FieldHelpBalloon* balloon) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return balloon->isVisible(); }, 5000));
    return clock.elapsed();
  }

  // Returns once a balloon the controller is waiting for would have shown: a
  // timer of the same delay started now fires after any it started before.
  void PassTheInitialDelay() {
    bool passed = false;
    QTimer::singleShot(kInterval, Qt::PreciseTimer, form_.get(), [&passed] { passed = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return passed; }, 5000));
  }

  static constexpr int kInterval = 150;
  int savedInterval_ = 0;
  std::unique_ptr<QWidget> form_;
  QLineEdit* first_ = nullptr;
  QLineEdit* second_ = nullptr;
  QPushButton* other_ = nullptr;
  FieldHelpBalloon* firstBalloon_ = nullptr;
  FieldHelpBalloon* secondBalloon_ = nullptr;
  FieldHelpController* controller_ = nullptr;
};

TEST_F(BalloonTimingTest, ShowsAfterTheInitialDelayAndHidesAfterTenTimesIt) {
  QElapsedTimer clock;
  clock.start();
  SendEnter(first_);
  EXPECT_TRUE(controller_->showWait().active);
  EXPECT_EQ(controller_->showWait().intervalMs, kInterval);
  EXPECT_FALSE(firstBalloon_->isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return firstBalloon_->isVisible(); }, 5000));
  EXPECT_GE(clock.elapsed(), kInterval - 5);
  EXPECT_EQ(controller_->shown(), firstBalloon_);
  EXPECT_FALSE(secondBalloon_->isVisible());

  EXPECT_TRUE(controller_->hideWait().active);
  EXPECT_EQ(controller_->hideWait().intervalMs, 10 * kInterval);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !firstBalloon_->isVisible(); }, 10000));
  EXPECT_GE(clock.elapsed(), 11 * kInterval - 5);
  // It stays hidden while the pointer stays on the control.
  SendMove(first_);
  EXPECT_FALSE(controller_->showWait().active);
  PassTheInitialDelay();
  EXPECT_FALSE(firstBalloon_->isVisible());
}

TEST_F(BalloonTimingTest, DelayFollowsAChangedDoubleClickInterval) {
  QGuiApplication::styleHints()->setMouseDoubleClickInterval(230);
  SendEnter(first_);
  EXPECT_EQ(controller_->showWait().intervalMs, 230);
  WaitShown(firstBalloon_);
  EXPECT_EQ(controller_->hideWait().intervalMs, 2300);
}

TEST_F(BalloonTimingTest, RestingIsNeededMovesRestartTheWait) {
  SendEnter(first_);
  for (int i = 0; i < 6; ++i) {
    // A third of the delay passes, then the pointer moves on the control.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return controller_->showWait().remainingMs <= 2 * kInterval / 3; }, 5000));
    SendMove(first_);
    EXPECT_GT(controller_->showWait().remainingMs, 2 * kInterval / 3) << "move " << i;
  }
  EXPECT_FALSE(firstBalloon_->isVisible());
  WaitShown(firstBalloon_);
}

TEST_F(BalloonTimingTest, LeavingTheControlHidesIt) {
  SendEnter(first_);
  WaitShown(firstBalloon_);
  SendLeave(first_);
  EXPECT_FALSE(firstBalloon_->isVisible());
  EXPECT_EQ(controller_->shown(), nullptr);
  EXPECT_FALSE(controller_->hideWait().active);
}

TEST_F(BalloonTimingTest, LeavingBeforeTheDelayShowsNothing) {
  SendEnter(first_);
  SendLeave(first_);
  EXPECT_FALSE(controller_->showWait().active);
  PassTheInitialDelay();
  EXPECT_FALSE(firstBalloon_->isVisible());
}

TEST_F(BalloonTimingTest, MovingOnFromAShownBalloonBringsTheNextAfterAFifth) {
  SendEnter(first_);
  WaitShown(firstBalloon_);
  SendLeave(first_);
  SendEnter(second_);
  EXPECT_EQ(controller_->showWait().intervalMs, kInterval / 5);
  WaitShown(secondBalloon_);
  EXPECT_FALSE(firstBalloon_->isVisible());
}

TEST_F(BalloonTimingTest, MovingOnWithoutAShownBalloonWaitsTheFullDelay) {
  SendEnter(first_);
  SendLeave(first_);
  SendEnter(second_);
  EXPECT_EQ(controller_->showWait().intervalMs, kInterval);
}

TEST_F(BalloonTimingTest, AMousePressOnTheControlHidesIt) {
  SendEnter(first_);
  WaitShown(firstBalloon_);
  SendPress(first_);
  EXPECT_FALSE(firstBalloon_->isVisible());
  EXPECT_EQ(controller_->shown(), nullptr);
  // No comeback until the pointer leaves and returns.
  SendMove(first_);
  EXPECT_FALSE(controller_->showWait().active);
  PassTheInitialDelay();
  EXPECT_FALSE(firstBalloon_->isVisible());
  SendLeave(first_);
  SendEnter(first_);
  EXPECT_EQ(controller_->showWait().intervalMs, kInterval);
  WaitShown(firstBalloon_);
}

TEST_F(BalloonTimingTest, APressAnywhereHidesItOrCancelsTheWait) {
  SendEnter(first_);
  WaitShown(firstBalloon_);
  SendPress(other_);
  EXPECT_FALSE(firstBalloon_->isVisible());

  SendLeave(first_);
  SendEnter(second_);
  SendPress(other_);
  EXPECT_FALSE(controller_->showWait().active);
  PassTheInitialDelay();
  EXPECT_FALSE(secondBalloon_->isVisible());
}

TEST_F(BalloonTimingTest, ShownWhileTheOwnerIsInactive) {
  QWidget elsewhere;
  elsewhere.show();
  elsewhere.activateWindow();
  QApplication::processEvents();
  SendEnter(first_);
  WaitShown(firstBalloon_);
  EXPECT_NE(QApplication::activeWindow(), firstBalloon_);
}

TEST_F(BalloonTimingTest, HidingTheControlHidesItsBalloon) {
  SendEnter(first_);
  WaitShown(firstBalloon_);
  first_->hide();
  EXPECT_FALSE(firstBalloon_->isVisible());
}

TEST_F(BalloonTimingTest, AControlDestroyedWhileWaitingShowsNothing) {
  SendEnter(first_);
  delete first_;
  first_ = nullptr;
  PassTheInitialDelay();
  EXPECT_FALSE(firstBalloon_->isVisible());
  EXPECT_EQ(controller_->shown(), nullptr);
}

// ---- Attaching ------------------------------------------------------------

TEST(AddFieldHelp, AddsOneEntryPerAttachmentAndStoresCrLf) {
  QWidget form;
  auto* field = new QLineEdit(&form);
  FieldHelpBalloon* balloon = AddFieldHelp(field, QStringLiteral("one|two"), &form);
  ASSERT_NE(balloon, nullptr);
  ASSERT_EQ(FieldHelpWindows(&form).size(), 1u);
  EXPECT_EQ(FieldHelpWindows(&form).back().balloon, balloon);
  EXPECT_EQ(FieldHelpWindows(&form).back().control, field);
  EXPECT_EQ(balloon->text(), QStringLiteral("one\r\ntwo"));
  EXPECT_EQ(balloon->parentWidget(), &form);
  // The same control again is a second entry.
  AddFieldHelp(field, QStringLiteral("again"), &form);
  EXPECT_EQ(FieldHelpWindows(&form).size(), 2u);
  EXPECT_EQ(AddFieldHelp(nullptr, QStringLiteral("nothing"), &form), nullptr);
  EXPECT_EQ(FieldHelpWindows(&form).size(), 2u);
}

TEST(AddFieldHelp, EntriesGoWithTheirControlAndTheListWithItsForm) {
  QWidget other;
  EXPECT_TRUE(FieldHelpWindows(&other).empty());
  EXPECT_TRUE(FieldHelpWindows(nullptr).empty());
  QWidget form;
  auto* gone = new QLineEdit(&form);
  AddFieldHelp(gone, QStringLiteral("gone soon"), &form);
  AddFieldHelp(new QLineEdit(&form), QStringLiteral("stays"), &form);
  AddFieldHelp(gone, QStringLiteral("gone too"), &form);
  ASSERT_EQ(FieldHelpWindows(&form).size(), 3u);
  delete gone;
  ASSERT_EQ(FieldHelpWindows(&form).size(), 1u);
  EXPECT_EQ(FieldHelpWindows(&form)[0].balloon->text(), QStringLiteral("stays"));
}

// The main window's controls in the order their help is attached.
const char* const kOrder[37] = {
    "txtName",      "txtTitle",     "txtURL",       "txtPixels_2",  "txtPixels_3",  "txtPixels_0",
    "txtPixels_1",  "ChkCenter",    "OptWin_0",     "OptWin_1",     "OptWin_2",     "OptAction_0",
    "OptAction_1",  "OptAction_2",  "OptAction_3",  "OptAction_4",  "OptAction_5",  "chkWindOpt_0",
    "chkWindOpt_1", "chkWindOpt_2", "chkWindOpt_3", "chkWindOpt_4", "chkWindOpt_5", "chkWindOpt_6",
    "chkWindOpt_7", "chkWindOpt_8", "chkWindOpt_9", "txtDelay_0",   "txtDelay_1",   "cmdGo_0",
    "cmdGo_2",      "picHelp_0",    "picHelp_1",    "picHelp_2",    "cmdCopy_0",    "cmdCopy_1",
    "OptWin_3"};

// Built in creation order unlike the attachment order, so that order comes
// from the table and not from the children list.
std::unique_ptr<QWidget> MakeForm(const QStringList& leaveOut = {}) {
  auto form = std::make_unique<QWidget>();
  for (int i = 36; i >= 0; --i) {
    const QString name = QString::fromLatin1(kOrder[i]);
    if (leaveOut.contains(name)) continue;
    QWidget* control = nullptr;
    if (name.startsWith(QLatin1String("txt")))
      control = new QLineEdit(form.get());
    else if (name.startsWith(QLatin1String("chk")) || name == QLatin1String("ChkCenter"))
      control = new QCheckBox(form.get());
    else if (name.startsWith(QLatin1String("Opt")))
      control = new QRadioButton(form.get());
    else if (name.startsWith(QLatin1String("pic")))
      control = new QToolButton(form.get());
    else
      control = new QPushButton(form.get());
    control->setObjectName(name);
  }
  // The code box has no balloon.
  (new QLineEdit(form.get()))->setObjectName(QStringLiteral("txtCode"));
  return form;
}

TEST(SetupFieldHelp, Attaches37TextsInOrder) {
  auto form = MakeForm();
  const size_t before = 0;
  EXPECT_EQ(SetupFieldHelp(form.get()), 37);
  ASSERT_EQ(FieldHelpWindows(form.get()).size(), before + 37);
  for (size_t i = 0; i < 37; ++i) {
    const FieldHelpEntry& entry = FieldHelpWindows(form.get())[before + i];
    ASSERT_FALSE(entry.control.isNull());
    EXPECT_EQ(entry.control->objectName(), QString::fromLatin1(kOrder[i])) << i;
    ASSERT_FALSE(entry.balloon.isNull());
    EXPECT_EQ(entry.balloon->parentWidget(), form.get());
  }
  auto text = [&](int number) {
    return FieldHelpWindows(form.get())[before + number - 1].balloon->text();
  };
  EXPECT_EQ(text(1), QStringLiteral("Specify a unique name for your JavaScript code"));
  EXPECT_EQ(text(3), QStringLiteral("Specifies the URL or,\r\nthe web page to be displayed"));
  EXPECT_EQ(
      text(6),
      QStringLiteral("Specifies the width, in pixels, \r\nof the window's document display area."));
  EXPECT_EQ(text(16), QStringLiteral("Popup the window when the\r\nmove is moved over a link"));
  EXPECT_EQ(text(18), QStringLiteral(
                          "Specifies whether to display \r\nthe browser toolbar (the toolbar at\r\n"
                          "the top of the window,\r\nincluding Back and Forward)"));
  EXPECT_EQ(
      text(20),
      QStringLiteral("Specifies whether to display \r\ndirectory buttons (best known as the \r\n"
                     "`What's Cool` and `What's New` buttons)"));
  EXPECT_EQ(text(29), QStringLiteral("Specify the number of seconds to automatically close\r\n"
                                     " the Popup Window after it is activated"));
  EXPECT_EQ(text(32), QStringLiteral("Display the online Help file"));
  EXPECT_EQ(text(34), text(32));
  EXPECT_EQ(text(36), QStringLiteral("Copy the JavaScript Launch code\r\nto the clipboard"));
  // Help texts have one to four lines.
  for (int n = 1; n <= 37; ++n) {
    const qsizetype lines = FieldHelpLines(text(n)).size();
    EXPECT_GE(lines, 1);
    EXPECT_LE(lines, 4) << n;
  }
}

TEST(SetupFieldHelp, SkipsMissingControlsAndGoesOn) {
  auto form = MakeForm(
      {QStringLiteral("txtName"), QStringLiteral("OptWin_1"), QStringLiteral("cmdCopy_1")});
  const size_t before = 0;
  EXPECT_EQ(SetupFieldHelp(form.get()), 34);
  ASSERT_EQ(FieldHelpWindows(form.get()).size(), before + 34);
  QStringList attached;
  for (size_t i = before; i < FieldHelpWindows(form.get()).size(); ++i)
    attached << FieldHelpWindows(form.get())[i].control->objectName();
  QStringList expected;
  for (const char* name : kOrder) expected << QString::fromLatin1(name);
  expected.removeOne(QStringLiteral("txtName"));
  expected.removeOne(QStringLiteral("OptWin_1"));
  expected.removeOne(QStringLiteral("cmdCopy_1"));
  EXPECT_EQ(attached, expected);
  EXPECT_EQ(FieldHelpWindows(form.get())[before].balloon->text(),
            QStringLiteral("Specify a unique name for your window"));
}

TEST(SetupFieldHelp, NullFormAttachesNothing) { EXPECT_EQ(SetupFieldHelp(nullptr), 0); }

}  // namespace
}  // namespace orvanta
