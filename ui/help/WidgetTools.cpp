#include "ui/help/WidgetTools.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <utility>

namespace orvanta {

ClickFilter::ClickFilter(QWidget* target, std::function<void()> action)
    : QObject(target), action_(std::move(action)) {
  target->installEventFilter(this);
}

bool ClickFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* widget = static_cast<QWidget*>(watched);
    if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint())) {
      action_();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

FirstPaintFilter::FirstPaintFilter(QWidget* target, std::function<void()> action)
    : QObject(target), action_(std::move(action)) {
  target->installEventFilter(this);
}

bool FirstPaintFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint) {
    watched->removeEventFilter(this);
    action_();
    deleteLater();
  }
  return QObject::eventFilter(watched, event);
}

EventBlocker::EventBlocker(QWidget* target, QEvent::Type type) : QObject(target), type_(type) {
  target->installEventFilter(this);
}

bool EventBlocker::eventFilter(QObject* /*watched*/, QEvent* event) {
  return event->type() == type_;
}

HelpKeyFilter::HelpKeyFilter(QObject* owner, std::function<void()> action)
    : QObject(owner), action_(std::move(action)) {
  QCoreApplication::instance()->installEventFilter(this);
}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  // The key reaches the window object first and then the widget: only the
  // widget's delivery counts.
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
  key->accept();
  if (!key->isAutoRepeat()) action_();
  return true;
}

KeyLink::KeyLink(QWidget* target, std::function<void()> action)
    : QObject(target), action_(std::move(action)) {
  target->setFocusPolicy(Qt::StrongFocus);
  target->installEventFilter(this);
  new FocusFrame(target);
}

bool KeyLink::eventFilter(QObject* /*watched*/, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const bool press =
      key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
  if (!press || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
  if (!key->isAutoRepeat()) action_();
  return true;
}

FocusFrame::FocusFrame(QWidget* target) : QObject(target) { target->installEventFilter(this); }

bool FocusFrame::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      widget->update();
      return false;
    case QEvent::Paint: {
      // The control paints itself first; filters do not see this call.
      static_cast<QObject*>(widget)->event(event);
      if (widget->hasFocus()) {
        QPainter painter(widget);
        painter.setPen(QPen(widget->palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(widget->rect()).adjusted(1, 1, -1, -1));
      }
      return true;
    }
    default:
      return false;
  }
}

bool IsFontInstalled(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

}  // namespace orvanta
