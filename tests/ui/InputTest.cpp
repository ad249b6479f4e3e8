// The input screen's own reactions: numeric fields, scroll bars, "Page
// Close", "Center", the name filter and "Clear".
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <optional>
#include <vector>

#include "core/EntryRule.h"
#include "tests/support/EventWait.h"
#include "tests/ui/UiTest.h"

namespace orvanta::test {
namespace {

using Input = WindowTest;

struct TypingCase {
  const char* field;
  const char* keys;
  std::vector<const char*> after;  // field text after each key
};

TEST_F(Input, NumericFieldsRefuseAKeyThatLeavesNoNumberAndKeepTheirText) {
  const TypingCase cases[] = {
      {"txtPixels_0", "12a", {"1", "12", "12"}},
      {"txtPixels_0", "400p", {"4", "40", "400", "400"}},
      {"txtPixels_1", "-.5", {"-", "-.", "-.5"}},
      {"txtPixels_2", "--", {"-", "-"}},
      {"txtPixels_3", ".5x7", {".", ".5", ".5", ".57"}},
      {"txtDelay_0", "1.2.", {"1", "1.", "1.2", "1.2"}},
      {"txtDelay_1", "+9 ", {"+", "+9", "+9"}},
      {"txtPixels_0", "1e2", {"1", "1e", "1e2"}},
      {"txtPixels_1", "2E-1e", {"2", "2E", "2E-", "2E-1", "2E-1"}},
  };
  for (const TypingCase& c : cases) {
    QLineEdit* field = Line(c.field);
    TypeOver(field, QString());
    ASSERT_EQ(field->text(), "");
    const QString keys = QString::fromLatin1(c.keys);
    ASSERT_EQ(static_cast<std::size_t>(keys.size()), c.after.size());
    for (int i = 0; i < keys.size(); ++i) {
      QTest::keyClick(field, keys.at(i).toLatin1());
      EXPECT_EQ(field->text(), QString::fromLatin1(c.after[static_cast<std::size_t>(i)]))
          << c.field << " after typing \"" << c.keys << "\" up to " << i;
    }
  }
}

TEST_F(Input, NumericCheckAlsoRunsOnPastedAndProgrammaticText) {
  TypeOver(Line("txtPixels_0"), "5");
  Paste(Line("txtPixels_0"), "12a");
  EXPECT_EQ(Line("txtPixels_0")->text(), "5") << "a refused paste keeps the text";
  Paste(Line("txtPixels_1"), "1E3");
  EXPECT_EQ(Line("txtPixels_1")->text(), "1E3");
  Line("txtDelay_0")->setText("abc");
  EXPECT_EQ(Line("txtDelay_0")->text(), "");
  Line("txtDelay_1")->setText("-7.25");
  EXPECT_EQ(Line("txtDelay_1")->text(), "-7.25") << "a passing entry is never altered";
}

// Clicks the scroll bar's up (true) or down (false) arrow.
void ClickArrow(QScrollBar* bar, bool up) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = bar->orientation();
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.sliderPosition = bar->sliderPosition();
  option.sliderValue = bar->value();
  option.singleStep = bar->singleStep();
  option.pageStep = bar->pageStep();
  option.subControls = QStyle::SC_All;
  const QRect arrow = bar->style()->subControlRect(
      QStyle::CC_ScrollBar, &option, up ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine,
      bar);
  ASSERT_FALSE(arrow.isEmpty());
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, arrow.center());
}

TEST_F(Input, ScrollBarArrowsAndPageKeysCountFromTheirOwnPosition) {
  QScrollBar* bar = Bar("vsbPixels_0");
  QLineEdit* field = Line("txtPixels_0");
  ClickArrow(bar, false);
  EXPECT_EQ(field->text(), "") << "at 0 a step down changes nothing";
  ClickArrow(bar, true);
  EXPECT_EQ(field->text(), "20");
  bar->setFocus();
  QTest::keyClick(bar, Qt::Key_PageUp);
  EXPECT_EQ(field->text(), "21");
  QTest::keyClick(bar, Qt::Key_Down);
  EXPECT_EQ(field->text(), "1");
  QTest::keyClick(bar, Qt::Key_PageDown);
  EXPECT_EQ(field->text(), "0") << "the way back to 0 writes the digit 0";
  // Typing does not move the bar; the next step starts from the bar.
  TypeOver(field, "500");
  ClickArrow(bar, true);
  EXPECT_EQ(field->text(), "20");
  EXPECT_EQ(Line("txtPixels_1")->text(), "") << "each bar writes only its own field";
}

