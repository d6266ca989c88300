#include "passfiles/Envelope.h"

#include <algorithm>

namespace orlix {

Envelope::Envelope(const std::vector<double>& values) : values_(values.begin(), values.end()) {
  std::size_t runs = values_.size() / 2;
  if (runs > 0) {
    std::vector<EnvelopeBucket> level(runs);
    for (std::size_t i = 0; i < runs; ++i) {
      const float a = values_[2 * i];
      const float b = values_[2 * i + 1];
      level[i] = {a, std::min(a, b), std::max(a, b), b};
    }
    levels_.push_back(std::move(level));
  }
  while (!levels_.empty() && (runs = levels_.back().size() / 2) > 0) {
    const std::vector<EnvelopeBucket>& below = levels_.back();
    std::vector<EnvelopeBucket> level(runs);
    for (std::size_t i = 0; i < runs; ++i) {
      level[i] = below[2 * i];
      Merge(level[i], below[2 * i + 1]);
    }
    levels_.push_back(std::move(level));
  }
}

void Envelope::Merge(EnvelopeBucket& into, const EnvelopeBucket& next) {
  into.min = std::min(into.min, next.min);
  into.max = std::max(into.max, next.max);
  into.last = next.last;
}

EnvelopeBucket Envelope::Range(std::size_t from, std::size_t to) const {
  const float v = values_[from];
  EnvelopeBucket out{v, v, v, v};
  std::size_t i = from + 1;
  while (i < to) {
    // The largest aligned run that starts at i and ends within the range.
    std::size_t k = 0;
    while (k < levels_.size() && (i & ((std::size_t{2} << k) - 1)) == 0 &&
           i + (std::size_t{2} << k) <= to) {
      ++k;
    }
    if (k == 0) {
      const float w = values_[i];
      Merge(out, {w, w, w, w});
      ++i;
    } else {
      Merge(out, levels_[k - 1][i >> k]);
      i += std::size_t{1} << k;
    }
  }
  return out;
}

}  // namespace orlix
