// The keyboard as a user drives it: real key presses on whatever holds the
// focus after each kind of page switch, through the whole Tab chain.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <optional>
#include <vector>

#include "tests/support/ModalDialog.h"
#include "tests/ui/UiTest.h"
#include "ui/help/FieldHelp.h"
#include "ui/help/FrmConsult.h"

namespace orvanta::test {
namespace {

std::string Joined(const QStringList& names) { return names.join(' ').toStdString(); }

// How a user gets from one page to another.
enum class Step { Generate, MainScreen, ViewCode, Preview, About, AboutOk };

class Keyboard : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Reopen();
  }

  // A fresh window without the preview module, active as the user's is.
  void Reopen() {
    FrmMainHooks hooks;
    hooks.pluginFolders << temp_->filePath(QStringLiteral("no-module"));
    Open(hooks);
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  void Do(Step step) {
    switch (step) {
      case Step::Generate:
        return Click(Button("cmdGo_0"));
      case Step::MainScreen:
        return ClickTab(0);
      case Step::ViewCode:
        return ClickTab(1);
      case Step::Preview:
        return ClickTab(2);
      case Step::About:
        return ClickWidget(Child<QWidget>("Label10"));
      case Step::AboutOk:
        return Click(Button("cmdAbout"));
    }
  }

  static QWidget* Focus() { return QApplication::focusWidget(); }

  // Every text and check state off the page in front.
  QStringList Behind(QWidget* front) const {
    QStringList state;
    for (QWidget* w : window_->findChildren<QWidget*>()) {
      if (front->isAncestorOf(w)) continue;
      if (auto* line = qobject_cast<QLineEdit*>(w)) state << w->objectName() + '=' + line->text();
      if (auto* box = qobject_cast<QPlainTextEdit*>(w))
        state << w->objectName() + '=' + box->toPlainText();
      if (auto* button = qobject_cast<QAbstractButton*>(w))
        state << w->objectName() + '=' + QString::number(button->isChecked());
    }
    return state;
  }
};

// Of an option group only the chosen option is a stop; arrows move within.
const QStringList kMainStops = {
    "txtName",      "txtTitle",     "txtURL",       "txtPixels_2",  "vsbPixels_2",  "txtPixels_3",
    "vsbPixels_3",  "ChkCenter",    "txtPixels_0",  "vsbPixels_0",  "txtPixels_1",  "vsbPixels_1",
    "OptWin_0",     "chkWindOpt_0", "chkWindOpt_1", "chkWindOpt_2", "chkWindOpt_3", "chkWindOpt_4",
    "chkWindOpt_5", "chkWindOpt_6", "chkWindOpt_7", "chkWindOpt_8", "chkWindOpt_9", "txtDelay_0",
    "vsbDelay_0",   "txtDelay_1",   "vsbDelay_1",   "OptAction_0",  "cmdGo_0",      "cmdGo_2",
    "Label10",      "picHelp_2",    "tbsOptions"};
const QStringList kCodeStops = {"txtCode",   "cmdCopy_0",  "picHelp_0", "txtCodeLink",
                                "cmdCopy_1", "picConsult", "tbsOptions"};
const QStringList kPreviewStops = {"chkAllowPopups", "txtReport",        "picHelp_1",
                                   "cmdsrc_2",       "cmdCheckBrowsers", "tbsOptions"};
const QStringList kAboutStops = {"cmdAbout", "lblCompany_0", "lblVexa_0", "lblProducts_0",
                                 "tbsOptions"};

struct PageSwitch {
  const char* what;
  std::vector<Step> steps;  // after "Generate Code" and "Main Screen"
  const char* front;
  const QStringList& stops;  // the Tab chain from the page's first control
};

const PageSwitch kSwitches[] = {
    {"start-up", {}, "frmMenu_0", kMainStops},
    {"Generate Code", {Step::Generate}, "FrmView_0", kCodeStops},
    {"Main Screen tab", {Step::ViewCode, Step::MainScreen}, "frmMenu_0", kMainStops},
    {"Preview tab", {Step::Preview}, "FrmView_1", kPreviewStops},
    {"View Code tab over Preview", {Step::Preview, Step::ViewCode}, "FrmView_0", kCodeStops},
    {"About panel", {Step::About}, "frmMenu_2", kAboutStops},
    {"About panel's OK", {Step::About, Step::AboutOk}, "frmMenu_0", kMainStops},
    {"a tab over the About panel", {Step::About, Step::Preview}, "FrmView_1", kPreviewStops},
};

TEST_F(Keyboard, KeysReachOnlyThePageInFront) {
  for (const PageSwitch& s : kSwitches) {
    SCOPED_TRACE(s.what);
    Reopen();
    if (!s.steps.empty()) {
      Do(Step::Generate);
      ASSERT_FALSE(Box("txtCode")->toPlainText().isEmpty());
      Do(Step::MainScreen);
    }
    for (Step step : s.steps) Do(step);
    QWidget* front = Child<QWidget>(s.front);
    ASSERT_TRUE(InFront(front));
    ASSERT_NE(Focus(), nullptr);
    EXPECT_EQ(Focus()->objectName().toStdString(), s.stops.first().toStdString())
        << "the page's first control has the focus";
    const QStringList before = Behind(front);

    // Round the chain twice, typing at every stop, and back once.
    QStringList stops;
    for (int i = 0; i < 2 * s.stops.size(); ++i) {
      stops << Focus()->objectName();
      QTest::keyClicks(Focus(), "QW");
      QTest::keyClick(Focus(), Qt::Key_Tab);
    }
    EXPECT_EQ(Joined(stops), Joined(s.stops + s.stops));
    QStringList back;
    for (int i = 0; i < s.stops.size(); ++i) {
      QTest::keyClick(Focus(), Qt::Key_Backtab, Qt::ShiftModifier);
      back.prepend(Focus()->objectName());
    }
    EXPECT_EQ(Joined(back), Joined(s.stops));
    EXPECT_EQ(Joined(Behind(front)), Joined(before));
  }
}

TEST_F(Keyboard, StartUpTypingGoesIntoFunctionName) {
  QTest::keyClicks(Focus(), "openIt");
  EXPECT_EQ(Line("txtName")->text(), "openIt");
}

TEST_F(Keyboard, ShiftEnterBreaksTheLineLikeEnter) {
  ClickTab(1);
  for (const auto modifier : {Qt::NoModifier, Qt::ShiftModifier}) {
    QTest::keyClicks(Focus(), "a");
    QTest::keyClick(Focus(), Qt::Key_Return, modifier);
    QTest::keyClick(Focus(), Qt::Key_Enter, modifier | Qt::KeypadModifier);
  }
  QTest::keyClicks(Focus(), "b");
  EXPECT_EQ(Box("txtCode")->blockCount(), 5);
  Click(Button("cmdCopy_0"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "a\r\n\r\na\r\n\r\nb");
  window_->cmdsrc_Click(2);
  EXPECT_EQ(ReadLaunchedPage(), QByteArray("a\r\n\r\na\r\n\r\nb\r\n"));
}

// The whole job with keys only: fill, generate, copy, switch pages, field
// help, About, the consult dialog's links, quit.
TEST_F(Keyboard, TheWholeJobWithoutTheMouse) {
  const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(Focus(), k, m);
  };
  const auto tabTo = [&](const char* name) {
    for (int i = 0; i < 80 && Focus()->objectName() != name; ++i) key(Qt::Key_Tab);
    ASSERT_EQ(Focus()->objectName().toStdString(), name);
  };
  QTest::keyClicks(Focus(), "openIt");
  key(Qt::Key_W, Qt::AltModifier);
  ASSERT_EQ(Focus(), Line("txtPixels_0"));
  QTest::keyClicks(Focus(), "400");
  tabTo("vsbPixels_0");
  tabTo("cmdGo_0");
  key(Qt::Key_Return);
  EXPECT_EQ(Tabs()->currentIndex(), 1);
  ASSERT_EQ(Focus(), Box("txtCode"));
  EXPECT_TRUE(Box("txtCode")->toPlainText().contains("openIt"));
  key(Qt::Key_A, Qt::ControlModifier);
  key(Qt::Key_C, Qt::ControlModifier);
  const QString copied = QGuiApplication::clipboard()->text();
  EXPECT_TRUE(copied.contains("\r\n"));
  QGuiApplication::clipboard()->clear();
  tabTo("cmdCopy_0");
  key(Qt::Key_Return);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), copied);
  EXPECT_EQ(Button("cmdCopy_0")->text(), "Copied");
  // Pressed again within the moment: the caption must still come back.
  QTest::qWait(700);
  tabTo("cmdCopy_0");
  key(Qt::Key_Return);
  EXPECT_EQ(Button("cmdCopy_0")->text(), "Copied");
  EXPECT_TRUE(
      WaitUntil([&] { return Visible(Button("cmdCopy_0")->text()) == "Copy Popup Code"; }, 5000));
  QTest::qWait(1600);  // past the second press's moment too
  EXPECT_EQ(Visible(Button("cmdCopy_0")->text()), "Copy Popup Code");

  const std::pair<QKeyCombination, int> switches[] = {
      {Qt::CTRL | Qt::Key_Tab, 2},      {Qt::CTRL | Qt::Key_PageUp, 1},
      {Qt::CTRL | Qt::Key_PageDown, 2}, {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, 1},
      {Qt::ALT | Qt::Key_1, 0},         {Qt::ALT | Qt::Key_V, 1},
      {Qt::ALT | Qt::Key_M, 0}};
  for (const auto& [keys, page] : switches) {
    QTest::keyClick(Focus(), keys.key(), keys.keyboardModifiers());
    EXPECT_EQ(Tabs()->currentIndex(), page) << QKeySequence(keys).toString().toStdString();
  }

  key(Qt::Key_N, Qt::AltModifier);
  ASSERT_EQ(Focus(), Line("txtTitle"));
  ASSERT_TRUE(WaitUntil([&] { return !Line("txtTitle")->whatsThis().isEmpty(); }, 5000));
  key(Qt::Key_F1, Qt::ShiftModifier);
  FieldHelpController* help = FieldHelpController::Of(window_.get());
  ASSERT_NE(help->shown(), nullptr);
  EXPECT_TRUE(help->shown()->isVisible());
  key(Qt::Key_Tab);
  ASSERT_NE(help->shown(), nullptr);
  EXPECT_TRUE(help->shown()->text().contains("URL"));

  for (const Qt::Key close : {Qt::Key_Escape, Qt::Key_Return}) {
    tabTo("Label10");
    key(Qt::Key_Return);
    ASSERT_TRUE(InFront(Child<QWidget>("frmMenu_2")));
    EXPECT_EQ(Focus(), Button("cmdAbout"));
    key(close);
    EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_0")));
  }

  Tabs()->setCurrentIndex(1);
  tabTo("picConsult");
  QStringList fromDialog;
  test_support::WhenModal<FrmConsult>([&](FrmConsult* dialog) {
    for (int i = 0; i < 2; ++i) {
      ASSERT_NE(dialog->focusWidget(), nullptr);
      QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
      fromDialog << dialog->focusWidget()->objectName();
      QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    }
    ASSERT_NE(dialog->focusWidget(), nullptr);
    QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
  });
  key(Qt::Key_Space);
  EXPECT_EQ(fromDialog, QStringList({"lblVexa_1", "lblVexa_0"}));
  EXPECT_EQ(shellTargets_.size(), 2);

  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  key(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window_->isVisible());
}

