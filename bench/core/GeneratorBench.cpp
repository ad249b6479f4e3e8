#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "core/Generator.h"
#include "tests/support/Examples.h"

namespace {

using orvanta::PopupSettings;

PopupSettings Typical() { return orvanta::test_support::CentredDelayedPageLoad(); }

// An address full of template words, markers and characters to escape.
PopupSettings Heavy(std::size_t bytes) {
  static const std::string piece = "\xE2\x80\xA2#FUNCTION/WIDTH/x#WINPROP-HEIGHT.TOP_LEFT O'Brien ";
  PopupSettings s = Typical();
  std::string url = "http://";
  while (url.size() < bytes) url += piece;
  s.PageUrl = url;
  return s;
}

void BM_TypicalGeneration(benchmark::State& state) {
  const PopupSettings s = Typical();
  for (auto _ : state) benchmark::DoNotOptimize(orvanta::GeneratePopupCode(s));
}
BENCHMARK(BM_TypicalGeneration)->Unit(benchmark::kMicrosecond);

// Baseline: copying a text of the same size as the typical output.
void BM_CopyOutputSizedText(benchmark::State& state) {
  const std::string text = orvanta::GeneratePopupCode(Typical()).Code.PopupCode;
  for (auto _ : state) {
    std::string copy = text;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_CopyOutputSizedText)->Unit(benchmark::kMicrosecond);

void BM_LargeAddress(benchmark::State& state) {
  const PopupSettings s = Heavy(static_cast<std::size_t>(state.range(0)) << 20);
  for (auto _ : state) benchmark::DoNotOptimize(orvanta::GeneratePopupCode(s));
}
BENCHMARK(BM_LargeAddress)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Remembers each benchmark's processor time per iteration for the summary:
// other processes on a shared machine stretch the wall-clock time unevenly.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration)
        seconds[r.benchmark_name()] =
            r.GetAdjustedCPUTime() * (r.time_unit == benchmark::kMillisecond ? 1e-3 : 1e-6);
  }
  std::map<std::string, double> seconds;
};

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The 4 MiB / 1 MiB ratio as the median of rounds that each time both sizes
// back to back, so that a change in the machine's load between the two
// separate benchmarks above does not show as a ratio.
double PairedLargeRatio() {
  const PopupSettings mb1 = Heavy(std::size_t{1} << 20);
  const PopupSettings mb4 = Heavy(std::size_t{4} << 20);
  std::vector<double> ratios;
  for (int round = 0; round < 21; ++round) {
    double t0 = ThreadSeconds();
    for (int i = 0; i < 4; ++i) benchmark::DoNotOptimize(orvanta::GeneratePopupCode(mb1));
    const double small = (ThreadSeconds() - t0) / 4;
    t0 = ThreadSeconds();
    benchmark::DoNotOptimize(orvanta::GeneratePopupCode(mb4));
    ratios.push_back((ThreadSeconds() - t0) / small);
  }
  std::sort(ratios.begin(), ratios.end());
  return ratios[ratios.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto& t = reporter.seconds;
  const auto get = [&](const char* name) {
    const auto it = t.find(name);
    return it == t.end() ? 0.0 : it->second;
  };
  const double typical = get("BM_TypicalGeneration");
  const double copy = get("BM_CopyOutputSizedText");
  const double mb1 = get("BM_LargeAddress/1/min_time:1.000");
  const double mb4 = get("BM_LargeAddress/4/min_time:1.000");
  std::printf("\nSummary\n");
  if (typical > 0)
    std::printf("  typical generation: %.2f us (target <= 1 us), %.1fx copying its output\n",
                typical * 1e6, copy > 0 ? typical / copy : 0.0);
  if (mb1 > 0 && mb4 > 0)
    std::printf(
        "  1 MiB address: %.1f ms (target <= 50 ms); 4 MiB: %.1f ms; ratio %.2f "
        "(target <= 4.2)\n",
        mb1 * 1e3, mb4 * 1e3, mb4 / mb1);
  std::printf("  4 MiB / 1 MiB, median of 21 back-to-back rounds: %.2f (target <= 4.2)\n",
              PairedLargeRatio());
  benchmark::Shutdown();
  return 0;
}
