// Child process for the crash and concurrency tests of the INI class.
//
//   ini_stress_helper crash FILE         writes rounds until killed
//   ini_stress_helper write FILE ID N    writes N distinct keys, then exits
//   ini_stress_helper create FILE        writes [State] round 1 once, then exits
//
// A crash round n makes every key of [State] hold n (one WriteSection), then
// sets [Tail] n=n (one WriteValue): a file read at any moment has all [State]
// values equal, and [Tail] n is that number or the one before.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ini/CDS_CIni.h"

namespace {

constexpr int kStateKeys = 40;
const std::string kPadding(200, '.');

int Fail(const orvanta::CDS_CIni& ini, const char* what) {
  std::fprintf(stderr, "%s: %s\n", what, ini.LastErrorDescription().c_str());
  return 1;
}

long CurrentRound(orvanta::CDS_CIni& ini) {
  std::string value;
  if (!ini.ReadValue("State", "k0", value)) return 0;
  return std::strtol(value.c_str(), nullptr, 10);
}

int Crash(const std::string& file, bool once) {
  orvanta::CDS_CIni ini;
  ini.FileName(file);
  std::vector<std::string> keys;
  for (int i = 0; i < kStateKeys; ++i) keys.push_back("k" + std::to_string(i));
  for (long round = CurrentRound(ini) + 1;; ++round) {
    if (once) {
      const std::vector<std::string> values(keys.size(), "1 " + kPadding);
      return ini.WriteSection("State", keys, values) ? 0 : Fail(ini, "WriteSection");
    }
    const std::string n = std::to_string(round);
    const std::vector<std::string> values(keys.size(), n + " " + kPadding);
    if (!ini.WriteSection("State", keys, values)) return Fail(ini, "WriteSection");
    if (!ini.WriteValue("Tail", "n", n)) return Fail(ini, "WriteValue");
  }
}

int Write(const std::string& file, const std::string& id, int count) {
  orvanta::CDS_CIni ini;
  ini.FileName(file);
  for (int j = 0; j < count; ++j) {
    if (!ini.WriteValue("Keys", "p" + id + "k" + std::to_string(j), id + ":" + std::to_string(j))) {
      return Fail(ini, "WriteValue");
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "crash" && argc == 3) return Crash(argv[2], false);
  if (mode == "create" && argc == 3) return Crash(argv[2], true);
  if (mode == "write" && argc == 5) return Write(argv[2], argv[3], std::atoi(argv[4]));
  std::fprintf(stderr, "usage: %s crash FILE | create FILE | write FILE ID COUNT\n", argv[0]);
  return 2;
}
