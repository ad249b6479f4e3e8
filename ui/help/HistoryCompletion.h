#pragma once

#include <QAbstractListModel>
#include <QCompleter>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

class QLineEdit;

namespace orvanta {

// One browser profile's history database.
struct HistorySource {
  enum class Kind { Firefox, Chromium };
  Kind kind;
  QString path;
};

// The history databases under `home`: every Firefox profile
// (.mozilla/firefox/*/places.sqlite), then every Chromium and Chrome profile
// (.config/chromium/*/History, .config/google-chrome/*/History), profiles in
// name order.
std::vector<HistorySource> FindHistorySources(const QString& home);

// The web addresses of one database, most used first: Firefox's visible
// places by frecency, Chromium's visible urls by visit count. The file is
// read in place as an immutable SQLite file, so a running browser and its
// lock are never touched; only a database with a non-empty write-ahead log
// and under 64 MiB with it is copied, log included, into a temporary folder
// named kHistoryTempPrefix, the process id and a random part. Empty on any
// failure or once `cancel` is set, which stops a query under way. Safe on
// any thread.
QStringList ReadHistory(const HistorySource& source, const std::atomic<bool>& cancel);

inline constexpr const char* kHistoryTempPrefix = "orvanta-history-";

// Removes the temporary folders of ReadHistory that instances no longer
// running left in `tempFolder` (killed during a copy).
void RemoveHistoryLeftovers(const QString& tempFolder);

// Copies `from` into the new file `to` in chunks, looking at `cancel` before
// each; false, leaving no `to`, on failure or once `cancel` is set.
bool CopyUnlessCancelled(const QString& from, const QString& to, const std::atomic<bool>& cancel);

// The rows of one kind's query on the SQLite file `file` (a path or a
// "file:" URI), opened read-only (a missing file is not made); empty without
// the history module.
QStringList QueryHistoryFile(const QString& file, HistorySource::Kind kind,
                             const std::atomic<bool>& cancel);

// Rank by rank across the lists, each address kept at its first place.
QStringList MergeHistories(const std::vector<QStringList>& lists);

// Everything under `home`, merged; what was read so far once `cancel` is set.
// Removes the leftovers of killed instances first.
QStringList ReadBrowserHistory(const QString& home, const std::atomic<bool>& cancel);

// What a typed text and an address are compared on: without the scheme and
// a leading "www.". A text that is nothing but a scheme matches nothing.
QString HistoryMatchKey(const QString& text);

// The addresses, offered by their match key, inserted whole.
class HistoryModel : public QAbstractListModel {
  Q_OBJECT
 public:
  static constexpr int kKeyRole = Qt::UserRole + 1;

  HistoryModel(const QStringList& urls, QObject* parent);
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  QStringList urls_;
  QStringList keys_;
};

class HistoryCompleter : public QCompleter {
  Q_OBJECT
 public:
  HistoryCompleter(const QStringList& urls, QObject* parent);
  QStringList splitPath(const QString& path) const override;
  QString pathFromIndex(const QModelIndex& index) const override;
};

// Reads the history off the UI thread once the edit's window has shown, then
// puts a completer on the edit. Lives as a child of the edit; when it goes,
// a read still under way is stopped, so that the program can end at once.
class HistoryCompletion : public QObject {
  Q_OBJECT
 public:
  HistoryCompletion(QLineEdit* edit, const QString& home);
  ~HistoryCompletion() override;

 signals:
  // The read is over; with no address the edit stays a plain text box.
  void loaded(int addresses);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Start();
  void Finished();

  QPointer<QLineEdit> edit_;
  QString home_;
  QPointer<QWidget> window_;
  QFutureWatcher<QStringList> watcher_;
  // Shared with the worker, which may outlive this object.
  std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
  bool started_ = false;
};

// Address completion from the user's browser history for `edit`. `home`
// defaults to the user's home folder. Any failure leaves a plain text box and
// says nothing.
HistoryCompletion* EnableAutoComplete(QLineEdit* edit, const QString& home = QString());

}  // namespace orvanta
