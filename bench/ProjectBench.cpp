// Saving and loading large projects, and rebuilding the list boxes after a load.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "project/ProjectFile.h"
#include "project/PromoLists.h"

using namespace velmora;

namespace {

// `items` promos spread evenly over the eight lists, each of a realistic size.
TAffManager ProjectOf(std::size_t items) {
  TAffManager project;
  project.Title = "Benchmark page";
  project.URL = "http://xxxx.vendor.hop.example/";
  project.Template = "Blue Sky";
  for (std::size_t i = 0; i < items; ++i) {
    const std::string n = std::to_string(i);
    switch (kPromoKinds[i % kPromoKinds.size()]) {
      case PromoKind::Anchors: project.Anchors.push_back("Buy the product now " + n); break;
      case PromoKind::PPC: project.PPC.push_back("^Ad " + n + "^First line$$Second line$$Third^http://l/" + n + "^"); break;
      case PromoKind::Banners: project.Banners.push_back("http://banners.example/" + n + ".gif"); break;
      case PromoKind::Signatures: project.Signatures.push_back("Regards$$Tom " + n); break;
      case PromoKind::Email: project.Email.push_back("Hello " + n + "$$A mail of a few lines$$Bye"); break;
      case PromoKind::AutoEmail: project.AutoEmail.push_back("Day " + n + "$$Welcome aboard"); break;
      case PromoKind::Articles: project.Articles.push_back("Article " + n + "$$" + std::string(200, 'a')); break;
      case PromoKind::PopUps: project.PopUps.push_back("<script>open('" + n + "')</script>"); break;
    }
  }
  return project;
}

std::filesystem::path BenchFile(const char* name) {
  return std::filesystem::temp_directory_path() / (std::string("velmora-bench-") + std::to_string(::getpid()) + name);
}

void BM_SaveProject(benchmark::State& state) {
  const TAffManager project = ProjectOf(static_cast<std::size_t>(state.range(0)));
  const auto path = BenchFile("-save.set");
  for (auto _ : state) SaveProjectFile(path, project);
  std::filesystem::remove(path);
  state.SetComplexityN(state.range(0));
}

void BM_LoadProject(benchmark::State& state) {
  const auto path = BenchFile("-load.set");
  SaveProjectFile(path, ProjectOf(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(LoadProjectFile(path));
  std::filesystem::remove(path);
  state.SetComplexityN(state.range(0));
}

// What "Load Configuration" does on the core side: read, then new list-box entries.
void BM_LoadProjectAndRebuildListBoxes(benchmark::State& state) {
  const auto path = BenchFile("-rebuild.set");
  SaveProjectFile(path, ProjectOf(static_cast<std::size_t>(state.range(0))));
  TPromoBoard board;
  for (auto _ : state) {
    const TAffManager project = LoadProjectFile(path);
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
