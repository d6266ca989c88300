// The measurement core: configuration file, simulated counts, thickness, measurement cycle.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/Format.h"
#include "base/SystemPlatform.h"
#include "core/MeasurementCycle.h"
#include "core/OffGaugeAlarm.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;
using orlix::testing::FakeClock;
using orlix::testing::MemoryFileAccess;
using orlix::testing::ReplayUniform;

#define ROWS(...) std::vector({__VA_ARGS__})  // the first row names the type: tuple{1, "a"}

namespace {

const std::array<double, 14> kMissingFile = {1, 1, 1, 0.01, 0.1, 0.1, 0.1, 0.001, 1, 0, 0, 1, 0, 0};

TEST(Configuration, WritesFourteenLinesAndReadsThemBack) {
  MemoryFileAccess files;
  SettingsRecord s;
  s.values = {2.71, 700, 570, 0.01, 0.1, 0.5, 60, 0.001, 31, 1e-9, 1e20, 3, 1.0 / 3.0, -4};
  ASSERT_TRUE(Cfgfile(files).WriteConfiguration(s));
  EXPECT_EQ(files.files[kConfigurationFile],
            "2.71\r\n700\r\n570\r\n0.01\r\n0.1\r\n0.5\r\n60\r\n0.001\r\n31\r\n1E-09\r\n1E+20\r\n"
            "3\r\n0.333333333333333\r\n-4\r\n");
  SettingsRecord back;
  Cfgfile(files).ReadConfiguration(back);
  for (int i = 0; i < kSettingCount; ++i) EXPECT_NEAR(back[i], s[i], std::fabs(s[i]) * 1e-14) << i;
  files.failReplace = true;
  EXPECT_FALSE(Cfgfile(files).WriteConfiguration(SettingsRecord{}));
  EXPECT_EQ(files.files[kConfigurationFile].substr(0, 6), "2.71\r\n");
}

std::string Lines(int count, std::string tail = "") {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::to_string(5 + i) + "\r\n";
  return text + tail;
}

// Each file with the number of values taken from it before the fault; the rest take the
// missing-file values, but background and source keep theirs, whatever the file holds.
TEST(Configuration, KeepsWhatWasReadAndDefaultsTheRest) {
  for (auto [name, text, valuesRead] :
       ROWS(std::tuple{"missing", std::string(), -1}, {"complete", Lines(14), 14},
            {"commas", "5,6,7,8,9,10,11,12,13,14,15,16,17,18", 14}, {"empty", "", 0},
            {"word", Lines(4, "fast\r\n9\r\n"), 4}, {"blank lines", "5\r\n\r\n6\r\n\r\n", 2},
            {"beyond double", Lines(2, "1e400\r\n7\r\n"), 2}, {"extra", Lines(20), 14},
            // Past 64 KiB nothing is read, not even a number cut at the bound.
            {"blanks to the bound", std::string(65530, ' ') + "5\r\n6789012\r\n", 1})) {
    MemoryFileAccess files;
    if (valuesRead >= 0) files.files[kConfigurationFile] = text;
    SettingsRecord s;
    s[Background] = 11;
    s[Source] = 22;
    Cfgfile(files).ReadConfiguration(s);
    for (int i = 0; i < kSettingCount; ++i) {
      const double want = i < valuesRead    ? 5 + i
                          : i == Background ? 11
                          : i == Source     ? 22
                                            : kMissingFile[static_cast<std::size_t>(i)];
      EXPECT_EQ(s[i], want) << name << " index " << i;
    }
    EXPECT_EQ(files.writes, 0) << "reading never writes";
  }
}

// Mean and spread of many draws, and the share at or below the mean, against the Poisson law.
TEST(PoissonCount, FollowsThePoissonLaw) {
  for (const float mean : {120.0f, 1200.0f}) {
    Pcg32Uniform uniform;
    Stats stats(uniform);
    constexpr int kDraws = 40000;
    double sum = 0, squares = 0, atMost = 0, cdf = 0;
    for (int i = 0; i < kDraws; ++i) {
      const int c = stats.PoissonCount(mean);
      sum += c, squares += double(c) * c, atMost += c <= mean;
    }
    for (int j = 0; j <= int(mean); ++j)
      cdf += std::exp(j * std::log(mean) - mean - std::lgamma(j + 1.0));
    EXPECT_NEAR(sum / kDraws, mean, 4 * std::sqrt(mean / kDraws));
    EXPECT_NEAR(squares / kDraws - sum * sum / kDraws / kDraws, mean,
                4 * std::sqrt((mean + 2.0 * mean * mean) / kDraws));
    EXPECT_NEAR(atMost / kDraws, cdf, 4 * std::sqrt(cdf * (1 - cdf) / kDraws));
  }
  Pcg32Uniform a, b;
  Stats sa(a), sb(b);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(sa.PoissonCount(120), sb.PoissonCount(120)) << i;
}

// Draws of 0.5 add -ln 0.5 = 0.69 each: the fifth passes 3. The top draw never reaches ln 0;
// draws that add nothing are cut.
TEST(PoissonCount, CountsTheDrawsBelowTheMean) {
  for (auto [mean, draw, count, draws] :
       ROWS(std::tuple{3.0f, 0.5f, 4, 5L}, {100.0f, 0.99999994f, 6, 7L},
            {5.0f, 0.0f, 32767, 32768L}, {0.0f, 0.5f, 0, 0L}, {NAN, 0.5f, 0, 0L},
            {32767.0f, 0.5f, 32767, 0L}, {INFINITY, 0.5f, 32767, 0L})) {
    ReplayUniform uniform({draw});
    EXPECT_EQ(Stats(uniform).PoissonCount(mean), count) << mean;
    EXPECT_EQ(uniform.draws, draws) << mean;
  }
}

// A count source that hands out fixed counts and records the means asked for.
class FixedCounts final : public CountSource {
 public:
  std::vector<std::int16_t> counts{100};
  std::vector<float> means;
  std::int16_t Count(float mean) override {
    means.push_back(mean);
    return counts[(means.size() - 1) % counts.size()];
  }
};

struct Core {
  FixedCounts source;
  SettingsRecord settings;
  ProgramValues values;
  Coefficients coef{0, 1, 0, 0};
  QLDAQ daq{source, settings, values};
  Measure measure{settings, values, daq, coef};
  Core() { values.SetStartValues(); }
  float Take() {
    float t = -1;
    measure.MeasureThickness(t);
    return t;
  }
};

TEST(QLDAQ, SamplesInEachMode) {
  Core c;
  c.values.SetPointThickness = 3.0f;
  c.source.counts = {7};
  for (const double mode : {0.0, 1.0, 2.0, 3.0}) {
    c.settings[MeasurementMode] = mode;
    EXPECT_EQ(c.daq.SampleCount(), 7.0);
    EXPECT_EQ(c.source.means.back(), mode == kModeSimulation ? 1200.0f : 3.0f) << mode;
  }
}

TEST(Measure, ThicknessOfCountOneHundredInEachMode) {
  for (auto [mode, coef, thickness] :
       ROWS(std::tuple{0.0, Coefficients{9, 9, 9, 9}, 100.0f}, {1, {5, 2, 0, 0}, 205},
            {1, {1, 0.5, 0.25, 0.125}, 127551}, {2, {9, 9, 9, 9}, 77},  // a fresh simulated count
            {3, {0, 1, 0, 0}, 0}, {1.5, {0, 1, 0, 0}, 0})) {
    Core c;
    c.source.counts = {100, 77};
    c.values.SetPointThickness = 200;
    c.coef = coef;
    c.settings[MeasurementMode] = mode;
    EXPECT_EQ(c.Take(), thickness) << mode;
    for (const float mean : c.source.means) EXPECT_EQ(mean, 200.0f);  // around the set-point
  }
}

TEST(Measure, CubicHeldToTheSingleRange) {
  EXPECT_EQ(Measure::EvaluateCubic({0, 0, 0, 1e30}, 30000.0f), FLT_MAX);
  EXPECT_EQ(Measure::EvaluateCubic({0, 0, 0, -1e30}, 30000.0f), -FLT_MAX);
  EXPECT_EQ(Measure::EvaluateCubic({NAN, 0, 0, 0}, 30000.0f), 0.0f);
}

TEST(Measure, CorrectionPerMilleOfTheThicknessScaledByTheGain) {
  for (auto [on, gain, count, correction] :
       ROWS(std::tuple{true, 100.0, std::int16_t{100}, std::optional(2.0)}, {true, 50, 100, 4.0},
            {true, 100, 1, 1190.0}, {true, 100, 120, 0.0}, {false, 100, 100, std::nullopt},
            {true, 100, 0, std::nullopt}, {true, 0, 100, std::nullopt})) {
    Core c;
    c.settings[MeasurementMode] = kModeDirect;
    c.Take();  // a valid correction first: each measurement sets it anew
    c.values.ControlOn = on;
    c.values.ControlGain = gain;
    c.source.counts = {count};
    c.Take();
    EXPECT_EQ(c.measure.Correction(), correction) << on << " " << gain << " " << count;
  }
}

// The cycle with instruments and a pass file that write what they are given into one trace.
class Trace final : public CycleInstruments, public PassRecorder {
 public:
  std::string text;
  HistogramSummary histogram;
  bool failHeader = false, failLines = false;
  void ResetInstruments() override { text += "reset "; }
  void ShowThickness(float t) override { text += "T" + Num(t) + " "; }
  void ShowRoll(float length, float t) override { text += "R" + Num(length) + "/" + Num(t) + " "; }
  void RollValues(float& d, float& w) override { d = 350.5f, w = 15.25f; }
  void ShowSample(double s) override { text += "S" + Num(s) + " "; }
  HistogramSummary Histogram() override { return histogram; }
  void ShowFileProblem(bool failing) override { text += failing ? "FAIL " : "OK "; }
  bool WriteFileHeader(std::int16_t pass) override { return Write(!failHeader, "H" + Num(pass)); }
  bool AddFileData(std::int16_t, float l, float t, float d, float w) override {
    return Write(!failLines, "D" + Num(l) + "/" + Num(t) + "/" + Num(d) + "/" + Num(w));
  }
  bool WriteFileEnd(std::int16_t, double a, double s) override {
    return Write(!failLines, "E" + Num(a) + "/" + Num(s));
  }
  bool WriteHistoPoint(std::int16_t, double x, double n) override {
    return Write(true, "B" + Num(x) + "/" + Num(n));
  }

