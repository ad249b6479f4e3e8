#include "files/FileWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <system_error>

#include "files/Descriptor.h"

namespace orvanta::files {

FileProblem SystemProblem(int code) { return {code, std::system_category().message(code)}; }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

namespace {

constexpr int kMaxLinks = 40;  // as the kernel allows
constexpr int kMaxTempTries = 100;
constexpr std::size_t kMaxNameInTemp = 100;  // keeps the temporary name short enough
constexpr long kProcFileSystem = 0x9fa0;

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* KindOf(mode_t mode) {
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

std::optional<FileProblem> CheckFolder(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return SystemProblem(errno);
  if (!S_ISDIR(st.st_mode)) return SystemProblem(ENOTDIR);
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    return SystemProblem(errno);
  return std::nullopt;
}

// A file is replaced through its folder: the folder is what stops it.
FileProblem FolderStops(const std::string& folder, int code) {
  return {code, "replacing it needs its folder \"" + folder + "\", which cannot be written to (" +
                    std::system_category().message(code) + ")"};
}

std::optional<FileProblem> CheckReplace(const std::string& path, const struct stat& st) {
  const std::string folder = FolderOf(path);
  struct stat dir {};
  if (::stat(folder.c_str(), &dir) != 0) return SystemProblem(errno);
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    return FolderStops(folder, errno);
  const uid_t self = ::geteuid();
  if ((dir.st_mode & S_ISVTX) && self != 0 && self != st.st_uid && self != dir.st_uid) {
    return FileProblem{
        EPERM, "its folder \"" + folder + "\" is sticky, so only the file's owner may replace it"};
  }
  return std::nullopt;
}

std::optional<FileProblem> CheckExisting(const std::string& path, const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return SystemProblem(EISDIR);
  if (!S_ISREG(st.st_mode))
    return FileProblem{EINVAL, std::string("it is ") + KindOf(st.st_mode) + ", not a regular file"};
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return SystemProblem(errno);
  // Root may write anything; a file nobody may write is still meant to stay.
  if ((st.st_mode & 0222) == 0) return SystemProblem(EACCES);
  if (st.st_nlink > 1) {
    return FileProblem{EMLINK, "it has " + std::to_string(st.st_nlink) +
                                   " hard links, and replacing it would leave the other names "
                                   "with the old content; remove the other links first"};
  }
  return CheckReplace(path, st);
}

constexpr const char* kAccessAcl = "system.posix_acl_access";

// The names of a file's extended attributes; none where the file system
// keeps none.
std::optional<FileProblem> AttributeNames(const std::function<ssize_t(char*, size_t)>& list,
                                          std::vector<std::string>& names) {
  names.clear();
  std::string buffer;
  for (;;) {
    const ssize_t size = list(nullptr, 0);
    if (size < 0) {
      if (errno == ENOTSUP) return std::nullopt;
      return SystemProblem(errno);
    }
    buffer.resize(static_cast<std::size_t>(size));
    const ssize_t got = list(buffer.data(), buffer.size());
    if (got >= 0) {
      buffer.resize(static_cast<std::size_t>(got));
      break;
    }
    if (errno != ERANGE) return SystemProblem(errno);
  }
  for (std::size_t at = 0; at < buffer.size();) {
    const std::size_t end = buffer.find('\0', at);
    names.push_back(buffer.substr(at, end - at));
    at = end == std::string::npos ? buffer.size() : end + 1;
  }
  return std::nullopt;
}

FileProblem CannotKeep(const std::string& name, int code) {
  const std::string what =
      name == kAccessAcl ? "its access control list" : "its extended attribute \"" + name + "\"";
  return {code, "cannot keep " + what + " (" + std::system_category().message(code) +
                    "), so it was left as it was"};
}

// Gives the new file exactly the old file's access control list and extended
// attributes, and drops any the folder's default list gave it, so that it
// grants nobody more than the old file did.
std::optional<FileProblem> CopyAttributes(const std::string& from, int to) {
  std::vector<std::string> names;
  if (auto problem = AttributeNames(
          [&](char* list, size_t size) { return ::llistxattr(from.c_str(), list, size); }, names))
    return problem;
  std::string value;
  for (const std::string& name : names) {
    ssize_t size = 0;
    for (;;) {
      size = ::lgetxattr(from.c_str(), name.c_str(), nullptr, 0);
      if (size < 0) return CannotKeep(name, errno);
      value.resize(static_cast<std::size_t>(size));
      size = ::lgetxattr(from.c_str(), name.c_str(), value.data(), value.size());
      if (size >= 0 || errno != ERANGE) break;
    }
    if (size < 0) return CannotKeep(name, errno);
    if (::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) != 0)
      return CannotKeep(name, errno);
  }
  std::vector<std::string> given;
  if (auto problem = AttributeNames(
          [&](char* list, size_t size) { return ::flistxattr(to, list, size); }, given))
    return problem;
  if (std::find(given.begin(), given.end(), kAccessAcl) != given.end() &&
      std::find(names.begin(), names.end(), kAccessAcl) == names.end() &&
      ::fremovexattr(to, kAccessAcl) != 0) {
    return CannotKeep(kAccessAcl, errno);
  }
  return std::nullopt;
}

// `current` ends as the last path looked at, for the message.
std::optional<FileProblem> Resolve(const std::string& path, WriteTarget& target,
                                   std::string& current) {
  current = path;
  if (path.empty()) return FileProblem{ENOENT, "no file name given"};
  for (int links = 0;; ++links) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0) {
      const int error = errno;
      if (error != ENOENT) return SystemProblem(error);
      if (auto problem = CheckFolder(FolderOf(current))) return problem;
      target = WriteTarget{current, false, 0, 0, 0};
      return std::nullopt;
    }
    if (!S_ISLNK(st.st_mode)) {
      if (auto problem = CheckExisting(current, st)) return problem;
      target = WriteTarget{current, true, st.st_mode, st.st_uid, st.st_gid};
      return std::nullopt;
    }
    if (links == kMaxLinks) return SystemProblem(ELOOP);
    struct statfs fs {};
    if (::statfs(FolderOf(current).c_str(), &fs) == 0 && fs.f_type == kProcFileSystem)
      return FileProblem{EINVAL, "it names a file a process has open, not a stored file"};
    std::string link(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096, '\0');
    const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
    if (n < 0) return SystemProblem(errno);
    link.resize(static_cast<std::size_t>(n));
    if (link.empty()) return SystemProblem(ENOENT);
    const bool here = link.front() == '/' || current.find('/') == std::string::npos;
    current = here ? link : FolderOf(current) + "/" + link;
  }
}

