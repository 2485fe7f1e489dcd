// Checking the page of a large project against making it, side by side in
// the same run: the check runs after "Generate Code" on the page it made,
// so it should not take longer than making that page did. Hostile pages
// are held against themselves at twice the size, and the memory a check
// takes against the page's size.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

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
  const Project project = ProjectOf(static_cast<std::size_t>(state.range(0)));
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
  const Project project = ProjectOf(static_cast<std::size_t>(state.range(0)));
  const std::string page = FillTemplate(TemplateText(), project);
  for (auto _ : state) benchmark::DoNotOptimize(CheckProjectPage(project, TemplateText(), page).data());
}
BENCHMARK(BM_CheckOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same page read in full, every row: what the check would cost without
// reading repeated rows once.
void BM_CheckReadingWholePage(benchmark::State& state) {
  const Project project = ProjectOf(static_cast<std::size_t>(state.range(0)));
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

// The most memory a check takes, page and all, for pages up to the largest
// that is read: at most 4x the page plus 50 MB. Each case runs in a child
// process of its own, so that its peak is not another case's.
std::string PageOfShape(int shape) {
  std::string page = "<!DOCTYPE html><html><head><title>Offers</title></head><body><main><section>";
  if (shape == 5) page += "<table>";
  if (shape == 6) page += "<b><div>";
  const auto fill = [&](std::size_t bytes, auto&& row) {
    page.reserve(bytes + 4096);
    for (std::size_t i = 0; page.size() < bytes; ++i) page += row(std::to_string(i));
  };
  switch (shape) {
    case 0:  // links in rows, near the largest page that is read
      fill(kMaxPageBytes - (1 << 20), [](const std::string& n) {
        return "<div class=\"box\"><a href=\"https://shop.example/p/" + n + "\" rel=\"sponsored\">Grow vegetables " + n +
               "</a></div>\n";
      });
      break;
    case 1:  // nested formatting elements, each unlike the others
      fill(1600000, [](const std::string& n) { return "<b class=c" + n + ">"; });
      break;
    case 2:  // formatting elements that each paragraph reopens
      fill(2400000, [](const std::string& n) { return "<p><b class=c" + n + ">x</p>"; });
      break;
    case 5:  // links in the rows of one table, which has no place that reopens alike
      fill(kMaxPageBytes - (1 << 20), [](const std::string& n) {
        return "<tr><td><a href=\"https://shop.example/p/" + n + "\" rel=\"sponsored\">Grow vegetables " + n +
               "</a></td></tr>\n";
      });
      break;
    case 6:  // blocks inside one formatting element, each with a picture over http:
      fill(kMaxPageBytes - (1 << 20), [](const std::string& n) {
        return "<p><a href=\"https://shop.example/p/" + n + "\">Grow " + n + "</a><img src=\"http://p.example/" + n +
               ".gif\"></p>\n";
      });
      break;
    default:  // one tag after another, as dense as tags come
      fill(kMaxPageBytes - (1 << 20), [](const std::string&) { return std::string("<i><u></u></i>"); });
      break;
  }
  if (shape == 5) page += "</table>";
  if (shape == 6) page += "</div></b>";
  page += "<p class=disclosure>We earn a commission.</p></section></main></body></html>";
  return page;
}

void BM_PeakMemoryAgainstPage(benchmark::State& state) {
  const int shape = static_cast<int>(state.range(0));
  double pageMb = 0;
  double peakMb = 0;
  for (auto _ : state) {
    int fds[2];
    if (pipe(fds) != 0) state.SkipWithError("no pipe");
    const pid_t child = fork();
    if (child == 0) {
      // The last shape: a large project's page, checked with its project.
      const Project project = shape == 4 ? ProjectOf(60000) : Project();
      const std::string page = shape == 4 ? FillTemplate(TemplateText(), project) : PageOfShape(shape);
      const std::size_t found =
          (shape == 4 ? CheckProjectPage(project, TemplateText(), page) : CheckFinishedPage(page)).size();
      const double bytes = static_cast<double>(page.size());
      if (write(fds[1], &bytes, sizeof bytes) != sizeof bytes || found > page.size()) _exit(1);
      _exit(0);
    }
    close(fds[1]);
    double bytes = 0;
    const bool read = ::read(fds[0], &bytes, sizeof bytes) == sizeof bytes;
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the check failed");
    pageMb = bytes / (1 << 20);
    peakMb = static_cast<double>(usage.ru_maxrss) / 1024;  // ru_maxrss is in KB
  }
  const double budgetMb = 4 * pageMb + 50;
  state.counters["page_mb"] = pageMb;
  state.counters["peak_mb"] = peakMb;
  state.counters["budget_mb"] = budgetMb;
  state.counters["peak_x_page"] = peakMb / pageMb;
  state.counters["within_budget"] = peakMb <= budgetMb ? 1 : 0;
}
BENCHMARK(BM_PeakMemoryAgainstPage)
    ->ArgName("links0_nested_b1_reopened_b2_dense3_project4_table5_blocks_in_b6")
    ->DenseRange(0, 6)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
