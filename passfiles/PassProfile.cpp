#include "passfiles/PassProfile.h"

#include <algorithm>
#include <cmath>

#include "base/Axis.h"

namespace orlix {

PassSnapshot TakeSnapshot(FileAccess& files, const std::string& name) {
  PassSnapshot s;
  s.name = name;
  s.file = files.Open(name);
  if (s.file) s.size = s.file->Size();
  s.info = ReadInfo(files, InfoNameFor(name));
  return s;
}

std::string ReportStemOf(const PassSnapshot& snapshot) {
  if (snapshot.info) return ReportStem(snapshot.name, StartStamp(snapshot.info->start));
  // Enough for a header line that starts within the first kHeaderBytes.
  std::string head(PassData::kHeaderBytes + PassData::kMaxLineBytes + 2, '\0');
  head.resize(static_cast<std::size_t>(std::min<std::uint64_t>(head.size(), snapshot.size)));
  std::size_t got = 0;
  while (snapshot.file && got < head.size()) {
    const auto n = snapshot.file->ReadAt(got, head.data() + got, head.size() - got);
    if (!n || *n == 0) break;
    got += *n;
  }
  head.resize(got);
  return ReportStem(snapshot.name, HeaderStamp(PassData::Parse(head, got == snapshot.size)));
}

PassProfile LoadProfile(FileAccess& files, const std::string& name, double plus, double minus,
                        const PassData::Progress& progress) {
  return ProfileOf(TakeSnapshot(files, name), plus, minus, {}, progress);
}

PassProfile ProfileOf(const PassSnapshot& snapshot, double plus, double minus,
                      const PassData::LineSink& sink, const PassData::Progress& progress) {
  PassProfile p;
  p.name = snapshot.name;
  p.data = snapshot.file ? PassData::Read(*snapshot.file, snapshot.size, sink, progress)
                         : PassData::Unreadable();
  p.info = snapshot.info;
  p.stem = ReportStemOf(snapshot);
  if (const auto limits = p.info ? LimitsOf(*p.info) : std::nullopt) {
    SetLimits(p, *limits);
  } else {
    // The mean comes from the reading itself; the figures against the limits around it.
    PassStatistics mean;
    if (p.data.Count() > 0) mean.mean = p.data.Sums().mean;
    SetLimits(p, LimitsFromMean(mean, plus, minus));
  }
  return p;
}

void SetLimits(PassProfile& p, const ToleranceLimits& limits) {
  p.limits = limits;
  p.stats = ComputeStatistics(p.data, limits);
  p.envelope = Envelope(p.data.SharedThicknesses(), limits.lower, limits.upper);
  // Three tolerance bands wide, the band in the middle third; beyond it the end bins.
  double width = limits.upper - limits.lower;
  if (width <= 0) {
    width = std::max(p.stats.maximum.value_or(1) - p.stats.minimum.value_or(0), 1.0);
  }
  // Bins a round whole number of the recorded steps wide: whole micrometres when every line
  // holds a whole number (Direct mode), else tenths (the file's one decimal), so no bin
  // falls between two values that can be written and a histogram is never a comb.
  const std::vector<float>& t = p.data.Thicknesses();
  const bool whole = std::all_of(t.begin(), t.end(), [](float v) { return v == std::floor(v); });
  const double from = limits.lower - width, to = limits.upper + width;
  const Bins bins = RoundBins(from, to, whole ? 1.0 : 0.1, kProfileHistogramBins);
  p.histogram = bins.width > 0 ? ComputeHistogram(t, bins.from, bins.from + static_cast<double>(bins.count) * bins.width, bins.count)
                               : ComputeHistogram(t, from, to, kProfileHistogramBins);
}

}  // namespace orlix
