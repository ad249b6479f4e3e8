#include "files/SettingsReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "files/Descriptor.h"

namespace orvanta::files {

namespace {

constexpr std::size_t kStreamChunk = std::size_t{64} << 10;

FileProblem TooLarge() {
  return {EFBIG, "larger than " + std::to_string(kSettingsFileLimit >> 20) +
                     " MiB, far more than a settings file holds"};
}

// Lines end with LF or CR LF; a CR anywhere before the first LF, other than
// just before it or as the file's last byte, means lines ending with CR alone.
bool EndsLinesWithCrAlone(std::string_view text) {
  const void* lf = std::memchr(text.data(), '\n', text.size());
  const std::size_t end =
      lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text.data()) : text.size();
  const void* cr = std::memchr(text.data(), '\r', end);
  if (cr == nullptr) return false;
  const auto at = static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
  return at + 1 != end;
}

// A byte-order mark of UTF-16 or UTF-32, or NUL bytes, which such files
// have in every ASCII character and text files never have.
bool LooksLikeUtf16(std::string_view text) {
  const auto starts = [&](std::string_view mark) { return text.substr(0, mark.size()) == mark; };
  return starts("\xFF\xFE") || starts("\xFE\xFF") ||
         std::memchr(text.data(), '\0', text.size()) != nullptr;
}

std::optional<FileProblem> NotRegular(mode_t mode) {
  if (S_ISREG(mode)) return std::nullopt;
  if (S_ISDIR(mode)) return FileProblem{EISDIR, "it is a folder, not a settings file"};
  if (S_ISFIFO(mode))
    return FileProblem{EINVAL,
                       "it is a pipe, not a stored file; orvanta-cli --settings reads pipes"};
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileProblem{EINVAL, "it is a device, not a file"};
  return FileProblem{EINVAL, "it is not a regular file"};
}

bool Grow(FileBytes& bytes, std::size_t capacity) {
  std::unique_ptr<char[]> bigger(new (std::nothrow) char[capacity]);
  if (!bigger) return false;
  std::copy(bytes.Data.get(), bytes.Data.get() + bytes.Size, bigger.get());
  bytes.Data = std::move(bigger);
  return true;
}

}  // namespace

std::optional<FileProblem> ReadSettingsFrom(int fd, FileBytes& bytes) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return SystemProblem(errno);
  if (S_ISDIR(st.st_mode)) return SystemProblem(EISDIR);
  const bool regular = S_ISREG(st.st_mode);
  if (!regular && !S_ISFIFO(st.st_mode)) {
    return FileProblem{EINVAL, S_ISCHR(st.st_mode) ? "it is a device, not a file or a pipe"
                                                   : "it is not a file or a pipe"};
  }
  if (regular && static_cast<unsigned long long>(st.st_size) > kSettingsFileLimit)
    return TooLarge();

  // One byte more than the size, to see the end without a second buffer.
  std::size_t capacity = regular ? static_cast<std::size_t>(st.st_size) + 1 : kStreamChunk;
  FileBytes read;
  if (!Grow(read, capacity)) return SystemProblem(ENOMEM);
  for (;;) {
    if (read.Size == capacity) {
      if (capacity > kSettingsFileLimit) return TooLarge();
      capacity = std::min(capacity * 2, kSettingsFileLimit + 1);
      if (!Grow(read, capacity)) return SystemProblem(ENOMEM);
    }
    const ssize_t n = ::read(fd, read.Data.get() + read.Size, capacity - read.Size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemProblem(errno);
    }
    if (n == 0) break;
    read.Size += static_cast<std::size_t>(n);
  }
  if (LooksLikeUtf16(read.View()))
    return FileProblem{EILSEQ,
                       "it is saved as UTF-16 (it has a byte-order mark or NUL bytes); "
                       "save it as UTF-8"};
  if (EndsLinesWithCrAlone(read.View()))
    return FileProblem{EILSEQ, "its lines end with CR alone; save it with LF or CR LF line ends"};
  bytes = std::move(read);
  return std::nullopt;
}

std::optional<FileProblem> ReadSettingsFile(const std::string& path, FileBytes& bytes,
                                            ReadFrom from) {
  if (path.empty()) return FileProblem{ENOENT, "no file name given"};
  int flags = O_RDONLY | O_CLOEXEC;
  if (from == ReadFrom::RegularFileOnly) {
    // Opening a device may already do something; look before opening.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return SystemProblem(errno);
    if (auto problem = NotRegular(st.st_mode)) return problem;
    // Should a pipe take the name meanwhile, the open must not wait for it.
    flags |= O_NONBLOCK | O_NOCTTY;
  }
  const Fd fd(::open(path.c_str(), flags));
  if (fd.Get() < 0) return SystemProblem(errno);
  if (from == ReadFrom::RegularFileOnly) {
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return SystemProblem(errno);
    if (auto problem = NotRegular(st.st_mode)) return problem;
  }
  return ReadSettingsFrom(fd.Get(), bytes);
}

}  // namespace orvanta::files
