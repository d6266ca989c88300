#include "base/Axis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace orlix {
namespace {

// The first and last multiple of `step` in the range, forgiving the rounding of the
// division (0.3 / 0.1 is 2.9999999999999996).
double First(double lo, double step) { return std::ceil(lo / step - 1e-9); }
double Last(double hi, double step) { return std::floor(hi / step + 1e-9); }

}  // namespace

AxisTicks RoundTicks(double lo, double hi, int most) {
  AxisTicks ticks;
  most = std::max(most, 2);
  if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo) || !std::isfinite(hi - lo))
    return ticks;
  // The smallest 1, 2, 5 x 10^n with no more than `most` multiples in the range.
  const double rough = (hi - lo) / most;
  double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = 0;
  for (int round = 0; round < 4 && step == 0; ++round, power *= 10) {
    for (const double m : {1.0, 2.0, 5.0}) {
      const double s = m * power;
      if (Last(hi, s) - First(lo, s) + 1 <= most) {
        step = s;
        break;
      }
    }
  }
  if (step == 0 || !std::isfinite(step)) return ticks;
  ticks.step = step;
  for (double k = First(lo, step); k <= Last(hi, step); ++k) ticks.values.push_back(k * step);
  ticks.decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
  return ticks;
}

RoundAxis RoundAxisOf(double lo, double hi, int ticks) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) {
    lo = 0;
    hi = 1;
  }
  if (hi < lo) std::swap(lo, hi);
  if (hi - lo < 1e-9 * std::max(1.0, std::abs(hi))) {  // one value: a step either side
    lo -= 1;
    hi += 1;
  }
  ticks = std::max(ticks, 1);
  double power = std::pow(10.0, std::floor(std::log10((hi - lo) / ticks)));
  for (;; power *= 10) {
    for (const double m : {1.0, 2.0, 5.0}) {
      const RoundAxis axis{std::floor(lo / (m * power)) * m * power,
                           std::ceil(hi / (m * power)) * m * power, m * power};
      if ((axis.to - axis.from) / axis.step <= ticks + 1e-9) return axis;
    }
  }
}

Bins RoundBins(double lo, double hi, double resolution, std::size_t most) {
  Bins bins;
  if (!(resolution > 0) || !std::isfinite(lo) || !std::isfinite(hi) || hi < lo || most == 0)
    return bins;
  // Whole steps of the data in the range, rounded to a round number of steps per bin.
  const double steps = std::floor((hi - lo) / resolution + 1e-9) + 1;
  if (!std::isfinite(steps) || steps > 1e15) return bins;
  double perBin = 1;
  for (double power = 1; perBin * static_cast<double>(most) < steps; power *= 10) {
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
      perBin = m * power;
      if (perBin * static_cast<double>(most) >= steps) break;
    }
  }
  bins.width = perBin * resolution;
  const double half = resolution / 2;
  bins.from = std::floor((lo + half) / bins.width + 1e-9) * bins.width - half;
  bins.count =
      static_cast<std::size_t>(std::floor((hi + half - bins.from) / bins.width - 1e-9)) + 1;
  return bins;
}

std::string TickText(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", std::clamp(decimals, 0, 15), value);
  std::string s = text;
  if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
  return s;
}

}  // namespace orlix
