// The program itself, started as a process and driven through its probe
// mode: whatever a page does, the window answers, the next Preview shows the
// new page, closing ends the program at once, and no engine process is left
// behind, after a normal quit or a kill of the program.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvanta::test {
namespace {

QByteArray ProcFile(pid_t pid, const char* name) {
  QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A process that still runs (a zombie has ended, whoever reaps it).
bool Runs(pid_t pid) {
  const QByteArray stat = ProcFile(pid, "stat");
  return !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

// The engine's processes below `root`.
std::vector<pid_t> EngineProcesses(pid_t root) {
  std::map<pid_t, pid_t> parentOf;
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    bool numeric = false;
    const pid_t pid = static_cast<pid_t>(entry.toInt(&numeric));
    if (!numeric) continue;
    const QByteArray stat = ProcFile(pid, "stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1) parentOf[pid] = static_cast<pid_t>(fields[1].toInt());
  }
  std::vector<pid_t> found;
  for (const auto& [pid, parent] : parentOf) {
    pid_t up = parent;
    while (up > 1 && up != root) up = parentOf.count(up) != 0 ? parentOf[up] : 0;
    if (up == root && ProcFile(pid, "cmdline").contains("QtWebEngineProcess") && Runs(pid))
      found.push_back(pid);
  }
  return found;
}

class Program {
 public:
  explicit Program(const QString& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Without what this test process set up for its own engine at start-up.
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "DISPLAY",
                             "QT_XCB_GL_INTEGRATION", "QTWEBENGINE_CHROMIUM_FLAGS"})
      environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    environment.insert(QStringLiteral("ORVANTA_BENCH"), QStringLiteral("preview"));
    environment.insert(QStringLiteral("ORVANTA_PROBE_PROGRAM_FOLDER"), home);
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(ORVANTA_PROGRAM), QStringList());
    process_.waitForStarted(30000);
  }
  ~Program() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(10000);
    }
  }

  pid_t Pid() const { return static_cast<pid_t>(process_.processId()); }
  void Send(const QString& line) {
    process_.write((line + QLatin1Char('\n')).toUtf8());
    process_.waitForBytesWritten(5000);
  }
  // The first line that starts with `prefix`, or empty after `timeoutMs`.
  QString Await(const QString& prefix, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
      while (buffer_.contains('\n')) {
        const qsizetype end = buffer_.indexOf('\n');
        const QString line = QString::fromUtf8(buffer_.left(end));
        buffer_.remove(0, end + 1);
        if (line.startsWith(prefix)) return line;
      }
      const qint64 left = timeoutMs - timer.elapsed();
      if (left <= 0 || process_.state() == QProcess::NotRunning) return {};
      process_.waitForReadyRead(static_cast<int>(std::min<qint64>(left, 200)));
      buffer_ += process_.readAllStandardOutput();
    }
  }
  // Milliseconds until the program ended, or -1.
  qint64 WaitForEnd(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    return process_.waitForFinished(timeoutMs) ? timer.elapsed() : -1;
  }
  void Kill() { ::kill(Pid(), SIGKILL); }

 private:
  QProcess process_;
  QByteArray buffer_;
};

enum class End { Close, Kill };

struct PageCase {
  const char* name;
  const char* page;   // the popup code box
  const char* ready;  // the probe's line once the page does its worst
  bool killRenderer;
  bool fresh;  // a new Preview replaces the page before the end
  End end;
};

class EngineProcess : public ::testing::TestWithParam<PageCase> {};

TEST_P(EngineProcess, ProgramStaysInChargeAndLeavesNoEngineProcess) {
  const PageCase& c = GetParam();
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  Program program(home.path());
  ASSERT_GT(program.Pid(), 0);
  program.Send(QStringLiteral("code ") + QString::fromLatin1(c.page));
  // The pages open their windows without a click.
  program.Send(QStringLiteral("allow"));
  program.Send(QStringLiteral("preview"));
  program.Send(QString::fromLatin1(c.ready));
  ASSERT_FALSE(program.Await(QString::fromLatin1(c.ready), 60000).isEmpty()) << c.ready;
  const std::vector<pid_t> engine = EngineProcesses(program.Pid());
  ASSERT_FALSE(engine.empty());

  if (c.killRenderer) {
    program.Send(QStringLiteral("renderers"));
    const QStringList pids = program.Await(QStringLiteral("renderers"), 5000).split(' ').mid(1);
    ASSERT_FALSE(pids.isEmpty());
    for (const QString& pid : pids) ::kill(static_cast<pid_t>(pid.toInt()), SIGKILL);
    program.Send(QStringLiteral("stopped"));
    ASSERT_FALSE(program.Await(QStringLiteral("stopped"), 30000).isEmpty());
    program.Send(QStringLiteral("reload"));
    program.Send(QString::fromLatin1(c.ready));
    EXPECT_FALSE(program.Await(QString::fromLatin1(c.ready), 30000).isEmpty()) << "after Reload";
  }
  if (c.fresh) {
    program.Send(QStringLiteral("ping"));
    EXPECT_FALSE(program.Await(QStringLiteral("pong"), 1000).isEmpty());
    program.Send(QStringLiteral("code <title>fresh</title>"));
    program.Send(QStringLiteral("preview"));
    program.Send(QStringLiteral("title fresh"));
    EXPECT_FALSE(program.Await(QStringLiteral("title fresh"), 30000).isEmpty());
  }

  if (c.end == End::Close) {
    program.Send(QStringLiteral("close"));
    const qint64 ms = program.WaitForEnd(10000);
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 1000);
  } else {
    program.Kill();
    EXPECT_GE(program.WaitForEnd(10000), 0);
  }
  // Whoever reaps them now, the engine's processes end with the program.
  std::vector<pid_t> outliving = engine;
  QElapsedTimer timer;
  timer.start();
  while (!outliving.empty() && timer.elapsed() < 5000) {
    outliving.erase(
        std::remove_if(outliving.begin(), outliving.end(), [](pid_t pid) { return !Runs(pid); }),
        outliving.end());
    if (!outliving.empty()) QThread::msleep(20);
  }
  EXPECT_TRUE(outliving.empty()) << outliving.size() << " engine processes outlived the program";
  for (pid_t pid : outliving) ::kill(pid, SIGKILL);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Two windows started from one folder: each shows its own pages, and the
