#include "core/Measure.h"

#include <cmath>
#include <limits>

namespace orlix {

float Measure::EvaluateCubic(const Coefficients& coef, float x) {
  const double xd = x;
  const double a0 = coef[0], a1 = coef[1], a2 = coef[2], a3 = coef[3];
  double t = xd * a2 * xd;
  t += xd * a1 + a0;
  t += xd * a3 * xd * xd;
  if (std::isnan(t)) return 0.0f;
  constexpr double kMax = std::numeric_limits<float>::max();
  if (t > kMax) return std::numeric_limits<float>::max();
  if (t < -kMax) return std::numeric_limits<float>::lowest();
  return static_cast<float>(t);
}

void Measure::MeasureThickness(float& thickness) {
  const float x = daq_.ReadCount();
  const double mode = settings_[MeasurementMode];
  float result = 0.0f;
  if (mode == kModeDirect) {
    result = x;
  } else if (mode == kModeApproximation) {
    result = EvaluateCubic(coef_, x);
  } else if (mode == kModeSimulation) {
    result = daq_.CountWithMean(values_.SetPointThickness);
  }
  thickness = result;

  correction_.reset();
  if (values_.ControlOn && result != 0.0f && values_.ControlGain != 0.0) {
    const double c = (static_cast<double>(values_.SetPointThickness) - result) * 1000.0 /
                     values_.ControlGain / static_cast<double>(result);
    if (std::isfinite(c)) correction_ = c;
  }
}

}  // namespace orlix
