#pragma once

#include <streambuf>
#include <string>

namespace orvanta {

// An output stream buffer over a file descriptor that keeps everything until
// it is flushed, then writes it all and remembers why a write failed, so
// that the caller can report a full disk or a closed pipe instead of
// claiming success.
class FdOutput : public std::streambuf {
 public:
  explicit FdOutput(int fd) : fd_(fd) {}
  int Fd() const { return fd_; }
  // The errno value of the first failed write, 0 while all went out.
  int Error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  int fd_;
  int error_ = 0;
  std::string pending_;
};

}  // namespace orvanta
