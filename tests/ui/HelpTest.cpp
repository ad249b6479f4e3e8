// Help, the About panel, the consult dialog, the field help balloons and the
// address completion, on the real main window.
#include <QAbstractItemModel>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "tests/support/ModalDialog.h"
#include "tests/ui/UiTest.h"
#include "ui/Appearance.h"
#include "ui/help/FieldHelp.h"
#include "ui/help/HelpManual.h"
#include "ui/help/MakerLinks.h"

namespace orvanta::test {
namespace {

const QString kHome = QString::fromLatin1(maker::kHomePage);
const QString kProducts = QString::fromLatin1(maker::kProductsPage);

// Windows here never load the preview module: the preview page shows at once.
FrmMainHooks WithoutPreview(const QTemporaryDir& temp) {
  FrmMainHooks hooks;
  hooks.pluginFolders << temp.filePath(QStringLiteral("no-module"));
  return hooks;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void WhenModal(std::function<void(QDialog*)> check) {
  test_support::WhenModal<QDialog>(std::move(check));
}

// ---- Help ------------------------------------------------------------------

class Help : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    manual_ = QDir(programFolder_).filePath(QStringLiteral("help/index.html"));
    ASSERT_TRUE(WriteFile(manual_, "<html><body>manual</body></html>"));
    Open(WithoutPreview(*temp_));
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  // -1 is the About panel.
  void GoTo(int page) {
    if (page < 0)
      ClickWidget(Child<QLabel>("Label10"));
    else
      ClickTab(page);
  }

  QString manual_;
};

struct HelpCase {
  const char* what;
  int page;
  const char* button;  // null: F1 with the focus in `focus`
  const char* focus;
};

const HelpCase kHelpCases[] = {
    {"F1 in the page address", 0, nullptr, "txtURL"},
    {"F1 on Generate Code", 0, nullptr, "cmdGo_0"},
    {"F1 in the popup code", 1, nullptr, "txtCode"},
    {"F1 on Launch in Browser", 2, nullptr, "cmdsrc_2"},
    {"F1 on the About panel's OK", -1, nullptr, "cmdAbout"},
    {"help button of the input screen", 0, "picHelp_2", nullptr},
    {"help button of the code page", 1, "picHelp_0", nullptr},
    {"help button of the preview page", 2, "picHelp_1", nullptr},
};

TEST_F(Help, F1AndEveryHelpButtonOpenTheSameManual) {
  for (const HelpCase& c : kHelpCases) {
    SCOPED_TRACE(c.what);
    GoTo(c.page);
    shellTargets_.clear();
    if (c.button != nullptr) {
      Click(Button(c.button));
      // Like a key press put into the input: the click is over first.
      EXPECT_TRUE(shellTargets_.isEmpty());
      WaitUntil([this] { return !shellTargets_.isEmpty(); }, 2000);
    } else {
      QWidget* focus = Child<QWidget>(c.focus);
      focus->setFocus();
      ASSERT_EQ(QApplication::focusWidget(), focus);
      QTest::keyClick(focus, Qt::Key_F1);
      QApplication::processEvents();
    }
    EXPECT_EQ(shellTargets_, QStringList{manual_});
  }
}

TEST_F(Help, F1InTheModalConsultDialogOpensTheManual) {
  GoTo(1);
  WhenModal([&](QDialog* dialog) {
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    EXPECT_EQ(shellTargets_, QStringList{manual_});
    dialog->close();
  });
  Click(Button("picConsult"));
  EXPECT_EQ(shellTargets_, QStringList{manual_});
}

TEST_F(Help, WithoutAManualNothingOpens) {
  ASSERT_TRUE(QFile::remove(manual_));
  if (!FindHelpManual(window_->workFolder()).isEmpty()) GTEST_SKIP() << "a manual is installed";
  QTest::keyClick(Line("txtName"), Qt::Key_F1);
  Click(Button("picHelp_2"));
  QApplication::processEvents();
  EXPECT_TRUE(shellTargets_.isEmpty());
  EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_0")));
}

// ---- About panel -----------------------------------------------------------

class About : public WindowTest {
 protected:
  void ShowAbout() {
    ClickWidget(Child<QLabel>("Label10"));
    ASSERT_TRUE(InFront(Child<QWidget>("frmMenu_2")));
  }
};

// How many pixels of a control's part stand out from the window background
// by the contrast an edge needs.
int EdgePixels(QWidget* control, const QRect& part) {
  const QImage drawn = control->grab().toImage();
  int count = 0;
  for (int y = part.top(); y <= part.bottom(); ++y)
    for (int x = part.left(); x <= part.right(); ++x)
      count += ContrastRatio(drawn.pixelColor(x, y), control->palette().color(QPalette::Window)) >=
               kEdgeContrast;
  return count;
}

// Every text on the main screen and the About panel reads at 4.5:1 or
// better, on the light palette and on a dark desktop's; there the edges of
// boxes, options and fields stand out at 3:1.
TEST_F(About, EveryTextReadsUnderLightAndDarkPalettes) {
  // Its shades derive from the button colour, as a dark desktop theme gives them.
  QPalette dark(QColor(0x40, 0x40, 0x40), QColor(0x35, 0x35, 0x35));
  for (auto [role, colour] : {std::pair{QPalette::WindowText, QColor(0xee, 0xee, 0xee)},
                              {QPalette::Base, QColor(0x20, 0x20, 0x20)},
                              {QPalette::Text, QColor(0xee, 0xee, 0xee)},
                              {QPalette::Button, QColor(0x40, 0x40, 0x40)},
                              {QPalette::ButtonText, QColor(0xee, 0xee, 0xee)},
                              {QPalette::Link, QColor(0x8a, 0xb4, 0xf8)}})
    dark.setColor(role, colour);
  const QPalette light = QApplication::style()->standardPalette();
  const QPalette before = QApplication::palette();
  for (const auto& [name, palette] : {std::pair{"light", light}, {"dark", dark}}) {
    SCOPED_TRACE(name);
    // A desktop's palette is in place before the window is made.
    QApplication::setPalette(palette);
    Open({});
    int checked = 0;
    // Page by page, the About panel last: only the page in view is shown.
    for (void (FrmMain::*page)() :
         {&FrmMain::showCode, &FrmMain::showMainScreen, &FrmMain::showAbout}) {
      (window_.get()->*page)();
      for (QLabel* label : window_->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(window_.get())) continue;
        const QColor text = label->palette().color(label->foregroundRole());
        const QColor back = label->parentWidget()->palette().color(QPalette::Window);
        EXPECT_GE(ContrastRatio(text, back), 4.5) << label->objectName().toStdString();
        ++checked;
      }
    }
    EXPECT_GE(checked, 20);
    QLabel* wordmark = Child<QLabel>("Image1");
    const QImage drawn = wordmark->pixmap().toImage();
    const QColor back = wordmark->parentWidget()->palette().color(QPalette::Window);
    int readable = 0;
    for (int y = 10; y < 45; ++y)
      for (int x = 66; x < drawn.width(); ++x) {
        const QColor pixel = drawn.pixelColor(x, y);
        if (pixel.alpha() == 255 && ContrastRatio(pixel, back) >= 4.5) ++readable;
      }
    EXPECT_GT(readable, 150) << "the wordmark's letters";
    Click(Button("cmdAbout"));
    if (palette != dark) continue;
    QStyleOptionButton option;
    for (const auto& [box, element] : {std::pair{"ChkCenter", QStyle::SE_CheckBoxIndicator},
                                       {"OptAction_3", QStyle::SE_RadioButtonIndicator}}) {
      QWidget* control = Child<QWidget>(box);
      option.initFrom(control);
      const QRect part = control->style()->subElementRect(element, &option, control);
      // At least the length of two of its sides, as a drawn outline has.
      EXPECT_GE(EdgePixels(control, part), part.width() + part.height()) << box;
    }
    QWidget* field = Line("txtName");
    EXPECT_GE(EdgePixels(field, field->rect()), field->width() + field->height());
  }
  QApplication::setPalette(before);
}

TEST_F(About, ShowsNameVersionIconAndLogo) {
  QLabel* icon = Child<QLabel>("Image2");
  QLabel* logo = Child<QLabel>("Image1");
  EXPECT_TRUE(logo->pixmap().isNull()) << "pictures wait until the panel is first shown";
  ShowAbout();
  ASSERT_TRUE(
      WaitUntil([&] { return !logo->pixmap().isNull() && !icon->pixmap().isNull(); }, 2000));
  EXPECT_EQ(icon->pixmap().size(), QSize(48, 48));
  EXPECT_EQ(logo->pixmap().size(), QSize(240, 64));

  QLabel* name = Child<QLabel>("Label14");
  EXPECT_EQ(name->text(), "Orvanta");
  EXPECT_TRUE(name->font().bold());
  const bool tahoma = QFontDatabase::families().contains("Tahoma", Qt::CaseInsensitive);
  EXPECT_EQ(QFontInfo(name->font()).family(),
            tahoma ? QString("Tahoma") : QFontInfo(DialogFont()).family());
  EXPECT_EQ(Child<QLabel>("lblVersion")->text(), "Version 2.1.3");
  EXPECT_EQ(Child<QLabel>("lblProducts_0")->text(), "Click here to see other cool products");
  EXPECT_EQ(Child<QLabel>("lblVexa_0")->text(), "www.example.com/orvanta");
  EXPECT_FALSE(Child<QLabel>("lblCompany_0")->text().isEmpty());
  EXPECT_TRUE(
      Child<QLabel>("lblCopyright")->text().startsWith(QStringLiteral("Copyright \u00a9 ")));
  EXPECT_FALSE(Child<QLabel>("lblNotice")->text().isEmpty());
}

TEST_F(About, NothingIsClippedOrOverlaps) {
  ShowAbout();
  auto* frame = Child<QWidget>("Frame10");
  auto* panel = Child<QWidget>("frmMenu_2");
  WaitUntil([&] { return !Child<QLabel>("Image1")->pixmap().isNull(); }, 2000);
  EXPECT_TRUE(panel->contentsRect().contains(frame->geometry()));
  EXPECT_LE(frame->geometry().bottom(), Button("cmdAbout")->geometry().top());
  const QList<QLabel*> labels = frame->findChildren<QLabel*>();
  EXPECT_EQ(labels.size(), 9);
  for (QLabel* label : labels) {
    SCOPED_TRACE(label->objectName().toStdString());
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(frame->rect().contains(label->geometry()));
    const QSize needed = label->sizeHint();
    EXPECT_LE(needed.width(), label->width());
    EXPECT_LE(needed.height(), label->height());
    for (QLabel* other : labels) {
      if (other != label) {
        EXPECT_FALSE(label->geometry().intersects(other->geometry()))
            << other->objectName().toStdString();
      }
    }
  }
}

struct LinkCase {
  const char* control;
  const QString* target;
};

const LinkCase kLinks[] = {
    {"Image1", &kHome},
    {"lblCompany_0", &kHome},
    {"lblVexa_0", &kHome},
    {"lblProducts_0", &kProducts},
};

TEST_F(About, EveryLinkOpensItsPageAndStaysOnThePanel) {
  ShowAbout();
  const QColor darkBlue = Child<QLabel>("Label10")->palette().color(QPalette::WindowText);
  EXPECT_EQ(darkBlue, QColor(0, 0, 128));
  for (const LinkCase& link : kLinks) {
    SCOPED_TRACE(link.control);
    QLabel* label = Child<QLabel>(link.control);
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    if (!label->text().isEmpty()) {
      EXPECT_EQ(label->palette().color(QPalette::WindowText), darkBlue);
    }
    shellTargets_.clear();
    ClickWidget(label);
    EXPECT_EQ(shellTargets_, QStringList{*link.target});
    EXPECT_TRUE(InFront(Child<QWidget>("frmMenu_2")));
    EXPECT_EQ(Tabs()->currentIndex(), 0);
  }
  // The notices are no links.
  shellTargets_.clear();
  ClickWidget(Child<QLabel>("lblCopyright"));
  ClickWidget(Child<QLabel>("Label14"));
  EXPECT_TRUE(shellTargets_.isEmpty());
}

// ---- Consult dialog ----------------------------------------------------------

TEST_F(WindowTest, ConsultIsModalOpensItsLinksAndOkReturnsToTheCodeFrameUnchanged) {
  Click(Button("cmdGo_0"));
  ASSERT_TRUE(InFront(Child<QWidget>("FrmView_0")));
  const QString code = Box("txtCode")->toPlainText();
  const QString link = Box("txtCodeLink")->toPlainText();
  ASSERT_FALSE(code.isEmpty());
  QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));

  bool ran = false;
  WhenModal([&](QDialog* dialog) {
    ran = true;
    EXPECT_EQ(dialog->windowTitle(), "Customized JavaScript Programming");
    EXPECT_TRUE(dialog->isModal());
    EXPECT_EQ(dialog->parentWidget(), window_.get());
    // The main window takes no input meanwhile: a click on "Copy Popup
    // Code" as the window system delivers it does nothing.
    QAbstractButton* copy = Button("cmdCopy_0");
    QTest::mouseClick(window_->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      copy->mapTo(window_.get(), copy->rect().center()));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "untouched");

    QTest::mouseClick(dialog->findChild<QLabel*>("lblVexa_0"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QLabel*>("lblVexa_1"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QAbstractButton*>("OKButton"), Qt::LeftButton);
  });
  Click(Button("picConsult"));  // returns once the dialog is closed
  EXPECT_TRUE(ran);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(window_->findChildren<QDialog*>().isEmpty()) << "made afresh each time";
  EXPECT_EQ(shellTargets_,
            (QStringList{QString::fromLatin1(maker::kFeedbackPage),
                         QStringLiteral("mailto:") + QLatin1String(maker::kSupportEmail)}));
  EXPECT_TRUE(InFront(Child<QWidget>("FrmView_0")));
  EXPECT_EQ(Tabs()->currentIndex(), 1);
  EXPECT_EQ(Box("txtCode")->toPlainText(), code);
  EXPECT_EQ(Box("txtCodeLink")->toPlainText(), link);
}

