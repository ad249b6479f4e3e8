#pragma once

#include <QEvent>
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace orvanta {

// Small event filters shared by the windows, and the font check.

// Runs an action when the left button is released over the watched widget,
// as a click on a label or picture link should.
class ClickFilter : public QObject {
 public:
  ClickFilter(QWidget* target, std::function<void()> action);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> action_;
};

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

// Makes a label or picture link a Tab stop that Enter and Space follow, as
// a click does; its focus shows as a frame.
class KeyLink : public QObject {
 public:
  KeyLink(QWidget* target, std::function<void()> action);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> action_;
};

// Draws a focus frame over a control whose style shows none (the classic
// style's scroll bars, labels).
class FocusFrame : public QObject {
 public:
  explicit FocusFrame(QWidget* target);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// True when the font family is installed (case does not matter).
bool IsFontInstalled(const QString& family);

}  // namespace orvanta
