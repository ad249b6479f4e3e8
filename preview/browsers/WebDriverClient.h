#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QString>
#include <atomic>

namespace orvanta::browsers {

// The few W3C WebDriver commands the check needs, over HTTP on 127.0.0.1.
// Calls block this thread's event loop; each has a time limit and stops at
// once when the check is cancelled.
class WebDriverClient {
 public:
  WebDriverClient(quint16 port, const std::atomic_bool& cancel);

  // The answer's "value"; `ok` false (and `error` set) for a WebDriver
  // error, a timeout, a cancel or no answer.
  QJsonValue Call(const QByteArray& method, const QString& path, const QJsonObject& body = {},
                  int timeoutMs = 20000);
  bool Ok() const { return error_.isEmpty(); }
  QString Error() const { return error_; }

  // Session-relative helpers; NewSession stores the session id.
  QJsonObject NewSession(const QJsonObject& capabilities);
  QJsonValue Session(const QByteArray& method, const QString& path, const QJsonObject& body = {});
  QJsonValue Script(const QString& script);
  bool HasSession() const { return !session_.isEmpty(); }
  void EndSession();

 private:
  QNetworkAccessManager network_;
  quint16 port_;
  const std::atomic_bool& cancel_;
  QString session_;
  QString error_;
};

}  // namespace orvanta::browsers
