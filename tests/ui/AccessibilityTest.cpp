// How the controls' edges stand out under a dark palette. What a screen
// reader meets is walked in the running program by atspi_tree.py.
#include <QApplication>
#include <QStyle>
#include <QStyleOptionButton>
#include <functional>

#include "tests/ui/UiTest.h"
#include "ui/Appearance.h"

namespace orvanta::test {
namespace {

using Accessibility = WindowTest;

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
    const char* Name;
    std::function<QRect(QWidget*)> Part;
  } cases[] = {
      {"chkWindOpt_0", [&](QWidget* w) { return indicator(w, QStyle::SE_CheckBoxIndicator); }},
      {"ChkCenter", [&](QWidget* w) { return indicator(w, QStyle::SE_CheckBoxIndicator); }},
      {"OptAction_3", [&](QWidget* w) { return indicator(w, QStyle::SE_RadioButtonIndicator); }},
      {"txtName", [](QWidget* w) { return w->rect(); }},
  };
  for (const auto& c : cases) {
    QWidget* control = Child<QWidget>(c.Name);
    const QRect part = c.Part(control);
    // At least the length of two of its sides, as a drawn outline has.
    EXPECT_GE(EdgePixels(control, part), part.width() + part.height()) << c.Name;
  }
  // A light palette keeps its own shades.
  const QPalette light = QApplication::style()->standardPalette();
  EXPECT_EQ(WithVisibleEdges(light), light);
  QApplication::setPalette(before);
}

}  // namespace
}  // namespace orvanta::test
