#include "ui/TabPage.h"

#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

namespace orvanta {

TabPage::TabPage(QWidget* parent) : QWidget(parent) {}

void TabPage::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionTabWidgetFrame option;
  option.initFrom(this);
  option.shape = QTabBar::RoundedNorth;
  option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}

}  // namespace orvanta
