#include "ui/PreviewHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace orvanta {

namespace {
const char kModuleName[] = "orvanta_webpreview";
}

PreviewHost::PreviewHost(QStringList folders)
    : folders_(folders.isEmpty() ? StandardFolders() : std::move(folders)) {}

QStringList PreviewHost::StandardFolders() {
  QStringList folders;
  folders << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../lib/orvanta/plugins"));
#ifdef ORVANTA_PLUGIN_BUILD_DIR
  folders << QStringLiteral(ORVANTA_PLUGIN_BUILD_DIR);
#endif
#ifdef ORVANTA_PLUGIN_INSTALL_DIR
  folders << QStringLiteral(ORVANTA_PLUGIN_INSTALL_DIR);
#endif
  return folders;
}

PreviewFactory* PreviewHost::factory() {
  if (tried_) return factory_;
  tried_ = true;
  QStringList reasons;
  for (const QString& folder : folders_) {
    if (!QFileInfo(folder).isDir()) continue;
    QPluginLoader loader(QDir(folder).filePath(QLatin1String(kModuleName)));
    QObject* instance = loader.instance();
    if (instance == nullptr) {
      reasons << loader.errorString();
      continue;
    }
    factory_ = qobject_cast<PreviewFactory*>(instance);
    if (factory_ != nullptr) return factory_;
    reasons << QStringLiteral("%1 is not an Orvanta preview module").arg(loader.fileName());
  }
  error_ = reasons.isEmpty()
               ? QStringLiteral("The preview module was not found in %1.")
                     .arg(folders_.join(QStringLiteral(", ")))
               : reasons.join(QLatin1Char('\n'));
  return nullptr;
}

}  // namespace orvanta
