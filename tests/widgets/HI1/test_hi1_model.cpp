#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "widgets/HI1/HI1Model.h"
#include "widgets/common/PropertyBag.h"

using namespace orlix;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
// The surface of the widget at its nominal size, in points.
constexpr double kW = 180.75;
constexpr double kH = 144.75;

HI1Model Fresh(float mid, float scale) {
  HI1Model m;
  m.SetMidValue(mid);
  m.SetScalelength(scale);
  return m;
}

void AddMany(HI1Model& m, float value, int times) {
  for (int i = 0; i < times; ++i) m.SetCurrentValue(value);
}

template <typename Access>
std::optional<PropertyError::Kind> RefusalOf(Access access) {
  try {
    access();
  } catch (const PropertyError& e) {
    return e.kind();
  }
  return std::nullopt;
}

struct ScaleRow {
  float mid, scale, s, x0, x25, x50;
  std::array<const char*, 5> axis;
};
class ScaleSetUp : public ::testing::TestWithParam<ScaleRow> {};

TEST_P(ScaleSetUp, EdgesAndAxisValues) {
  const ScaleRow& r = GetParam();
  const HI1Model m = Fresh(r.mid, r.scale);
  EXPECT_FLOAT_EQ(m.BinScale(), r.s);
  EXPECT_FLOAT_EQ(m.Edges()[0], r.x0);
  EXPECT_FLOAT_EQ(m.Edges()[25], r.x25);
  EXPECT_FLOAT_EQ(m.Edges()[50], r.x50);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(m.AxisTexts()[i], r.axis[i]) << "axis " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Scales, ScaleSetUp,
    ::testing::Values(
        ScaleRow{120, 40, 48, 0, 120, 240, {"0", "72", "120", "168", "240"}},
        ScaleRow{50, 10, 5, 37.5f, 50, 62.5f, {"37.5", "45.0", "50.0", "55.0", "62.5"}},
        // A zero product gives bins 0.1 wide; a negative scale runs the bins downwards.
        ScaleRow{120, 0, 1, 117.5f, 120, 122.5f, {"118", "119", "120", "121", "123"}},
        ScaleRow{0, 40, 1, -2.5f, 0, 2.5f, {"-2.5", "-1.0", "0.0", "1.0", "2.5"}},
        ScaleRow{-100, 40, -40, 0, -100, -200, {"0.0", "-60.0", "-100.0", "-140.0", "-200.0"}}));

struct BinRow {
  float mid, scale, value;
  int bin;
};
class BinOfValue : public ::testing::TestWithParam<BinRow> {};

