#include "preview/browsers/PageServer.h"

#include <QJsonDocument>
#include <QTcpSocket>

namespace orvanta::browsers {

namespace {

constexpr const char* kLogPath = "/orvanta-check/log";

// Reports, by beacon, every window.open and its result, when an opened
// window is closed, the page's uncaught errors and its first input of each
// kind. Beacons outlive the page, so leaving it loses nothing.
constexpr const char* kReportScript = R"js((function () {
  var log = '/orvanta-check/log';
  function send(kind, data, at) {
    data = data || {};
    data.kind = kind;
    data.at = at || Date.now();
    try { navigator.sendBeacon(log, JSON.stringify(data)); } catch (e) {}
  }
  var open = window.open;
  var count = 0;
  window.open = function () {
    var at = Date.now();
    var w = open.apply(window, arguments);
    var id = ++count;
    // An engine may take long to make the window; the code's own timers
    // start only when the call returns.
    send('open', {id: id, opened: !!w, returned: Date.now()}, at);
    // For the check to ask, from this page, whether the popup has the focus.
    if (w) Object.defineProperty(window, '__orvantaCheckLast', {value: w, configurable: true});
    if (w) {
      var timer = setInterval(function () {
        var closed = true;
        try { closed = w.closed; } catch (e) {}
        if (closed) { clearInterval(timer); send('closed', {id: id}); }
      }, 20);
    }
    return w;
  };
  window.addEventListener('error', function (e) {
    send('error', {message: String(e.message), line: e.lineno || 0});
  });
  var seen = {};
  ['click', 'mouseover', 'keydown'].forEach(function (type) {
    window.addEventListener(type, function () {
      if (!seen[type]) { seen[type] = true; send('input', {type: type}); }
    }, true);
  });
  window.addEventListener('load', function () { send('load'); });
  window.addEventListener('pagehide', function () { send('left'); });
})();
)js";

}  // namespace

PageServer::PageServer(QObject* parent) : QObject(parent) {
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(socket); });
      connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        pending_.remove(socket);
        socket->deleteLater();
      });
    }
  });
  Serve(QStringLiteral("/orvanta-check.js"), "text/javascript", kReportScript);
}

bool PageServer::Listen() { return server_.listen(QHostAddress::LocalHost, 0); }

QString PageServer::Url(const QString& path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(Port()).arg(path);
}

void PageServer::Serve(const QString& path, const QByteArray& type, const QByteArray& body) {
  files_[path] = Reply{type, body};
}

QByteArray PageServer::ScriptTag() {
  return QByteArrayLiteral("<script src=\"/orvanta-check.js\"></script>");
}

void PageServer::Answer(QTcpSocket* socket) {
  QByteArray& data = pending_[socket];
  data += socket->readAll();
  const qsizetype headEnd = data.indexOf("\r\n\r\n");
  if (headEnd < 0) {
    if (data.size() > 65536) socket->abort();
    return;
  }
  const QList<QByteArray> head = data.left(headEnd).split('\n');
  const QList<QByteArray> request = head.value(0).trimmed().split(' ');
  qsizetype length = 0;
  for (const QByteArray& line : head) {
    if (line.toLower().startsWith("content-length:")) length = line.mid(15).trimmed().toLongLong();
  }
  if (length < 0 || length > (1 << 20)) {
    socket->abort();
    return;
  }
  if (data.size() < headEnd + 4 + length) return;
  const QByteArray body = data.mid(headEnd + 4, length);
  pending_.remove(socket);
  const QByteArray method = request.value(0);
  QString path = QString::fromLatin1(request.value(1));
  path =
      path.left(path.indexOf(QLatin1Char('?')) < 0 ? path.size() : path.indexOf(QLatin1Char('?')));

  QByteArray status = "200 OK";
  QByteArray type = "text/plain";
  QByteArray content;
  if (method == "POST" && path == QLatin1String(kLogPath)) {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (doc.isObject()) events_.push_back(doc.object());
    status = "204 No Content";
  } else if (method == "GET" && files_.contains(path)) {
    type = files_[path].Type;
    content = files_[path].Body;
  } else {
    status = "404 Not Found";
    content = "not found";
  }
  QByteArray reply = "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                     "\r\nCache-Control: no-store\r\nConnection: close\r\nContent-Length: " +
                     QByteArray::number(content.size()) + "\r\n\r\n" + content;
  socket->write(reply);
  socket->disconnectFromHost();
}

}  // namespace orvanta::browsers
