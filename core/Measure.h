#pragma once
// Thickness evaluation: one count becomes one thickness in micrometres.

#include <array>
#include <optional>

#include "core/QLDAQ.h"
#include "core/Settings.h"

namespace orlix {

// A0, A1, A2, A3 of thickness = A0 + A1·x + A2·x² + A3·x³.
using Coefficients = std::array<double, 4>;

class Measure {
 public:
  Measure(const SettingsRecord& settings, const ProgramValues& values, QLDAQ& daq,
          const Coefficients& coef)
      : settings_(settings), values_(values), daq_(daq), coef_(coef) {}

  // Measures one thickness by the measurement mode: Direct, Approximation through the
  // calibration cubic, Simulation, or 0 for any other mode. The result is always finite:
  // a cubic beyond the single range gives the largest single of its sign.
  void MeasureThickness(float& thickness);

  // The control correction of the last measurement: (set-point − thickness) × 1000 ÷
  // gain ÷ thickness, a deviation in per mille scaled by the gain. Empty while control is
  // off, or when the thickness or the gain is 0. No output acts on it.
  std::optional<double> Correction() const { return correction_; }

  // The calibration cubic in the order of terms the measurement uses, stored as single.
  static float EvaluateCubic(const Coefficients& coef, float x);

 private:
  const SettingsRecord& settings_;
  const ProgramValues& values_;
  QLDAQ& daq_;
  const Coefficients& coef_;
  std::optional<double> correction_;
};

}  // namespace orlix
