#include "tests/ui/UiTest.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace orvanta::test {

QString PluginFolder() {
#ifdef ORVANTA_TEST_PLUGIN_DIR
  return QStringLiteral(ORVANTA_TEST_PLUGIN_DIR);
#else
  return {};
#endif
}

void WindowTest::SetUp() {
  temp_ = std::make_unique<QTemporaryDir>();
  ASSERT_TRUE(temp_->isValid());
  programFolder_ = temp_->filePath(QStringLiteral("program"));
  dataFolder_ = temp_->filePath(QStringLiteral("data"));
  ASSERT_TRUE(QDir().mkpath(programFolder_));
  Open({});
}

void WindowTest::TearDown() {
  window_.reset();
  QApplication::processEvents();
}

UrlOpener WindowTest::ShellRecorder() {
  return [this](const QUrl& target) {
    shellTargets_ << (target.isLocalFile() ? target.toLocalFile() : target.toString());
  };
}

void WindowTest::Open(FrmMainHooks hooks) {
  window_.reset();
  if (hooks.programFolder.isEmpty()) hooks.programFolder = programFolder_;
  if (hooks.dataFolder.isEmpty()) hooks.dataFolder = dataFolder_;
  if (hooks.pluginFolders.isEmpty()) {
    // Never the installed module: this build's, or a folder that has none.
    hooks.pluginFolders << (PluginFolder().isEmpty() ? temp_->filePath(QStringLiteral("none"))
                                                     : PluginFolder());
  }
  if (!hooks.shellOpen) hooks.shellOpen = ShellRecorder();
  // Never the user's own browser history.
  if (hooks.homeFolder.isEmpty()) hooks.homeFolder = temp_->filePath(QStringLiteral("home"));
  window_ = std::make_unique<FrmMain>(std::move(hooks));
  QObject::connect(window_.get(), &FrmMain::previewLoadFinished, [this](int view, bool ok) {
    loadedViews_.insert(view);
    loadsOk_ = loadsOk_ && ok;
  });
  window_->move(40, 40);
  window_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
}

void WindowTest::Click(QAbstractButton* button) {
  ASSERT_NE(button, nullptr);
  // Over the indicator or the caption's start: option and check buttons
  // only answer clicks on their contents, not on the empty rest.
  const QPoint at = qobject_cast<QPushButton*>(button) != nullptr ? button->rect().center()
                                                                  : QPoint(6, button->height() / 2);
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
}

void WindowTest::ClickTab(int index) {
  QTabBar* tabs = Tabs();
  QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(index).center());
}

void WindowTest::ClickWidget(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void WindowTest::TypeOver(QLineEdit* field, const QString& text) {
  field->setFocus();
  field->selectAll();
  if (text.isEmpty()) {
    QTest::keyClick(field, Qt::Key_Delete);
    return;
  }
  QTest::keyClicks(field, text);
}

void WindowTest::Paste(QWidget* target, const QString& text) {
  QGuiApplication::clipboard()->setText(text);
  target->setFocus();
  QTest::keySequence(target, QKeySequence::Paste);
}

bool WindowTest::InFront(QWidget* page) const {
  // What the user sees at the page's centre: the deepest visible widget there.
  const QPoint centre = page->mapTo(window_.get(), page->rect().center());
  QWidget* top = window_->childAt(centre);
  return top != nullptr && (top == page || page->isAncestorOf(top));
}

QByteArray WindowTest::ReadWorkFile(const char* name) const {
  QFile file(window_->workFolder() + QString::fromLatin1(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QByteArray WindowTest::ReadLaunchedPage() const {
  if (shellTargets_.isEmpty()) return {};
  QFile file(shellTargets_.last());
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

bool WindowTest::WorkFileExists(const char* name) const {
  return QFile::exists(window_->workFolder() + QString::fromLatin1(name));
}

bool WindowTest::WaitForPreviewLoads(int timeoutMs) {
  return WaitUntil([this] { return loadedViews_.size() == 2; }, timeoutMs);
}

QByteArray PageBytes(const std::string& text) { return QByteArray::fromStdString(text) + "\r\n"; }

}  // namespace orvanta::test
