#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "widgets/GR1/XYGraphModel.h"

using namespace orlix::gr1;

namespace {

constexpr double kW = 162.75;  // design size in points
constexpr double kH = 114.75;
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

std::vector<std::string> Texts(const std::array<Label, 4>& labels) {
  std::vector<std::string> t;
  for (const Label& l : labels) t.push_back(l.text);
  return t;
}

// ---- Axes: grid, labels and scales ----

struct AxesRow {
  double W, H;
  float rx, ry;
  int w, h, dx, dy;
  std::array<double, 3> gridX, gridY;
  std::vector<std::string> xTexts, yTexts;
  std::array<double, 4> yLabelTops;
};

class AxesTest : public ::testing::TestWithParam<AxesRow> {};

TEST_P(AxesTest, GridLabelsAndScales) {
  const AxesRow& row = GetParam();
  float rx = row.rx;
  float ry = row.ry;
  const Axes a = DrawAxes(rx, ry, row.W, row.H);
  EXPECT_EQ(a.w, row.w);
  EXPECT_EQ(a.h, row.h);
  EXPECT_EQ(a.dx, row.dx);
  EXPECT_EQ(a.dy, row.dy);
  EXPECT_EQ(a.gridX, row.gridX);
  EXPECT_EQ(a.gridY, row.gridY);
  EXPECT_EQ(Texts(a.xLabels), row.xTexts);
  EXPECT_EQ(Texts(a.yLabels), row.yTexts);
  EXPECT_EQ(a.xScale, static_cast<float>(row.w) / rx);
  EXPECT_EQ(a.yScale, static_cast<float>(row.h) / ry);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(a.xLabels[static_cast<std::size_t>(k)].x, 30.0 + k * row.dx);
    EXPECT_EQ(a.xLabels[static_cast<std::size_t>(k)].y, row.H - 12);
    EXPECT_EQ(a.yLabels[static_cast<std::size_t>(k)].x, 5.0);
    EXPECT_EQ(a.yLabels[static_cast<std::size_t>(k)].y,
              row.yLabelTops[static_cast<std::size_t>(k)]);
  }
}

INSTANTIATE_TEST_SUITE_P(Surfaces, AxesTest,
                         ::testing::Values(
                             // W - 33 = 129.75 -> 130 and H - 18 = 96.75 -> 97 at the design size.
                             AxesRow{kW,
                                     kH,
                                     4.0f,
                                     10.0f,
                                     130,
                                     97,
                                     33,
                                     25,
                                     {63, 96, 129},
                                     {28, 53, 78},
                                     {"0", "1.02", "2.03", "3.05"},
                                     {"2.58", "5.15", "7.73", "10.31"},
                                     {76, 51, 26, 1}},
                             AxesRow{kW,
                                     kH,
                                     1000.0f,
                                     200.0f,
                                     130,
                                     97,
                                     33,
                                     25,
                                     {63, 96, 129},
                                     {28, 53, 78},
                                     {"0", "253.85", "507.69", "761.54"},
                                     {"51.55", "103.09", "154.64", "206.19"},
                                     {76, 51, 26, 1}},
                             // Halves round to even: 67.5 -> 68, 32.5 -> 32.
                             AxesRow{100.5,
                                     50.5,
                                     1.0f,
                                     1.0f,
                                     68,
                                     32,
                                     18,
                                     9,
                                     {48, 66, 84},
                                     {12, 21, 30},
                                     {"0", "0.26", "0.53", "0.79"},
                                     {"0.28", "0.56", "0.84", "1.13"},
                                     {27, 18, 9, 0}}));

// ---- Ranges that cannot be drawn become 1 ----

struct RangeRow {
  float range;
  float usable;
};

class RangeTest : public ::testing::TestWithParam<RangeRow> {};

TEST_P(RangeTest, UnusableRangesBecomeOne) {
  const RangeRow& row = GetParam();
  float rx = row.range;
  float ry = row.range;
  const Axes a = DrawAxes(rx, ry, kW, kH);
  EXPECT_EQ(rx, row.usable);
  EXPECT_EQ(ry, row.usable);
  EXPECT_TRUE(std::isfinite(a.xScale) && a.xScale > 0);
  EXPECT_TRUE(std::isfinite(a.yScale) && a.yScale > 0);
}

INSTANTIATE_TEST_SUITE_P(Ranges, RangeTest,
                         ::testing::Values(RangeRow{0.0f, 1.0f}, RangeRow{-5.0f, 1.0f},
                                           RangeRow{kNaN, 1.0f}, RangeRow{kInf, 1.0f},
                                           RangeRow{-kInf, 1.0f}, RangeRow{1e-45f, 1.0f},
                                           RangeRow{2.5f, 2.5f}, RangeRow{1e-20f, 1e-20f},
                                           RangeRow{3e38f, 3e38f}));

// ---- Points: clamped in place, always inside the frame ----

struct PointRow {
  float x, y;     // asked
  float cx, cy;   // read back
  double px, py;  // centre in points
};

class PointTest : public ::testing::TestWithParam<PointRow> {};

TEST_P(PointTest, ClampsAndPlaces) {
  const PointRow& row = GetParam();
  float rx = 10.0f;
  float ry = 20.0f;
  const Axes a = DrawAxes(rx, ry, kW, kH);  // 13 and 4.85 points per unit
  float x = row.x;
  float y = row.y;
  const Mark m = PlotPoint(x, y, MarkKind::Dot, a, rx, ry);
  EXPECT_EQ(x, row.cx);
  EXPECT_EQ(y, row.cy);
  EXPECT_EQ(m.x, row.px);
  EXPECT_EQ(m.y, row.py);
  EXPECT_GE(m.x, a.FrameLeft());
  EXPECT_LE(m.x, a.FrameRight());
  EXPECT_GE(m.y, a.FrameTop());
  EXPECT_LE(m.y, a.FrameBottom());
}

