#pragma once
// Everything the profile view, the statistics panel and the report show of one pass file,
// computed once when the file is read: its data lines, their envelope pyramid, the
// information file (when there is one), the limits, the statistics and the histogram.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/Platform.h"
#include "passfiles/Envelope.h"
#include "passfiles/PassData.h"
#include "passfiles/PassInfo.h"
#include "passfiles/PassStatistics.h"

namespace orlix {

inline constexpr std::size_t kProfileHistogramBins = 48;  // at most

struct PassProfile {
  std::string name;  // the pass file's name
  std::string stem;  // of its report files: "07-20261207-101502"
  PassData data;
  Envelope envelope;
  std::optional<PassInfo> info;  // nothing for a file from an earlier version
  // The limits the figures are measured against: those recorded with the pass, or those of a
  // tolerance typed for a pass that records none (`typed`, never written anywhere). Nothing
  // when there are none; `noLimits` says why ("no information file").
  std::optional<ToleranceLimits> limits;
  std::optional<Tolerance> typed;
  std::string noLimits;
  PassStatistics stats;
  Histogram histogram;
};

// The set-point recorded with the pass, also when its tolerance gives no limits; nothing
// without information file.
std::optional<double> RecordedSetPoint(const PassProfile& p);
// The set-point shown: that of the limits in force, else the recorded one.
std::optional<double> SetPointOf(const PassProfile& p);

// Puts other limits in force, or none: the statistics, the envelope's counts and the
// histogram are computed again from the kept values (a few milliseconds for a week-long
// pass). Leaves `typed` and `noLimits` as they are.
void SetLimits(PassProfile& p, const std::optional<ToleranceLimits>& limits);
// The limits recorded with the pass in force again, or none with the reason.
void UseRecordedLimits(PassProfile& p);

// The set-point a typed evaluation may use: a thickness a data line can hold.
inline constexpr double kSetPointMaximum = 100000;
// Evaluates a pass that records no limits against a typed tolerance: around its recorded
// set-point, or, when it records none, around `setPoint`. Refused, the profile unchanged,
// when the pass has recorded limits, when the tolerance breaks its rule (ToleranceProblem)
// or when there is no usable set-point: the reason returned; empty when applied.
std::string EvaluateAgainst(PassProfile& p, const Tolerance& tolerance,
                            std::optional<double> setPoint);
// Only the reason, without applying anything (cheap: for the window's thread).
std::string EvaluationProblem(const PassProfile& p, const Tolerance& tolerance,
                              std::optional<double> setPoint);

// A pass file and its information file as they were at one moment: a report made from it
// describes that pass, whatever the next "Start" does to the files afterwards. The pass
// file is held open (an open file survives its move into the archive and a new file of its
// name) and read up to the size it had; the information file is small and copied.
struct PassSnapshot {
  std::string name;
  std::shared_ptr<const FileReader> file;  // nothing when the file cannot be opened
  std::uint64_t size = 0;
  std::optional<PassInfo> info;
};
PassSnapshot TakeSnapshot(FileAccess& files, const std::string& name);

// The stem of a snapshot's report files: from the information file's start, else from the
// date and time in the pass file's header (read from its first bytes only).
std::string ReportStemOf(const PassSnapshot& snapshot);

// The profile of a snapshot, read in pieces: `sink` gets every kept data line as written,
// `progress` follows the reading (and may stop it). The limits are those recorded with it.
PassProfile ProfileOf(const PassSnapshot& snapshot, const PassData::LineSink& sink = {},
                      const PassData::Progress& progress = {});

// Reads `name` of `files` and its information file as they are now.
PassProfile LoadProfile(FileAccess& files, const std::string& name,
                        const PassData::Progress& progress = {});

}  // namespace orlix
