// The kill test's writer and checker. In a directory it saves the configuration, the
// calibration points and the coefficients and appends pass-file lines through the real
// file access and the real writers, over and over, alternating between two known versions
// of every file, until it is killed. The checker then tells whether every data file is
// exactly one of its two versions and the pass file holds only whole lines.
//
//   kill_writer seed DIR    writes the first version of every file and a pass file header
//   kill_writer run DIR     prints "running", then writes until killed
//   kill_writer check DIR   checks the directory; prints what it found, exit 1 on a fault
//   kill_writer versions DIR  writes the two versions of each data file (NAME.0, NAME.1)
//                           and the pass file's lines (pass.head, pass.data, pass.end,
//                           pass.histo) for a quick check by the script
//
// The writer never cleans up after a killed save: a whole-file save writes a hidden
// temporary ".NAME.XXXXXX" that is renamed over the file, so a kill between the two leaves
// that temporary behind. The checker counts such files and shows that the station ignores
// them: no reader or listing sees them.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "calibration/CoefFile.h"
#include "calibration/PointsFile.h"
#include "core/Settings.h"
#include "base/SystemPlatform.h"
#include "passfiles/PassFileWriter.h"
#include "tests/support/FakePlatform.h"

namespace {

using namespace orlix;
namespace fs = std::filesystem;

constexpr std::int16_t kPass = 7;
constexpr const char* kPassFile = "07.PSS";
constexpr int kLinesPerPass = 60;

SettingsRecord SettingsVersion(int v) {
  SettingsRecord s;
  s.values = {2.71, 700, 570, 0.01, 0.1, 0.1, 0.1, 0.001, 1, 0, 0, 1, 412.35, 8123};
  if (v == 1) s.values = {1.5, 1200, 300, 2, 0.5, 1, 2.5, 0.25, 7, 10, 2000, 0, 96, 97};
  return s;
}

CalibrationData PointsVersion(int v) {
  CalibrationData data;
  for (std::size_t i = 0; i < 200; ++i) {
    data.Thickness[i] = 10.0 + 0.5 * static_cast<double>(i) + v;
    data.Intensity[i] = 9000.0 - 7.25 * static_cast<double>(i) - v;
  }
  return data;
}
// A long points file (200 points, some kilobytes) and a short one.
constexpr std::int16_t kPointCount[2] = {200, 3};

Coefficients CoefVersion(int v) {
  return v == 0 ? Coefficients{61, -2.5, 0, 0} : Coefficients{1.5, 2, 0.001, -1e-7};
}

std::string DataLine(int v) {
  return v == 0 ? PassFileWriter::DataLine(12, 120.44f, 350.2f, 15.6f)
                : PassFileWriter::DataLine(123456, -7.05f, 1234.5f, 98765.f);
}

struct Files {
  testing::FakeClock clock;
  DirectoryFileAccess access;
  explicit Files(const fs::path& dir) : access(dir) {}
};

void Seed(Files& f) {
  Cfgfile(f.access).WriteConfiguration(SettingsVersion(0));
  PointsFile(f.access).WritePoints(PointsVersion(0), kPointCount[0]);
  CoefFile(f.access).WriteCoefficients(CoefVersion(0));
  PassFileWriter(f.access, f.clock).WriteFileHeader(kPass);
}

// Which of the two versions the text is, or -1.
int VersionOf(const std::string& text, const std::string& v0, const std::string& v1) {
  return text == v0 ? 0 : text == v1 ? 1 : -1;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The data-line format on its own: "000000" at column 2, "0000.0" at 17 (a minus sign may
// stand before it), "0000" at 33 and 49, at least the pattern's digits, blanks between.
bool DataLineFormat(const std::string& line) {
  static const std::regex format(R"( \d{6,} +-?\d{4,}\.\d +\d{4,} +\d{4,})");
  if (!std::regex_match(line, format)) return false;
  auto digitAt = [&line](int column) {
    const char c = line[static_cast<std::size_t>(column - 1)];
    return c >= '0' && c <= '9';
  };
  return (line[16] == '-' || digitAt(17)) && digitAt(33) && digitAt(49);
}

// The pass file's grammar: the header, data lines, and after them at most one end block
// with its histogram lines; every line whole, ended by CR LF.
std::string CheckPassFile(const std::string& text, int& dataLines, bool& ended) {
  ended = false;
  if (!text.empty() && text.compare(text.size() - 2, 2, "\r\n") != 0) {
    return "the pass file ends in part of a line";
  }
  const auto lines = SplitLines(text);
  for (const auto& line : lines) {
    if (line.find_first_of("\r\n") != std::string::npos) return "a stray line break";
  }
  testing::FakeClock clock;
  const auto header = SplitLines(PassFileWriter::HeaderText(kPass, clock.date, clock.time));
  const auto end = SplitLines(PassFileWriter::EndText(120.1, 1.23));
  const std::string histo[2] = {PassFileWriter::HistoLine(118.4, 23),
                                PassFileWriter::HistoLine(123.2, 126000)};
  if (lines.size() < header.size() || !std::equal(header.begin(), header.end(), lines.begin())) {
    return "the pass file does not begin with its header";
  }
  std::size_t i = header.size();
  dataLines = 0;
  for (; i < lines.size() && !lines[i].empty(); ++i, ++dataLines) {
    const std::string whole = lines[i] + "\r\n";
    if (!DataLineFormat(lines[i]) || VersionOf(whole, DataLine(0), DataLine(1)) < 0) {
      return "pass file line " + std::to_string(i + 1) + " is not a data line: \"" + lines[i] +
             "\"";
    }
  }
  if (i == lines.size()) return "";
  ended = true;
  if (lines.size() - i < end.size() ||
      !std::equal(end.begin(), end.end(), lines.begin() + static_cast<long>(i))) {
    return "the end block is not whole";
  }
  for (i += end.size(); i < lines.size(); ++i) {
    if (VersionOf(lines[i] + "\r\n", histo[0], histo[1]) < 0) {
      return "pass file line " + std::to_string(i + 1) + " is not a histogram line";
    }
  }
  return "";
}

// Writes until killed. It goes on from what it finds: each file alternates starting with
// the version it does not hold now, so that a kill always falls between two different
// versions, and the pass file grows on from its last line.
[[noreturn]] void Run(Files& f) {
  const std::string cfg = f.access.Read(kConfigurationFile, 1 << 20).value_or("");
  const long first = cfg == Cfgfile::ConfigurationText(SettingsVersion(0)) ? 1 : 0;
  int dataLines = 0;
  bool ended = false;
  const bool wellFormed =
      CheckPassFile(f.access.Read(kPassFile, 1 << 24).value_or(""), dataLines, ended).empty();
  const long lineBase = wellFormed && !ended ? dataLines : 0;
  std::printf("running\n");
  std::fflush(stdout);
  PassFileWriter pass(f.access, f.clock);
  for (long i = first;; ++i) {
    const int v = static_cast<int>(i % 2);
    Cfgfile(f.access).WriteConfiguration(SettingsVersion(v));
    // The calibration window's order: points, then coefficients.
    PointsFile(f.access).WritePoints(PointsVersion(v), kPointCount[v]);
    CoefFile(f.access).WriteCoefficients(CoefVersion(v));
    for (int j = 0; j < 3; ++j) {
      const long line = lineBase + (i - first) * 3 + j;
      if (line % kLinesPerPass == 0) pass.WriteFileHeader(kPass);
      pass.AddFileData(kPass, v == 0 ? 12 : 123456, v == 0 ? 120.44f : -7.05f,
                       v == 0 ? 350.2f : 1234.5f, v == 0 ? 15.6f : 98765.f);
      if (line % kLinesPerPass == kLinesPerPass - 1) {
        pass.WriteFileEnd(kPass, 120.1, 1.23);
        pass.WriteHistoPoint(kPass, 118.4, 23);
        pass.WriteHistoPoint(kPass, 123.2, 126000);
      }
    }
  }
}

void Versions(const fs::path& dir) {
  DirectoryFileAccess out(dir);
  for (int v = 0; v < 2; ++v) {
    const std::string suffix = "." + std::to_string(v);
    out.Replace(kConfigurationFile + suffix, Cfgfile::ConfigurationText(SettingsVersion(v)));
    out.Replace(kPointsFile + suffix, PointsFile::PointsText(PointsVersion(v), kPointCount[v]));
    out.Replace(kCoefficientFile + suffix, CoefFile::CoefficientText(CoefVersion(v)));
  }
  testing::FakeClock clock;
  out.Replace("pass.head", PassFileWriter::HeaderText(kPass, clock.date, clock.time));
  out.Replace("pass.data", DataLine(0) + DataLine(1));
  out.Replace("pass.end", PassFileWriter::EndText(120.1, 1.23));
  out.Replace("pass.histo",
              PassFileWriter::HistoLine(118.4, 23) + PassFileWriter::HistoLine(123.2, 126000));
}

int Check(Files& f, const fs::path& dir) {
  std::vector<std::string> problems;
  auto read = [&f](const char* name) { return f.access.Read(name, 1 << 24).value_or("<missing>"); };

  const int cfg =
      VersionOf(read(kConfigurationFile), Cfgfile::ConfigurationText(SettingsVersion(0)),
                Cfgfile::ConfigurationText(SettingsVersion(1)));
  const int set =
      VersionOf(read(kPointsFile), PointsFile::PointsText(PointsVersion(0), kPointCount[0]),
                PointsFile::PointsText(PointsVersion(1), kPointCount[1]));
  const int cff = VersionOf(read(kCoefficientFile), CoefFile::CoefficientText(CoefVersion(0)),
                            CoefFile::CoefficientText(CoefVersion(1)));
  if (cfg < 0) problems.push_back("QL_CFG.DAT is neither version");
  if (set < 0) problems.push_back("QL_SET.DAT is neither version");
  if (cff < 0) problems.push_back("QL_CFF.DAT is neither version");
  int dataLines = 0;
  bool ended = false;
  const std::string pass = CheckPassFile(read(kPassFile), dataLines, ended);
  if (!pass.empty()) problems.push_back(pass);

  // Everything else must be a temporary of a killed whole-file save.
  static const std::regex temporary(
      R"(\.(QL_CFG\.DAT|QL_SET\.DAT|QL_CFF\.DAT|07\.PSS)\.[A-Za-z0-9]{6})");
  int leftovers = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name == kConfigurationFile || name == kPointsFile || name == kCoefficientFile ||
        name == kPassFile) {
      continue;
    }
    if (std::regex_match(name, temporary) && entry.is_regular_file()) {
      ++leftovers;
    } else {
      problems.push_back("unexpected entry " + name);
    }
  }
  // The station does not see them: the pass-file listing and the readers see the files.
  if (f.access.List(".PSS") != std::vector<std::string>{kPassFile}) {
    problems.push_back("the pass-file listing shows more than 07.PSS");
  }
  if (cfg >= 0) {
    SettingsRecord s;
    Cfgfile(f.access).ReadConfiguration(s);
    if (s.values != SettingsVersion(cfg).values) problems.push_back("configuration reads wrong");
  }
  if (set >= 0) {
    CalibrationData data;
    PointsFile(f.access).ReadPoints(data);
    const CalibrationData want = PointsVersion(set);
    const auto n = static_cast<long>(kPointCount[set]);
    if (data.PointCount != kPointCount[set] ||
        !std::equal(want.Thickness.begin(), want.Thickness.begin() + n, data.Thickness.begin()) ||
        !std::equal(want.Intensity.begin(), want.Intensity.begin() + n, data.Intensity.begin())) {
      problems.push_back("points read wrong");
    }
  }
  if (cff >= 0) {
    Coefficients c{};
    CoefFile(f.access).ReadCoefficients(c);
    if (c != CoefVersion(cff)) problems.push_back("coefficients read wrong");
  }

  std::printf(
      "configuration v%d, points v%d, coefficients v%d, pass file %d data lines%s, "
      "%d temporaries of killed saves\n",
      cfg, set, cff, dataLines, ended ? " and its end" : "", leftovers);
  for (const auto& p : problems) std::printf("FAULT: %s\n", p.c_str());
  return problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s seed|run|check DIR\n", argv[0]);
    return 2;
  }
  const fs::path dir = argv[2];
  Files files(dir);
  const std::string mode = argv[1];
  if (mode == "seed") {
    Seed(files);
    return 0;
  }
  if (mode == "run") Run(files);
  if (mode == "check") return Check(files, dir);
  if (mode == "versions") {
    Versions(dir);
    return 0;
  }
  std::fprintf(stderr, "unknown mode %s\n", argv[1]);
  return 2;
}
