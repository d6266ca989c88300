#include "passfiles/PassInfo.h"

#include <tuple>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "base/Format.h"
#include "passfiles/PassFileWriter.h"

namespace orlix {
namespace {

constexpr int kMaxFreeNames = 1000;
constexpr std::string_view kNotRecorded = "not recorded";
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Stem(const std::string& name) { return name.substr(0, name.rfind('.')); }

std::string DigitsOf(std::string_view text) {
  std::string digits;
  for (const char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

// The name with "-2", "-3" ... before the extension for the k-th try.
std::string Numbered(const std::string& stem, int k, const std::string& extension) {
  return stem + (k == 1 ? std::string() : "-" + std::to_string(k)) + extension;
}

// Moves the file to the first free numbered name in the folder; the number used, or 0.
int MoveFree(FileAccess& files, const std::string& name, const std::string& folder,
             const std::string& stem, const std::string& extension) {
  for (int k = 1; k <= kMaxFreeNames; ++k) {
    if (files.MoveTo(name, folder, Numbered(stem, k, extension))) return k;
  }
  return 0;
}

}  // namespace

std::string InfoFileName(std::int16_t pass) {
  return InfoNameFor(PassFileWriter::PassFileName(pass));
}

std::string InfoNameFor(const std::string& passFileName) { return Stem(passFileName) + ".PSI"; }

std::string InfoText(const PassInfo& info) {
  std::string text = "[pass]";
  text += kLineEnd;
  auto add = [&text](std::string_view key, const std::string& value) {
    text += key;
    text += '=';
    text += value;
    text += kLineEnd;
  };
  add("number", std::to_string(info.pass));
  add("start", info.start);
  if (!info.end.empty()) add("end", info.end);
  if (info.notStopped) add("end_reason", "not stopped");
  add("set_point_um", ListForm(info.setPoint));
  add("scale_percent", ListForm(info.scale));
  if (info.limitsProblem.empty()) {
    add(kTolerancePlusKey, ListForm(info.tolerancePlus));
    add(kToleranceMinusKey, ListForm(info.toleranceMinus));
  } else {
    add("limits", std::string(kNotRecorded) + ": " + info.limitsProblem);
  }
  add("measurement_mode", ListForm(info.mode));
  for (std::size_t k = 0; k < info.coefficients.size(); ++k) {
    add("a" + std::to_string(k), ListForm(info.coefficients[k]));
  }
  add("display_period_s", ListForm(info.periods[0]));
  add("file_output_period_s", ListForm(info.periods[1]));
  add("correction_period_s", ListForm(info.periods[2]));
  add("version", info.version);
  for (const auto& [group, key, lines] :
       {std::tuple{"[alarms]", "event", &info.alarms}, {"[changes]", "change", &info.changes}}) {
    if (lines->empty()) continue;
    text += group;
    text += kLineEnd;
    for (std::size_t k = 0; k < lines->size(); ++k) add(key + std::to_string(k + 1), (*lines)[k]);
  }
  if (info.statistics) {
    // The figures the report shows; one it shows as "-" is left out.
    const PassStatistics& s = *info.statistics;
    text += "[statistics]";
    text += kLineEnd;
    add("data_lines", std::to_string(s.count));
    add("length_m", ListForm(s.length));
    auto optional = [&add](std::string_view key, const std::optional<double>& v, double factor) {
      if (v && std::isfinite(*v)) add(key, ListForm(*v * factor));
    };
    optional("mean_um", s.mean, 1);
    optional("sigma_um", s.sigma, 1);
    optional("minimum_um", s.minimum, 1);
    optional("maximum_um", s.maximum, 1);
    optional("in_tolerance_percent", s.inTolerance, 100);
    optional("pp", s.pp, 1);
    optional("ppk", s.ppk, 1);
    if (s.inTolerance) {  // the off-gauge metres only of a pass measured against limits
      add("head_m", ListForm(s.headLength));
      add("tail_m", ListForm(s.tailLength));
    }
  }
  return text;
}

namespace {

// One key of the group [statistics] besides its count; other keys are passed over.
void StatisticsKey(PassStatistics& s, const std::string& key, const std::string& v) {
  const std::optional<double> value = ParseListNumber(v);
  std::optional<double>* figure = key == "mean_um"      ? &s.mean
                                  : key == "sigma_um"   ? &s.sigma
                                  : key == "minimum_um" ? &s.minimum
                                  : key == "maximum_um" ? &s.maximum
                                  : key == "pp"         ? &s.pp
                                  : key == "ppk"        ? &s.ppk
                                                        : nullptr;
  if (figure) {
    *figure = value;
  } else if (key == "in_tolerance_percent") {
    s.inTolerance = value ? std::optional<double>(*value / 100) : std::nullopt;
  } else if (key == "length_m" || key == "head_m" || key == "tail_m") {
    (key == "length_m" ? s.length
     : key == "head_m" ? s.headLength
                       : s.tailLength) = value.value_or(0);
  }
}

}  // namespace

std::optional<PassInfo> ParseInfo(std::string_view text) {
  PassInfo info;
  bool number = false;
  std::string group;
  PassStatistics stats;
  bool statistics = false;  // the group holds its count of data lines
  int toleranceKeys = 0;
  info.setPoint = kNaN;  // until the file gives one
  std::string limits;
  auto value = [](const std::string& v, double& out) {
    if (const auto parsed = ParseListNumber(v)) out = *parsed;
  };
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.starts_with('[') && line.ends_with(']')) group = line.substr(1, line.size() - 2);
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string key(line.substr(0, eq));
    const std::string v(line.substr(eq + 1));
    if (group == "alarms" || group == "changes") {
      if (key.starts_with(group == "alarms" ? "event" : "change"))
        (group == "alarms" ? info.alarms : info.changes).push_back(v);
      continue;
    }
    if (group == "statistics") {  // the pass keys are read from [pass] and before any group
      if (key == "data_lines") {
        const auto count = ParseListNumber(v);
        statistics = count && *count >= 0 && *count == std::floor(*count) && *count < 1e15;
        if (statistics) stats.count = static_cast<std::size_t>(*count);
      } else {
        StatisticsKey(stats, key, v);
      }
      continue;
    }
    if (key == "number") {
      const auto parsed = ParseListNumber(v);
      number = parsed && *parsed >= -32768 && *parsed <= 32767;
      if (number) info.pass = static_cast<std::int16_t>(*parsed);
    } else if (key == "start") {
      info.start = v;
    } else if (key == "end") {
      info.end = v;
    } else if (key == "end_reason") {
      info.notStopped = v == "not stopped";
    } else if (key == "set_point_um") {
      value(v, info.setPoint);
    } else if (key == "scale_percent") {
      value(v, info.scale);
    } else if (key == kTolerancePlusKey) {
      info.tolerancePlus = ParseListNumber(v).value_or(kNaN);
      ++toleranceKeys;
    } else if (key == kToleranceMinusKey) {
      info.toleranceMinus = ParseListNumber(v).value_or(kNaN);
      ++toleranceKeys;
    } else if (key == "limits") {
      limits = v;
    } else if (key == "measurement_mode") {
      value(v, info.mode);
    } else if (key.size() == 2 && key[0] == 'a' && key[1] >= '0' && key[1] <= '3') {
      value(v, info.coefficients[static_cast<std::size_t>(key[1] - '0')]);
    } else if (key == "display_period_s") {
      value(v, info.periods[0]);
    } else if (key == "file_output_period_s") {
      value(v, info.periods[1]);
    } else if (key == "correction_period_s") {
      value(v, info.periods[2]);
    } else if (key == "version") {
      info.version = v;
    }
  }
  if (!number || info.start.empty()) return std::nullopt;
  if (statistics) info.statistics = stats;
  if (limits.rfind(kNotRecorded, 0) == 0) {
    info.limitsProblem = limits.size() > kNotRecorded.size() + 2
                             ? limits.substr(kNotRecorded.size() + 2)
                             : std::string(kNotRecorded);
  } else if (toleranceKeys < 2) {
    info.limitsProblem = "the information file holds no tolerance";
  } else if (const std::string problem =
                 ToleranceProblem({info.tolerancePlus, info.toleranceMinus});
             !problem.empty()) {
    info.limitsProblem = "the information file's " + problem;
  } else if (!std::isfinite(info.setPoint)) {
    info.limitsProblem = "the information file holds no set-point";
  }
  return info;
}

std::optional<PassInfo> ReadInfo(FileAccess& files, const std::string& name) {
  // An information file is a few hundred bytes.
  const auto text = files.Read(name, 64 * 1024);
  if (!text) return std::nullopt;
  return ParseInfo(*text);
}

std::vector<std::string> UnstoppedInfoFiles(FileAccess& files) {
  std::vector<std::string> names;
  for (const std::string& name : files.List(".PSI")) {
    const auto info = ReadInfo(files, name);
    if (info && info->end.empty() && InfoFileName(info->pass) == name) names.push_back(name);
  }
  return names;
}

std::string ReadableTime(const std::string& iso) {
  std::string text = iso;
  if (text.size() >= 19 && text[10] == 'T' && DigitsOf(text.substr(0, 10)).size() == 8)
    text[10] = ' ';
  return text;
}

std::string IsoLocalTime(std::int64_t secondsSinceEpoch) {
  const auto t = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm local{};
  char text[32] = "";
  if (localtime_r(&t, &local) == nullptr ||
      std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local) == 0) {
    return {};
  }
  return text;
}

