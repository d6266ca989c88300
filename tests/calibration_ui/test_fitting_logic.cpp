// The calibration window's rules without Qt: field texts, keypad entry, the point number
// and the fit's view.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calibration/FittingLogic.h"

namespace orlix {
namespace {

// ---- field texts ---------------------------------------------------------------------

struct TextRow {
  const char* name;
  std::string text;
  std::string expected;
};

class FieldText : public ::testing::TestWithParam<TextRow> {};

TEST_P(FieldText, Reads) { EXPECT_EQ(GetParam().text, GetParam().expected); }

const std::string kPlusMinus = "\xC2\xB1";  // U+00B1 in UTF-8

INSTANTIATE_TEST_SUITE_P(
    Fitting, FieldText,
    ::testing::Values(TextRow{"NegativeCoefficient", CoefficientText(1, -0.115), " A1=-0.115"},
                      TextRow{"CoefficientRounds", CoefficientText(2, 61.23456), " A2=61.235"},
                      TextRow{"TinyNegativeIsZero", CoefficientText(0, -1e-12), " A0=0.0"},
                      TextRow{"ZeroDeviation", DeviationText(0.0), kPlusMinus + "0.000"},
                      TextRow{"DeviationRounds", DeviationText(2.34567), kPlusMinus + "2.346"},
                      TextRow{"ShownThicknessRounds", PointValueText(1.26), "1.3"},
                      TextRow{"PointNumberTwoDigits", PointNumberText(15), "15"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- keypad entry --------------------------------------------------------------------

constexpr float kCount = 4373.0f;

struct KeyRow {
  const char* name;
  double storedThickness;  // point 1 before the keys
  std::vector<std::int16_t> keys;
  std::string text;            // the thickness field afterwards
  std::int16_t pointNumber;    // afterwards
  std::int16_t showingStored;  // afterwards
  double thickness1;           // point 1's thickness afterwards
  double intensity1;           // point 1's intensity afterwards
  int counts;                  // counts taken
};

class KeypadEntry : public ::testing::TestWithParam<KeyRow> {};

TEST_P(KeypadEntry, FollowsTheRules) {
  const KeyRow& row = GetParam();
  CalibrationData data;
  data.Thickness[0] = row.storedThickness;
  data.Intensity[0] = 900.0;
  data.Thickness[1] = 8.0;
  data.Intensity[1] = 2.0;
  PointEntry entry(data);
  int counts = 0;
  const auto readCount = [&counts] {
    ++counts;
    return kCount;
  };
  for (const std::int16_t k : row.keys) entry.Key(k, readCount);
  EXPECT_EQ(entry.ThicknessText(), row.text);
  EXPECT_EQ(entry.PointNumber(), row.pointNumber);
  EXPECT_EQ(entry.ShowingStored(), row.showingStored);
  EXPECT_DOUBLE_EQ(data.Thickness[0], row.thickness1);
  EXPECT_DOUBLE_EQ(data.Intensity[0], row.intensity1);
  EXPECT_EQ(counts, row.counts);
}

INSTANTIATE_TEST_SUITE_P(
    Fitting, KeypadEntry,
    ::testing::Values(
        // The first key after a shown point clears it and starts afresh.
        KeyRow{"FreshEntry", 5.0, {1, 2, 0, kKeyPoint, 5}, "120.5", 1, kFalse16, 0.0, 0.0, 0},
        KeyRow{"LeadingNumberOnly",
               5.0,
               {1, kKeyPoint, kKeyPoint, 5, kKeyEnter},
               "8.0",
               2,
               kTrue16,
               1.0,
               kCount,
               1},
        KeyRow{"UnknownKeyIgnored", 5.0, {12, -1}, "5.0", 1, kTrue16, 5.0, 900.0, 0},
        // A shown thickness of eight characters refuses "Enter" too.
        KeyRow{"LongShownValueRefusesEnter",
               123456.0,
               {kKeyEnter},
               "123456.0",
               1,
               kTrue16,
               123456.0,
               900.0,
               0}),
    [](const auto& info) { return std::string(info.param.name); });

struct WrapRow {
  int enters;
  std::int16_t pointNumber;
  std::int16_t fitCount;
};

class PointNumberWrap : public ::testing::TestWithParam<WrapRow> {};

TEST_P(PointNumberWrap, FitCountKeepsAllEnteredPoints) {
  CalibrationData data;
  PointEntry entry(data);
  EXPECT_FALSE(entry.AnyEntered());
  for (int i = 0; i < GetParam().enters; ++i) entry.Key(kKeyEnter, [] { return kCount; });
  EXPECT_EQ(entry.PointNumber(), GetParam().pointNumber);
  EXPECT_EQ(entry.PointNumberText(), PointNumberText(GetParam().pointNumber));
  EXPECT_EQ(entry.FitCount(), GetParam().fitCount);
  EXPECT_EQ(entry.AnyEntered(), GetParam().enters > 0);
  entry.Open();
  EXPECT_EQ(entry.FitCount(), 0);
  EXPECT_FALSE(entry.AnyEntered());
}

INSTANTIATE_TEST_SUITE_P(Fitting, PointNumberWrap,
                         ::testing::Values(WrapRow{0, 1, 0}, WrapRow{1, 2, 1}, WrapRow{14, 15, 14},
                                           WrapRow{15, 1, 15}, WrapRow{16, 2, 15},
                                           WrapRow{31, 2, 15}));

// ---- curve and fit view ----------------------------------------------------------------

TEST(CurveSteps, RunsFromZeroToTheLargestIntensityInclusive) {
  for (const double max : {4.0, 4373.0, 0.3}) {
    const std::vector<double> xs = CurveSteps(max);
    ASSERT_EQ(xs.size(), 251u) << max;
    EXPECT_EQ(xs.front(), 0.0);
    EXPECT_EQ(xs.back(), max);
    EXPECT_NEAR(xs[125], max / 2, max * 1e-15);
    for (std::size_t i = 1; i < xs.size(); ++i) EXPECT_LT(xs[i - 1], xs[i]);
  }
  for (const double bad : {0.0, -4.0, std::nan(""), HUGE_VAL})
    EXPECT_TRUE(CurveSteps(bad).empty()) << bad;
}

CalibrationData Cube() {
  CalibrationData data;
  data.PointCount = 4;
  for (int i = 0; i < 4; ++i) {
    data.Intensity[static_cast<std::size_t>(i)] = i + 1;
    data.Thickness[static_cast<std::size_t>(i)] = (i + 1) * (i + 1) * (i + 1);
  }
  return data;
}

TEST(FitForView, CubeShowsItsPointsAndCurve) {
  CalibrationData data = Cube();
  const FitView view = FitForView(data);
  ASSERT_TRUE(view.shown);
  EXPECT_EQ(view.intensityMax, 4.0);
  EXPECT_EQ(view.thicknessMax, 64.0);
  ASSERT_EQ(view.circles.size(), 4u);
  EXPECT_EQ(view.circles[2], GraphPoint(3.0f, 27.0f));
  ASSERT_EQ(view.dots.size(), 251u);
  EXPECT_NEAR(view.dots.back().second, 64.0f, 1e-4f);
  EXPECT_NEAR(view.dots[125].second, 8.0f, 1e-4f);  // t(2) = 8
}

TEST(FitForView, ClearedPointCountsInTheDeviationButNotInTheFit) {
  CalibrationData data = Cube();
  data.PointCount = 5;
  data.Thickness[4] = 10.0;  // intensity 0: a point left empty after "Del"
  const FitView view = FitForView(data);
  ASSERT_TRUE(view.shown);
  EXPECT_EQ(view.coefficients[3], " A3=1.0");  // as without the point
  // The cube passes through (0, 0): the empty point adds 10² over n − 1 = 4.
  EXPECT_EQ(view.deviation, kPlusMinus + "5.000");
  EXPECT_EQ(view.circles.size(), 5u);
}

struct FailRow {
  const char* name;
  std::int16_t pointCount;
  std::vector<double> intensities;
};

class FitForViewFails : public ::testing::TestWithParam<FailRow> {};

TEST_P(FitForViewFails, KeepsTheCoefficientsInUse) {
  CalibrationData data = Cube();
  for (std::size_t i = 0; i < GetParam().intensities.size(); ++i) {
    data.Intensity[i] = GetParam().intensities[i];
  }
  data.PointCount = GetParam().pointCount;
  data.Coef = {61.0, -2.5, 0.0, 0.0};
  const FitView view = FitForView(data);
  EXPECT_FALSE(view.shown);
  EXPECT_EQ(view.failed, kTrue16);
  EXPECT_TRUE(view.deviation.empty());
  EXPECT_TRUE(view.dots.empty());
  EXPECT_EQ(data.Coef, (Coefficients{61.0, -2.5, 0.0, 0.0}));
}

INSTANTIATE_TEST_SUITE_P(Fitting, FitForViewFails,
                         ::testing::Values(FailRow{"NoPoints", 0, {}}, FailRow{"OnePoint", 1, {}},
                                           FailRow{"ThreeDistinct", 4, {1, 2, 3, 3}},
                                           FailRow{"AllEmpty", 4, {0, 0, 0, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orlix
