#pragma once
// Count acquisition: the counts of every measurement, the sample count of the main window
// and the strip-length counter.

#include <cstdint>

#include "core/Settings.h"
#include "core/Stats.h"

namespace orlix {

// Where counts come from. The Poisson simulator is the station's source; a counting
// board would implement the same interface.
class CountSource {
 public:
  virtual ~CountSource() = default;
  // One count whose expected value is `mean`.
  virtual std::int16_t Count(float mean) = 0;
};

class SimulatedCountSource final : public CountSource {
 public:
  explicit SimulatedCountSource(Stats& stats) : stats_(stats) {}
  std::int16_t Count(float mean) override { return stats_.PoissonCount(mean); }

 private:
  Stats& stats_;
};

class QLDAQ {
 public:
  // The mean of the sample count in Simulation mode.
  static constexpr float kSimulatedSampleMean = 1200.0f;

  QLDAQ(CountSource& source, const SettingsRecord& settings, ProgramValues& values)
      : source_(source), settings_(settings), values_(values) {}

  // One count with the set-point as its mean. A counter board would count for the
  // measurement quantity and above the low level of the settings; the simulator needs
  // neither.
  float ReadCount() { return static_cast<float>(source_.Count(values_.SetPointThickness)); }

  // The sample shown in the main window: a count of mean 1200 in Simulation mode,
  // otherwise a count with the set-point as its mean.
  double SampleCount();

  // A count of the given mean straight from the source.
  float CountWithMean(float mean) { return static_cast<float>(source_.Count(mean)); }

  // Advances the strip-length counter by one and returns it.
  void StepStripLength(float& length);

 private:
  CountSource& source_;
  const SettingsRecord& settings_;
  ProgramValues& values_;
};

}  // namespace orlix
