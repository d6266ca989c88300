#pragma once
// The texts the MQTT output publishes (docs/MQTT.md, with a JSON Schema for each in docs/):
// the live values of a snapshot, the summary of a pass and the calibration in use. A value
// that does not exist (no valid measurement, no limits, a figure the report shows as "-")
// is null.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/StationSnapshot.h"
#include "passfiles/PassInfo.h"
#include "passfiles/PassStatistics.h"

namespace orlix::mqtt {

// ISO 8601 with milliseconds and the offset from UTC: "2026-12-07T10:15:02.123+01:00".
std::string IsoTime(std::int64_t msSinceEpoch, int offsetSeconds);

// Topic "live": `sequence` counts the live messages of this run from 1, `time` is when the
// message was made.
std::string LivePayload(const StationSnapshot& s, std::uint64_t sequence, const std::string& time);

// A pass after its report (also one recovered after it ended without "Stop").
struct PassSummary {
  std::string station;  // the topic's station name
  PassInfo info;
  std::string start;  // `info`'s start and end with the offset from UTC
  std::string end;
  std::optional<PassStatistics> statistics;  // nothing when the pass file could not be read
  std::string passFile;   // "07.PSS", as the files are named when the report is made
  std::string infoFile;   // "07.PSI"
  std::string reportPdf;  // "reports/07-20261207-101502.pdf"; empty when none was written
  std::string reportCsv;
};

// "line3/07/2026-12-07T10:15:02": station, pass and start as the information file has it,
// the same in every copy of the summary the station sends.
std::string PassId(const PassSummary& summary);
// Topic "pass".
std::string PassPayload(const PassSummary& summary);

// Topic "calibration": the coefficients A0..A3 and when they were committed (nothing when
// unknown).
std::string CalibrationPayload(const std::array<double, 4>& coefficients,
                               const std::optional<std::string>& fitted);

}  // namespace orlix::mqtt
