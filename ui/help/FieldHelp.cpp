#include "ui/help/FieldHelp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyleHints>
#include <algorithm>
#include <cmath>

#include "ui/help/WidgetTools.h"

namespace orvanta {

namespace {

constexpr int kTriangleTop = 0;
constexpr int kBodyTop = 8;
constexpr int kTriangleLeft = 8;
constexpr double kCornerRadius = 7.5;  // a 15 x 15 ellipse, quartered
const QColor kOutlineColor(64, 64, 64);

}  // namespace

QString FieldHelpText(const QString& text) {
  QString result = text;
  result.replace(QLatin1Char('|'), QLatin1String("\r\n"));
  return result;
}

QStringList FieldHelpLines(const QString& text) {
  static const QRegularExpression kBreak(QStringLiteral("\r\n|\r|\n"));
  return text.split(kBreak);
}

QFont FieldHelpFont() {
  const QString tahoma = QStringLiteral("Tahoma");
  QFont font;
  if (IsFontInstalled(tahoma)) {
    font.setFamily(tahoma);
  } else {
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPixelSize(13);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

std::vector<int> FieldHelpLineWidths(const QString& text, const QFontMetrics& metrics) {
  std::vector<int> widths;
  for (const QString& line : FieldHelpLines(text))
    widths.push_back(metrics.horizontalAdvance(line));
  return widths;
}

QSize FieldHelpTextSize(const QString& text, const QFontMetrics& metrics) {
  const std::vector<int> widths = FieldHelpLineWidths(text, metrics);
  const int widest = *std::max_element(widths.begin(), widths.end());
  return {widest, static_cast<int>(widths.size()) * metrics.lineSpacing()};
}

QSize FieldHelpSize(const QString& text, const QFontMetrics& metrics) {
  return FieldHelpTextSize(text, metrics) + QSize(kFieldHelpExtraWidth, kFieldHelpExtraHeight);
}

QPoint FieldHelpTopLeft(const QPoint& pointer) {
  return pointer + QPoint(kFieldHelpPointerDx, kFieldHelpPointerDy);
}

std::array<QPoint, 3> FieldHelpTriangle() {
  return {QPoint(kTriangleLeft, kTriangleTop), QPoint(kTriangleLeft, kBodyTop),
          QPoint(kTriangleLeft + kBodyTop, kBodyTop)};
}

QRegion FieldHelpShape(const QSize& size) {
  const int width = size.width();
  const int height = size.height();
  QRegion shape;
  for (int y = kTriangleTop; y < kBodyTop && y < height; ++y)
    shape += QRect(kTriangleLeft, y, y - kTriangleTop + 1, 1);

  const int bodyHeight = height - kBodyTop;
  if (width <= 0 || bodyHeight <= 0) return shape;
  const double rx = std::min(kCornerRadius, width / 2.0);
  const double ry = std::min(kCornerRadius, bodyHeight / 2.0);
  // A pixel belongs to the body when its centre lies inside the rounded
  // rectangle; each row is one run.
  for (int y = kBodyTop; y < height; ++y) {
    const double cy = y + 0.5;
    double dy = 0;
    if (cy < kBodyTop + ry)
      dy = kBodyTop + ry - cy;
    else if (cy > height - ry)
      dy = cy - (height - ry);
    double dx = rx;
    if (dy > 0) {
      const double t = dy / ry;
      dx = t >= 1 ? 0 : rx * std::sqrt(1 - t * t);
    }
    const int left = static_cast<int>(std::ceil(rx - dx - 0.5));
    const int right = static_cast<int>(std::floor(width - rx + dx - 0.5));
    if (right >= left) shape += QRect(left, y, right - left + 1, 1);
  }
  return shape;
}

QRegion FieldHelpOutline(const QSize& size) {
  const QRegion shape = FieldHelpShape(size);
  const QRegion inner = shape & shape.translated(1, 0) & shape.translated(-1, 0) &
                        shape.translated(0, 1) & shape.translated(0, -1);
  return shape - inner;
}

FieldHelpDelays FieldHelpDelaysFor(int doubleClickIntervalMs) {
  return {doubleClickIntervalMs, doubleClickIntervalMs * 10, doubleClickIntervalMs / 5};
}

FieldHelpDelays CurrentFieldHelpDelays() {
  return FieldHelpDelaysFor(QGuiApplication::styleHints()->mouseDoubleClickInterval());
}

// ---- FieldHelpBalloon -----------------------------------------------------

FieldHelpBalloon::FieldHelpBalloon(const QString& text, QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                         Qt::WindowTransparentForInput),
      text_(text) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setFont(FieldHelpFont());
  const QSize size = sizeHint();
  resize(size);
  setMask(FieldHelpShape(size));
}

QSize FieldHelpBalloon::sizeHint() const { return FieldHelpSize(text_, fontMetrics()); }

void FieldHelpBalloon::Popup() {
  const QSize size = sizeHint();
  if (this->size() != size) {
    resize(size);
    setMask(FieldHelpShape(size));
  }
  anchor_.reset();
  Place();
  show();
  raise();
}

void FieldHelpBalloon::PopupAt(const QPoint& pointer) {
  Popup();
  anchor_ = pointer;
  Place();
}

void FieldHelpBalloon::Place() {
  const QPoint topLeft = FieldHelpTopLeft(anchor_ ? *anchor_ : QCursor::pos());
  if (pos() != topLeft) move(topLeft);
}

void FieldHelpBalloon::paintEvent(QPaintEvent* /*event*/) {
  // A showing balloon follows the pointer whenever it is painted.
  Place();
  const QSize size = this->size();
  QPainter painter(this);
  const QColor base = palette().color(QPalette::ToolTipBase);
  for (const QRect& run : FieldHelpShape(size)) painter.fillRect(run, base);
  for (const QRect& run : FieldHelpOutline(size)) painter.fillRect(run, kOutlineColor);

  painter.setFont(font());
  painter.setPen(palette().color(QPalette::ToolTipText));
  const QFontMetrics metrics = painter.fontMetrics();
  int baseline = kFieldHelpTextTop + metrics.ascent();
  for (const QString& line : FieldHelpLines(text_)) {
    painter.drawText(kFieldHelpTextLeft, baseline, line);
    baseline += metrics.lineSpacing();
  }
}

void FieldHelpBalloon::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    const QSize size = sizeHint();
    resize(size);
    setMask(FieldHelpShape(size));
  }
  QWidget::changeEvent(event);
}

