#include "ui/WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "preview/TestPages.h"

namespace orvanta {

bool IsWritableFolder(const QString& folder) {
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".orvanta-probe-XXXXXX")));
  return probe.open();
}

bool IsSystemProgramFolder(const QString& folder) {
  static const QStringList kSystemFolders = {
      QStringLiteral("/bin"),           QStringLiteral("/sbin"),
      QStringLiteral("/usr/bin"),       QStringLiteral("/usr/sbin"),
      QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/local/sbin"),
      QStringLiteral("/usr/games")};
  return kSystemFolders.contains(QDir::cleanPath(QFileInfo(folder).canonicalFilePath()));
}

QString ChooseWorkFolder(const QString& programFolder, const QString& dataFolder) {
  if (IsWritableFolder(programFolder) && !IsSystemProgramFolder(programFolder))
    return QDir::cleanPath(programFolder) + QLatin1Char('/');
  QDir().mkpath(dataFolder);
  return QDir::cleanPath(dataFolder) + QLatin1Char('/');
}

void EnsureGoButtonIn(const QString& folder) {
  EnsureGoButton(QFile::encodeName(folder).toStdString());
}

}  // namespace orvanta
