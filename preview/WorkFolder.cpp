#include "preview/WorkFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <system_error>
#include <utility>
#include <vector>

#include "files/FileProblem.h"
#include "preview/TestPages.h"
#include "preview/TextFile.h"

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
// (in two containers) never pick one name. A forked child is another
// instance and gets a tag of its own.
std::string ProcessTag() {
  static std::mutex mutex;
  static pid_t owner = 0;
  static std::string tag;
  const std::lock_guard<std::mutex> guard(mutex);
  if (owner != ::getpid()) {
    owner = ::getpid();
    std::random_device random;
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    tag = std::to_string(owner) + "-";
    for (int i = 0; i < 6; ++i) tag += kDigits[random() % 36];
  }
  return tag;
}

// "work-HOST-TAG": the host name only helps a reader.
std::string InstanceName() { return kInstancePrefix + HostName() + "-" + ProcessTag(); }

std::string LaunchLockName() { return kLaunchLockPrefix + ProcessTag() + ".lock"; }

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

// A lock held for as long as this object lives.
class HeldLock {
 public:
  HeldLock() = default;
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;
  ~HeldLock() { Release(); }
  // Takes over what `other` holds.
  void Take(HeldLock& other) {
    Release();
    std::swap(fd_, other.fd_);
    std::swap(path_, other.path_);
  }
  bool Held() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }

  // Makes `lockFile` and holds its lock. The file is locked under a name of
  // its own first and appears under `lockFile` already locked: a sweep of
  // another instance never finds it free, and takes a folder without it for
  // one still being made.
  std::optional<files::FileProblem> Create(const std::string& lockFile) {
    std::string made = lockFile + "-XXXXXX";
    const int fd = ::mkostemp(made.data(), O_CLOEXEC);
    if (fd < 0) return files::SystemProblem(errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::rename(made.c_str(), lockFile.c_str()) != 0) {
      const int error = errno;
      ::close(fd);
      ::unlink(made.c_str());
      return files::SystemProblem(error);
    }
    Release();
    fd_ = fd;
    path_ = lockFile;
    return std::nullopt;
  }

  void Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

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
      RemoveIfUnlocked(path + "/" + kLockName, [&] { std::filesystem::remove_all(path, ignored); });
    } else if (StartsWith(name, kLaunchLockPrefix) && name.size() > 5 &&
               name.compare(name.size() - 5, 5, ".lock") == 0) {
      const std::string tag = name.substr(std::strlen(kLaunchLockPrefix),
                                          name.size() - 5 - std::strlen(kLaunchLockPrefix));
      RemoveIfUnlocked(path, [&] {
        for (const std::string& page : names)
          if (StartsWith(page, kLaunchPrefix + tag + "-")) ::unlink((folder + "/" + page).c_str());
        ::unlink(path.c_str());
      });
    }
  }
}

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
  static const char* const kSystemFolders[] = {
      "/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/local/bin", "/usr/local/sbin", "/usr/games"};
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

namespace {

bool UsesProgramFolder(const std::string& programFolder) {
  return IsBuildTree(programFolder) && !IsSystemProgramFolder(programFolder) &&
         IsWritableFolder(programFolder);
}

std::string InstanceFolderIn(const std::string& dataFolder) {
  // Each window of one process has a folder of its own too.
  static std::atomic<int> windows{0};
  const int window = ++windows;
  return CleanPath(dataFolder) + "/" + InstanceName() +
         (window > 1 ? "-" + std::to_string(window) : std::string());
}

}  // namespace

std::string ChooseWorkFolder(const std::string& programFolder, const std::string& dataFolder) {
  if (UsesProgramFolder(programFolder)) return CleanPath(programFolder) + "/";
  return InstanceFolderIn(dataFolder) + "/";
}

std::string LaunchPageName(int number) {
  return kLaunchPrefix + ProcessTag() + "-" + std::to_string(number) + ".htm";
}

class WorkFolder::Policy {
 public:
  virtual ~Policy() = default;
  // The folder exists and this instance's lock is held. Idempotent.
  virtual std::optional<files::FileProblem> Prepare() = 0;
  // Where other instances' leftovers lie.
  virtual std::string SweptFolder() const = 0;
  // What this instance wrote goes, and the lock with it.
  virtual void Remove() = 0;
};

namespace {

// A folder of this instance's own in the per-user data folder, locked by
// the `.lock` inside it.
class OwnFolder final : public WorkFolder::Policy {
 public:
  explicit OwnFolder(std::string folder)
      : folder_(std::move(folder)),
        parent_(std::filesystem::path(folder_).parent_path().string()) {}

