#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/MeasurementCycle.h"
#include "base/SystemPlatform.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;
using orlix::testing::FakeClock;

namespace {

struct Call {
  std::string what;
  double a = 0, b = 0;
};

class RecordingInstruments final : public CycleInstruments {
 public:
  std::vector<Call> calls;
  HistogramSummary histogram;
  std::vector<bool> problems;
  float rollDiam = 350.2f, rollWeight = 15.6f;

  void ResetInstruments() override { calls.push_back({"reset"}); }
  void ShowThickness(float t) override { calls.push_back({"thickness", t}); }
  void ShowRoll(float length, float t) override { calls.push_back({"roll", length, t}); }
  void RollValues(float& d, float& w) override {
    d = rollDiam;
    w = rollWeight;
  }
  void ShowSample(double s) override { calls.push_back({"sample", s}); }
  HistogramSummary Histogram() override { return histogram; }
  void ShowFileProblem(bool failing) override { problems.push_back(failing); }

  int Count(const std::string& what) const {
    int n = 0;
    for (const auto& c : calls) n += c.what == what;
    return n;
  }
};

class RecordingPass final : public PassRecorder {
 public:
  std::vector<Call> lines;  // what: header, data, end, histo
  bool fail = false;
  bool failHeader = false;

  bool WriteFileHeader(std::int16_t pass) override {
    return !failHeader && Add({"header", double(pass)});
  }
  bool AddFileData(std::int16_t, float length, float thickness, float, float) override {
    return Add({"data", length, thickness});
  }
  bool WriteFileEnd(std::int16_t, double average, double deviation) override {
    return Add({"end", average, deviation});
  }
  bool WriteHistoPoint(std::int16_t, double x, double n) override { return Add({"histo", x, n}); }

  int Count(const std::string& what) const {
    int n = 0;
    for (const auto& c : lines) n += c.what == what;
    return n;
  }

 private:
  bool Add(Call c) {
    if (fail) return false;
    lines.push_back(c);
    return true;
  }
};

// Counts always equal to the mean.
class ExactCounts final : public CountSource {
 public:
  std::int16_t Count(float mean) override { return static_cast<std::int16_t>(mean); }
};

struct Rig {
  SettingsRecord settings;
  ProgramValues values;
  ExactCounts source;
  QLDAQ daq{source, settings, values};
  Coefficients coef{0, 1, 0, 0};
  Measure measure{settings, values, daq, coef};
  FakeClock clock;
  RecordingInstruments instruments;
  RecordingPass pass;
  MeasurementCycle cycle{settings, values, daq, measure, pass, clock, instruments};

