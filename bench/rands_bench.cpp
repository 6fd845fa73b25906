// Cost per draw of the seeded scrambler for small and large pools. A pool of
// n numbers is reset and drawn empty, as a scrambled plane of n rows or
// blocks does; the per-draw cost must stay nearly flat as n grows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>

#include "converter/rands/rands.h"

namespace {

constexpr uint32_t kSeed = 0x41424344u;  // the code "ABCD"

int64_t DrawAll(dorv::TSeededRandom& r, int32_t n) {
  r.Reset(n);
  int64_t sum = 0;
  for (int32_t i = 0; i < n; ++i) sum += r.Next();
  return sum;
}

void BM_Draws(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  dorv::TSeededRandom r(kSeed);
  for (auto _ : state) benchmark::DoNotOptimize(DrawAll(r, n));
  state.counters["per_draw"] = benchmark::Counter(static_cast<double>(n),
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}
BENCHMARK(BM_Draws)->Arg(1 << 10)->Arg(1 << 16)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// Both pool sizes timed side by side in one run: 2^10 pools drawn 2^10 times
// against one pool of 2^20, the same number of draws each. Processor time is
// taken, so that other work on the machine does not skew the ratio.
void BM_DrawCostRatio(benchmark::State& state) {
  constexpr int32_t kSmall = 1 << 10, kLarge = 1 << 20;
  dorv::TSeededRandom r(kSeed);
  double small = 0, large = 0;
  for (auto _ : state) {
    const std::clock_t t0 = std::clock();
    for (int i = 0; i < kLarge / kSmall; ++i) benchmark::DoNotOptimize(DrawAll(r, kSmall));
    const std::clock_t t1 = std::clock();
    benchmark::DoNotOptimize(DrawAll(r, kLarge));
    const std::clock_t t2 = std::clock();
    small += static_cast<double>(t1 - t0);
    large += static_cast<double>(t2 - t1);
  }
  const double toNs = 1e9 / CLOCKS_PER_SEC / (static_cast<double>(state.iterations()) * kLarge);
  state.counters["ns_per_draw_2^10"] = small * toNs;
  state.counters["ns_per_draw_2^20"] = large * toNs;
  state.counters["ratio"] = large / small;
}
BENCHMARK(BM_DrawCostRatio)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