std::string RandomName() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(random()));
  return hex;
}

// Temporary files are named ".NAME.PID.RANDOM.tmp".
std::string TempPrefix(const std::string& path) {
  return "." + BaseNameOf(path).substr(0, kMaxNameInTemp) + ".";
}

}  // namespace

int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

void RemoveLeftovers(const WriteTarget& target) {
  const std::string folder = FolderOf(target.Path);
  const std::string prefix = TempPrefix(target.Path);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const pid_t self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.substr(name.size() - 4) != ".tmp") {
      continue;
    }
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name + prefix.size(), &end, 10);
    if (pid <= 0 || *end != '.' || pid == self) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    ::unlink((folder + "/" + entry->d_name).c_str());
  }
  ::closedir(dir);
}

std::optional<FileProblem> FindWriteTarget(const std::string& path, WriteTarget& target) {
  std::string reached;
  auto problem = Resolve(path, target, reached);
  if (problem && reached != path) problem->Reason += " (it links to \"" + reached + "\")";
  return problem;
}

namespace {

// The new content in a temporary file beside the target, flushed and given
// the old file's mode, owner and attributes; `temp` names it.
std::optional<FileProblem> WriteBeside(const WriteTarget& target,
                                       const std::vector<std::string_view>& pieces,
                                       std::string& temp) {
  const std::string folder = FolderOf(target.Path);
  const std::string stem =
      folder + "/" + TempPrefix(target.Path) + std::to_string(::getpid()) + ".";
  int fd = -1;
  for (int tries = 1; fd < 0; ++tries) {
    temp = stem + RandomName() + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || tries == kMaxTempTries)) return SystemProblem(errno);
  }
  Fd out(fd);
  const auto fail = [&](int error) {
    if (out.Get() >= 0) out.Close();
    ::unlink(temp.c_str());
    return SystemProblem(error);
  };
  // Content first: a write clears set-id bits and file capabilities, a new
  // owner clears them too, and the mode sets the group bits the access list
  // then sets again from its mask. So: content, owner, mode, attributes.
  for (std::string_view piece : pieces) {
    if (int error = WriteAll(out.Get(), piece)) return fail(error);
  }
  if (target.Exists) {
    if (target.Owner != ::geteuid() || target.Group != ::getegid()) {
      // Only a privileged writer can keep another owner; others still write.
      [[maybe_unused]] const int kept = ::fchown(out.Get(), target.Owner, target.Group);
    }
    if (::fchmod(out.Get(), target.Mode & 07777) != 0) return fail(errno);
    if (auto problem = CopyAttributes(target.Path, out.Get())) {
      out.Close();
      ::unlink(temp.c_str());
      return problem;
    }
  }
  if (::fsync(out.Get()) != 0) return fail(errno);
  if (out.Close() != 0) return fail(errno);
  return std::nullopt;
}

