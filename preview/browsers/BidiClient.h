#pragma once

#include <QJsonObject>
#include <QString>
#include <QWebSocket>
#include <atomic>
#include <vector>

namespace orvanta::browsers {

// The few WebDriver BiDi commands the check needs, over a WebSocket on
// 127.0.0.1. Commands block this thread's event loop with a time limit;
// events are kept in order of arrival.
class BidiClient {
 public:
  explicit BidiClient(const std::atomic_bool& cancel);

  bool Connect(const QUrl& url, int timeoutMs);
  // The command's "result"; on an error Ok() is false and Error() says why.
  QJsonObject Send(const QString& method, const QJsonObject& params, int timeoutMs = 20000);
  bool Ok() const { return error_.isEmpty(); }
  QString Error() const { return error_; }
  const std::vector<QJsonObject>& Events() const { return events_; }

 private:
  QWebSocket socket_;
  const std::atomic_bool& cancel_;
  qint64 next_ = 0;
  QHash<qint64, QJsonObject> answers_;
  std::vector<QJsonObject> events_;
  QString error_;
};

}  // namespace orvanta::browsers
