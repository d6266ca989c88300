#include "passfiles/PassProfile.h"

#include <algorithm>

namespace orlix {

PassSnapshot TakeSnapshot(FileAccess& files, const std::string& name) {
  PassSnapshot s;
  s.name = name;
  s.bytes = files.Read(name, PassData::kMaxBytes + 1);
  if (s.bytes && s.bytes->size() > PassData::kMaxBytes) {
    s.bytes->resize(PassData::kMaxBytes);
    s.cutShort = true;
  }
  s.info = ReadInfo(files, InfoNameFor(name));
  return s;
}

PassProfile LoadProfile(FileAccess& files, const std::string& name, double plus, double minus,
                        bool keepItems) {
  return ProfileOf(TakeSnapshot(files, name), plus, minus, keepItems);
}

PassProfile ProfileOf(PassSnapshot snapshot, double plus, double minus, bool keepItems) {
  PassProfile p;
  p.name = std::move(snapshot.name);
  p.data = snapshot.bytes ? PassData::Parse(std::move(*snapshot.bytes), snapshot.cutShort, keepItems)
                          : PassData::Unreadable();
  p.envelope = Envelope(p.data.Thicknesses());
  p.info = std::move(snapshot.info);
  if (const auto limits = p.info ? LimitsOf(*p.info) : std::nullopt) {
    p.limits = *limits;
    p.stats = ComputeStatistics(p.data, p.limits);
  } else {
    // The mean first, then the figures against the limits around it.
    p.stats = ComputeStatistics(p.data, {});
    p.limits = LimitsFromMean(p.stats, plus, minus);
    p.stats = ComputeStatistics(p.data, p.limits);
  }
  p.stem = ReportStem(p.name, p.info ? StartStamp(p.info->start) : HeaderStamp(p.data));
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
