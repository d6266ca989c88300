#pragma once
// The figures of a pass, computed from its kept data lines: count, length, mean, sample
// standard deviation, extremes (from the values as written, gathered while reading), and
// against the tolerance limits (from the singles kept, compared as the envelope compares
// them): the share within, the off-gauge head and tail, the thick and thin metres, Pp and Ppk
// from the overall spread, Cp and Cpk from the short-term spread, and the thickness
// histogram. A figure that the data cannot give (no lines, a single line, a spread of 0 or
// one that is not finite) is left empty and shown as "-". A pass without limits gets none of
// the figures against them: never limits made up from its own mean.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "passfiles/PassData.h"

namespace orlix {

struct ToleranceLimits {
  double setPoint = 0;
  double lower = 0;
  double upper = 0;
};

struct PassStatistics {
  std::size_t count = 0;
  double length = 0;  // the last data line's strip length, m
  std::optional<double> mean;
  std::optional<double> sigma;  // n - 1
  std::optional<double> minimum;
  std::optional<double> maximum;
  std::optional<double> inTolerance;  // share of data lines within the limits, 0..1
  // Strip before the first and after the last data line within the limits, in m (by
  // length) and in data lines. Without any line within the limits the whole pass is head.
  double headLength = 0;
  double tailLength = 0;
  std::size_t headLines = 0;
  std::size_t tailLines = 0;
  // Strip above the upper (thick) and below the lower limit (thin), in m and in data lines.
  // Each data line stands for the strip from the data line before it to itself: its length
  // less the one before, none for the first line and none where the length goes back.
  double thickLength = 0;
  double thinLength = 0;
  std::size_t thickLines = 0;
  std::size_t thinLines = 0;
  // Overall: from the standard deviation of all data lines.
  std::optional<double> pp;
  std::optional<double> ppk;
  // Short-term: sigma = mean moving range of consecutive data lines / 1.128 (d2 for two).
  std::optional<double> shortSigma;
  std::optional<double> cp;
  std::optional<double> cpk;
};

// d2 of a moving range of two consecutive values.
inline constexpr double kMovingRangeD2 = 1.128;

// Without limits, only the figures that need none: count, length, mean, spreads, extremes;
// the share within, Pp to Cpk stay empty and the off-gauge metres 0 (shown as "-").
PassStatistics ComputeStatistics(const PassData& data,
                                 const std::optional<ToleranceLimits>& limits);

// Data lines per bin over `bins` equal bins from `from` to `to`; values outside go to the
// first or last bin.
struct Histogram {
  double from = 0;
  double to = 0;
  std::vector<std::size_t> counts;
};
Histogram ComputeHistogram(const std::vector<float>& values, double from, double to,
                           std::size_t bins);

// A figure with `decimals` decimals ("." always), "-" when there is none.
std::string FigureText(const std::optional<double>& value, int decimals);
// A share as percent with one decimal and "%": "97.5 %".
std::string ShareText(const std::optional<double>& share);

}  // namespace orlix
