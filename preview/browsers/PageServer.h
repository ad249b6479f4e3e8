#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QTcpServer>
#include <vector>

namespace orvanta::browsers {

// Serves the test page, the script that reports what the page does, and a
// page to leave to, on 127.0.0.1 for one engine's check. The page's reports
// arrive as beacons and are kept in order.
class PageServer : public QObject {
  Q_OBJECT

 public:
  explicit PageServer(QObject* parent = nullptr);

  // Listens on a free loopback port; false when none can be had.
  bool Listen();
  quint16 Port() const { return server_.serverPort(); }
  QString Url(const QString& path) const;

  void Serve(const QString& path, const QByteArray& type, const QByteArray& body);
  const std::vector<QJsonObject>& Events() const { return events_; }

  // The tag that loads the reporting script; put first in the page.
  static QByteArray ScriptTag();

 private:
  struct Reply {
    QByteArray Type;
    QByteArray Body;
  };
  void Answer(QTcpSocket* socket);

  QTcpServer server_;
  QHash<QString, Reply> files_;
  QHash<QTcpSocket*, QByteArray> pending_;
  std::vector<QJsonObject> events_;
};

}  // namespace orvanta::browsers
