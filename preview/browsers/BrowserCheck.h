#pragma once

#include <QObject>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <memory>

#include "preview/browsers/CheckResult.h"

namespace orvanta::browsers {

// Checks one page in several engines, one after the other, on a thread of
// its own so that the caller's event loop keeps running. Results and
// progress arrive as signals in the caller's thread.
class BrowserCheck : public QObject {
  Q_OBJECT

 public:
  explicit BrowserCheck(QObject* parent = nullptr);
  // Cancels a running check and waits until its engines are gone.
  ~BrowserCheck() override;

  void Start(const QStringList& engines, const CheckPage& page);
  void Cancel();
  bool Running() const;

 signals:
  void Progress(const QString& engine, const QString& step);
  void EngineDone(const orvanta::browsers::EngineResult& result);
  void Finished();

 private:
  std::unique_ptr<QThread> thread_;
  std::atomic_bool cancel_{false};
};

}  // namespace orvanta::browsers
