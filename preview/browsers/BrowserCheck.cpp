#include "preview/browsers/BrowserCheck.h"

#include "preview/browsers/Engines.h"

namespace orvanta::browsers {

BrowserCheck::BrowserCheck(QObject* parent) : QObject(parent) {}

BrowserCheck::~BrowserCheck() {
  Cancel();
  if (thread_) thread_->wait();
}

bool BrowserCheck::Running() const { return thread_ && thread_->isRunning(); }

void BrowserCheck::Cancel() { cancel_ = true; }

void BrowserCheck::Start(const QStringList& engines, const CheckPage& page) {
  if (Running()) return;
  if (thread_) thread_->wait();
  cancel_ = false;
  thread_.reset(QThread::create([this, engines, page] {
    for (const QString& engine : engines) {
      if (cancel_) break;
      const auto progress = [this, engine](const QString& step) {
        QMetaObject::invokeMethod(
            this, [this, engine, step] { emit Progress(engine, step); }, Qt::QueuedConnection);
      };
      const EngineResult result = CheckEngine(engine, page, progress, cancel_);
      QMetaObject::invokeMethod(
          this, [this, result] { emit EngineDone(result); }, Qt::QueuedConnection);
    }
  }));
  connect(thread_.get(), &QThread::finished, this, &BrowserCheck::Finished);
  thread_->start();
}

}  // namespace orvanta::browsers
