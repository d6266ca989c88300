#pragma once
// The min/max envelope of a pass's thickness over any range of its data lines, from a
// pyramid built once per file: level k holds, for every aligned run of 2^k lines, the
// first, least, greatest and last value. A range is answered from a few runs of the
// pyramid (twice its levels at most), so a pixel column of a million lines costs as little
// as one of ten, and no single value of the range is ever left out of its least or greatest.

#include <cstddef>
#include <vector>

namespace orlix {

struct EnvelopeBucket {
  float first = 0;
  float min = 0;
  float max = 0;
  float last = 0;
};

class Envelope {
 public:
  Envelope() = default;
  explicit Envelope(const std::vector<double>& values);

  std::size_t Size() const { return values_.size(); }
  // Lines [from, to) with from < to <= Size().
  EnvelopeBucket Range(std::size_t from, std::size_t to) const;

 private:
  static void Merge(EnvelopeBucket& into, const EnvelopeBucket& next);

  std::vector<float> values_;
  std::vector<std::vector<EnvelopeBucket>> levels_;  // levels_[k - 1]: runs of 2^k lines
};

}  // namespace orlix
