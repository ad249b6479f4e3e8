#pragma once

// The contract between address completion and the history module, which
// holds Qt Sql and SQLite so that the program does not load them at start-up.

#include <QString>
#include <QStringList>
#include <QtPlugin>
#include <atomic>

namespace orvanta {

class HistoryReader {
 public:
  virtual ~HistoryReader() = default;
  // The first column of the rows `sql` gives on the SQLite database `file`.
  // Empty on any failure, and once `cancel` is set, which also stops a query
  // under way. Safe on any thread.
  virtual QStringList query(const QString& file, const QString& sql,
                            const std::atomic<bool>& cancel) const = 0;
};

}  // namespace orvanta

#define OrvantaHistoryReader_iid "org.example.Orvanta.HistoryReader/1.0"
Q_DECLARE_INTERFACE(orvanta::HistoryReader, OrvantaHistoryReader_iid)
