// Editing in place and reordering in a list of 10,000 promos: each action
// must stay well under 10 ms.
#include <benchmark/benchmark.h>

#include "bench/BenchProject.h"

#include "project/ProjectEdit.h"
#include "project/PromoLists.h"

using namespace velmora;
using velmora::bench::NoMessages;

namespace {

// As the window makes an edit, without its undo step: planned, applied, and the entries follow.
std::optional<ItemEdit> Make(Project& project, PromoBoard& board, std::optional<ItemEdit> edit) {
  if (edit) {
    Apply(project, *edit);
    board.Follow(project, *edit);
  }
  return edit;
}


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
    const auto change = Make(project, board,
                             PlanUpdate(project, PromoKind::Anchors, static_cast<int>(kItems / 2),
                                        {flip ? "Edited anchor" : "Edited anchor again", {}, {}}, messages));
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
    const auto change =
        Make(project, board, PlanUpdate(project, PromoKind::Articles, static_cast<int>(kItems / 2), input, messages));
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
    const auto change = Make(project, board, PlanMove(project, PromoKind::Anchors, row, row + offset));
    row = change->to;
    offset = -offset;
    benchmark::DoNotOptimize(change);
  }
}
BENCHMARK(BM_MoveAnchor)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