// The window's menu of commands comes up by key wherever the focus is, a text
// field included, and its entries run the commands.
TEST_F(Keyboard, MenuKeyAndShiftF10OpenTheCommandMenuAnywhere) {
  const struct {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    const char* Focus;
  } cases[] = {{Qt::Key_Menu, Qt::NoModifier, "txtURL"},
               {Qt::Key_F10, Qt::ShiftModifier, "txtName"},
               {Qt::Key_F10, Qt::ShiftModifier, "cmdGo_0"},
               {Qt::Key_Menu, Qt::NoModifier, "chkWindOpt_3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Focus);
    Reopen();
    Child<QWidget>(c.Focus)->setFocus();
    QTest::keyClick(Focus(), c.Key, c.Modifiers);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), "commandMenu") << "not the field's own edit menu";
    QStringList entries;
    for (QAction* action : menu->actions())
      if (!action->isSeparator()) entries << Visible(action->text());
    EXPECT_EQ(
        Joined(entries),
        "Generate Code Clear Copy Popup Code Copy Link Code Launch in Browser Reload Test Page "
        "Mouse Over the Link Main Screen View Code Preview About Open Settings… Open Recent "
        "Save Settings… Save Settings As… Save Test Pages To… Help Quit");
    QSet<QChar> letters;  // each entry has a letter of its own
    for (QAction* action : menu->actions())
      if (!action->isSeparator()) letters << action->text().at(action->text().indexOf('&') + 1);
    EXPECT_EQ(letters.size(), entries.size());
    QTest::keyClick(menu, Qt::Key_G);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(Tabs()->currentIndex(), 1) << "the menu's Generate Code ran";
    EXPECT_FALSE(Box("txtCode")->toPlainText().isEmpty());
  }
}

