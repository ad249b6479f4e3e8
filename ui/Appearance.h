#pragma once

#include <QColor>

#include <QFont>
#include <QIcon>

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

}  // namespace orvanta
