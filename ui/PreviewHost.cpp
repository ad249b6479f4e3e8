#include "ui/PreviewHost.h"

#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

#include "ui/help/ModuleFolders.h"

namespace orvanta {

namespace {
const char kModuleName[] = "orvanta_webpreview";

QtMessageHandler g_outerHandler = nullptr;

// Loading the engine library warns that no OpenGL context is shared from
// start-up. The module draws in software and needs none; the advice in the
// warning would load the OpenGL driver into every start.
void DropSharedContextAdvice(QtMsgType type, const QMessageLogContext& context,
                             const QString& text) {
  if (type == QtWarningMsg && text.contains(QLatin1String("AA_ShareOpenGLContexts"))) return;
  g_outerHandler(type, context, text);
}

QObject* LoadModule(QPluginLoader& loader) {
  g_outerHandler = qInstallMessageHandler(DropSharedContextAdvice);
  QObject* instance = loader.instance();
  qInstallMessageHandler(g_outerHandler);
  return instance;
}
}  // namespace

PreviewHost::PreviewHost(QStringList folders)
    : folders_(folders.isEmpty() ? StandardFolders() : std::move(folders)) {}

QStringList PreviewHost::StandardFolders() { return ModuleFolders(); }

PreviewFactory* PreviewHost::factory() {
  if (tried_) return factory_;
  tried_ = true;
  QStringList reasons;
  for (const QString& folder : folders_) {
    if (!QFileInfo(folder).isDir()) continue;
    QPluginLoader loader(QDir(folder).filePath(QLatin1String(kModuleName)));
    QObject* instance = LoadModule(loader);
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