// ---- Field help balloons -------------------------------------------------------

TEST_F(WindowTest, BalloonsAreAttachedToTheFormsControlsInTableOrder) {
  const std::size_t before = 0;
  Open({});
  ASSERT_TRUE(
      WaitUntil([&] { return FieldHelpWindows(window_.get()).size() >= before + 37; }, 5000));
  ASSERT_EQ(FieldHelpWindows(window_.get()).size(), before + 37);
  QSet<QWidget*> controls;
  for (std::size_t i = 0; i < 37; ++i) {
    const FieldHelpEntry& entry = FieldHelpWindows(window_.get())[before + i];
    const FieldHelpItem& item = FieldHelpTable()[i];
    SCOPED_TRACE(item.control);
    ASSERT_FALSE(entry.control.isNull());
    ASSERT_FALSE(entry.balloon.isNull());
    EXPECT_EQ(entry.control->objectName(), QString::fromLatin1(item.control));
    EXPECT_TRUE(window_->isAncestorOf(entry.control));
    EXPECT_EQ(entry.balloon->parentWidget(), window_.get()) << "owned by the main window";
    EXPECT_EQ(entry.balloon->text(), FieldHelpText(QString::fromLatin1(item.text)));
    controls.insert(entry.control);
  }
  EXPECT_EQ(controls.size(), 37);
  // A few as the user reads them.
  EXPECT_EQ(FieldHelpWindows(window_.get())[before + 2].control, Line("txtURL"));
  EXPECT_EQ(FieldHelpWindows(window_.get())[before + 2].balloon->text(),
            "Specifies the URL or,\r\nthe web page to be displayed");
  EXPECT_EQ(FieldHelpWindows(window_.get())[before + 31].control, Button("picHelp_0"));
  EXPECT_EQ(FieldHelpWindows(window_.get())[before + 35].control, Button("cmdCopy_1"));
}