// page one handed to the browser stays as it was whatever the other writes.
TEST(TwoInstances, KeepTheirOwnPagesAndLaunchedFiles) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  Program a(home.path());
  Program b(home.path());
  QString work[2];
  Program* both[] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    const QString name = QString::fromLatin1(i == 0 ? "A" : "B");
    both[i]->Send(QStringLiteral("code <title>%1</title>").arg(name));
    both[i]->Send(QStringLiteral("preview"));
    both[i]->Send(QStringLiteral("title ") + name);
    ASSERT_FALSE(both[i]->Await(QStringLiteral("title ") + name, 60000).isEmpty()) << i;
    both[i]->Send(QStringLiteral("work"));
    work[i] = both[i]->Await(QStringLiteral("work "), 5000).mid(5);
    ASSERT_FALSE(work[i].isEmpty());
  }
  EXPECT_NE(work[0], work[1]);

  a.Send(QStringLiteral("launch"));
  const QString launched = a.Await(QStringLiteral("opened "), 10000).mid(7);
  ASSERT_FALSE(launched.isEmpty());
  EXPECT_EQ(ReadAll(launched), QByteArray("<title>A</title>\r\n"));
  // B generates, previews and launches right after.
  b.Send(QStringLiteral("generate"));
  b.Send(QStringLiteral("preview"));
  ASSERT_FALSE(b.Await(QStringLiteral("loaded"), 60000).isEmpty());
  b.Send(QStringLiteral("launch"));
  const QString other = b.Await(QStringLiteral("opened "), 10000).mid(7);
  EXPECT_NE(other, launched);
  EXPECT_EQ(ReadAll(launched), QByteArray("<title>A</title>\r\n"));
  EXPECT_EQ(ReadAll(work[0] + QStringLiteral("test_page.htm")), QByteArray("<title>A</title>\r\n"));
  a.Send(QStringLiteral("preview"));
  a.Send(QStringLiteral("title A"));
  EXPECT_FALSE(a.Await(QStringLiteral("title A"), 30000).isEmpty());
  for (Program* program : both) {
    program->Send(QStringLiteral("close"));
    EXPECT_GE(program->WaitForEnd(10000), 0);
  }
  EXPECT_EQ(ReadAll(launched), QByteArray("<title>A</title>\r\n")) << "kept for the browser";
}

constexpr char kPlain[] = "<title>first</title>";
constexpr char kAlertLoop[] =
    "<script>setTimeout(function(){for(var i=0;i<1000;i++){alert('a'+i);}},300)</script>";
constexpr char kEndless[] =
    "<script>setTimeout(function(){document.title='spinning';while(true){}},300)</script>";
constexpr char kPopupAlert[] =
    "<script>setTimeout(function(){var w=window.open('','p','width=300,height=200');"
    "w.alert(1);},300)</script>";

INSTANTIATE_TEST_SUITE_P(
    Program, EngineProcess,
    ::testing::Values(
        PageCase{"PlainPageQuit", kPlain, "title first", false, false, End::Close},
        PageCase{"PlainPageKilled", kPlain, "title first", false, false, End::Kill},
        PageCase{"AlertLoop", kAlertLoop, "dialog", false, true, End::Close},
        PageCase{"AlertLoopKilled", kAlertLoop, "dialog", false, false, End::Kill},
        PageCase{"EndlessScript", kEndless, "title spinning", false, true, End::Close},
        PageCase{"EndlessScriptKilled", kEndless, "title spinning", false, false, End::Kill},
        PageCase{"PopupWithAlert", kPopupAlert, "dialog", false, true, End::Close},
        PageCase{"KilledRenderer", kPlain, "title first", true, true, End::Close}),
    [](const ::testing::TestParamInfo<PageCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace orvanta::test
