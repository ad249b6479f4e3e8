#include "ui/help/HistoryCompletion.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "modules/host/HistoryPlugin.h"
#include "modules/host/ModuleHost.h"

namespace orvanta {

namespace {

// Beyond this a database is read without what its write-ahead log holds
// rather than copied.
constexpr qint64 kLargestCopy = qint64{64} << 20;

// Enough for completion; a long-used profile holds far more.
constexpr int kPerSource = 5000;
constexpr int kTotal = 10000;

// No address starts with a line feed.
const QChar kMatchesNothing(u'\n');

void AddProfiles(std::vector<HistorySource>& sources, HistorySource::Kind kind, const QString& root,
                 const QString& fileName) {
  const QDir dir(root);
  const QStringList profiles =
      dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
  for (const QString& profile : profiles) {
    const QString path = dir.filePath(profile + QLatin1Char('/') + fileName);
    if (QFileInfo(path).isFile()) sources.push_back({kind, path});
  }
}

QString QueryFor(HistorySource::Kind kind) {
  const QString web = QStringLiteral("(url LIKE 'http://%' OR url LIKE 'https://%')");
  if (kind == HistorySource::Kind::Firefox)
    return QStringLiteral(
               "SELECT url FROM moz_places WHERE hidden = 0 AND %1 "
               "ORDER BY frecency DESC, id LIMIT %2")
        .arg(web)
        .arg(kPerSource);
  return QStringLiteral(
             "SELECT url FROM urls WHERE hidden = 0 AND %1 "
             "ORDER BY visit_count DESC, id LIMIT %2")
      .arg(web)
      .arg(kPerSource);
}

// The SQLite reader lives in a module loaded on first use, off the UI
// thread; without it the box stays a plain text box. The module stays loaded.
const HistoryReader* LoadHistoryReader() {
  ModuleHost host(kHistoryModule);
  return host.load<HistoryReader>();
}

}  // namespace

QStringList QueryHistoryFile(const QString& file, HistorySource::Kind kind,
                             const std::atomic<bool>& cancel) {
  static const HistoryReader* const reader = LoadHistoryReader();
  if (reader == nullptr) return {};
  return reader->query(file, QueryFor(kind), cancel);
}

std::vector<HistorySource> FindHistorySources(const QString& home) {
  std::vector<HistorySource> sources;
  const QDir dir(home);
  AddProfiles(sources, HistorySource::Kind::Firefox,
              dir.filePath(QStringLiteral(".mozilla/firefox")), QStringLiteral("places.sqlite"));
  AddProfiles(sources, HistorySource::Kind::Chromium,
              dir.filePath(QStringLiteral(".config/chromium")), QStringLiteral("History"));
  AddProfiles(sources, HistorySource::Kind::Chromium,
              dir.filePath(QStringLiteral(".config/google-chrome")), QStringLiteral("History"));
  return sources;
}

bool CopyUnlessCancelled(const QString& from, const QString& to, const std::atomic<bool>& cancel) {
  QFile in(from);
  QFile out(to);
  if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::NewOnly | QIODevice::WriteOnly))
    return false;
  // A history of many megabytes on a slow disk must not hold up the exit.
  constexpr qint64 kChunk = 256 * 1024;
  QByteArray chunk;
  bool done = true;
  while (!in.atEnd()) {
    chunk = in.read(kChunk);
    if (cancel || chunk.isEmpty() || out.write(chunk) != chunk.size()) {
      done = false;
      break;
    }
  }
  done = done && in.error() == QFileDevice::NoError && out.flush();
  out.close();
  if (!done) out.remove();
  return done;
}

QString ImmutableUri(const QString& file) {
  // Percent-encoded, so that "?" or "#" in a folder name stays part of the path.
  return QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1");
}

QStringList ReadHistory(const HistorySource& source, const std::atomic<bool>& cancel) {
  if (cancel) return {};
  // The file is read where it lies, as a file nobody changes: no lock is
  // taken or waited for and no journal is looked at, so a running browser
  // neither holds the read up nor notices it. Only what a write-ahead log
  // still holds needs a copy, and only of a database small enough to copy.
  const QString wal = source.path + QStringLiteral("-wal");
  const qint64 walSize = QFileInfo(wal).size();
  const qint64 size = QFileInfo(source.path).size();
  if (walSize <= 0 || size + walSize > kLargestCopy)
    return QueryHistoryFile(ImmutableUri(source.path), source.kind, cancel);

  QTemporaryDir temp(QDir(QDir::tempPath())
                         .filePath(QStringLiteral("%1%2-XXXXXX")
                                       .arg(QLatin1String(kHistoryTempPrefix))
                                       .arg(::getpid())));
  if (!temp.isValid()) return {};
  const QString copy = temp.filePath(QStringLiteral("history.sqlite"));
  if (!CopyUnlessCancelled(source.path, copy, cancel) ||
      !CopyUnlessCancelled(wal, copy + QStringLiteral("-wal"), cancel))
    return {};
  return QueryHistoryFile(copy, source.kind, cancel);
}

