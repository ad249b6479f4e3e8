#include "ini/PrivateProfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>

namespace orvanta::profile {

namespace {

thread_local int tLastError = 0;

void SetError(int code) { tLastError = code; }

// Closes a descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now, reporting a failure (a delayed write error shows up here).
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

// A whole file's bytes, read without first clearing the buffer.
struct Bytes {
  std::unique_ptr<char[]> Data;
  std::size_t Size = 0;
  std::string_view View() const { return {Data.get(), Size}; }
};

// Reads what `fd` holds from its start; returns 0 or an errno value.
int ReadAll(int fd, Bytes& out) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  std::size_t capacity = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096;
  out.Data.reset(new char[capacity]);
  out.Size = 0;
  for (;;) {
    if (out.Size == capacity) {  // the file grew since fstat
      std::unique_ptr<char[]> bigger(new char[capacity * 2]);
      std::copy(out.Data.get(), out.Data.get() + out.Size, bigger.get());
      out.Data = std::move(bigger);
      capacity *= 2;
    }
    const ssize_t n =
        ::pread(fd, out.Data.get() + out.Size, capacity - out.Size, static_cast<off_t>(out.Size));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    out.Size += static_cast<std::size_t>(n);
  }
}

int ReadFile(const std::string& file, Bytes& out) {
  Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return errno;
  return ReadAll(fd.Get(), out);
}

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

// Writes the original text with the edit applied, piece by piece.
int WriteEdited(int fd, std::string_view text, const Edit& edit) {
  std::size_t pos = 0;
  for (const Splice& s : edit) {
    if (int rc = WriteAll(fd, text.substr(pos, s.Offset - pos))) return rc;
    if (int rc = WriteAll(fd, s.Text)) return rc;
    pos = s.Offset + s.Length;
  }
  return WriteAll(fd, text.substr(pos));
}

// A symbolic link is written through, so the link itself survives.
std::string TargetOf(const std::string& file) {
  struct stat st {};
  if (::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(file.c_str(), nullptr)) {
      std::string target(real);
      std::free(real);
      return target;
    }
  }
  return file;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Opens and exclusively locks the file that `path` names at the moment the
// lock is held: a writer that renamed a new file over the path while we
// waited leaves us holding a lock on the old one, so we start again.
int OpenLocked(const std::string& path, bool create, Fd& fd, bool& created, bool& missing) {
  created = false;
  missing = false;
  for (;;) {
    fd.Reset(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.Get() < 0 && errno == ENOENT) {
      if (!create) {
        missing = true;
        return 0;
      }
      fd.Reset(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (fd.Get() < 0 && errno == EEXIST) continue;
      created = fd.Get() >= 0;
    }
    if (fd.Get() < 0) return errno;
    while (::flock(fd.Get(), LOCK_EX) != 0) {
      if (errno != EINTR) return errno;
    }
    struct stat held {};
    struct stat named {};
    if (::fstat(fd.Get(), &held) != 0) return errno;
    if (::stat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino) {
      return 0;
    }
    created = false;
  }
}

// Read-modify-write of one file under its lock; `change` returns the edit.
bool Modify(const std::string& file, bool create,
            const std::function<Edit(std::string_view)>& change) {
  const std::string path = TargetOf(file);
  Fd fd;
  bool created = false;
  bool missing = false;
  if (int rc = OpenLocked(path, create, fd, created, missing)) {
    SetError(rc);
    return false;
  }
  if (missing) {  // nothing to delete
    SetError(0);
    return true;
  }

  // A file we made only to lock goes again if we fail.
  const auto fail = [&](int rc) {
    if (created) ::unlink(path.c_str());
    SetError(rc);
    return false;
  };

  // Only the holder of the lock writes this file, so one name per target
  // will do, and what a writer killed midway left behind goes now. Should
  // it stay, creating it below fails.
  const std::string temp = FolderOf(path) + "/." + BaseNameOf(path) + ".partial";
  ::unlink(temp.c_str());

  Bytes old;
  if (int rc = ReadAll(fd.Get(), old)) return fail(rc);
  const Edit edit = change(old.View());
  if (edit.empty()) {
    SetError(0);
    return true;
  }

  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return fail(errno);
  Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (out.Get() < 0) return fail(errno);
  const auto failTemp = [&](int rc) {
    out.Reset();
    ::unlink(temp.c_str());
    return fail(rc);
  };
  if (int rc = WriteEdited(out.Get(), old.View(), edit)) return failTemp(rc);
  if (::fchmod(out.Get(), st.st_mode & 07777) != 0) return failTemp(errno);
  if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
    // Only a privileged writer can keep another owner; others still write.
    [[maybe_unused]] const int kept = ::fchown(out.Get(), st.st_uid, st.st_gid);
  }
  if (::fsync(out.Get()) != 0) return failTemp(errno);
  if (out.Close() != 0) return failTemp(errno);
  if (::rename(temp.c_str(), path.c_str()) != 0) return failTemp(errno);

  // Make the rename itself durable; the new file is in place either way.
  Fd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) ::fsync(folder.Get());
  SetError(0);
  return true;
}

}  // namespace

