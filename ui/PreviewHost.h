#pragma once

#include <QString>
#include <QStringList>

#include "ui/PreviewPlugin.h"

namespace orvanta {

// Finds and loads the preview module on first use; the module stays loaded
// for the rest of the run.
class PreviewHost {
 public:
  // Folders to look in, in order; empty means the standard places.
  explicit PreviewHost(QStringList folders = {});

  // The module's factory, or null when it cannot be loaded (see error()).
  PreviewFactory* factory();
  const QString& error() const { return error_; }

  // Beside an installed program, then the build tree, then the install prefix.
  static QStringList StandardFolders();

 private:
  QStringList folders_;
  bool tried_ = false;
  PreviewFactory* factory_ = nullptr;
  QString error_;
};

}  // namespace orvanta
