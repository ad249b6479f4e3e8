#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace orvanta::browsers {

// The processes of one engine's check and the temporary folder that holds
// their profile, home and temporary files. Every process started here, and
// everything those start, carries a tag in its environment; a guardian
// process of its own session ends them all and removes the folder when this
// object goes, and also when the program is killed (its pipe then closes).
class EngineProcesses {
 public:
  EngineProcesses();
  ~EngineProcesses();
  EngineProcesses(const EngineProcesses&) = delete;
  EngineProcesses& operator=(const EngineProcesses&) = delete;

  // False, with the reason, when the folder or the guardian cannot be made.
  bool Ready(QString* why) const;
  QString Folder() const { return folder_.path(); }

  // Starts a program with the tag, HOME, TMPDIR and XDG folders inside the
  // temporary folder. Returns null, with the reason, when it did not start.
  QProcess* Start(const QString& program, const QStringList& args, QString* why,
                  const QProcessEnvironment& extra = {});

  // A private X server for an engine that cannot run headless; its display
  // name (":N"), or empty with the reason.
  QString StartDisplay(QString* why);

  // Ends every tagged process and removes the folder now.
  void End();

  // The name of the environment variable carrying the tag; every check
  // process has it, which is how they are found.
  static const char* TagVariable();

 private:
  QTemporaryDir folder_;
  QString tag_;
  std::unique_ptr<QProcess> guardian_;
  std::vector<std::unique_ptr<QProcess>> started_;
};

}  // namespace orvanta::browsers
