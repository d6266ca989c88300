// Cost of the cubic fit over a window's worth of points and over a full record.
#include <benchmark/benchmark.h>

#include <cmath>

#include "calibration/Poly3Fit.h"

using namespace orlix;

namespace {

// Counts falling with thickness as the absorption law has it, clustered high.
CalibrationData Points(int n) {
  CalibrationData data;
  data.PointCount = static_cast<std::int16_t>(n);
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    data.Intensity[k] = 32000.0 - 37.0 * i - (i % 7);
    data.Thickness[k] = 250.0 * std::log(40000.0 / data.Intensity[k]) + 0.1 * (i % 5);
  }
  return data;
}

}  // namespace

static void BM_FitPoly3(benchmark::State& state) {
  CalibrationData data = Points(static_cast<int>(state.range(0)));
  std::int16_t failed = 0;
  for (auto _ : state) {
    FitPoly3(data, failed);
    benchmark::DoNotOptimize(data.Coef);
  }
  if (failed != kFalse16) state.SkipWithError("fit failed");
}
BENCHMARK(BM_FitPoly3)->Arg(15)->Arg(200)->Unit(benchmark::kMicrosecond);

static void BM_FitAndCommit(benchmark::State& state) {
  CalibrationData data = Points(static_cast<int>(state.range(0)));
  std::int16_t failed = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FitAndCommit(data, failed));
  }
}
BENCHMARK(BM_FitAndCommit)->Arg(15)->Arg(200)->Unit(benchmark::kMicrosecond);

static void BM_EvalPoly3(benchmark::State& state) {
  CalibrationData data = Points(200);
  std::int16_t failed = 0;
  FitPoly3(data, failed);
  double x = 30000;
  for (auto _ : state) {
    benchmark::DoNotOptimize(EvalPoly3(data, x));
    x += 0.25;
  }
}
BENCHMARK(BM_EvalPoly3);

BENCHMARK_MAIN();
