// Cost of the simulated count, of one measurement in each mode and of the off-gauge alarm's
// look at one display update.
#include <benchmark/benchmark.h>

#include "base/SystemPlatform.h"
#include "core/Measure.h"
#include "core/OffGaugeAlarm.h"

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

// One display update through the alarm, the strip 0.1 m further each time: within the limits
// (0), off gauge and latched (1), or in a pass without limits (2).
static void BM_OffGaugeAlarmUpdate(benchmark::State& state) {
  OffGaugeAlarm alarm(5);
  const double thickness = state.range(0) == 1 ? 131.2 : 120.4;
  const bool limits = state.range(0) != 2;
  double length = 0;
  for (auto _ : state) {
    length += 0.1;
    auto events = alarm.Update(length, thickness, limits ? std::optional(114.0) : std::nullopt,
                               limits ? std::optional(126.0) : std::nullopt, length);
    benchmark::DoNotOptimize(events);
  }
  static const char* names[] = {"in tolerance", "off gauge", "no limits"};
  state.SetLabel(names[state.range(0)]);
}
BENCHMARK(BM_OffGaugeAlarmUpdate)->DenseRange(0, 2);

BENCHMARK_MAIN();
