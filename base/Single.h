#pragma once
// Single precision as the station's numbers use it.

#include <cfloat>
#include <cmath>
#include <limits>

namespace orlix {

// A double rounded to single precision; magnitudes beyond the single range become infinite,
// as a single-precision assignment does (instead of the undefined conversion).
inline float ToSingle(double d) {
  if (std::isnan(d)) return std::numeric_limits<float>::quiet_NaN();
  const double magnitude = std::fabs(d);
  if (magnitude > FLT_MAX) {
    // Half a unit in the last place above FLT_MAX still rounds down to it.
    const float rounded =
        magnitude < 0x1.ffffffp127 ? FLT_MAX : std::numeric_limits<float>::infinity();
    return d < 0 ? -rounded : rounded;
  }
  return static_cast<float>(d);
}

}  // namespace orlix
