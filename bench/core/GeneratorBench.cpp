#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "core/Generator.h"
#include "tests/support/Examples.h"

namespace {

using orvanta::PopupSettings;

PopupSettings Typical() { return orvanta::test_support::CentredDelayedPageLoad(); }

// An address full of things every replacement step looks for.
PopupSettings Heavy(std::size_t bytes) {
  static const std::string piece = "\xE2\x80\xA2#FUNCTION/WIDTH/x#WINPROP-HEIGHT.TOP_LEFT ";
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

// Remembers each benchmark's time per iteration for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration)
        seconds[r.benchmark_name()] = r.GetAdjustedRealTime() *
                                       (r.time_unit == benchmark::kMillisecond ? 1e-3 : 1e-6);
  }
  std::map<std::string, double> seconds;
};

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
    std::printf("  typical generation: %.2f us (target <= 20 us), %.1fx copying its output\n",
                typical * 1e6, copy > 0 ? typical / copy : 0.0);
  if (mb1 > 0 && mb4 > 0)
    std::printf("  1 MiB address: %.1f ms (target <= 50 ms); 4 MiB: %.1f ms; ratio %.2f "
                "(target <= 4.5)\n",
                mb1 * 1e3, mb4 * 1e3, mb4 / mb1);
  benchmark::Shutdown();
  return 0;
}
