#include "core/QLDAQ.h"

namespace orlix {

void QLDAQ::ReadCount(const double& /*p1*/, const double& /*p2*/, float& count) {
  count = static_cast<float>(source_.Count(values_.SetPointThickness));
}

void QLDAQ::SampleCount(double& sample) {
  if (settings_[MeasurementMode] == kModeSimulation) {
    sample = static_cast<double>(static_cast<float>(source_.Count(kSimulatedSampleMean)));
  } else {
    sample = static_cast<double>(ReadCount());
  }
}

void QLDAQ::StepStripLength(float& length) {
  values_.StripLengthCounter = values_.StripLengthCounter + 1.0;
  length = static_cast<float>(values_.StripLengthCounter);
}

}  // namespace orlix
