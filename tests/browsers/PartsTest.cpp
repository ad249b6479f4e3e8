// The check's own parts against real sockets and processes: the page
// server's HTTP, the WebDriver client's errors, and the processes' end.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTcpServer>
#include <QTcpSocket>

#include "preview/browsers/EngineProcesses.h"
#include "preview/browsers/PageServer.h"
#include "preview/browsers/Wait.h"
#include "preview/browsers/WebDriverClient.h"

namespace orvanta::browsers {
namespace {

const std::atomic_bool kNever{false};

// Sends the request in pieces, as a slow client would, and returns the answer.
QByteArray Exchange(quint16 port, const QList<QByteArray>& pieces) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  if (!WaitUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000, kNever))
    return "no connection";
  for (const QByteArray& piece : pieces) {
    socket.write(piece);
    socket.flush();
    Pause(30, kNever);
  }
  QByteArray answer;
  WaitUntil(
      [&] {
        answer += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
      },
      5000, kNever);
  return answer + socket.readAll();
}

struct ServerCase {
  const char* Name;
  QList<QByteArray> Pieces;
  const char* Status;  // start of the answer
  const char* Body;    // contained in the answer; null: not checked
  size_t Events;       // reports kept afterwards
};

class Server : public ::testing::TestWithParam<ServerCase> {};

TEST_P(Server, AnswersAndKeepsReports) {
  PageServer server;
  ASSERT_TRUE(server.Listen());
  server.Serve(QStringLiteral("/test_page.htm"), "text/html", "<p>page</p>");
  const QByteArray answer = Exchange(server.Port(), GetParam().Pieces);
  EXPECT_TRUE(answer.startsWith(GetParam().Status)) << answer.toStdString();
  if (GetParam().Body != nullptr) {
    EXPECT_TRUE(answer.contains(GetParam().Body)) << answer.toStdString();
  }
  EXPECT_EQ(server.Events().size(), GetParam().Events);
}

const QByteArray kBeacon = R"({"kind":"open","opened":false,"at":1})";

INSTANTIATE_TEST_SUITE_P(
    Http, Server,
    ::testing::Values(
        ServerCase{"Page",
                   {"GET /test_page.htm HTTP/1.1\r\nHost: x\r\n\r\n"},
                   "HTTP/1.1 200",
                   "<p>page</p>",
                   0},
        ServerCase{"QueryIgnored",
                   {"GET /test_page.htm?x=1 HTTP/1.1\r\n\r\n"},
                   "HTTP/1.1 200",
                   "<p>page</p>",
                   0},
        ServerCase{"ReportingScript",
                   {"GET /orvanta-check.js HTTP/1.1\r\n\r\n"},
                   "HTTP/1.1 200",
                   "sendBeacon",
                   0},
        ServerCase{"Unknown", {"GET /etc/passwd HTTP/1.1\r\n\r\n"}, "HTTP/1.1 404", nullptr, 0},
        ServerCase{"HeadInPieces",
                   {"GET /test_pa", "ge.htm HTTP/1.1\r\n", "\r\n"},
                   "HTTP/1.1 200",
                   "<p>page</p>",
                   0},
        ServerCase{"Beacon",
                   {"POST /orvanta-check/log HTTP/1.1\r\nContent-Length: " +
                    QByteArray::number(kBeacon.size()) + "\r\n\r\n" + kBeacon},
                   "HTTP/1.1 204",
                   nullptr,
                   1},
        ServerCase{"BeaconBodyLater",
                   {"POST /orvanta-check/log HTTP/1.1\r\nContent-Length: " +
                        QByteArray::number(kBeacon.size()) + "\r\n\r\n",
                    kBeacon.left(10), kBeacon.mid(10)},
                   "HTTP/1.1 204",
                   nullptr,
                   1},
        ServerCase{"BeaconNotJson",
                   {"POST /orvanta-check/log HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc"},
                   "HTTP/1.1 204",
                   nullptr,
                   0},
        ServerCase{"HugeBodyRefused",
                   {"POST /orvanta-check/log HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n"},
                   "",
                   nullptr,
                   0}),
    [](const auto& param) { return std::string(param.param.Name); });

// A WebDriver server that gives one canned answer, or none.
class FakeDriver {
 public:
  explicit FakeDriver(QByteArray answer) : answer_(std::move(answer)) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      QTcpSocket* socket = server_.nextPendingConnection();
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        socket->readAll();
        if (answer_.isEmpty()) return;  // never answers
        socket->write("HTTP/1.1 " + answer_);
        socket->disconnectFromHost();
      });
    });
  }
  quint16 Port() const { return server_.serverPort(); }

 private:
  QTcpServer server_;
  QByteArray answer_;
};

QByteArray Json(int status, const QByteArray& body) {
  return QByteArray::number(status) + " X\r\nContent-Type: application/json\r\nContent-Length: " +
         QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

TEST(WebDriver, ErrorsAreToldWithTheDriversWordsAndNeverBlock) {
  const struct {
    QByteArray Answer;
    bool Ok;
    const char* Error;
  } cases[] = {
      {Json(200, R"({"value":{"ready":true}})"), true, ""},
      {Json(404, R"({"value":{"error":"no such window","message":"gone\nstack"}})"), false,
       "no such window: gone"},
      {Json(500, "not json"), false, ""},
      {QByteArray(), false, "did not answer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Answer.toStdString());
    FakeDriver driver(c.Answer);
    WebDriverClient client(driver.Port(), kNever);
    const QJsonValue value = client.Call("GET", QStringLiteral("/status"), {}, 1500);
    EXPECT_EQ(client.Ok(), c.Ok) << client.Error().toStdString();
    EXPECT_TRUE(client.Error().contains(QLatin1String(c.Error))) << client.Error().toStdString();
    if (c.Ok) {
      EXPECT_TRUE(value.toObject().value(QStringLiteral("ready")).toBool());
    }
  }
  std::atomic_bool cancel{true};
  FakeDriver silent{QByteArray()};
  WebDriverClient cancelled(silent.Port(), cancel);
  cancelled.Call("GET", QStringLiteral("/status"));
  EXPECT_EQ(cancelled.Error(), QStringLiteral("cancelled"));
}

// Running, not merely waiting to be reaped.
bool Alive(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return false;
  const QByteArray text = stat.readAll();
  return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

TEST(Processes, EndTakesGrandchildrenAndTheFolderAndKeepsHomeInside) {
  QString folder;
  qint64 grandchild = 0;
  {
    EngineProcesses processes;
    QString why;
    ASSERT_TRUE(processes.Ready(&why)) << why.toStdString();
    folder = processes.Folder();
    // The child starts a grandchild of its own and leaves it behind.
    QProcess* child =
        processes.Start(QStringLiteral("/bin/sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("sleep 300 & echo $!; echo \"$HOME\"; exec sleep 300")},
                        &why);
    ASSERT_NE(child, nullptr) << why.toStdString();
    QByteArray out;
    WaitUntil(
        [&] {
          out += child->readAllStandardOutput();
          return out.count('\n') >= 2;
        },
        5000, kNever);
    const QList<QByteArray> lines = out.split('\n');
    grandchild = lines.value(0).toLongLong();
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(QString::fromLocal8Bit(lines.value(1)).startsWith(folder));
    EXPECT_TRUE(Alive(grandchild));
  }
  EXPECT_TRUE(WaitUntil([&] { return !Alive(grandchild); }, 5000, kNever));
  EXPECT_FALSE(QFileInfo::exists(folder));
}

}  // namespace
}  // namespace orvanta::browsers

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
