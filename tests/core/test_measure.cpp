#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "core/Measure.h"
#include "base/SystemPlatform.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;
using orlix::testing::ReplayUniform;

namespace {

// A count source that hands out fixed counts and records the means it was asked for.
class FixedCounts final : public CountSource {
 public:
  std::vector<std::int16_t> counts;
  std::vector<float> means;
  std::int16_t Count(float mean) override {
    means.push_back(mean);
    const auto c = counts[next_ % counts.size()];
    ++next_;
    return c;
  }

 private:
  std::size_t next_ = 0;
};

struct Rig {
  FixedCounts source;
  SettingsRecord settings;
  ProgramValues values;
  Coefficients coef{0, 1, 0, 0};
  QLDAQ daq{source, settings, values};
  Measure measure{settings, values, daq, coef};

  explicit Rig(double mode, std::vector<std::int16_t> counts = {100}) {
    settings[MeasurementMode] = mode;
    source.counts = std::move(counts);
    values.SetStartValues();
  }
  float Take() {
    float t = -1;
    measure.MeasureThickness(t);
    return t;
  }
};

struct ModeRow {
  const char* name;
  double mode;
  Coefficients coef;
  float expected;
};

class ModeTest : public ::testing::TestWithParam<ModeRow> {};

TEST_P(ModeTest, ThicknessOfCountOneHundred) {
  const auto& row = GetParam();
  Rig rig(row.mode, {100, 77});
  rig.coef = row.coef;
  EXPECT_EQ(rig.Take(), row.expected) << row.name;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeTest,
    ::testing::Values(ModeRow{"direct", 0, {9, 9, 9, 9}, 100.0f},
                      ModeRow{"linear", 1, {5, 2, 0, 0}, 205.0f},
                      ModeRow{"all zero", 1, {0, 0, 0, 0}, 0.0f},
                      ModeRow{"cubic", 1, {1, 0.5, 0.25, 0.125}, 127551.0f},
                      ModeRow{"simulation takes a fresh count", 2, {9, 9, 9, 9}, 77.0f},
                      ModeRow{"unknown mode", 3, {0, 1, 0, 0}, 0.0f},
                      ModeRow{"fractional mode", 1.5, {0, 1, 0, 0}, 0.0f},
                      ModeRow{"negative mode", -1, {0, 1, 0, 0}, 0.0f}));

TEST(Measure, EveryCountIsDrawnWithTheSetPointAsMean) {
  Rig rig(2);
  rig.values.SetPointThickness = 200;
  rig.Take();
  EXPECT_EQ(rig.source.means, (std::vector<float>{200, 200}));
}

TEST(Measure, DirectModeAtStartUpGivesWholeNumbersAroundTheSetPoint) {
  Pcg32Uniform uniform;
  Stats stats(uniform);
  SimulatedCountSource source(stats);
  SettingsRecord settings;
  settings[MeasurementMode] = kModeDirect;
  ProgramValues values;
  values.SetStartValues();
  QLDAQ daq(source, settings, values);
  Coefficients coef{0, 1, 0, 0};
  Measure measure(settings, values, daq, coef);
  double sum = 0;
  for (int i = 0; i < 1000; ++i) {
    float t = 0;
    measure.MeasureThickness(t);
    ASSERT_EQ(t, std::floor(t));
    sum += t;
  }
  EXPECT_NEAR(sum / 1000, 120, 1.5);
}

TEST(Measure, OrderOfTermsInDoublePrecision) {
  // x·A2·x + (x·A1 + A0) + x·A3·x·x, each in double, summed in that order.
  const Coefficients coef{0.1, 1e-3, 1e-7, 3e-12};
  const float x = 4373.0f;
  double t = 4373.0 * 1e-7 * 4373.0;
  t += 4373.0 * 1e-3 + 0.1;
  t += 4373.0 * 3e-12 * 4373.0 * 4373.0;
  EXPECT_EQ(Measure::EvaluateCubic(coef, x), static_cast<float>(t));
}

struct ClampRow {
  Coefficients coef;
  float expected;
};

class ClampTest : public ::testing::TestWithParam<ClampRow> {};

TEST_P(ClampTest, ResultStaysFinite) {
  const float t = Measure::EvaluateCubic(GetParam().coef, 30000.0f);
  EXPECT_TRUE(std::isfinite(t));
  EXPECT_EQ(t, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Ranges, ClampTest,
                         ::testing::Values(ClampRow{{0, 0, 0, 1e30}, FLT_MAX},
                                           ClampRow{{0, 0, 0, -1e30}, -FLT_MAX},
                                           ClampRow{{1e300, 0, 0, 1e300}, FLT_MAX},
                                           ClampRow{{NAN, 0, 0, 0}, 0.0f}));

struct CorrectionRow {
  const char* name;
  bool on;
  double gain;
  std::int16_t count;
  bool expected;
  double value;
};

class CorrectionTest : public ::testing::TestWithParam<CorrectionRow> {};

TEST_P(CorrectionTest, PerMilleScaledByGain) {
  const auto& row = GetParam();
  Rig rig(0, {row.count});
  rig.values.ControlOn = row.on;
  rig.values.ControlGain = row.gain;
  rig.Take();
  ASSERT_EQ(rig.measure.Correction().has_value(), row.expected) << row.name;
  if (row.expected) {
    EXPECT_DOUBLE_EQ(*rig.measure.Correction(), row.value) << row.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CorrectionTest,
                         ::testing::Values(CorrectionRow{"thin strip", true, 100, 100, true, 2.0},
                                           CorrectionRow{"half gain", true, 50, 100, true, 4.0},
                                           CorrectionRow{"on the set-point", true, 100, 120, true,
                                                         0.0},
                                           CorrectionRow{"control off", false, 100, 100, false, 0},
                                           CorrectionRow{"zero thickness", true, 100, 0, false, 0},
                                           CorrectionRow{"zero gain", true, 0, 100, false, 0}));

}  // namespace
