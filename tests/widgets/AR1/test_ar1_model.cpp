#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "widgets/AR1/AR1Model.h"
#include "widgets/common/PropertyBag.h"

using namespace orlix;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A gauge as the widget creates it: the arrow has swept to CurrentValue.
AR1Model Created() {
  AR1Model m;
  m.MoveArrow();
  return m;
}

// ---- Labels -----------------------------------------------------------------------------

struct LabelRow {
  float mid;
  float scale;
  float s;
  float lo;
  float hi;
  std::array<const char*, 5> labels;
};

class Relabel : public ::testing::TestWithParam<LabelRow> {};

TEST_P(Relabel, ScaleEndsAndLabels) {
  const LabelRow& r = GetParam();
  AR1Model m = Created();
  m.SetMidValue(r.mid);
  m.SetScalelength(r.scale);
  EXPECT_FLOAT_EQ(m.ScaleUnit(), r.s);
  EXPECT_FLOAT_EQ(m.Lower(), r.lo);
  EXPECT_FLOAT_EQ(m.Upper(), r.hi);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(m.Labels()[i], r.labels[i]) << "label " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Scales, Relabel,
    ::testing::Values(LabelRow{120, 50, 60, -30, 270, {"-30", "60", "120", "180", "270"}},
                      LabelRow{50, 10, 5, 37.5f, 62.5f, {"37.5", "45.0", "50.0", "55.0", "62.5"}},
                      LabelRow{120, 0, 1, 117.5f, 122.5f, {"118", "119", "120", "121", "123"}},
                      LabelRow{0, 50, 1, -2.5f, 2.5f, {"-2.5", "-1.0", "0.0", "1.0", "2.5"}}));

TEST(AR1Creation, DefaultsAndTheSweepFromZero) {
  AR1Model m;
  EXPECT_EQ(m.Labels()[0], "-30");
  EXPECT_EQ(m.LastShown(), 0.0f);
  const AR1Model::Sweep sweep = m.MoveArrow();
  EXPECT_EQ(sweep.from, 21);
  EXPECT_EQ(sweep.to, 81);
  const auto path = sweep.Positions();
  ASSERT_EQ(path.size(), 61u);
  for (std::size_t i = 0; i < path.size(); ++i) EXPECT_EQ(path[i], 21 + static_cast<int>(i));
  EXPECT_EQ(m.ArrowLeft(), 81);
  EXPECT_EQ(m.LastShown(), 120.0f);
}

// ---- Arrow positions --------------------------------------------------------------------

struct PositionRow {
  float value;
  int left;
  float stored;
};

class ArrowPosition : public ::testing::TestWithParam<PositionRow> {};

TEST_P(ArrowPosition, OnTheDefaultScale) {
  const PositionRow& r = GetParam();
  AR1Model m = Created();
  const AR1Model::Sweep sweep = m.SetCurrentValue(r.value);
  EXPECT_EQ(sweep.from, 81);
  EXPECT_EQ(sweep.to, r.left);
  EXPECT_EQ(m.ArrowLeft(), r.left);
  EXPECT_EQ(m.CurrentValue(), r.stored);
  EXPECT_EQ(m.LastShown(), r.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ArrowPosition,
    ::testing::Values(PositionRow{120, 81, 120},   // tip over the middle line
                      PositionRow{180, 111, 180},  // tip over the band's right end
                      PositionRow{60, 51, 60},     // and its left end
                      PositionRow{0, 21, 0}, PositionRow{270, 156, 270}, PositionRow{-30, 6, -30},
                      PositionRow{121.9f, 81, 121.9f}, PositionRow{122, 82, 122},
                      // Values off the scale are stored clamped.
                      PositionRow{1e9f, 156, 270}, PositionRow{-1e9f, 6, -30},
                      PositionRow{kInf, 156, 270}, PositionRow{-kInf, 6, -30},
                      PositionRow{kNaN, 6, -30}));

TEST(AR1Sweep, DownwardsAndAfterScaleChanges) {
  AR1Model m = Created();
  m.SetCurrentValue(180);
  const auto path = m.SetCurrentValue(120).Positions();
  ASSERT_EQ(path.size(), 31u);
  EXPECT_EQ(path[1], 110);
  EXPECT_EQ(path.back(), 81);

  // A new scale moves the arrow straight to the shown value's new position.
  m.SetCurrentValue(150);
  EXPECT_EQ(m.ArrowLeft(), 96);
  const AR1Model::Sweep sweep = m.SetScalelength(40);  // s = 48
  EXPECT_EQ(sweep.from, 99);
  EXPECT_EQ(sweep.to, 99);
  EXPECT_EQ(m.SetMidValue(200).to, 62);  // s = 80, lo = 0

  // A value clamped once stays clamped on a wider scale.
  m.SetCurrentValue(1000);
  EXPECT_EQ(m.CurrentValue(), 400.0f);
  m.SetScalelength(100);  // s = 200, hi = 700
  EXPECT_EQ(m.CurrentValue(), 400.0f);
  EXPECT_EQ(m.ArrowLeft(), 111);
}

struct OddScaleRow {
  float mid;
  float scale;
};

class OddScale : public ::testing::TestWithParam<OddScaleRow> {};

TEST_P(OddScale, ArrowStaysOnTheScale) {
  AR1Model m = Created();
  m.SetMidValue(GetParam().mid);
  m.SetScalelength(GetParam().scale);
  for (float v : {kNaN, kInf, -kInf, 0.0f, 120.0f, 3e38f, -3e38f}) {
    const AR1Model::Sweep sweep = m.SetCurrentValue(v);
    EXPECT_GE(sweep.to, AR1Model::kLeftmost) << v;
    EXPECT_LE(sweep.to, AR1Model::kRightmost) << v;
    EXPECT_GE(sweep.from, AR1Model::kLeftmost) << v;
    EXPECT_LE(sweep.from, AR1Model::kRightmost) << v;
  }
}

INSTANTIATE_TEST_SUITE_P(Scales, OddScale,
                         ::testing::Values(OddScaleRow{kNaN, 50}, OddScaleRow{kInf, 50},
                                           OddScaleRow{-kInf, 50}, OddScaleRow{120, kNaN},
                                           OddScaleRow{-100, 50}, OddScaleRow{120, -50},
                                           OddScaleRow{3e38f, 300}, OddScaleRow{1e-30f, 1e-30f}));

// ---- Stored settings --------------------------------------------------------------------

TEST(AR1Properties, LoadingOnlyStores) {
  AR1Model m = Created();
  PropertyBag empty;
  m.WriteProperties(empty);
  EXPECT_TRUE(empty.Values().empty());

  PropertyBag bag;
  bag.WriteProperty("MidValue", 50, 120);
  bag.WriteProperty("CurrentValue", 1000, 120);
  bag.WriteProperty("ScaleLength", 10, 50);
  m.ReadProperties(bag);
  EXPECT_EQ(m.MidValue(), 50.0f);
  EXPECT_EQ(m.CurrentValue(), 1000.0f);  // not clamped: nothing moved
  EXPECT_EQ(m.Scalelength(), 10.0f);
  EXPECT_EQ(m.Labels()[0], "-30");
  EXPECT_EQ(m.ArrowLeft(), 81);

  PropertyBag out;
  m.WriteProperties(out);
  EXPECT_EQ(out.Values().size(), 3u);
  EXPECT_EQ(out.ReadProperty("CurrentValue", 0), 1000.0);
}

}  // namespace
