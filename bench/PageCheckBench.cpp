// Checking the page of a large project against making it, side by side in
// the same run: the check runs after "Generate Code" on the page it made,
// so it should not take longer than making that page did.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/BenchProject.h"
#include "generator/PageCheck.h"
#include "generator/PageGenerator.h"

using namespace velmora;
using velmora::bench::ProjectOf;
using velmora::bench::TemplateText;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_CheckVersusGenerate(benchmark::State& state) {
  const TAffManager project = ProjectOf(static_cast<std::size_t>(state.range(0)));
  double generating = 0;
  double checking = 0;
  std::size_t findings = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    const std::string page = FillTemplate(TemplateText(), project);
    generating += Seconds(start);
    start = std::chrono::steady_clock::now();
    const auto found = CheckProjectPage(project, TemplateText(), page);
    checking += Seconds(start);
    findings = found.size();
    benchmark::DoNotOptimize(found.data());
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["generate_ms"] = generating / runs * 1e3;
  state.counters["check_ms"] = checking / runs * 1e3;
  state.counters["check_x_generate"] = checking / generating;
  state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_CheckVersusGenerate)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

// The same page read in full, every row: what the check would cost without
// reading repeated rows once.
void BM_CheckReadingWholePage(benchmark::State& state) {
  const TAffManager project = ProjectOf(static_cast<std::size_t>(state.range(0)));
  const std::string page = FillTemplate(TemplateText(), project);
  for (auto _ : state) benchmark::DoNotOptimize(CheckProjectPage(project, TemplateText(), page, true).data());
}
BENCHMARK(BM_CheckReadingWholePage)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
