// Pass quality without windows: statistics against a separate one-pass sum over generated
// pass files, the reader on bad input, the envelope against brute force, the information
// file, the CSV, the archive over repeated passes, the summary of many passes and the
// tolerance fields' keypad rules.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <random>
#include <set>
#include <tuple>

#include "base/SystemPlatform.h"
#include "passfiles/Envelope.h"
#include "passfiles/PassFileWriter.h"
#include "passfiles/PassInfo.h"
#include "passfiles/PassProfile.h"
#include "passfiles/PassSummary.h"
#include "settings/ToleranceEditor.h"
#include "tests/support/FakePlatform.h"

namespace orlix {
namespace {

struct StatsRow {
  int lines, head, tail;  // head lines far above the limits, tail lines far below
  double spread;          // of the lines in between, within the tolerance of 6
};
class Statistics : public ::testing::TestWithParam<StatsRow> {};
TEST_P(Statistics, AgreeWithAOnePassSum) {
  const StatsRow r = GetParam();
  std::string file = PassFileWriter::HeaderText(7, "12/07/26", "10:15:02");
  long double sum = 0, squares = 0, movingRange = 0;
  double thick = 0, thin = 0, previous = 0;
  for (int i = 0; i < r.lines; ++i) {
    double t = 120 + r.spread * ((i * 7 % 11) - 5) / 5;
    if (i < r.head) t = 170;
    if (i >= r.lines - r.tail && i >= r.head) t = 70;
    t = std::round(t * 10) / 10;
    sum += t;
    squares += static_cast<long double>(t) * t;
    if (i > 0) movingRange += std::abs(t - previous);
    if (i > 0 && t > 126) thick += 2;  // the strip since the line before
    if (i > 0 && t < 114) thin += 2;
    previous = t;
    file += PassFileWriter::DataLine(static_cast<float>(2 * i + 1), static_cast<float>(t), 300, 9);
  }
  file += PassFileWriter::EndText(120, 1) + PassFileWriter::HistoLine(118.4, 3);
  const PassStatistics s = ComputeStatistics(PassData::Parse(file), ToleranceLimits{120, 114, 126});
  const long double n = r.lines;
  ASSERT_EQ(s.count, static_cast<std::size_t>(r.lines));
  const int inside = std::max(0, r.lines - r.head - r.tail);
  EXPECT_EQ(ShareText(s.inTolerance),
            r.lines ? FigureText(100.0 * inside / r.lines, 1) + " %" : "-");
  EXPECT_EQ(s.headLines, static_cast<std::size_t>(inside ? r.head : r.lines));
  EXPECT_DOUBLE_EQ(s.headLength, 2.0 * (inside ? r.head : std::max(r.lines - 1, 0)));
  EXPECT_DOUBLE_EQ(s.tailLength, inside ? 2.0 * r.tail : 0);
  EXPECT_EQ(s.thickLines + s.thinLines, static_cast<std::size_t>(r.lines - inside));
  EXPECT_DOUBLE_EQ(s.thickLength, thick);
  EXPECT_DOUBLE_EQ(s.thinLength, thin);
  if (r.lines == 0) {
    EXPECT_FALSE(s.mean || s.sigma || s.pp || s.cp);
    return;
  }
  EXPECT_NEAR(*s.mean, static_cast<double>(sum / n), 1e-9);
  if (r.lines == 1) {
    EXPECT_EQ(FigureText(s.sigma, 2) + FigureText(s.cpk, 2), "--");
    return;
  }
  const double sigma =
      static_cast<double>(std::sqrt(std::max(0.0L, (squares - sum * sum / n) / (n - 1))));
  const double shortTerm = static_cast<double>(movingRange / (n - 1)) / 1.128;
  EXPECT_NEAR(*s.sigma, sigma, 1e-6);
  for (const auto& [got, gotK, spread] :
       {std::tuple{s.pp, s.ppk, sigma}, {s.cp, s.cpk, shortTerm}}) {
    if (spread < 1e-6) {
      EXPECT_TRUE(FigureText(got, 2) == "-" && FigureText(gotK, 2) == "-");
      continue;
    }
    EXPECT_NEAR(*got, 12 / (6 * spread), 1e-6);
    EXPECT_NEAR(*gotK, std::min(126 - *s.mean, *s.mean - 114) / (3 * spread), 1e-6);
  }
}
INSTANTIATE_TEST_SUITE_P(Passes, Statistics,
                         ::testing::Values(StatsRow{1000, 0, 0, 4}, StatsRow{500, 17, 40, 5.5},
                                           StatsRow{300, 300, 0, 1}, StatsRow{50, 3, 2, 0},
                                           StatsRow{1, 0, 0, 1}, StatsRow{0, 0, 0, 1}));

struct BadRow {
  const char* name;
  std::string bytes;
  std::size_t data, broken;
};
class BadInput : public ::testing::TestWithParam<BadRow> {};
TEST_P(BadInput, ReadsWhatItCanAndNothingElse) {
  const PassData d = PassData::Parse(GetParam().bytes);
  EXPECT_EQ(d.Count(), GetParam().data) << GetParam().name;
  EXPECT_EQ(d.Skipped(LeftOut::kBroken).lines, GetParam().broken) << GetParam().name;
  EXPECT_EQ(CsvText(GetParam().bytes).size() > kCsvHeader.size() + 2, d.Count() > 0);
}
const std::string kLine = PassFileWriter::DataLine(12, 120.44f, 350.2f, 15.6f);
// The longest line that can be a data line: 256 bytes, blanks after the items.
const std::string kPadded =
    kLine.substr(0, kLine.size() - 2) + std::string(258 - kLine.size(), ' ');
INSTANTIATE_TEST_SUITE_P(
    Files, BadInput,
    ::testing::Values(
        BadRow{"header only", PassFileWriter::HeaderText(1, "d", "t"), 0, 0},
        BadRow{"cut and joined lines",
               kLine + kLine.substr(0, 20) + "\r\n" + kLine.substr(0, 52) + kLine, 1, 2},
        BadRow{"a line of a page", kLine + std::string(5000, '1') + "\n" + kLine, 2, 1},
        BadRow{"binary", std::string("\0\xff\x01 12 3\r\x80\n", 11) + kLine, 1, 2},
        BadRow{"lone CR ends", " 1 2.5 3 4\r 2 2.5 3 4\r", 2, 0},
        BadRow{"not the writer's numbers", " 12. 2.5 3 4\n 1x5 2.5 3 4\n 1 2.5x 3 4\n -1 -.5 3 4\n",
               0, 4},
        BadRow{"blanks after the items", kPadded + "\n" + kPadded + " ", 1, 1}));

// Data lines no strip can have: left out, counted by reason with the first line's number
// in the file, and kept from the figures.
struct PlausibleRow {
  std::string lines;  // after a header of five lines
  std::size_t kept;
  std::vector<std::size_t> skipped;  // broken, thickness, length, roll
  std::size_t firstLine;             // of the first line left out, 0 for none
};
class Plausible : public ::testing::TestWithParam<PlausibleRow> {};
TEST_P(Plausible, LinesNoStripCanHaveAreLeftOut) {
  const PassData d = PassData::Parse(PassFileWriter::HeaderText(7, "d", "t") + GetParam().lines);
  EXPECT_EQ(d.Count(), GetParam().kept);
  std::size_t first = 0;
  for (std::size_t r = 0; r < kLeftOutReasons; ++r) {
    const LeftOutCount& c = d.Skipped(static_cast<LeftOut>(r));
    EXPECT_EQ(c.lines, GetParam().skipped[r]) << r;
    if (c.lines && (!first || c.firstLine < first)) first = c.firstLine;
  }
  EXPECT_EQ(first, GetParam().firstLine);
  EXPECT_EQ(d.SkippedLines() > 0, d.Summary().find("unreadable") != std::string::npos);
  for (const float t : d.Thicknesses()) EXPECT_TRUE(t >= 0 && t <= 100000) << t;
  EXPECT_TRUE(!d.Count() || (d.Sums().minimum >= 0 && d.Sums().maximum <= 100000));
}
INSTANTIATE_TEST_SUITE_P(
    Rows, Plausible,
    ::testing::Values(
        PlausibleRow(" 1 -0005.0 1 1\n 2 -0.0 1 1\n 3 0 1 1\n 4 100000 1 1\n 5 100000.1 1 1\n", 3,
                     {0, 2, 0, 0}, 6),
        PlausibleRow(" 1 1e400 1 1\n 2 1" + std::string(200, '0') + " 1 1\n", 0, {1, 1, 0, 0}, 6),
        // back by more than the last step (3, then 1): only that line; the next goes on from it
        PlausibleRow(" 10 1 1 1\n 13 1 1 1\n 9 1 1 1\n 10 1 1 1\n 7 1 1 1\n", 3, {0, 0, 2, 0}, 8),
        // the line before is the one before, whatever became of it; no step before the first
        // increase
        PlausibleRow(" 5 1 1 1\n 2 -1 1 1\n 2 1 1 1\n 1 1 1 1\n 6 1 1 1\n 3 1 1 1\n", 4,
                     {0, 1, 1, 0}, 7),
        PlausibleRow(" 1" + std::string(40, '0') + " 1 1 1\n 2 1 1 1\n", 1, {0, 0, 1, 0}, 6),
        PlausibleRow(" 1 1 9999 0\n 2 1 10000 1\n 3 1 1 -1\n 4 1 -0000 9999\n 5 1 1 9999.4\n", 2,
                     {0, 0, 0, 3}, 7),
        PlausibleRow(" 1 1 1 1\n x\n 0 -1 -1 -1\n", 1, {1, 1, 0, 0}, 7)));

// Lines split at every position of a piece's edge, or fed a byte at a time, read as one
// piece does; a read error after any byte keeps what came before and says so.
TEST(PassData, PiecesAndReadErrorsGiveWhatOneReadGives) {
  std::string file = PassFileWriter::HeaderText(7, "12/07/26", "10:15:02") + kLine +
                     " 13 0121.5 0350 0016\r 14 9 1 1\n\r\n 15 -3 1 1\r\n" + kPadded + "\r\n" +
                     std::string(300, 'x') + "\r\n 16 130 1 1" +
                     PassFileWriter::EndText(120.5, 1.25) + PassFileWriter::HistoLine(118.4, 3) +
                     " 9 1 1 1";
  auto same = [](const PassData& a, const PassData& b) {
    bool skips = true;
    for (std::size_t r = 0; r < kLeftOutReasons; ++r) {
      skips = skips && a.Skipped(LeftOut(r)).lines == b.Skipped(LeftOut(r)).lines &&
              a.Skipped(LeftOut(r)).firstLine == b.Skipped(LeftOut(r)).firstLine;
    }
    return skips && a.Thicknesses() == b.Thicknesses() && a.Lengths() == b.Lengths() &&
           a.Sums().mean == b.Sums().mean && a.Sums().movingRange == b.Sums().movingRange &&
           a.DateText() == b.DateText() && a.EndDeviation() == b.EndDeviation() &&
           a.Complete() == b.Complete();
  };
  const PassData whole = PassData::Parse(file);
  ASSERT_EQ(whole.Summary(), "4 data lines read, 4 unreadable lines skipped");
  ASSERT_TRUE(whole.Skipped(LeftOut::kLength).lines == 2 && whole.DateText() == "12/07/26");
  ASSERT_TRUE(*whole.EndAverage() == 120.5 && *whole.EndDeviation() == 1.25);
  PassReader bytes;
  for (const char c : file) bytes.Feed(std::string_view(&c, 1));
  EXPECT_TRUE(same(bytes.Finish(true), whole));
  for (std::size_t edge = 0; edge <= file.size(); ++edge) {
    PassReader two;
    two.Feed(std::string_view(file).substr(0, edge));
    two.Feed(std::string_view(file).substr(edge));
    ASSERT_TRUE(same(two.Finish(true), whole)) << edge;
    testing::MemoryFileAccess files;
    files.files["07.PSS"] = file;
    files.failReadsFrom = edge;
    const PassData cut = PassData::Read(files, "07.PSS");
    ASSERT_TRUE(
        same(cut, PassData::Parse(std::string_view(file).substr(0, edge), edge == file.size())))
        << edge;
    ASSERT_EQ(cut.Summary().find("only the first " + std::to_string(edge) + " of " +
                                 std::to_string(file.size())) != std::string::npos,
              edge < file.size());
  }
}

TEST(PassData, CsvKeepsTheItemsAsWrittenAndMarksAnIncompleteRead) {
  const std::string lines = kLine + "-000001 -0005.0 0000 0001\r\n 000013 0000.0 0000 0001\r\n";
  EXPECT_EQ(CsvText(lines),
            "line,length_m,thickness_um,roll_diameter_mm,roll_weight_kg\r\n"
            "1,000012,0120.4,0350,0016\r\n2,000013,0000.0,0000,0001\r\n");
  testing::MemoryFileAccess files;
  files.files["07.PSS"] = lines;
  files.failReadsFrom = kLine.size() + 5;
  const PassData cut = PassData::Read(files, "07.PSS");
  EXPECT_EQ(CsvEnd(cut),
            "incomplete,\"1 data line read, only the first 59 of 107 bytes could be read: "
            "the data lines after them are missing\",,,\r\n");
  EXPECT_EQ(CsvEnd(PassData::Parse(lines)), "");
  EXPECT_FALSE(PassData::Read(files, "08.PSS").Readable());
}

std::string Lengths(std::initializer_list<float> lengths) {
  std::string lines;
  for (const float l : lengths) lines += PassFileWriter::DataLine(l, 120, 300, 9);
  return lines;
}
TEST(PassData, HeaderAndLength) {
  const PassData head =
      PassData::Parse(PassFileWriter::HeaderText(7, "12/07/26", "10:15:02") + Lengths({1, 2, 3}));
  EXPECT_EQ(head.PassText() + "|" + head.DateText() + "|" + head.TimeText(),
            "07|12/07/26|10:15:02");
  EXPECT_EQ(HeaderStamp(head), "120726-101502");
  // The header counts only at the file's beginning.
  const std::string header = PassFileWriter::HeaderText(7, "12/07/26", "10:15:02");
  for (const std::size_t at : {PassData::kHeaderBytes - 1, PassData::kHeaderBytes}) {
    const std::string late = std::string(at - header.find(" Pass No"), '\n') + header;
    EXPECT_EQ(HeaderStamp(PassData::Parse(late)),
              at < PassData::kHeaderBytes ? "120726-101502" : "undated");
  }
  // Drawn against length only when it never goes back and ends beyond where it began.
  for (const auto& [bytes, advances] :
       std::vector<std::pair<std::string, bool>>{{Lengths({1, 2}), true},
                                                 {Lengths({1}), false},
                                                 {Lengths({1, 1}), false},
                                                 {Lengths({1, 3, 2}), false},
                                                 {"x\ny\n", false}}) {
    EXPECT_EQ(PassData::Parse(bytes).LengthAdvances(), advances) << bytes;
  }
}

TEST(Envelope, EveryRangeHoldsItsExtremesEndsSumsAndLinesOffLimits) {
  std::mt19937 random(7);
  for (const std::size_t n : {1u, 2u, 3u, 31u, 1000u, 4099u}) {
    auto v = std::make_shared<std::vector<float>>(n);
    for (float& x : *v)
      x = std::round(std::uniform_real_distribution<float>(100, 140)(random) * 10) / 10;
    const Envelope e(v, 114, 126.1);
    for (int k = 0; k < 300; ++k) {
      const std::size_t a = random() % n, b = a + 1 + random() % (n - a);
      const EnvelopeBucket got = e.Range(a, b);
      const auto from = v->begin() + static_cast<long>(a), to = v->begin() + static_cast<long>(b);
      const auto [lo, hi] = std::minmax_element(from, to);
      double sum = 0, squares = 0;
      for (auto it = from; it != to; ++it) sum += *it, squares += double{*it} * *it;
      ASSERT_TRUE(got.count == b - a && got.min == *lo && got.max == *hi);
      ASSERT_TRUE(got.first == (*v)[a] && got.last == (*v)[b - 1]);
      ASSERT_NEAR(got.sum, sum, 1e-6 * sum);
      ASSERT_NEAR(got.Sigma(),
                  std::sqrt(std::max(
                      0.0, squares / double(b - a) - sum * sum / double(b - a) / double(b - a))),
                  1e-4);
      ASSERT_EQ(got.above,
                std::size_t(std::count_if(from, to, [](float x) { return x > 126.1f; })));
      ASSERT_EQ(got.below, std::size_t(std::count_if(from, to, [](float x) { return x < 114; })));
    }
  }
}

// A tolerance typed later: the figures, the envelope's counts and the histogram as a fresh
// reading with those limits gives them.
TEST(PassProfile, OtherLimitsGiveWhatAFreshReadingGives) {
  testing::MemoryFileAccess files;
  for (int i = 0; i < 500; ++i) {
    files.files["07.PSS"] += PassFileWriter::DataLine(float(i), float(110 + i % 21), 300, 9);
  }
  PassInfo info{7, "2026-12-07T10:15:02", "", 120, 40, 6, 5, 1, {}, {0.1, 0.1, 0.1}, "v"};
  files.files["07.PSI"] = InfoText(info);
  PassProfile p = LoadProfile(files, "07.PSS");
  info.tolerancePlus = 2;
  info.toleranceMinus = 8;
  files.files["07.PSI"] = InfoText(info);
  const PassProfile fresh = LoadProfile(files, "07.PSS");
  const EnvelopeBucket before = p.envelope.Range(0, 500);
  SetLimits(p, fresh.limits);
  const EnvelopeBucket a = p.envelope.Range(3, 470), b = fresh.envelope.Range(3, 470);
  EXPECT_TRUE(a.above == b.above && a.below == b.below &&
              before.above != p.envelope.Range(0, 500).above);
  EXPECT_TRUE(p.stats.thickLength == fresh.stats.thickLength &&
              p.stats.thinLines == fresh.stats.thinLines);
  EXPECT_TRUE(p.stats.inTolerance == fresh.stats.inTolerance && p.stats.cpk == fresh.stats.cpk);
  EXPECT_TRUE(p.stats.headLines == fresh.stats.headLines &&
              p.histogram.counts == fresh.histogram.counts);
}

// A pass without usable limits is never measured against made-up ones: no figure against
// limits, and the reason. A typed tolerance is put in force only when the pass records no
// limits and the tolerance keeps its rule, around the recorded set-point where there is one.
// (The information file's reasons are ToleranceRule rows of test_station_ini; the figures
// against limits, the Statistics rows above.)
struct LimitsRow {
  const char* name;
  const char* psi;  // keys after the pass number and start; nullptr: no information file
  std::optional<Tolerance> typed;
  std::optional<double> typedSetPoint;
  const char* reason;  // why no limits, or why the typed tolerance is refused; "" when in force
  double lower = 1, upper = 0;  // the limits in force; lower > upper for none
};
class NoLimits : public ::testing::TestWithParam<LimitsRow> {};
TEST_P(NoLimits, AreNeverInvented) {
  const LimitsRow& r = GetParam();
  testing::MemoryFileAccess files;
  for (int i = 0; i < 500; ++i) {
    const double t = 110 + i % 21 + (i % 7 == 3 ? 0.5 : 0);
    files.files["07.PSS"] += PassFileWriter::DataLine(float(i), float(t), 300, 9);
  }
  if (r.psi)
    files.files["07.PSI"] = std::string("[pass]\nnumber=7\nstart=2026-12-07T10:15:02\n") + r.psi;
  PassProfile p = LoadProfile(files, "07.PSS");
  EXPECT_EQ(r.typed ? EvaluateAgainst(p, *r.typed, r.typedSetPoint) : p.noLimits, r.reason)
      << r.name;
  EXPECT_EQ(p.typed.has_value(), r.typed && !*r.reason) << r.name;
  const PassStatistics& s = p.stats;
  EXPECT_TRUE(s.mean && s.sigma) << r.name;
  ASSERT_EQ(p.limits.has_value(), r.lower <= r.upper) << r.name;
  if (!p.limits) {
    EXPECT_FALSE(s.inTolerance || s.pp || s.ppk || s.cp || s.cpk) << r.name;
    EXPECT_EQ(s.headLength + s.tailLength + s.thickLength + s.thinLength, 0) << r.name;
    EXPECT_EQ(p.envelope.Range(0, 500).above + p.envelope.Range(0, 500).below, 0u) << r.name;
    EXPECT_EQ(InfoText({7, "s", "", 1, 1, 1, 1, 1, {}, {}, "v", false, "", s}).find("head_m"),
              std::string::npos);
    return;
  }
  EXPECT_TRUE(p.limits->lower == r.lower && p.limits->upper == r.upper) << r.name;
  EXPECT_TRUE(s.inTolerance && s.pp && s.ppk && s.thickLines > 0) << r.name;
}
const char* const kBrokenMinus = "set_point_um=120\ntolerance_plus_um=6\ntolerance_minus_um=-8\n";
const char* const kRecorded = "set_point_um=120\ntolerance_plus_um=6\ntolerance_minus_um=4\n";
INSTANTIATE_TEST_SUITE_P(
    Rows, NoLimits,
    ::testing::Values(
        LimitsRow("no information file", nullptr, {}, {}, "no information file"),
        // an earlier version put 128 to 126 µm in force here: 0 % in tolerance, a negative Pp
        LimitsRow("minus -8", kBrokenMinus, {}, {},
                  "the information file's tolerance_minus_um is below 0"),
        LimitsRow("recorded", kRecorded, {}, {}, "", 116, 126),
        LimitsRow("typed, no set-point recorded", nullptr, Tolerance{2, 8}, 121, "", 113, 123),
        LimitsRow("typed around the recorded set-point", kBrokenMinus, Tolerance{6, 2.5}, 500, "",
                  117.5, 126),
        LimitsRow("typed without width", nullptr, Tolerance{0, 0}, 120,
                  "the tolerance has no width (both sides 0)"),
        LimitsRow("typed without a set-point", nullptr, Tolerance{6, 6}, {},
                  "the pass records no set-point: type one"),
        LimitsRow("typed set-point too large", nullptr, Tolerance{6, 6}, 1e6,
                  "the set-point is above 100000 µm"),
        LimitsRow("typed over recorded limits", kRecorded, Tolerance{1, 1}, {},
                  "the pass has its recorded limits", 116, 126)));

// Whole micrometres (Direct mode) fill whole-micrometre bins, one value each: no comb of
// empty bins between them; tenths get bins a whole number of tenths wide.
TEST(PassProfile, HistogramBinsSuitTheData) {
  for (const float step : {1.0f, 0.1f}) {
    testing::MemoryFileAccess files;
    for (int i = 0; i < 300; ++i) {
      files.files["07.PSS"] +=
          PassFileWriter::DataLine(float(i), 114 + step * float(i % 120), 300, 9);
    }
    files.files["07.PSI"] =
        InfoText({7, "2026-12-07T10:15:02", "", 120, 40, 6, 6, 1, {}, {0.1, 0.1, 0.1}, "v"});
    const Histogram h = LoadProfile(files, "07.PSS").histogram;
    const double width = (h.to - h.from) / double(h.counts.size());
    const double tenths = width / 0.1;
    EXPECT_TRUE(h.counts.size() <= kProfileHistogramBins &&
                std::fabs(tenths - std::round(tenths)) < 1e-6)
        << width;
    for (std::size_t k = 0; k < h.counts.size(); ++k) {
      const double mid = h.from + (double(k) + 0.5) * width;
      const bool inside = mid > 114 && mid < 114 + step * 119;
      EXPECT_TRUE(!inside || h.counts[k] > 0) << step << " bin " << k << " at " << mid;
    }
    EXPECT_TRUE(step != 1.0f || width == 1.0) << width;
  }
}

TEST(PassInfo, WritesAndReadsBack) {
  PassInfo info{
      7,      "2026-12-07T10:15:02", "", 120.5, 40, 6, 4.5, 1, {0.5, 1, 0, 1e-7}, {0.1, 0.5, 2},
      "0.1.0"};
  const std::string text = InfoText(info);
  EXPECT_EQ(text,
            "[pass]\r\nnumber=7\r\nstart=2026-12-07T10:15:02\r\nset_point_um=120.5\r\n"
            "scale_percent=40\r\ntolerance_plus_um=6\r\ntolerance_minus_um=4.5\r\nmeasurement_mode="
            "1\r\na0=0.5\r\na1=1\r\n"
            "a2=0\r\na3=1E-07\r\ndisplay_period_s=0.1\r\nfile_output_period_s=0.5\r\n"
            "correction_period_s=2\r\nversion=0.1.0\r\n");
  info.end = "2026-12-07T11:00:00";
  info.notStopped = true;
  EXPECT_EQ(InfoText(*ParseInfo(InfoText(info))), InfoText(info));
  // The report's figures after the pass keys; Ppk "-" is left out.
  const std::string passKeys = InfoText(info);
  PassStatistics& s = info.statistics.emplace();
  std::tie(s.count, s.length, s.mean, s.sigma, s.minimum, s.maximum) =
      std::tuple(3, 20, 120.123456789012345, 1.5, 118, 122.25);
  std::tie(s.inTolerance, s.headLength, s.pp) = std::tuple(2.0 / 3, 0.5, 4.0 / 3);
  const std::string withFigures = InfoText(info);
  EXPECT_EQ(withFigures,
            passKeys +
                "[statistics]\r\ndata_lines=3\r\nlength_m=20\r\nmean_um=120.123456789012\r\n"
                "sigma_um=1.5\r\nminimum_um=118\r\nmaximum_um=122.25\r\nin_tolerance_percent=66."
                "6666666666667\r\n"
                "pp=1.33333333333333\r\nhead_m=0.5\r\ntail_m=0\r\n");
  const PassInfo back = *ParseInfo(withFigures);
  EXPECT_EQ(InfoText(back), withFigures);
  EXPECT_TRUE(back.statistics->count == 3 && !back.statistics->ppk && back.start == info.start);
  EXPECT_NEAR(*back.statistics->inTolerance, 2.0 / 3, 1e-15);
  EXPECT_FALSE(ParseInfo("[pass]\nstart=x\n") || ParseInfo(std::string(300, '\xff')));
}

// The local time zone for one test.
struct Zone {
  std::string before;
  bool had;
  explicit Zone(const char* zone) : had(std::getenv("TZ") != nullptr) {
    if (had) before = std::getenv("TZ");
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~Zone() {
    had ? ::setenv("TZ", before.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
  }
};

struct EndRow {
  const char* start;
  int lines;             // in the pass file, -1 for none
  double period;         // file output, s
  std::int64_t written;  // last write of the pass file, 0 when not known
  const char* end;
};
class Unstopped : public ::testing::TestWithParam<EndRow> {};
TEST_P(Unstopped, EndsAtTheLastDataLine) {
  const Zone utc("UTC0");
  testing::MemoryFileAccess files;
  const EndRow& r = GetParam();
  PassInfo info{7, r.start, "", 120, 40, 6, 4, 1, {}, {0.1, r.period, 2}, "v"};
  files.files["07.PSI"] = InfoText(info);
  for (int i = 0; i < r.lines; ++i)
    files.files["07.PSS"] += PassFileWriter::DataLine(float(i), 120, 300, 9);
  if (r.written) files.modified["07.PSS"] = r.written;
  info.end = "2026-12-07T11:00:00";
  files.files["08.PSI"] = InfoText(info);  // stopped
  info.end.clear();
  files.files["09.PSI"] = InfoText(info);  // pass 7 under another name
  files.files["10.PSI"] = "[pass]\nstart=" + std::string(r.start);
  EXPECT_EQ(UnstoppedInfoFiles(files), std::vector<std::string>{"07.PSI"});
  const PassInfo ended = EndUnstopped(files, *ReadInfo(files, "07.PSI"));
  EXPECT_TRUE(ended.notStopped);
  EXPECT_EQ(ended.end, r.end);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, Unstopped,
    ::testing::Values(EndRow{"2026-12-31T23:59:58", 7, 0.5, 0, "2027-01-01T00:00:02"},   // 3.5 s
                      EndRow{"2026-12-07T10:15:02", 3, 0.25, 0, "2026-12-07T10:15:03"},  // 0.75 s
                      EndRow{"2026-12-07T10:15:02", -1, 0.5, 0, "2026-12-07T10:15:02"},
                      EndRow{"soon", 3, 0.5, 0, "soon"},
                      // 2026-12-07T10:15:02 UTC and 1 day, 1 h, 1 min, 1 s
                      EndRow{"2026-12-07T10:15:02", 3, 0.5, 1796638502 + 90061,
                             "2026-12-08T11:16:03"}));

TEST(PassInfo, StampsAndStems) {
  EXPECT_EQ(
      StartStamp("2026-12-07T10:15:02") + " " + StartStamp("2026-12-07") + " " + StartStamp(""),
      "20261207-101502 20261207 undated");
  for (const char* name : {"07.PSS", "07-20261207-101502-2.PSS"})
    EXPECT_EQ(ReportStem(name, "s"), "07-s");
  for (const char* name : {"-3.PSS", "-3-20261207-101502.PSS"})
    EXPECT_EQ(ReportStem(name, "s"), "-3-s");
  EXPECT_EQ(SummaryStem("2026-12-01", "2026-12-07") + " " + SelectionStem("2026-12-08T10:15:02"),
            "summary-20261201-20261207 summary-selection-20261208-101502");
}

TEST(Archive, RepeatedPassesWithOneNumberLoseNothing) {
  testing::MemoryFileAccess files;
  std::set<std::string> kept;
  for (int pass = 0; pass < 6; ++pass) {
    files.failMove = pass == 4;  // an unwritable archive: the file stays beside, renamed
    const ArchiveResult r = ArchivePassFile(files, "07.PSS");
    EXPECT_EQ(r.existed, pass > 0);
    EXPECT_EQ(r.archived, pass > 0 && pass != 4);
    EXPECT_EQ(r.kept, pass == 4);
    EXPECT_TRUE(pass == 0 || kept.insert(r.name).second) << r.name;
    EXPECT_FALSE(files.Exists("07.PSS") || files.Exists("07.PSI"));
    files.files["07.PSS"] = "pass " + std::to_string(pass);
    if (pass != 2)
      files.files["07.PSI"] = InfoText({7, "2026-12-07T10:15:02", "", 1, 1, 1, 1, 1, {}, {}, "v"});
  }
  EXPECT_EQ(*kept.begin(), "07-20261207-101502.PSS");
  EXPECT_TRUE(kept.count("archive/07-20261207-101502-2.PSS") &&
              kept.count("archive/07-0-.PSS") == 0);
  EXPECT_EQ(files.files.size(), 2u + 5 + 4);  // the newest, five pass files, four information files
}

TEST(Archive, OnDiskTheMoveNeverReplaces) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("archive-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  DirectoryFileAccess files(dir);
  for (const char* text : {"first", "second", "third"}) {
    ASSERT_TRUE(files.Replace("07.PSS", text));
    EXPECT_TRUE(ArchivePassFile(files, "07.PSS").archived);
  }
  DirectoryFileAccess archive(dir / "archive");
  EXPECT_EQ(archive.List(".PSS"),
            (std::vector<std::string>{"07-undated-2.PSS", "07-undated-3.PSS", "07-undated.PSS"}));
  EXPECT_EQ(archive.Read("07-undated-3.PSS", 100), "third");
  EXPECT_FALSE(files.MoveTo("archive", "", "x") || files.MoveTo("none", "archive", "y"));
  std::filesystem::remove_all(dir);
}

// A pass file of these thicknesses at 10 m a line, its header dated 12/07/26 10:15:02.
std::string PassOf(std::initializer_list<float> thicknesses) {
  std::string text = PassFileWriter::HeaderText(7, "12/07/26", "10:15:02");
  float length = 0;
  for (const float t : thicknesses) text += PassFileWriter::DataLine(length += 10, t, 300, 9);
  return text + PassFileWriter::EndText(120, 1);
}
PassInfo InfoOf(std::int16_t pass, const std::string& start, const std::string& end) {
  return {pass, start, end, 120, 40, 6, 6, 1, {0, 1, 0, 0}, {0.1, 0.1, 0.1}, "v"};
}

struct RangeRow {
  const char* from;
  const char* to;
  std::vector<std::string> files;
};
class SummaryRange : public ::testing::TestWithParam<RangeRow> {};
// A pass belongs to the day it started on; one without information file to the day its
// pass file was last written.
TEST_P(SummaryRange, TakesThePassesStartedOnItsDays) {
  const Zone utc("UTC0");
  testing::MemoryFileAccess current, archive;
  for (const auto& [folder, name, start, end] :
       std::vector<std::tuple<testing::MemoryFileAccess*, std::string, std::string, std::string>>{
           {&current, "07", "2026-12-07T23:59:59", "2026-12-08T00:20:00"},
           {&current, "08", "2026-12-08T00:00:00", ""},
           {&archive, "07-20261130-235000", "2026-11-30T23:50:00", "2026-12-01T00:10:00"},
           {&archive, "07-20261201-000000", "2026-12-01T00:00:00", "2026-12-01T01:00:00"},
           {&current, "09", "", ""}}) {
    folder->files[name + ".PSS"] = PassOf({120});
    if (!start.empty()) folder->files[name + ".PSI"] = InfoText(InfoOf(7, start, end));
  }
  current.modified["09.PSS"] = 1796688000 - 1;  // 2026-12-07T23:59:59
  std::vector<std::string> files;
  for (const SummaryPass& pass : PassesBetween({current, archive}, GetParam().from, GetParam().to))
    files.push_back(pass.file);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, GetParam().files);
}
INSTANTIATE_TEST_SUITE_P(
    Days, SummaryRange,
    ::testing::Values(RangeRow{"2026-12-01",
                               "2026-12-07",
                               {"07.PSS", "09.PSS", "archive/07-20261201-000000.PSS"}},
                      RangeRow{"2026-12-08", "2026-12-08", {"08.PSS"}},
                      RangeRow{"2026-11-30", "2026-11-30", {"archive/07-20261130-235000.PSS"}},
                      RangeRow{"2026-12-09", "2027-12-31", {}}));

// Recorded figures are taken as they are (here unlike the data, to tell them apart); the
// others are computed from the pass file and recorded once, for ended passes only. Without
// limits (no information file, or none recorded) the figures against them are "-".
TEST(Summary, RowsRecordedOrComputedOnceAndTheirCsv) {
  testing::MemoryFileAccess current, archive;
  const std::string data =
      PassOf({118, 120, 122, 130});  // mean 122.5, 3 of 4 in 114..126, tail 10 m
  PassInfo recorded = InfoOf(1, "2026-12-07T08:00:00", "2026-12-07T09:00:00");
  PassStatistics& s = recorded.statistics.emplace();
  std::tie(s.count, s.length, s.mean, s.sigma, s.inTolerance) = std::tuple(9, 900, 111, 2, 0.5);
  std::tie(s.headLength, s.tailLength, s.pp, s.ppk) = std::tuple(30, 12.4, 1, 0.25);
  PassInfo noLimits = InfoOf(6, "2026-12-07T12:00:00", "2026-12-07T13:00:00");
  noLimits.limitsProblem = "station.ini: tolerance_minus_um is below 0";
  for (const char* pass : {"01", "02", "03", "04", "06", "07"})
    current.files[pass + std::string(".PSS")] = data;
  current.files["01.PSI"] = InfoText(recorded);
  current.files["02.PSI"] = InfoText(InfoOf(2, "2026-12-07T10:00:00", "2026-12-07T11:00:00"));
  current.files["04.PSI"] = InfoText(InfoOf(4, "2026-12-07T14:00:00", ""));
  current.files["06.PSI"] = InfoText(noLimits);
  // figures an earlier version recorded against limits it made up
  current.files["07.PSI"] =
      InfoText(InfoOf(7, "2026-12-07T15:00:00", "2026-12-07T16:00:00")) +
      "tolerance_minus_um=-8\r\n[statistics]\r\ndata_lines=4\r\nlength_m=40\r\n"
      "mean_um=122.5\r\nin_tolerance_percent=0\r\npp=-0.5\r\n";
  archive.files = {{"05-20261206-080000.PSS", data},
                   {"05-20261206-080000.PSI",
                    InfoText(InfoOf(5, "2026-12-06T08:00:00", "2026-12-06T09:00:00"))}};
  const std::vector<std::string> files = {
      "01.PSS", "02.PSS", "03.PSS", "04.PSS", "06.PSS", "07.PSS", "archive/05-20261206-080000.PSS",
      "10.PSS"};
  const std::vector<SummaryRow> rows =
      SummaryRows({current, archive}, PassesNamed({current, archive}, files));
  EXPECT_EQ(
      SummaryCsv(rows),
      "pass,file,start,end,length_m,mean_um,sigma_um,in_tolerance_percent,pp,ppk,off_gauge_m,"
      "no_limits\r\n"
      "7,03.PSS,12/07/26 10:15:02,,40,122.50,5.26,,,,,no information file\r\n"
      "5,archive/05-20261206-080000.PSS,2026-12-06T08:00:00,2026-12-06T09:00:00,40,122.50,5.26,"
      "75.0,0.38,0.22,10,\r\n"
      "1,01.PSS,2026-12-07T08:00:00,2026-12-07T09:00:00,900,111.00,2.00,50.0,1.00,0.25,42,\r\n"
      "2,02.PSS,2026-12-07T10:00:00,2026-12-07T11:00:00,40,122.50,5.26,75.0,0.38,0.22,10,\r\n"
      "6,06.PSS,2026-12-07T12:00:00,2026-12-07T13:00:00,40,122.50,5.26,,,,,station.ini: "
      "tolerance_minus_um is below 0\r\n"
      "4,04.PSS,2026-12-07T14:00:00,,40,122.50,5.26,75.0,0.38,0.22,10,\r\n"
      "7,07.PSS,2026-12-07T15:00:00,2026-12-07T16:00:00,40,122.50,,,,,,the information file's "
      "tolerance_minus_um is below 0\r\n");
  const int writes = current.writes + archive.writes;
  EXPECT_EQ(RecordComputed({current, archive}, rows, true), 1);   // the archived 05
  EXPECT_EQ(RecordComputed({current, archive}, rows, false), 2);  // 02 and 06
  EXPECT_EQ(current.writes + archive.writes, writes + 3);
  EXPECT_EQ(ParseInfo(archive.files["05-20261206-080000.PSI"])->statistics->count, 4u);
  const std::vector<SummaryRow> again =
      SummaryRows({current, archive}, PassesNamed({current, archive}, files));
  EXPECT_EQ(SummaryCsv(again), SummaryCsv(rows));
  EXPECT_EQ(RecordComputed({current, archive}, again, false) +
                RecordComputed({current, archive}, again, true),
            0);
  for (const SummaryRow& row : again)
    EXPECT_EQ(row.computed, !row.pass.info || row.pass.info->end.empty()) << row.pass.file;
}

struct RecordRow {
  const char* name;
  bool archived, refused, removed;  // the pass's file after "Start": archived, kept beside, gone
  const char* written;
};
class RecordFigures : public ::testing::TestWithParam<RecordRow> {};
TEST_P(RecordFigures, GoIntoThatPassesFileOnly) {
  const RecordRow& r = GetParam();
  testing::MemoryFileAccess files;  // the archive as "archive/...", as the folders see it
  PassInfo info = InfoOf(7, "2026-12-07T10:15:02", "2026-12-07T11:00:00");
  files.files["07.PSS"] = PassOf({120});
  files.files["07.PSI"] = InfoText(info);
  // An earlier pass with the same start stamp already there, under the first free name.
  files.files["archive/07-20261207-101502.PSI"] = InfoText(InfoOf(7, "2026-12-07T10:15:02.5", ""));
  files.failMove = r.refused;
  if (r.archived || r.refused) ArchivePassFile(files, "07.PSS");
  if (r.archived || r.refused)
    files.files["07.PSI"] = InfoText(InfoOf(7, "2026-12-07T12:00:00", ""));
  if (r.removed) files.files.erase("archive/07-20261207-101502-2.PSI");
  testing::MemoryFileAccess archive;
  for (const auto& [name, text] : files.files) {
    if (name.starts_with("archive/")) archive.files[name.substr(8)] = text;
  }
  const auto before = files.files;
  info.statistics.emplace().mean = 120;
  const std::string written = RecordStatistics({files, archive}, info);
  EXPECT_EQ(written, r.written) << r.name;
  for (auto& [name, text] : archive.files) files.files["archive/" + name] = text;
  for (const auto& [name, text] : files.files) {
    const auto read = ParseInfo(text);
    EXPECT_EQ(name == written, read && read->statistics.has_value()) << r.name << " " << name;
    if (name != written) {
      EXPECT_EQ(text, before.at(name)) << r.name << " " << name;
    }
  }
}
INSTANTIATE_TEST_SUITE_P(
    Places, RecordFigures,
    ::testing::Values(RecordRow{"still there", false, false, false, "07.PSI"},
                      RecordRow{"archived", true, false, false, "archive/07-20261207-101502-2.PSI"},
                      RecordRow{"kept beside", false, true, false, "07-20261207-101502.PSI"},
                      RecordRow{"archived and gone", true, false, true, ""}));

struct KeyRow {
  // digits and '.', 'E' Enter, 'D' Delete, 'x' and '-' keys beyond the keypad, 'L' loads
  // again, 'F'n puts the cursor into field n, 'T'n types "40" into it ('/' is field -1)
  const char* keys;
  const char* plus;
  const char* minus;
  int current;
  double savedPlus, savedMinus;
};
class ToleranceKeys : public ::testing::TestWithParam<KeyRow> {};
TEST_P(ToleranceKeys, FollowTheOtherTabsRules) {
  ToleranceEditor e;
  e.Load({6.125, 2.5});  // shown "6.13"
  for (const char* c = GetParam().keys; *c; ++c) {
    if (*c == 'D')
      e.Delete();
    else if (*c == 'L')
      e.Load({6.125, 2.5});
    else if (*c == 'F')
      e.MakeCurrent(*++c - '0');
    else if (*c == 'T')
      e.TypeText(*++c - '0', "40");
    else
      e.KeyPress(*c == 'E'   ? ToleranceEditor::kEnterKey
                 : *c == '.' ? ToleranceEditor::kPointKey
                 : *c == 'x' ? 12
                             : static_cast<std::int16_t>(*c - '0'));
  }
  EXPECT_EQ(e.FieldText(0), GetParam().plus);
  EXPECT_EQ(e.FieldText(1), GetParam().minus);
  EXPECT_EQ(e.CurrentField(), GetParam().current);
  EXPECT_EQ(e.Saved().plus, GetParam().savedPlus);
  EXPECT_EQ(e.Saved().minus, GetParam().savedMinus);
}
INSTANTIATE_TEST_SUITE_P(
    Keys, ToleranceKeys,
    ::testing::Values(
        KeyRow{"", "6.13", "2.5", 0, 6.125, 2.5}, KeyRow{"12.5E", "12.5", "2.5", 1, 12.5, 2.5},
        KeyRow{"10000E", "0", "2.5", 1, 0, 2.5}, KeyRow{"9999E3", "9999", "3", 1, 9999, 3},
        KeyRow{"EE", "6.13", "2.5", 0, 6.125, 2.5}, KeyRow{"4EDE8", "8", "", 0, 8, 0},
        KeyRow{"1.2.3", "1.2.3", "2.5", 0, 1.2, 2.5}, KeyRow{"x-5", "5", "2.5", 0, 5, 2.5},
        KeyRow{"F17", "6.13", "7", 1, 6.125, 7}, KeyRow{"1F07", "17", "2.5", 0, 17, 2.5},
        KeyRow{"F2F/7", "7", "2.5", 0, 7, 2.5}, KeyRow{"T05", "405", "2.5", 0, 405, 2.5},
        KeyRow{"T15", "5", "40", 0, 5, 40}, KeyRow{"T2T/", "6.13", "2.5", 0, 6.125, 2.5},
        KeyRow{"12E3L5", "5", "2.5", 0, 5, 2.5}, KeyRow{"F12F07", "7", "2", 0, 7, 2}));

}  // namespace
}  // namespace orlix
