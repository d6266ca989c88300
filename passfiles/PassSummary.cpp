#include "passfiles/PassSummary.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "passfiles/PassFileWriter.h"
#include "passfiles/PassProfile.h"

namespace orlix {
namespace {

const std::string kArchivePrefix = std::string(kArchiveFolder) + "/";

// The folder of a listed file and its bare name there.
FileAccess& FolderOf(PassFolders folders, const std::string& file, std::string& bare) {
  const bool archived = file.rfind(kArchivePrefix, 0) == 0;
  bare = archived ? file.substr(kArchivePrefix.size()) : file;
  return archived ? folders.archive : folders.current;
}

SummaryPass Found(FileAccess& folder, const std::string& prefix, const std::string& name) {
  SummaryPass pass{prefix + name, ReadInfo(folder, InfoNameFor(name)), {}};
  if (pass.info) {
    pass.when = pass.info->start;
  } else if (const auto written = folder.ModifiedSeconds(name)) {
    pass.when = IsoLocalTime(*written);
  }
  return pass;
}

std::string Digits(const std::string& text) {
  std::string digits;
  for (const char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

// "07-20261207-101502.PSI" or "07-20261207-101502-3.PSI" for the stem "07-20261207-101502".
bool ArchiveNameOf(const std::string& name, const std::string& stem) {
  constexpr std::string_view kExtension = ".PSI";
  if (name.rfind(stem, 0) != 0 || !name.ends_with(kExtension)) return false;
  const std::string rest = name.substr(stem.size(), name.size() - stem.size() - kExtension.size());
  return rest.empty() || (rest.size() > 1 && rest[0] == '-' && Digits(rest) == rest.substr(1));
}

// The information file `name` holds the pass that started at `info.start`.
bool SamePass(FileAccess& folder, const std::string& name, const PassInfo& info) {
  const auto there = ReadInfo(folder, name);
  return there && there->pass == info.pass && there->start == info.start;
}

std::string CsvField(const std::string& text) {
  if (text == "-") return {};
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

}  // namespace

std::vector<SummaryPass> PassesBetween(PassFolders folders, const std::string& fromDate,
                                       const std::string& toDate) {
  std::vector<SummaryPass> passes;
  for (const auto& [folder, prefix] : {std::pair<FileAccess*, std::string>{&folders.current, ""},
                                       {&folders.archive, kArchivePrefix}}) {
    for (const std::string& name : folder->List(".PSS")) {
      SummaryPass pass = Found(*folder, prefix, name);
      // ISO dates compare as their texts: the day is the first ten characters.
      const std::string day = pass.when.substr(0, 10);
      if (day.size() == 10 && day >= fromDate && day <= toDate) passes.push_back(std::move(pass));
    }
  }
  return passes;
}

std::vector<SummaryPass> PassesNamed(PassFolders folders, const std::vector<std::string>& files) {
  std::vector<SummaryPass> passes;
  for (const std::string& file : files) {
    std::string bare;
    FileAccess& folder = FolderOf(folders, file, bare);
    if (folder.Exists(bare))
      passes.push_back(Found(folder, file.substr(0, file.size() - bare.size()), bare));
  }
  return passes;
}

std::vector<SummaryRow> SummaryRows(PassFolders folders, const std::vector<SummaryPass>& passes) {
  std::vector<SummaryRow> rows;
  rows.reserve(passes.size());
  for (const SummaryPass& pass : passes) {
    SummaryRow row;
    row.pass = pass;
    const std::optional<PassInfo>& info = pass.info;
    row.limits = info && LimitsOf(*info);
    row.noLimits = row.limits ? std::string() : info ? info->limitsProblem : "no information file";
    if (info) {
      row.number = std::to_string(info->pass);
      row.start = info->start;
    }
    if (info && info->statistics) {
      row.stats = *info->statistics;
    } else {
      std::string bare;
      FileAccess& folder = FolderOf(folders, pass.file, bare);
      const PassProfile p = LoadProfile(folder, bare);
      row.stats = p.stats;
      row.readable = p.data.Readable();
      row.computed = true;
      if (!info) {
        // "07" in the header reads as 7, as the pass numbers of information files are shown.
        const std::optional<double> number = ParseListNumber(p.data.PassText());
        row.number = number && *number == std::floor(*number) && std::abs(*number) < 1e6
                         ? std::to_string(static_cast<long>(*number))
                         : p.data.PassText();
        row.start = p.data.DateText() + (p.data.TimeText().empty() ? "" : " " + p.data.TimeText());
      }
    }
    rows.push_back(std::move(row));
  }
  std::stable_sort(rows.begin(), rows.end(), [](const SummaryRow& a, const SummaryRow& b) {
    return a.pass.when != b.pass.when ? a.pass.when < b.pass.when : a.pass.file < b.pass.file;
  });
  return rows;
}

std::string RecordStatistics(PassFolders folders, const PassInfo& info) {
  const std::string current = InfoFileName(info.pass);
  if (SamePass(folders.current, current, info)) {
    return folders.current.Replace(current, InfoText(info)) ? current : std::string();
  }
  // "Start" moved it under the pass number and its start (ArchivePassFile), into the
  // archive or, when the archive refused it, beside the others.
  const std::string stem =
      ReportStem(PassFileWriter::PassFileName(info.pass), StartStamp(info.start));
  for (const auto& [folder, prefix] :
       {std::pair<FileAccess*, std::string>{&folders.archive, kArchivePrefix},
        {&folders.current, ""}}) {
    for (const std::string& name : folder->List(".PSI")) {
      if (!ArchiveNameOf(name, stem) || !SamePass(*folder, name, info)) continue;
      return folder->Replace(name, InfoText(info)) ? prefix + name : std::string();
    }
  }
  return {};
}

bool ToRecord(const SummaryRow& row) {
  return row.computed && row.readable && row.pass.info && !row.pass.info->end.empty();
}

bool Archived(const SummaryPass& pass) { return pass.file.rfind(kArchivePrefix, 0) == 0; }

bool RecordRow(PassFolders folders, const SummaryRow& row) {
  if (!ToRecord(row)) return false;
  PassInfo info = *row.pass.info;
  info.statistics = row.stats;
  std::string bare;
  FileAccess& folder = FolderOf(folders, InfoNameFor(row.pass.file), bare);
  return SamePass(folder, bare, info) && folder.Replace(bare, InfoText(info));
}

int RecordComputed(PassFolders folders, const std::vector<SummaryRow>& rows, bool archived) {
  int recorded = 0;
  for (const SummaryRow& row : rows) {
    if (Archived(row.pass) == archived && RecordRow(folders, row)) ++recorded;
  }
  return recorded;
}

double OffGaugeMetres(const PassStatistics& stats) { return stats.headLength + stats.tailLength; }

std::array<std::string, kSummaryColumns> SummaryCells(const SummaryRow& row) {
  std::array<std::string, kSummaryColumns> cells;
  cells.fill("-");
  const PassStatistics& s = row.stats;
  const std::optional<PassInfo>& info = row.pass.info;
  if (!row.number.empty()) cells[kSummaryPass] = row.number;
  if (!row.start.empty()) cells[kSummaryStart] = row.start;
  if (info && !info->end.empty()) cells[kSummaryEnd] = info->end;
  cells[kSummaryNoLimits] = row.noLimits;
  if (!row.readable) return cells;
  cells[kSummaryLength] = FigureText(s.length, 0);
  cells[kSummaryMean] = FigureText(s.mean, 2);
  cells[kSummarySigma] = FigureText(s.sigma, 2);
  if (!row.limits) return cells;
  if (s.inTolerance) cells[kSummaryShare] = FigureText(*s.inTolerance * 100, 1);
  cells[kSummaryPp] = FigureText(s.pp, 2);
  cells[kSummaryPpk] = FigureText(s.ppk, 2);
  if (s.count > 0) cells[kSummaryOffGauge] = FigureText(OffGaugeMetres(s), 0);
  return cells;
}

std::string SummaryCsv(const std::vector<SummaryRow>& rows) {
  std::string text(kSummaryCsvHeader);
  text += kLineEnd;
  for (const SummaryRow& row : rows) {
    const auto cells = SummaryCells(row);
    text += CsvField(cells[0]);
    text += ',';
    text += CsvField(row.pass.file);
    for (std::size_t k = 1; k < cells.size(); ++k) {
      text += ',';
      text += CsvField(cells[k]);
    }
    text += kLineEnd;
  }
  return text;
}

std::string SummaryStem(const std::string& fromDate, const std::string& toDate) {
  return "summary-" + Digits(fromDate) + "-" + Digits(toDate);
}

std::string SelectionStem(const std::string& isoNow) {
  return "summary-selection-" + StartStamp(isoNow);
}

}  // namespace orlix
