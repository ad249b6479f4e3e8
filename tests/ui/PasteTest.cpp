// Pastes with nobody owning the clipboard or the selection; ui_paste_x runs
// this on an X server too, where the code boxes crashed on it.
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include "tests/ui/UiTest.h"

namespace orvanta::test {
namespace {

using PasteTest = WindowTest;

TEST_F(PasteTest, NoClipboardOwnerPastesNothingAndTextStillPastes) {
  Click(Button("cmdGo_0"));  // code in both boxes
  QClipboard* clipboard = QGuiApplication::clipboard();
  for (const char* name : {"txtCode", "txtCodeLink", "txtURL"}) {
    auto* area = qobject_cast<QPlainTextEdit*>(Child<QWidget>(name));
    QWidget* box = area ? area->viewport() : Line(name);
    const auto text = [&] { return area ? area->toPlainText() : Line(name)->text(); };
    for (const auto mode : {QClipboard::Clipboard, QClipboard::Selection}) {
      if (mode == QClipboard::Selection && !clipboard->supportsSelection()) continue;
      const auto paste = [&] {
        if (mode == QClipboard::Selection) return QTest::mouseClick(box, Qt::MiddleButton);
        QTest::keyClick(area ? static_cast<QWidget*>(area) : box, Qt::Key_V, Qt::ControlModifier);
      };
      const QString before = text();
      clipboard->clear(mode);  // gives it up: nobody owns it
      paste();
      EXPECT_EQ(text(), before) << name << mode;
      clipboard->setText(QString::number(mode + 42), mode);
      paste();
      EXPECT_TRUE(text().contains(QString::number(mode + 42))) << name << mode;
    }
  }
}

}  // namespace
}  // namespace orvanta::test
