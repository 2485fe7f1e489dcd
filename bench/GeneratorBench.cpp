// Page generation for large projects with a shipped template, against a
// floor measured in the same run: copying as many bytes as the page holds.
#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "app/FileIO.h"
#include "app/Utils.h"
#include "bench/BenchProject.h"
#include "generator/PageGenerator.h"

using namespace velmora;
using velmora::bench::ProjectOf;
using velmora::bench::TemplateText;

namespace {

// The floor: making one new text of the page's size by copying, best of
// several runs. Any generator has to produce its page as a new text.
double FloorSeconds(std::size_t bytes) {
  const std::string from(bytes, 'x');
  double best = 1e9;
  for (int run = 0; run < 20; ++run) {
    const auto start = std::chrono::steady_clock::now();
    std::string to = from;
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

void BM_GeneratePage(benchmark::State& state) {
  const Project project = ProjectOf(static_cast<std::size_t>(state.range(0)));
  std::size_t bytes = 0;
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    // As "Generate Code" makes it: counted against the page limit on the way.
    std::string page = FillPage(TemplateText(), project).value();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bytes = page.size();
    benchmark::DoNotOptimize(page.data());
  }
  const double floor = FloorSeconds(bytes);
  state.counters["page_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["floor_ms"] = floor * 1e3;
  state.counters["x_floor"] = total / static_cast<double>(state.iterations()) / floor;
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_GeneratePage)->Arg(10000)->Arg(20000)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The page as velmora-tool writes it: handed on in parts as it is made,
// never whole, here to a sink that only touches each part.
void BM_WritePage(benchmark::State& state) {
  const Project project = ProjectOf(static_cast<std::size_t>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto written = WritePage(TemplateText(), project, [](std::string_view part) {
      benchmark::DoNotOptimize(part.data());
      benchmark::ClobberMemory();
    });
    bytes = written.value();
  }
  state.counters["page_MB"] = static_cast<double>(bytes) / 1e6;
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_WritePage)->Arg(10000)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same floor as a benchmark of its own, for the report.
void BM_CopyFloor(benchmark::State& state) {
  const std::size_t bytes = FillTemplate(TemplateText(), ProjectOf(static_cast<std::size_t>(state.range(0)))).size();
  const std::string from(bytes, 'x');
  for (auto _ : state) {
    std::string to = from;
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_CopyFloor)->Arg(10000)->Arg(20000)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The floor once more, into memory the system has to hand out first, as a
// page of this size always needs on its first use; the generator's own
// buffers are of that kind too.
void BM_CopyFloorFreshMemory(benchmark::State& state) {
  const std::size_t bytes = FillTemplate(TemplateText(), ProjectOf(static_cast<std::size_t>(state.range(0)))).size();
  const std::string from(bytes, 'x');
  for (auto _ : state) {
    void* to = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (to == MAP_FAILED) {
      state.SkipWithError("mmap failed");
      break;
    }
    std::memcpy(to, from.data(), bytes);
    benchmark::DoNotOptimize(to);
    benchmark::ClobberMemory();
    ::munmap(to, bytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_CopyFloorFreshMemory)->Arg(10000)->Arg(20000)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
