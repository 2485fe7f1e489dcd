// Editing in place and reordering in a list of 10,000 promos: each action
// must stay well under 10 ms.
#include <benchmark/benchmark.h>

#include "bench/BenchProject.h"

#include "project/PromoLists.h"

using namespace velmora;
using velmora::bench::NoMessages;

namespace {


constexpr std::size_t kItems = 10000;

// Anchors: every update compares the new text with all others, without case.
void BM_UpdateAnchor(benchmark::State& state) {
  Project project;
  for (std::size_t i = 0; i < kItems; ++i) project.Anchors.push_back("Buy the product now " + std::to_string(i));
  PromoBoard board;
  board.Rebuild(project);
  NoMessages messages;
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    const PromoChange change = board.Update(project, PromoKind::Anchors, static_cast<int>(kItems / 2),
                                            {flip ? "Edited anchor" : "Edited anchor again", {}, {}}, messages);
    benchmark::DoNotOptimize(change);
  }
}
BENCHMARK(BM_UpdateAnchor)->Unit(benchmark::kMicrosecond);

void BM_UpdateArticle(benchmark::State& state) {
  Project project;
  for (std::size_t i = 0; i < kItems; ++i) project.Articles.push_back("Article " + std::to_string(i) + "$$" + std::string(400, 'a'));
  PromoBoard board;
  board.Rebuild(project);
  NoMessages messages;
  const PromoInput input{"A new title\r\n\r\n" + std::string(400, 'b'), {}, {}};
  for (auto _ : state) {
    const PromoChange change = board.Update(project, PromoKind::Articles, static_cast<int>(kItems / 2), input, messages);
    benchmark::DoNotOptimize(change);
  }
}
BENCHMARK(BM_UpdateArticle)->Unit(benchmark::kMicrosecond);

void BM_MoveAnchor(benchmark::State& state) {
  Project project;
  for (std::size_t i = 0; i < kItems; ++i) project.Anchors.push_back("Buy the product now " + std::to_string(i));
  PromoBoard board;
  board.Rebuild(project);
  int row = static_cast<int>(kItems / 2);
  int offset = 1;
  for (auto _ : state) {
    const PromoChange change = board.Move(project, PromoKind::Anchors, row, offset);
    row = change.row;
    offset = -offset;
    benchmark::DoNotOptimize(change);
  }
}
BENCHMARK(BM_MoveAnchor)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
