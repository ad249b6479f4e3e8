#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <system_error>

#include "cli/Cli.h"
#include "cli/Output.h"

namespace {

int CannotWriteOutput(int error) {
  std::cerr << "orvanta-cli: cannot write the standard output: "
            << std::system_category().message(error) << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // With no standard output nothing can be reported as done, and files
  // opened later would take its number.
  if (::fcntl(STDOUT_FILENO, F_GETFD) < 0) return CannotWriteOutput(errno);
  orvanta::FdOutput buffer(STDOUT_FILENO);
  std::ostream out(&buffer);
  int code = orvanta::RunCli(argc, argv, out, std::cerr);
  if (!out.flush() && code == 0) code = CannotWriteOutput(buffer.Error());
  // A file on a network disk may report a failed write only now.
  if (::close(STDOUT_FILENO) != 0 && code == 0) code = CannotWriteOutput(errno);
  return code;
}
