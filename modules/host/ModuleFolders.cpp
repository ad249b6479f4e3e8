#include "modules/host/ModuleFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace orvanta {

namespace {

bool IsInside(const QString& folder, const QString& root) {
  if (root.isEmpty()) return false;
  const QString cleanFolder = QDir::cleanPath(folder);
  return cleanFolder == root || cleanFolder.startsWith(root + QLatin1Char('/'));
}

}  // namespace

QStringList ModuleFolders(const QString& programFolder) {
  QStringList folders{
      QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(ORVANTA_PLUGIN_RELATIVE_DIR)))};
  // Resolved, so that the folder searched is the one the check was made on.
  const QString buildTree = QFileInfo(QStringLiteral(ORVANTA_BUILD_DIR)).canonicalFilePath();
  const QString program = QFileInfo(programFolder).canonicalFilePath();
  if (!program.isEmpty() && IsInside(program, buildTree))
    folders << QDir(buildTree).filePath(QStringLiteral("plugins"));
  return folders;
}

QStringList ModuleFolders() { return ModuleFolders(QCoreApplication::applicationDirPath()); }

}  // namespace orvanta
