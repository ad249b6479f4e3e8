#include "preview/WorkFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <system_error>
#include <vector>

#include "preview/TestPages.h"

namespace orvanta {

namespace {

constexpr const char* kInstancePrefix = "work-";
constexpr const char* kLaunchPrefix = "launch-";

std::string CleanPath(const std::string& path) {
  std::string clean = std::filesystem::path(path).lexically_normal().string();
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  return clean;
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "host";
  std::string host = name;
  for (char& c : host)
    if (c == '/' || c == '-') c = '_';
  return host;
}

// Told apart by what a process of theirs holds, never by process numbers:
// instances in other containers sharing the folder have numbers of their
// own, which may even be ours.
constexpr const char* kLockName = ".lock";
constexpr const char* kLaunchLockPrefix = ".launch-";
constexpr const char* kNewPrefix = ".new-";

// The process number and a random part, so two processes with one number
// (in two containers) never pick one name.
const std::string& ProcessTag() {
  static const std::string tag = [] {
    std::random_device random;
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string text = std::to_string(::getpid()) + "-";
    for (int i = 0; i < 6; ++i) text += kDigits[random() % 36];
    return text;
  }();
  return tag;
}

// "work-HOST-TAG": the host name only helps a reader.
std::string InstanceName() { return kInstancePrefix + HostName() + "-" + ProcessTag(); }

std::string LaunchLockName() { return kLaunchLockPrefix + ProcessTag() + ".lock"; }

// The locks this process holds until it ends, by the path of the lock file.
std::mutex g_locksMutex;
std::map<std::string, int> g_locks;

int OpenAndLock(const std::string& lockFile, int flags) {
  const int fd = ::open(lockFile.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error == EWOULDBLOCK ? EBUSY : error;
    return -1;
  }
  return fd;
}

// Takes the lock for good; errno EBUSY when another process holds it.
bool HoldLock(const std::string& lockFile) {
  const std::lock_guard<std::mutex> guard(g_locksMutex);
  if (g_locks.count(lockFile) != 0) return true;
  const int fd = OpenAndLock(lockFile, O_RDWR | O_CREAT);
  if (fd < 0) return false;
  g_locks[lockFile] = fd;
  return true;
}

bool Holds(const std::string& lockFile) {
  const std::lock_guard<std::mutex> guard(g_locksMutex);
  return g_locks.count(lockFile) != 0;
}

void ReleaseLock(const std::string& lockFile) {
  const std::lock_guard<std::mutex> guard(g_locksMutex);
  const auto held = g_locks.find(lockFile);
  if (held == g_locks.end()) return;
  ::close(held->second);
  g_locks.erase(held);
}

// Runs `remove` while holding the lock, when no one else holds it. A lock
// file that is missing belongs to something still being made.
void RemoveIfUnlocked(const std::string& lockFile, const std::function<void()>& remove) {
  const int fd = OpenAndLock(lockFile, O_RDONLY);
  if (fd < 0) return;
  remove();
  ::close(fd);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  return names;
}

}  // namespace

void RemoveLeftoversIn(const std::string& folder) {
  const std::vector<std::string> names = Entries(folder);
  std::error_code ignored;
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    if (StartsWith(name, kInstancePrefix) || StartsWith(name, kNewPrefix)) {
      RemoveIfUnlocked(path + "/" + kLockName,
                       [&] { std::filesystem::remove_all(path, ignored); });
    } else if (StartsWith(name, kLaunchLockPrefix) && name.size() > 5 &&
               name.compare(name.size() - 5, 5, ".lock") == 0) {
      const std::string tag =
          name.substr(std::strlen(kLaunchLockPrefix), name.size() - 5 - std::strlen(kLaunchLockPrefix));
      RemoveIfUnlocked(path, [&] {
        for (const std::string& page : names)
          if (StartsWith(page, kLaunchPrefix + tag + "-")) ::unlink((folder + "/" + page).c_str());
        ::unlink(path.c_str());
      });
    }
  }
}

namespace {

// Makes the instance's folder with its lock already held inside, so that no
// other instance ever sees it unlocked.
std::optional<files::FileProblem> MakeLockedFolder(const std::string& folder) {
  const std::string parent = std::filesystem::path(folder).parent_path().string();
  std::string made = parent + "/" + kNewPrefix + "XXXXXX";
  if (::mkdtemp(made.data()) == nullptr) return files::SystemProblem(errno);
  const int fd = OpenAndLock(made + "/" + kLockName, O_RDWR | O_CREAT);
  if (fd < 0 || ::rename(made.c_str(), folder.c_str()) != 0) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    std::error_code ignored;
    std::filesystem::remove_all(made, ignored);
    return files::SystemProblem(error);
  }
  const std::lock_guard<std::mutex> guard(g_locksMutex);
  g_locks[folder + "/" + kLockName] = fd;
  return std::nullopt;
}

