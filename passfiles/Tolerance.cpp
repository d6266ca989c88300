#include "passfiles/Tolerance.h"

#include <cmath>

namespace orlix {

std::string ToleranceProblem(const Tolerance& tolerance) {
  for (const auto& [key, value] : {std::pair{kTolerancePlusKey, tolerance.plus},
                                   std::pair{kToleranceMinusKey, tolerance.minus}}) {
    if (!std::isfinite(value)) return std::string(key) + " is not a number";
    if (value < kToleranceMinimum) return std::string(key) + " is below 0";
    if (value > kToleranceMaximum) return std::string(key) + " is above 9999 µm";
  }
  if (tolerance.plus + tolerance.minus <= 0) return "the tolerance has no width (both sides 0)";
  return {};
}

}  // namespace orlix
