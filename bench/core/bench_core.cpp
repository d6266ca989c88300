// Cost of the simulated count and of one measurement in each mode.
#include <benchmark/benchmark.h>

#include "base/SystemPlatform.h"
#include "core/Measure.h"

using namespace orlix;

static void BM_PoissonCount(benchmark::State& state) {
  Pcg32Uniform uniform;
  Stats stats(uniform);
  const auto mean = static_cast<float>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(stats.PoissonCount(mean));
}
BENCHMARK(BM_PoissonCount)->Arg(120)->Arg(1200);

static void BM_UniformNext(benchmark::State& state) {
  Pcg32Uniform uniform;
  UniformSource& source = uniform;
  for (auto _ : state) benchmark::DoNotOptimize(source.Next());
}
BENCHMARK(BM_UniformNext);

static void BM_MeasureThickness(benchmark::State& state) {
  Pcg32Uniform uniform;
  Stats stats(uniform);
  SimulatedCountSource source(stats);
  SettingsRecord settings;
  settings[MeasurementMode] = static_cast<double>(state.range(0));
  ProgramValues values;
  values.SetStartValues();
  QLDAQ daq(source, settings, values);
  Coefficients coef{1.5, 0.98, 1e-5, 1e-9};
  Measure measure(settings, values, daq, coef);
  float t = 0;
  for (auto _ : state) {
    measure.MeasureThickness(t);
    benchmark::DoNotOptimize(t);
  }
  static const char* names[] = {"Direct", "Approximation", "Simulation", "Other"};
  state.SetLabel(names[state.range(0)]);
}
BENCHMARK(BM_MeasureThickness)->DenseRange(0, 3);

BENCHMARK_MAIN();
