#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const int code = orvanta::RunCli(argc, argv, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
