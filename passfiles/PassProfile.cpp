#include "passfiles/PassProfile.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

PassProfile LoadProfile(FileAccess& files, const std::string& name,
                        const PassData::Progress& progress) {
  return ProfileOf(TakeSnapshot(files, name), {}, progress);
}

PassProfile ProfileOf(const PassSnapshot& snapshot, const PassData::LineSink& sink,
                      const PassData::Progress& progress) {
  PassProfile p;
  p.name = snapshot.name;
  p.data = snapshot.file ? PassData::Read(*snapshot.file, snapshot.size, sink, progress)
                         : PassData::Unreadable();
  p.info = snapshot.info;
  p.stem = ReportStemOf(snapshot);
  UseRecordedLimits(p);
  return p;
}

std::optional<double> RecordedSetPoint(const PassProfile& p) {
  if (!p.info || !std::isfinite(p.info->setPoint)) return std::nullopt;
  return p.info->setPoint;
}

std::optional<double> SetPointOf(const PassProfile& p) {
  return p.limits ? std::optional<double>(p.limits->setPoint) : RecordedSetPoint(p);
}

void UseRecordedLimits(PassProfile& p) {
  const std::optional<ToleranceLimits> recorded = p.info ? LimitsOf(*p.info) : std::nullopt;
  p.typed.reset();
  p.noLimits = recorded ? std::string() : p.info ? p.info->limitsProblem : "no information file";
  SetLimits(p, recorded);
}

std::string EvaluationProblem(const PassProfile& p, const Tolerance& tolerance,
                              std::optional<double> setPoint) {
  if (p.info && LimitsOf(*p.info)) return "the pass has its recorded limits";
  if (std::string problem = ToleranceProblem(tolerance); !problem.empty()) return problem;
  if (const auto recorded = RecordedSetPoint(p)) setPoint = recorded;
  if (!setPoint) return "the pass records no set-point: type one";
  if (!std::isfinite(*setPoint)) return "the set-point is not a number";
  if (*setPoint < 0) return "the set-point is below 0";
  if (*setPoint > kSetPointMaximum) return "the set-point is above 100000 µm";
  return {};
}

std::string EvaluateAgainst(PassProfile& p, const Tolerance& tolerance,
                            std::optional<double> setPoint) {
  std::string problem = EvaluationProblem(p, tolerance, setPoint);
  if (!problem.empty()) return problem;
  const double point = RecordedSetPoint(p).value_or(setPoint.value_or(0));
  SetLimits(p, ToleranceLimits{point, point - tolerance.minus, point + tolerance.plus});
  p.typed = tolerance;
  return {};
}

void SetLimits(PassProfile& p, const std::optional<ToleranceLimits>& limits) {
  p.limits = limits;
  p.stats = ComputeStatistics(p.data, limits);
  // Without limits nothing lies beyond them.
  constexpr double kNone = std::numeric_limits<double>::infinity();
  p.envelope = Envelope(p.data.SharedThicknesses(), limits ? limits->lower : -kNone,
                        limits ? limits->upper : kNone);
  // With limits: three tolerance bands wide, the band in the middle third, beyond it the
  // end bins. Without: the data's own range.
  double from = p.stats.minimum.value_or(0), to = p.stats.maximum.value_or(1);
  if (limits) {
    double width = limits->upper - limits->lower;
    if (width <= 0) width = std::max(to - from, 1.0);
    from = limits->lower - width;
    to = limits->upper + width;
  }
  // Bins a round whole number of the recorded steps wide: whole micrometres when every line
  // holds a whole number (Direct mode), else tenths (the file's one decimal), so no bin
  // falls between two values that can be written and a histogram is never a comb.
  const std::vector<float>& t = p.data.Thicknesses();
  const bool whole = std::all_of(t.begin(), t.end(), [](float v) { return v == std::floor(v); });
  const Bins bins = RoundBins(from, to, whole ? 1.0 : 0.1, kProfileHistogramBins);
  p.histogram =
      bins.width > 0
          ? ComputeHistogram(t, bins.from, bins.from + static_cast<double>(bins.count) * bins.width,
                             bins.count)
          : ComputeHistogram(t, from, to, kProfileHistogramBins);
}

}  // namespace orlix
