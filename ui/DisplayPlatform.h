#pragma once

#include <QByteArray>

namespace orvanta {

// What the environment says about the display, as the variables read.
struct DisplayEnvironment {
  QByteArray qpaPlatform;     // QT_QPA_PLATFORM: the user's own choice
  QByteArray waylandDisplay;  // WAYLAND_DISPLAY
  QByteArray sessionType;     // XDG_SESSION_TYPE
  QByteArray x11Display;      // DISPLAY
};

// "xcb" for a Wayland session that also offers X, when the user chose no
// platform and Qt's X plug-in is installed; empty otherwise. Under Wayland a
// window cannot place itself, so the preview's popups would ignore the
// position their script asks for and balloons would not sit at the pointer.
QByteArray PreferredPlatform(const DisplayEnvironment& environment, bool x11PluginInstalled);

// Applies PreferredPlatform to this process before the application object
// exists; true when it set QT_QPA_PLATFORM. The programs it starts (the web
// browser, the mail program) get the environment saved before this ran
// (UserEnvironment), so they choose their own.
bool PreferX11InWaylandSession();

}  // namespace orvanta
