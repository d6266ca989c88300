#pragma once
// A summary of many passes: the passes a date range or a choice of files takes in (from the
// working directory and its archive folder), one row of figures per pass from the
// statistics its information file records, or, for a pass that records none, computed from
// its pass file (and then recorded, once), the summary's CSV text, its file names, and the
// round axes of its chart. The window, the PDF and the chart itself are in ui/.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/Axis.h"
#include "base/Platform.h"
#include "passfiles/PassInfo.h"
#include "passfiles/PassStatistics.h"

namespace orlix {

// The two folders passes are kept in, each addressed by bare names.
struct PassFolders {
  FileAccess& current;  // the working directory
  FileAccess& archive;  // its folder archive/
};

// A pass file as the summary found it.
struct SummaryPass {
  std::string file;  // "07.PSS", or "archive/07-20261207-101502.PSS"
  std::optional<PassInfo> info;
  // Local date and time the pass is dated by: its start, or without information file the
  // last write of its pass file; empty when neither can be told.
  std::string when;
};
// The pass file is in the archive folder.
bool Archived(const SummaryPass& pass);

// Passes dated from `fromDate` to `toDate` ("2026-12-01", both days whole), in both
// folders: a pass belongs to the day it started on, also when it ended after midnight.
std::vector<SummaryPass> PassesBetween(PassFolders folders, const std::string& fromDate,
                                       const std::string& toDate);
// The passes of these files ("07.PSS", "archive/..."); a file that is not there is left out.
std::vector<SummaryPass> PassesNamed(PassFolders folders, const std::vector<std::string>& files);

struct SummaryRow {
  SummaryPass pass;
  std::string number;  // the pass number as shown
  std::string start;   // from the information file, else the pass file's header
  PassStatistics stats;
  bool readable = true;   // false when the figures were to be computed and the file cannot be read
  bool computed = false;  // computed now from the pass file, not read from its information file
  // The figures measured against limits apply: the pass recorded its set-point and limits.
  bool limits = false;
  // Why it has none ("no information file", "station.ini: tolerance_minus_um is below 0").
  std::string noLimits;
};

// One row per pass, in order of `when`. A pass without limits recorded has none of the
// figures against them, whatever its information file's [statistics] may hold.
std::vector<SummaryRow> SummaryRows(PassFolders folders, const std::vector<SummaryPass>& passes);

// Records the statistics of `info` in the information file of that pass where it is now:
// its "NN.PSI" while that still holds the same pass and start, else its copy in the archive
// (or one kept beside under its archive name) that does. Never another pass's file. The
// name written ("07.PSI", "archive/07-20261207-101502.PSI"); empty when there was none or
// the write failed.
std::string RecordStatistics(PassFolders folders, const PassInfo& info);

// Whether a row's figures are to be recorded: it computed them for an ended pass with an
// information file (a running pass is recorded by its own report at "Stop").
bool ToRecord(const SummaryRow& row);
// Records them in the information file the row was read from, while that still holds the
// same pass and start (else the next summary computes them again); false when it does
// not, or cannot be written.
bool RecordRow(PassFolders folders, const SummaryRow& row);
// RecordRow for every row to record in the archive (`archived`) or in the working
// directory; the count recorded. A file of the archive is never replaced by "Start", so
// that half may run on any thread; "NN.PSI" only on the thread that runs "Start".
int RecordComputed(PassFolders folders, const std::vector<SummaryRow>& rows, bool archived);

// The strip off gauge, in m: the head and the tail for now. The one place to give the
// thick and thin off-gauge metres instead, once the statistics have them.
double OffGaugeMetres(const PassStatistics& stats);

enum SummaryColumn {
  kSummaryPass,
  kSummaryStart,
  kSummaryEnd,
  kSummaryLength,
  kSummaryMean,
  kSummarySigma,
  kSummaryShare,
  kSummaryPp,
  kSummaryPpk,
  kSummaryOffGauge,
  kSummaryNoLimits,
  kSummaryColumns
};
// A row's texts in column order, figures as the pass's report shows them, "-" for none; the
// last one, once per row, why the pass has no limits (empty when it has them).
std::array<std::string, kSummaryColumns> SummaryCells(const SummaryRow& row);

// RFC 4180: the header below, one line per row with the pass file after the pass number,
// figures as in the table and empty where the table shows "-"; CR LF after every line.
std::string SummaryCsv(const std::vector<SummaryRow>& rows);
inline constexpr std::string_view kSummaryCsvHeader =
    "pass,file,start,end,length_m,mean_um,sigma_um,in_tolerance_percent,pp,ppk,off_gauge_m,no_"
    "limits";

// File stems in reports/: "summary-20261201-20261207" for a range of days,
// "summary-selection-20261208-101502" for passes chosen at that time (ISO local time).
std::string SummaryStem(const std::string& fromDate, const std::string& toDate);
std::string SelectionStem(const std::string& isoNow);

}  // namespace orlix