TEST_F(WindowTest, ABalloonShowsWhenThePointerRestsOnAControl) {
  FieldHelpController* controller = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (controller = window_->findChild<FieldHelpController*>()) != nullptr; }, 5000));
  QLineEdit* name = Line("txtName");
  QTest::mouseMove(name, name->rect().center());
  const int initial = CurrentFieldHelpDelays().initialMs;
  ASSERT_TRUE(WaitUntil([&] { return controller->shown() != nullptr; }, initial + 2000));
  EXPECT_EQ(controller->shown()->text(), "Specify a unique name for your JavaScript code");
  QTest::mousePress(name, Qt::LeftButton);
  EXPECT_EQ(controller->shown(), nullptr) << "a press hides it";
  QTest::mouseRelease(name, Qt::LeftButton);
}

TEST_F(WindowTest, NoBalloonOverADisabledControl) {
  FieldHelpController* controller = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (controller = window_->findChild<FieldHelpController*>()) != nullptr; }, 5000));
  QLineEdit* delay = Line("txtDelay_0");
  Click(Button("OptAction_2"));  // "Page Close" disables the timing fields
  ASSERT_FALSE(delay->isEnabled());
  QTest::mouseMove(delay, delay->rect().center());
  EXPECT_EQ(controller->hot(), nullptr);
  EXPECT_FALSE(controller->showWait().active);

  Click(Button("OptAction_0"));
  QTest::mouseMove(delay, delay->rect().center() + QPoint(1, 0));
  ASSERT_TRUE(WaitUntil([&] { return controller->shown() != nullptr; }, 5000));
  Button("OptAction_2")->setChecked(true);
  EXPECT_EQ(controller->shown(), nullptr) << "disabling the control hides its balloon";
}