namespace {

// The start plus some seconds, both local time; empty when the start is not such a time.
std::string LaterIsoTime(const std::string& isoStart, double seconds) {
  std::tm tm{};
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (std::sscanf(isoStart.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &year, &month, &day, &hour, &minute,
                  &second) != 6 ||
      !std::isfinite(seconds)) {
    return {};
  }
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  const std::time_t start = std::mktime(&tm);
  if (start == static_cast<std::time_t>(-1)) return {};
  return IsoLocalTime(static_cast<std::int64_t>(start) + std::llround(seconds));
}

}  // namespace

PassInfo EndUnstopped(FileAccess& files, PassInfo info) {
  const std::string passFile = PassFileWriter::PassFileName(info.pass);
  if (const auto written = files.ModifiedSeconds(passFile)) info.end = IsoLocalTime(*written);
  if (info.end.empty()) {
    const PassData data = PassData::Read(files, passFile);
    const double lines = static_cast<double>(data.Readable() ? data.Count() : 0);
    info.end = LaterIsoTime(info.start, lines * info.periods[1]);
  }
  if (info.end.empty()) info.end = info.start;
  info.notStopped = true;
  return info;
}

std::optional<ToleranceLimits> LimitsOf(const PassInfo& info) {
  if (!info.limitsProblem.empty()) return std::nullopt;
  return ToleranceLimits{info.setPoint, info.setPoint - info.toleranceMinus,
                         info.setPoint + info.tolerancePlus};
}

