// Checking the page of a large project against making it, side by side in
// the same run: the check runs after "Generate Code" on the page it made,
// so it should not take longer than making that page did.
#include <benchmark/benchmark.h>

#include <time.h>

#include "bench/BenchProject.h"
#include "generator/PageCheck.h"
#include "generator/PageGenerator.h"

using namespace velmora;
using velmora::bench::ProjectOf;
using velmora::bench::TemplateText;

namespace {

// This thread's processor time: on a machine shared with builds, wall time
// says more about the neighbours than about either side.
double Now() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_CheckVersusGenerate(benchmark::State& state) {
  const TAffManager project = ProjectOf(static_cast<std::size_t>(state.range(0)));
  double generating = 0;
  double checking = 0;
  std::size_t findings = 0;
  for (auto _ : state) {
    double start = Now();
    const std::string page = FillTemplate(TemplateText(), project);
    generating += Now() - start;
    start = Now();
    const auto found = CheckProjectPage(project, TemplateText(), page);
    checking += Now() - start;
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

// The check alone, on a page made once.
void BM_CheckOnly(benchmark::State& state) {
  const TAffManager project = ProjectOf(static_cast<std::size_t>(state.range(0)));
  const std::string page = FillTemplate(TemplateText(), project);
  for (auto _ : state) benchmark::DoNotOptimize(CheckProjectPage(project, TemplateText(), page).data());
}
BENCHMARK(BM_CheckOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

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
