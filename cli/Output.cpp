#include "cli/Output.h"

#include <unistd.h>

#include <cerrno>

namespace orvanta {

FdOutput::int_type FdOutput::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_.push_back(traits_type::to_char_type(c));
  return c;
}

std::streamsize FdOutput::xsputn(const char* s, std::streamsize n) {
  pending_.append(s, static_cast<std::size_t>(n));
  return n;
}

int FdOutput::sync() {
  std::size_t done = 0;
  while (error_ == 0 && done < pending_.size()) {
    const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0) {
      if (errno != EINTR) error_ = errno;
      continue;
    }
    done += static_cast<std::size_t>(n);
  }
  pending_.clear();
  return error_ == 0 ? 0 : -1;
}

}  // namespace orvanta