std::string StartStamp(const std::string& isoStart) {
  const std::string digits = DigitsOf(isoStart);
  if (digits.size() < 14) return digits.empty() ? "undated" : digits;
  return digits.substr(0, 8) + "-" + digits.substr(8, 6);
}

std::string HeaderStamp(const PassData& data) {
  const std::string date = DigitsOf(data.DateText());
  const std::string time = DigitsOf(data.TimeText());
  if (date.empty() && time.empty()) return "undated";
  return date + "-" + time;
}

std::string ReportStem(const std::string& passFileName, const std::string& stamp) {
  // An archived file ("07-20261207-101502-2.PSS") is named after its pass number alone;
  // a minus in front is the sign of a negative pass number.
  const std::string stem = Stem(passFileName);
  return stem.substr(0, stem.find('-', 1)) + "-" + stamp;
}

ArchiveResult ArchivePassFile(FileAccess& files, const std::string& passFileName) {
  ArchiveResult result;
  if (!files.Exists(passFileName)) return result;
  result.existed = true;
  const std::string infoName = InfoNameFor(passFileName);
  const auto info = ReadInfo(files, infoName);
  // Only the header is needed for the stamp of a file from an earlier version.
  std::string stamp;
  if (info) {
    stamp = StartStamp(info->start);
  } else {
    auto head = files.Read(passFileName, PassData::kHeaderBytes + PassData::kMaxLineBytes + 2);
    stamp = HeaderStamp(PassData::Parse(head.value_or(std::string()), false));
  }
  const std::string stem = ReportStem(passFileName, stamp);
  const std::string extension = passFileName.substr(passFileName.rfind('.'));
  std::string folder = kArchiveFolder;
  int k = MoveFree(files, passFileName, folder, stem, extension);
  result.archived = k > 0;
  if (k == 0) {
    folder.clear();
    k = MoveFree(files, passFileName, folder, stem, extension);
    result.kept = k > 0;
  }
  if (k == 0) return result;
  result.name = (folder.empty() ? "" : folder + "/") + Numbered(stem, k, extension);
  // The information file follows under the same stem where it can, else a free one.
  if (files.Exists(infoName) && !files.MoveTo(infoName, folder, Numbered(stem, k, ".PSI"))) {
    MoveFree(files, infoName, folder, stem, ".PSI");
  }
  return result;
}

void AppendCsvRow(std::string& csv, std::size_t line, const PassData::Items& items) {
  csv += std::to_string(line);
  for (const std::string_view item : items) {
    csv += ',';
    csv += item;
  }
  csv += kLineEnd;
}

std::string CsvEnd(const PassData& data) {
  if (data.Complete()) return {};
  return "incomplete,\"" + data.Summary() + ": the data lines after them are missing\",,," +
         std::string(kLineEnd);
}

std::string CsvText(std::string_view passFileBytes) {
  std::string text(kCsvHeader);
  text += kLineEnd;
  std::size_t line = 0;
  const PassData data = PassData::Parse(passFileBytes, true, [&](const PassData::Items& items) {
    AppendCsvRow(text, ++line, items);
  });
  return text + CsvEnd(data);
}

}  // namespace orlix
