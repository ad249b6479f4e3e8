#pragma once

// Start-up figures for the benchmarks and tests, printed only when
// ORVANTA_BENCH is set to "startup": the wall-clock time of the window's first
// paint, the CPU time the process had used by then, and the resident memory
// and OpenGL libraries once the program has sat idle; then the program quits.

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace orvanta {

inline long long WallClockNs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

inline long long CpuNs() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return static_cast<long long>(used.tv_sec) * 1000000000LL + used.tv_nsec;
}

inline long ResidentKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

// The OpenGL implementations mapped into this process: vendor libraries,
// drivers and the compiler they bring. Qt GUI itself links the dispatch
// libraries (libGLX.so.0, libEGL.so.1, libOpenGL.so.0, libGLdispatch.so.0),
// which load none of these until a context is made.
inline QStringList MappedOpenGlLibraries() {
  static const char* const kPrefixes[] = {"libGL.so", "libGLX_",    "libEGL_",     "libLLVM",
                                          "libglapi", "libgallium", "libnvidia-gl"};
  QFile maps(QStringLiteral("/proc/self/maps"));
  if (!maps.open(QIODevice::ReadOnly)) return {QStringLiteral("(unreadable)")};
  QStringList found;
  for (const QByteArray& line : maps.readAll().split('\n')) {
    const qsizetype path = line.indexOf('/');
    if (path < 0) continue;
    const QString name = QFileInfo(QString::fromLocal8Bit(line.mid(path))).fileName();
    bool matches = name.contains(QLatin1String("_dri.so"));
    for (const char* prefix : kPrefixes)
      matches = matches || name.startsWith(QLatin1String(prefix));
    if (matches && !found.contains(name)) found << name;
  }
  return found;
}

class StartupProbe : public QObject {
 public:
  explicit StartupProbe(QWidget& window) {
    if (qgetenv("ORVANTA_BENCH") != "startup") return;
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !painted_) {
      painted_ = true;
      watched->removeEventFilter(this);
      // Stamped once this paint has been delivered and flushed.
      QTimer::singleShot(0, [] {
        const long long paintedAt = WallClockNs();
        std::printf("first_paint_ns=%lld\ncpu_ns=%lld\n", paintedAt, CpuNs());
        QTimer::singleShot(1000, [] {
          std::printf("rss_kb=%ld\nopengl_libs=%s\n", ResidentKb(),
                      qPrintable(MappedOpenGlLibraries().join(QLatin1Char(','))));
          std::fflush(stdout);
          QCoreApplication::quit();
        });
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool painted_ = false;
};

}  // namespace orvanta
