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
  // "load", "link", "image link", "form button", "mouse over", "page close", "script"
  QString trigger;
  bool opened = false;  // false: window.open returned null
  std::optional<bool> userGesture;
  QString engineWindow;        // what the engine asked for: "popup", "window", "tab", ...
  bool handedOver = false;     // opened by the preview because the engine refuses it while leaving
  QString features;            // the third argument of window.open
  std::optional<QRect> asked;  // requested content rectangle; a side left out is -1
  QRect given;                 // content rectangle on the screen
  QRect frame;                 // with the frame the window system drew
  QRect screen;
  std::optional<bool> resizable;
  std::optional<bool> fullScreen;
  std::vector<Bar> bars;  // the ten options in their usual order
  QString focus;          // "popup", "main window", "none"; empty: not measured yet
  std::optional<bool> popupInFront;
  std::optional<qint64> triggerToOpenMs;
  std::optional<qint64> openToCloseMs;
  End end = End::Open;
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
};

class PreviewFactory {
 public:
  virtual ~PreviewFactory() = default;
  // Creates a view inside `parent` (which owns the widget); the factory owns
  // the returned object until shutdown().
  virtual PreviewBrowser* createBrowser(QWidget* parent) = 0;
  // Closes every popup window of every view.
  virtual void closeAllPopups() = 0;
  // Lets the views load this file. They load no other: only files named
  // here, each by its path, and never through a link in its place.
  virtual void serveFile(const QString& path) = 0;
  // Closes popups, deletes pages before the shared profile. Call once before
  // the views' parent goes away.
  virtual void shutdown() = 0;
};

}  // namespace orvanta

#define OrvantaPreviewFactory_iid "org.example.Orvanta.PreviewFactory/1.3"
Q_DECLARE_INTERFACE(orvanta::PreviewFactory, OrvantaPreviewFactory_iid)
