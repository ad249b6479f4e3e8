#include "modules/host/UrlOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "modules/host/EngineEnvironment.h"

namespace orvanta {

namespace {

// The desktop's "open" with the environment the user started the program
// with, not the one the engine was set up with.
bool OpenWithUserEnvironment(const QUrl& target) {
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty() || UserEnvironment().isEmpty()) return false;
  QProcessEnvironment environment;
  for (const QString& entry : UserEnvironment()) {
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    if (eq > 0) environment.insert(entry.left(eq), entry.mid(eq + 1));
  }
  QProcess process;
  process.setProgram(opener);
  process.setArguments(
      {target.isLocalFile() ? target.toLocalFile() : QString::fromLatin1(target.toEncoded())});
  process.setProcessEnvironment(environment);
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  return process.startDetached();
}

}  // namespace

bool OpenUrl(const QUrl& target, const UrlOpener& opener) {
  if (!opener) return OpenWithUserEnvironment(target) || QDesktopServices::openUrl(target);
  try {
    opener(target);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace orvanta
