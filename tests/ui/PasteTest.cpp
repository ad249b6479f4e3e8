// Pastes and middle clicks into the window's text boxes, with the clipboard
// and the selection owned by nobody. On an X server (ctest runs these cases
// once more under xvfb-run) that is what crashed the code boxes.
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include "tests/ui/UiTest.h"

namespace orvanta::test {
namespace {

enum class Gesture { CtrlV, ShiftInsert, MiddleClick };

void Make(QWidget* box, Gesture gesture) {
  box->setFocus();
  auto* area = qobject_cast<QPlainTextEdit*>(box);
  switch (gesture) {
    case Gesture::CtrlV:
      QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
      break;
    case Gesture::ShiftInsert:
      QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
      break;
    case Gesture::MiddleClick:
      QTest::mouseClick(area != nullptr ? area->viewport() : box, Qt::MiddleButton, {},
                        QPoint(5, 5));
      break;
  }
}

QString TextOf(QWidget* box) {
  if (auto* area = qobject_cast<QPlainTextEdit*>(box)) return area->toPlainText();
  return qobject_cast<QLineEdit*>(box)->text();
}

class PasteTest : public WindowTest {};

TEST_F(PasteTest, NoClipboardOwnerPastesNothingAndTextStillPastes) {
  TypeOver(Line("txtName"), QStringLiteral("news"));
  Click(Button("cmdGo_0"));  // the code page, with code in both boxes
  QClipboard* clipboard = QGuiApplication::clipboard();
  const char* boxes[] = {"txtCode", "txtCodeLink", "txtURL", "txtPixels_0"};
  const Gesture gestures[] = {Gesture::CtrlV, Gesture::ShiftInsert, Gesture::MiddleClick};
  for (const char* name : boxes) {
    QWidget* box = Child<QWidget>(name);
    for (const Gesture gesture : gestures) {
      const bool selection = gesture == Gesture::MiddleClick;
      if (selection && !clipboard->supportsSelection()) continue;
      const QClipboard::Mode mode = selection ? QClipboard::Selection : QClipboard::Clipboard;
      // Giving the clipboard up leaves it to nobody.
      clipboard->clear(QClipboard::Clipboard);
      if (clipboard->supportsSelection()) clipboard->clear(QClipboard::Selection);
      const QString before = TextOf(box);
      Make(box, gesture);
      EXPECT_EQ(TextOf(box), before) << name << " " << static_cast<int>(gesture);

      clipboard->setText(QStringLiteral("42"), mode);
      if (auto* area = qobject_cast<QPlainTextEdit*>(box)) area->moveCursor(QTextCursor::End);
      Make(box, gesture);
      EXPECT_TRUE(TextOf(box).contains(QStringLiteral("42")))
          << name << " " << static_cast<int>(gesture) << ": " << TextOf(box).toStdString();
      if (auto* line = qobject_cast<QLineEdit*>(box)) line->setText(before);
      if (auto* area = qobject_cast<QPlainTextEdit*>(box)) area->setPlainText(before);
    }
  }
}

}  // namespace
}  // namespace orvanta::test
