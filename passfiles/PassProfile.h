#pragma once
// Everything the profile view, the statistics panel and the report show of one pass file,
// computed once when the file is opened: its data lines, their envelope pyramid, the
// information file (when there is one), the limits, the statistics and the histogram.

#include <optional>
#include <string>

#include "base/Platform.h"
#include "passfiles/Envelope.h"
#include "passfiles/PassData.h"
#include "passfiles/PassInfo.h"
#include "passfiles/PassStatistics.h"

namespace orlix {

inline constexpr std::size_t kProfileHistogramBins = 48;

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

// A pass file and its information file as they were at one moment: a report made from it
// describes that pass, whatever the next "Start" does to the files afterwards.
struct PassSnapshot {
  std::string name;
  std::optional<std::string> bytes;  // nothing when the file cannot be read
  bool cutShort = false;             // the bytes are only the file's beginning
  std::optional<PassInfo> info;
};
PassSnapshot TakeSnapshot(FileAccess& files, const std::string& name);

// The profile of a snapshot; `plus` and `minus` as below.
PassProfile ProfileOf(PassSnapshot snapshot, double plus, double minus, bool keepItems = true);

// Reads `name` of `files` and its information file. `plus` and `minus` are the tolerance
// used around the mean when the file has no information file. Without `keepItems` the
// file's bytes are not kept (a view needs only the numbers; a CSV needs the items).
PassProfile LoadProfile(FileAccess& files, const std::string& name, double plus, double minus,
                        bool keepItems = true);

}  // namespace orlix
