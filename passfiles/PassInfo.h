#pragma once
// What a pass leaves beside its pass file: the information file ("07.PSI", INI format)
// written at Start and completed at Stop, the archive that keeps an earlier pass file with
// the same number, and the names and CSV text of a pass's report.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Platform.h"
#include "passfiles/PassData.h"
#include "passfiles/PassStatistics.h"
#include "passfiles/Tolerance.h"

namespace orlix {

inline constexpr const char* kArchiveFolder = "archive";
inline constexpr const char* kReportFolder = "reports";

struct PassInfo {
  std::int16_t pass = 0;
  std::string start;  // ISO 8601 local date and time, "2026-12-07T10:15:02"
  std::string end;    // empty until the pass stops
  double setPoint = 0;
  double scale = 0;
  double tolerancePlus = 0;
  double toleranceMinus = 0;
  double mode = 0;
  std::array<double, 4> coefficients{};  // A0..A3
  std::array<double, 3> periods{};       // display, file output, correction, s
  std::string version;
  bool notStopped = false;  // the program ended during the pass; `end` is its last data line
  // Why the pass has no limits ("station.ini: tolerance_minus_um is below 0"); empty when
  // its set-point and tolerance give them. Written as "limits=not recorded: <why>" in place
  // of the two tolerance keys; a file read with a tolerance that breaks the rule, or without
  // its keys, reads with the reason here.
  std::string limitsProblem = {};
  // The figures of the pass's report, recorded when the report made at "Stop" is done (or
  // by the summary for a pass that ended before they were), in the group [statistics];
  // nothing until then. Numbers keep 15 significant digits, so every figure shown from
  // them reads as in the report.
  std::optional<PassStatistics> statistics = {};
  // [alarms]: the pass's off-gauge alarm events, one line each as alarm.log has them.
  std::vector<std::string> alarms = {};
  // [changes]: the changes to the calibration and the settings made while the pass ran, one
  // line each, "19:20:03 config: QL_CFG.DAT 4 display period: 1 -> 0.5 (engineer, window)".
  std::vector<std::string> changes = {};
};

// "07.PSI" for pass 7: the pass file's stem with the extension ".PSI".
std::string InfoFileName(std::int16_t pass);
// The information file's name beside any pass file: "07.PSS" -> "07.PSI".
std::string InfoNameFor(const std::string& passFileName);

std::string InfoText(const PassInfo& info);
// Nothing when the text holds no pass number or no start.
std::optional<PassInfo> ParseInfo(std::string_view text);
std::optional<PassInfo> ReadInfo(FileAccess& files, const std::string& name);

// The information files in the working directory of passes that ended without "Stop"
// (the program was closed, crashed or lost its power): a start and no end.
std::vector<std::string> UnstoppedInfoFiles(FileAccess& files);

// Completes the information of such a pass: ended "not stopped", at the time its pass file
// was last written (its last data line), or, when that cannot be told, its start plus one
// file-output period per data line.
PassInfo EndUnstopped(FileAccess& files, PassInfo info);

// Local date and time in the information file's form, "2026-12-07T10:15:02".
std::string IsoLocalTime(std::int64_t secondsSinceEpoch);
// That form as a reader writes it, "2026-12-07 10:15:02"; any other text as it is.
std::string ReadableTime(const std::string& iso);

// Set-point and limits of a pass; nothing when it has none (`limitsProblem`). A pass without
// its information file has none either: its figures against limits are "-", never measured
// against limits made up from its own data.
std::optional<ToleranceLimits> LimitsOf(const PassInfo& info);

// Date and time of a start for file names: "20261207-101502"; from a pass file's own header
// (earlier versions) the digits of its date and time texts; "undated" when there are none.
std::string StartStamp(const std::string& isoStart);
std::string HeaderStamp(const PassData& data);

// "07-20261207-101502": the pass number as in its file name and the start stamp.
std::string ReportStem(const std::string& passFileName, const std::string& stamp);

// Where "Start" put the earlier pass file (and its information file) of the same number.
struct ArchiveResult {
  bool existed = false;   // there was a file to keep
  bool archived = false;  // it is in the archive folder now
  bool kept = false;      // the archive failed; it kept its contents under a free name beside
  std::string name;       // the name it has now ("archive/07-20261207-101502.PSS")
};

// Moves an existing pass file and its information file into the archive folder, named
// after its pass number and its own start, with "-2", "-3" ... added while a name is
// taken; never overwrites. When the archive cannot take it, it is renamed beside the
// others the same way, so the new pass never writes over it.
ArchiveResult ArchivePassFile(FileAccess& files, const std::string& passFileName);

// RFC 4180: a header row with units, then one row per kept data line with its number among
// them (as the profile's read-out counts) and its four values exactly as they stand in the
// pass file; CR LF after every row. A pass file that could not be read to its end gets a last
// row that says so, its first field "incomplete".
inline constexpr std::string_view kCsvHeader =
    "line,length_m,thickness_um,roll_diameter_mm,roll_weight_kg";
void AppendCsvRow(std::string& csv, std::size_t line, const PassData::Items& items);
// The last row for an incomplete read, empty for a complete one.
std::string CsvEnd(const PassData& data);
// The whole CSV of a pass file's bytes.
std::string CsvText(std::string_view passFileBytes);

}  // namespace orlix
