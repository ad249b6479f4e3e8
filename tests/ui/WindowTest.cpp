// The window as it opens: state, layout, fonts, focus order, page stack.
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>

#include "tests/ui/UiTest.h"

namespace orvanta::test {
namespace {

using StartUp = WindowTest;

TEST_F(StartUp, ShowsTheInputScreenReadyForEntries) {
  EXPECT_EQ(window_->windowTitle(), "Orvanta");
  EXPECT_EQ(Tabs()->currentIndex(), 0);
  EXPECT_EQ(Visible(Tabs()->tabText(0)), "Main Screen");
  EXPECT_EQ(Visible(Tabs()->tabText(1)), "View Code");
  EXPECT_EQ(Visible(Tabs()->tabText(2)), "Preview");
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_0")));
  EXPECT_EQ(Line("txtURL")->text(), "http://");
  EXPECT_EQ(Line("txtName")->text(), "");
  EXPECT_EQ(Line("txtTitle")->text(), "");
  EXPECT_TRUE(Button("OptAction_0")->isChecked());
  EXPECT_TRUE(Button("OptWin_0")->isChecked());
  EXPECT_FALSE(Button("ChkCenter")->isChecked());
  for (int i = 0; i < 10; ++i)
    EXPECT_FALSE(Button(qPrintable(QStringLiteral("chkWindOpt_%1").arg(i)))->isChecked()) << i;
  for (const char* name :
       {"txtPixels_0", "txtPixels_1", "txtPixels_2", "txtPixels_3", "txtDelay_0", "txtDelay_1"}) {
    EXPECT_EQ(Line(name)->text(), "") << name;
    EXPECT_TRUE(Line(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(Box("txtCode")->toPlainText().isEmpty());
  EXPECT_TRUE(Box("txtCodeLink")->toPlainText().isEmpty());
  EXPECT_FALSE(Child<QWidget>("FrmView_0")->isVisible());
  EXPECT_FALSE(Child<QWidget>("FrmView_1")->isVisible());
  EXPECT_EQ(window_->browser(0), nullptr) << "the preview module loads on first use only";
}

TEST_F(StartUp, AboutPanelWaitsHiddenAndShowsTheVersion) {
  auto* about = Child<QGroupBox>("frmMenu_2");
  EXPECT_FALSE(about->isVisible());
  EXPECT_EQ(about->title(), "About");
  EXPECT_EQ(Child<QLabel>("lblVersion")->text(), "Version 2.1.3");
}

TEST_F(StartUp, WindowHasTheFixedClientArea) {
  EXPECT_EQ(window_->size(), QSize(504, 484));
  EXPECT_EQ(window_->minimumSize(), window_->maximumSize());
}

TEST_F(StartUp, ControlsSitWhereTheLayoutPutsThem) {
  struct Place {
    const char* name;
    QRect rect;
  };
  const Place places[] = {
      {"stkPages", {10, 32, 483, 439}},      {"frmMenu_0", {0, 0, 483, 439}},
      {"frmPreview", {0, 0, 483, 439}},      {"Frame5", {8, 10, 467, 139}},
      {"Frame4", {8, 156, 469, 55}},         {"Frame3", {8, 220, 469, 65}},
      {"Frame1", {8, 288, 468, 53}},         {"cmdGo_0", {8, 356, 97, 23}},
      {"cmdGo_2", {168, 356, 51, 23}},       {"Label10", {336, 360, 49, 17}},
      {"picHelp_2", {444, 352, 29, 33}},     {"txtName", {88, 18, 195, 19}},
      {"txtPixels_2", {394, 16, 43, 19}},    {"vsbPixels_2", {436, 16, 15, 21}},
      {"ChkCenter", {394, 60, 57, 16}},      {"txtDelay_1", {100, 40, 33, 19}},
      {"vsbDelay_1", {132, 40, 13, 21}},     {"FrmView_0", {8, 10, 467, 409}},
      {"txtCode", {8, 16, 453, 251}},        {"txtCodeLink", {8, 312, 453, 63}},
      {"cmdCopy_1", {6, 380, 115, 23}},      {"FrmView_1", {8, 12, 467, 409}},
      {"boxWebBrowser1", {8, 16, 453, 160}}, {"txtReport", {8, 196, 453, 89}},
      {"boxWebBrowser2", {8, 320, 453, 57}}, {"cmdsrc_2", {6, 380, 121, 21}},
      {"cmdAbout", {224, 398, 55, 19}},
  };
  for (const Place& place : places) {
    QWidget* control = Child<QWidget>(place.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), place.rect) << place.name;
  }

  // Option groups: the window type apart from the activation.
  EXPECT_EQ(Button("OptWin_0")->parentWidget()->objectName(), "Frame2");
  EXPECT_EQ(Button("OptAction_0")->parentWidget()->objectName(), "Frame1");
}

TEST_F(StartUp, CaptionsCarryTheirTextsAndFonts) {
  const std::pair<const char*, const char*> captions[] = {
      {"Label5", "Function Name"},      {"Label11", "Location Top"},
      {"Label10", " About ..."},        {"OptAction_1", "Page Load"},
      {"OptAction_5", "Image Link"},    {"chkWindOpt_7", "Dependent"},
      {"cmdCopy_0", "Copy Popup Code"}, {"cmdsrc_2", "Launch in Browser"},
      {"Label17", "Auto close after"},
  };
  for (const auto& [name, text] : captions) {
    QWidget* control = Child<QWidget>(name);
    ASSERT_NE(control, nullptr);
    const QString shown = qobject_cast<QLabel*>(control) != nullptr
                              ? qobject_cast<QLabel*>(control)->text()
                              : qobject_cast<QAbstractButton*>(control)->text();
    EXPECT_EQ(Visible(shown), text) << name;
  }
  const QFont font = Child<QLabel>("Label5")->font();
  EXPECT_TRUE(font.family() == "MS Sans Serif" || font.family() == "Liberation Sans")
      << qPrintable(font.family());
  EXPECT_DOUBLE_EQ(font.pointSizeF(), 8.25);
  EXPECT_TRUE(Child<QLabel>("Label1")->font().bold());
  EXPECT_FALSE(Child<QLabel>("Label5")->font().bold());
  ClickTab(1);  // the code boxes get their font when the page first shows
  EXPECT_TRUE(QFontInfo(Box("txtCode")->font()).fixedPitch());
  EXPECT_TRUE(QFontInfo(Box("txtCodeLink")->font()).fixedPitch());
  EXPECT_EQ(Box("txtCode")->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(Box("txtCode")->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(Box("txtCodeLink")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

// Every caption must fit its control in the fixed layout.
TEST_F(StartUp, NoCaptionIsClipped) {
  int checked = 0;
  for (QLabel* label : window_->findChildren<QLabel*>()) {
    if (label->text().isEmpty() || label->wordWrap()) continue;
    const QFontMetrics metrics(label->font());
    EXPECT_LE(metrics.horizontalAdvance(Visible(label->text())), label->contentsRect().width())
        << qPrintable(label->objectName());
    ++checked;
  }
  for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
    if (button->text().isEmpty()) continue;
    const QFontMetrics metrics(button->font());
    int needed = metrics.horizontalAdvance(Visible(button->text()));
    if (qobject_cast<QPushButton*>(button) != nullptr) {
      needed += 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    } else {
      needed = button->sizeHint().width();
      EXPECT_LE(button->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, button),
                button->height())
          << qPrintable(button->objectName());
    }
    EXPECT_LE(needed, button->width()) << qPrintable(button->objectName());
    EXPECT_LE(metrics.height(), button->height()) << qPrintable(button->objectName());
    ++checked;
  }
  for (QGroupBox* group : window_->findChildren<QGroupBox*>()) {
    const QFontMetrics metrics(group->font());
    EXPECT_LT(metrics.horizontalAdvance(group->title()) + 16, group->width())
        << qPrintable(group->objectName());
  }
  EXPECT_GT(checked, 40);
}

TEST_F(StartUp, TabKeyVisitsTheInputsInOrder) {
  const QStringList expected = {
      "txtName",      "txtTitle",     "txtURL",       "txtPixels_2",  "vsbPixels_2",
      "txtPixels_3",  "vsbPixels_3",  "ChkCenter",    "txtPixels_0",  "vsbPixels_0",
      "txtPixels_1",  "vsbPixels_1",  "OptWin_0",     "OptWin_1",     "OptWin_2",
      "OptWin_3",     "chkWindOpt_0", "chkWindOpt_1", "chkWindOpt_2", "chkWindOpt_3",
      "chkWindOpt_4", "chkWindOpt_5", "chkWindOpt_6", "chkWindOpt_7", "chkWindOpt_8",
      "chkWindOpt_9", "txtDelay_0",   "vsbDelay_0",   "txtDelay_1",   "vsbDelay_1",
      "OptAction_0",  "OptAction_5",  "OptAction_3",  "OptAction_4",  "OptAction_1",
      "OptAction_2",  "cmdGo_0",      "cmdGo_2",      "Label10",      "picHelp_2"};
  QStringList visited;
  QWidget* at = Line("txtName");
  while (visited.size() < expected.size()) {
    if (at->focusPolicy() & Qt::TabFocus) visited << at->objectName();
    at = at->nextInFocusChain();
  }
  EXPECT_EQ(visited, expected);
}

}  // namespace
}  // namespace orvanta::test