  Rig() {
    settings.values = {1, 1, 1, 0.01, 0.1, 0.1, 0.1, 0.001, 1, 0, 0, 0, 0, 0};
    values.SetStartValues();
    clock.now = 1000;
  }
  // Runs steps, moving the clock by dt before each.
  void Run(int steps, double dt) {
    for (int i = 0; i < steps; ++i) {
      clock.Advance(dt);
      cycle.Step();
    }
  }
};

TEST(Cycle, StartWritesHeaderAndResetsBeforeMeasuring) {
  Rig rig;
  rig.values.PassNumber = 7;
  rig.cycle.StartPass();
  ASSERT_EQ(rig.pass.lines.size(), 1u);
  EXPECT_EQ(rig.pass.lines[0].what, "header");
  EXPECT_EQ(rig.pass.lines[0].a, 7);
  ASSERT_EQ(rig.instruments.calls.size(), 1u);
  EXPECT_EQ(rig.instruments.calls[0].what, "reset");
  EXPECT_TRUE(rig.cycle.Running());
}

TEST(Cycle, ComparisonIsStrict) {
  Rig rig;
  rig.settings[DisplayPeriod] = 0.5;
  rig.settings[FileOutputPeriod] = 0.5;
  rig.settings[CorrectionPeriod] = 0.5;
  rig.cycle.StartPass();
  rig.Run(2, 0.25);  // now = start + 0.5: not yet
  EXPECT_EQ(rig.instruments.Count("thickness"), 0);
  EXPECT_EQ(rig.pass.Count("data"), 0);
  EXPECT_EQ(rig.instruments.Count("sample"), 0);
  rig.Run(1, 0.25);  // start + 0.75
  EXPECT_EQ(rig.instruments.Count("thickness"), 1);
  EXPECT_EQ(rig.pass.Count("data"), 1);
  EXPECT_EQ(rig.instruments.Count("sample"), 1);
}

TEST(Cycle, DefaultPeriodsActAtMostTenTimesASecond) {
  Rig rig;
  rig.cycle.StartPass();
  rig.Run(10000, 0.001);  // ten seconds of steps a millisecond apart
  for (const char* what : {"thickness", "sample"}) {
    EXPECT_GE(rig.instruments.Count(what), 99) << what;
    EXPECT_LE(rig.instruments.Count(what), 100) << what;
  }
  EXPECT_GE(rig.pass.Count("data"), 99);
  EXPECT_LE(rig.pass.Count("data"), 100);
}

TEST(Cycle, DisplayOrderAndLengthsCountFromOne) {
  Rig rig;
  rig.cycle.StartPass();
  rig.Run(3, 0.11);
  std::vector<std::string> order;
  for (const auto& c : rig.instruments.calls) order.push_back(c.what);
  EXPECT_EQ(order, (std::vector<std::string>{"reset", "thickness", "roll", "sample", "thickness",
                                             "roll", "sample", "thickness", "roll", "sample"}));
  EXPECT_EQ(rig.instruments.calls[2].a, 1);
  EXPECT_EQ(rig.instruments.calls[2].b, 120);
  ASSERT_EQ(rig.pass.Count("data"), 3);
  EXPECT_EQ(rig.pass.lines[1].a, 1);
  EXPECT_EQ(rig.pass.lines[1].b, 120);
  EXPECT_EQ(rig.pass.lines[3].a, 3);
}

TEST(Cycle, LongDisplayPeriodRepeatsTheLengthOnDataLines) {
  Rig rig;
  rig.settings[DisplayPeriod] = 1.0;
  rig.cycle.StartPass();
  rig.Run(25, 0.11);
  std::vector<double> lengths;
  for (const auto& c : rig.pass.lines) {
    if (c.what == "data") lengths.push_back(c.a);
  }
  ASSERT_GE(lengths.size(), 20u);
  EXPECT_EQ(lengths[0], 0);
  EXPECT_EQ(lengths[9], 1);
  EXPECT_EQ(lengths[10], 1);
  EXPECT_EQ(lengths[18], 1);
  EXPECT_EQ(lengths[19], 2);
}

TEST(Cycle, PeriodsAreReadOnEveryStep) {
  Rig rig;
  rig.settings[DisplayPeriod] = 10;
  rig.cycle.StartPass();
  rig.Run(5, 0.11);
  EXPECT_EQ(rig.instruments.Count("thickness"), 0);
  rig.settings[DisplayPeriod] = 0.1;  // a saved change
  rig.Run(1, 0.11);
  EXPECT_EQ(rig.instruments.Count("thickness"), 1);
}

TEST(Cycle, ZeroPeriodActsOnEveryStep) {
  Rig rig;
  rig.settings[FileOutputPeriod] = 0;
  rig.cycle.StartPass();
  rig.Run(7, 0.001);
  EXPECT_EQ(rig.pass.Count("data"), 7);
}

TEST(Cycle, StopWritesEndBlockAndNonEmptyBinsThenStops) {
  Rig rig;
  rig.instruments.histogram.average = 120.25f;
  rig.instruments.histogram.deviation = 0.5f;
  for (int k = 0; k < kHistogramBins; ++k) rig.instruments.histogram.x[std::size_t(k)] = float(k);
  rig.instruments.histogram.y[3] = 4;
  rig.instruments.histogram.y[25] = 126000;
  rig.instruments.histogram.y[50] = 1;
  rig.cycle.StartPass();
  rig.Run(5, 0.11);
  const auto before = rig.pass.lines.size();
  rig.cycle.StopPass();
  ASSERT_EQ(rig.pass.lines.size(), before + 4);
  EXPECT_EQ(rig.pass.lines[before].what, "end");
  EXPECT_EQ(rig.pass.lines[before].a, 120.25);
  EXPECT_EQ(rig.pass.lines[before + 1].a, 3);
  EXPECT_EQ(rig.pass.lines[before + 1].b, 4);
  EXPECT_EQ(rig.pass.lines[before + 2].b, 126000);
  EXPECT_EQ(rig.pass.lines[before + 3].a, 50);
  EXPECT_FALSE(rig.cycle.Step());
  rig.Run(10, 0.11);
  EXPECT_EQ(rig.pass.lines.size(), before + 4) << "no data line follows the end block";
}

TEST(Cycle, StopWithoutPassWritesNothing) {
  Rig rig;
  rig.cycle.StopPass();
  EXPECT_TRUE(rig.pass.lines.empty());
  rig.cycle.StartPass();
  rig.cycle.StopPass();
  const auto after = rig.pass.lines.size();
  rig.cycle.StopPass();
  EXPECT_EQ(rig.pass.lines.size(), after);
}

TEST(Cycle, SecondPassStartsItsLengthAgain) {
  Rig rig;
  rig.cycle.StartPass();
  rig.Run(4, 0.11);
  rig.cycle.StopPass();
  rig.instruments.calls.clear();
  rig.cycle.StartPass();
  rig.Run(1, 0.11);
  ASSERT_EQ(rig.instruments.calls[2].what, "roll");
  EXPECT_EQ(rig.instruments.calls[2].a, 1);
}

TEST(Cycle, FileFailureIsShownOnceAndClearedWhenWritingWorksAgain) {
  Rig rig;
  rig.pass.fail = true;
  rig.cycle.StartPass();
  rig.Run(5, 0.11);
  EXPECT_TRUE(rig.cycle.FileFailing());
  EXPECT_EQ(rig.instruments.problems, std::vector<bool>{true});
  EXPECT_EQ(rig.instruments.Count("thickness"), 5) << "the cycle goes on";
  rig.pass.fail = false;
  rig.Run(1, 0.11);
  EXPECT_FALSE(rig.cycle.FileFailing());
  EXPECT_EQ(rig.instruments.problems, (std::vector<bool>{true, false}));
}

TEST(Cycle, NothingIsAppendedToAFileWhoseHeaderWasNotWritten) {
  Rig rig;
  rig.pass.failHeader = true;  // an earlier pass file of this number stays as it is
  rig.cycle.StartPass();
  rig.Run(5, 0.11);
  rig.cycle.StopPass();
  EXPECT_TRUE(rig.pass.lines.empty());
  EXPECT_TRUE(rig.cycle.FileFailing());
  EXPECT_EQ(rig.instruments.Count("thickness"), 5) << "the cycle goes on";
}

TEST(Cycle, HeaderIsWrittenWhenWritingWorksAgainDuringThePass) {
  Rig rig;
  rig.pass.failHeader = true;
  rig.cycle.StartPass();
  rig.Run(2, 0.11);
  rig.pass.failHeader = false;
  rig.Run(1, 0.11);
  ASSERT_EQ(rig.pass.lines.size(), 2u);
  EXPECT_EQ(rig.pass.lines[0].what, "header");
  EXPECT_EQ(rig.pass.lines[1].what, "data");
  EXPECT_FALSE(rig.cycle.FileFailing());
}

TEST(Cycle, SampleFollowsTheMode) {
  Rig rig;
  EXPECT_EQ(rig.cycle.TakeSample(), 120);
  rig.settings[MeasurementMode] = kModeSimulation;
  EXPECT_EQ(rig.cycle.TakeSample(), 1200);
}

}  // namespace
