#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QByteArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSet>
#include <QStringList>
#include <QTabBar>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

#include "ui/FrmMain.h"

#include "tests/support/EventWait.h"

namespace orvanta::test {

// Folder of the preview module in this build, empty when it is not built.
QString PluginFolder();

// A main window on fresh temporary folders; the shell hook records targets
// instead of starting a browser.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the window with one made from these hooks (shell hook and
  // plugin folder are filled in when left empty).
  void Open(FrmMainHooks hooks);
  // Keeps what the window opens in shellTargets_: a file by its path,
  // anything else as its text.
  UrlOpener ShellRecorder();

  template <class T>
  T* Child(const char* name) const {
    T* found = window_->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) ADD_FAILURE() << "no control " << name;
    return found;
  }
  QLineEdit* Line(const char* name) const { return Child<QLineEdit>(name); }
  QAbstractButton* Button(const char* name) const { return Child<QAbstractButton>(name); }
  QScrollBar* Bar(const char* name) const { return Child<QScrollBar>(name); }
  QPlainTextEdit* Box(const char* name) const { return Child<QPlainTextEdit>(name); }
  QTabBar* Tabs() const { return Child<QTabBar>("tbsOptions"); }

  // Mouse clicks as a user makes them.
  void Click(QAbstractButton* button);
  void ClickTab(int index);
  void ClickWidget(QWidget* widget);
  // Selects all of the field's text and types over it.
  void TypeOver(QLineEdit* field, const QString& text);
  void Paste(QWidget* target, const QString& text);

  // True when the widget the user sees at the page's centre is the page or
  // lies on it.
  bool InFront(QWidget* page) const;

  QByteArray ReadWorkFile(const char* name) const;
  bool WorkFileExists(const char* name) const;
  // The page the last "Launch in Browser" handed to the shell.
  QByteArray ReadLaunchedPage() const;
  // Waits for both preview views to report a finished load; false on timeout.
  bool WaitForPreviewLoads(int timeoutMs = 60000);

  std::unique_ptr<QTemporaryDir> temp_;
  QString programFolder_;
  QString dataFolder_;
  QStringList shellTargets_;
  QSet<int> loadedViews_;
  bool loadsOk_ = true;
  std::unique_ptr<FrmMain> window_;
};

// A caption as shown: without its mnemonic marker.
inline QString Visible(QString caption) {
  caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  caption.remove(QLatin1Char('&'));
  caption.replace(QChar(1), QLatin1Char('&'));
  return caption;
}

// Unlike QTest::qWaitFor it never sleeps between events.
using test_support::WaitUntil;

// Bytes of a text as the test pages store it: windows-1252 (plain ASCII in
// these tests) followed by CR LF.
QByteArray PageBytes(const std::string& text);

}  // namespace orvanta::test
