#pragma once
// The measurement cycle of a pass: measure on every step, and at three independent periods
// update the instruments, append a line to the pass file and refresh the sample. The
// caller runs one step at a time from its event loop and handles window events between
// steps; the cycle itself never waits.

#include <array>
#include <cstdint>

#include "base/Platform.h"
#include "core/Measure.h"
#include "core/QLDAQ.h"
#include "core/Settings.h"

namespace orlix {

inline constexpr int kHistogramBins = 51;

// What the histogram holds when a pass stops.
struct HistogramSummary {
  float average = 0;
  float deviation = 0;
  std::array<float, kHistogramBins> x{};         // lower edge of each bin
  std::array<std::int32_t, kHistogramBins> y{};  // count of each bin
};

// The instruments the cycle drives (the main window's widgets).
class CycleInstruments {
 public:
  virtual ~CycleInstruments() = default;
  // A pass begins: histogram, trend and roll data start afresh, the roll display shows 0.
  virtual void ResetInstruments() = 0;
  // The display period: histogram, gauge and trend take the thickness.
  virtual void ShowThickness(float thickness) = 0;
  // Then the roll display takes the strip length and the thickness, in that order.
  virtual void ShowRoll(float stripLength, float thickness) = 0;
  // Roll diameter and weight for the pass file.
  virtual void RollValues(float& rollDiam, float& rollWeight) = 0;
  // The sample period: the sample count.
  virtual void ShowSample(double sample) = 0;
  // The histogram's statistics and bins at the end of a pass.
  virtual HistogramSummary Histogram() = 0;
  // Writing the pass file failed (true) or works again (false).
  virtual void ShowFileProblem(bool failing) = 0;
};

// The pass file: each call reports whether it was written.
class PassRecorder {
 public:
  virtual ~PassRecorder() = default;
  virtual bool WriteFileHeader(std::int16_t pass) = 0;
  virtual bool AddFileData(std::int16_t pass, float length, float thickness, float rollDiam,
                           float rollWeight) = 0;
  virtual bool WriteFileEnd(std::int16_t pass, double average, double deviation) = 0;
  virtual bool WriteHistoPoint(std::int16_t pass, double x, double n) = 0;
};

class MeasurementCycle {
 public:
  MeasurementCycle(const SettingsRecord& settings, ProgramValues& values, QLDAQ& daq,
                   Measure& measure, PassRecorder& recorder, Clock& clock,
                   CycleInstruments& instruments)
      : settings_(settings),
        values_(values),
        daq_(daq),
        measure_(measure),
        recorder_(recorder),
        clock_(clock),
        instruments_(instruments) {}

  // Starts a pass: the pass file's header, the strip length from 0, the instruments
  // reset, and the three periods counted from now.
  void StartPass();

  // One pass through the loop. False when the cycle has stopped (nothing was done).
  bool Step();

  // How long the caller may wait before the next step has something to do: 0 when a
  // period has already passed, or is 0 or less (the cycle then steps continuously);
  // otherwise the seconds until the earliest period is reached. An action is due only once
  // the time exceeds its last action plus the period, so a step exactly at that moment
  // would find nothing to do: the caller wakes a little later, and at the due moment
  // itself the answer is a microsecond, never 0. Infinite when no pass runs or no period
  // can ever pass (not a number).
  double SecondsUntilDue();

  // Stops the running pass: the end block and one line per non-empty histogram bin, then
  // the cycle stops before its next step. Without a running pass it writes nothing.
  void StopPass();

  // Ends the cycle without writing anything (the program closes).
  void Abandon() { stopFlag_ = true; }

  bool Running() const { return !stopFlag_; }
  float CurrentThickness() const { return currentThickness_; }
  float PassLength() const { return passLength_; }
  double Sample() const { return sample_; }
  bool FileFailing() const { return fileFailing_; }

  // The sample at start-up, outside any pass.
  double TakeSample();

  // A measurement between steps, for an output that wants a fresh one; nothing is shown,
  // recorded or timed. False when no pass runs.
  bool MeasureNow();

 private:
  bool Due(double last, int periodIndex, double now) const;
  double Served(double last, int periodIndex, double now) const;
  void Record(bool written);

  const SettingsRecord& settings_;
  ProgramValues& values_;
  QLDAQ& daq_;
  Measure& measure_;
  PassRecorder& recorder_;
  Clock& clock_;
  CycleInstruments& instruments_;

  bool stopFlag_ = true;
  bool fileFailing_ = false;
  bool headerWritten_ = false;
  float currentThickness_ = 0;
  float passLength_ = 0;
  double sample_ = 0;
  double lastFileOutput_ = 0;
  double lastDisplay_ = 0;
  double lastCorrection_ = 0;
};

}  // namespace orlix
