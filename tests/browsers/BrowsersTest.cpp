// The check in real engines, through the real program:
// `orvanta --report FILE --browsers ENGINE --json`, with the popup's page
// served on 127.0.0.1 by the test.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <optional>

#include "preview/browsers/EngineProcesses.h"
#include "preview/browsers/Engines.h"
#include "preview/browsers/PageServer.h"
#include "preview/browsers/Wait.h"

namespace orvanta::browsers {
namespace {

const std::atomic_bool kNever{false};

struct Outcome {
  int Exit = -1;
  QJsonObject Result;  // browsers.ENGINE
  QString Errors;
};

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    ASSERT_TRUE(popups_.Listen());
    popups_.Serve(QStringLiteral("/pop.htm"), "text/html",
                  "<!DOCTYPE html><title>Popup</title><p>The popup's page.</p>");
  }

  QString Settings(const QString& name, const QString& lines) {
    const QString path = folder_.filePath(name + QStringLiteral(".ini"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Popup]\nPageUrl=" + popups_.Url(QStringLiteral("/pop.htm")).toUtf8() + "\n" +
               lines.toUtf8());
    return path;
  }

  // Runs the program while this thread keeps serving the popup's page.
  Outcome Report(const QString& settings, const QString& engine) {
    QProcess program;
    program.start(QStringLiteral(ORVANTA_GUI_PATH),
                  {QStringLiteral("--report"), settings, QStringLiteral("--browsers"), engine,
                   QStringLiteral("--json")});
    WaitUntil([&] { return program.state() == QProcess::NotRunning; }, 170000, kNever);
    Outcome run;
    run.Exit = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.Errors = QString::fromLocal8Bit(program.readAllStandardError());
    run.Result = QJsonDocument::fromJson(program.readAllStandardOutput())
                     .object()
                     .value(QStringLiteral("browsers"))
                     .toObject()
                     .value(engine)
                     .toObject();
    return run;
  }

  QTemporaryDir folder_;
  PageServer popups_;
};

struct Case {
  const char* Name;
  const char* Settings;
  const char* Verdict;
  const char* Reason;  // start of the reason; null: any
  int Width = 0;       // the page area asked for and measured; 0: not checked
  int Height = 0;
  double Delay = -1;             // seconds from the trigger, within 0.3 s; <0: not checked
  double Closed = -1;            // seconds from opening to the auto-close, within 0.3 s
  const char* WebKit = nullptr;  // WebKit's verdict where it was measured to differ
};

// What a visitor gets today in Chromium and Firefox with the popup blocker on.
const Case kCases[] = {
    {"Click", "Width=400\nHeight=300\nLeft=50\nTop=60\n", "popup", nullptr, 400, 300, 0.0},
    {"Hover", "Activation=MouseOver\n", "blocked", "no user action"},
    {"PageLoad", "Activation=PageLoad\n", "blocked", "no user action"},
    // MiniBrowser has no tabs, and its user action lasts less than 2 s.
    {"AllTenOptions",
     "WindowOptions=toolbar,location,directories,status,menubar,scrollbars,resizable,"
     "dependent,fullscreen,titlebar\n",
     "tab", nullptr, 0, 0, -1, -1, "popup"},
    {"TwoSecondDelay", "DelaySeconds=2\n", "popup", nullptr, 0, 0, 2.0, -1, "blocked"},
    {"SevenSecondDelay", "DelaySeconds=7\n", "blocked", "the action was 7 s earlier"},
    {"AutoClose", "CloseSeconds=2\n", "popup", nullptr, 0, 0, -1, 2.0},
};

void Expect(Case c, const QString& engine, const Outcome& run) {
  SCOPED_TRACE(c.Name);
  if (engine == QLatin1String("webkit") && c.WebKit != nullptr) {
    c.Verdict = c.WebKit;
    c.Reason = nullptr;
  }
  ASSERT_EQ(run.Exit, 0) << run.Errors.toStdString();
  const QJsonObject& r = run.Result;
  EXPECT_EQ(r.value(QStringLiteral("verdict")).toString().toStdString(), c.Verdict)
      << QJsonDocument(r).toJson().toStdString();
  if (c.Reason != nullptr) {
    EXPECT_TRUE(r.value(QStringLiteral("reason")).toString().startsWith(QLatin1String(c.Reason)))
        << r.value(QStringLiteral("reason")).toString().toStdString();
  }
  if (c.Width > 0) {
    // Placed where asked, as wide as asked, and high enough for the asked
    // page area (engines differ in how much of it their own bars take).
    const QJsonObject window = r.value(QStringLiteral("window")).toObject();
    const QJsonObject inner = r.value(QStringLiteral("inner")).toObject();
    EXPECT_EQ(window.value(QStringLiteral("left")).toInt(), 50);
    EXPECT_EQ(window.value(QStringLiteral("top")).toInt(), 60);
    EXPECT_EQ(inner.value(QStringLiteral("width")).toInt(), c.Width);
    EXPECT_GE(window.value(QStringLiteral("height")).toInt(), c.Height);
    EXPECT_LT(window.value(QStringLiteral("height")).toInt(), c.Height + 100);
  }
  const bool opened = QString::fromLatin1(c.Verdict) != QLatin1String("blocked");
  if (c.Delay >= 0 && opened) {
    EXPECT_NEAR(r.value(QStringLiteral("delay")).toDouble(-99), c.Delay, 0.3);
  }
  if (c.Closed >= 0) {
    EXPECT_NEAR(r.value(QStringLiteral("closedAfter")).toDouble(-99), c.Closed, 0.3);
  }
  EXPECT_EQ(r.value(QStringLiteral("load")).toString().startsWith(QLatin1String("loaded")), opened)
      << r.value(QStringLiteral("load")).toString().toStdString();
}

