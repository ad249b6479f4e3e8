#pragma once

// The contract between the main window and the preview plugin module. The
// main window never links Qt WebEngine; it loads the module on first use and
// talks to it only through these interfaces.

#include <QList>
#include <QString>
#include <QtPlugin>
#include <functional>

class QWidget;

namespace orvanta {

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

#define OrvantaPreviewFactory_iid "org.example.Orvanta.PreviewFactory/1.2"
Q_DECLARE_INTERFACE(orvanta::PreviewFactory, OrvantaPreviewFactory_iid)
