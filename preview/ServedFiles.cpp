#include "preview/ServedFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace orvanta {

namespace {

std::string Clean(const std::string& path) {
  return std::filesystem::path(path).lexically_normal().string();
}

}  // namespace

void ServedFiles::Add(const std::string& path) { paths_.insert(Clean(path)); }

int ServedFiles::Open(const std::string& requested) const {
  if (requested.empty() || requested.front() != '/' || paths_.count(Clean(requested)) == 0) {
    errno = ENOENT;
    return -1;
  }
  // O_NONBLOCK: a FIFO put in a page's place must not hang the reader.
  const int fd =
      ::open(Clean(requested).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EACCES;
    return -1;
  }
  return fd;
}

}  // namespace orvanta
