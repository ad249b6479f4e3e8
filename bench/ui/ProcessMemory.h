#pragma once

// Proportional set size of a process and every process it started, read from
// /proc: a page shared by several processes counts once in their sum.

#include <QDir>
#include <QFile>
#include <QString>
#include <map>
#include <set>
#include <vector>

namespace orvanta::bench {

struct ProcessPss {
  int pid = 0;
  long kb = 0;
  QString role;  // the program's name, or what the engine process does
};

inline QByteArray ReadProcFile(int pid, const char* name) {
  QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline long PssKb(int pid) {
  for (const QByteArray& line : ReadProcFile(pid, "smaps_rollup").split('\n'))
    if (line.startsWith("Pss:")) return line.mid(4).trimmed().split(' ').value(0).toLong();
  return -1;
}

// Memory no other process maps: unlike PSS, it does not move when other
// programs happen to share the engine's library pages.
inline long PrivateKb(int pid) {
  long kb = 0;
  for (const QByteArray& line : ReadProcFile(pid, "smaps_rollup").split('\n'))
    if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
      kb += line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toLong();
  return kb;
}

inline QString CommandRole(int pid) {
  const QList<QByteArray> args = ReadProcFile(pid, "cmdline").split('\0');
  for (const QByteArray& arg : args) {
    if (!arg.startsWith("--type=")) continue;
    QString role = QString::fromLatin1(arg.mid(7));
    if (args.contains("--no-zygote-sandbox")) role += QStringLiteral(" for unsandboxed helpers");
    return role;
  }
  return QString::fromLatin1(args.value(0).split('/').last());
}

inline std::vector<int> AllProcesses() {
  std::vector<int> pids;
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    bool numeric = false;
    const int pid = entry.toInt(&numeric);
    if (numeric) pids.push_back(pid);
  }
  return pids;
}

inline std::vector<ProcessPss> ProcessTreePss(int root) {
  std::map<int, int> parentOf;
  for (const int pid : AllProcesses()) {
    // The parent is the second field after the command name in parentheses.
    const QByteArray stat = ReadProcFile(pid, "stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1) parentOf[pid] = fields[1].toInt();
  }
  std::set<int> parents;
  for (const auto& entry : parentOf) parents.insert(entry.second);
  std::vector<ProcessPss> tree;
  for (const auto& [pid, parent] : parentOf) {
    int up = pid;
    while (up > 1 && up != root) up = parentOf.count(up) != 0 ? parentOf[up] : 0;
    if (up != root) continue;
    const long kb = PssKb(pid);
    if (kb < 0) continue;
    QString role = CommandRole(pid);
    // A zygote forks renderers that keep its command line.
    if (pid != root && parents.count(pid) == 0 && CommandRole(parent) == role &&
        role == QLatin1String("zygote")) {
      role = QStringLiteral("renderer");
    }
    tree.push_back({pid, kb, role});
  }
  return tree;
}

// Processes outside `tree` that map `library`: their share of its pages is
// missing from the tree's sum, which then reads low.
inline int OthersMapping(const std::vector<ProcessPss>& tree, const char* library) {
  std::set<int> inside;
  for (const ProcessPss& process : tree) inside.insert(process.pid);
  int others = 0;
  for (const int pid : AllProcesses())
    if (inside.count(pid) == 0 && ReadProcFile(pid, "maps").contains(library)) ++others;
  return others;
}

}  // namespace orvanta::bench