TEST_F(Input, HoldingTheUpArrowStopsAtTheTopOfTheRange) {
  QScrollBar* bar = Bar("vsbPixels_3");
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = Qt::Vertical;
  option.minimum = bar->minimum();
  option.maximum = bar->maximum();
  option.subControls = QStyle::SC_All;
  const QPoint up =
      bar->style()
          ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSubLine, bar)
          .center();
  QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, up);
  const bool reached =
      QTest::qWaitFor([&] { return Line("txtPixels_3")->text() == "2000"; }, 20000);
  // Still held past the end: the arrow repeats a few more steps.
  QSignalSpy steps(bar, &QAbstractSlider::actionTriggered);
  const bool repeated = QTest::qWaitFor([&] { return steps.count() >= 3; }, 20000);
  QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, up);
  EXPECT_TRUE(reached);
  EXPECT_TRUE(repeated);
  EXPECT_EQ(Line("txtPixels_3")->text(), "2000");

  QScrollBar* delay = Bar("vsbDelay_0");
  delay->setFocus();
  for (int i = 0; i < 185; ++i) QTest::keyClick(delay, Qt::Key_Up);
  EXPECT_EQ(Line("txtDelay_0")->text(), "3600");
}

TEST_F(Input, ADraggedThumbCountsWhenReleased) {
  QScrollBar* bar = Bar("vsbDelay_1");
  bar->setSliderDown(true);
  bar->setSliderPosition(-700);
  EXPECT_EQ(Line("txtDelay_1")->text(), "");
  bar->setSliderDown(false);
  EXPECT_EQ(Line("txtDelay_1")->text(), "700");
}

