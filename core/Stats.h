#pragma once
// Poisson-distributed counts from a uniform random source.

#include <cstdint>

#include "base/Platform.h"

namespace orlix {

class Stats {
 public:
  explicit Stats(UniformSource& uniform) : uniform_(uniform) {}

  // Counts the unit-rate exponential inter-arrival times that fit below the mean. A mean
  // of 0 or below gives 0; a mean of 32767 or more gives 32767 at once, the largest
  // 16-bit count.
  std::int16_t PoissonCount(float mean);

 private:
  UniformSource& uniform_;
};

}  // namespace orlix