 private:
  static std::string Num(double v) { return ListForm(v); }
  bool Write(bool ok, const std::string& what) {
    if (ok) text += what + " ";
    return ok;
  }
};

struct Cycle : Core {
  FakeClock clock;
  Trace trace;
  MeasurementCycle cycle{settings, values, daq, measure, trace, clock, trace};
  Cycle() {
    settings.values = {1, 1, 1, 0.01, 0.1, 0.1, 0.1, 0.001, 1, 0, 0, 0, 0, 0};
    source.counts = {120};
    clock.now = 1000;
    values.PassNumber = 7;
  }
  std::string Run(int steps, double dt) {
    trace.text.clear();
    for (int i = 0; i < steps; ++i) {
      clock.Advance(dt);
      cycle.Step();
    }
    return trace.text;
  }
};

TEST(Cycle, OnePassFromStartToStop) {
  Cycle c;
  EXPECT_FALSE(c.cycle.Step()) << "nothing before Start";
  c.cycle.StartPass();
  EXPECT_EQ(c.trace.text, "H7 reset ");
  EXPECT_TRUE(c.cycle.Step());
  EXPECT_EQ(c.Run(2, 0.11),
            "T120 R1/120 D1/120/350.5/15.25 S120 T120 R2/120 D2/120/350.5/15.25 S120 ");
  c.trace.histogram.average = 120.25f;
  c.trace.histogram.deviation = 0.5f;
  for (int k = 0; k < kHistogramBins; ++k) c.trace.histogram.x[std::size_t(k)] = float(k);
  c.trace.histogram.y[3] = 4;
  c.trace.histogram.y[50] = 126000;
  c.trace.text.clear();
  c.cycle.StopPass();
  EXPECT_EQ(c.trace.text, "E120.25/0.5 B3/4 B50/126000 ");
  EXPECT_FALSE(c.cycle.Running());
  EXPECT_EQ(c.Run(3, 0.11), "") << "nothing after the end block";
  c.cycle.StopPass();
  EXPECT_EQ(c.trace.text, "") << "a second Stop writes nothing";
}

// Steps a time apart after Start with the display, file output and correction periods: what
// each did (displays, data lines, samples), and how long the cycle may then sleep before its
// next step has something to do.
const double kTenth = static_cast<double>(0.1f);  // periods are singles
TEST(Cycle, EachPeriodActsOnceItHasPassed) {
  for (auto [periods, steps, dt, actions, wait] :
       ROWS(std::tuple{std::array{0.5, 0.5, 0.5}, 2, 0.25, "0 0 0", 1e-6},  // strictly after
            {{0.5, 0.5, 0.5}, 3, 0.25, "1 1 1", 0.25},  // counted from the due time
            {{0.1, 0.1, 0.1}, 10000, 0.001, "99 99 99", 1e-6},
            {{1, 0, 10}, 7, 0.001, "0 7 0", 0},  // 0: on every step
            {{-1, 1, 5}, 1, 0, "1 0 0", 0}, {{0.1, 1, 0.3}, 25, 0.11, "25 2 9", kTenth - 0.03},
            {{0.1, 1, 5}, 1, 0.04, "0 0 0", kTenth - 0.04}, {{5, 1, 0.1}, 1, 0, "0 0 0", kTenth},
            {{1e20, 1e20, 1e20}, 1, 0, "0 0 0", double(1e20f)}, {{NAN, NAN, 2}, 1, 1, "0 0 0", 1},
            {{NAN, NAN, NAN}, 1, 1, "0 0 0", INFINITY})) {
    Cycle c;
    for (int k = 0; k < 3; ++k) c.settings[DisplayPeriod + k] = periods[std::size_t(k)];
    EXPECT_EQ(c.cycle.SecondsUntilDue(), INFINITY) << "no pass";
    c.cycle.StartPass();
    const std::string t = c.Run(steps, dt);
    const auto n = [&t](char what) { return std::to_string(std::count(t.begin(), t.end(), what)); };
    EXPECT_EQ(n('T') + " " + n('D') + " " + n('S'), actions) << t;
    const double left = c.cycle.SecondsUntilDue();
    EXPECT_TRUE(left == wait || std::fabs(left - wait) < 1e-8) << left << " after " << actions;
  }
}

TEST(Cycle, LengthsAndPeriodsWithinAndAcrossPasses) {
  Cycle c;
  c.settings[DisplayPeriod] = 1.0;
  c.cycle.StartPass();
  const std::string first = c.Run(10, 0.11);  // data lines repeat the length until a display
  EXPECT_EQ(first.substr(0, 25), "D0/120/350.5/15.25 S120 D");
  EXPECT_NE(first.find("R1/120 D1/"), std::string::npos);
  c.cycle.StopPass();
  c.cycle.StartPass();
  EXPECT_EQ(c.Run(1, 0.11).substr(0, 2), "D0") << "a new pass starts its length again";
  c.settings[DisplayPeriod] = 0.1;  // a saved change acts on the next step
  EXPECT_EQ(c.Run(1, 0.11).substr(0, 6), "T120 R");
}

TEST(Cycle, FileProblemsAreShownOnceAndNeverBreakThePass) {
  Cycle c;
  c.trace.failHeader = true;  // an earlier file of this number stays as it is
  c.cycle.StartPass();
  EXPECT_EQ(c.trace.text, "FAIL reset ");
  EXPECT_EQ(c.Run(1, 0.11), "T120 R1/120 S120 ") << "no data line without its header";
  c.trace.failHeader = false;
  EXPECT_EQ(c.Run(1, 0.11), "T120 R2/120 H7 D2/120/350.5/15.25 OK S120 ");
  c.trace.failLines = true;
  EXPECT_EQ(c.Run(2, 0.11), "T120 R3/120 FAIL S120 T120 R4/120 S120 ");
  EXPECT_TRUE(c.cycle.FileFailing());
  c.trace.failLines = false;
  c.Run(1, 0.11);
  c.trace.failLines = true;
  c.trace.histogram.y[3] = 4;
  c.trace.text.clear();
  c.cycle.StopPass();
  EXPECT_EQ(c.trace.text, "FAIL ") << "a lost end block shows, and no histogram line follows it";
}

// Woken as the window's timer wakes it, at the next whole millisecond and then some, the
// cycle never steps in vain and keeps the pace of its periods over an hour (36,000 displays
// at 0.1 s, not one fewer per late wake-up); a changed period counts at once.
TEST(Due, AnHourOfWakeUps) {
  Cycle c;
  c.settings.values[FileOutputPeriod] = 1.05;
  c.settings.values[CorrectionPeriod] = 5;
  c.cycle.StartPass();
  int steps = 0;
  long displays = 0, lines = 0;
  while (c.clock.now < 1000 + 3600) {
    c.clock.Advance(std::ceil(c.cycle.SecondsUntilDue() * 1000) / 1000 + 0.7e-3);
    c.trace.text.clear();
    c.cycle.Step();
    ASSERT_FALSE(c.trace.text.empty()) << "a step with nothing to do at " << c.clock.now;
    displays += c.trace.text[0] == 'T';
    lines += c.trace.text.find('D') != std::string::npos;
    ++steps;
  }
  EXPECT_GT(steps, displays);  // file and sample periods fall between the displays
  EXPECT_NEAR(displays, 3600 / kTenth, 1);
  EXPECT_NEAR(lines, 3600 / double(1.05f), 1);
  c.settings.values[DisplayPeriod] = 10;
  c.settings.values[FileOutputPeriod] = 10;
  c.settings.values[CorrectionPeriod] = 10;
  c.cycle.Step();
  EXPECT_GT(c.cycle.SecondsUntilDue(), 4.9);
  c.settings.values[FileOutputPeriod] = 0.1;
  EXPECT_LE(c.cycle.SecondsUntilDue(), kTenth);
  c.cycle.StopPass();
  EXPECT_EQ(c.cycle.SecondsUntilDue(), INFINITY);
}

}  // namespace

