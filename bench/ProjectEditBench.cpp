// What every edit in the window costs beyond the edit itself, in a project
// of 10,000 promos: planning and making the change, the list-box entries
// following it, taking it back, and the modified mark (the project compared
// with the one last saved). The floor is one pass over the items' text.
#include <benchmark/benchmark.h>

#include "bench/BenchProject.h"

#include <cstdlib>

#include "project/ProjectEdit.h"

using namespace velmora;
using velmora::bench::NoMessages;

namespace {


constexpr std::size_t kItems = 10000;

Project Articles() {
  Project project;
  for (std::size_t i = 0; i < kItems; ++i)
    project.Articles.push_back("Article " + std::to_string(i) + "$$" + std::string(400, 'a'));
  return project;
}

void BM_Floor(benchmark::State& state) {
  const Project project = Articles();
  for (auto _ : state) {
    std::size_t bytes = 0;
    for (const std::string& item : project.Articles) bytes += static_cast<unsigned char>(item.back());
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMicrosecond);

// "Delete" in the middle and its undo, with the entries following both.
void BM_DeleteAndUndo(benchmark::State& state) {
  Project project = Articles();
  PromoBoard board;
  board.Rebuild(project);
  NoMessages messages;
  for (auto _ : state) {
    const ItemEdit edit = *PlanDelete(project, PromoKind::Articles, static_cast<int>(kItems / 2), messages);
    Apply(project, edit);
    board.Follow(project, edit);
    const ItemEdit back = Inverse(edit);
    Apply(project, back);
    board.Follow(project, back);
  }
}
BENCHMARK(BM_DeleteAndUndo)->Unit(benchmark::kMicrosecond);

// The modified mark at its dearest: only the last item differs from the saved project.
void BM_ModifiedMark(benchmark::State& state) {
  const Project saved = Articles();
  Project project = saved;
  project.Articles.back() += "!";
  for (auto _ : state) {
    const bool modified = project != saved;
    benchmark::DoNotOptimize(modified);
  }
}
BENCHMARK(BM_ModifiedMark)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
