#include "ui/Logo.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "ui/Appearance.h"

namespace orvanta {

namespace {

// The mark on its 128-unit grid: a web page and the popup springing from it.
void DrawMark(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient page(0, 14, 0, 98);
  page.setColorAt(0, QColor(0xf7, 0xf9, 0xfc));
  page.setColorAt(1, QColor(0xdf, 0xe6, 0xf0));
  const QColor pageLine(0x3a, 0x4a, 0x63);
  p.setPen(QPen(pageLine, 4));
  p.setBrush(page);
  p.drawRoundedRect(QRectF(8, 14, 92, 84), 8, 8);
  p.drawLine(QPointF(8, 34), QPointF(100, 34));
  p.setPen(Qt::NoPen);
  const QColor dots[] = {QColor(0xe0, 0x53, 0x3d), QColor(0xe8, 0xb3, 0x2c),
                         QColor(0x4c, 0xae, 0x4f)};
  for (int i = 0; i < 3; ++i) {
    p.setBrush(dots[i]);
    p.drawEllipse(QPointF(20 + 11 * i, 24), 3.5, 3.5);
  }
  p.setPen(QPen(QColor(0x9a, 0xa7, 0xba), 5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(20, 50), QPointF(72, 50));
  p.drawLine(QPointF(20, 62), QPointF(60, 62));
  p.drawLine(QPointF(20, 74), QPointF(66, 74));

  QLinearGradient popup(0, 50, 0, 114);
  popup.setColorAt(0, QColor(0x2f, 0xb5, 0xa6));
  popup.setColorAt(1, QColor(0x17, 0x87, 0x7b));
  const QColor popupLine(0x0f, 0x5c, 0x54);
  p.setPen(QPen(popupLine, 4));
  p.setBrush(popup);
  p.drawRoundedRect(QRectF(54, 50, 66, 64), 7, 7);
  p.drawLine(QPointF(54, 66), QPointF(120, 66));
  QPainterPath arrow;
  arrow.moveTo(74, 100);
  arrow.lineTo(98, 76);
  arrow.moveTo(84, 76);
  arrow.lineTo(98, 76);
  arrow.lineTo(98, 90);
  p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(arrow);
}

QPixmap Canvas(const QSize& size, qreal ratio) {
  QPixmap pixmap(size * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// The designed colour where it reads at 4.5:1 on the background, else the
// palette's own text colour.
QColor Readable(const QColor& designed, const QPalette& palette) {
  const QColor background = palette.color(QPalette::Window);
  return ContrastRatio(designed, background) >= 4.5 ? designed
                                                    : palette.color(QPalette::WindowText);
}

QPixmap MarkPixmap(int side, qreal ratio) {
  QPixmap pixmap = Canvas(QSize(side, side), ratio);
  QPainter p(&pixmap);
  p.scale(side / 128.0, side / 128.0);
  DrawMark(p);
  return pixmap;
}

QPixmap WordmarkPixmap(const QSize& size, const QPalette& palette, qreal ratio) {
  QPixmap pixmap = Canvas(size, ratio);
  QPainter p(&pixmap);
  p.save();
  p.translate(4, 4);
  p.scale(0.4375, 0.4375);
  DrawMark(p);
  p.restore();
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setBold(true);
  font.setPixelSize(30);
  p.setFont(font);
  p.setPen(Readable(QColor(0x2b, 0x3a, 0x52), palette));
  p.drawText(QPointF(66, 41), QStringLiteral("Orvanta"));
  font.setBold(false);
  font.setPixelSize(11);
  p.setFont(font);
  p.setPen(Readable(QColor(0x5a, 0x63, 0x75), palette));
  p.drawText(QPointF(67, 57), QStringLiteral("popup code for web authors"));
  return pixmap;
}

class LogoPainter : public QObject {
 public:
  LogoPainter(QLabel* mark, QLabel* wordmark)
      : QObject(wordmark), mark_(mark), wordmark_(wordmark) {
    mark->installEventFilter(this);
    wordmark->installEventFilter(this);
    Draw();
  }

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::PaletteChange:
      case QEvent::ApplicationPaletteChange:
        Draw();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void Draw() {
    const qreal ratio = wordmark_->devicePixelRatioF();
    if (ratio == ratio_ && wordmark_->palette() == palette_) return;
    ratio_ = ratio;
    palette_ = wordmark_->palette();
    mark_->setPixmap(MarkPixmap(std::min(mark_->width(), mark_->height()), ratio));
    wordmark_->setPixmap(WordmarkPixmap(wordmark_->size(), palette_, ratio));
  }

  QLabel* mark_;
  QLabel* wordmark_;
  qreal ratio_ = 0;
  QPalette palette_;
};

}  // namespace

void ShowLogo(QLabel* mark, QLabel* wordmark) { new LogoPainter(mark, wordmark); }

}  // namespace orvanta
