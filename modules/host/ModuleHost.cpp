#include "modules/host/ModuleHost.h"

#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>
#include <utility>

#include "modules/host/ModuleFolders.h"

namespace orvanta {

ModuleHost::ModuleHost(ModuleInfo module, QStringList folders)
    : module_(module), folders_(folders.isEmpty() ? StandardFolders() : std::move(folders)) {}

QStringList ModuleHost::StandardFolders() { return ModuleFolders(); }

QObject* ModuleHost::instance(const char* iid) {
  if (tried_) return instance_;
  tried_ = true;
  QStringList reasons;
  for (const QString& folder : folders_) {
    if (!QFileInfo(folder).isDir()) continue;
    QPluginLoader loader(QDir(folder).filePath(QLatin1String(module_.fileName)));
    QObject* instance = loader.instance();
    if (instance == nullptr) {
      reasons << loader.errorString();
      continue;
    }
    if (instance->qt_metacast(iid) != nullptr) {
      instance_ = instance;
      return instance_;
    }
    reasons << QStringLiteral("%1 is not an Orvanta %2")
                   .arg(loader.fileName(), QLatin1String(module_.title));
  }
  error_ = reasons.isEmpty()
               ? QStringLiteral("The %1 was not found in %2.")
                     .arg(QLatin1String(module_.title), folders_.join(QStringLiteral(", ")))
               : reasons.join(QLatin1Char('\n'));
  return nullptr;
}

}  // namespace orvanta
