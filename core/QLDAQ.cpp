#include "core/QLDAQ.h"

namespace orlix {

double QLDAQ::SampleCount() {
  if (settings_[MeasurementMode] == kModeSimulation) {
    return static_cast<double>(static_cast<float>(source_.Count(kSimulatedSampleMean)));
  }
  return static_cast<double>(ReadCount());
}

void QLDAQ::StepStripLength(float& length) {
  values_.StripLengthCounter = values_.StripLengthCounter + 1.0;
  length = static_cast<float>(values_.StripLengthCounter);
}

}  // namespace orlix
