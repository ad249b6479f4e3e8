#include "preview/browsers/BidiClient.h"

#include <QJsonDocument>
#include <QNetworkProxy>

#include "preview/browsers/Wait.h"

namespace orvanta::browsers {

BidiClient::BidiClient(const std::atomic_bool& cancel) : cancel_(cancel) {
  socket_.setProxy(QNetworkProxy::NoProxy);
  QObject::connect(&socket_, &QWebSocket::textMessageReceived, &socket_,
                   [this](const QString& text) {
                     const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
                     if (message.value(QStringLiteral("type")) == QLatin1String("event")) {
                       events_.push_back(message);
                     } else if (message.contains(QStringLiteral("id"))) {
                       answers_.insert(message.value(QStringLiteral("id")).toInteger(), message);
                     }
                   });
}

bool BidiClient::Connect(const QUrl& url, int timeoutMs) {
  socket_.open(url);
  WaitUntil(
      [this] {
        return socket_.state() == QAbstractSocket::ConnectedState ||
               socket_.state() == QAbstractSocket::UnconnectedState;
      },
      timeoutMs, cancel_);
  if (socket_.state() != QAbstractSocket::ConnectedState) {
    error_ =
        QStringLiteral("cannot connect to the engine's remote protocol: ") + socket_.errorString();
    return false;
  }
  return true;
}

QJsonObject BidiClient::Send(const QString& method, const QJsonObject& params, int timeoutMs) {
  error_.clear();
  const qint64 id = ++next_;
  const QJsonObject command{{QStringLiteral("id"), id},
                            {QStringLiteral("method"), method},
                            {QStringLiteral("params"), params}};
  socket_.sendTextMessage(QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)));
  if (!WaitUntil([this, id] { return answers_.contains(id); }, timeoutMs, cancel_)) {
    error_ = cancel_
                 ? QStringLiteral("cancelled")
                 : QStringLiteral("%1 had no answer within %2 s").arg(method).arg(timeoutMs / 1000);
    return {};
  }
  const QJsonObject answer = answers_.take(id);
  if (answer.value(QStringLiteral("type")) == QLatin1String("error")) {
    error_ = answer.value(QStringLiteral("error")).toString() + QStringLiteral(": ") +
             answer.value(QStringLiteral("message")).toString();
    return {};
  }
  return answer.value(QStringLiteral("result")).toObject();
}

}  // namespace orvanta::browsers
