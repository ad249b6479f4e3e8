// Random clicks, keystrokes and pastes over the input screen.
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <random>
#include <string>

#include "core/Generator.h"
#include "core/NumericEntry.h"
#include "core/SettingsFields.h"
#include "tests/ui/UiTest.h"

namespace orvanta::test {
namespace {

class Monkey : public WindowTest {
 protected:
  // The entries as the controls show them, read by object name: the test's
  // own idea of which control holds which entry.
  PopupSettings OnScreen() const {
    PopupSettings s;
    for (const SettingsField& field : kSettingsFields) {
      const auto button = [&](std::size_t k) {
        return Button(qPrintable(QString::fromLatin1(field.Control) + QString::number(k)));
      };
      VisitKind(
          field,
          [&](const TextField& f) { s.*f.Member = Line(field.Control)->text().toStdString(); },
          [&](const NumberField& f) { s.*f.Member = Line(field.Control)->text().toStdString(); },
          [&](const CheckField& f) { s.*f.Member = Button(field.Control)->isChecked() ? 1 : 0; },
          [&](const ChoiceField& f) {
            int found = -1;
            for (std::size_t k = 0; k < f.Words.Size; ++k) {
              if (!button(k)->isChecked()) continue;
              EXPECT_EQ(found, -1) << "two of " << field.Control << " are selected";
              found = static_cast<int>(k);
            }
            EXPECT_NE(found, -1) << "none of " << field.Control << " is selected";
            f.Set(s, found < 0 ? 0 : found);
          },
          [&](const OptionsField& f) {
            for (std::size_t k = 0; k < f.Words.Size; ++k)
              (s.*f.Member)[k] = button(k)->isChecked() ? 1 : 0;
          });
    }
    return s;
  }

  std::string CodeIn(const char* box) const {
    return Box(box)->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdString();
  }

  // "Generate Code" must give what the generator makes of the entries on the
  // screen, and leave the repaired entries in their controls.
  void GenerateAndCheck(int step) {
    ClickTab(0);
    const Generation expected = GeneratePopupCode(OnScreen());
    Click(Button("cmdGo_0"));
    EXPECT_EQ(CodeIn("txtCode"), expected.Code.PopupCode) << "after step " << step;
    EXPECT_EQ(CodeIn("txtCodeLink"), expected.Code.LinkCode) << "after step " << step;
    const PopupSettings shown = OnScreen();
    EXPECT_TRUE(shown == expected.Settings) << "after step " << step << ": " << Describe(shown)
                                            << "\ninstead of " << Describe(expected.Settings);
  }

  static std::string Describe(const PopupSettings& s) {
    std::string text;
    for (const SettingsField& field : kSettingsFields)
      text += std::string(field.Key) + "=\"" + FieldValue(field, s) + "\" ";
    return text;
  }
};

const char* const kNumericFields[] = {"txtPixels_0", "txtPixels_1", "txtPixels_2",
                                      "txtPixels_3", "txtDelay_0",  "txtDelay_1"};

QString RandomText(std::mt19937& random) {
  static const QString pool = QString::fromUtf8("0123456789-.eE+ aZz_/:é€\t");
  std::uniform_int_distribution<int> length(0, 6);
  std::uniform_int_distribution<int> pick(0, static_cast<int>(pool.size()) - 1);
  QString text;
  for (int n = length(random); n > 0; --n) text += pool.at(pick(random));
  return text;
}

TEST_F(Monkey, FiveThousandRandomStepsKeepTheScreenConsistent) {
  std::mt19937 random(20240511u);
  QWidget* screen = Child<QWidget>("frmMenu_0");
  const QList<QLineEdit*> fields = screen->findChildren<QLineEdit*>();
  ASSERT_EQ(fields.size(), 9);
  const int keys[] = {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Up,  Qt::Key_Down, Qt::Key_PageUp,
                      Qt::Key_PageDown,  Qt::Key_Home,   Qt::Key_End, Qt::Key_Tab,  Qt::Key_Space};
  std::uniform_int_distribution<int> action(0, 99);
  std::uniform_int_distribution<int> x(0, screen->width() - 1);
  std::uniform_int_distribution<int> y(0, screen->height() - 1);
  std::uniform_int_distribution<int> fieldPick(0, static_cast<int>(fields.size()) - 1);
  std::uniform_int_distribution<int> keyPick(0, static_cast<int>(std::size(keys)) - 1);

  for (int step = 0; step < 5000; ++step) {
    // A user who got to another page comes back to the input screen.
    if (!InFront(screen)) ClickTab(0);
    const int roll = action(random);
    if (roll < 50) {
      // A click somewhere on the screen: whatever lies there gets it.
      const QPoint at(x(random), y(random));
      QWidget* target = screen->childAt(at);
      if (target == nullptr) target = screen;
      QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(screen, at));
    } else if (roll < 75) {
      QWidget* target = QApplication::focusWidget();
      if (target == nullptr || !screen->isAncestorOf(target)) target = fields[fieldPick(random)];
      const QString text = RandomText(random);
      if (random() % 2 == 0 && !text.isEmpty())
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, text.left(1), Qt::NoModifier);
      else
        QTest::keyClick(target, static_cast<Qt::Key>(keys[keyPick(random)]));
    } else {
      QLineEdit* field = fields[fieldPick(random)];
      if (random() % 3 == 0) field->selectAll();
      Paste(field, RandomText(random));
    }

    for (const char* name : kNumericFields) {
      const std::string text = Line(name)->text().toStdString();
      ASSERT_TRUE(IsNumericEntry(text)) << name << " holds \"" << text << "\" after step " << step;
    }
    const bool pageClose = Button("OptAction_2")->isChecked();
    ASSERT_EQ(Line("txtDelay_0")->isEnabled(), !pageClose) << step;
    if (pageClose) {
      ASSERT_TRUE(Line("txtDelay_1")->text().isEmpty()) << step;
    }
    ASSERT_EQ(Line("txtPixels_2")->isEnabled(), !Button("ChkCenter")->isChecked()) << step;
    if (step % 500 == 499) GenerateAndCheck(step);
  }
}

}  // namespace
}  // namespace orvanta::test
