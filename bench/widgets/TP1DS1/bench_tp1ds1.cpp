// Cost of one CurrentValue update of the trend strip and of the roll data display,
// including the drawing into the trend's back buffer and the read-out's text, offscreen.
// The repainted variants also run one pass of the event loop, which paints what the
// update invalidated into the window, as a display period does.

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <cmath>

#include "widgets/DS1/DS1.h"
#include "widgets/TP1/TP1.h"
#include "widgets/common/RetainedSurface.h"

namespace {

// Shows a widget and lets the offscreen platform expose it, so repaints reach its window.
void ShowExposed(QWidget& widget) {
  widget.show();
  QElapsedTimer clock;
  clock.start();
  while (!widget.windowHandle()->isExposed() && clock.elapsed() < 2000) {
    QCoreApplication::processEvents();
  }
  QCoreApplication::processEvents();
}

float Trend(int i) { return 120.0f + 70.0f * std::sin(0.05f * static_cast<float>(i)); }

void BM_TP1_CurrentValue(benchmark::State& state) {
  orlix::TP1 plot;
  plot.Canvas()->SetPixelRatio(state.range(0));
  plot.ResetPlot();
  int i = 0;
  for (auto _ : state) plot.setCurrentValue(Trend(i++));  // every 600th clears the canvas
}
BENCHMARK(BM_TP1_CurrentValue)->Arg(1)->Arg(2);

void BM_TP1_CurrentValueRepainted(benchmark::State& state) {
  orlix::TP1 plot;
  ShowExposed(plot);
  int i = 0;
  for (auto _ : state) {
    plot.setCurrentValue(Trend(i++));
    QCoreApplication::processEvents();  // the pass of the event loop that paints
  }
}
BENCHMARK(BM_TP1_CurrentValueRepainted);

void BM_TP1_ResetPlot(benchmark::State& state) {
  orlix::TP1 plot;
  plot.Canvas()->SetPixelRatio(state.range(0));
  for (auto _ : state) plot.ResetPlot();
}
BENCHMARK(BM_TP1_ResetPlot)->Arg(1)->Arg(2);

void BM_DS1_CurrentValue(benchmark::State& state) {
  orlix::DS1 display;
  display.setSpoolDiam(570);
  display.ResetData();
  display.SelectMode(static_cast<int>(state.range(0)));
  float length = 0;
  int i = 0;
  for (auto _ : state) {
    length += 0.5f;
    display.setStripLength(length);
    display.setCurrentValue(Trend(i++));
  }
}
BENCHMARK(BM_DS1_CurrentValue)->DenseRange(0, 3);

void BM_DS1_CurrentValueRepainted(benchmark::State& state) {
  orlix::DS1 display;
  ShowExposed(display);
  display.SelectMode(3);
  float length = 0;
  int i = 0;
  for (auto _ : state) {
    length += 0.5f;
    display.setStripLength(length);
    display.setCurrentValue(Trend(i++));
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_DS1_CurrentValueRepainted);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
