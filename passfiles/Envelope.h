#pragma once
// What any range of a pass's data lines holds, for drawing it at any zoom: the first, least,
// greatest and last thickness, the count, sum and sum of squares (so mean and spread), and
// the lines above the upper and below the lower limit. Answered from a pyramid built once
// per file and set of limits: level k holds these for every aligned run of 2^k lines, from
// runs of kLeafLines up. A range is answered from a few runs of the pyramid (twice its levels
// at most) and fewer than kLeafLines single lines at either end, so a pixel column of a
// million lines costs as little as one of a hundred, and no single value of the range is
// ever left out of its least, greatest or counts.
//
// Limits are compared in single precision, as the thickness is kept: a line lies above when
// its value is greater than the upper limit as a single, below when it is less than the
// lower limit as a single; a line on a limit is within.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orlix {

struct EnvelopeBucket {
  std::size_t count = 0;  // data lines in the range
  float first = 0;        // thickness of its first line
  float min = 0;
  float max = 0;
  float last = 0;         // thickness of its last line
  double sum = 0;         // of the thicknesses
  double squares = 0;     // of the squared thicknesses
  std::size_t above = 0;  // lines above the upper limit
  std::size_t below = 0;  // lines below the lower limit

  double Mean() const { return count ? sum / static_cast<double>(count) : 0; }
  // The population standard deviation of the range (0 for a single line); for drawing, not
  // for the pass's figures, which are computed from the values as written.
  double Sigma() const;
};

class Envelope {
 public:
  // Lines per run of the pyramid's lowest level: the pyramid takes about 40 / 16 bytes per
  // data line beside the values.
  static constexpr std::size_t kLeafLines = 32;

  Envelope() = default;
  // Over the thicknesses of the data lines (shared, not copied), for the limits given.
  Envelope(std::shared_ptr<const std::vector<float>> values, double lower, double upper);

  std::size_t Size() const { return values_ ? values_->size() : 0; }
  float Lower() const { return lower_; }
  float Upper() const { return upper_; }
  // Lines [from, to) with from < to <= Size().
  EnvelopeBucket Range(std::size_t from, std::size_t to) const;

 private:
  struct Run {
    float first, min, max, last;
    double sum, squares;
    std::uint32_t above, below;
  };
  Run Single(float v) const;
  static void Merge(Run& into, const Run& next);

  std::shared_ptr<const std::vector<float>> values_;
  float lower_ = 0;
  float upper_ = 0;
  std::vector<std::vector<Run>> levels_;  // levels_[j]: runs of kLeafLines << j lines
};

}  // namespace orlix