// The window options share a letter two by two: the first press goes to
// one, the second to the other, neither is ticked. A letter of its own ticks
// its option; the Activation group's goes to the chosen option.
TEST_F(Keyboard, OptionLettersReachTheOptionsAndTheChosenActivation) {
  const std::pair<Qt::Key, QStringList> cases[] = {
      {Qt::Key_I, {"chkWindOpt_1", "chkWindOpt_2"}}, {Qt::Key_S, {"chkWindOpt_3", "chkWindOpt_8"}},
      {Qt::Key_B, {"chkWindOpt_4", "chkWindOpt_5"}}, {Qt::Key_E, {"chkWindOpt_7", "chkWindOpt_9"}},
      {Qt::Key_O, {"OptAction_4", "chkWindOpt_0"}},  {Qt::Key_Z, {"chkWindOpt_6"}}};
  Click(Button("OptAction_4"));
  for (const auto& [key, expected] : cases) {
    Line("txtName")->setFocus();
    QStringList reached;
    for (qsizetype i = 0; i < expected.size(); ++i) {
      QTest::keyClick(Focus(), key, Qt::AltModifier);
      reached << Focus()->objectName();
    }
    QTest::qWait(200);  // a button's letter clicks it a moment later
    reached.sort();
    EXPECT_EQ(Joined(reached), Joined(expected));
    QStringList ticked;
    for (QCheckBox* box : window_->findChildren<QCheckBox*>())
      if (box->isChecked()) ticked << box->objectName();
    EXPECT_EQ(Joined(ticked), key == Qt::Key_Z ? "chkWindOpt_6" : "") << Joined(reached);
    Button("chkWindOpt_6")->setChecked(false);
  }
  EXPECT_TRUE(Button("OptAction_4")->isChecked());
}

