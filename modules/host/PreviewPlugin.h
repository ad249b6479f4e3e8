#pragma once

// The contract between the main window and the preview plugin module. The
// main window never links Qt WebEngine; it loads the module on first use and
// talks to it only through these interfaces.

#include <QList>
#include <QRect>
#include <QString>
#include <QtPlugin>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace orvanta {

// What the engine did with one window a page asked for, as measured in this
// run. An empty optional is a fact the engine gave no answer to.
struct PopupFacts {
  enum class End { Open, ByScript, ByUser, ByProgram };
  struct Bar {
    QString option;             // the window option's word: "toolbar", "location", ...
    std::optional<bool> asked;  // in the feature string; empty when not mentioned
    std::optional<bool> shown;
    QString how;  // where `shown` was read
  };

  int number = 0;  // 1 for the first window asked for since the last page load
  // "load", "link", "image link", "form button", "click", "key", "mouse over",
  // "page close", "script"; only events the user's input caused count
  QString trigger;
  bool opened = false;  // false: window.open returned null
  std::optional<bool> userGesture;
  QString engineWindow;  // what the engine asked for: "popup", "window", "tab", ...
  // Opened although the engine's popup rule refuses it, since popups are
  // allowed for the test page.
  bool allowedOnly = false;
  bool leaving = false;  // asked for while the page was being left
  bool fromFrame = false;
  // From the user's last click or key press in the page to the call; empty
  // when there was none.
  std::optional<qint64> sinceActionMs;
  QString features;            // the third argument of window.open
  std::optional<QRect> asked;  // requested content rectangle; a side left out is -1
  QRect given;                 // content rectangle on the screen
  QRect frame;                 // with the frame the window system drew
  QRect screen;
  std::optional<bool> resizable;
  std::optional<bool> fullScreen;
  std::vector<Bar> bars;          // the ten options in their usual order
  std::optional<bool> overflows;  // the popup's page is larger than its window
  QString focus;                  // "popup", "main window", "none"; empty: not measured yet
  std::optional<bool> popupInFront;
  std::optional<qint64> triggerToOpenMs;
  std::optional<qint64> openToCloseMs;
  std::optional<bool> pageLoaded;  // the popup's page; empty while it loads
  QString pageError;               // why it did not load: the engine's words or the HTTP status
  End end = End::Open;
  // A dialog inside the test page rather than a window: `given` is then the
  // dialog's place in the page area with its frame's size, and `screen` the
  // page area.
  bool inPage = false;
  QString framed;                    // the address the dialog's frame asked for
  std::optional<bool> framedLoaded;  // empty while it loads
  QString framedRefused;             // "X-Frame-Options" or "frame-ancestors" when refused
};

// Something the test page did that the report lists beside its popups.
struct PageNote {
  enum class Kind { ScriptError, DialogCancelled };
  Kind kind = Kind::ScriptError;
  QString text;          // as the page gave it, not cleaned
  int line = 0;          // 0: not known
  bool inPopup = false;  // a page in one of the view's popups
};

// One embedded browser view.
class PreviewBrowser {
 public:
  virtual ~PreviewBrowser() = default;
  // The view itself; it is a child of the parent given to createBrowser.
  virtual QWidget* widget() = 0;
  // Loads a local file by path; returns at once, the page loads by itself.
  virtual void navigate(const QString& filePath) = 0;
  // Called on the UI thread each time a page finishes loading.
  virtual void setLoadFinishedHandler(std::function<void(bool ok)> handler) = 0;
  // Called when the page opens a popup window, with that top-level window.
  virtual void setPopupOpenedHandler(std::function<void(QWidget* popup)> handler) = 0;
  // The popup windows this view's pages opened that are still open.
  virtual QList<QWidget*> popupWindows() const = 0;
  // Blanks the view and says in `line` why there is no page; the next
  // navigate() takes the line away.
  virtual void showNotice(const QString& line) = 0;
  // Called each time more is known about a window a page asked for.
  virtual void setPopupFactsHandler(std::function<void(const PopupFacts&)> handler) = 0;
  // The rectangle, in view coordinates, of the first element the CSS
  // selector matches (empty when none), for input made on the user's behalf.
  virtual void locate(const QString& selector, std::function<void(QRect)> done) = 0;
  // Whether the view says its page stopped (its renderer ended).
  virtual bool stopped() const = 0;
  // Loads the last page navigate() asked for again.
  virtual void reload() = 0;
  // Called on the UI thread when stopped() changes.
  virtual void setStoppedHandler(std::function<void(bool stopped)> handler) = 0;
  // Lets the pages of this view open windows without a user action, as a
  // visitor may allow them for one site; off unless set, from the next load.
  virtual void setPopupsAllowed(bool allowed) = 0;
  // Answers every dialog of this view's pages and popups with Cancel at once,
  // for runs no one watches.
  virtual void setDialogsCancelled(bool cancelled) = 0;
  // Whether the pages to come may show In Page dialogs, which the view then
  // measures for the popup report; off unless set, from the next load.
  virtual void setPageDialogsWatched(bool watched) = 0;
  // Called for each script error of the view's own page and each dialog
  // cancelled on its own.
  virtual void setPageNoteHandler(std::function<void(const PageNote&)> handler) = 0;
};

class PreviewFactory {
 public:
  virtual ~PreviewFactory() = default;
  // Creates a view inside `parent`. The view is its widget's: it goes when
  // the widget is deleted, with its parent or by releaseViews().
  virtual PreviewBrowser* createBrowser(QWidget* parent) = 0;
  // Closes every popup window of every view.
  virtual void closeAllPopups() = 0;
  // Lets the views load this file. They load no other: only files named
  // here, each by its path, and never through a link in its place.
  virtual void serveFile(const QString& path) = 0;
  // Gives back what the views hold in the engine: their pages and popups
  // are closed, and the views deleted once no page is inside a call; the
  // pointers to them must not be used after. createBrowser() makes new ones.
  virtual void releaseViews() = 0;
  // Closes popups, deletes pages before the shared profile. Call once before
  // the views' parent goes away.
  virtual void shutdown() = 0;
  // The engine's name and version, and the browser it identifies itself as;
  // empty before the first view.
  virtual QString engineName() const = 0;
};

}  // namespace orvanta

#define OrvantaPreviewFactory_iid "org.example.Orvanta.PreviewFactory/1.7"
Q_DECLARE_INTERFACE(orvanta::PreviewFactory, OrvantaPreviewFactory_iid)
