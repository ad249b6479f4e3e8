// The In Page code in the engine the preview uses, served over HTTP as a
// visitor's page would be: the dialog opens after each trigger and the
// delay, at the asked size and place, takes the focus, closes by its button,
// by Esc and after the auto-close, gives the focus back, and no script error
// occurs, also when the framed page refuses to be framed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <string>

#include "core/Generator.h"
#include "modules/host/EngineEnvironment.h"
#include "preview/TextFile.h"
#include "tests/support/EventWait.h"

namespace orvanta {
namespace {

using test_support::WaitUntil;

// Serves the test page, a page to frame and one that refuses framing.
class Server : public QTcpServer {
 public:
  std::string Page;
  Server() {
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
          const QByteArray request = socket->readAll();
          const QByteArray path = request.split(' ').value(1);
          QByteArray body = "<html><body style='margin:0'>framed</body></html>";
          QByteArray extra;
          if (path == "/page.htm") body = QByteArray::fromStdString(Utf8ToWindows1252(Page));
          if (path == "/deny.htm") extra = "X-Frame-Options: DENY\r\n";
          socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=windows-1252\r\n" +
                        extra + "Content-Length: " + QByteArray::number(body.size()) +
                        "\r\nConnection: close\r\n\r\n" + body);
          socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
    listen(QHostAddress::LocalHost);
  }
  QString Url(const char* path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(QLatin1String(path));
  }
};

// Keeps the page's script errors apart from the engine's own messages, such
// as a refused frame.
class ErrorPage : public QWebEnginePage {
 public:
  QStringList Errors;
  QStringList EngineErrors;

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                int line, const QString&) override {
    if (level != ErrorMessageLevel) return;
    if (message.startsWith(QStringLiteral("Uncaught"))) {
      Errors << QStringLiteral("%1 (line %2)").arg(message).arg(line);
    } else {
      EngineErrors << message;
    }
  }
};

struct Case {
  const char* Name;
  ActivationKind Trigger;
  bool Center;
  const char* Delay;
  const char* Close;
  const char* Framed;  // path
  enum { Button, Esc, AutoClose } How;
};

class InPage : public ::testing::TestWithParam<Case> {
 protected:
  QVariant Run(const QString& script) {
    QVariant result;
    bool done = false;
    view_.page()->runJavaScript(script, [&](const QVariant& v) {
      result = v;
      done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done; }, 20000)) << script.toStdString();
    return result;
  }
  QJsonObject State() {
    const QString json =
        Run(QStringLiteral(
                "(function () { var d = document.querySelector('dialog');"
                " var a = document.activeElement;"
                " var s = { present: !!d, open: !!(d && d.open), focus: a ? a.tagName + ':' + "
                "a.textContent : '' };"
                " if (d) { var r = d.getBoundingClientRect(), f = "
                "d.querySelector('iframe').getBoundingClientRect();"
                "  s.left = r.left; s.top = r.top; s.width = r.width; s.height = r.height;"
                "  s.frameWidth = f.width; s.frameHeight = f.height; s.label = "
                "d.getAttribute('aria-label');"
                "  s.inside = d.contains(a); s.innerWidth = innerWidth; s.innerHeight = "
                "innerHeight; }"
                " return JSON.stringify(s); })()"))
            .toString();
    return QJsonDocument::fromJson(json.toUtf8()).object();
  }
  QPoint CentreOf(const char* selector) {
    const QString json =
        Run(QStringLiteral("(function () { var r = document.querySelector('%1')"
                           ".getBoundingClientRect(); return JSON.stringify("
                           "{x: r.left + r.width / 2, y: r.top + r.height / 2}); })()")
                .arg(QLatin1String(selector)))
            .toString();
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    return QPoint(static_cast<int>(o[QStringLiteral("x")].toDouble()),
                  static_cast<int>(o[QStringLiteral("y")].toDouble()));
  }
  QWidget* Input() { return view_.focusProxy() ? view_.focusProxy() : &view_; }

  Server server_;
  ErrorPage page_;
  QWebEngineView view_;
};

