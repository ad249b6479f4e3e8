#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace orvanta {

// A module the program loads at run time, by the name of its file.
struct ModuleInfo {
  const char* fileName;  // without prefix and suffix: "orvanta_history"
  const char* title;     // what the error texts call it
};

// The WebEngine views (PreviewFactory).
inline constexpr ModuleInfo kPreviewModule{"orvanta_webpreview", "preview module"};

// The history reader (HistoryReader), which brings Qt Sql and SQLite.
inline constexpr ModuleInfo kHistoryModule{"orvanta_history", "history module"};

// Finds and loads one module on first use; the module stays loaded for the
// rest of the run.
class ModuleHost {
 public:
  // Folders to look in, in order; empty means the standard places.
  explicit ModuleHost(ModuleInfo module, QStringList folders = {});

  // The first module found that implements `Interface`, or null (see
  // error()). Only the first call loads; later ones give its answer.
  template <class Interface>
  Interface* load() {
    return qobject_cast<Interface*>(instance(qobject_interface_iid<Interface*>()));
  }
  const QString& error() const { return error_; }

  // Beside an installed program, then the build tree.
  static QStringList StandardFolders();

 private:
  QObject* instance(const char* iid);

  ModuleInfo module_;
  QStringList folders_;
  bool tried_ = false;
  QObject* instance_ = nullptr;
  QString error_;
};

}  // namespace orvanta
