#pragma once

#include <QObject>

class QEvent;
class QKeyEvent;
class QWidget;

namespace orvanta {

// Takes the browser chrome out of an embedded view: its context menu and the
// keys and mouse gestures a browser answers by itself (reload, history
// navigation, zoom). Lives as a child of the view it is bound to, so it goes
// away with it. Ordinary typing and editing keys always reach the page.
class BrowserCustomizer : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool contextMenu READ contextMenuEnabled WRITE setContextMenuEnabled)
  Q_PROPERTY(bool browserShortcuts READ browserShortcutsEnabled WRITE setBrowserShortcutsEnabled)

 public:
  static constexpr const char* kObjectName = "browserCustomizer";

  // Binds to `view` (a QWebEngineView) with both settings on; call the
  // setters to turn them off.
  explicit BrowserCustomizer(QWidget* view);

  bool contextMenuEnabled() const { return contextMenu_; }
  void setContextMenuEnabled(bool on);

  bool browserShortcutsEnabled() const { return shortcuts_; }
  void setBrowserShortcutsEnabled(bool on) { shortcuts_ = on; }

  // True for the key presses a browser treats as its own commands.
  static bool isBrowserShortcut(const QKeyEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void watch(QObject* object);
  bool swallows(QEvent* event) const;

  QWidget* view_;
  bool contextMenu_ = true;
  bool shortcuts_ = true;
};

}  // namespace orvanta