TEST_F(WindowTest, ScreenReadersHearEachControlsCaptionAndBalloon) {
  ASSERT_TRUE(
      WaitUntil([&] { return window_->findChild<FieldHelpController*>() != nullptr; }, 5000));
  const auto said = [this](const char* control, QAccessible::Text what) {
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(Child<QWidget>(control));
    return reader == nullptr ? QString() : reader->text(what);
  };
  for (const FieldHelpItem& item : FieldHelpTable())
    EXPECT_EQ(said(item.control, QAccessible::Description),
              FieldHelpText(QString::fromLatin1(item.text)).simplified())
        << item.control;
  const std::pair<const char*, const char*> names[] = {
      {"txtName", "Function Name"},    {"txtURL", "Page URL"},
      {"txtPixels_2", "Location Top"}, {"vsbPixels_2", "Location Top"},
      {"txtPixels_1", "Height"},       {"vsbDelay_1", "Auto close after"},
      {"OptAction_4", "Mouse Over"},   {"picHelp_0", "Help"},
      {"txtCodeLink", "Link Code"}};
  for (const auto& [control, name] : names)
    EXPECT_EQ(said(control, QAccessible::Name), name) << control;
  // No input control goes without a name.
  for (QWidget* w : window_->findChildren<QWidget*>()) {
    const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
                       qobject_cast<QScrollBar*>(w) || qobject_cast<QPlainTextEdit*>(w);
    if (!input || w->objectName().isEmpty() || w->objectName().startsWith("qt_") ||
        Child<QWidget>("tbsOptions")->isAncestorOf(w))
      continue;
    EXPECT_FALSE(said(qPrintable(w->objectName()), QAccessible::Name).isEmpty())
        << qPrintable(w->objectName());
  }
}

