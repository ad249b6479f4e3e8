#include "preview/browsers/EngineProcesses.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>

namespace orvanta::browsers {

namespace {

// Waits for its standard input to close (the program ended, however), then
// kills every process with the tag and removes the folder. Later passes catch
// processes a dying parent started in the meantime.
constexpr const char* kGuardianScript = R"sh(
cat >/dev/null
for pass in 1 2 3; do
  for p in /proc/[0-9]*; do
    if grep -qxzF "$1=$2" "$p/environ" 2>/dev/null; then kill -KILL "${p#/proc/}" 2>/dev/null; fi
  done
  sleep 0.1
done
rm -rf -- "$3"
)sh";

}  // namespace

const char* EngineProcesses::TagVariable() { return "ORVANTA_CHECK_TAG"; }

EngineProcesses::EngineProcesses()
    : folder_(QDir::tempPath() + QStringLiteral("/orvanta-check-XXXXXX")),
      tag_(QString::number(QRandomGenerator::system()->generate64(), 36)) {
  if (!folder_.isValid()) return;
  folder_.setAutoRemove(false);  // the guardian removes it, after the processes are gone
  for (const char* sub : {"home", "tmp", "cache", "config", "data", "profile"})
    QDir(folder_.path()).mkdir(QString::fromLatin1(sub));
  guardian_ = std::make_unique<QProcess>();
  guardian_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  guardian_->setStandardOutputFile(QProcess::nullDevice());
  // Its own session, so that a signal to the program's process group
  // does not end the guardian before it has cleaned up.
  guardian_->setChildProcessModifier([] { ::setsid(); });
  guardian_->start(QStringLiteral("/bin/sh"),
                   {QStringLiteral("-c"), QString::fromLatin1(kGuardianScript),
                    QStringLiteral("orvanta-check-guardian"), QString::fromLatin1(TagVariable()),
                    tag_, folder_.path()});
  if (!guardian_->waitForStarted(5000)) guardian_.reset();
}

EngineProcesses::~EngineProcesses() { End(); }

bool EngineProcesses::Ready(QString* why) const {
  if (!folder_.isValid()) {
    *why = QStringLiteral("cannot make a temporary folder: ") + folder_.errorString();
    return false;
  }
  if (!guardian_) {
    *why = QStringLiteral("cannot start /bin/sh to watch the engine's processes");
    return false;
  }
  return true;
}

QProcess* EngineProcesses::Start(const QString& program, const QStringList& args, QString* why,
                                 const QProcessEnvironment& extra) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(extra);
  const QString root = folder_.path();
  env.insert(QString::fromLatin1(TagVariable()), tag_);
  env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
  env.insert(QStringLiteral("TMPDIR"), root + QStringLiteral("/tmp"));
  env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
  env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
  env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
  env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
  if (!extra.contains(QStringLiteral("DISPLAY"))) env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  auto process = std::make_unique<QProcess>();
  process->setProcessEnvironment(env);
  process->setWorkingDirectory(root);
  process->setStandardInputFile(QProcess::nullDevice());
  process->start(program, args);
  if (!process->waitForStarted(10000)) {
    *why = QStringLiteral("%1 did not start: %2").arg(program, process->errorString());
    return nullptr;
  }
  started_.push_back(std::move(process));
  return started_.back().get();
}

QString EngineProcesses::StartDisplay(QString* why) {
  // -displayfd picks a free display and writes its number to our pipe.
  QProcess* x = Start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                       QStringLiteral("-nolisten"), QStringLiteral("tcp")},
                      why);
  if (x == nullptr) return {};
  QElapsedTimer clock;
  clock.start();
  QByteArray out;
  while (!out.contains('\n') && clock.elapsed() < 10000 && x->state() == QProcess::Running) {
    x->waitForReadyRead(100);
    out += x->readAllStandardOutput();
  }
  const QByteArray number = out.trimmed();
  if (number.isEmpty()) {
    *why = QStringLiteral("the private X server (Xvfb) did not start");
    return {};
  }
  return QStringLiteral(":") + QString::fromLatin1(number);
}

void EngineProcesses::End() {
  if (guardian_) {
    guardian_->closeWriteChannel();
    guardian_->waitForFinished(10000);
    guardian_.reset();
  }
  for (auto& p : started_) {
    if (p->state() != QProcess::NotRunning) {
      p->kill();
      p->waitForFinished(2000);
    }
  }
  started_.clear();
  if (folder_.isValid()) QDir(folder_.path()).removeRecursively();
}

}  // namespace orvanta::browsers
