// What a screen reader is told about the window's controls, and how their
// edges stand out under a dark palette. The AT-SPI walk of the running
// program is atspi_tree.py.
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "tests/ui/UiTest.h"
#include "ui/Appearance.h"

namespace orvanta::test {
namespace {

using Accessibility = WindowTest;

QAccessibleInterface* Reader(QWidget* widget) {
  return QAccessible::queryAccessibleInterface(widget);
}

TEST_F(Accessibility, SpinArrowsHoldAndStepTheirFieldsValue) {
  QAccessibleInterface* arrows = Reader(Bar("vsbPixels_0"));
  ASSERT_NE(arrows, nullptr);
  QAccessibleValueInterface* value = arrows->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(arrows->text(QAccessible::Name), "Size Width");
  TypeOver(Line("txtPixels_0"), "400");
  EXPECT_EQ(value->currentValue().toInt(), 400);
  EXPECT_EQ(arrows->text(QAccessible::Value), "400");
  EXPECT_EQ(value->maximumValue().toInt(), 2000);
  // The arrows step the bar; each step writes the bar's place in the field.
  for (const auto& [action, field] : {std::pair{QAccessibleActionInterface::increaseAction(), "20"},
                                      {QAccessibleActionInterface::increaseAction(), "40"},
                                      {QAccessibleActionInterface::decreaseAction(), "20"}}) {
    arrows->actionInterface()->doAction(action);
    EXPECT_EQ(Line("txtPixels_0")->text(), field);
  }
}

// A view's page takes the focus through widgets of the engine's own.
bool InsideAView(const QWidget* control) {
  for (const QWidget* w = control->parentWidget(); w != nullptr; w = w->parentWidget())
    if (w->focusProxy() != nullptr) return true;
  return false;
}

// Page by page, as a reader meets them once the balloons are attached.
TEST_F(Accessibility, EveryFocusableControlIsNamedAndDescribed) {
  ASSERT_TRUE(
      WaitUntil([&] { return !Line("txtTitle")->accessibleDescription().isEmpty(); }, 5000));
  int checked = 0;
  for (void (FrmMain::*page)() :
       {&FrmMain::showMainScreen, &FrmMain::showCode, &FrmMain::showPreview, &FrmMain::showAbout}) {
    (window_.get()->*page)();
    for (QWidget* control : window_->findChildren<QWidget*>()) {
      if (control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(window_.get()) ||
          control->window() != window_.get() || InsideAView(control))
        continue;
      QAccessibleInterface* reader = Reader(control);
      ASSERT_NE(reader, nullptr);
      const std::string name = control->objectName().toStdString();
      EXPECT_FALSE(reader->text(QAccessible::Name).trimmed().isEmpty()) << name;
      // Qt gives the tab strip no description of its own; its tabs have one each.
      if (auto* tabs = qobject_cast<QTabBar*>(control)) {
        for (int i = 0; i < tabs->count(); ++i) EXPECT_FALSE(tabs->tabToolTip(i).isEmpty()) << i;
      } else {
        EXPECT_FALSE(reader->text(QAccessible::Description).trimmed().isEmpty()) << name;
      }
      EXPECT_NE(reader->role(), QAccessible::ScrollBar) << name;
      EXPECT_NE(reader->role(), QAccessible::StaticText) << name;
      ++checked;
    }
  }
  EXPECT_GT(checked, 50);
}

// How many pixels of a control's indicator or frame stand out from the
// window background by at least the edge contrast.
int EdgePixels(QWidget* control, const QRect& part) {
  const QImage drawn = control->grab().toImage();
  const QColor background = control->palette().color(QPalette::Window);
  int count = 0;
  for (int y = part.top(); y <= part.bottom(); ++y)
    for (int x = part.left(); x <= part.right(); ++x)
      if (ContrastRatio(drawn.pixelColor(x, y), background) >= kEdgeContrast) ++count;
  return count;
}

TEST_F(Accessibility, ControlEdgesStandOutUnderADarkPalette) {
  // Its shades derive from the button colour, as a desktop's dark theme gives them.
  QPalette dark(QColor(0x40, 0x40, 0x40), QColor(0x35, 0x35, 0x35));
  for (auto [role, colour] : {std::pair{QPalette::WindowText, QColor(0xee, 0xee, 0xee)},
                              {QPalette::Base, QColor(0x2a, 0x2a, 0x2a)},
                              {QPalette::Text, QColor(0xee, 0xee, 0xee)},
                              {QPalette::Button, QColor(0x40, 0x40, 0x40)},
                              {QPalette::ButtonText, QColor(0xee, 0xee, 0xee)}})
    dark.setColor(role, colour);
  const QPalette before = QApplication::palette();
  // A desktop's palette is in place before the window is made.
  QApplication::setPalette(dark);
  Open({});
  const auto indicator = [](QWidget* control, QStyle::SubElement element) {
    QStyleOptionButton option;
    option.initFrom(control);
    return control->style()->subElementRect(element, &option, control);
  };
  const struct {
    const char* name;
    std::function<QRect(QWidget*)> part;
  } cases[] = {
      {"chkWindOpt_0", [&](QWidget* w) { return indicator(w, QStyle::SE_CheckBoxIndicator); }},
      {"ChkCenter", [&](QWidget* w) { return indicator(w, QStyle::SE_CheckBoxIndicator); }},
      {"OptAction_3", [&](QWidget* w) { return indicator(w, QStyle::SE_RadioButtonIndicator); }},
      {"txtName", [](QWidget* w) { return w->rect(); }},
  };
  for (const auto& c : cases) {
    QWidget* control = Child<QWidget>(c.name);
    const QRect part = c.part(control);
    // At least the length of two of its sides, as a drawn outline has.
    EXPECT_GE(EdgePixels(control, part), part.width() + part.height()) << c.name;
  }
  // A light palette keeps its own shades.
  const QPalette light = QApplication::style()->standardPalette();
  EXPECT_EQ(WithVisibleEdges(light), light);
  QApplication::setPalette(before);
}

}  // namespace
}  // namespace orvanta::test
