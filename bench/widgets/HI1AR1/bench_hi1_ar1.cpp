// Cost of one CurrentValue update of the histogram and of the arrow gauge, including their
// drawing, on Qt's offscreen platform; and of a histogram rescale (a whole redraw).
// "Shown" variants also let the event loop copy the picture to the (offscreen) screen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdint>

#include "widgets/AR1/AR1.h"
#include "widgets/HI1/HI1.h"

using namespace orlix;

namespace {

// Thicknesses spread over the whole histogram so that rescales stay rare, as in a pass.
class Values {
 public:
  float Next() {
    seed_ = seed_ * 1664525u + 1013904223u;
    return 0.0f + static_cast<float>(seed_ >> 8) / 16777216.0f * 240.0f;
  }

 private:
  std::uint32_t seed_ = 12345;
};

void BM_HI1CurrentValue(benchmark::State& state) {
  const bool shown = state.range(0) != 0;
  HI1 w;
  if (shown) {
    w.show();
  } else {
    w.Surface()->SetPixelRatio(1.0);  // a hidden widget gets its full-size buffer only when shown
  }
  QApplication::processEvents();
  w.ResetHisto();
  Values values;
  for (auto _ : state) {
    w.setCurrentValue(values.Next());
    if (shown) QApplication::processEvents();
  }
  state.counters["rescales"] = w.model().RescaleNumber() - 1;
  state.SetLabel(shown ? "shown" : "hidden");
}
BENCHMARK(BM_HI1CurrentValue)->Arg(0)->Arg(1);

// The 126th value of a bar: the frame and the yellow bars of all 51 totals are redrawn.
void BM_HI1Rescale(benchmark::State& state) {
  const bool shown = state.range(0) != 0;
  HI1 w;
  if (shown) {
    w.show();
  } else {
    w.Surface()->SetPixelRatio(1.0);  // a hidden widget gets its full-size buffer only when shown
  }
  QApplication::processEvents();
  for (auto _ : state) {
    state.PauseTiming();
    w.ResetHisto();
    for (int k = 0; k < HI1Model::kBins; ++k) {
      // Every bar part-filled, bar 25 one short of a rescale.
      const float value = 2.4f + 4.8f * k;
      const int count = k == 25 ? 125 : 60 + k;
      for (int i = 0; i < count; ++i) w.setCurrentValue(value);
    }
    if (shown) QApplication::processEvents();
    state.ResumeTiming();
    w.setCurrentValue(122.4f);
    if (shown) QApplication::processEvents();
  }
  if (w.model().RescaleNumber() != 2) state.SkipWithError("no rescale happened");
  state.SetLabel(shown ? "shown" : "hidden");
}
BENCHMARK(BM_HI1Rescale)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_AR1CurrentValue(benchmark::State& state) {
  const bool shown = state.range(0) != 0;
  AR1 w;
  if (shown) {
    w.show();
  } else {
    w.Surface()->SetPixelRatio(1.0);  // a hidden widget gets its full-size buffer only when shown
  }
  QApplication::processEvents();
  Values values;
  for (auto _ : state) {
    w.setCurrentValue(values.Next() - 30.0f);
    if (shown) QApplication::processEvents();
  }
  state.SetLabel(shown ? "shown" : "hidden");
}
BENCHMARK(BM_AR1CurrentValue)->Arg(0)->Arg(1);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
