#include "ui/help/ModuleFolders.h"

#include <QCoreApplication>
#include <QDir>

namespace orvanta {

QStringList ModuleFolders() {
  return {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../lib/orvanta/plugins")),
          QStringLiteral(ORVANTA_PLUGIN_BUILD_DIR), QStringLiteral(ORVANTA_PLUGIN_INSTALL_DIR)};
}

}  // namespace orvanta
