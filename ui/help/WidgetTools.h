#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace orvanta {

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

// True when the font family is installed (case does not matter).
bool IsFontInstalled(const QString& family);

}  // namespace orvanta
