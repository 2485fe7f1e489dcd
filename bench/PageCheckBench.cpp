// Checking the page of a large project against making it, side by side in
// the same run: the check runs after "Generate Code" on the page it made,
// so it should not take longer than making that page did. Hostile pages
// are held against themselves at twice the size.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <array>
#include <string>

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

// Hostile pages at 10k, 20k, 40k and 80k elements or attributes: each
// doubling should cost about twice the time (at most 2.2x), never the
// fourfold of a check that grows with the square of its input.
std::string HostilePage(int shape, std::size_t n) {
  std::string page = "<!DOCTYPE html><html><body>";
  switch (shape) {
    case 0:  // nested blocks
      for (std::size_t i = 0; i < n; ++i) page += "<div>";
      page += "x";
      for (std::size_t i = 0; i < n; ++i) page += "</div>";
      break;
    case 1:  // nested formatting elements, each unlike the others
      for (std::size_t i = 0; i < n; ++i) page += "<b class=c" + std::to_string(i) + ">";
      page += "x";
      break;
    default:  // one link with many attributes
      page += "<a";
      for (std::size_t i = 0; i < n; ++i) page += " a" + std::to_string(i) + "=v";
      page += " href=\"https://x.example/\">x</a>";
      break;
  }
  return page + "</body></html>";
}

void BM_HostilePageDoubling(benchmark::State& state) {
  const int shape = static_cast<int>(state.range(0));
  constexpr std::array<std::size_t, 4> kSizes = {10000, 20000, 40000, 80000};
  std::array<std::string, kSizes.size()> pages;
  for (std::size_t i = 0; i < kSizes.size(); ++i) pages[i] = HostilePage(shape, kSizes[i]);
  std::array<double, kSizes.size()> seconds{};
  for (auto _ : state) {
    for (std::size_t i = 0; i < kSizes.size(); ++i) {
      const double start = Now();
      benchmark::DoNotOptimize(CheckFinishedPage(pages[i]).data());
      seconds[i] += Now() - start;
    }
  }
  const double runs = static_cast<double>(state.iterations());
  double worst = 0;
  for (std::size_t i = 0; i < kSizes.size(); ++i) {
    state.counters[std::to_string(kSizes[i] / 1000) + "k_ms"] = seconds[i] / runs * 1e3;
    if (i > 0) {
      const double ratio = seconds[i] / seconds[i - 1];
      state.counters["x_" + std::to_string(kSizes[i] / 1000) + "k"] = ratio;
      worst = std::max(worst, ratio);
    }
  }
  state.counters["worst_doubling_x"] = worst;
  state.counters["within_2_2x"] = worst <= 2.2 ? 1 : 0;
}
BENCHMARK(BM_HostilePageDoubling)
    ->ArgName("nested_div0_nested_b1_attributes2")
    ->DenseRange(0, 2)
    ->MinTime(2)  // one pass is too few on a machine shared with builds
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
