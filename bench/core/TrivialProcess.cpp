// Prints one line and exits: the cheapest C++ process, as a yardstick.
#include <iostream>

int main() {
  std::cout << "ok\n";
  return 0;
}
