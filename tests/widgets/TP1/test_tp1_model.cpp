#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "widgets/TP1/TP1Model.h"

using namespace orlix;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct BarRow {
  float mid;
  float scale;
  float value;
  int expected;
};

class BarLengthTest : public ::testing::TestWithParam<BarRow> {};

// Bars are taken through the model as the widget does: a fresh scale, then one value.
TEST_P(BarLengthTest, PlotsOneBar) {
  const BarRow& row = GetParam();
  TP1Model model;
  model.SetMidValue(row.mid);
  model.SetScalelength(row.scale);
  model.Redraw();
  const TP1Model::Point point = model.Plot(row.value);
  EXPECT_EQ(point.d, row.expected) << row.value << " against " << row.mid << " / " << row.scale;
  EXPECT_EQ(point.x, 1);
  EXPECT_FALSE(point.redrawn);
}

INSTANTIATE_TEST_SUITE_P(
    Deviations, BarLengthTest,
    ::testing::Values(
        // 12 pixels per S = 60: one S up, on the set-point, two S down, clamped up.
        BarRow{120, 50, 180, 12}, BarRow{120, 50, 120, 0}, BarRow{120, 50, 0, -24},
        BarRow{120, 50, 400, 30}, BarRow{120, 50, -1000, -30},
        // Less than S/24 either way rounds to no bar; S/24 itself is one pixel.
        BarRow{120, 50, 122.4f, 0}, BarRow{120, 50, 117.6f, 0}, BarRow{120, 50, 122.5f, 1},
        // MidValue 0 makes S = 1: one micrometre spans 12 pixels.
        BarRow{0, 50, 1, 12}, BarRow{0, 50, -2, -24}, BarRow{120, 0, 121, 12},
        // Values no scale can hold: clamped, NaN on the lower end.
        BarRow{120, 50, kInf, 30}, BarRow{120, 50, -kInf, -30}, BarRow{120, 50, kNaN, -30},
        BarRow{120, 50, 3e38f, 30}, BarRow{kNaN, 50, 120, -30}, BarRow{kInf, 50, 120, -30},
        BarRow{120, kNaN, 120, -30},
        // A negative scale unit turns the bars over.
        BarRow{-120, 50, -60, -12}));

TEST(TP1ScaleTest, FreshScaleHasCentreLineTicksAndNumbers) {
  const tp1::ScalePicture scale = tp1::ScaleFor(601, 65);
  EXPECT_EQ(scale.y0, 32);
  ASSERT_EQ(scale.lines.size(), 1u + 11u + 119u);
  EXPECT_EQ(scale.lines[0], (tp1::PixelRect{0, 32, 601, 1}));
  // The long tick at 50 reaches from 7 above the line to 25 below it (end excluded).
  EXPECT_EQ(scale.lines[1], (tp1::PixelRect{50, 25, 1, 32}));
  EXPECT_EQ(scale.lines[11], (tp1::PixelRect{550, 25, 1, 32}));
  EXPECT_EQ(scale.lines[12], (tp1::PixelRect{5, 29, 1, 6}));
  EXPECT_EQ(scale.lines.back(), (tp1::PixelRect{595, 29, 1, 6}));
  ASSERT_EQ(scale.labels.size(), 11u);
  EXPECT_EQ(scale.labels[0].text, "50");
  EXPECT_EQ(scale.labels[0].left, 52);
  EXPECT_EQ(scale.labels[0].top, 49);
  EXPECT_EQ(scale.labels[10].text, "550");
  for (const auto& line : scale.lines) {
    EXPECT_GE(line.left, 0);
    EXPECT_GE(line.top, 0);
    EXPECT_LE(line.left + line.width, 601);
    EXPECT_LE(line.top + line.height, 65);
  }
}

struct RectRow {
  int d;
  tp1::PixelRect expected;
};

class BarRectTest : public ::testing::TestWithParam<RectRow> {};

