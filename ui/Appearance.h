#pragma once

#include <QColor>

#include <QFont>
#include <QIcon>
#include <QPalette>

namespace orvanta {

// The window is laid out to the pixel for the classic style (13-pixel
// indicators, frame captions on the frame's top line) and the dialog font
// below. Both are made the application's, so that no second font family is
// loaded at start-up. Call once the application object exists.
void UseClassicLook();

// "MS Sans Serif" 8.25 pt where installed, else Liberation Sans (Arial's
// metrics, which the fixed layout was made for).
QFont DialogFont();

// For the code boxes: a fixed-pitch font.
QFont CodeFont();

// The pictures of the help and consult buttons.
QIcon HelpIcon();
QIcon ConsultIcon();

// One of the program's pictures (icons/NAME.png in its resources).
QPixmap Picture(const QString& name);
// The window icon in all its sizes.
QIcon ProgramIcon();

// The WCAG contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);

// Keeps a link's text colour readable on its background: the classic navy
// where it reads at 4.5:1 or better, else the palette's link colour, else
// the palette's text colour. Follows palette changes.
void KeepLinkReadable(QWidget* link);

// What a control's edge needs against the background to be made out.
constexpr double kEdgeContrast = 3.0;

// Under a dark palette, the shades the classic style draws control edges
// with, brought to kEdgeContrast against the window background. A light
// palette comes back unchanged.
QPalette WithVisibleEdges(QPalette palette);

// Gives the window WithVisibleEdges of the application palette, now and on
// each change of it.
void KeepEdgesVisible(QWidget* window);

}  // namespace orvanta
