#pragma once
// The station at one moment, as the running pass publishes it: one snapshot per update (a
// measurement, a display update, a sample, a start or stop, an operator's change). The main
// window shows it; every output to the plant (the Modbus link and any later) serves it.

#include <cstdint>
#include <optional>

#include "core/OffGaugeAlarm.h"

namespace orlix {

// The last pass after its "Stop", kept until the next "Start".
struct PassOutcome {
  std::int16_t pass = 0;
  float stripLength = 0;   // m
  float rollWeight = 0;    // kg
  float rollDiameter = 0;  // mm
  // The figures of its report over the recorded data lines; nothing until the report is
  // done, or when the pass file could not be read.
  std::optional<double> mean;         // µm
  std::optional<double> deviation;    // µm
  std::optional<double> inTolerance;  // share of data lines within the limits, 0..1
};

// Where the latest measurement lies against the running pass's limits.
enum class ToleranceState { kUnknown, kWithin, kAbove, kBelow };

struct StationSnapshot {
  // What made this snapshot; an update may be several at once.
  enum Change : unsigned {
    kMeasured = 1u << 0,   // a fresh measurement (between display updates, when asked for)
    kDisplayed = 1u << 1,  // a display update: the instruments take the thickness and the roll
    kSampled = 1u << 2,    // the sample count was taken
    kFile = 1u << 3,       // writing the pass file failed or works again
    kStarted = 1u << 4,    // a pass started: the instruments start afresh
    kStopped = 1u << 5,    // the pass stopped, or its report's figures came in
    kOperator = 1u << 6,   // set-point, pass, scale, gain or control changed
    kAlarm = 1u << 7,      // the off-gauge alarm was raised, returned or acknowledged
  };

  std::uint64_t sequence = 0;  // counts the snapshots published
  unsigned changes = 0;

  bool passRunning = false;
  bool measured = false;             // a measurement of the running pass exists
  float thickness = 0;               // µm, the latest measurement
  float setPoint = 0;                // µm
  float scale = 0;                   // µm, the instruments' scale length
  std::optional<double> correction;  // per mille, as the station defines it
  bool controlOn = false;
  bool fileFailing = false;
  std::int16_t pass = 0;
  double gain = 0;                  // percent
  double sample = 0;                // the last sample count
  float stripLength = 0;            // m, at the last display update
  float rollWeight = 0;             // kg
  float rollDiameter = 0;           // mm
  std::optional<float> lowerLimit;  // µm, the running pass's tolerance limits, if it has any
  std::optional<float> upperLimit;
  std::optional<PassOutcome> lastPass;  // after "Stop", until the next "Start"
  AlarmState alarm;                     // the off-gauge alarm of the running pass

  bool Valid() const;  // a finite measurement of a running pass
  bool HasLimits() const { return passRunning && lowerLimit && upperLimit; }
  ToleranceState Tolerance() const;
};

}  // namespace orlix