// ---- FieldHelpController --------------------------------------------------

FieldHelpController::FieldHelpController(QWidget* owner) : QObject(owner) {
  setObjectName(QStringLiteral("FieldHelpController"));
  showTimer_.setSingleShot(true);
  hideTimer_.setSingleShot(true);
  showTimer_.setTimerType(Qt::PreciseTimer);
  hideTimer_.setTimerType(Qt::PreciseTimer);
  connect(&showTimer_, &QTimer::timeout, this, &FieldHelpController::ShowNow);
  connect(&hideTimer_, &QTimer::timeout, this, [this] {
    HideShown();
    spent_ = true;
  });
}

FieldHelpController::~FieldHelpController() { SetAppFilter(false); }

FieldHelpController* FieldHelpController::Of(QWidget* owner) {
  for (QObject* child : owner->children()) {
    if (auto* controller = qobject_cast<FieldHelpController*>(child)) return controller;
  }
  return new FieldHelpController(owner);
}

void FieldHelpController::Watch(QWidget* control, FieldHelpBalloon* balloon) {
  if (!balloons_.contains(control)) {
    connect(control, &QObject::destroyed, this, [this](QObject* gone) {
      balloons_.remove(gone);
      attached_.erase(std::remove_if(attached_.begin(), attached_.end(),
                                     [gone](const FieldHelpEntry& e) {
                                       return e.control.isNull() || e.control.data() == gone;
                                     }),
                      attached_.end());
      if (hot_.isNull()) {
        showTimer_.stop();
        HideShown();
        SetAppFilter(false);
      }
    });
  }
  balloons_.insert(control, balloon);
  attached_.push_back({balloon, control});
  // The pointer has to rest: moves over the control restart the wait.
  control->setMouseTracking(true);
  control->installEventFilter(this);
}

FieldHelpBalloon* FieldHelpController::shown() const { return shown_.data(); }

bool FieldHelpController::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
      // Seen application-wide while the pointer is on a control.
      if (!hot_.isNull()) Press();
      break;
    case QEvent::Enter:
      if (balloons_.contains(watched)) Enter(static_cast<QWidget*>(watched));
      break;
    case QEvent::MouseMove:
      if (balloons_.contains(watched)) {
        if (hot_ != watched)
          Enter(static_cast<QWidget*>(watched));
        else if (showTimer_.isActive())
          showTimer_.start();
      }
      break;
    case QEvent::Leave:
    case QEvent::Hide:
      if (!hot_.isNull() && watched == hot_) Leave();
      break;
    case QEvent::FocusIn:
      if (followFocus_ && balloons_.contains(watched) && !shown_.isNull())
        ShowForFocus(static_cast<QWidget*>(watched));
      break;
    case QEvent::EnabledChange:
      if (!hot_.isNull() && watched == hot_ && !hot_->isEnabled()) Leave();
      break;
    default:
      break;
  }
  return false;
}

