#include "preview/browsers/WebDriverClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>

#include "preview/browsers/Wait.h"

namespace orvanta::browsers {

bool WaitUntil(const std::function<bool()>& done, int ms, const std::atomic_bool& cancel) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && !cancel && clock.elapsed() < ms) {
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return done();
}

void Pause(int ms, const std::atomic_bool& cancel) {
  WaitUntil([] { return false; }, ms, cancel);
}

WebDriverClient::WebDriverClient(quint16 port, const std::atomic_bool& cancel)
    : port_(port), cancel_(cancel) {
  network_.setProxy(QNetworkProxy::NoProxy);
}

QJsonValue WebDriverClient::Call(const QByteArray& method, const QString& path,
                                 const QJsonObject& body, int timeoutMs) {
  error_.clear();
  QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path)));
  request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
  const QByteArray payload =
      method == "POST" ? QJsonDocument(body).toJson(QJsonDocument::Compact) : QByteArray();
  QNetworkReply* reply = network_.sendCustomRequest(request, method, payload);
  const bool finished = WaitUntil([reply] { return reply->isFinished(); }, timeoutMs, cancel_);
  if (!finished) {
    reply->abort();
    reply->deleteLater();
    error_ = cancel_
                 ? QStringLiteral("cancelled")
                 : QStringLiteral("the driver did not answer within %1 s").arg(timeoutMs / 1000);
    return {};
  }
  const QByteArray data = reply->readAll();
  const QNetworkReply::NetworkError netError = reply->error();
  const QString netText = reply->errorString();
  reply->deleteLater();
  const QJsonObject answer = QJsonDocument::fromJson(data).object();
  const QJsonValue value = answer.value(QStringLiteral("value"));
  if (value.isObject() && value.toObject().contains(QStringLiteral("error"))) {
    error_ = value.toObject().value(QStringLiteral("error")).toString() + QStringLiteral(": ") +
             value.toObject()
                 .value(QStringLiteral("message"))
                 .toString()
                 .section(QLatin1Char('\n'), 0, 0);
    return {};
  }
  if (answer.isEmpty() && netError != QNetworkReply::NoError) {
    error_ = netText;
    return {};
  }
  return value;
}

QJsonObject WebDriverClient::NewSession(const QJsonObject& capabilities) {
  const QJsonValue value = Call("POST", QStringLiteral("/session"),
                                {{QStringLiteral("capabilities"), capabilities}}, 60000);
  session_ = value.toObject().value(QStringLiteral("sessionId")).toString();
  if (session_.isEmpty() && error_.isEmpty()) error_ = QStringLiteral("no session was made");
  return value.toObject().value(QStringLiteral("capabilities")).toObject();
}

QJsonValue WebDriverClient::Session(const QByteArray& method, const QString& path,
                                    const QJsonObject& body) {
  return Call(method, QStringLiteral("/session/") + session_ + path, body);
}

QJsonValue WebDriverClient::Script(const QString& script) {
  return Session("POST", QStringLiteral("/execute/sync"),
                 {{QStringLiteral("script"), script}, {QStringLiteral("args"), QJsonArray()}});
}

void WebDriverClient::EndSession() {
  if (session_.isEmpty()) return;
  Call("DELETE", QStringLiteral("/session/") + session_, {}, 5000);
  session_.clear();
}

}  // namespace orvanta::browsers
