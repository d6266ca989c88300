// Time of one PIN check at the stored iteration count: the wait behind "OK" in the PIN
// window, and the cost of each guess to someone holding a copy of station.ini.
#include <benchmark/benchmark.h>

#include "access/PinHash.h"

using namespace orlix::access;

static void BM_CheckPin(benchmark::State& state) {
  const auto stored = HashPin("2468", static_cast<std::uint32_t>(state.range(0)));
  if (!stored) return state.SkipWithError("no hash");
  for (auto _ : state) benchmark::DoNotOptimize(CheckPin(*stored, "1357"));
}
BENCHMARK(BM_CheckPin)->Arg(kPinIterations)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
