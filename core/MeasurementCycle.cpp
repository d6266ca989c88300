#include "core/MeasurementCycle.h"

#include <algorithm>
#include <limits>

namespace orlix {

bool MeasurementCycle::Due(double last, int periodIndex, double now) const {
  // The period is a single; an action is due on the first step whose time exceeds the
  // last action time plus the period.
  const auto period = static_cast<float>(settings_[periodIndex]);
  return last + static_cast<double>(period) < now;
}

// A step comes a little after the moment an action fell due (the timer wakes on whole
// milliseconds, the event loop may be busy). The action counts as taken at that moment, so
// the periods keep their pace over a long pass instead of losing the lateness of every
// wake-up; a step a whole period or more late (the program was held up) counts from now,
// so no burst of catch-up actions follows.
double MeasurementCycle::Served(double last, int periodIndex, double now) const {
  const auto period = static_cast<double>(static_cast<float>(settings_[periodIndex]));
  const double due = last + period;
  return now - due < period ? due : now;
}

void MeasurementCycle::Record(bool written) {
  if (written == !fileFailing_) return;
  fileFailing_ = !written;
  instruments_.ShowFileProblem(fileFailing_);
}

void MeasurementCycle::StartPass() {
  headerWritten_ = recorder_.WriteFileHeader(values_.PassNumber);
  Record(headerWritten_);
  passLength_ = 0;
  values_.StripLengthCounter = 0;

  instruments_.ResetInstruments();
  stopFlag_ = false;
  const double now = clock_.MonotonicSeconds();
  lastDisplay_ = lastFileOutput_ = lastCorrection_ = now;
}

bool MeasurementCycle::Step() {
  if (stopFlag_) return false;
  measure_.MeasureThickness(currentThickness_);

  double now = clock_.MonotonicSeconds();
  if (Due(lastDisplay_, DisplayPeriod, now)) {
    instruments_.ShowThickness(currentThickness_);
    daq_.StepStripLength(passLength_);
    instruments_.ShowRoll(passLength_, currentThickness_);
    lastDisplay_ = Served(lastDisplay_, DisplayPeriod, now);
  }
  now = clock_.MonotonicSeconds();
  if (Due(lastFileOutput_, FileOutputPeriod, now)) {
    float rollDiam = 0, rollWeight = 0;
    instruments_.RollValues(rollDiam, rollWeight);
    if (!headerWritten_) headerWritten_ = recorder_.WriteFileHeader(values_.PassNumber);
    Record(headerWritten_ && recorder_.AddFileData(values_.PassNumber, passLength_,
                                                   currentThickness_, rollDiam, rollWeight));
    lastFileOutput_ = Served(lastFileOutput_, FileOutputPeriod, now);
  }
  now = clock_.MonotonicSeconds();
  if (Due(lastCorrection_, CorrectionPeriod, now)) {
    TakeSample();
    lastCorrection_ = Served(lastCorrection_, CorrectionPeriod, now);
  }
  return true;
}

double MeasurementCycle::SecondsUntilDue() {
  constexpr double kNever = std::numeric_limits<double>::infinity();
  if (stopFlag_) return kNever;
  const double now = clock_.MonotonicSeconds();
  double wait = kNever;
  for (const auto& [last, index] :
       {std::pair{lastDisplay_, DisplayPeriod}, std::pair{lastFileOutput_, FileOutputPeriod},
        std::pair{lastCorrection_, CorrectionPeriod}}) {
    const auto period = static_cast<float>(settings_[index]);
    if (period <= 0.0f || Due(last, index, now)) return 0.0;
    const double until = last + static_cast<double>(period) - now;
    if (until >= 0.0) wait = std::min(wait, std::max(until, 1e-6));
  }
  return wait;
}

bool MeasurementCycle::MeasureNow() {
  if (stopFlag_) return false;
  measure_.MeasureThickness(currentThickness_);
  return true;
}

double MeasurementCycle::TakeSample() {
  sample_ = daq_.SampleCount();
  instruments_.ShowSample(sample_);
  return sample_;
}

void MeasurementCycle::StopPass() {
  if (stopFlag_) return;  // no pass: an earlier, complete pass file stays as it is
  const HistogramSummary h = instruments_.Histogram();
  const std::int16_t pass = values_.PassNumber;
  bool written = headerWritten_ && recorder_.WriteFileEnd(pass, h.average, h.deviation);
  for (int k = 0; written && k < kHistogramBins; ++k) {
    const auto n = h.y[static_cast<std::size_t>(k)];
    if (n != 0) {
      written = recorder_.WriteHistoPoint(pass, h.x[static_cast<std::size_t>(k)], n) && written;
    }
  }
  Record(written);
  stopFlag_ = true;
}

}  // namespace orlix