  std::optional<files::FileProblem> Prepare() override {
    struct stat st {};
    if (lock_.Held() && ::stat(folder_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      return std::nullopt;
    std::error_code error;
    if (!std::filesystem::exists(parent_, error)) {
      std::filesystem::create_directories(std::filesystem::path(parent_).parent_path(), error);
      if (::mkdir(parent_.c_str(), 0700) != 0 && errno != EEXIST)
        return files::SystemProblem(errno);
    }
    return MakeLocked();
  }

  std::string SweptFolder() const override { return parent_; }

  void Remove() override {
    if (!lock_.Held()) return;
    for (const char* name : {kTestPageName, kLinkTestPageName, kGoButtonName})
      ::unlink((folder_ + "/" + name).c_str());
    // Without its lock file no sweep touches the folder, so the file system
    // alone says whether launched pages keep it: they stay for the browser,
    // with a free lock beside them for the next start to find.
    const std::string lockFile = folder_ + "/" + kLockName;
    ::unlink(lockFile.c_str());
    if (::rmdir(folder_.c_str()) != 0 && (errno == ENOTEMPTY || errno == EEXIST)) {
      const int fd = ::open(lockFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
      if (fd >= 0) ::close(fd);
    }
    lock_.Release();
  }

 private:
  // Made under another name with its lock already held inside, so that no
  // other instance ever sees it unlocked.
  std::optional<files::FileProblem> MakeLocked() {
    std::string made = parent_ + "/" + kNewPrefix + "XXXXXX";
    if (::mkdtemp(made.data()) == nullptr) return files::SystemProblem(errno);
    HeldLock lock;
    auto problem = lock.Create(made + "/" + kLockName);
    if (!problem && ::rename(made.c_str(), folder_.c_str()) != 0)
      problem = files::SystemProblem(errno);
    if (problem) {
      std::error_code ignored;
      std::filesystem::remove_all(made, ignored);
      return problem;
    }
    // The lock stays with the open file, whatever its folder is called now.
    lock_.Take(lock);
    return std::nullopt;
  }

  std::string folder_;
  std::string parent_;
  HeldLock lock_;
};

// The shared folder of a build tree: a lock per instance marks its launched
// pages there as in use.
class SharedFolder final : public WorkFolder::Policy {
 public:
  explicit SharedFolder(std::string folder) : folder_(std::move(folder)) {}

  std::optional<files::FileProblem> Prepare() override {
    struct stat st {};
    if (lock_.Held() && ::stat(LockFile().c_str(), &st) == 0) return std::nullopt;
    if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) return files::SystemProblem(errno);
    return lock_.Create(LockFile());
  }

  std::string SweptFolder() const override { return folder_; }

  void Remove() override {
    // Our launched pages stay for the browser; the lock goes with the last.
    bool pagesLeft = false;
    for (const std::string& name : Entries(folder_))
      pagesLeft = pagesLeft || StartsWith(name, kLaunchPrefix + ProcessTag() + "-");
    if (!pagesLeft && lock_.Held()) ::unlink(LockFile().c_str());
    lock_.Release();
  }

 private:
  std::string LockFile() const { return folder_ + "/" + LaunchLockName(); }

  std::string folder_;
  HeldLock lock_;
};

}  // namespace

WorkFolder::WorkFolder(const std::string& programFolder, const std::string& dataFolder) {
  if (UsesProgramFolder(programFolder)) {
    path_ = CleanPath(programFolder) + "/";
    policy_ = std::make_unique<SharedFolder>(CleanPath(programFolder));
  } else {
    const std::string own = InstanceFolderIn(dataFolder);
    path_ = own + "/";
    policy_ = std::make_unique<OwnFolder>(own);
  }
}

WorkFolder::~WorkFolder() {
  WaitForSweep();
  policy_->Remove();
}

void WorkFolder::StartSweep() {
  if (swept_) return;
  swept_ = true;
  sweep_ = std::thread([folder = policy_->SweptFolder()] { RemoveLeftoversIn(folder); });
}

void WorkFolder::WaitForSweep() {
  if (sweep_.joinable()) sweep_.join();
}

PageWriter WorkFolder::LockPages() {
  if (auto problem = policy_->Prepare())
    throw FileWriteError("Cannot make \"" + path_ + "\": " + problem->Reason);
  PageWriter pages(path_);
  pages.EnsureGoButton();
  return pages;
}

}  // namespace orvanta
