#pragma once

#include <QWidget>

namespace orvanta {

// The page area under the tab bar, drawn like a tab widget's frame; the page
// frames lie on top of it as siblings.
class TabPage : public QWidget {
  Q_OBJECT
 public:
  explicit TabPage(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace orvanta
