#include "core/Stats.h"

#include <cmath>
#include <limits>

namespace orlix {

std::int16_t Stats::PoissonCount(float mean) {
  constexpr auto kMax = std::numeric_limits<std::int16_t>::max();
  if (!(mean > 0.0f)) return 0;  // also NaN
  if (mean >= static_cast<float>(kMax)) return kMax;
  // The count stays below mean + a few standard deviations; a run past 32767 draws
  // is cut there, so the 16-bit count cannot overflow.
  std::int32_t count = 0;
  float sum = 0.0f;
  while (sum < mean && count <= kMax) {
    const float r = uniform_.Next();
    const auto e = static_cast<float>(-std::log(1.0 - static_cast<double>(r)));
    sum = sum + e;
    ++count;
  }
  return static_cast<std::int16_t>(count - 1);
}

}  // namespace orlix