PopupSettings Entries(ActivationKind activation, WindowOrder order) {
  PopupSettings entries;
  entries.Activation = activation;
  entries.Order = order;
  return entries;
}

// After Clear or a settings file chose another option, Tab goes to the
// chosen one, not to the option that had the focus before.
TEST_F(Keyboard, TabLandsOnTheChosenOptionAfterClearAndFill) {
  const struct {
    const char* Focused;
    std::optional<PopupSettings> Filled;  // none: "Clear" by its letter
    const char* From;
    const char* Stop;
  } cases[] = {
      {"OptAction_3", std::nullopt, "vsbDelay_1", "OptAction_0"},
      {"OptAction_3", Entries(ActivationKind::ImageLink, WindowOrder::Normal), "vsbDelay_1",
       "OptAction_5"},
      {"OptWin_1", Entries(ActivationKind::StandardLink, WindowOrder::InPage), "vsbPixels_1",
       "OptWin_3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Stop);
    Reopen();
    Click(Button(c.Focused));
    ASSERT_EQ(Focus(), Button(c.Focused));
    if (c.Filled) window_->FillScreen(*c.Filled);
    if (!c.Filled) QTest::keyClick(Focus(), Qt::Key_R, Qt::AltModifier);
    QTest::qWait(200);  // a button's letter clicks it a moment later
    Child<QWidget>(c.From)->setFocus();
    QTest::keyClick(Focus(), Qt::Key_Tab);
    EXPECT_EQ(Focus()->objectName().toStdString(), c.Stop);
    EXPECT_TRUE(Button(c.Stop)->isChecked());
  }
}

TEST_F(Keyboard, TheWheelOverTheTabsChangesNoPage) {
  QTabBar* tabs = Tabs();
  const QPoint at = tabs->tabRect(0).center();
  for (int notch : {-120, -120, -120, 120}) {
    QWheelEvent wheel(at, tabs->mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(tabs, &wheel);
  }
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_0")));
  EXPECT_FALSE(WorkFileExists("test_page.htm"));
}

}  // namespace
}  // namespace orvanta::test
