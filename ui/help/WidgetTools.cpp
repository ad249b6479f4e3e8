#include "ui/help/WidgetTools.h"

#include <QFontDatabase>
#include <QMouseEvent>
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

bool IsFontInstalled(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

}  // namespace orvanta
