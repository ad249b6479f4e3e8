#include "ini/PrivateProfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <system_error>

#include "files/Descriptor.h"
#include "files/FileWriter.h"
#include "files/SettingsReader.h"

namespace orvanta::profile {

namespace {

// Each round waits for the lock and starts again only when another writer
// replaced or created the file meanwhile, so this many rounds mean the file
// is being changed faster than we can keep up.
constexpr int kMaxLockRounds = 10000;

thread_local int tLastError = 0;
thread_local std::string tLastErrorText;

void SetError(int code) {
  tLastError = code;
  tLastErrorText.clear();
}

bool Fail(const files::FileProblem& problem) {
  tLastError = problem.Code;
  tLastErrorText = problem.Reason;
  return false;
}

bool Succeed() {
  SetError(0);
  return true;
}

bool ReadFile(const std::string& file, files::FileBytes& out) {
  if (auto problem = files::ReadSettingsFile(file, out)) return Fail(*problem);
  return true;
}

// The original text with the edit applied, as pieces of both.
std::vector<std::string_view> EditedPieces(std::string_view text, const Edit& edit) {
  std::vector<std::string_view> pieces;
  pieces.reserve(edit.size() * 2 + 1);
  std::size_t pos = 0;
  for (const Splice& s : edit) {
    pieces.push_back(text.substr(pos, s.Offset - pos));
    pieces.push_back(s.Text);
    pos = s.Offset + s.Length;
  }
  pieces.push_back(text.substr(pos));
  return pieces;
}

// Locks what a write to the target would replace: the file, or while it is
// missing its folder, so that the lock never creates the file. True when the
// lock is held on what the path still names; false when another writer
// replaced or created the file while we waited.
bool LockTarget(const files::WriteTarget& target, files::Fd& lock, int& error) {
  error = 0;
  const std::string what = target.Exists ? target.Path : files::FolderOf(target.Path);
  lock.Reset(::open(what.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK |
                                      (target.Exists ? O_NOFOLLOW : O_DIRECTORY)));
  if (lock.Get() < 0) {
    if (errno == ENOENT || errno == ELOOP) return false;  // changed under us
    error = errno;
    return false;
  }
  while (::flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) {
      error = errno;
      return false;
    }
  }
  struct stat named {};
  const bool present = ::lstat(target.Path.c_str(), &named) == 0;
  if (!target.Exists) return !present;
  struct stat held {};
  if (::fstat(lock.Get(), &held) != 0) {
    error = errno;
    return false;
  }
  return present && S_ISREG(held.st_mode) && named.st_dev == held.st_dev &&
         named.st_ino == held.st_ino;
}

// Read-modify-write of one file under its lock; `change` returns the edit.
bool Modify(const std::string& file, bool create,
            const std::function<Edit(std::string_view)>& change) {
  for (int round = 0; round < kMaxLockRounds; ++round) {
    files::WriteTarget target;
    if (auto problem = files::FindWriteTarget(file, target)) {
      if (!create && problem->Code == ENOENT) return Succeed();  // nothing to delete
      return Fail(*problem);
    }
    if (!target.Exists && !create) return Succeed();
    files::Fd lock;
    int error = 0;
    if (!LockTarget(target, lock, error)) {
      if (error != 0) return Fail(files::SystemProblem(error));
      continue;
    }
    files::RemoveLeftovers(target);
    files::FileBytes old;
    if (target.Exists) {
      struct stat st {};
      if (::fstat(lock.Get(), &st) != 0) return Fail(files::SystemProblem(errno));
      target.Mode = st.st_mode;
      target.Owner = st.st_uid;
      target.Group = st.st_gid;
      if (auto problem = files::ReadSettingsFrom(lock.Get(), old)) return Fail(*problem);
    }
    const Edit edit = change(old.View());
    if (edit.empty()) return Succeed();
    if (auto problem = files::ReplaceFile(target, EditedPieces(old.View(), edit)))
      return Fail(*problem);
    return Succeed();
  }
  return Fail({EAGAIN, "the file kept changing while waiting to write it"});
}

}  // namespace

int LastError() { return tLastError; }

std::string LastErrorText() {
  if (!tLastErrorText.empty()) return tLastErrorText;
  return tLastError != 0 ? std::system_category().message(tLastError) : std::string();
}

std::size_t ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string& value,
                              const std::string& file) {
  files::FileBytes bytes;
  if (!ReadFile(file, bytes)) {
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
  files::FileBytes bytes;
  if (!ReadFile(file, bytes)) {
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
  files::FileBytes bytes;
  if (!ReadFile(file, bytes)) {
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
