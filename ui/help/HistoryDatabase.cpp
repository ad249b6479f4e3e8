// The SQLite side of address completion, in a module of its own: the main
// program loads it on the worker thread after its window shows, so Qt Sql
// costs nothing at start-up.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>

extern "C" Q_DECL_EXPORT void orvanta_query_history(const QString& file, const QString& sql,
                                                    QStringList& urls) {
  urls.clear();
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) return;
  static std::atomic<int> serial{0};
  const QString name = QStringLiteral("orvanta-history-%1").arg(serial++);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(file);
    if (db.open()) {
      QSqlQuery query(db);
      query.setForwardOnly(true);
      if (query.exec(sql)) {
        while (query.next()) urls << query.value(0).toString();
        // A read that broke off half-way counts as a failure.
        if (query.lastError().isValid()) urls.clear();
      }
      query.finish();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}