// ---- Address completion// ---- Address completion
// ----------------------------------------------------------

const char kChromiumUrls[] =
    "CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT,url LONGVARCHAR,title LONGVARCHAR,"
    "visit_count INTEGER DEFAULT 0 NOT NULL,typed_count INTEGER DEFAULT 0 NOT NULL,"
    "last_visit_time INTEGER NOT NULL,hidden INTEGER DEFAULT 0 NOT NULL)";

struct Visit {
  const char* url;
  int visits;
  int hidden;
};

// A Chromium profile's history database with these visits.
bool MakeChromiumHistory(const QString& path, std::initializer_list<Visit> visits) {
  QDir().mkpath(QFileInfo(path).path());
  const QString name = QStringLiteral("ui-test-history");
  bool ok = false;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (db.open()) {
      QSqlQuery query(db);
      ok = query.exec(QLatin1String(kChromiumUrls));
      for (const Visit& v : visits)
        ok = ok && query.exec(
                       QStringLiteral("INSERT INTO urls (url, title, visit_count, last_visit_time, "
                                      "hidden) VALUES ('%1', 't', %2, 13300000000000000, %3)")
                           .arg(QLatin1String(v.url))
                           .arg(v.visits)
                           .arg(v.hidden));
      if (!ok) ADD_FAILURE() << query.lastError().text().toStdString();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
  return ok;
}

QStringList Rows(const QAbstractItemModel* model) {
  QStringList rows;
  for (int r = 0; r < model->rowCount(); ++r) rows << model->index(r, 0).data().toString();
  return rows;
}

class Deferred : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    home_ = temp_->filePath(QStringLiteral("fake-home"));
  }

  // A window on `home` that is made but not shown yet.
  void Make(const QString& home) {
    window_.reset();
    FrmMainHooks hooks = WithoutPreview(*temp_);
    hooks.programFolder = programFolder_;
    hooks.dataFolder = dataFolder_;
    hooks.homeFolder = home;
    hooks.shellOpen = ShellRecorder();
    window_ = std::make_unique<FrmMain>(hooks);
  }

  void Show() {
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  bool WaitForCompleter() {
    return WaitUntil([this] { return Line("txtURL")->completer() != nullptr; }, 10000);
  }

  QString home_;
};