TEST_F(Input, PageCloseSwitchesTheTimingsOffAndEmptiesThem) {
  TypeOver(Line("txtDelay_0"), "5");
  TypeOver(Line("txtDelay_1"), "7");
  Bar("vsbDelay_0")->setFocus();
  QTest::keyClick(Bar("vsbDelay_0"), Qt::Key_PageUp);
  ASSERT_EQ(Line("txtDelay_0")->text(), "1");
  Click(Button("OptAction_2"));
  for (const char* name : {"txtDelay_0", "txtDelay_1"}) {
    EXPECT_EQ(Line(name)->text(), "") << name;
    EXPECT_FALSE(Line(name)->isEnabled()) << name;
  }
  EXPECT_FALSE(Bar("vsbDelay_0")->isEnabled());
  EXPECT_FALSE(Bar("vsbDelay_1")->isEnabled());
  Click(Button("OptAction_1"));
  for (const char* name : {"txtDelay_0", "txtDelay_1"}) {
    EXPECT_EQ(Line(name)->text(), "") << name;
    EXPECT_TRUE(Line(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(Bar("vsbDelay_1")->isEnabled());
  EXPECT_EQ(Bar("vsbDelay_0")->value(), -1) << "the bar keeps its position";
}

TEST_F(Input, CenterSwitchesThePositionRowsOffButKeepsTheirNumbers) {
  TypeOver(Line("txtPixels_2"), "15");
  TypeOver(Line("txtPixels_3"), "25");
  TypeOver(Line("txtPixels_0"), "400");
  Click(Button("ChkCenter"));
  ASSERT_TRUE(Button("ChkCenter")->isChecked());
  for (const char* name : {"txtPixels_2", "txtPixels_3"})
    EXPECT_FALSE(Line(name)->isEnabled()) << name;
  EXPECT_FALSE(Bar("vsbPixels_2")->isEnabled());
  EXPECT_FALSE(Bar("vsbPixels_3")->isEnabled());
  EXPECT_TRUE(Line("txtPixels_0")->isEnabled());
  EXPECT_TRUE(Bar("vsbPixels_1")->isEnabled());
  EXPECT_EQ(Line("txtPixels_2")->text(), "15");
  Click(Button("ChkCenter"));
  EXPECT_TRUE(Line("txtPixels_2")->isEnabled());
  EXPECT_TRUE(Bar("vsbPixels_3")->isEnabled());
  EXPECT_EQ(Line("txtPixels_2")->text(), "15");
  EXPECT_EQ(Line("txtPixels_3")->text(), "25");
}

TEST_F(Input, FunctionNameTakesScriptNameCharactersWindowNameAnything) {
  TypeOver(Line("txtName"), "my_popup$2");
  EXPECT_EQ(Line("txtName")->text(), "my_popup$2");
  TypeOver(Line("txtName"), "1a-b");
  EXPECT_EQ(Line("txtName")->text(), "ab") << "no digit in front, no hyphen";
  for (const QString& refused :
       {QString(" "), QString("."), QString("{"), QString::fromUtf8("é")}) {
    QTest::sendKeyEvent(QTest::Click, Line("txtName"), Qt::Key_unknown, refused, Qt::NoModifier);
    EXPECT_EQ(Line("txtName")->text(), "ab") << qPrintable(refused);
  }

  QLineEdit* title = Line("txtTitle");
  TypeOver(title, "Ab9");
  QString expected = "Ab9";
  for (const QString& typed : {QString(" "), QString("."), QString("-"), QString("_"), QString("'"),
                               QString::fromUtf8("é"), QString::fromUtf8("€")}) {
    QTest::sendKeyEvent(QTest::Click, title, Qt::Key_unknown, typed, Qt::NoModifier);
    expected += typed;
    EXPECT_EQ(title->text(), expected) << qPrintable(typed);
  }
  QTest::keyClick(title, Qt::Key_Backspace);
  expected.chop(1);
  EXPECT_EQ(title->text(), expected) << "control keys pass";
  QTest::keyClick(title, Qt::Key_Home);
  QTest::keyClick(title, Qt::Key_Delete);
  EXPECT_EQ(title->text(), expected.mid(1)) << "the Delete key still deletes";
}

TEST_F(Input, PastedAndDroppedTextIsFilteredToo) {
  QLineEdit* name = Line("txtName");
  QLineEdit* title = Line("txtTitle");
  const struct {
    QLineEdit* field;
    QString before, added, after;
  } cases[] = {
      {name, "", "my_popup", "my_popup"},
      {name, "", "a;b\"c\t()$", "abc$"},
      {name, "", "1abc", ""},  // refused whole: a digit would lead
      {name, "go", "2", "go2"},
      {title, "", "O'Brien's \"news\"", "O'Brien's \"news\""},
      {title, "", "9lives", "9lives"},
  };
  for (const auto& c : cases) {
    c.field->setText(c.before);
    c.field->end(false);
    Paste(c.field, c.added);
    EXPECT_EQ(c.field->text(), c.after) << qPrintable(c.added);
  }
  name->clear();
  QMimeData mime;
  mime.setText(QStringLiteral("pop-up_$"));
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(name, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(name, &drop);
  EXPECT_EQ(name->text(), "popup_$");
}

TEST_F(Input, AnAddressWithASchemeReplacesThePrefill) {
  QLineEdit* url = Line("txtURL");
  const struct {
    const char* Name;
    bool Typed;
    int Cursor;  // where the click into the prefill left the cursor
    QString Added, After;
  } cases[] = {
      {"pasted after", false, 7, "https://example.com/news.htm", "https://example.com/news.htm"},
      {"pasted before", false, 0, "https://example.com/news.htm", "https://example.com/news.htm"},
      {"typed after", true, 7, "https://site.org/a.htm", "https://site.org/a.htm"},
      {"another scheme", false, 7, "ftp://files.org/x", "ftp://files.org/x"},
      {"no scheme", false, 7, "example.com/news.htm", "http://example.com/news.htm"},
      {"host and port", true, 7, "localhost:8080/", "http://localhost:8080/"},
  };
  for (const auto& c : cases) {
    Click(Button("cmdGo_2"));  // "Clear" puts the prefill back
    ASSERT_EQ(url->text(), "http://");
    url->setFocus();
    url->setCursorPosition(c.Cursor);
    if (c.Typed) {
      QTest::keyClicks(url, c.Added);
    } else {
      Paste(url, c.Added);
    }
    EXPECT_EQ(url->text(), c.After) << c.Name;
  }
  // Only the prefill goes: an address already there stays.
  url->setText("https://a.org/");
  url->end(false);
  Paste(url, "http://");
  EXPECT_EQ(url->text(), "https://a.org/http://");
}

TEST_F(Input, AFileTheCommandLineSavedOpensWithItsNames) {
  const QString file = temp_->filePath(QStringLiteral("cli.ini"));
  QProcess cli;
  cli.start(QStringLiteral(ORVANTA_CLI_PATH),
            {"generate", "-f", "open_newsletter", "-w", "Today's news", "-u",
             "https://en.wikipedia.org/wiki/O'Brien#TOP", "-c", "--save-settings", file});
  ASSERT_TRUE(cli.waitForFinished(30000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

  FrmMainHooks hooks;
  QStringList problems;
  hooks.settingsFiles.openFile = [&](QWidget*, const QString&) { return file; };
  hooks.settingsFiles.showProblem = [&](QWidget*, const QString& m) { problems << m; };
  hooks.settingsFiles.configFolder = temp_->filePath(QStringLiteral("config"));
  Open(std::move(hooks));
  QTest::keyClick(Line("txtName"), Qt::Key_O, Qt::ControlModifier);
  ASSERT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
  EXPECT_EQ(Line("txtName")->text(), "open_newsletter");
  EXPECT_EQ(Line("txtTitle")->text(), "Today's news");
  Click(Button("cmdGo_0"));
  const QString code = Box("txtCode")->toPlainText();
  EXPECT_TRUE(code.contains("function open_newsletter() {")) << code.toStdString();
  EXPECT_TRUE(
      code.contains("window.open('https://en.wikipedia.org/wiki/O\\x27Brien#TOP', "
                    "'Today\\x27s news'"))
      << code.toStdString();
}

TEST_F(Input, OverlongPasteIsRefusedWholeWithAQuietLine) {
  QLineEdit* url = Line("txtURL");
  TypeOver(url, "http://a.htm");
  const QString longest(static_cast<int>(kLongestEntry) - url->text().size(), QLatin1Char('b'));
  Paste(url, longest + "c");
  EXPECT_EQ(url->text(), "http://a.htm") << "nothing cut, nothing kept";
  EXPECT_TRUE(Child<QLabel>("lblEntryNote")->text().contains("32767")) << "the quiet line";
  Paste(url, longest);
  EXPECT_EQ(url->text().size(), static_cast<int>(kLongestEntry)) << "the longest entry fits";
  EXPECT_TRUE(Child<QLabel>("lblEntryNote")->text().isEmpty());
}

TEST_F(Input, ComposedCharactersAreFilteredToo) {
  QLineEdit* name = Line("txtName");
  name->setFocus();
  QInputMethodEvent composed;
  composed.setCommitString(QString::fromUtf8("aé_1"));
  QApplication::sendEvent(name, &composed);
  EXPECT_EQ(name->text(), "a_1");
}

TEST_F(Input, ClearResetsTheEntriesButKeepsWindowTypeLinkCodeAndBars) {
  TypeOver(Line("txtName"), "go");
  Click(Button("OptWin_2"));
  Click(Button("chkWindOpt_3"));
  Click(Button("ChkCenter"));
  Bar("vsbPixels_1")->setFocus();
  QTest::keyClick(Bar("vsbPixels_1"), Qt::Key_Up);
  Click(Button("OptAction_2"));
  Click(Button("cmdGo_0"));
  ASSERT_FALSE(Box("txtCode")->toPlainText().isEmpty());
  Box("txtCodeLink")->setPlainText("kept link");
  ClickTab(0);
  Click(Button("cmdGo_2"));

  EXPECT_EQ(Line("txtName")->text(), "");
  EXPECT_EQ(Line("txtURL")->text(), "http://");
  EXPECT_EQ(Line("txtPixels_1")->text(), "");
  EXPECT_TRUE(Button("OptWin_2")->isChecked());
  EXPECT_TRUE(Button("OptAction_0")->isChecked());
  EXPECT_FALSE(Button("chkWindOpt_3")->isChecked());
  EXPECT_FALSE(Button("ChkCenter")->isChecked());
  EXPECT_TRUE(Line("txtPixels_2")->isEnabled());
  EXPECT_TRUE(Line("txtDelay_0")->isEnabled());
  EXPECT_EQ(Line("txtDelay_0")->text(), "");
  EXPECT_TRUE(Box("txtCode")->toPlainText().isEmpty());
  EXPECT_EQ(Box("txtCodeLink")->toPlainText(), "kept link");
  EXPECT_EQ(Bar("vsbPixels_1")->value(), -20);
  EXPECT_EQ(Tabs()->currentIndex(), 0);
}

}  // namespace
}  // namespace orvanta::test

namespace orvanta::test {
namespace {

using InPageWindow = WindowTest;

TEST_F(InPageWindow, ChoosingItSwitchesOffTheWindowOptionsAndGivesDialogCode) {
  Click(Button("chkWindOpt_0"));
  Click(Button("chkWindOpt_5"));
  Click(Button("OptWin_3"));
  for (int i = 0; i < kWindowOptionCount; ++i) {
    const std::string name = "chkWindOpt_" + std::to_string(i);
    EXPECT_EQ(Button(name.c_str())->isEnabled(), i == 5) << name;
  }
  EXPECT_TRUE(Button("chkWindOpt_0")->isChecked()) << "the tick stays for the other types";
  TypeOver(Line("txtName"), "showNews");
  TypeOver(Line("txtURL"), "https://example.org/news.htm");
  Click(Button("OptAction_2"));
  Click(Button("cmdGo_0"));
  const QString code = Box("txtCode")->toPlainText();
  EXPECT_TRUE(code.contains("document.createElement('dialog')")) << code.toStdString();
  EXPECT_TRUE(
      code.contains("onmouseout=\"if (!event.relatedTarget && event.clientY <= 0) "
                    "showNews()\""))
      << code.toStdString();
  EXPECT_FALSE(code.contains("scrolling")) << "Scroll Bars is ticked";
  EXPECT_TRUE(Box("txtCodeLink")->toPlainText().isEmpty());
  EXPECT_TRUE(Box("txtCodeLink")->placeholderText().contains("\"In Page\""));
  EXPECT_TRUE(Child<QLabel>("lblCodeNote")->text().contains("leaves the page at the top"));

  ClickTab(0);
  Click(Button("OptWin_0"));
  for (int i = 0; i < kWindowOptionCount; ++i) {
    const std::string name = "chkWindOpt_" + std::to_string(i);
    EXPECT_TRUE(Button(name.c_str())->isEnabled()) << name;
  }
  Click(Button("cmdGo_0"));
  EXPECT_TRUE(Box("txtCode")->toPlainText().contains("toolbar= 1,scrollbars= 1"));
  EXPECT_TRUE(Child<QLabel>("lblCodeNote")->text().isEmpty());
}

TEST_F(InPageWindow, PreviewShowsTheDialogInTheViewAndOpensNoWindow) {
  Click(Button("OptWin_3"));
  TypeOver(Line("txtPixels_0"), "240");
  TypeOver(Line("txtPixels_1"), "120");
  Click(Button("OptAction_1"));
  Click(Button("cmdGo_0"));
  ClickTab(2);
  ASSERT_TRUE(WaitForPreviewLoads());
  PreviewBrowser* view = window_->browser(0);
  ASSERT_NE(view, nullptr);
  QRect frame;
  const bool shown = test_support::WaitUntil(
      [&] {
        std::optional<QRect> at;
        view->locate(QStringLiteral("dialog[open] iframe"), [&](QRect r) { at = r; });
        test_support::WaitUntil([&] { return at.has_value(); }, 5000);
        frame = at.value_or(QRect());
        return !frame.isEmpty();
      },
      30000);
  ASSERT_TRUE(shown) << "no open dialog in the view";
  EXPECT_EQ(frame.size(), QSize(240, 120));
  EXPECT_TRUE(view->popupWindows().isEmpty());
}

}  // namespace
}  // namespace orvanta::test
