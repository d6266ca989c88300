#include "passfiles/PassStatistics.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"

namespace orlix {

namespace {

// Capability from a spread: nothing where the spread is not a finite positive number, or
// where the figure itself would not be finite.
void Capability(const std::optional<double>& sigma, double mean, const ToleranceLimits& limits,
                std::optional<double>& c, std::optional<double>& ck) {
  if (!sigma || !std::isfinite(*sigma) || !(*sigma > 0)) return;
  const double whole = (limits.upper - limits.lower) / (6 * *sigma);
  const double nearer = std::min(limits.upper - mean, mean - limits.lower) / (3 * *sigma);
  if (std::isfinite(whole)) c = whole;
  if (std::isfinite(nearer)) ck = nearer;
}

}  // namespace

PassStatistics ComputeStatistics(const PassData& data,
                                 const std::optional<ToleranceLimits>& limits) {
  PassStatistics s;
  const std::vector<float>& t = data.Thicknesses();
  const std::vector<float>& len = data.Lengths();
  const DataSums& sums = data.Sums();
  s.count = t.size();
  if (t.empty()) return s;
  s.length = len.back();
  s.mean = sums.mean;
  s.minimum = sums.minimum;
  s.maximum = sums.maximum;
  const double n = static_cast<double>(t.size());
  if (t.size() > 1) {
    s.sigma = std::sqrt(sums.squares / (n - 1));
    s.shortSigma = sums.movingRange / (n - 1) / kMovingRangeD2;
  }
  if (!limits) return s;

  const auto lower = static_cast<float>(limits->lower);
  const auto upper = static_cast<float>(limits->upper);
  std::size_t inside = 0;
  std::size_t first = t.size();
  std::size_t last = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const double share = i > 0 ? std::max(0.0, double{len[i]} - double{len[i - 1]}) : 0.0;
    if (t[i] > upper) {
      ++s.thickLines;
      s.thickLength += share;
    } else if (t[i] < lower) {
      ++s.thinLines;
      s.thinLength += share;
    } else {
      ++inside;
      if (first == t.size()) first = i;
      last = i;
    }
  }
  s.inTolerance = static_cast<double>(inside) / n;
  if (first == t.size()) {
    s.headLines = t.size();
    s.headLength = double{len.back()} - double{len.front()};
  } else {
    s.headLines = first;
    s.headLength = double{len[first]} - double{len.front()};
    s.tailLines = t.size() - 1 - last;
    s.tailLength = double{len.back()} - double{len[last]};
  }
  Capability(s.sigma, *s.mean, *limits, s.pp, s.ppk);
  Capability(s.shortSigma, *s.mean, *limits, s.cp, s.cpk);
  return s;
}

Histogram ComputeHistogram(const std::vector<float>& values, double from, double to,
                           std::size_t bins) {
  Histogram h{from, to, std::vector<std::size_t>(std::max<std::size_t>(bins, 1), 0)};
  const double width = (to - from) / static_cast<double>(h.counts.size());
  for (const float v : values) {
    const double k = width > 0 ? std::floor((v - from) / width) : 0;
    const double top = static_cast<double>(h.counts.size() - 1);
    ++h.counts[static_cast<std::size_t>(std::clamp(k, 0.0, top))];
  }
  return h;
}

std::string FigureText(const std::optional<double>& value, int decimals) {
  if (!value || !std::isfinite(*value)) return "-";
  std::string pattern = "0";
  if (decimals > 0) pattern += "." + std::string(static_cast<std::size_t>(decimals), '0');
  return FormatPattern(*value, pattern);
}

std::string ShareText(const std::optional<double>& share) {
  if (!share) return "-";
  return FigureText(*share * 100, 1) + " %";
}

}  // namespace orlix