// The off-gauge alarm over a script of display updates "length:thickness" and acknowledgements
// "A", against limits 114..126 µm and a delay of 5 m: the events it gives (Raised, reTurned,
// Acknowledged) and where it ends (Normal, Unacknowledged active, acKnowledged active,
// Back within and unacknowledged).
TEST(Alarm, Scripts) {
  for (const auto& [name, script, events, end, delay, limits] :
       ROWS(std::tuple{"exactly_the_delay", "0:127 5:127 6:125", "", "N", 5.0, true},
            {"on_the_limit", "0:126 10:126 20:114", "", "N", 5, true},
            {"acknowledged_then_back", "0:127 5.1:127 A 8:125", "RAT", "N", 5, true},
            {"back_then_acknowledged", "0:127 6:127 7:125 20:125 A", "RTA", "N", 5, true},
            {"acknowledged_once", "0:127 6:127 A A", "RA", "K", 5, true},
            {"off_again_other_side", "0:127 6:127 7:125 8:110 14:110", "RTR", "U", 5, true},
            {"side_change_starts_afresh", "0:127 4:127 5:110 9:110 10.5:110", "R", "U", 5, true},
            {"turns_side_while_active", "0:127 6:127 7:110", "RT", "B", 5, true},
            {"nothing_to_acknowledge", "A 0:125", "", "N", 5, true},
            {"no_limits", "0:200 10:200", "", "N", 5, false},
            {"delay_zero_is_off", "0:200 10:200", "", "N", 0, true})) {
    OffGaugeAlarm alarm(delay);
    std::string seen;
    auto note = [&](const AlarmEvent& e) { seen += "RTA"[e.kind]; };
    std::istringstream steps(script);
    double when = 0;
    for (std::string step; steps >> step; when += 1) {
      if (step == "A") {
        if (auto e = alarm.Acknowledge(when)) note(*e);
        continue;
      }
      const double length = std::stod(step), thickness = std::stod(step.substr(step.find(':') + 1));
      for (const AlarmEvent& e :
           alarm.Update(length, thickness, limits ? std::optional(114.0) : std::nullopt,
                        limits ? std::optional(126.0) : std::nullopt, when)) {
        note(e);
      }
    }
    const AlarmState& s = alarm.State();
    const std::string state = !s.raised ? "N" : !s.active ? "B" : s.acknowledged ? "K" : "U";
    EXPECT_EQ(seen, events) << name;
    EXPECT_EQ(state, end) << name;
  }
}

TEST(Alarm, ExtremeLengthAndLogLine) {
  OffGaugeAlarm alarm(5);
  alarm.Update(100, 127, 114.0, 126.0, 0);
  alarm.Update(103, 131.25, 114.0, 126.0, 1);
  const auto raised = alarm.Update(106, 128, 114.0, 126.0, 2);
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_EQ(
      AlarmLogLine("2026-12-08 08:56:58", 7, raised[0]),
      "2026-12-08 08:56:58  pass 07  THICK raised: above 126.0 \xC2\xB5m from 100.0 m for 6.0 m, "
      "extreme 131.2 \xC2\xB5m");
  alarm.Update(109, 100, 114.0, 126.0, 3);  // thin at once: the thick alarm returns
  const AlarmState& s = alarm.State();
  EXPECT_TRUE(s.raised && !s.active && s.side == AlarmSide::kThick && s.offLength == 6 &&
              s.extreme == 131.25);
}
