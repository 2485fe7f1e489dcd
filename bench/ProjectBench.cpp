// Saving and loading large projects, and rebuilding the list boxes after a load.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "project/ProjectFile.h"
#include "project/PromoLists.h"
#include "bench/BenchProject.h"

using namespace velmora;
using velmora::bench::ProjectOf;

namespace {

std::filesystem::path BenchFile(const char* name) {
  return std::filesystem::temp_directory_path() / (std::string("velmora-bench-") + std::to_string(::getpid()) + name);
}

void BM_SaveProject(benchmark::State& state) {
  const Project project = ProjectOf(static_cast<std::size_t>(state.range(0)));
  const auto path = BenchFile("-save.set");
  for (auto _ : state)
    if (!SaveProjectFile(path, project)) state.SkipWithError("save failed");
  std::filesystem::remove(path);
  state.SetComplexityN(state.range(0));
}

void BM_LoadProject(benchmark::State& state) {
  const auto path = BenchFile("-load.set");
  if (!SaveProjectFile(path, ProjectOf(static_cast<std::size_t>(state.range(0))))) state.SkipWithError("save failed");
  for (auto _ : state) benchmark::DoNotOptimize(LoadProjectFile(path));
  std::filesystem::remove(path);
  state.SetComplexityN(state.range(0));
}

// What "Load Configuration" does on the core side: read, then new list-box entries.
void BM_LoadProjectAndRebuildListBoxes(benchmark::State& state) {
  const auto path = BenchFile("-rebuild.set");
  if (!SaveProjectFile(path, ProjectOf(static_cast<std::size_t>(state.range(0))))) state.SkipWithError("save failed");
  PromoBoard board;
  for (auto _ : state) {
    const Project project = LoadProjectFile(path).value();
    board.Rebuild(project);
    benchmark::DoNotOptimize(board.Entries(PromoKind::PPC).data());
  }
  std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_SaveProject)->Arg(50'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_LoadProject)->Arg(25000)->Arg(50000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_LoadProjectAndRebuildListBoxes)->Arg(10'000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
