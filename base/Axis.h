#pragma once
// Ticks of a chart's axis at round numbers: a step of 1, 2 or 5 times a power of ten, the
// values on the steps within the range, and the decimals that tell them apart. Shared by the
// profile, the histogram and the charts of the reports.

#include <cstddef>
#include <string>
#include <vector>

namespace orlix {

struct AxisTicks {
  double step = 0;             // 0 when the range has no ticks (empty, or not finite)
  std::vector<double> values;  // ascending, each a whole multiple of `step`
  int decimals = 0;            // enough for `step`
};

// At most `most` ticks (at least 2 asked for) within [lo, hi]; the smallest round step that
// keeps to that.
AxisTicks RoundTicks(double lo, double hi, int most);

// An axis from a round number to a round number in steps of 1, 2 or 5 times a power of
// ten, covering [lo, hi] with at most `ticks` steps (a chart whose ends are ticks; a single
// value gets a step either side).
struct RoundAxis {
  double from = 0;
  double to = 1;
  double step = 1;
};
RoundAxis RoundAxisOf(double lo, double hi, int ticks);

// Bins of a histogram over [lo, hi] for data recorded in steps of `resolution` (1 for
// whole micrometres, 0.1 for one decimal): a round width that is a whole number of steps,
// edges half a step off the recorded values so none falls on an edge, and no more than
// `most` bins (fewer, wider ones rather than a comb of empty ones between the values).
struct Bins {
  double from = 0;   // the first bin's lower edge
  double width = 0;  // 0 when the range cannot be binned
  std::size_t count = 0;
};
Bins RoundBins(double lo, double hi, double resolution, std::size_t most);

// A tick's text with the ticks' decimals, "." always; never "-0".
std::string TickText(double value, int decimals);

}  // namespace orlix
