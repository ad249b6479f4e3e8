#include "ui/help/HelpManual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef ORVANTA_INSTALL_DATADIR
#define ORVANTA_INSTALL_DATADIR "/usr/local/share"
#endif

namespace orvanta {

namespace {

QString Index(const QString& folder, const QString& relative) {
  return QDir::cleanPath(QDir(folder).filePath(relative + QLatin1String("/index.html")));
}

}  // namespace

HelpManualPlaces DefaultHelpManualPlaces(const QString& workFolder) {
  return {workFolder, QCoreApplication::applicationDirPath(),
          QString::fromUtf8(ORVANTA_INSTALL_DATADIR)};
}

QStringList HelpManualCandidates(const HelpManualPlaces& places) {
  QStringList candidates;
  if (!places.workFolder.isEmpty()) candidates << Index(places.workFolder, QStringLiteral("help"));
  if (!places.exeDir.isEmpty())
    candidates << Index(places.exeDir, QStringLiteral("../share/orvanta/help"));
  if (!places.installDataDir.isEmpty())
    candidates << Index(places.installDataDir, QStringLiteral("orvanta/help"));
  return candidates;
}

QUrl FindHelpManual(const HelpManualPlaces& places) {
  for (const QString& candidate : HelpManualCandidates(places)) {
    const QFileInfo info(candidate);
    if (info.isFile() && info.isReadable()) return QUrl::fromLocalFile(info.absoluteFilePath());
  }
  return {};
}

QUrl FindHelpManual(const QString& workFolder) {
  return FindHelpManual(DefaultHelpManualPlaces(workFolder));
}

bool OpenHelpManual(const QString& workFolder, const UrlOpener& shellOpen) {
  const QUrl manual = FindHelpManual(workFolder);
  if (manual.isEmpty()) return false;
  OpenUrl(manual, shellOpen);
  return true;
}

}  // namespace orvanta
