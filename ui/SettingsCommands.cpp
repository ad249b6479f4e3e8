#include "ui/SettingsCommands.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <string>

#include "core/EntryRule.h"
#include "core/Generator.h"
#include "core/Message.h"
#include "core/SettingsFields.h"
#include "files/FileWriter.h"
#include "files/SettingsReader.h"
#include "preview/TestPages.h"
#include "preview/TextFile.h"
#include "settings/SettingsFile.h"
#include "ui/NameFilter.h"

namespace orvanta {

namespace {

constexpr int kRecentCount = 8;
const QString kProgram = QStringLiteral("Orvanta");

std::string Encoded(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString Sentence(const std::string& message) {
  QString text = QString::fromStdString(message);
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

// What the command line refuses: an entry longer than the longest, or one
// that gives code no browser can run (what no escape can mend).
std::optional<std::string> RefusedEntry(const PopupSettings& s) {
  if (const auto key = FindTooLongEntry(s)) {
    const SettingsField* row = FindSettingsField(*key);
    return *key + ": the text is " + std::to_string(EntryLength(s.*TextMember(*row))) +
           " characters long; the longest entry is " + std::to_string(kLongestEntry);
  }
  if (const auto problem = FindEntryProblem(ReadPopupSettings(s))) {
    const SettingsField* row = FindSettingsField(problem->Field);
    const auto member = row != nullptr ? TextMember(*row) : nullptr;
    std::string value = member != nullptr ? s.*member : "";
    if (value.size() > 80) value = value.substr(0, 77) + "...";
    return problem->Field + "=" + Quoted(value) + ": " + DescribeProblem(*problem);
  }
  return std::nullopt;
}

// The one local .ini file a drag carries, if that is what it carries.
QString DroppedSettingsFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) return {};
  const QUrl url = mime->urls().front();
  if (!url.isLocalFile()) return {};
  const QString path = url.toLocalFile();
  return path.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive) ? path : QString();
}

QString RealOpenFile(QWidget* parent, const QString& folder) {
  return QFileDialog::getOpenFileName(parent, QObject::tr("Open Settings"), folder,
                                      QObject::tr("Settings files (*.ini);;All files (*)"));
}

QString RealSaveFile(QWidget* parent, const QString& suggested) {
  QFileDialog dialog(parent, QObject::tr("Save Settings"), suggested,
                     QObject::tr("Settings files (*.ini);;All files (*)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("ini"));
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles().value(0);
}

QString RealPickFolder(QWidget* parent, const QString& folder) {
  return QFileDialog::getExistingDirectory(parent, QObject::tr("Save Test Pages To"), folder);
}

SettingsFileHooks::Answer RealAskSave(QWidget* parent, const QString& question) {
  QMessageBox box(QMessageBox::Warning, kProgram, question,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
    case QMessageBox::Save:
      return SettingsFileHooks::Answer::Save;
    case QMessageBox::Discard:
      return SettingsFileHooks::Answer::Discard;
    default:
      return SettingsFileHooks::Answer::Cancel;
  }
}

void RealShowProblem(QWidget* parent, const QString& message) {
  QMessageBox::warning(parent, kProgram, message);
}

}  // namespace

SettingsCommands::SettingsCommands(QWidget& window, QWidget& inputPage, Screen screen,
                                   SettingsFileHooks hooks)
    : window_(window), screen_(std::move(screen)), hooks_(std::move(hooks)) {
  if (!hooks_.openFile) hooks_.openFile = RealOpenFile;
  if (!hooks_.saveFile) hooks_.saveFile = RealSaveFile;
  if (!hooks_.pickFolder) hooks_.pickFolder = RealPickFolder;
  if (!hooks_.askSave) hooks_.askSave = RealAskSave;
  if (!hooks_.showProblem) hooks_.showProblem = RealShowProblem;

  auto add = [this](const char* name, const QString& text, const QKeySequence& keys, auto command) {
    auto* action = new QAction(text, &window_);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, [command] { command(); });
    window_.addAction(action);
    return action;
  };
  add("actOpenSettings", tr("&Open Settings…"), QKeySequence(Qt::CTRL | Qt::Key_O),
      [this] { OpenWithDialog(); });
  recentMenu_ = new QMenu(tr("Open &Recent"), &window_);
  recentMenu_->setObjectName(QStringLiteral("mnuRecent"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &SettingsCommands::FillRecentMenu);
  window_.addAction(recentMenu_->menuAction());
  add("actSaveSettings", tr("&Save Settings…"), QKeySequence(Qt::CTRL | Qt::Key_S),
      [this] { Save(); });
  add("actSaveSettingsAs", tr("Save Settings &As…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
      [this] { SaveAs(); });
  auto* separator = new QAction(&window_);
  separator->setSeparator(true);
  window_.addAction(separator);
  add("actSaveTestPages", tr("Save &Test Pages To…"), QKeySequence(),
      [this] { SaveTestPagesWithDialog(); });
  // The commands sit in the window's context menu: the input screen keeps
  // every control where it is.
  window_.setContextMenuPolicy(Qt::ActionsContextMenu);

  window_.setAcceptDrops(true);
  window_.installEventFilter(this);
  for (QWidget* child : window_.findChildren<QWidget*>())
    if (child->acceptDrops()) child->installEventFilter(this);
  WatchInputs(inputPage);
  ShowCaption();
}

void SettingsCommands::WatchInputs(QWidget& inputPage) {
  for (QLineEdit* field : inputPage.findChildren<QLineEdit*>())
    connect(field, &QLineEdit::textChanged, this, &SettingsCommands::ScreenChanged);
  for (QAbstractButton* button : inputPage.findChildren<QAbstractButton*>())
    if (button->isCheckable())
      connect(button, &QAbstractButton::toggled, this, &SettingsCommands::ScreenChanged);
}

bool SettingsCommands::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (DroppedSettingsFile(drag->mimeData()).isEmpty()) break;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString path = DroppedSettingsFile(drop->mimeData());
      if (path.isEmpty()) break;
      drop->acceptProposedAction();
      // A dialog must not open while the drag is still being finished.
      QTimer::singleShot(0, this, [this, path] { Open(path); });
      return true;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

// ---- Commands ------------------------------------------------------------

bool SettingsCommands::OpenWithDialog() {
  const QString path = hooks_.openFile(&window_, DialogFolder());
  return !path.isEmpty() && Open(path);
}

bool SettingsCommands::Open(const QString& chosen) {
  const QString path = QFileInfo(chosen).absoluteFilePath();
  PopupSettings entries;  // what a cleared screen holds
  try {
    LoadSettingsFile(Encoded(path), entries, files::ReadFrom::RegularFileOnly);
  } catch (const SettingsFileError& e) {
    // Bad content is reported without a verb; say what failed.
    const std::string what = e.what();
    Problem(Sentence(what.rfind("settings file", 0) == 0 ? "cannot open " + what : what));
    return false;
  }
  if (const auto refused = RefusedEntry(entries)) {
    Problem(
        tr("Cannot open settings file %1: [Popup] %2")
            .arg(QString::fromStdString(Quoted(Encoded(path))), QString::fromStdString(*refused)));
    return false;
  }
  // Asked only about a file that will open.
  if (!MayReplaceScreen(tr("before opening \"%1\"?").arg(QFileInfo(path).fileName()))) return false;
  filling_ = true;
  screen_.fill(entries);
  filling_ = false;
  file_ = path;
  saved_ = screen_.read();
  Remember(path);
  ShowCaption();
  return true;
}

bool SettingsCommands::MayReplaceScreen(const QString& when) {
  QString question;
  if (!file_.isEmpty()) {
    if (!window_.isWindowModified()) return true;
    question = tr("Save the changes to \"%1\" %2").arg(QFileInfo(file_).fileName(), when);
  } else {
    if (screen_.read() == PopupSettings{}) return true;
    question = tr("Save the entries on the screen %1").arg(when);
  }
  switch (hooks_.askSave(&window_, question)) {
    case SettingsFileHooks::Answer::Save:
      return Save();
    case SettingsFileHooks::Answer::Discard:
      return true;
    case SettingsFileHooks::Answer::Cancel:
      break;
  }
  return false;
}

bool SettingsCommands::Save() { return file_.isEmpty() ? SaveAs() : SaveTo(file_); }

bool SettingsCommands::SaveAs() {
  const QString suggested =
      file_.isEmpty() ? QDir(DialogFolder()).filePath(QStringLiteral("popup.ini")) : file_;
  const QString path = hooks_.saveFile(&window_, suggested);
  return !path.isEmpty() && SaveTo(path);
}

bool SettingsCommands::SaveTo(const QString& chosen) {
  const QString path = QFileInfo(chosen).absoluteFilePath();
  // The entries as they stand: opening the file gives back this screen.
  const PopupSettings entries = screen_.read();
  try {
    SaveSettingsFile(Encoded(path), entries);
  } catch (const SettingsFileError& e) {
    Problem(Sentence(e.what()));
    return false;
  }
  file_ = path;
  saved_ = entries;
  Remember(path);
  ShowCaption();
  return true;
}

bool SettingsCommands::SaveTestPagesWithDialog() {
  const QString folder = hooks_.pickFolder(&window_, DialogFolder());
  if (folder.isEmpty()) return false;
  const std::string target = Encoded(QDir(folder).absolutePath()) + "/";
  // As the command line does: all three can be written, or none is.
  for (const char* name : {kTestPageName, kLinkTestPageName, kGoButtonName}) {
    files::WriteTarget where;
    if (const auto problem = files::FindWriteTarget(target + name, where)) {
      Problem(Sentence("cannot write " + Quoted(target + name) + ": " + problem->Reason +
                       "; nothing was written"));
      return false;
    }
  }
  const Generation g = GeneratePopupCode(screen_.read());
  try {
    WriteTestPages(target, g.Code.PopupCode, g.Code.LinkCode);
  } catch (const FileWriteError& e) {
    Problem(Sentence(e.what()));
    return false;
  }
  return true;
}

bool SettingsCommands::MayClose() {
  // A screen never saved closes without a question, as it always has.
  if (file_.isEmpty()) return true;
  return MayReplaceScreen(tr("before closing?"));
}

void SettingsCommands::Problem(const QString& message) const {
  hooks_.showProblem(&window_, message);
}

// ---- Caption ---------------------------------------------------------------

void SettingsCommands::ScreenChanged() {
  if (!filling_ && saved_) window_.setWindowModified(screen_.read() != *saved_);
}

void SettingsCommands::ShowCaption() {
  if (file_.isEmpty()) {
    window_.setWindowTitle(kProgram);
    window_.setWindowModified(false);
    return;
  }
  // "[*]" is where the desktop's changed mark goes; one in the name is text.
  QString name = QFileInfo(file_).fileName();
  name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  window_.setWindowTitle(name + QStringLiteral("[*] - ") + kProgram);
  ScreenChanged();
}

// ---- Recent files ----------------------------------------------------------

QString SettingsCommands::RecentListPath() const {
  const QString base = hooks_.configFolder.isEmpty()
                           ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                           : hooks_.configFolder;
  return QDir(base).filePath(QStringLiteral("orvanta/recent-files"));
}

QStringList SettingsCommands::ReadRecent() const {
  files::FileBytes bytes;
  if (files::ReadSettingsFile(Encoded(RecentListPath()), bytes, files::ReadFrom::RegularFileOnly))
    return {};
  QStringList files;
  for (const QString& line :
       QString::fromUtf8(bytes.View().data(), static_cast<qsizetype>(bytes.View().size()))
           .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    if (files.size() < kRecentCount && !files.contains(line)) files << line;
  }
  return files;
}

void SettingsCommands::WriteRecent(const QStringList& files) const {
  const QString path = RecentListPath();
  QDir().mkpath(QFileInfo(path).absolutePath());
  QString text;
  for (const QString& file : files) text += file + QLatin1Char('\n');
  // A list that cannot be kept costs only the menu entries.
  (void)files::WriteFile(Encoded(path), text.toStdString());
}

void SettingsCommands::Remember(const QString& path) {
  if (path.contains(QLatin1Char('\n'))) return;
  QStringList files = ReadRecent();
  files.removeAll(path);
  files.prepend(path);
  while (files.size() > kRecentCount) files.removeLast();
  WriteRecent(files);
}

QStringList SettingsCommands::RecentFiles() {
  const QStringList listed = ReadRecent();
  QStringList kept;
  for (const QString& file : listed)
    if (QFileInfo(file).isFile()) kept << file;
  if (kept != listed) WriteRecent(kept);
  return kept;
}

void SettingsCommands::FillRecentMenu() {
  recentMenu_->clear();
  const QStringList files = RecentFiles();
  for (int i = 0; i < files.size(); ++i) {
    QString text = files[i];
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString file = files[i];
    recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(text), this,
                           [this, file] { Open(file); });
  }
  if (files.isEmpty()) recentMenu_->addAction(tr("No recent files"))->setEnabled(false);
}

QString SettingsCommands::DialogFolder() const {
  if (!file_.isEmpty()) return QFileInfo(file_).absolutePath();
  const QStringList recent = ReadRecent();
  if (!recent.isEmpty()) return QFileInfo(recent.front()).absolutePath();
  return QDir::homePath();
}

}  // namespace orvanta
