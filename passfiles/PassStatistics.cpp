#include "passfiles/PassStatistics.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"

namespace orlix {

PassStatistics ComputeStatistics(const PassData& data, const ToleranceLimits& limits) {
  PassStatistics s;
  const std::vector<double>& t = data.Thicknesses();
  const std::vector<double>& len = data.Lengths();
  s.count = t.size();
  if (t.empty()) return s;
  s.length = len.back();

  // Two passes: the mean first, then the squares about it, which keeps a long pass with a
  // large thickness and a small spread exact.
  double sum = 0;
  double lo = t.front();
  double hi = t.front();
  std::size_t inside = 0;
  std::size_t first = t.size();
  std::size_t last = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    sum += t[i];
    lo = std::min(lo, t[i]);
    hi = std::max(hi, t[i]);
    if (t[i] >= limits.lower && t[i] <= limits.upper) {
      ++inside;
      if (first == t.size()) first = i;
      last = i;
    }
  }
  const double n = static_cast<double>(t.size());
  s.mean = sum / n;
  s.minimum = lo;
  s.maximum = hi;
  s.inTolerance = static_cast<double>(inside) / n;
  if (first == t.size()) {
    s.headLines = t.size();
    s.headLength = len.back() - len.front();
  } else {
    s.headLines = first;
    s.headLength = len[first] - len.front();
    s.tailLines = t.size() - 1 - last;
    s.tailLength = len.back() - len[last];
  }
  if (t.size() < 2) return s;
  double squares = 0;
  for (const double v : t) squares += (v - *s.mean) * (v - *s.mean);
  s.sigma = std::sqrt(squares / (n - 1));
  if (*s.sigma > 0) {
    s.pp = (limits.upper - limits.lower) / (6 * *s.sigma);
    s.ppk = std::min(limits.upper - *s.mean, *s.mean - limits.lower) / (3 * *s.sigma);
  }
  return s;
}

Histogram ComputeHistogram(const std::vector<double>& values, double from, double to,
                           std::size_t bins) {
  Histogram h{from, to, std::vector<std::size_t>(std::max<std::size_t>(bins, 1), 0)};
  const double width = (to - from) / static_cast<double>(h.counts.size());
  for (const double v : values) {
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
