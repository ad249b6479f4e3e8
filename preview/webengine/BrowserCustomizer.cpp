#include "preview/webengine/BrowserCustomizer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

namespace orvanta {

BrowserCustomizer::BrowserCustomizer(QWidget* view) : QObject(view), view_(view) {
  setObjectName(QString::fromLatin1(kObjectName));
  // The view gets its input widget from the engine later, and a new one after
  // a renderer swap; watching the view lets us catch every one of them.
  view_->installEventFilter(this);
  for (QObject* child : view_->children()) watch(child);
}

void BrowserCustomizer::setContextMenuEnabled(bool on) {
  contextMenu_ = on;
  view_->setContextMenuPolicy(on ? Qt::DefaultContextMenu : Qt::NoContextMenu);
}

void BrowserCustomizer::watch(QObject* object) {
  if (object != nullptr && object != this && object->isWidgetType()) {
    object->removeEventFilter(this);
    object->installEventFilter(this);
  }
}

namespace {

bool IsReloadKey(const QKeyEvent& event) {
  const Qt::KeyboardModifiers mods =
      event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
  return (event.key() == Qt::Key_F5 && mods == Qt::NoModifier) ||
         (event.key() == Qt::Key_R && mods == Qt::ControlModifier);
}

}  // namespace

bool BrowserCustomizer::isBrowserShortcut(const QKeyEvent& event) {
  const Qt::KeyboardModifiers mods =
      event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
  const int key = event.key();
  switch (key) {
    case Qt::Key_Back:
    case Qt::Key_Forward:
    case Qt::Key_Refresh:
    case Qt::Key_Reload:
    case Qt::Key_ZoomIn:
    case Qt::Key_ZoomOut:
    case Qt::Key_F5:
      return true;
    default:
      break;
  }
  if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
    if (key == Qt::Key_R) return true;
    if (key == Qt::Key_Plus || key == Qt::Key_Equal || key == Qt::Key_Minus ||
        key == Qt::Key_Underscore || key == Qt::Key_0) {
      return true;
    }
  }
  return mods == Qt::AltModifier &&
         (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home);
}

bool BrowserCustomizer::swallows(QEvent* event) const {
  if (shortcuts_) return false;
  switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return isBrowserShortcut(*static_cast<QKeyEvent*>(event));
    case QEvent::Wheel:
      // Ctrl + wheel zooms the page.
      return static_cast<QWheelEvent*>(event)->modifiers().testFlag(Qt::ControlModifier);
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      const auto button = static_cast<QMouseEvent*>(event)->button();
      return button == Qt::BackButton || button == Qt::ForwardButton;
    }
    default:
      return false;
  }
}

bool BrowserCustomizer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::ChildAdded) {
    watch(static_cast<QChildEvent*>(event)->child());
    return false;
  }
  if (!swallows(event)) return false;
  // The window's own reload keys go to the window: only the key press, which
  // follows when no window shortcut took them, is dropped.
  if (event->type() == QEvent::ShortcutOverride && IsReloadKey(*static_cast<QKeyEvent*>(event)))
    return false;
  // Accepting the override keeps window shortcuts from firing; the key press
  // that follows is then dropped here.
  event->accept();
  return true;
}

}  // namespace orvanta
