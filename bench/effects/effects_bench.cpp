// One frame of each pixel kernel beside two baselines measured in the same
// run: a memcpy of the kernel's canvas, and the literal loop written from the
// rule. After the run a table gives each kernel's time as a multiple of its
// memcpy and its literal loop's time as a multiple of the kernel's, from the
// best CPU time of each (run with --benchmark_repetitions=N to steady them on
// a busy machine).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/effects/literal_kernels.h"

namespace {

using namespace effects;

std::vector<uint8_t> RandomBytes(size_t n) {
  std::mt19937 rng(42);
  std::vector<uint8_t> v(n);
  for (auto& b : v)
    b = static_cast<uint8_t>(rng());
  return v;
}

void Memcpy(benchmark::State& state, size_t bytes) {
  const auto src = RandomBytes(bytes);
  std::vector<uint8_t> dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}

// ---- Lens: 320×240 canvas ----
void LensMemcpy(benchmark::State& s) {
  Memcpy(s, kCanvasBytes);
}
void LensKernel(benchmark::State& state) {
  const auto src = RandomBytes(kCanvasBytes);
  std::vector<uint8_t> canvas(kCanvasBytes);
  const LensTable table = MakeLensTable();
  const RowStartTable rowStart = MakeRowStart();
  LensState lens;
  for (auto _ : state) {
    DrawLensFrame(src.data(), canvas.data(), table, rowStart, lens);
    benchmark::ClobberMemory();
  }
}
void LensLiteral(benchmark::State& state) {
  const auto src = RandomBytes(kCanvasBytes);
  std::vector<uint8_t> canvas(kCanvasBytes);
  const LensTable table = MakeLensTable();
  const RowStartTable rowStart = MakeRowStart();
  LensState lens;
  for (auto _ : state) {
    literal::DrawLensFrame(src.data(), canvas.data(), table.data(), rowStart.data(), lens);
    benchmark::ClobberMemory();
  }
}

// ---- Rotation: 320×240 canvas from an 840×840 source ----
void RotationMemcpy(benchmark::State& s) {
  Memcpy(s, kCanvasBytes);
}
void RotationKernel(benchmark::State& state) {
  const auto src = RandomBytes(840 * 840);
  std::vector<uint8_t> canvas(kCanvasBytes);
  const SineTable t = BuildSineTable(3.1415926535);
  const RowStartTable rowStart = MakeRowStart();
  const SourceRowTable sourceRow = MakeSourceRows();
  int k = 0;
  for (auto _ : state) {
    RenderRotation(src.data(), canvas.data(), t, rowStart, sourceRow, k);
    k = (k + 1) & 255;
    benchmark::ClobberMemory();
  }
}
void RotationLiteral(benchmark::State& state) {
  const auto src = RandomBytes(840 * 840);
  std::vector<uint8_t> canvas(kCanvasBytes);
  const SineTable t = BuildSineTable(3.1415926535);
  const RowStartTable rowStart = MakeRowStart();
  const SourceRowTable sourceRow = MakeSourceRows();
  int k = 0;
  for (auto _ : state) {
    literal::RenderRotation(src.data(), canvas.data(), t.data(), rowStart.data(), sourceRow.data(),
                            k);
    k = (k + 1) & 255;
    benchmark::ClobberMemory();
  }
}

// ---- Ripple: 160×120 canvas, measured on waves already spread ----
void RippleMemcpy(benchmark::State& s) {
  Memcpy(s, kRippleCells);
}
void RippleKernel(benchmark::State& state) {
  const auto src = RandomBytes(kRippleCells);
  std::vector<uint8_t> canvas(kRippleCells);
  RippleMaps maps;
  const DropPath path = BuildDropPath();
  int k = 0;
  for (int f = 0; f < 500; ++f, k = (k + 1) & 127)
    RippleStep(src.data(), canvas.data(), maps, path, k);
  for (auto _ : state) {
    RippleStep(src.data(), canvas.data(), maps, path, k);
    k = (k + 1) & 127;
    benchmark::ClobberMemory();
  }
}
void RippleLiteral(benchmark::State& state) {
  const auto src = RandomBytes(kRippleCells);
  std::vector<uint8_t> canvas(kRippleCells);
  std::vector<int32_t> h(kRippleCells), g(kRippleCells);
  const DropPath path = BuildDropPath();
  int k = 0;
  for (int f = 0; f < 500; ++f, k = (k + 1) & 127) {
    literal::RippleStep(src.data(), canvas.data(), h.data(), g.data(), path.data(), k);
    std::swap(h, g);
  }
  for (auto _ : state) {
    literal::RippleStep(src.data(), canvas.data(), h.data(), g.data(), path.data(), k);
    std::swap(h, g);
    k = (k + 1) & 127;
    benchmark::ClobberMemory();
  }
}

// ---- Plasma: 320×240 canvas ----
void PlasmaMemcpy(benchmark::State& s) {
  Memcpy(s, kCanvasBytes);
}
void PlasmaKernel(benchmark::State& state) {
  std::vector<uint8_t> canvas(kCanvasBytes);
  const PlasmaWave w = BuildPlasmaWave(3.141592654);
  const RowStartTable rowStart = MakeRowStart();
  PlasmaPhases ph;
  for (auto _ : state) {
    RenderPlasma(canvas.data(), w, rowStart, ph);
    benchmark::ClobberMemory();
  }
}
void PlasmaLiteral(benchmark::State& state) {
  std::vector<uint8_t> canvas(kCanvasBytes);
  const PlasmaWave w = BuildPlasmaWave(3.141592654);
  const RowStartTable rowStart = MakeRowStart();
  PlasmaPhases ph;
  for (auto _ : state) {
    literal::RenderPlasma(canvas.data(), w.data(), rowStart.data(), ph);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(LensMemcpy);
BENCHMARK(LensKernel);
BENCHMARK(LensLiteral);
BENCHMARK(RotationMemcpy);
BENCHMARK(RotationKernel);
BENCHMARK(RotationLiteral);
BENCHMARK(RippleMemcpy);
BENCHMARK(RippleKernel);
BENCHMARK(RippleLiteral);
BENCHMARK(PlasmaMemcpy);
BENCHMARK(PlasmaKernel);
BENCHMARK(PlasmaLiteral);

// The console report, keeping each benchmark's best CPU time per iteration
// over its repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // Repetitions reported only as aggregates count by their median.
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if ((run.run_type != Run::RT_Iteration && !median) || run.error_occurred) continue;
      const std::string& name = run.run_name.function_name;
      const double t = run.GetAdjustedCPUTime();
      if (!times.count(name) || t < times[name]) times[name] = t;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-10s %16s %16s\n", "kernel", "kernel/memcpy", "literal/kernel");
  for (const char* name : {"Lens", "Rotation", "Ripple", "Plasma"}) {
    const std::string n = name;
    auto& t = reporter.times;
    if (!t.count(n + "Kernel") || !t.count(n + "Memcpy") || !t.count(n + "Literal")) continue;
    std::printf("%-10s %15.2fx %15.2fx\n", name, t[n + "Kernel"] / t[n + "Memcpy"],
                t[n + "Literal"] / t[n + "Kernel"]);
  }
  benchmark::Shutdown();
  return 0;
}