void FieldHelpController::Enter(QWidget* control) {
  if (hot_ == control) return;
  if (!hot_.isNull()) Leave();
  // A disabled control shows no tooltip, so it shows no balloon either.
  if (!control->isEnabled()) return;
  hot_ = control;
  spent_ = false;
  const FieldHelpDelays delays = CurrentFieldHelpDelays();
  const bool reshow = leftShowing_.isValid() && leftShowing_.elapsed() <= delays.initialMs;
  leftShowing_.invalidate();
  showTimer_.start(reshow ? delays.reshowMs : delays.initialMs);
  SetAppFilter(true);
}

void FieldHelpController::Leave() {
  showTimer_.stop();
  if (!shown_.isNull() && shown_->isVisible()) leftShowing_.start();
  HideShown();
  hot_ = nullptr;
  spent_ = false;
  SetAppFilter(false);
}

bool FieldHelpController::ShowForFocus(QWidget* control) {
  while (control != nullptr && !balloons_.contains(control)) control = control->parentWidget();
  FieldHelpBalloon* balloon = control != nullptr ? balloons_.value(control).data() : nullptr;
  if (balloon == nullptr) return false;
  showTimer_.stop();
  HideShown();
  shown_ = balloon;
  followFocus_ = true;
  balloon->PopupAt(control->mapToGlobal(QPoint(control->width() / 2, control->height() - 4)));
  hideTimer_.start(CurrentFieldHelpDelays().autoHideMs);
  return true;
}

void FieldHelpController::ShowNow() {
  if (hot_.isNull() || spent_) return;
  FieldHelpBalloon* balloon = balloons_.value(hot_.data());
  if (balloon == nullptr) return;
  HideShown();
  shown_ = balloon;
  followFocus_ = false;
  balloon->Popup();
  hideTimer_.start(CurrentFieldHelpDelays().autoHideMs);
}

void FieldHelpController::HideShown() {
  hideTimer_.stop();
  if (!shown_.isNull()) shown_->hide();
  shown_ = nullptr;
}

void FieldHelpController::Press() {
  showTimer_.stop();
  HideShown();
  spent_ = true;
}

void FieldHelpController::SetAppFilter(bool on) {
  if (on == appFilter_ || QCoreApplication::instance() == nullptr) return;
  if (on)
    QCoreApplication::instance()->installEventFilter(this);
  else
    QCoreApplication::instance()->removeEventFilter(this);
  appFilter_ = on;
}

// ---- Attaching ------------------------------------------------------------

const std::vector<FieldHelpEntry>& FieldHelpWindows(const QWidget* owner) {
  static const std::vector<FieldHelpEntry> kNone;
  if (owner == nullptr) return kNone;
  for (QObject* child : owner->children()) {
    if (auto* controller = qobject_cast<FieldHelpController*>(child)) return controller->attached();
  }
  return kNone;
}

FieldHelpBalloon* AddFieldHelp(QWidget* control, const QString& text, QWidget* owner) {
  if (control == nullptr) return nullptr;
  if (owner == nullptr) owner = control->window();
  auto* balloon = new FieldHelpBalloon(FieldHelpText(text), owner);
  // For a screen reader, the balloon's lines read as one sentence.
  control->setAccessibleDescription(balloon->text().simplified());
  control->setWhatsThis(
      balloon->text().toHtmlEscaped().replace(QStringLiteral("\r\n"), QStringLiteral("<br>")));
  FieldHelpController::Of(owner)->Watch(control, balloon);
  return balloon;
}

namespace {

class FieldHelpKey : public QObject {
 public:
  explicit FieldHelpKey(QObject* owner) : QObject(owner) {
    QCoreApplication::instance()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    // Compared, never called: `watched` may be an engine object on its way
    // out, and the key counts once, where it reaches the focus widget.
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || watched != focus) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::ShiftModifier) return false;
    for (QWidget* w = focus; w != nullptr; w = w->parentWidget()) {
      for (QObject* child : w->children()) {
        if (auto* controller = qobject_cast<FieldHelpController*>(child)) {
          controller->ShowForFocus(focus);
          return true;
        }
      }
    }
    return true;
  }
};

}  // namespace

void EnableFieldHelpKey(QObject* owner) { new FieldHelpKey(owner); }

}  // namespace orvanta
