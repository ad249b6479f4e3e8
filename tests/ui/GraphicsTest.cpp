// The program itself on an X server, started as users start it: until the
// first Preview it maps no OpenGL library. Uses the display the tests run
// under, or a private Xvfb when there is none.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace orvanta::test {
namespace {

class XServer {
 public:
  XServer() {
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
      display_ = qEnvironmentVariable("DISPLAY");
      return;
    }
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) return;
    // -displayfd picks a free display and writes its number once clients
    // can connect.
    server_.start(xvfb,
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
    QByteArray number;
    while (!number.contains('\n') && server_.waitForReadyRead(30000))
      number += server_.readAllStandardOutput();
    if (!number.trimmed().isEmpty())
      display_ = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
  }
  ~XServer() {
    server_.terminate();
    server_.waitForFinished(10000);
  }
  const QString& display() const { return display_; }

 private:
  QProcess server_;
  QString display_;
};

struct StartCase {
  const char* name;
  const char* variable;  // set for this start, with `value`
  const char* value;
  bool openGlExpected;
};

class Graphics : public ::testing::TestWithParam<StartCase> {};

TEST_P(Graphics, OpenGlIsMappedAtIdleOnlyWhenSomethingDrawsWithIt) {
  const StartCase& start = GetParam();
  XServer server;
  ASSERT_FALSE(server.display().isEmpty())
      << "no X server: set DISPLAY or install Xvfb (scripts/install-deps.sh does)";
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  // This test process set the engine's variables for itself at start-up.
  for (const char* name : {"QT_WIDGETS_RHI", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                           "QT_XCB_GL_INTEGRATION", "QTWEBENGINE_CHROMIUM_FLAGS"})
    environment.remove(QString::fromLatin1(name));
  environment.insert(QStringLiteral("DISPLAY"), server.display());
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  environment.insert(QStringLiteral("HOME"), home.path());
  // Reports the mapped OpenGL libraries once the window sat idle, then quits.
  environment.insert(QStringLiteral("ORVANTA_BENCH"), QStringLiteral("startup"));
  if (start.variable != nullptr)
    environment.insert(QString::fromLatin1(start.variable), QString::fromLatin1(start.value));

  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(ORVANTA_PROGRAM), QStringList());
  ASSERT_TRUE(program.waitForFinished(60000)) << start.name;
  const QByteArray output = program.readAllStandardOutput();
  const QByteArray key = "opengl_libs=";
  const qsizetype at = output.indexOf("\n" + key);
  ASSERT_GE(at, 0) << output.toStdString() << program.readAllStandardError().toStdString();
  const QByteArray libraries = output.mid(at + 1 + key.size()).split('\n').value(0);
  EXPECT_EQ(!libraries.isEmpty(), start.openGlExpected)
      << start.name << ": " << libraries.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Program, Graphics,
                         ::testing::Values(StartCase{"AsUsersStartIt", nullptr, nullptr, false},
                                           // The counter-check: a window drawn through OpenGL maps
                                           // the driver, and the report shows it.
                                           StartCase{"WidgetsComposedWithOpenGl", "QT_WIDGETS_RHI",
                                                     "1", true}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace orvanta::test
