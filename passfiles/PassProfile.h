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
  ToleranceLimits limits;
  PassStatistics stats;
  Histogram histogram;

  // Limits and set-point come from the information file; else from the mean ("not recorded").
  bool Recorded() const { return info.has_value(); }
};

// Puts other limits in force: the statistics, the envelope's counts and the histogram are
// computed again from the kept values (a few milliseconds for a week-long pass).
void SetLimits(PassProfile& p, const ToleranceLimits& limits);

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
// `progress` follows the reading (and may stop it). `plus` and `minus` are the tolerance
// used around the mean when the file has no information file.
PassProfile ProfileOf(const PassSnapshot& snapshot, double plus, double minus,
                      const PassData::LineSink& sink = {}, const PassData::Progress& progress = {});

// Reads `name` of `files` and its information file as they are now.
PassProfile LoadProfile(FileAccess& files, const std::string& name, double plus, double minus,
                        const PassData::Progress& progress = {});

}  // namespace orlix
