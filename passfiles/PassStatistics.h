#pragma once
// The figures of a pass, computed from its data lines as written: count, length, mean,
// sample standard deviation, extremes, the share within the tolerance limits, the
// off-gauge head and tail, Pp and Ppk, and the thickness histogram. A figure that the data
// cannot give (no lines, a single line, a standard deviation of 0) is left empty and shown
// as "-".

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
  std::optional<double> pp;
  std::optional<double> ppk;
};

PassStatistics ComputeStatistics(const PassData& data, const ToleranceLimits& limits);

// Data lines per bin over `bins` equal bins from `from` to `to`; values outside go to the
// first or last bin.
struct Histogram {
  double from = 0;
  double to = 0;
  std::vector<std::size_t> counts;
};
Histogram ComputeHistogram(const std::vector<double>& values, double from, double to,
                           std::size_t bins);

// A figure with `decimals` decimals ("." always), "-" when there is none.
std::string FigureText(const std::optional<double>& value, int decimals);
// A share as percent with one decimal and "%": "97.5 %".
std::string ShareText(const std::optional<double>& share);

}  // namespace orlix
