#include "ui/Appearance.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <functional>

#include "ui/help/WidgetTools.h"

namespace orvanta {

QFont DialogFont() {
  QFont font(IsFontInstalled(QStringLiteral("MS Sans Serif")) ? QStringLiteral("MS Sans Serif")
                                                              : QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(8.25);
  return font;
}

void UseClassicLook() {
  QApplication::setStyle(QStringLiteral("Windows"));
  QApplication::setFont(DialogFont());
}

QFont CodeFont() {
  QFont font = IsFontInstalled(QStringLiteral("Liberation Mono"))
                   ? QFont(QStringLiteral("Liberation Mono"))
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPointSizeF(9);
  return font;
}

// Drawn with plain strokes at their final size: decoding a picture file would
// make the image-format plug-ins load at start-up, and text would load a font.
// Each is drawn at 1x and 2x, so that a scaled screen gets sharp strokes.
namespace {

QIcon DrawnIcon(int size, const std::function<void(QPainter&)>& draw) {
  QIcon icon;
  for (const int scale : {1, 2}) {
    QPixmap pixmap(size * scale, size * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

QIcon HelpIcon() {
  return DrawnIcon(20, [](QPainter& p) {
    p.setPen(QPen(QColor(0, 0, 128), 1.2));
    p.setBrush(QColor(255, 255, 224));
    p.drawEllipse(QRectF(1, 1, 18, 18));
    QPainterPath mark;
    mark.moveTo(7, 7.5);
    mark.cubicTo(7, 3.5, 13.5, 3.5, 13.5, 7.2);
    mark.cubicTo(13.5, 9.5, 10, 9.8, 10, 12.5);
    p.setPen(QPen(QColor(0, 0, 160), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 160));
    p.drawEllipse(QPointF(10, 15.5), 1.4, 1.4);
  });
}

QIcon ConsultIcon() {
  return DrawnIcon(18, [](QPainter& p) {
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(1, 2, 16, 11), 3, 3);
    QPainterPath tail;
    tail.moveTo(4, 12);
    tail.lineTo(3, 17);
    tail.lineTo(9, 12);
    tail.closeSubpath();
    p.setPen(QPen(QColor(0, 0, 128), 1));
    p.setBrush(QColor(224, 236, 255));
    p.drawPath(bubble.united(tail));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF(5.5 + 3.5 * i, 7.5), 1.2, 1.2);
  });
}

// Read as PNG and nothing else: left to guess, the reader loads every image
// format plug-in to ask each whether the data is its own.
QPixmap Picture(const QString& name) {
  QImageReader reader(QStringLiteral(":/orvanta/icons/") + name, "png");
  reader.setAutoDetectImageFormat(false);
  return QPixmap::fromImage(reader.read());
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64})
    icon.addPixmap(Picture(QStringLiteral("orvanta-%1.png").arg(size)));
  return icon;
}

namespace {

double Luminance(const QColor& colour) {
  const auto channel = [](double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
         0.0722 * channel(colour.blueF());
}

class ReadableLink : public QObject {
 public:
  explicit ReadableLink(QWidget* link) : QObject(link), link_(link) {
    link->installEventFilter(this);
    Update();
  }

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::ParentChange)
      Update();
    return false;
  }

 private:
  void Update() {
    const QWidget* parent = link_->parentWidget();
    const QPalette base = parent != nullptr ? parent->palette() : QApplication::palette();
    const QColor background = base.color(QPalette::Window);
    QColor chosen(0, 0, 128);
    for (const QColor& candidate : {base.color(QPalette::Link), base.color(QPalette::WindowText)}) {
      if (ContrastRatio(chosen, background) >= 4.5) break;
      chosen = candidate;
    }
    // In the text's own colour only the line under it tells a link.
    QFont font = link_->font();
    font.setUnderline(chosen == base.color(QPalette::WindowText));
    if (font != link_->font()) link_->setFont(font);
    QPalette palette = link_->palette();
    if (palette.color(QPalette::WindowText) == chosen) return;
    palette.setColor(QPalette::WindowText, chosen);
    link_->setPalette(palette);
  }

  QWidget* link_;
};

// The classic style draws the edges of boxes, options and fields in the
// palette's light and dark shades, which a dark palette puts next to its
// background; they are moved toward the text colour until they stand out.
class VisibleEdges : public QObject {
 public:
  explicit VisibleEdges(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
    Update();
  }

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::ApplicationPaletteChange) Update();
    return false;
  }

 private:
  void Update() {
    const QPalette wanted = WithVisibleEdges(QApplication::palette());
    if (wanted != QApplication::palette())
      window_->setPalette(wanted);
    else if (window_->testAttribute(Qt::WA_SetPalette))
      window_->setPalette(QPalette());
  }
  QWidget* window_;
};

}  // namespace

QPalette WithVisibleEdges(QPalette palette) {
  const QColor background = palette.color(QPalette::Window);
  const QColor text = palette.color(QPalette::WindowText);
  if (Luminance(background) >= Luminance(text)) return palette;  // a light palette keeps its look
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    for (const QPalette::ColorRole role : {QPalette::Light, QPalette::Dark}) {
      const QColor shade = palette.color(group, role);
      QColor edge = shade;
      // Above the edge contrast: round options are drawn smoothed, and their
      // outer pixels mix the shade with the background.
      for (int step = 1; step <= 10 && ContrastRatio(edge, background) < 1.5 * kEdgeContrast;
           ++step) {
        const double t = step / 10.0;
        edge = QColor::fromRgbF(static_cast<float>(shade.redF() * (1 - t) + text.redF() * t),
                                static_cast<float>(shade.greenF() * (1 - t) + text.greenF() * t),
                                static_cast<float>(shade.blueF() * (1 - t) + text.blueF() * t));
      }
      palette.setColor(group, role, edge);
    }
  }
  return palette;
}

void KeepEdgesVisible(QWidget* window) { new VisibleEdges(window); }

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void KeepLinkReadable(QWidget* link) { new ReadableLink(link); }

}  // namespace orvanta