void RemoveHistoryLeftovers(const QString& tempFolder) {
  const QDir dir(tempFolder);
  const QString prefix = QLatin1String(kHistoryTempPrefix);
  const QStringList found = dir.entryList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden);
  for (const QString& name : found) {
    bool isNumber = false;
    const qint64 pid =
        name.mid(prefix.size()).section(QLatin1Char('-'), 0, 0).toLongLong(&isNumber);
    if (!isNumber || pid <= 0 || pid == ::getpid()) continue;
    // Only a folder whose maker is gone; a live instance may be reading it.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    QDir(dir.filePath(name)).removeRecursively();
  }
}

QStringList MergeHistories(const std::vector<QStringList>& lists) {
  QStringList merged;
  QSet<QString> seen;
  qsizetype longest = 0;
  for (const QStringList& list : lists) longest = std::max(longest, list.size());
  for (qsizetype rank = 0; rank < longest && merged.size() < kTotal; ++rank) {
    for (const QStringList& list : lists) {
      if (rank >= list.size()) continue;
      const QString& url = list.at(rank);
      if (seen.contains(url)) continue;
      seen.insert(url);
      merged << url;
      if (merged.size() == kTotal) break;
    }
  }
  return merged;
}

QStringList ReadBrowserHistory(const QString& home, const std::atomic<bool>& cancel) {
  RemoveHistoryLeftovers(QDir::tempPath());
  std::vector<QStringList> lists;
  for (const HistorySource& source : FindHistorySources(home))
    lists.push_back(ReadHistory(source, cancel));
  return MergeHistories(lists);
}

QString HistoryMatchKey(const QString& text) {
  static const QRegularExpression kScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
  QString key = text.trimmed();
  const bool hadScheme = key.contains(kScheme);
  key.remove(kScheme);
  if (key.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) key.remove(0, 4);
  if (key.isEmpty() && hadScheme) return QString(kMatchesNothing);
  return key;
}

// ---- HistoryModel / HistoryCompleter ---------------------------------------

HistoryModel::HistoryModel(const QStringList& urls, QObject* parent)
    : QAbstractListModel(parent), urls_(urls) {
  keys_.reserve(urls_.size());
  for (const QString& url : urls_) keys_ << HistoryMatchKey(url);
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(urls_.size());
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= urls_.size()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return urls_.at(index.row());
  if (role == kKeyRole) return keys_.at(index.row());
  return {};
}

HistoryCompleter::HistoryCompleter(const QStringList& urls, QObject* parent) : QCompleter(parent) {
  setModel(new HistoryModel(urls, this));
  setCompletionRole(HistoryModel::kKeyRole);
  setCaseSensitivity(Qt::CaseInsensitive);
  setModelSorting(QCompleter::UnsortedModel);
  setCompletionMode(QCompleter::PopupCompletion);
  setFilterMode(Qt::MatchStartsWith);
}

QStringList HistoryCompleter::splitPath(const QString& path) const {
  return {HistoryMatchKey(path)};
}

QString HistoryCompleter::pathFromIndex(const QModelIndex& index) const {
  return index.data(Qt::DisplayRole).toString();
}

// ---- HistoryCompletion ------------------------------------------------------

HistoryCompletion::HistoryCompletion(QLineEdit* edit, const QString& home)
    : QObject(edit), edit_(edit), home_(home), window_(edit->window()) {
  connect(&watcher_, &QFutureWatcher<QStringList>::finished, this, &HistoryCompletion::Finished);
  // The read waits until the window is on the screen, so start-up does not
  // pay for it.
  if (window_->isVisible())
    QTimer::singleShot(0, this, &HistoryCompletion::Start);
  else
    window_->installEventFilter(this);
}

HistoryCompletion::~HistoryCompletion() { *cancel_ = true; }

bool HistoryCompletion::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Show) {
    window_->removeEventFilter(this);
    QTimer::singleShot(0, this, &HistoryCompletion::Start);
  }
  return false;
}

void HistoryCompletion::Start() {
  if (started_) return;
  started_ = true;
  watcher_.setFuture(QtConcurrent::run(
      [home = home_, cancel = cancel_] { return ReadBrowserHistory(home, *cancel); }));
}

void HistoryCompletion::Finished() {
  const QStringList urls = watcher_.result();
  if (!urls.isEmpty() && !edit_.isNull()) edit_->setCompleter(new HistoryCompleter(urls, edit_));
  emit loaded(static_cast<int>(urls.size()));
}

HistoryCompletion* EnableAutoComplete(QLineEdit* edit, const QString& home) {
  if (edit == nullptr) return nullptr;
  return new HistoryCompletion(edit, home.isEmpty() ? QDir::homePath() : home);
}

}  // namespace orvanta
