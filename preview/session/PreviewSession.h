#pragma once

#include <QFrame>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/Generator.h"
#include "modules/host/PreviewPlugin.h"
#include "modules/host/UrlOpener.h"

class QLabel;

namespace orvanta {

class ModuleHost;
class PreviewBrowser;
class PreviewFactory;
class WorkFolder;

// What the session works with; empty members mean the real thing.
struct PreviewSetup {
  QString programFolder;      // the executable's folder
  QString dataFolder;         // the per-user data folder
  QStringList pluginFolders;  // where the preview module is looked for
  UrlOpener shellOpen;        // the desktop's "open"
  // How long the Preview page stays left before the views give back what
  // they hold in the engine.
  std::optional<std::chrono::milliseconds> releaseDelay;
};

// The road from the entries to what the user tries: generation, the test
// pages in the work folder, the two preview views and the system browser.
// The window reads its controls, hands the texts over and shows the results.
class PreviewSession : public QObject {
  Q_OBJECT
 public:
  // The views are made inside `viewBoxes` the first time pages are shown.
  PreviewSession(PreviewSetup setup, std::array<QFrame*, 2> viewBoxes, QObject* parent = nullptr);
  ~PreviewSession() override;

  // The folder the test pages go to, ending with "/"; empty when none could
  // be had.
  const QString& workFolder() const { return workFolder_; }
  // The executable's folder, where a manual of the build tree lies.
  const QString& programFolder() const { return programFolder_; }

  // Both pages under one lock on the folder, so that they come from one
  // generation; each on its own, and a failure is not reported.
  void WritePages(const std::string& popupCode, const std::string& linkCode) const;
  // Writes both pages and loads them into the views, each step on its own.
  void Show(const std::string& popupCode, const std::string& linkCode);
  // Writes the popup page to a file of its own and has the desktop open it;
  // false when the page could not be written or the desktop refused it.
  bool Launch(const std::string& popupCode);
  // A web address, mail address or file, to the desktop's "open"; false
  // when it was refused.
  bool Open(const QUrl& target) const;

  // Null until pages were first shown or when the module is missing.
  PreviewBrowser* browser(int index) const;
  // Popups are top-level windows: they go when the window closes.
  void CloseAllPopups();
  // Whether a view says its page stopped; Reload loads such pages again.
  bool AnyStopped() const;
  void Reload();
  // Lets the views' pages open windows without a user action; off at start.
  void SetPopupsAllowed(bool allowed);
  // Answers every page dialog with Cancel at once, for runs no one watches.
  void SetDialogsCancelled(bool cancelled);
  // The engine of the views and its version; empty before the first view.
  QString EngineName() const;
  // The Preview page came to the front or was left. Left for a while, the
  // views and their renderer are released; the next Show() makes them again.
  void SetPreviewInFront(bool inFront);

 signals:
  // The two views were made; they are children of the view boxes.
  void viewsMade();
  // A view (1 or 2) finished loading a page.
  void loadFinished(int view, bool ok);
  void popupOpened(QWidget* popup);
  // More is known about a window a page of view 1 or 2 asked for.
  void popupFacts(int view, const orvanta::PopupFacts& facts);
  // AnyStopped() may have changed.
  void stoppedChanged();
  // A script error of view 1 or 2's own page, or a dialog cancelled unseen.
  void pageNote(int view, const orvanta::PageNote& note);
  // The views were released: browser() is null until the next Show().
  void viewsReleased();

 private:
  // Null until the views were first asked for, or when the module is missing.
  PreviewFactory* Factory() const;
  bool EnsureViews();
  // Runs a call into the module; what it throws is kept for the view that
  // says the preview is not available.
  template <class Call>
  bool CallModule(Call&& call) const noexcept;
  void ShowModuleError();
  void Navigate(int view, const char* pageName);
  // Writes one page and loads it, or says in the view why it could not.
  void ShowPage(int view, const char* pageName, const std::function<void()>& write);
  void ReleaseViews();

  PreviewSetup setup_;
  std::array<QFrame*, 2> viewBoxes_;
  QString programFolder_;
  std::unique_ptr<WorkFolder> work_;
  QString workFolder_;
  std::unique_ptr<ModuleHost> host_;
  std::array<PreviewBrowser*, 2> browsers_{};
  // Views the module made; in browsers_ only once both are.
  std::array<PreviewBrowser*, 2> made_{};
  QLabel* moduleError_ = nullptr;
  mutable QString moduleFailure_;
  int launches_ = 0;
  bool popupsAllowed_ = false;
  bool dialogsCancelled_ = false;
  // Whether the code shown may make In Page dialogs, which the views then
  // measure.
  bool dialogsWatched_ = false;
  QTimer releaseTimer_;
};

}  // namespace orvanta
