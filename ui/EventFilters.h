#pragma once

#include <QEvent>
#include <QObject>
#include <functional>

class QWidget;

namespace orvanta {

// Runs an action once, on the first paint of the watched widget.
class FirstPaintFilter : public QObject {
 public:
  FirstPaintFilter(QWidget* target, std::function<void()> action);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> action_;
};

// Swallows one kind of event of the watched widget.
class EventBlocker : public QObject {
 public:
  EventBlocker(QWidget* target, QEvent::Type type);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QEvent::Type type_;
};

// F1 in any window of the program, modal dialogs and preview popups
// included, runs the action.
class HelpKeyFilter : public QObject {
 public:
  HelpKeyFilter(QObject* owner, std::function<void()> action);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> action_;
};

}  // namespace orvanta