// A second name for an existing file, named as the temporary files are, so
// that RemoveLeftovers takes it away should the writer be killed; empty when
// the file system has no hard links.
std::string KeepAside(const std::string& path) {
  const std::string stem =
      FolderOf(path) + "/" + TempPrefix(path) + std::to_string(::getpid()) + ".";
  for (int tries = 0; tries < kMaxTempTries; ++tries) {
    const std::string name = stem + RandomName() + ".tmp";
    if (::link(path.c_str(), name.c_str()) == 0) return name;
    if (errno != EEXIST) break;
  }
  return {};
}

std::optional<FileProblem> PutInPlace(const WriteTarget& target, const std::string& temp) {
  if (::rename(temp.c_str(), target.Path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    if (target.Exists && (error == EACCES || error == EPERM))
      return FolderStops(FolderOf(target.Path), error);
    return SystemProblem(error);
  }
  return std::nullopt;
}

// Makes the renames themselves durable; the new files are in place either way.
void FlushFolder(const std::string& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
}

}  // namespace

std::optional<FileProblem> ReplaceFile(const WriteTarget& target,
                                       const std::vector<std::string_view>& pieces) {
  std::string temp;
  if (auto problem = WriteBeside(target, pieces, temp)) return problem;
  if (auto problem = PutInPlace(target, temp)) return problem;
  FlushFolder(FolderOf(target.Path));
  return std::nullopt;
}

std::optional<FileProblem> ReplaceFiles(const std::vector<PlannedFile>& files, std::size_t& failed,
                                        std::size_t& replaced) {
  replaced = 0;
  std::vector<std::string> temps;
  const auto dropTemps = [&temps](std::size_t from) {
    for (std::size_t i = from; i < temps.size(); ++i) ::unlink(temps[i].c_str());
  };
  for (failed = 0; failed < files.size(); ++failed) {
    std::string temp;
    if (auto problem = WriteBeside(files[failed].Target, files[failed].Pieces, temp)) {
      dropTemps(0);
      return problem;
    }
    temps.push_back(temp);
  }
  // Each existing target keeps a second name until all are in place, so that
  // a rename failing midway can put back the ones before it.
  std::vector<std::string> keeps(files.size());
  for (std::size_t i = 0; i < files.size(); ++i)
    if (files[i].Target.Exists) keeps[i] = KeepAside(files[i].Target.Path);
  const auto dropKeeps = [&keeps] {
    for (const std::string& keep : keeps)
      if (!keep.empty()) ::unlink(keep.c_str());
  };
  for (failed = 0; failed < files.size(); ++failed) {
    if (auto problem = PutInPlace(files[failed].Target, temps[failed])) {
      dropTemps(failed + 1);
      for (std::size_t i = failed; i-- > 0;) {
        const WriteTarget& target = files[i].Target;
        const bool back = target.Exists ? !keeps[i].empty() &&
                                              ::rename(keeps[i].c_str(), target.Path.c_str()) == 0
                                        : ::unlink(target.Path.c_str()) == 0;
        if (!back) continue;
        keeps[i].clear();
        --replaced;
      }
      dropKeeps();
      return problem;
    }
    ++replaced;
  }
  dropKeeps();
  std::vector<std::string> flushed;
  for (const PlannedFile& file : files) {
    const std::string folder = FolderOf(file.Target.Path);
    if (std::find(flushed.begin(), flushed.end(), folder) != flushed.end()) continue;
    FlushFolder(folder);
    flushed.push_back(folder);
  }
  return std::nullopt;
}

FolderLock::FolderLock(const std::string& folder) {
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    problem_ = SystemProblem(errno);
    return;
  }
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      problem_ = SystemProblem(errno);
      return;
    }
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<FileProblem> WriteFile(const std::string& path, std::string_view bytes) {
  WriteTarget target;
  if (auto problem = FindWriteTarget(path, target)) return problem;
  RemoveLeftovers(target);
  return ReplaceFile(target, {bytes});
}

}  // namespace orvanta::files
