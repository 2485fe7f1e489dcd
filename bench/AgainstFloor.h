#pragma once
// Velmora's samples beside its floor's from the same run, reported as the
// medians of each and their ratio.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace velmora::bench {

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

inline void ReportAgainstFloor(benchmark::State& state, const std::vector<double>& velmora,
                               const std::vector<double>& floor) {
  state.counters["velmora_ms"] = Median(velmora);
  state.counters["floor_ms"] = Median(floor);
  state.counters["ratio"] = Median(velmora) / Median(floor);
}

}  // namespace velmora::bench
