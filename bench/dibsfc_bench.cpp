// Composition speed of 4096 x 4096 surfaces, each case measured against
// memcpy of the same number of bytes between two buffers that are already
// touched. Every iteration runs the memcpy and the case back to back, so each
// ratio comes from one run under the same load; the counter x_memcpy is the
// median of the per-iteration ratios (robust against a busy machine), and a
// table of the ratios and their goals is printed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "converter/dibsfc/dibsfc.h"

namespace dorv {
namespace {

constexpr int32_t kSide = 4096;

struct Result {
  double ratio = 0, goal = 0, caseMs = 0, copyMs = 0;
};
std::map<std::string, Result>& Results() {
  static std::map<std::string, Result> results;
  return results;
}

// Two touched buffers per size, kept for the whole run.
struct CopyBuffers {
  std::vector<uint8_t> from, to;
};
CopyBuffers& Buffers(size_t bytes) {
  static std::map<size_t, std::unique_ptr<CopyBuffers>> all;
  auto& b = all[bytes];
  if (!b) {
    b = std::make_unique<CopyBuffers>();
    b->from.assign(bytes, 0x5A);
    b->to.assign(bytes, 0xA5);
  }
  return *b;
}

void Randomise(TDIBSurface& s, uint32_t seed) {
  std::mt19937 rng(seed);
  auto* p = reinterpret_cast<uint32_t*>(s.TopRow());
  const uint64_t words = s.SizeBytes() / 4;
  for (uint64_t i = 0; i < words; ++i) p[i] = rng();
}

// Source and destination surfaces of one depth, with a random alpha plane on
// the source (a quarter transparent, a quarter opaque, the rest between).
struct Scene {
  TDIBSurface src, dst;
  explicit Scene(int32_t depth) {
    src.Allocate(kSide, kSide, depth);
    dst.Allocate(kSide, kSide, depth);
    Randomise(src, 1);
    Randomise(dst, 2);
    src.EnsureAlpha();
    std::mt19937 rng(3);
    uint8_t* a = src.AlphaPlane()->TopRow();
    for (uint64_t i = 0; i < src.AlphaPlane()->SizeBytes(); ++i) {
      const uint32_t r = rng() % 4;
      a[i] = r == 0 ? 0 : r == 1 ? 255 : static_cast<uint8_t>(rng());
    }
  }
};
Scene& SceneOf(int32_t depth) {
  static std::map<int32_t, std::unique_ptr<Scene>> scenes;
  auto& s = scenes[depth];
  if (!s) s = std::make_unique<Scene>(depth);
  return *s;
}

using Clock = std::chrono::steady_clock;

void Measure(benchmark::State& state, const std::string& name, double goal, size_t bytes,
             const std::function<void()>& prepare, const std::function<void()>& run) {
  CopyBuffers& copy = Buffers(bytes);
  double caseSeconds = 0, copySeconds = 0;
  std::vector<double> ratios;
  for (auto _ : state) {
    prepare();
    const auto t0 = Clock::now();
    std::memcpy(copy.to.data(), copy.from.data(), bytes);
    benchmark::ClobberMemory();
    const auto t1 = Clock::now();
    run();
    benchmark::ClobberMemory();
    const auto t2 = Clock::now();
    const double m = std::chrono::duration<double>(t1 - t0).count();
    const double c = std::chrono::duration<double>(t2 - t1).count();
    copySeconds += m;
    caseSeconds += c;
    ratios.push_back(c / m);
    state.SetIterationTime(c);
  }
  const double n = double(state.iterations());
  std::sort(ratios.begin(), ratios.end());
  const double median = ratios.empty() ? 0 : ratios[ratios.size() / 2];
  state.counters["x_memcpy"] = median;
  state.counters["memcpy_ms"] = copySeconds / n * 1e3;
  state.SetBytesProcessed(int64_t(n * double(bytes)));
  Results()[name] = Result{median, goal, caseSeconds / n * 1e3, copySeconds / n * 1e3};
}

size_t SurfaceBytes(int32_t depth) { return size_t(kSide) * size_t(kSide) * size_t(depth) / 8; }
const std::function<void()> kNothing = [] {};

void Blend32(benchmark::State& st) {
  Scene& s = SceneOf(32);
  Measure(st, "DrawBlended 32", 4, SurfaceBytes(32), kNothing,
          [&] { s.dst.DrawBlended(0, 0, 128, -1, s.src.BoundsRect(), s.src); });
}
void Blend32Keyed(benchmark::State& st) {
  Scene& s = SceneOf(32);
  Measure(st, "DrawBlended 32 keyed", 4, SurfaceBytes(32), kNothing,
          [&] { s.dst.DrawBlended(0, 0, 128, 0x123456, s.src.BoundsRect(), s.src); });
}
void Alpha32(benchmark::State& st) {
  Scene& s = SceneOf(32);
  Measure(st, "DrawWithAlpha 32", 4, SurfaceBytes(32), kNothing,
          [&] { s.dst.DrawWithAlpha(0, 0, 255, s.src.BoundsRect(), s.src); });
}
void Blend24(benchmark::State& st) {
  Scene& s = SceneOf(24);
  Measure(st, "DrawBlended 24", 4, SurfaceBytes(24), kNothing,
          [&] { s.dst.DrawBlended(0, 0, 128, -1, s.src.BoundsRect(), s.src); });
}
void Alpha24(benchmark::State& st) {
  Scene& s = SceneOf(24);
  Measure(st, "DrawWithAlpha 24", 4, SurfaceBytes(24), kNothing,
          [&] { s.dst.DrawWithAlpha(0, 0, 255, s.src.BoundsRect(), s.src); });
}
void Dither8(benchmark::State& st) {
  Scene& s = SceneOf(8);
  Measure(st, "DrawBlended 8 dithered", 4, SurfaceBytes(8), kNothing,
          [&] { s.dst.DrawBlended(0, 0, 128, -1, s.src.BoundsRect(), s.src); });
}
void Fill32(benchmark::State& st) {
  Scene& s = SceneOf(32);
  Measure(st, "FillRect 32", 1.5, SurfaceBytes(32), kNothing,
          [&] { s.dst.FillRect(s.dst.BoundsRect(), 0xFF336699); });
}
void Copy32(benchmark::State& st) {
  Scene& s = SceneOf(32);
  Measure(st, "CopyFrom 32", 1.5, SurfaceBytes(32), kNothing, [&] { s.dst.CopyFrom(0, 0, s.src); });
}
void ConvertFrom(benchmark::State& st, int32_t depth, const char* name) {
  Scene& s = SceneOf(depth);
  TDIBSurface work;
  // The surface shares the prepared source (no copy) and gets a new 32-bit
  // store from the conversion; the ratio is against memcpy of that output.
  Measure(st, name, 4, SurfaceBytes(32), [&] { work.AssignSurface(s.src); },
          [&] { work.ConvertDepth(32, 0); });
}
void Convert8(benchmark::State& st) { ConvertFrom(st, 8, "ConvertDepth 8 to 32"); }
void Convert24(benchmark::State& st) { ConvertFrom(st, 24, "ConvertDepth 24 to 32"); }

BENCHMARK(Blend32)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Blend32Keyed)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Alpha32)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Blend24)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Alpha24)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Dither8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Fill32)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Copy32)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Convert8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Convert24)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dorv

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\n%-26s %10s %10s %9s %6s  %s\n", "case (4096 x 4096)", "case ms", "memcpy ms", "x memcpy",
              "goal", "");
  for (const auto& [name, r] : dorv::Results())
    std::printf("%-26s %10.2f %10.2f %9.2f %6.1f  %s\n", name.c_str(), r.caseMs, r.copyMs, r.ratio,
                r.goal, r.ratio <= r.goal ? "ok" : "OVER");
  return 0;
}
