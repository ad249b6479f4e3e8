#pragma once

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

}  // namespace orvanta
