// Not a test: puts the main window into the state of one screenshot, prints
// the rectangle to cut out ("crop WxH+X+Y") and stays up for the grab.
//   ui_screens main|code|preview|inpage|about <milliseconds to stay> [page address]
#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "modules/host/EngineEnvironment.h"
#include "modules/host/PreviewPlugin.h"
#include "tests/support/EventWait.h"
#include "ui/Appearance.h"
#include "ui/FrmMain.h"

namespace {

void Set(orvanta::FrmMain& window, const char* name, const QString& text) {
  window.findChild<QLineEdit*>(QString::fromLatin1(name))->setText(text);
}

void Tick(orvanta::FrmMain& window, const char* name) {
  window.findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
}

QRect Outer(QWidget* window) { return window->frameGeometry(); }

using orvanta::test_support::WaitUntil;

void Pause(int ms) {
  WaitUntil([] { return false; }, ms);
}

}  // namespace

int main(int argc, char* argv[]) {
  orvanta::PrepareEngineEnvironment();
  QApplication app(argc, argv);
  orvanta::UseClassicLook();
  const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("main");
  const int stayMs = argc > 2 ? QByteArray(argv[2]).toInt() : 8000;
  const QString address = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("offer.htm");

  QTemporaryDir temp;
  orvanta::FrmMainHooks hooks;
  hooks.programFolder = temp.path();
#ifdef ORVANTA_TEST_PLUGIN_DIR
  hooks.pluginFolders << QStringLiteral(ORVANTA_TEST_PLUGIN_DIR);
#endif
  hooks.shellOpen = [](const QUrl&) {};
  orvanta::FrmMain window(hooks);
  window.move(24, 24);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  Set(window, "txtName", QStringLiteral("openOffer"));
  Set(window, "txtTitle", QStringLiteral("offer"));
  Set(window, "txtURL", address);
  Set(window, "txtPixels_0", QStringLiteral("380"));
  Set(window, "txtPixels_1", QStringLiteral("240"));
  Set(window, "txtPixels_2", QStringLiteral("90"));
  Set(window, "txtPixels_3", QStringLiteral("600"));
  Tick(window, "chkWindOpt_3");
  Tick(window, "chkWindOpt_6");
  Tick(window, "OptWin_1");
  Tick(window, "OptAction_1");
  Set(window, "txtDelay_1", QStringLiteral("30"));

  if (mode == QLatin1String("inpage")) {
    Tick(window, "OptWin_3");
    Set(window, "txtDelay_1", QStringLiteral("1"));
  }
  QRect area = Outer(&window);
  if (mode == QLatin1String("about")) {
    auto* about = window.findChild<QLabel*>(QStringLiteral("Label10"));
    QTest::mouseClick(about, Qt::LeftButton, Qt::NoModifier, about->rect().center());
  } else if (mode != QLatin1String("main")) {
    window.cmdGo_Click(0);
  }
  if (mode == QLatin1String("preview")) {
    int loaded = 0;
    QWidget* popup = nullptr;
    QObject::connect(&window, &orvanta::FrmMain::previewLoadFinished, [&](int, bool) { ++loaded; });
    QObject::connect(&window, &orvanta::FrmMain::previewPopupOpened,
                     [&](QWidget* w) { popup = w; });
    // The popup opens on page load, which the engine blocks unless allowed.
    Tick(window, "chkAllowPopups");
    auto* tabs = window.findChild<QTabBar*>(QStringLiteral("tbsOptions"));
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(2).center());
    if (!WaitUntil([&] { return loaded >= 2 && popup != nullptr; }, 60000)) return 2;
    Pause(1500);  // the popup's own page
    area = area.united(Outer(popup));
  } else if (mode == QLatin1String("inpage")) {
    auto* tabs = window.findChild<QTabBar*>(QStringLiteral("tbsOptions"));
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(2).center());
    auto* report = window.findChild<QPlainTextEdit*>(QStringLiteral("txtReport"));
    if (!WaitUntil([&] { return report->toPlainText().contains("Framed page: l"); }, 60000))
      return 2;
  }
  Pause(300);
  std::printf("crop %dx%d+%d+%d\n", area.width(), area.height(), area.x(), area.y());
  std::fflush(stdout);
  QTimer::singleShot(stayMs, &app, &QCoreApplication::quit);
  return app.exec();
}
