#include "ui/WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "preview/TestPages.h"
#include "preview/TextFile.h"

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
  const QString path = folder + QString::fromLatin1(kGoButtonName);
  if (QFileInfo::exists(path)) return;
  QFile picture(QStringLiteral(":/orvanta/gobutton.gif"));
  if (!picture.open(QIODevice::ReadOnly))
    throw FileWriteError("The button picture is missing from the program");
  const QByteArray bytes = picture.readAll();
  WriteBinaryFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                  path.toStdString());
}

}  // namespace orvanta
