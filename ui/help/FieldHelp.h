#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QPointer>
#include <QRegion>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <optional>
#include <vector>

class QFontMetrics;

namespace orvanta {

// ---- Geometry of a balloon, in pixels ----------------------------------

// The balloon's text starts here, inside the body under the pointer triangle.
inline constexpr int kFieldHelpTextLeft = 8;
inline constexpr int kFieldHelpTextTop = 16;
// Width and height the balloon adds around its text.
inline constexpr int kFieldHelpExtraWidth = 16;
inline constexpr int kFieldHelpExtraHeight = 24;
// Offset of the balloon's top-left corner from the pointer.
inline constexpr int kFieldHelpPointerDx = -2;
inline constexpr int kFieldHelpPointerDy = 20;

// Turns every "|" into CR LF.
QString FieldHelpText(const QString& text);

// The lines of a help text: broken only at line breaks (CR LF counts as
// one), never wrapped; spaces at either end of a line stay.
QStringList FieldHelpLines(const QString& text);

// Tahoma 13 px, normal weight, where installed; else a plain sans 13 px.
QFont FieldHelpFont();

// Advance width of each line, spaces included.
std::vector<int> FieldHelpLineWidths(const QString& text, const QFontMetrics& metrics);

// The text block: its widest line by line count x line spacing.
QSize FieldHelpTextSize(const QString& text, const QFontMetrics& metrics);

// The whole balloon: the text block plus 16 across and 24 down.
QSize FieldHelpSize(const QString& text, const QFontMetrics& metrics);

// Top-left corner of the balloon for a pointer at `pointer` (screen
// coordinates). Never pulled back onto the screen.
QPoint FieldHelpTopLeft(const QPoint& pointer);

// The pointer triangle (8,0), (8,8), (16,8), tip at (8,0).
std::array<QPoint, 3> FieldHelpTriangle();

// The balloon's pixels for a window of `size`: the triangle united with the
// body from (0,8) to the bottom-right corner, its corners rounded by a
// quarter of a 15 x 15 ellipse. Triangle row y (0..7) covers x 8..8+y.
QRegion FieldHelpShape(const QSize& size);

// The 1-pixel outline just inside the shape's edge: the shape's pixels that
// have a 4-neighbour outside it.
QRegion FieldHelpOutline(const QSize& size);

// ---- Timing -------------------------------------------------------------

struct FieldHelpDelays {
  int initialMs;   // resting time before a balloon shows
  int autoHideMs;  // showing time before it hides by itself
  int reshowMs;    // delay of the next balloon when moving on from a shown one
};

// Everything follows from the double-click interval.
FieldHelpDelays FieldHelpDelaysFor(int doubleClickIntervalMs);

// From the platform's current double-click interval (QStyleHints).
FieldHelpDelays CurrentFieldHelpDelays();

// ---- Windows ------------------------------------------------------------

// A custom-painted help balloon: a frameless tool-tip window owned by the
// form, never activated, clipped to its shape.
class FieldHelpBalloon : public QWidget {
  Q_OBJECT
 public:
  // `text` is stored as given (line breaks as CR LF).
  FieldHelpBalloon(const QString& text, QWidget* owner);

  const QString& text() const { return text_; }
  QSize sizeHint() const override;

  // Sizes, places at the pointer and shows without activating.
  void Popup();
  // The same, pointing at `pointer` (screen coordinates) instead: for a
  // control that has the keyboard focus.
  void PopupAt(const QPoint& pointer);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Place();

  QString text_;
  std::optional<QPoint> anchor_;
};

struct FieldHelpEntry {
  QPointer<FieldHelpBalloon> balloon;
  QPointer<QWidget> control;
};

// One per owner form: watches the pointer over the controls that have a
// balloon and decides when a balloon shows and hides.
class FieldHelpController : public QObject {
  Q_OBJECT
 public:
  explicit FieldHelpController(QWidget* owner);
  ~FieldHelpController() override;

  // Attaches `balloon` to `control`; the control's entries go with it.
  void Watch(QWidget* control, FieldHelpBalloon* balloon);
  const std::vector<FieldHelpEntry>& attached() const { return attached_; }

  // The balloon showing now, or null.
  FieldHelpBalloon* shown() const;
  // The control the pointer is on, or null.
  QWidget* hot() const { return hot_; }
  // When the balloon of the hot control shows, and when the shown one hides.
  struct Wait {
    bool active;
    int intervalMs;
    int remainingMs;  // -1 when not active
  };
  Wait showWait() const { return WaitOf(showTimer_); }
  Wait hideWait() const { return WaitOf(hideTimer_); }

  // Shows the balloon of `control`, or of the watched control holding it,
  // under that control; the balloon then follows the keyboard focus from
  // one watched control to the next. False when none has a balloon.
  bool ShowForFocus(QWidget* control);

  // The controller of that owner, made on first use.
  static FieldHelpController* Of(QWidget* owner);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Enter(QWidget* control);
  void Leave();
  void ShowNow();
  void HideShown();
  void Press();
  void SetAppFilter(bool on);
  static Wait WaitOf(const QTimer& timer) {
    return {timer.isActive(), timer.interval(), timer.remainingTime()};
  }

  QHash<QObject*, QPointer<FieldHelpBalloon>> balloons_;
  std::vector<FieldHelpEntry> attached_;
  QPointer<QWidget> hot_;
  QPointer<FieldHelpBalloon> shown_;
  QTimer showTimer_;
  QTimer hideTimer_;
  // Set when the pointer left a control whose balloon was showing: a control
  // entered soon after gets its balloon after the reshow delay.
  QElapsedTimer leftShowing_;
  // After a press or the automatic hide nothing shows until the pointer
  // leaves the control.
  bool spent_ = false;
  bool appFilter_ = false;
  bool followFocus_ = false;
};

// ---- Attaching ------------------------------------------------------------

// The attachments of `owner`, in order; an entry goes with its control and
// the list with its owner.
const std::vector<FieldHelpEntry>& FieldHelpWindows(const QWidget* owner);

// Attaches a balloon with `text` ("|" becoming a line break) to `control`,
// owned by `owner` (the control's window when null); the text on one line
// becomes the control's accessible description. Null on failure.
FieldHelpBalloon* AddFieldHelp(QWidget* control, const QString& text, QWidget* owner);

struct FieldHelpItem {
  const char* control;  // objectName in the main window
  const char* text;     // lines joined by CR LF
};

// The 36 help texts of the main window, in attachment order.
const std::array<FieldHelpItem, 37>& FieldHelpTable();

// Attaches the table's texts to the children of `form` with those names, in
// order, `form` being the owner. A missing control is skipped silently.
// Returns how many were attached.
int SetupFieldHelp(QWidget* form);

// Shift+F1 in any window shows the balloon of the control with the focus.
void EnableFieldHelpKey(QObject* owner);

}  // namespace orvanta
