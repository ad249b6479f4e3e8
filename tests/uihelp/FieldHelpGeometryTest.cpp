// Shape, size, placement and drawing of the help balloons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cmath>
#include <memory>
#include <string>

#include "ui/help/FieldHelp.h"

namespace orvanta {
namespace {

QFontMetrics Metrics() { return QFontMetrics(FieldHelpFont()); }

int Area(const QRegion& region) {
  int area = 0;
  for (const QRect& r : region) area += r.width() * r.height();
  return area;
}

// The balloon as it paints itself, on a transparent background.
QImage Painted(FieldHelpBalloon& balloon) {
  QImage image(balloon.size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  balloon.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  return image;
}

// The box around the painted text: every pixel that is neither the
// background nor outside the balloon, leaving out the outline ring and the
// rounded corners.
QRect InkBox(const QImage& image, const QColor& base) {
  const int w = image.width();
  const int h = image.height();
  QRect box;
  for (int y = 10; y < h - 2; ++y) {
    for (int x = 2; x < w - 2; ++x) {
      const bool corner = (x < 8 || x >= w - 8) && (y < 16 || y >= h - 8);
      if (corner || image.pixelColor(x, y) == base) continue;
      box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

// The text starts 8 pixels in from the left and 16 from the top, and the
// balloon ends 8 pixels after the widest line and the last line: the ink
// stays inside that rectangle and reaches close to all its sides. The
// slack allows for side bearings and the room above capitals; the last line
// must reach below the baseline as far as the font goes.
void ExpectTextFits(FieldHelpBalloon& balloon) {
  const QImage image = Painted(balloon);
  const QRect ink = InkBox(image, balloon.palette().color(QPalette::ToolTipBase));
  ASSERT_FALSE(ink.isEmpty());
  const int w = image.width();
  const int h = image.height();
  const QString where = QStringLiteral("ink %1,%2 to %3,%4 in %5 x %6")
                            .arg(ink.left())
                            .arg(ink.top())
                            .arg(ink.right())
                            .arg(ink.bottom())
                            .arg(w)
                            .arg(h);
  EXPECT_GE(ink.left(), 8) << where.toStdString();
  EXPECT_LE(ink.left(), 8 + 2) << where.toStdString();
  EXPECT_LT(ink.right(), w - 8) << where.toStdString();
  EXPECT_GE(ink.right(), w - 8 - 3) << where.toStdString();
  EXPECT_GE(ink.top(), 16) << where.toStdString();
  EXPECT_LE(ink.top(), 16 + 3) << where.toStdString();
  EXPECT_LT(ink.bottom(), h - 8) << where.toStdString();
  EXPECT_GE(ink.bottom(), h - 8 - 2) << where.toStdString();
}

// ---- Placement --------------------------------------------------------------

// Test names carry the coordinates: At500x300, AtMinus40x5.
std::string PointName(QPoint p) {
  const auto part = [](int v) { return (v < 0 ? "Minus" : "") + std::to_string(std::abs(v)); };
  return "At" + part(p.x()) + "x" + part(p.y());
}

struct PlacementCase {
  QPoint pointer;
  QPoint topLeft;
};

class PlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, TopLeftIsTwoLeftAndTwentyBelowThePointer) {
  EXPECT_EQ(FieldHelpTopLeft(GetParam().pointer), GetParam().topLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Pointers, PlacementTest,
    ::testing::Values(PlacementCase{{500, 300}, {498, 320}}, PlacementCase{{0, 0}, {-2, 20}},
                      // Near the screen's bottom-right corner nothing is pulled back.
                      PlacementCase{{1279, 1023}, {1277, 1043}},
                      PlacementCase{{-40, 5}, {-42, 25}}),
    [](const auto& param) { return PointName(param.param.pointer); });

TEST(FieldHelpPlacement, TriangleTipAtPointer500x300) {
  const QPoint topLeft = FieldHelpTopLeft({500, 300});
  const auto triangle = FieldHelpTriangle();
  EXPECT_EQ(triangle[0], QPoint(8, 0));
  EXPECT_EQ(triangle[1], QPoint(8, 8));
  EXPECT_EQ(triangle[2], QPoint(16, 8));
  EXPECT_EQ(topLeft + triangle[0], QPoint(506, 320));
}

// ---- Text and size ----------------------------------------------------------

TEST(FieldHelpText, BarsBecomeLineBreaks) {
  EXPECT_EQ(FieldHelpText(QStringLiteral("one|two||four")),
            QStringLiteral("one\r\ntwo\r\n\r\nfour"));
  EXPECT_EQ(FieldHelpText(QStringLiteral("no bar")), QStringLiteral("no bar"));
  EXPECT_EQ(FieldHelpLines(FieldHelpText(QStringLiteral("a|b|c"))),
            (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}

TEST(FieldHelpText, CrLfIsOneBreakAndSpacesStay) {
  EXPECT_EQ(FieldHelpLines(QStringLiteral(" a \r\n b ")),
            (QStringList{QStringLiteral(" a "), QStringLiteral(" b ")}));
  EXPECT_EQ(FieldHelpLines(QStringLiteral("a\r\n\r\nb")).size(), 3);
  EXPECT_EQ(FieldHelpLines(QStringLiteral("one line, no wrapping however long it is")).size(), 1);
}

TEST(FieldHelpFont, ThirteenPixelsNormalWeight) {
  const QFont font = FieldHelpFont();
  EXPECT_EQ(font.pixelSize(), 13);
  EXPECT_EQ(font.weight(), QFont::Normal);
  EXPECT_FALSE(font.italic());
  const QFontInfo info(font);
  EXPECT_EQ(info.pixelSize(), 13);
  EXPECT_FALSE(info.fixedPitch());
}

// Texts whose widest line ends in a letter or a sign, so that its ink
// reaches the end of its advance, and whose last line has a descender.
struct FitCase {
  const char* Name;
  const char* Text;
};

class TextFitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(TextFitTest, BalloonIsTheTextPlusItsMargins) {
  QWidget owner;
  FieldHelpBalloon balloon(FieldHelpText(QString::fromLatin1(GetParam().Text)), &owner);
  balloon.resize(balloon.sizeHint());
  ExpectTextFits(balloon);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextFitTest,
    ::testing::Values(
        FitCase{"Text8", "Center the popup in the middle of the screen"},
        FitCase{"Text18",
                "Specifies whether to display |the browser toolbar (the toolbar at|"
                "the top of the window,|including Back and Forward)"},
        FitCase{"Text22",
                "Specifies whether to display |the menu bar (the menu at the top of the window,|"
                "including File and Edit)."},
        FitCase{"ThreeLines", "alpha|beta|gamma"}, FitCase{"Descender", "Wg"}),
    [](const auto& param) { return std::string(param.param.Name); });

TEST(FieldHelpSize, EachLineAddsOneLineSpacing) {
  const QFontMetrics fm = Metrics();
  const int one = FieldHelpSize(QStringLiteral("alpha"), fm).height();
  EXPECT_EQ(
      FieldHelpSize(FieldHelpText(QStringLiteral("alpha|beta|gamma|delta")), fm).height() - one,
      3 * fm.lineSpacing());
  EXPECT_EQ(FieldHelpSize(FieldHelpText(QStringLiteral("alpha||")), fm).height() - one,
            2 * fm.lineSpacing());
}

struct SpaceCase {
  const char* Name;
  const char* Text;
  int Line;
  const char* Measured;  // the line as it must be measured
};

class SpacesKeptTest : public ::testing::TestWithParam<SpaceCase> {};

TEST_P(SpacesKeptTest, LineWidthIncludesItsSpaces) {
  const QFontMetrics fm = Metrics();
  const SpaceCase& c = GetParam();
  const std::vector<int> widths = FieldHelpLineWidths(QString::fromLatin1(c.Text), fm);
  const QString measured = QString::fromLatin1(c.Measured);
  ASSERT_GT(static_cast<int>(widths.size()), c.Line);
  EXPECT_EQ(widths[c.Line], fm.horizontalAdvance(measured));
  EXPECT_GT(widths[c.Line], fm.horizontalAdvance(measured.trimmed()));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SpacesKeptTest,
    ::testing::Values(
        // Text 6: its first line ends with a space.
        SpaceCase{"Text6FirstLineEndsInSpace",
                  "Specifies the width, in pixels, \r\nof the window's document display area.", 0,
                  "Specifies the width, in pixels, "},
        // Text 29: its second line begins with one.
        SpaceCase{"Text29SecondLineStartsWithSpace",
                  "Specify the number of seconds to automatically close\r\n"
                  " the Popup Window after it is activated",
                  1, " the Popup Window after it is activated"},
        SpaceCase{"OnlyTrailingSpaces", "ab   ", 0, "ab   "}),
    [](const auto& param) { return std::string(param.param.Name); });

TEST(FieldHelpSize, TrailingSpacesWidenTheBalloon) {
  const QFontMetrics fm = Metrics();
  // Three spaces wider, give or take the rounding of fractional advances.
  EXPECT_NEAR(FieldHelpSize(QStringLiteral("ab   "), fm).width() -
                  FieldHelpSize(QStringLiteral("ab"), fm).width(),
              3 * fm.horizontalAdvance(QLatin1Char(' ')), 2);
}

// ---- Shape ------------------------------------------------------------------

struct PixelCase {
  int x;
  int y;
  bool inShape;
  bool onOutline;
};

class ShapeTest : public ::testing::TestWithParam<PixelCase> {};

// A 100 x 50 balloon: body rows 8..49, corners cut by a 15 x 15 ellipse.
TEST_P(ShapeTest, PixelsOf100x50) {
  const QSize size(100, 50);
  const PixelCase& c = GetParam();
  EXPECT_EQ(FieldHelpShape(size).contains(QPoint(c.x, c.y)), c.inShape) << c.x << "," << c.y;
  EXPECT_EQ(FieldHelpOutline(size).contains(QPoint(c.x, c.y)), c.onOutline) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, ShapeTest,
    ::testing::Values(
        // Triangle: tip (8,0), vertical side on x = 8, hypotenuse to (16,8).
        PixelCase{8, 0, true, true}, PixelCase{7, 0, false, false}, PixelCase{9, 0, false, false},
        PixelCase{8, 7, true, true}, PixelCase{15, 7, true, true}, PixelCase{16, 7, false, false},
        PixelCase{11, 6, true, false}, PixelCase{7, 7, false, false},
        // Top edge of the body beside the triangle, and where they merge.
        PixelCase{50, 8, true, true}, PixelCase{12, 8, true, false}, PixelCase{50, 7, false, false},
        // Rounded top corners: the first row starts 5 pixels in.
        PixelCase{0, 8, false, false}, PixelCase{4, 8, false, false}, PixelCase{5, 8, true, true},
        PixelCase{94, 8, true, true}, PixelCase{95, 8, false, false},
        // Straight sides.
        PixelCase{0, 30, true, true}, PixelCase{1, 30, true, false}, PixelCase{99, 30, true, true},
        PixelCase{100, 30, false, false}, PixelCase{50, 30, true, false},
        // Bottom row mirrors the top one.
        PixelCase{4, 49, false, false}, PixelCase{5, 49, true, true}, PixelCase{94, 49, true, true},
        PixelCase{95, 49, false, false}, PixelCase{50, 50, false, false}),
    [](const auto& param) { return PointName(QPoint(param.param.x, param.param.y)); });

TEST(FieldHelpShape, BoundsSymmetryAndArea) {
  for (const QSize size : {QSize(100, 50), QSize(257, 89), QSize(31, 40)}) {
    const QRegion shape = FieldHelpShape(size);
    EXPECT_EQ(shape.boundingRect(), QRect(QPoint(0, 0), size));
    // The body is left-right symmetric.
    for (int y = 8; y < size.height(); ++y) {
      for (int x = 0; x < size.width(); ++x) {
        ASSERT_EQ(shape.contains(QPoint(x, y)), shape.contains(QPoint(size.width() - 1 - x, y)))
            << size.width() << "x" << size.height() << " at " << x << "," << y;
      }
    }
    // Rounded rectangle plus the 36 pixels of the triangle, within rounding.
    const double expected =
        size.width() * (size.height() - 8.0) - (4 - std::acos(-1.0)) * 7.5 * 7.5 + 36;
    EXPECT_NEAR(Area(shape), expected, 8) << size.width() << "x" << size.height();
  }
}

TEST(FieldHelpShape, OutlineIsOnePixelInsideTheEdge) {
  const QSize size(120, 61);
  const QRegion shape = FieldHelpShape(size);
  const QRegion outline = FieldHelpOutline(size);
  EXPECT_TRUE((outline - shape).isEmpty());
  // Every pixel just outside the shape touches the outline.
  for (int y = -1; y <= size.height(); ++y) {
    for (int x = -1; x <= size.width(); ++x) {
      const QPoint p(x, y);
      if (shape.contains(p)) continue;
      for (const QPoint n :
           {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)})
        if (shape.contains(n)) {
          ASSERT_TRUE(outline.contains(n)) << n.x() << "," << n.y();
        }
    }
  }
  // A ring one pixel wide: nothing of it lies two steps inside.
  EXPECT_FALSE(outline.contains(QPoint(2, 30)));
  EXPECT_FALSE(outline.contains(QPoint(60, 10)));
}

// ---- The window ---------------------------------------------------------------

TEST(FieldHelpBalloonWindow, ToolTipWindowThatIsNeverActivated) {
  QWidget owner;
  FieldHelpBalloon balloon(QStringLiteral("x"), &owner);
  EXPECT_TRUE(balloon.isWindow());
  EXPECT_EQ(balloon.windowType(), Qt::ToolTip);
  EXPECT_TRUE(balloon.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(balloon.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_TRUE(balloon.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(balloon.parentWidget(), &owner);
  QCursor::setPos(200, 200);
  balloon.Popup();
  QApplication::processEvents();
  EXPECT_TRUE(balloon.isVisible());
  EXPECT_NE(QApplication::activeWindow(), &balloon);
  EXPECT_FALSE(balloon.hasFocus());
}

TEST(FieldHelpBalloonWindow, PlacedAtPointerSizedAndMasked) {
  QWidget owner;
  const QString text = FieldHelpText(
      QStringLiteral("Specifies whether to display |the browser toolbar (the toolbar at|"
                     "the top of the window,|including Back and Forward)"));
  FieldHelpBalloon balloon(text, &owner);
  QCursor::setPos(500, 300);
  ASSERT_EQ(QCursor::pos(), QPoint(500, 300));
  balloon.Popup();
  QApplication::processEvents();
  EXPECT_EQ(balloon.geometry().topLeft(), QPoint(498, 320));
  EXPECT_EQ(balloon.mask(), FieldHelpShape(balloon.size()));
  EXPECT_EQ(balloon.mapToGlobal(QPoint(8, 0)), QPoint(506, 320));
  ExpectTextFits(balloon);
}

TEST(FieldHelpBalloonWindow, EveryPaintPlacesItAtThePointerAgain) {
  QWidget owner;
  FieldHelpBalloon balloon(QStringLiteral("moving"), &owner);
  QCursor::setPos(100, 100);
  balloon.Popup();
  QApplication::processEvents();
  EXPECT_EQ(balloon.pos(), QPoint(98, 120));
  QCursor::setPos(640, 480);
  EXPECT_EQ(balloon.pos(), QPoint(98, 120));  // a move alone does nothing
  balloon.repaint();
  QApplication::processEvents();
  EXPECT_EQ(balloon.pos(), QPoint(638, 500));
}

TEST(FieldHelpBalloonWindow, PaintsShapeOutlineAndText) {
  QWidget owner;
  const QString text =
      FieldHelpText(QStringLiteral("Display the Popup window,|in its default location"));
  FieldHelpBalloon balloon(text, &owner);
  balloon.resize(balloon.sizeHint());
  const QImage image = Painted(balloon);
  const int w = image.width();
  const int h = image.height();
  ASSERT_GT(w, 40);
  ASSERT_GT(h, 40);

  enum Paint { None, Fill, Outline };
  struct Spot {
    int x, y;
    Paint paint;
  };
  const QColor base = balloon.palette().color(QPalette::ToolTipBase);
  const QColor grey(64, 64, 64);
  const Spot spots[] = {// The triangle: tip (8,0), vertical side on x = 8 standing on the body,
                        // hypotenuse to (16,8).
                        {8, 0, Outline},
                        {7, 0, None},
                        {9, 0, None},
                        {8, 7, Outline},
                        {15, 7, Outline},
                        {16, 7, None},
                        {11, 6, Fill},
                        {12, 8, Fill},
                        // The body's top edge and its corners, cut by a 15 x 15 ellipse.
                        {w / 2, 8, Outline},
                        {w / 2, 7, None},
                        {w / 2, 9, Fill},
                        {0, 8, None},
                        {4, 8, None},
                        {5, 8, Outline},
                        {w - 6, 8, Outline},
                        {w - 5, 8, None},
                        // The sides.
                        {0, h / 2, Outline},
                        {1, h / 2, Fill},
                        {w - 1, h / 2, Outline},
                        {w - 2, h / 2, Fill},
                        // The bottom edge and its corners.
                        {w / 2, h - 1, Outline},
                        {w / 2, h - 2, Fill},
                        {4, h - 1, None},
                        {5, h - 1, Outline},
                        {w - 6, h - 1, Outline},
                        {w - 5, h - 1, None}};
  for (const Spot& spot : spots) {
    const QColor c = image.pixelColor(spot.x, spot.y);
    const QColor expected = spot.paint == None   ? QColor(Qt::transparent)
                            : spot.paint == Fill ? base
                                                 : grey;
    EXPECT_EQ(c.rgba(), expected.rgba()) << spot.x << "," << spot.y << " of " << w << " x " << h;
  }

  // Apart from fill and outline, only text, and only in the text rectangle.
  const QColor ink = balloon.palette().color(QPalette::ToolTipText);
  const QRect textArea(8, 16, w - 16, h - 24);
  int inked = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.alpha() == 0 || c == base || c == grey) continue;
      ASSERT_TRUE(textArea.contains(x, y)) << x << "," << y;
      if (c == ink) ++inked;
    }
  }
  EXPECT_GT(inked, 20);
}

}  // namespace
}  // namespace orvanta