TEST_P(BarRectTest, RunsFromTheCentreLineWithoutItsEnd) {
  EXPECT_EQ(tp1::BarRect(7, 32, GetParam().d), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Bars, BarRectTest,
                         ::testing::Values(RectRow{12, {7, 21, 1, 12}},
                                           RectRow{-24, {7, 32, 1, 24}}, RectRow{30, {7, 3, 1, 30}},
                                           RectRow{-30, {7, 32, 1, 30}},
                                           RectRow{0, {7, 32, 0, 0}}));

TEST(TP1TraceTest, FirstPointAfterRedrawIsAtOneAndTheSixHundredthClears) {
  TP1Model model;
  model.Redraw();
  EXPECT_EQ(model.Counter(), 0);
  for (int i = 1; i <= 599; ++i) {
    const TP1Model::Point p = model.Plot(180);
    ASSERT_EQ(p.x, i);
    ASSERT_FALSE(p.redrawn);
  }
  EXPECT_EQ(model.Bars().size(), 599u);
  const TP1Model::Point wrap = model.Plot(0);
  EXPECT_TRUE(wrap.redrawn);
  EXPECT_EQ(wrap.x, 0);
  EXPECT_EQ(wrap.d, -24);
  ASSERT_EQ(model.Bars().size(), 1u);
  EXPECT_EQ(model.Bars()[0].x, 0);
  EXPECT_EQ(model.Plot(120).x, 1);
}

TEST(TP1TraceTest, FullCanvasRestartsOnTheStoredProperties) {
  TP1Model model;
  model.Demonstrate();  // scale of 120 / 50
  PropertyBag bag;
  bag.WriteProperty("MidValue", 200, 120);
  bag.WriteProperty("Scalelength", 10, 50);
  model.ReadProperties(bag);
  EXPECT_FLOAT_EQ(model.Scale(), 60.0f);  // loading does not redraw
  const TP1Model::Point p = model.Plot(220);
  EXPECT_TRUE(p.redrawn);
  EXPECT_FLOAT_EQ(model.Scale(), 20.0f);
  EXPECT_EQ(p.d, 12);
}

TEST(TP1TraceTest, DemonstrationDrawsFourSinePeriods) {
  TP1Model model;
  model.Demonstrate();
  EXPECT_EQ(model.Counter(), 599);
  EXPECT_FLOAT_EQ(model.Scale(), 60.0f);
  const auto bars = model.Bars();
  ASSERT_EQ(bars.size(), 599u);
  EXPECT_EQ(bars.front().x, 1);
  EXPECT_EQ(bars.back().x, 599);
  int highest = 0, lowest = 0, upCrossings = 0;
  for (std::size_t i = 0; i < bars.size(); ++i) {
    highest = std::max(highest, bars[i].d);
    lowest = std::min(lowest, bars[i].d);
    if (i > 0 && bars[i - 1].d <= 0 && bars[i].d > 0) ++upCrossings;
  }
  EXPECT_EQ(highest, 12);
  EXPECT_EQ(lowest, -12);
  EXPECT_EQ(upCrossings, 4);
  // Demonstrating does not set the properties.
  EXPECT_FALSE(model.Changed());
}

struct ScrollRow {
  int left;
  tp1::ScrollDirection direction;
  int expected;
};

class ScrollTest : public ::testing::TestWithParam<ScrollRow> {};

TEST_P(ScrollTest, StopsAtBothEdges) {
  EXPECT_EQ(tp1::ScrolledLeft(GetParam().left, GetParam().direction, 289, 601),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Steps, ScrollTest,
                         ::testing::Values(ScrollRow{0, tp1::ScrollDirection::Right, 0},
                                           ScrollRow{-1, tp1::ScrollDirection::Right, 0},
                                           ScrollRow{0, tp1::ScrollDirection::Left, -1},
                                           ScrollRow{-311, tp1::ScrollDirection::Left, -312},
                                           ScrollRow{-312, tp1::ScrollDirection::Left, -312},
                                           ScrollRow{-312, tp1::ScrollDirection::Right, -311}));

TEST(TP1PropertiesTest, DefaultsAndRoundTrip) {
  TP1Model model;
  PropertyBag empty;
  model.ReadProperties(empty);
  EXPECT_EQ(model.MidValue(), 120.0f);
  EXPECT_EQ(model.Scalelength(), 50.0f);
  EXPECT_EQ(model.CurrentValue(), 0.0f);
  PropertyBag written;
  model.WriteProperties(written);
  EXPECT_TRUE(written.Values().empty());

  model.SetMidValue(87.5f);
  model.SetScalelength(12.25f);
  model.SetCurrentValue(90.1f);
  EXPECT_TRUE(model.Changed());
  model.WriteProperties(written);
  EXPECT_DOUBLE_EQ(written.ReadProperty("MidValue", 0), 87.5);
  TP1Model loaded;
  loaded.Demonstrate();
  loaded.ReadProperties(written);
  EXPECT_EQ(loaded.MidValue(), 87.5f);
  EXPECT_EQ(loaded.Scalelength(), 12.25f);
  EXPECT_EQ(loaded.CurrentValue(), 90.1f);
  EXPECT_EQ(loaded.Counter(), 599);  // the trace stays
}

TEST(TP1PropertiesTest, OutOfRangeStoredValuesBecomeInfinities) {
  PropertyBag bag;
  bag.WriteProperty("MidValue", 1e300, 120);
  bag.WriteProperty("Scalelength", -1e300, 50);
  TP1Model model;
  model.ReadProperties(bag);
  EXPECT_EQ(model.MidValue(), kInf);
  EXPECT_EQ(model.Scalelength(), -kInf);
  model.Redraw();
  EXPECT_EQ(model.Plot(1).d, -30);
}

}  // namespace