TEST_F(Deferred, HistoryBalloonsAndIconComeOnceTheWindowShows) {
  ASSERT_TRUE(MakeChromiumHistory(home_ + "/.config/chromium/Default/History",
                                  {{"https://www.example.org/", 3, 0},
                                   {"https://docs.example.net/popup", 9, 0},
                                   {"https://hidden.example.com/", 50, 1},
                                   {"http://example.com/a", 1, 0}}));
  const std::size_t balloons = 0;
  Make(home_);
  QLineEdit* url = Line("txtURL");
  // Whatever the window queued or started on a worker has run by now.
  ASSERT_TRUE(test_support::SettlePendingWork(10000));
  EXPECT_EQ(url->completer(), nullptr) << "nothing is read before the window shows";
  EXPECT_EQ(FieldHelpWindows(window_.get()).size(), balloons);
  EXPECT_TRUE(window_->windowIcon().isNull());

  Show();
  ASSERT_TRUE(WaitForCompleter());
  EXPECT_EQ(Rows(url->completer()->model()),
            (QStringList{"https://docs.example.net/popup", "https://www.example.org/",
                         "http://example.com/a"}));
  url->completer()->setCompletionPrefix(QStringLiteral("docs"));
  EXPECT_EQ(url->completer()->currentCompletion(), "https://docs.example.net/popup");
  EXPECT_EQ(url->text(), "http://") << "completion offers, it does not type";

  EXPECT_EQ(FieldHelpWindows(window_.get()).size(), balloons + 37);
  EXPECT_FALSE(window_->windowIcon().isNull());
  EXPECT_TRUE(window_->windowIcon().availableSizes().contains(QSize(48, 48)));
}

TEST_F(Deferred, ACorruptProfileIsSkippedAndTheBoxStaysUsable) {
  ASSERT_TRUE(
      WriteFile(home_ + "/.config/chromium/Default/History", QByteArray("not a database", 14)));
  ASSERT_TRUE(MakeChromiumHistory(home_ + "/.config/chromium/Profile 1/History",
                                  {{"https://shop.example.com/", 2, 0}}));
  Make(home_);
  Show();
  ASSERT_TRUE(WaitForCompleter());
  EXPECT_EQ(Rows(Line("txtURL")->completer()->model()), QStringList{"https://shop.example.com/"});
  TypeOver(Line("txtURL"), QStringLiteral("http://ex"));
  EXPECT_EQ(Line("txtURL")->text(), "http://ex");
}

}  // namespace
}  // namespace orvanta::test