TEST_P(BinOfValue, GoesToItsBin) {
  const BinRow& r = GetParam();
  HI1Model m = Fresh(r.mid, r.scale);
  const HI1Model::Added added = m.SetCurrentValue(r.value);
  EXPECT_EQ(added.bin, r.bin);
  EXPECT_EQ(added.units, 1);
  m.SetHistoIndex(static_cast<std::int16_t>(r.bin));
  EXPECT_EQ(m.HistoY(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BinOfValue,
    ::testing::Values(
        BinRow{120, 40, 120, 25}, BinRow{120, 40, 0, 0}, BinRow{120, 40, -5, 0},
        BinRow{120, 40, 4.7f, 0}, BinRow{120, 40, 4.9f, 1}, BinRow{120, 40, 239.9f, 49},
        BinRow{120, 40, 240, 50}, BinRow{120, 40, 1e30f, 50}, BinRow{120, 40, -1e30f, 0},
        BinRow{120, 40, kInf, 50}, BinRow{120, 40, -kInf, 0}, BinRow{120, 40, kNaN, 0},
        BinRow{50, 10, 37.5f, 0}, BinRow{50, 10, 62.4f, 49}, BinRow{50, 10, 62.5f, 50},
        // Scales of no finite width put everything in the lowest bin.
        BinRow{kNaN, 40, 120, 0}, BinRow{kInf, 40, 120, 0}, BinRow{3e38f, 300, 1, 0}));

struct StatsRow {
  std::vector<float> values;
  float average, squares, deviation;
  const char* averageText;
  const char* deviationText;
};
class Statistics : public ::testing::TestWithParam<StatsRow> {};

TEST_P(Statistics, RunningAverageAndDeviation) {
  const StatsRow& r = GetParam();
  HI1Model m = Fresh(120, 40);
  for (float v : r.values) m.SetCurrentValue(v);
  EXPECT_FLOAT_EQ(m.Average(), r.average);
  EXPECT_FLOAT_EQ(m.SquareSum(), r.squares);
  EXPECT_FLOAT_EQ(m.Msdeviation(), r.deviation);
  EXPECT_EQ(m.AverageText(), r.averageText);
  EXPECT_EQ(m.DeviationText(), r.deviationText);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Statistics,
    ::testing::Values(
        StatsRow{{}, 0, 0, 0, "AV=0.0", "S=\u00B10.0"},
        StatsRow{{118.25f}, 118.25f, 0, 0, "AV=118.3", "S=\u00B10.0"},
        StatsRow{{100, 102}, 101, 1, 0.70710677f, "AV=101.0", "S=\u00B10.71"},
        // Each term is taken from the average right after its value: 0 + 1 + 4 = 5, not 8.
        StatsRow{{100, 102, 104}, 102, 5, 1.2909944f, "AV=102.0", "S=\u00B11.29"}));

TEST(HI1Rescale, FirstRescaleDrawsTotalsAsYellowBars) {
  HI1Model m = Fresh(120, 40);
  AddMany(m, 50.5f, 37);    // bin 10
  AddMany(m, 120.0f, 125);  // bin 25, one short of a full bar
  EXPECT_FALSE(m.SetCurrentValue(10.0f).rescaled);
  const HI1Model::Added a = m.SetCurrentValue(120.0f);
  EXPECT_TRUE(a.rescaled);
  EXPECT_EQ(m.RescaleText(), "#2");
  EXPECT_EQ(m.YellowUnits()[25], 12);  // 125 earlier values
  EXPECT_EQ(m.YellowUnits()[10], 3);
  EXPECT_EQ(m.YellowUnits()[2], 0);
  for (std::int16_t d : m.DisplayCounts()) EXPECT_EQ(d, 0);
  m.SetHistoIndex(25);
  EXPECT_EQ(m.HistoY(), 126);
  EXPECT_EQ(m.SetCurrentValue(120.0f).units, 1);  // blue units start from the bottom again

  AddMany(m, 10.0f, 99);    // bin 2 now holds 100
  AddMany(m, 120.0f, 125);  // second rescale: 251 earlier values in bin 25, R − 1 = 2
  EXPECT_EQ(m.RescaleNumber(), 3);
  EXPECT_EQ(m.YellowUnits()[25], 12);
  EXPECT_EQ(m.YellowUnits()[2], 5);
}

TEST(HI1Rescale, TotalsRestartAt126000) {
  HI1Model m = Fresh(120, 40);
  AddMany(m, 1.0f, 3);  // bin 0
  AddMany(m, 120.0f, 126000);
  for (std::int32_t t : m.Totals()) EXPECT_EQ(t, 0);
  // Count, sum and rescales carry on.
  EXPECT_EQ(m.Count(), 126003.0f);
  EXPECT_EQ(m.Sum(), 15120003.0f);
  EXPECT_EQ(m.RescaleNumber(), 1001);
  m.SetCurrentValue(120.0f);
  m.SetHistoIndex(25);
  EXPECT_EQ(m.HistoY(), 1);
}

TEST(HI1Rescale, RescaleNumberSaturatesAt32767) {
  HI1Model m = Fresh(120, 40);
  AddMany(m, 120.0f, 126 * 32766);
  EXPECT_EQ(m.RescaleNumber(), 32767);
  AddMany(m, 120.0f, 126 * 3);
  EXPECT_EQ(m.RescaleText(), "#32767");
}

TEST(HI1Reset, ClearsEverything) {
  HI1Model m = Fresh(120, 40);
  AddMany(m, 120.0f, 130);
  m.ResetHisto();
  EXPECT_EQ(m.AverageText(), "AV=0.0");
  EXPECT_EQ(m.DeviationText(), "S=\u00B10.0");
  EXPECT_EQ(m.RescaleText(), "#1");
  for (std::size_t k = 0; k < HI1Model::kBins; ++k) {
    EXPECT_EQ(m.Totals()[k] + m.YellowUnits()[k] + m.DisplayCounts()[k], 0);
  }
}

class BinTableIndex : public ::testing::TestWithParam<std::int16_t> {};

TEST_P(BinTableIndex, OutsideTheTableIsRefused) {
  HI1Model m = Fresh(120, 40);
  AddMany(m, 120.0f, 4);
  m.SetHistoIndex(GetParam());
  EXPECT_EQ(RefusalOf([&] { (void)m.HistoX(); }), PropertyError::Kind::SubscriptOutOfRange);
  EXPECT_EQ(RefusalOf([&] { (void)m.HistoY(); }), PropertyError::Kind::SubscriptOutOfRange);
  EXPECT_EQ(m.DisplayCounts()[25], 4);
}

INSTANTIATE_TEST_SUITE_P(Indexes, BinTableIndex,
                         ::testing::Values(std::int16_t{-1}, std::int16_t{51}, std::int16_t{-32768},
                                           std::int16_t{32767}));

TEST(HI1ReadOnly, AverageAndDeviationRefuseWrites) {
  HI1Model m = Fresh(120, 40);
  AddMany(m, 100.0f, 1);
  AddMany(m, 102.0f, 1);
  EXPECT_EQ(RefusalOf([&] { m.SetAverage(5.0f); }), PropertyError::Kind::ReadOnly);
  EXPECT_EQ(RefusalOf([&] { m.SetMsdeviation(5.0f); }), PropertyError::Kind::ReadOnly);
  EXPECT_EQ(m.Average(), 101.0f);
  EXPECT_FLOAT_EQ(m.Msdeviation(), 0.70710677f);
}

TEST(HI1Demonstration, BellCurveOnTheDefaultScale) {
  HI1Model m;
  PropertyBag bag;
  bag.WriteProperty("MidValue", 200, 120);
  m.ReadProperties(bag);
  m.Demonstrate();
  EXPECT_EQ(m.MidValue(), 200.0f);  // the properties keep their own values
  EXPECT_EQ(m.AxisTexts()[2], "120");
  // 27 values at 120, 26 at 122 and at 124, all in the bin that starts at 120.
  EXPECT_EQ(m.DisplayCounts()[25], 79);
  EXPECT_EQ(m.Average(), 120.0f);  // symmetric around 120
  for (int k = 0; k < HI1Model::kBins; ++k) {
    const auto d = m.DisplayCounts()[static_cast<std::size_t>(k)];
    EXPECT_LE(d, (k < 15 || k > 35) ? 0 : 79) << "bin " << k;
  }
}

struct PointerRow {
  double x, y;
  std::optional<std::string> text;
};
class PointerReadout : public ::testing::TestWithParam<PointerRow> {};

TEST_P(PointerReadout, OverTheFrameOnly) {
  const PointerRow& r = GetParam();
  HI1Model m = Fresh(120, 40);
  AddMany(m, 135.0f, 3);  // bin 28
  AddMany(m, 241.0f, 2);  // bin 50
  EXPECT_EQ(m.PointerText(r.x, r.y, kW, kH), r.text);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, PointerReadout,
    ::testing::Values(PointerRow{100, 50, "X=134.4 N=3"}, PointerRow{14, 1.75, "X=0.0 N=0"},
                      PointerRow{165, 130.75, "X=240.0 N=2"}, PointerRow{13.9, 50, std::nullopt},
                      PointerRow{100, 1.7, std::nullopt}, PointerRow{100, 130.8, std::nullopt},
                      // Right of bin 50 but still inside the frame: bin 51 does not exist.
                      PointerRow{167, 50, std::nullopt}, PointerRow{167.3, 50, std::nullopt},
                      PointerRow{std::nan(""), 50, std::nullopt}));

TEST(HI1Properties, LoadingOnlyStoresAndDefaultsAreNotWritten) {
  HI1Model m = Fresh(120, 40);
  PropertyBag empty;
  m.WriteProperties(empty);
  EXPECT_TRUE(empty.Values().empty());

  AddMany(m, 121.0f, 5);
  PropertyBag bag;
  bag.WriteProperty("MidValue", 50, 120);
  bag.WriteProperty("ScaleLength", 10, 40);
  bag.WriteProperty("CurrentValue", 51.5, 120);
  bag.WriteProperty("HistoIndex", 1e9, 0);
  m.ReadProperties(bag);
  EXPECT_EQ(m.Scalelength(), 10.0f);
  EXPECT_EQ(m.CurrentValue(), 51.5f);
  EXPECT_EQ(m.HistoIndex(), 32767);
  EXPECT_EQ(m.BinScale(), 48.0f);  // no set-up, nothing cleared
  EXPECT_EQ(m.DisplayCounts()[25], 5);

  PropertyBag out;
  m.WriteProperties(out);
  EXPECT_EQ(out.Values().size(), 4u);
  EXPECT_EQ(out.ReadProperty("MidValue", 0), 50.0);
}

struct FrameRow {
  double w, h, ybase, xr;
};
class FrameGeometry : public ::testing::TestWithParam<FrameRow> {};

TEST_P(FrameGeometry, RoundsHalfToEven) {
  const FrameRow& r = GetParam();
  const histogram::Frame f = histogram::FrameOf(r.w, r.h);
  EXPECT_EQ(f.ybase, r.ybase);
  EXPECT_EQ(f.xr, r.xr);
  EXPECT_EQ(f.labelY[2], r.ybase - 126);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FrameGeometry,
                         ::testing::Values(FrameRow{kW, kH, 130, 167},
                                           FrameRow{181, 145.5, 130, 168},
                                           FrameRow{180, 144.5, 130, 166}));

TEST(HI1Geometry, OuterUnitsStayInsideTheFrame) {
  const histogram::Frame f = histogram::FrameOf(kW, kH);
  EXPECT_EQ(histogram::UnitOf(0, 1, kH).x1, 13.5);
  const histogram::Unit last = histogram::UnitOf(50, HI1Model::kMaxUnits, kH);
  EXPECT_EQ(last.x2, 165.0);  // half width
  EXPECT_LT(last.x2, f.right);
  EXPECT_GT(last.y - 0.5, f.top);  // the 126th unit still lies inside
}

}  // namespace
