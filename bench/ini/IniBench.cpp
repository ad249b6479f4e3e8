// ReadValue of the last key of a 10 MiB INI file and WriteValue into it,
// each against reading the same file once in this process. The file comes
// in two shapes: many sections (the key is in the last one) and a single
// section holding every key. WriteValue is also set against the least any
// durable atomic rewrite costs: copy the file to a temporary one, flush it,
// rename it over the original.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "ini/CDS_CIni.h"

namespace {

constexpr std::size_t kFileSize = 10u << 20;

std::string gFolder;

std::string PathOf(const std::string& shape) { return gFolder + "/" + shape + ".ini"; }

// Entries of about 40 bytes, CR LF line ends, a comment now and then.
void MakeFile(const std::string& path, int sections) {
  std::string text;
  text.reserve(kFileSize + 4096);
  const std::size_t perSection = kFileSize / static_cast<std::size_t>(sections);
  int key = 0;
  for (int s = 0; s < sections; ++s) {
    text += "[Section" + std::to_string(s) + "]\r\n";
    const std::size_t end = std::min(kFileSize, perSection * static_cast<std::size_t>(s + 1));
    while (text.size() < end) {
      if (key % 50 == 0) text += "; group " + std::to_string(key / 50) + "\r\n";
      text += "Key" + std::to_string(key++) + " = value of this key, plain text\r\n";
    }
  }
  text += "LastKey = v0\r\n";
  std::ofstream(path, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
}

const char* LastSection(const std::string& shape) {
  return shape.rfind("sections", 0) == 0 ? "Section999" : "Section0";
}

void ReadFileOnce(benchmark::State& state, const std::string& shape) {
  const std::string path = PathOf(shape);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::unique_ptr<char[]> buffer(new char[kFileSize + 4096]);
    std::size_t size = 0;
    for (ssize_t n; (n = ::read(fd, buffer.get() + size, kFileSize + 4096 - size)) > 0;) {
      size += static_cast<std::size_t>(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(buffer.get()[size / 2]);
  }
}

void RewriteFileOnce(benchmark::State& state, const std::string& shape) {
  const std::string path = PathOf(shape);
  const std::string temp = path + ".tmp";
  std::unique_ptr<char[]> buffer(new char[kFileSize + 4096]);
  for (auto _ : state) {
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t size = 0;
    for (ssize_t n; (n = ::read(in, buffer.get() + size, kFileSize + 4096 - size)) > 0;) {
      size += static_cast<std::size_t>(n);
    }
    ::close(in);
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::size_t done = 0;
    for (ssize_t n; done < size && (n = ::write(out, buffer.get() + done, size - done)) > 0;) {
      done += static_cast<std::size_t>(n);
    }
    ::fsync(out);
    ::close(out);
    ::rename(temp.c_str(), path.c_str());
  }
}

void ReadLastValue(benchmark::State& state, const std::string& shape) {
  orvanta::CDS_CIni ini;
  ini.FileName(PathOf(shape));
  std::string value;
  for (auto _ : state) {
    if (!ini.ReadValue(LastSection(shape), "lastkey", value)) {
      state.SkipWithError(ini.LastErrorDescription().c_str());
      break;
    }
    benchmark::DoNotOptimize(value.data());
  }
}

void WriteLastValue(benchmark::State& state, const std::string& shape) {
  orvanta::CDS_CIni ini;
  ini.FileName(PathOf(shape));
  int i = 0;
  for (auto _ : state) {
    // Alternate, so that every call really rewrites the file.
    if (!ini.WriteValue(LastSection(shape), "LastKey", (++i % 2) ? "v1" : "v0")) {
      state.SkipWithError(ini.LastErrorDescription().c_str());
      break;
    }
  }
}

// The same write into a copy of the file that carries an access control
// list and an attribute, which every replace copies.
void WriteWithAcl(benchmark::State& state, const std::string& shape) {
  WriteLastValue(state, shape + "-acl");
}

// A write to a file with a second hard link, which is refused unwritten.
void WriteHardLinked(benchmark::State& state, const std::string& shape) {
  orvanta::CDS_CIni ini;
  ini.FileName(PathOf(shape + "-linked"));
  for (auto _ : state) {
    if (ini.WriteValue(LastSection(shape), "LastKey", "v")) {
      state.SkipWithError("a hard-linked file was written");
      break;
    }
  }
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
        times[r.benchmark_name()] = r.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  std::string pattern = (std::filesystem::temp_directory_path() / "bench-ini-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return 1;
  gFolder = pattern;
  MakeFile(PathOf("sections"), 1000);
  MakeFile(PathOf("single"), 1);
  for (const std::string shape : {"sections", "single"}) {
    std::filesystem::copy_file(PathOf(shape), PathOf(shape + "-acl"));
    const std::string acl = "setfacl -m u:nobody:rw '" + PathOf(shape + "-acl") +
                            "' && setfattr -n user.note -v kept '" + PathOf(shape + "-acl") + "'";
    if (std::system(acl.c_str()) != 0) std::fprintf(stderr, "setfacl/setfattr failed\n");
    std::filesystem::copy_file(PathOf(shape), PathOf(shape + "-linked"));
    std::filesystem::create_hard_link(PathOf(shape + "-linked"), PathOf(shape + "-link2"));
  }

  for (const std::string shape : {"sections", "single"}) {
    benchmark::RegisterBenchmark(("ReadFileOnce/" + shape).c_str(), ReadFileOnce, shape)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ReadValueLastKey/" + shape).c_str(), ReadLastValue, shape)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("WriteValueLastKey/" + shape).c_str(), WriteLastValue, shape)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("RewriteFileOnce/" + shape).c_str(), RewriteFileOnce, shape)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("WriteValueWithAcl/" + shape).c_str(), WriteWithAcl, shape)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("WriteHardLinked/" + shape).c_str(), WriteHardLinked, shape)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::filesystem::remove_all(gFolder);

  std::printf("\nTimes against reading the 10 MiB file once (target <= 3):\n");
  for (const std::string shape : {"sections", "single"}) {
    const auto base = reporter.times.find("ReadFileOnce/" + shape);
    if (base == reporter.times.end() || base->second <= 0) continue;
    for (const char* name : {"ReadValueLastKey", "WriteValueLastKey"}) {
      const auto t = reporter.times.find(std::string(name) + "/" + shape +
                                         (name[0] == 'W' ? "/real_time" : ""));
      if (t == reporter.times.end()) continue;
      std::printf("  %-18s %-9s %8.2f x\n", name, shape.c_str(), t->second / base->second);
    }
  }
  std::printf("WriteValue against a bare atomic rewrite (copy, flush, rename):\n");
  for (const std::string shape : {"sections", "single"}) {
    const auto floor = reporter.times.find("RewriteFileOnce/" + shape + "/real_time");
    const auto t = reporter.times.find("WriteValueLastKey/" + shape + "/real_time");
    if (floor == reporter.times.end() || t == reporter.times.end() || floor->second <= 0) continue;
    std::printf("  %-18s %-9s %8.2f x (target <= 1.3)\n", "WriteValueLastKey", shape.c_str(),
                t->second / floor->second);
    for (const char* name : {"WriteValueWithAcl", "WriteHardLinked"}) {
      const auto beside = reporter.times.find(std::string(name) + "/" + shape + "/real_time");
      if (beside == reporter.times.end()) continue;
      std::printf("  %-18s %-9s %8.2f x%s\n", name, shape.c_str(), beside->second / floor->second,
                  name[5] == 'H' ? " (refused, nothing written)" : "");
    }
  }
  return 0;
}