class EngineCheck : public BrowserTest,
                    public ::testing::WithParamInterface<std::tuple<const char*, Case>> {};

TEST_P(EngineCheck, MeasuresWhatVisitorsGet) {
  const QString engine = QString::fromLatin1(std::get<0>(GetParam()));
  const Case& c = std::get<1>(GetParam());
  if (!FindEngine(engine)) GTEST_SKIP() << engine.toStdString() << " is not installed";
  const QString settings = Settings(QString::fromLatin1(c.Name), QString::fromLatin1(c.Settings));
  Expect(c, engine, Report(settings, engine));
}

INSTANTIATE_TEST_SUITE_P(Browsers, EngineCheck,
                         ::testing::Combine(::testing::Values("chromium", "firefox", "webkit"),
                                            ::testing::ValuesIn(kCases)),
                         [](const auto& param) {
                           return std::string(std::get<0>(param.param)) + "_" +
                                  std::get<1>(param.param).Name;
                         });

// Every process that carries a check's tag.
QList<qint64> TaggedProcesses() {
  QList<qint64> found;
  const QByteArray prefix = QByteArray(EngineProcesses::TagVariable()) + '=';
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!environ.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& entry : environ.readAll().split('\0'))
      if (entry.startsWith(prefix)) found << pid.toLongLong();
  }
  return found;
}

TEST_F(BrowserTest, KilledDuringACheckLeavesNoEngineOrProfile) {
  if (!FindEngine(QStringLiteral("chromium"))) GTEST_SKIP() << "chromium is not installed";
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TMPDIR"), temp.path());
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(ORVANTA_GUI_PATH),
                {QStringLiteral("--report"),
                 Settings(QStringLiteral("long"), QStringLiteral("DelaySeconds=30\n")),
                 QStringLiteral("--browsers"), QStringLiteral("chromium")});
  // Once the engine's renderer runs, the check is well under way.
  ASSERT_TRUE(WaitUntil([] { return TaggedProcesses().size() >= 3; }, 30000, kNever));
  ASSERT_FALSE(QDir(temp.path()).isEmpty());
  ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
  program.waitForFinished(5000);
  EXPECT_TRUE(WaitUntil([] { return TaggedProcesses().isEmpty(); }, 10000, kNever))
      << TaggedProcesses().size() << " engine processes left";
  EXPECT_TRUE(WaitUntil([&] { return QDir(temp.path()).isEmpty(); }, 5000, kNever))
      << QDir(temp.path())
             .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
             .join(' ')
             .toStdString();
}

TEST_F(BrowserTest, BadListAndMissingEnginesAreToldApart) {
  const QString settings = Settings(QStringLiteral("plain"), QString());
  QProcess bad;
  bad.start(QStringLiteral(ORVANTA_GUI_PATH),
            {QStringLiteral("--report"), settings, QStringLiteral("--browsers"),
             QStringLiteral("chromium,opera")});
  ASSERT_TRUE(bad.waitForFinished(30000));
  EXPECT_EQ(bad.exitCode(), 2);
  EXPECT_TRUE(bad.readAllStandardError().contains("\"opera\""));

  // With no engine on the PATH, each is "not installed" with its package, and that is no failure.
  QProcess none;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PATH"), folder_.path());
  none.setProcessEnvironment(env);
  none.start(QStringLiteral(ORVANTA_GUI_PATH),
             {QStringLiteral("--report"), settings, QStringLiteral("--browsers"),
              QStringLiteral("chromium,firefox,webkit"), QStringLiteral("--json")});
  ASSERT_TRUE(none.waitForFinished(30000));
  EXPECT_EQ(none.exitCode(), 0);
  const QJsonObject all = QJsonDocument::fromJson(none.readAllStandardOutput())
                              .object()
                              .value(QStringLiteral("browsers"))
                              .toObject();
  ASSERT_EQ(all.size(), 3);
  for (const QString& name : all.keys()) {
    EXPECT_EQ(all[name].toObject().value(QStringLiteral("verdict")).toString(),
              QStringLiteral("not installed"))
        << name.toStdString();
    EXPECT_FALSE(all[name].toObject().value(QStringLiteral("package")).toString().isEmpty());
  }
}

TEST_F(BrowserTest, AnEngineThatDoesNotStartIsAFailedCheck) {
  // A driver that ends at once, in place of the real one.
  for (const char* name : {"chromium", "chromedriver"}) {
    const QString path = folder_.filePath(QString::fromLatin1(name));
    QFile script(path);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexit 3\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  }
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PATH"), folder_.path() + QStringLiteral(":/usr/bin:/bin"));
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(ORVANTA_GUI_PATH),
                {QStringLiteral("--report"), Settings(QStringLiteral("plain"), QString()),
                 QStringLiteral("--browsers"), QStringLiteral("chromium")});
  ASSERT_TRUE(program.waitForFinished(30000));
  EXPECT_EQ(program.exitCode(), 1);
  const QList<QByteArray> lines = program.readAllStandardOutput().split('\n');
  EXPECT_EQ(lines.value(0), "Check failed: the driver " +
                                folder_.filePath(QStringLiteral("chromedriver")).toUtf8() +
                                " ended at start (exit code 3)");
  EXPECT_EQ(lines.value(1), "Engine: Chromium");
}

}  // namespace
}  // namespace orvanta::browsers

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