INSTANTIATE_TEST_SUITE_P(
    Points, PointTest,
    ::testing::Values(PointRow{5, 10, 5, 10, 95, 51.75},    // 65 and 48.5 -> 48
                      PointRow{0, 0, 0, 0, 30, 99.75},      // the frame's lower left corner
                      PointRow{15, 25, 10, 20, 159.75, 3},  // beyond: on the frame's edge
                      PointRow{10, 20, 10, 20, 159.75, 3},
                      PointRow{-1, -7, 0, 0, 30, 99.75},  // negative: at 0
                      PointRow{kNaN, kNaN, 0, 0, 30, 99.75},
                      PointRow{kInf, -kInf, 10, 0, 159.75, 99.75},
                      PointRow{0.1f, 0.3f, 0.1f, 0.3f, 31, 98.75}));

// ---- Read-out ----

struct ReadOutRow {
  float X, Y;
  const char* text;
};

class ReadOutTest : public ::testing::TestWithParam<ReadOutRow> {};

TEST_P(ReadOutTest, InsideTheFrameOnly) {
  const ReadOutRow& row = GetParam();
  float rx = 10.0f;
  float ry = 20.0f;
  const Axes a = DrawAxes(rx, ry, kW, kH);
  EXPECT_EQ(ReadOut(row.X, row.Y, a), row.text);
}

INSTANTIATE_TEST_SUITE_P(Positions, ReadOutTest,
                         ::testing::Values(ReadOutRow{30, 99.75f, "X=0.0  Y=0.0"},
                                           ReadOutRow{159.75f, 3, "X=10.0  Y=19.9"},
                                           ReadOutRow{29.75f, 50, ""},  // the y labels' margin
                                           ReadOutRow{95, 100.5f, ""},  // the x labels' margin
                                           ReadOutRow{95, 2.25f, ""}, ReadOutRow{160.5f, 50, ""}));

// ---- The graph's properties ----

TEST(XYGraph, StartsWithTheDemonstration) {
  const XYGraph g(kW, kH);
  EXPECT_EQ(g.XC(), 0.0f);
  EXPECT_EQ(g.Ymax(), 0.0f);
  EXPECT_EQ(g.XRange(), 4.0f);
  EXPECT_EQ(g.YRange(), 10.0f);
  int circles = 0;
  int dots = 0;
  for (const Mark& m : g.Marks()) (m.kind == MarkKind::Circle ? circles : dots)++;
  EXPECT_GE(circles, 9);
  EXPECT_LE(circles, 10);
  EXPECT_GE(dots, 60);  // dots of the flat tail share places
  // The first circle is 10·e^0 at x = 0: the top left corner of the frame.
  EXPECT_EQ(g.Marks().front().x, 30.0);
  EXPECT_EQ(g.Marks().front().y, 3.0);
  EXPECT_FALSE(g.PropertiesChanged());
}

// A range of 0 or less is drawn as 1, reads back as 1 and clips to 1.
TEST(XYGraph, RangeOfZeroOrLessIsOne) {
  XYGraph g(kW, kH);
  g.SetXC(0.0f);
  g.SetYmax(-4.0f);
  EXPECT_EQ(g.XC(), 1.0f);
  EXPECT_EQ(g.Ymax(), 1.0f);
  EXPECT_EQ(g.XRange(), 1.0f);
  EXPECT_EQ(g.YRange(), 1.0f);
  g.SetXC(3.0f);
  const Mark m = g.SetYpoint(0.5f);
  EXPECT_EQ(g.XC(), 1.0f);
  EXPECT_EQ(m.x, 159.75);
  EXPECT_EQ(m.y, 99.75 - 48);
}

TEST(XYGraph, RepeatedMarksAreKeptOnce) {
  XYGraph g(kW, kH);
  g.SetXC(10.0f);
  g.SetYmax(10.0f);
  for (int i = 0; i < 1000; ++i) {
    g.SetXC(static_cast<float>(i % 3));
    g.SetYpoint(1.0f);
  }
  g.SetXC(1.0f);
  g.SetYcircle(1.0f);
  g.SetYpoint(1.0f);  // a dot at x = 1 again, now over the circle
  ASSERT_EQ(g.Marks().size(), 4u);
  std::vector<std::pair<MarkKind, double>> order;
  for (const Mark& m : g.Marks()) order.emplace_back(m.kind, m.x);
  const std::vector<std::pair<MarkKind, double>> expected{{MarkKind::Dot, 56.0},
                                                          {MarkKind::Dot, 30.0},
                                                          {MarkKind::Circle, 43.0},
                                                          {MarkKind::Dot, 43.0}};
  EXPECT_EQ(order, expected);
}

TEST(Geometry, PixelOfPoints) {
  EXPECT_EQ(PixelOf(30), 40);
  EXPECT_EQ(PixelOf(63), 84);
  EXPECT_EQ(PixelOf(28), 37);
  EXPECT_EQ(PixelOf(99.75), 133);
  EXPECT_EQ(PixelOf(159.75), 213);
  EXPECT_EQ(PixelOf(2.25), 3);
}

}  // namespace