TEST_P(InPage, OpensWhereAskedClosesAndGivesTheFocusBack) {
  const Case& c = GetParam();
  PopupSettings s;
  s.FunctionName = "openNews";
  s.WindowName = "Today's news";
  s.PageUrl = server_.Url(c.Framed).toStdString();
  s.Width = "320";
  s.Height = "160";
  s.Top = "40";
  s.Left = "60";
  s.Center = c.Center ? 1 : 0;
  s.Order = WindowOrder::InPage;
  s.DelaySeconds = c.Delay;
  s.CloseSeconds = c.Close;
  s.Activation = c.Trigger;
  const Generation g = GeneratePopupCode(s);
  ASSERT_TRUE(g.Code.LinkCode.empty());
  server_.Page = g.Code.PopupCode;

  view_.setPage(&page_);
  view_.resize(800, 600);
  view_.show();
  bool loaded = false;
  QObject::connect(&page_, &QWebEnginePage::loadFinished, [&](bool ok) { loaded = ok; });
  view_.load(QUrl(server_.Url("/page.htm")));
  ASSERT_TRUE(WaitUntil([&] { return loaded; }, 60000));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));

  // A renderer that has just shown its first frame may drop the very first
  // click; a visitor would click again.
  const auto setOff = [&] {
    switch (c.Trigger) {
      case ActivationKind::StandardLink:
      case ActivationKind::ImageLink:
        QTest::mouseClick(Input(), Qt::LeftButton, Qt::NoModifier, CentreOf("a"));
        break;
      case ActivationKind::FormButton:
        QTest::mouseClick(Input(), Qt::LeftButton, Qt::NoModifier, CentreOf("input"));
        break;
      case ActivationKind::MouseOver:
        // Keyboard focus sets it off as the mouse does; the page must have
        // the focus before the Tab key can move it to the link.
        view_.activateWindow();
        Input()->setFocus();
        ASSERT_TRUE(
            WaitUntil([&] { return Run(QStringLiteral("document.hasFocus()")).toBool(); }, 15000));
        QTest::keyClick(Input(), Qt::Key_Tab);
        break;
      case ActivationKind::PageClose:
        Run(
            QStringLiteral("document.body.dispatchEvent(new MouseEvent('mouseout', "
                           "{clientY: -1, bubbles: true}))"));
        break;
      case ActivationKind::PageLoad:
        break;
    }
  };
  QElapsedTimer clock;
  bool open = false;
  for (int attempt = 0; attempt < 4 && !open; ++attempt) {
    clock.start();
    setOff();
    if (HasFailure()) return;
    open = WaitUntil([&] { return State()[QStringLiteral("open")].toBool(); }, 4000);
  }
  ASSERT_TRUE(open) << "the dialog did not open; errors: " << page_.Errors.join('\n').toStdString();
  const qint64 opened = clock.elapsed();
  if (*c.Delay) {
    EXPECT_GE(opened, 950) << "opened before the delay";
  }
  const QJsonObject st = State();
  const auto num = [&](const char* key) { return st[QLatin1String(key)].toDouble(); };
  EXPECT_EQ(num("frameWidth"), 320);
  EXPECT_EQ(num("frameHeight"), 160);
  if (c.Center) {
    EXPECT_NEAR(num("left"), (num("innerWidth") - num("width")) / 2, 1);
    EXPECT_NEAR(num("top"), (num("innerHeight") - num("height")) / 2, 1);
  } else {
    EXPECT_EQ(num("left"), 60);
    EXPECT_EQ(num("top"), 40);
  }
  EXPECT_EQ(st[QStringLiteral("label")].toString(), "Today's news");
  EXPECT_TRUE(st[QStringLiteral("inside")].toBool())
      << "focus " << st["focus"].toString().toStdString();
  const QString before =
      Run(QStringLiteral("openNews(); document.querySelectorAll('dialog').length")).toString();
  EXPECT_EQ(before, "1") << "a second call while open opens no second dialog";

  switch (c.How) {
    case Case::Button:
      QTest::mouseClick(Input(), Qt::LeftButton, Qt::NoModifier, CentreOf("dialog button"));
      break;
    case Case::Esc:
      QTest::keyClick(Input(), Qt::Key_Escape);
      break;
    case Case::AutoClose:
      break;
  }
  ASSERT_TRUE(WaitUntil([&] { return !State()[QStringLiteral("present")].toBool(); }, 15000))
      << "the dialog did not close: " << QJsonDocument(State()).toJson().toStdString();
  if (c.How == Case::AutoClose) {
    EXPECT_GE(clock.elapsed() - opened, 900);
  }
  const QString focus = State()[QStringLiteral("focus")].toString();
  // The focus is back where it was before the dialog took it.
  const char* back = c.Trigger == ActivationKind::FormButton ? "INPUT:" : "A:";
  if (c.Trigger == ActivationKind::StandardLink || c.Trigger == ActivationKind::MouseOver ||
      c.Trigger == ActivationKind::FormButton) {
    EXPECT_TRUE(focus.startsWith(back)) << focus.toStdString();
  }
  EXPECT_TRUE(page_.Errors.isEmpty()) << page_.Errors.join('\n').toStdString();
  const bool refused = page_.EngineErrors.join('\n').contains(QStringLiteral("X-Frame-Options"));
  EXPECT_EQ(refused, QByteArray(c.Framed) == "/deny.htm")
      << page_.EngineErrors.join('\n').toStdString();
  view_.setPage(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, InPage,
    ::testing::Values(
        Case{"Link", ActivationKind::StandardLink, false, "", "", "/framed.htm", Case::Button},
        Case{"ImageLinkCentred", ActivationKind::ImageLink, true, "", "", "/framed.htm", Case::Esc},
        Case{"ButtonDelayed", ActivationKind::FormButton, false, "1", "", "/framed.htm", Case::Esc},
        Case{"MouseOverByFocus", ActivationKind::MouseOver, true, "", "1", "/framed.htm",
             Case::AutoClose},
        Case{"PageLoadRefusedFraming", ActivationKind::PageLoad, false, "", "", "/deny.htm",
             Case::Button},
        Case{"LeavingThePage", ActivationKind::PageClose, true, "", "", "/framed.htm", Case::Esc}),
    [](const auto& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace orvanta

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  orvanta::PrepareEngineEnvironment();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