bool IsInstanceFolder(const std::string& folder) {
  return StartsWith(std::filesystem::path(folder).filename().string(), kInstancePrefix);
}

}  // namespace

bool IsWritableFolder(const std::string& folder) {
  struct stat st {};
  if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  // Root passes every permission check, so only a real file tells.
  std::string probe = CleanPath(folder) + "/.orvanta-probe-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

bool IsSystemProgramFolder(const std::string& folder) {
  static const char* const kSystemFolders[] = {"/bin",           "/sbin",           "/usr/bin",
                                               "/usr/sbin",      "/usr/local/bin",  "/usr/local/sbin",
                                               "/usr/games"};
  std::error_code error;
  const std::string real = std::filesystem::canonical(folder, error).string();
  if (error) return false;
  for (const char* system : kSystemFolders)
    if (real == system) return true;
  return false;
}

bool IsBuildTree(const std::string& programFolder) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::canonical(programFolder, error);
  if (error) return false;
  for (int up = 0; up < 3 && !folder.empty(); ++up) {
    if (std::filesystem::is_regular_file(folder / "CMakeCache.txt", error)) return true;
    if (folder == folder.parent_path()) break;
    folder = folder.parent_path();
  }
  return false;
}

std::string ChooseWorkFolder(const std::string& programFolder, const std::string& dataFolder) {
  if (IsBuildTree(programFolder) && !IsSystemProgramFolder(programFolder) &&
      IsWritableFolder(programFolder))
    return CleanPath(programFolder) + "/";
  // Each window of one process has a folder of its own too.
  static std::atomic<int> windows{0};
  const int window = ++windows;
  return CleanPath(dataFolder) + "/" + InstanceName() +
         (window > 1 ? "-" + std::to_string(window) : std::string()) + "/";
}

std::optional<files::FileProblem> PrepareWorkFolder(const std::string& workFolder) {
  const std::string folder = CleanPath(workFolder);
  const std::string parent = std::filesystem::path(folder).parent_path().string();
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) return files::SystemProblem(ENOTDIR);
    // An instance folder is ours alone; a build-tree folder is shared, and
    // a lock of ours there marks our launch pages as in use.
    const std::string lock =
        IsInstanceFolder(folder) ? folder + "/" + kLockName : folder + "/" + LaunchLockName();
    if (!HoldLock(lock)) return files::SystemProblem(errno);
    RemoveLeftoversIn(IsInstanceFolder(folder) ? parent : folder);
    return std::nullopt;
  }
  std::error_code error;
  if (!std::filesystem::exists(parent, error)) {
    std::filesystem::create_directories(std::filesystem::path(parent).parent_path(), error);
    if (::mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST)
      return files::SystemProblem(errno);
  }
  RemoveLeftoversIn(parent);
  if (!IsInstanceFolder(folder)) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return files::SystemProblem(errno);
    return HoldLock(folder + "/" + LaunchLockName()) ? std::nullopt
                                                      : std::optional(files::SystemProblem(errno));
  }
  return MakeLockedFolder(folder);
}

void RemoveWorkFolder(const std::string& workFolder) {
  const std::string folder = CleanPath(workFolder);
  if (!IsInstanceFolder(folder)) {
    // Our launch pages stay for the browser; the lock goes with the last.
    const std::string lock = folder + "/" + LaunchLockName();
    bool pagesLeft = false;
    for (const std::string& name : Entries(folder))
      pagesLeft = pagesLeft || StartsWith(name, kLaunchPrefix + ProcessTag() + "-");
    if (!pagesLeft && Holds(lock)) ::unlink(lock.c_str());
    ReleaseLock(lock);
    return;
  }
  for (const char* name : {kTestPageName, kLinkTestPageName, kGoButtonName})
    ::unlink((folder + "/" + name).c_str());
  const std::string lock = folder + "/" + kLockName;
  // Launch pages keep the folder, unlocked, for the next start to remove.
  if (Entries(folder).size() == 3 && Holds(lock)) {
    ::unlink(lock.c_str());
    ::rmdir(folder.c_str());
  }
  ReleaseLock(lock);
}

std::string LaunchPageName(int number) {
  return kLaunchPrefix + ProcessTag() + "-" + std::to_string(number) + ".htm";
}

}  // namespace orvanta
