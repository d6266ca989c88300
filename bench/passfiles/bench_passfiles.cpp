// Cost of one pass-file data line: open, append one line, close, in a real directory.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/SystemPlatform.h"
#include "passfiles/PassFileWriter.h"

using namespace orlix;

namespace {

class FixedClock final : public Clock {
 public:
  double MonotonicSeconds() override { return 0; }
  std::string DateText() override { return "06/12/2026"; }
  std::string TimeText() override { return "10:41:09"; }
};

}  // namespace

static void BM_AddFileData(benchmark::State& state) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("orlix_bench_pass_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  DirectoryFileAccess files(dir);
  FixedClock clock;
  PassFileWriter writer(files, clock);
  if (!writer.WriteFileHeader(7)) state.SkipWithError("header not written");
  float length = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(writer.AddFileData(7, length, 120.44f, 350.2f, 15.6f));
    length += 1;
  }
  state.SetItemsProcessed(state.iterations());
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_AddFileData)->Unit(benchmark::kMicrosecond);

static void BM_DataLineText(benchmark::State& state) {
  float length = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PassFileWriter::DataLine(length, 120.44f, 350.2f, 15.6f));
    length += 1;
  }
}
BENCHMARK(BM_DataLineText);

BENCHMARK_MAIN();
