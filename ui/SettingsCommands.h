#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "core/PopupSettings.h"

class QAction;
class QMenu;
class QWidget;

namespace orvanta {

// What the file commands ask the user; tests replace each so that nothing
// modal opens. Empty members mean the real dialogs.
struct SettingsFileHooks {
  enum class Answer { Save, Discard, Cancel };
  // Each returns the chosen path, or an empty text when the user cancelled.
  std::function<QString(QWidget* parent, const QString& folder)> openFile;
  std::function<QString(QWidget* parent, const QString& suggested)> saveFile;
  std::function<QString(QWidget* parent, const QString& folder)> pickFolder;
  std::function<Answer(QWidget* parent, const QString& question)> askSave;
  std::function<void(QWidget* parent, const QString& message)> showProblem;
  // Holds the recent-files list; empty means the XDG config folder.
  QString configFolder;
};

// Open, Save, Save As, the recent files and Save Test Pages To… for the
// window's input screen. The window hands over how to read and fill its
// controls; this object keeps the open file, its caption and its changes.
class SettingsCommands : public QObject {
  Q_OBJECT
 public:
  struct Screen {
    std::function<PopupSettings()> read;             // the entries as they stand
    std::function<void(const PopupSettings&)> fill;  // as if typed
  };

  // Adds the commands to `window` (shortcuts and context menu) and watches
  // the controls of `inputPage` for changes.
  SettingsCommands(QWidget& window, QWidget& inputPage, Screen screen, SettingsFileHooks hooks);

  // Each returns whether it went through; a problem was shown to the user.
  bool Open(const QString& path);
  bool OpenWithDialog();
  bool Save();
  bool SaveAs();
  bool SaveTestPagesWithDialog();
  // Asks about unsaved changes to an opened file; false: stay open.
  bool MayClose();

  const QString& currentFile() const { return file_; }
  // Newest first, missing files dropped.
  QStringList RecentFiles();
  QMenu* recentMenu() const { return recentMenu_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool SaveTo(const QString& path);
  // Asks about entries the screen would lose: unsaved changes to the open
  // file, or typed entries never saved. `when` ends the question.
  bool MayReplaceScreen(const QString& when);
  void Problem(const QString& message) const;
  void ScreenChanged();
  void ShowCaption();
  void Remember(const QString& path);
  void WriteRecent(const QStringList& files) const;
  QStringList ReadRecent() const;
  QString RecentListPath() const;
  QString DialogFolder() const;
  void FillRecentMenu();
  void WatchInputs(QWidget& inputPage);

  QWidget& window_;
  Screen screen_;
  SettingsFileHooks hooks_;
  QString file_;
  // The screen as the open file gives it.
  std::optional<PopupSettings> saved_;
  bool filling_ = false;
  QMenu* recentMenu_ = nullptr;
};

}  // namespace orvanta
