#include "passfiles/PassProfile.h"

#include <algorithm>

namespace orlix {

PassProfile LoadProfile(FileAccess& files, const std::string& name, double plus, double minus,
                        bool keepItems) {
  PassProfile p;
  p.name = name;
  p.data = PassData::Read(files, name, keepItems);
  p.envelope = Envelope(p.data.Thicknesses());
  p.info = ReadInfo(files, InfoNameFor(name));
  if (p.info) {
    p.limits = LimitsOf(*p.info);
    p.stats = ComputeStatistics(p.data, p.limits);
  } else {
    // The mean first, then the figures against the limits around it.
    p.stats = ComputeStatistics(p.data, {});
    p.limits = LimitsFromMean(p.stats, plus, minus);
    p.stats = ComputeStatistics(p.data, p.limits);
  }
  p.stem = ReportStem(name, p.info ? StartStamp(p.info->start) : HeaderStamp(p.data));
  // Three tolerance bands wide, the band in the middle third; beyond it the end bins.
  double width = p.limits.upper - p.limits.lower;
  if (width <= 0) {
    width = std::max(p.stats.maximum.value_or(1) - p.stats.minimum.value_or(0), 1.0);
  }
  p.histogram = ComputeHistogram(p.data.Thicknesses(), p.limits.lower - width,
                                 p.limits.upper + width, kProfileHistogramBins);
  return p;
}

}  // namespace orlix
