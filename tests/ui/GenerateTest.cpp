// "Generate Code" driven through the controls.
#include <QTest>

#include <QLabel>
#include "core/Generator.h"
#include "tests/support/Examples.h"

#include "tests/ui/UiTest.h"

namespace orvanta::test {
namespace {

using Generate = WindowTest;

QStringList Lines(const QString& crlfText) {
  QStringList lines = crlfText.split(QStringLiteral("\r\n"));
  lines.removeLast();  // the text ends with CR LF
  return lines;
}

// The box's lines joined with CR LF, the form the generated texts have.
std::string BoxText(QPlainTextEdit* box) {
  return box->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdString();
}

TEST_F(Generate, CentredDelayedPopupUnderOnPageLoadThroughTheControls) {
  TypeOver(Line("txtName"), "openIt");
  TypeOver(Line("txtTitle"), "promo");
  TypeOver(Line("txtURL"), "offer.htm");
  TypeOver(Line("txtPixels_0"), "400");
  TypeOver(Line("txtPixels_1"), "200");
  Click(Button("ChkCenter"));
  Click(Button("OptWin_2"));
  Click(Button("chkWindOpt_5"));
  TypeOver(Line("txtDelay_0"), "5");
  TypeOver(Line("txtDelay_1"), "10");
  Click(Button("OptAction_1"));

  const PopupSettings typed = test_support::CentredDelayedPageLoad();
  EXPECT_EQ(window_->ReadScreen(), typed);
  const Generation expected = GeneratePopupCode(typed);

  Click(Button("cmdGo_0"));

  const std::string code = BoxText(Box("txtCode"));
  EXPECT_EQ(code, expected.Code.PopupCode);
  const QStringList lines = Lines(QString::fromStdString(code));
  ASSERT_EQ(lines.size(), 37);
  EXPECT_EQ(lines[13], "function openIt() { ");
  EXPECT_EQ(lines[16],
            " win=window.open('http://offer.htm', 'promo','top='+wintop+',left='+winleft+"
            "',scrollbars= 1,width=400,height=200'); ");
  EXPECT_EQ(lines[17], " win.blur() ");
  EXPECT_EQ(lines[30], "<BODY bgcolor='#00FFFF' onload=StartPop()>");
  EXPECT_TRUE(Box("txtCodeLink")->toPlainText().isEmpty());

  // The fields show what the code was made from.
  EXPECT_EQ(Line("txtURL")->text(), "http://offer.htm");
  EXPECT_EQ(Line("txtPixels_2")->text(), "300");
  EXPECT_EQ(Line("txtPixels_3")->text(), "300");
  EXPECT_EQ(Line("txtPixels_0")->text(), "400");
  EXPECT_EQ(Line("txtDelay_1")->text(), "10");

  EXPECT_EQ(Tabs()->currentIndex(), 1);
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_1")));
  EXPECT_TRUE(InFront(Child<QWidget>("FrmView_0")));

  EXPECT_EQ(ReadWorkFile("test_page.htm"), PageBytes(expected.Code.PopupCode));
  EXPECT_EQ(
      ReadWorkFile("test_link.htm"),
      QByteArray("<html><head><title>Popup Test Page</title></head><body></body></html>\r\n"));
}

TEST_F(Generate, StartUpStateGivesTheDefaultsAndALinkCode) {
  Click(Button("cmdGo_0"));
  EXPECT_EQ(Line("txtURL")->text(), "http://YourURL.htm");
  EXPECT_EQ(Line("txtName")->text(), "myfunc");
  EXPECT_EQ(Line("txtTitle")->text(), "windtitle");
  for (const char* name : {"txtPixels_0", "txtPixels_1", "txtPixels_2", "txtPixels_3"})
    EXPECT_EQ(Line(name)->text(), "300") << name;
  const std::string link = BoxText(Box("txtCodeLink"));
  EXPECT_EQ(
      link,
      " <A HREF=\"#\" onClick=\"javascript:void window.open('http://YourURL.htm','windtitle',  "
      "'top=300,left=300,width=300,height=300')\">Click here</A>\r\n");
  EXPECT_EQ(Lines(QString::fromStdString(BoxText(Box("txtCode")))).size(), 34);
  EXPECT_EQ(ReadWorkFile("test_link.htm"),
            "<html><head><title>Popup Test Page</title></head><body>" +
                QByteArray::fromStdString(link) + "</body></html>\r\n");
}

TEST_F(Generate, CodeThatWouldNotRunGetsAQuietLine) {
  QLabel* note = Child<QLabel>("lblCodeNote");
  TypeOver(Line("txtURL"), "http://x/a'b.htm");
  TypeOver(Line("txtName"), "class");
  Click(Button("ChkCenter"));
  Click(Button("cmdGo_0"));
  EXPECT_EQ(
      note->text(),
      "This code will not run: in Function Name, \"class\" is a reserved word of the script.");
  EXPECT_TRUE(note->isVisible());
  EXPECT_TRUE(Box("txtCodeLink")->toPlainText().isEmpty());
  EXPECT_EQ(Box("txtCodeLink")->placeholderText(),
            "There is no link code: \"Center\" needs the script in the HEAD, so use the popup "
            "code.");
  ClickTab(0);
  TypeOver(Line("txtName"), "classic");
  Click(Button("ChkCenter"));
  Click(Button("cmdGo_0"));
  EXPECT_TRUE(note->text().isEmpty());
  EXPECT_TRUE(Box("txtCodeLink")->placeholderText().isEmpty());
}

TEST_F(Generate, PagesAreWrittenInWindows1252) {
  Line("txtURL")->setText(QString::fromUtf8("http://café.example/€.htm"));
  Click(Button("cmdGo_0"));
  const QByteArray page = ReadWorkFile("test_page.htm");
  EXPECT_TRUE(page.contains("http://caf\xE9.example/\x80.htm"));
  EXPECT_FALSE(page.contains("\xC3\xA9"));
  EXPECT_TRUE(Box("txtCode")->toPlainText().contains(QString::fromUtf8("café")));
}

TEST_F(Generate, TwiceWithoutChangesGivesTheSameTexts) {
  Click(Button("OptAction_4"));
  Click(Button("cmdGo_0"));
  const std::string first = BoxText(Box("txtCode"));
  ClickTab(0);
  Click(Button("cmdGo_0"));
  EXPECT_EQ(BoxText(Box("txtCode")), first);
}

// The page switch happens even when the pages cannot be written.
TEST_F(Generate, CarriesOnWhenTheWorkFolderCannotBeWritten) {
  FrmMainHooks hooks;
  hooks.programFolder = QStringLiteral("/proc");
  hooks.dataFolder = QStringLiteral("/proc/orvanta-cannot-exist");
  Open(hooks);
  ASSERT_TRUE(window_->workFolder().startsWith("/proc/orvanta-cannot-exist/work-"));
  Click(Button("cmdGo_0"));
  EXPECT_FALSE(Box("txtCode")->toPlainText().isEmpty());
  EXPECT_FALSE(Box("txtCodeLink")->toPlainText().isEmpty());
  EXPECT_EQ(Tabs()->currentIndex(), 1);
  EXPECT_TRUE(InFront(Child<QWidget>("FrmView_0")));
  EXPECT_FALSE(WorkFileExists("test_page.htm"));
}

}  // namespace
}  // namespace orvanta::test
