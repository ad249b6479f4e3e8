#include "cli/Output.h"

#include "files/FileWriter.h"

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
  if (error_ == 0) error_ = files::WriteAll(fd_, pending_);
  pending_.clear();
  return error_ == 0 ? 0 : -1;
}

}  // namespace orvanta
