// The SQLite side of address completion, in a module of its own: the main
// program loads it on a worker thread after its window shows, so Qt Sql
// costs nothing at start-up.

#include <sqlite3.h>

#include <QObject>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>

#include "modules/host/HistoryPlugin.h"

namespace orvanta {

namespace {

int StopWhenCancelled(void* cancel) {
  return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

// A query can run for ever (a view that recurses without end): SQLite itself
// checks the flag while it works, so a cancel stops it at once.
bool WatchForCancel(const QSqlDatabase& db, const std::atomic<bool>& cancel) {
  const QVariant handle = db.driver()->handle();
  if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return false;
  sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData());
  if (connection == nullptr) return false;
  sqlite3_progress_handler(connection, 1000, &StopWhenCancelled,
                           const_cast<std::atomic<bool>*>(&cancel));
  return true;
}

}  // namespace

class HistoryDatabase : public QObject, public HistoryReader {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID OrvantaHistoryReader_iid)
  Q_INTERFACES(orvanta::HistoryReader)

 public:
  QStringList query(const QString& file, const QString& sql,
                    const std::atomic<bool>& cancel) const override;
};

QStringList HistoryDatabase::query(const QString& file, const QString& sql,
                                   const std::atomic<bool>& cancel) const {
  QStringList urls;
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) return urls;
  static std::atomic<int> serial{0};
  const QString name = QStringLiteral("orvanta-history-%1").arg(serial++);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(file);
    // Never written, and never made when missing.
    QString options = QStringLiteral("QSQLITE_OPEN_READONLY");
    if (file.startsWith(QLatin1String("file:"))) options += QStringLiteral(";QSQLITE_OPEN_URI");
    db.setConnectOptions(options);
    // A query that could not be stopped is not run at all.
    if (db.open() && WatchForCancel(db, cancel)) {
      QSqlQuery query(db);
      query.setForwardOnly(true);
      if (query.exec(sql)) {
        while (!cancel && query.next()) urls << query.value(0).toString();
        // A read that broke off half-way counts as a failure.
        if (query.lastError().isValid() || cancel) urls.clear();
      }
      query.finish();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
  return urls;
}

}  // namespace orvanta

#include "HistoryDatabase.moc"
