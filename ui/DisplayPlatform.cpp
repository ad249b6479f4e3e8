#include "ui/DisplayPlatform.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>

namespace orvanta {

namespace {

bool X11PluginInstalled() {
  QStringList folders =
      qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
  folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
  for (const QString& folder : folders) {
    if (QFileInfo(QDir(folder).filePath(QStringLiteral("platforms/libqxcb.so"))).isFile())
      return true;
  }
  return false;
}

}  // namespace

QByteArray PreferredPlatform(const DisplayEnvironment& environment, bool x11PluginInstalled) {
  const bool wayland =
      !environment.waylandDisplay.isEmpty() || environment.sessionType == "wayland";
  if (!environment.qpaPlatform.isEmpty() || !wayland || environment.x11Display.isEmpty() ||
      !x11PluginInstalled)
    return {};
  return QByteArrayLiteral("xcb");
}

bool PreferX11InWaylandSession() {
  const DisplayEnvironment environment{qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"),
                                       qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY")};
  // The plug-in folders are only looked at in a session that could need it.
  const QByteArray platform = PreferredPlatform(environment, true);
  if (platform.isEmpty() || !X11PluginInstalled()) return false;
  return qputenv("QT_QPA_PLATFORM", platform);
}

}  // namespace orvanta