int LastError() { return tLastError; }

std::size_t ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string& value,
                              const std::string& file) {
  Bytes bytes;
  if (int rc = ReadFile(file, bytes)) {
    SetError(rc);
    value.assign(defaultValue);
    return value.size();
  }
  const ValueResult found = FindValue(bytes.View(), section, key);
  if (found.Result != Lookup::Found) {
    SetError(ENOENT);
    value.assign(defaultValue);
    return value.size();
  }
  SetError(0);
  value.assign(found.Value);
  return value.size();
}

std::size_t ReadProfileSection(std::string_view section, std::vector<std::string>& entries,
                               const std::string& file) {
  Bytes bytes;
  if (int rc = ReadFile(file, bytes)) {
    SetError(rc);
    return 0;
  }
  auto found = SectionEntries(bytes.View(), section);
  if (!found) {
    SetError(ENOENT);
    return 0;
  }
  SetError(0);
  if (found->empty()) return 0;
  entries = std::move(*found);
  return entries.size();
}

std::size_t ReadProfileSectionNames(std::vector<std::string>& names, const std::string& file) {
  Bytes bytes;
  if (int rc = ReadFile(file, bytes)) {
    SetError(rc);
    return 0;
  }
  std::vector<std::string> found = SectionNames(bytes.View());
  SetError(found.empty() ? ENOENT : 0);
  if (found.empty()) return 0;
  names = std::move(found);
  return names.size();
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& file) {
  if (SectionNameProblem(section) || KeyProblem(key) || ValueProblem(key, value)) {
    SetError(EINVAL);
    return false;
  }
  return Modify(file, true,
                [&](std::string_view text) { return SetValue(text, section, key, value); });
}

bool DeleteProfileKey(std::string_view section, std::string_view key, const std::string& file) {
  if (SectionNameProblem(section) || KeyProblem(key)) {
    SetError(EINVAL);
    return false;
  }
  return Modify(file, false, [&](std::string_view text) { return RemoveKey(text, section, key); });
}

bool DeleteProfileSection(std::string_view section, const std::string& file) {
  if (SectionNameProblem(section)) {
    SetError(EINVAL);
    return false;
  }
  return Modify(file, false, [&](std::string_view text) { return RemoveSection(text, section); });
}

bool WriteProfileSection(std::string_view section, const std::vector<KeyValue>& entries,
                         const std::string& file) {
  if (SectionNameProblem(section)) {
    SetError(EINVAL);
    return false;
  }
  for (const auto& [key, value] : entries) {
    if (KeyProblem(key) || ValueProblem(key, value)) {
      SetError(EINVAL);
      return false;
    }
  }
  return Modify(file, true,
                [&](std::string_view text) { return ReplaceSection(text, section, entries); });
}

}  // namespace orvanta::profile
