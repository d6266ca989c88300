#include "passfiles/Envelope.h"

#include <algorithm>
#include <cmath>

namespace orlix {

static_assert((Envelope::kLeafLines & (Envelope::kLeafLines - 1)) == 0, "a power of two");

double EnvelopeBucket::Sigma() const {
  if (count < 2) return 0;
  const double n = static_cast<double>(count);
  return std::sqrt(std::max(0.0, squares / n - (sum / n) * (sum / n)));
}

Envelope::Envelope(std::shared_ptr<const std::vector<float>> values, double lower, double upper)
    : values_(std::move(values)),
      lower_(static_cast<float>(lower)),
      upper_(static_cast<float>(upper)) {
  const std::vector<float>& v = *values_;
  std::vector<Run> leaves(v.size() / kLeafLines);
  const float low = lower_, high = upper_;
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    const float* run = v.data() + i * kLeafLines;
    float lo = run[0], hi = run[0];
    double sum = 0, squares = 0;
    std::uint32_t above = 0, below = 0;
    for (std::size_t k = 0; k < kLeafLines; ++k) {
      const float x = run[k];
      lo = std::min(lo, x);
      hi = std::max(hi, x);
      sum += x;
      squares += double{x} * x;
      above += x > high;
      below += x < low;
    }
    leaves[i] = {run[0], lo, hi, run[kLeafLines - 1], sum, squares, above, below};
  }
  if (!leaves.empty()) levels_.push_back(std::move(leaves));
  std::size_t runs = 0;
  while (!levels_.empty() && (runs = levels_.back().size() / 2) > 0) {
    const std::vector<Run>& below = levels_.back();
    std::vector<Run> level(runs);
    for (std::size_t i = 0; i < runs; ++i) {
      level[i] = below[2 * i];
      Merge(level[i], below[2 * i + 1]);
    }
    levels_.push_back(std::move(level));
  }
}

Envelope::Run Envelope::Single(float v) const {
  const double d = v;
  return {v, v, v, v, d, d * d, v > upper_ ? 1u : 0u, v < lower_ ? 1u : 0u};
}

void Envelope::Merge(Run& into, const Run& next) {
  into.min = std::min(into.min, next.min);
  into.max = std::max(into.max, next.max);
  into.last = next.last;
  into.sum += next.sum;
  into.squares += next.squares;
  into.above += next.above;
  into.below += next.below;
}

EnvelopeBucket Envelope::Range(std::size_t from, std::size_t to) const {
  const std::vector<float>& v = *values_;
  Run out = Single(v[from]);
  std::size_t i = from + 1;
  while (i < to) {
    // The largest aligned run that starts at i and ends within the range, else one line.
    std::size_t j = 0;
    while (j < levels_.size() && (i & ((kLeafLines << j) - 1)) == 0 &&
           i + (kLeafLines << j) <= to) {
      ++j;
    }
    if (j == 0) {
      Merge(out, Single(v[i]));
      ++i;
    } else {
      Merge(out, levels_[j - 1][i / (kLeafLines << (j - 1))]);
      i += kLeafLines << (j - 1);
    }
  }
  return {.count = to - from,
          .first = out.first,
          .min = out.min,
          .max = out.max,
          .last = out.last,
          .sum = out.sum,
          .squares = out.squares,
          .above = out.above,
          .below = out.below};
}

}  // namespace orlix
