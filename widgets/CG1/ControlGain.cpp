#include "widgets/CG1/ControlGain.h"

#include "base/Format.h"

namespace orlix::cg1 {

float IncreasedGain(float gain) {
  const float next = gain + 1.0f;
  return next > kMaxGain ? kMinGain : next;
}

float DecreasedGain(float gain) {
  const float next = gain - 1.0f;
  return next < kMinGain ? kMaxGain : next;
}

std::string ControlGain::GainText() const { return FormatPattern(gain_, "##0"); }

}  // namespace orlix::cg1
