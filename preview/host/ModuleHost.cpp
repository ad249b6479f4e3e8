#include "preview/host/ModuleHost.h"

#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>
#include <atomic>
#include <utility>

#include "preview/host/ModuleFolders.h"

namespace orvanta {

namespace {

QtMessageHandler g_outerHandler = nullptr;
// Messages from other threads may pass while a module loads.
std::atomic<const char*> g_ignoredWarning{nullptr};

void DropIgnoredWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const char* ignored = g_ignoredWarning.load();
  if (type == QtWarningMsg && ignored != nullptr && text.contains(QLatin1String(ignored))) return;
  g_outerHandler(type, context, text);
}

QObject* Load(QPluginLoader& loader, const char* ignoredWarning) {
  if (ignoredWarning == nullptr) return loader.instance();
  g_ignoredWarning = ignoredWarning;
  g_outerHandler = qInstallMessageHandler(DropIgnoredWarning);
  QObject* instance = loader.instance();
  qInstallMessageHandler(g_outerHandler);
  return instance;
}

}  // namespace

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
    QObject* instance = Load(loader, module_.ignoredWarning);
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
  error_ = reasons.isEmpty() ? QStringLiteral("The %1 was not found in %2.")
                                   .arg(QLatin1String(module_.title),
                                        folders_.join(QStringLiteral(", ")))
                             : reasons.join(QLatin1Char('\n'));
  return nullptr;
}

}  // namespace orvanta
