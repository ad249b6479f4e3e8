#pragma once

// Drives the real program from standard input when ORVANTA_BENCH is
// "preview", for the tests and benchmarks that start it as a process. One
// command a line, each answered with one line on standard output:
//   code TEXT      the popup code box holds TEXT ("\n" for a line break)
//   preview        chooses Preview as a click does; "loaded MS" once both
//                  views finished loading, MS after the click
//   title TEXT     "title TEXT" once the upper view's page has that title
//   dialog         "dialog" once a page dialog shows, in a view or popup
//   stopped        "stopped" once Reload is enabled
//   reload         clicks Reload
//   allow          ticks "Allow popups for the test page"
//   generate       clicks Generate Code
//   tab N          selects tab N (1 to 3) as a click does
//   launch         clicks Launch in Browser; "opened PATH" follows
//   renderers      "renderers PID..." of the views' pages
//   work           "work FOLDER"
//   ping           "pong"
//   close          closes the window
// ORVANTA_PROBE_PROGRAM_FOLDER stands in for the program's folder.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <set>
#include <unistd.h>
#include <utility>
#include <vector>

#include "modules/host/PreviewPlugin.h"
#include "ui/FrmMain.h"

namespace orvanta {

inline bool PreviewProbeWanted() { return qgetenv("ORVANTA_BENCH") == "preview"; }

inline void Say(const QString& line) {
  std::printf("%s\n", qPrintable(line));
  std::fflush(stdout);
}

inline FrmMainHooks ProbeHooks() {
  FrmMainHooks hooks;
  if (!PreviewProbeWanted()) return hooks;
  hooks.programFolder = qEnvironmentVariable("ORVANTA_PROBE_PROGRAM_FOLDER");
  hooks.shellOpen = [](const QUrl& target) {
    Say(QStringLiteral("opened ") +
        (target.isLocalFile() ? target.toLocalFile() : target.toString()));
  };
  return hooks;
}

class PreviewProbe : public QObject {
 public:
  explicit PreviewProbe(FrmMain& window) : window_(window) {
    if (!PreviewProbeWanted()) return;
    input_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(input_, &QSocketNotifier::activated, this, [this] { ReadInput(); });
    connect(&window_, &FrmMain::previewLoadFinished, this, [this](int view, bool) {
      if (!sinceClick_.isValid()) return;
      loaded_.insert(view);
      if (loaded_.size() == 2) {
        Say(QStringLiteral("loaded %1").arg(static_cast<double>(sinceClick_.nsecsElapsed()) / 1e6));
        sinceClick_.invalidate();
      }
    });
    poll_.setInterval(10);
    connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
    poll_.start();
  }

 private:
  template <class T>
  T* Find(const char* name) const {
    return window_.findChild<T*>(QString::fromLatin1(name));
  }

  static QObject* Page(QWidget* browser) {
    for (QObject* o : browser->findChildren<QObject*>())
      if (o->inherits("QWebEnginePage")) return o;
    return nullptr;
  }

  QString UpperTitle() const {
    PreviewBrowser* browser = window_.browser(0);
    QObject* page = browser != nullptr ? Page(browser->widget()) : nullptr;
    return page != nullptr ? page->property("title").toString() : QString();
  }

  static bool DialogShows() {
    for (QWidget* top : QApplication::topLevelWidgets())
      for (QWidget* w : top->findChildren<QWidget*>(QStringLiteral("pageDialog")))
        if (w->isVisible()) return true;
    return false;
  }

  void ReadInput() {
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0) {
      input_->setEnabled(false);
      return;
    }
    pending_.append(buffer, static_cast<int>(got));
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
      const QString line = QString::fromUtf8(pending_.left(end));
      pending_.remove(0, end + 1);
      // One at a time: a command may wait inside a page's dialog loop.
      QTimer::singleShot(0, this, [this, line] { Run(line); });
    }
  }

  void Run(const QString& line) {
    const QString command = line.section(QLatin1Char(' '), 0, 0);
    const QString rest = line.section(QLatin1Char(' '), 1);
    if (command == QLatin1String("code")) {
      Find<QPlainTextEdit>("txtCode")->setPlainText(
          QString(rest).replace(QLatin1String("\\n"), QLatin1String("\n")));
    } else if (command == QLatin1String("preview")) {
      window_.showMainScreen();
      loaded_.clear();
      sinceClick_.start();
      window_.showPreview();
    } else if (command == QLatin1String("title")) {
      waits_.push_back(
          {[this, rest] { return UpperTitle() == rest; }, QStringLiteral("title ") + rest});
    } else if (command == QLatin1String("dialog")) {
      waits_.push_back({[] { return DialogShows(); }, QStringLiteral("dialog")});
    } else if (command == QLatin1String("stopped")) {
      waits_.push_back({[this] { return Find<QAbstractButton>("cmdPageReload")->isEnabled(); },
                        QStringLiteral("stopped")});
    } else if (command == QLatin1String("reload")) {
      Find<QAbstractButton>("cmdPageReload")->click();
    } else if (command == QLatin1String("allow")) {
      Find<QAbstractButton>("chkAllowPopups")->setChecked(true);
    } else if (command == QLatin1String("generate")) {
      window_.showMainScreen();
      Find<QAbstractButton>("cmdGo_0")->click();
    } else if (command == QLatin1String("tab")) {
      const int tab = rest.toInt();
      if (tab == 1) window_.showMainScreen();
      if (tab == 2) window_.showCode();
      if (tab == 3) window_.showPreview();
    } else if (command == QLatin1String("launch")) {
      Find<QAbstractButton>("cmdsrc_2")->click();
    } else if (command == QLatin1String("renderers")) {
      QStringList pids;
      for (int i = 0; i < 2; ++i) {
        PreviewBrowser* browser = window_.browser(i);
        QObject* page = browser != nullptr ? Page(browser->widget()) : nullptr;
        const qint64 pid = page != nullptr ? page->property("renderProcessPid").toLongLong() : 0;
        if (pid > 0 && !pids.contains(QString::number(pid))) pids << QString::number(pid);
      }
      Say(QStringLiteral("renderers ") + pids.join(QLatin1Char(' ')));
    } else if (command == QLatin1String("work")) {
      Say(QStringLiteral("work ") + window_.workFolder());
    } else if (command == QLatin1String("ping")) {
      Say(QStringLiteral("pong"));
    } else if (command == QLatin1String("close")) {
      window_.close();
    } else {
      Say(QStringLiteral("unknown ") + command);
    }
  }

  void Poll() {
    for (auto it = waits_.begin(); it != waits_.end();) {
      if (it->first()) {
        Say(it->second);
        it = waits_.erase(it);
      } else {
        ++it;
      }
    }
  }

  FrmMain& window_;
  QSocketNotifier* input_ = nullptr;
  QByteArray pending_;
  QElapsedTimer sinceClick_;
  std::set<int> loaded_;
  QTimer poll_;
  std::vector<std::pair<std::function<bool()>, QString>> waits_;
};

}  // namespace orvanta
