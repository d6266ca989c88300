#include <gtest/gtest.h>

#include <optional>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "calibration/Poly3Fit.h"
#include "base/Format.h"

using namespace orlix;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Point {
  double intensity;
  double thickness;
};

CalibrationData Record(const std::vector<Point>& points) {
  CalibrationData data;
  data.PointCount = static_cast<std::int16_t>(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    data.Intensity[i] = points[i].intensity;
    data.Thickness[i] = points[i].thickness;
  }
  return data;
}

const std::vector<Point> kCube = {{1, 1}, {2, 8}, {3, 27}, {4, 64}};

// ---- The exact least-squares references ------------------------------------------------

struct ReferenceCase {
  std::string group;
  double limit = 0;  // best reachable error of a double cubic, relative to the largest y
  std::vector<Point> points;
  std::vector<double> fitted;  // exact least-squares value at each point
};

std::vector<ReferenceCase> LoadReferences() {
  std::ifstream in(FIT_REFERENCE_FILE);
  std::vector<ReferenceCase> cases;
  std::string line;
  auto number = [](std::istringstream& s) {
    std::string item;
    s >> item;
    const auto v = ParseListNumber(item);
    return v ? *v : kNaN;
  };
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string tag;
    s >> tag;
    if (tag == "case") {
      ReferenceCase c;
      int n = 0;
      s >> c.group >> n;
      c.limit = number(s);
      cases.push_back(c);
    } else if (tag == "point" && !cases.empty()) {
      const double x = number(s);
      const double y = number(s);
      cases.back().points.push_back({x, y});
      cases.back().fitted.push_back(number(s));
    }
  }
  return cases;
}

const std::vector<ReferenceCase>& References() {
  static const std::vector<ReferenceCase> cases = LoadReferences();
  return cases;
}

double LargestThickness(const ReferenceCase& c) {
  double m = 0;
  for (const auto& p : c.points) m = std::max(m, std::fabs(p.thickness));
  return m;
}

// Largest |t(x_i) − exact_i| over the points, relative to the largest thickness.
double RelativeError(const ReferenceCase& c, const Coefficients& coef) {
  double worst = 0;
  for (std::size_t i = 0; i < c.points.size(); ++i) {
    worst = std::max(worst, std::fabs(EvalPoly3(coef, c.points[i].intensity) - c.fitted[i]));
  }
  return worst / LargestThickness(c);
}

// What one unit in the last place of every coefficient moves t(x) at the worst point,
// relative to the largest thickness.
double LastPlaceScale(const ReferenceCase& c, const Coefficients& coef) {
  double worst = 0;
  for (const auto& p : c.points) {
    double terms = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      terms += std::fabs(coef[k]) * std::pow(p.intensity, static_cast<double>(k));
    }
    worst = std::max(worst, terms);
  }
  return worst * std::numeric_limits<double>::epsilon() / LargestThickness(c);
}

TEST(FitReference, FileHoldsEveryGroup) {
  const auto& cases = References();
  ASSERT_EQ(cases.size(), 160u) << "fit_reference.txt missing or changed: " FIT_REFERENCE_FILE;
  for (const char* group :
       {"wide", "cluster10", "cluster1", "noisy", "repeated", "fractional", "subclustered"}) {
    EXPECT_TRUE(std::any_of(cases.begin(), cases.end(), [&](const ReferenceCase& c) {
      return c.group == group;
    })) << group;
  }
  for (const auto& c : cases) {
    ASSERT_GE(c.points.size(), 4u);
    ASSERT_LE(c.points.size(), 200u);
    ASSERT_EQ(c.points.size(), c.fitted.size());
  }
}

class FitReferenceTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FitReferenceTest, MatchesTheExactLeastSquaresCubic) {
  const ReferenceCase& c = References().at(GetParam());
  CalibrationData data = Record(c.points);
  std::int16_t failed = 99;
  FitPoly3(data, failed);
  ASSERT_EQ(failed, kFalse16) << c.group;
  const double error = RelativeError(c, data.Coef);
  EXPECT_LE(error, 1e-6) << c.group << ", n = " << c.points.size();
  // Beyond what the exact coefficients rounded to double reach, no more than a few units in
  // the last place of each coefficient may show: a fit that is exact but for its rounding.
  EXPECT_LE(error, c.limit + 8 * LastPlaceScale(c, data.Coef))
      << c.group << ", n = " << c.points.size();
}

INSTANTIATE_TEST_SUITE_P(Cases, FitReferenceTest, ::testing::Range<std::size_t>(0, 160),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           const auto& cases = References();
                           const std::string group =
                               info.param < cases.size() ? cases[info.param].group : "missing";
                           return group + "_" + std::to_string(info.param);
                         });

// ---- Singular sets ------------------------------------------------------------------

struct SingularRow {
  const char* name;
  std::vector<Point> points;
  bool coefZero;  // every right-hand sum is zero
};

class SingularFitTest : public ::testing::TestWithParam<SingularRow> {};

TEST_P(SingularFitTest, SetsFailedTrue) {
  const auto& row = GetParam();
  CalibrationData data = Record(row.points);
  data.Coef = {7, 7, 7, 7};
  std::int16_t failed = 0;
  FitPoly3(data, failed);
  EXPECT_EQ(failed, kTrue16);
  if (row.coefZero) {
    EXPECT_EQ(data.Coef, (Coefficients{0, 0, 0, 0}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SingularFitTest,
    ::testing::Values(
        SingularRow{"NoPoints", {}, true},
        SingularRow{"AllIntensitiesZero", {{0, 10}, {0, 20}, {0, 30}, {0, 40}, {0, 50}}, true},
        SingularRow{"ThreeDistinct", {{1, 1}, {2, 8}, {3, 27}}, false},
        SingularRow{"ThreeDistinctRepeated", {{1, 1}, {2, 8}, {3, 27}, {2, 8.5}, {3, 26}}, false},
        SingularRow{
            "ThreeDistinctClusteredHigh", {{32765, 1}, {32766, 2}, {32767, 3}, {32767, 4}}, false},
        // Intensities whose powers do not come out exact even in double-double: the
        // rounded system is not singular, the exact one is.
        SingularRow{"ThreeDistinctFractional",
                    {{1000.1, 300}, {1234.567, 250}, {3210.987, 120}, {1234.567, 251}},
                    false},
        SingularRow{"FourthIsZero", {{1, 1}, {2, 8}, {3, 27}, {0, 64}}, false},
        SingularRow{"FourthIsNegative", {{1, 1}, {2, 8}, {3, 27}, {-4, 64}}, false},
        SingularRow{"FourthIsNaN", {{1, 1}, {2, 8}, {3, 27}, {kNaN, 64}}, false},
        SingularRow{"FourthIsInfinite", {{1, 1}, {2, 8}, {3, 27}, {kInf, 64}}, false},
        SingularRow{"ThicknessNaN", {{1, 1}, {2, 8}, {3, kNaN}, {4, 64}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Points that take no part -------------------------------------------------------

class SkippedPointTest : public ::testing::TestWithParam<double> {};

TEST_P(SkippedPointTest, DoesNotMoveTheFit) {
  const std::vector<Point> base = {{1000, 300}, {1500, 240}, {2200, 190}, {3100, 150}, {4000, 120}};
  CalibrationData plain = Record(base);
  std::vector<Point> with = base;
  with.insert(with.begin() + 2, {GetParam(), 555});
  CalibrationData extra = Record(with);
  std::int16_t failedPlain = 0, failedExtra = 0;
  FitPoly3(plain, failedPlain);
  FitPoly3(extra, failedExtra);
  ASSERT_EQ(failedPlain, kFalse16);
  ASSERT_EQ(failedExtra, kFalse16);
  EXPECT_EQ(extra.Coef, plain.Coef);
}

INSTANTIATE_TEST_SUITE_P(Intensities, SkippedPointTest,
                         ::testing::Values(0.0, -0.0, -250.0, kNaN, kInf, -kInf));

// ---- Small exact cases --------------------------------------------------------------

TEST(Fit, CubeGivesPureCube) {
  CalibrationData data = Record(kCube);
  std::int16_t failed = 99;
  FitPoly3(data, failed);
  EXPECT_EQ(failed, kFalse16);
  const Coefficients expected = {0, 0, 0, 1};
  for (std::size_t k = 0; k < 4; ++k) EXPECT_NEAR(data.Coef[k], expected[k], 1e-9) << k;
  EXPECT_NEAR(FitDeviation(data), 0.0, 1e-9);
}

std::optional<Coefficients> FittedCoefficients(CalibrationData data) {
  std::int16_t failed = kTrue16;
  if (!FitAndCommit(data, failed)) return std::nullopt;
  return data.Coef;
}

TEST(Fit, RepeatedIntensityWeighsAsTwoMeasurements) {
  // Two readings at one count pull the curve through their mean, with double weight.
  const std::vector<Point> split = {{1, 1}, {2, 8}, {3, 25}, {3, 29}, {4, 64}, {5, 120}};
  const std::vector<Point> mean = {{1, 1}, {2, 8}, {3, 27}, {3, 27}, {4, 64}, {5, 120}};
  const std::vector<Point> once = {{1, 1}, {2, 8}, {3, 27}, {4, 64}, {5, 120}};
  const auto a = FittedCoefficients(Record(split));
  const auto b = FittedCoefficients(Record(mean));
  const auto c = FittedCoefficients(Record(once));
  ASSERT_TRUE(a && b && c);
  for (std::size_t k = 0; k < 4; ++k) EXPECT_NEAR((*a)[k], (*b)[k], 1e-12) << k;
  // The doubled point counts twice: its weight changes the fit.
  EXPECT_GT(std::fabs(EvalPoly3(*b, 3) - EvalPoly3(*c, 3)), 1e-3);
}

TEST(Fit, SecondFitGivesTheSameResult) {
  CalibrationData data =
      Record({{4373, 120.5}, {3900, 150}, {3100, 210.25}, {2500, 260}, {2000, 330}});
  std::int16_t failed = 0;
  FitPoly3(data, failed);
  ASSERT_EQ(failed, kFalse16);
  const CalibrationData first = data;
  FitPoly3(data, failed);
  EXPECT_EQ(failed, kFalse16);
  EXPECT_EQ(data.Coef, first.Coef);
  EXPECT_EQ(data.NormalMatrix, first.NormalMatrix);
}

TEST(Fit, PointCountBeyondTheRecordIsBounded) {
  CalibrationData data;
  for (int i = 0; i < kCalibrationCapacity; ++i) {
    data.Intensity[static_cast<std::size_t>(i)] = 1000 + 10 * i;
    data.Thickness[static_cast<std::size_t>(i)] = 0.5 * i;
  }
  data.PointCount = 32000;
  std::int16_t failed = 0;
  FitPoly3(data, failed);
  ASSERT_EQ(failed, kFalse16);
  EXPECT_NEAR(EvalPoly3(data, 1000 + 10 * 199), 99.5, 1e-9);
  EXPECT_NEAR(data.NormalMatrix[0][0], 200, 0) << "all 200 points, no more";

  data.PointCount = -5;
  FitPoly3(data, failed);
  EXPECT_EQ(failed, kTrue16);
}

TEST(Fit, CoefficientsAreFiniteWhenTheFitSucceeds) {
  for (double scale : {1e-300, 1e-150, 1.0, 1e100, 1e200, 1e300}) {
    CalibrationData data = Record({{1 * scale, 1}, {2 * scale, 2}, {3 * scale, 4}, {4 * scale, 3}});
    std::int16_t failed = 0;
    FitPoly3(data, failed);
    if (failed == kFalse16) {
      for (double a : data.Coef) EXPECT_TRUE(std::isfinite(a)) << scale;
    }
  }
}

// ---- Fit on a copy, commit on success -----------------------------------------------

TEST(FitAndCommit, FailedFitKeepsTheCoefficientsInUse) {
  CalibrationData data = Record({{1, 1}, {2, 8}, {3, 27}});
  data.Coef = {61, -2.5, 0, 0};
  data.NormalMatrix[1][2] = 42;
  std::int16_t failed = 0;
  EXPECT_FALSE(FitAndCommit(data, failed));
  EXPECT_EQ(failed, kTrue16);
  EXPECT_EQ(data.Coef, (Coefficients{61, -2.5, 0, 0}));
  EXPECT_EQ(data.NormalMatrix[1][2], 42);
  EXPECT_FALSE(FittedCoefficients(data).has_value());
}

TEST(FitAndCommit, SuccessfulFitReplacesThem) {
  CalibrationData data = Record(kCube);
  data.Coef = {61, -2.5, 0, 0};
  std::int16_t failed = 0;
  EXPECT_TRUE(FitAndCommit(data, failed));
  EXPECT_EQ(failed, kFalse16);
  EXPECT_NEAR(data.Coef[3], 1, 1e-9);
  EXPECT_NEAR(data.Coef[0], 0, 1e-9);
  EXPECT_EQ(data.Coef, FittedCoefficients(data).value());
  EXPECT_EQ(data.PointCount, 4) << "the points stay as they were";
}

// ---- Deviation ----------------------------------------------------------------------

struct DeviationRow {
  const char* name;
  std::vector<Point> points;
  double expected;
};

class DeviationTest : public ::testing::TestWithParam<DeviationRow> {};

TEST_P(DeviationTest, OverAllPoints) {
  const auto& row = GetParam();
  CalibrationData data = Record(row.points);
  std::int16_t failed = 0;
  FitPoly3(data, failed);
  ASSERT_EQ(failed, kFalse16);
  EXPECT_NEAR(FitDeviation(data), row.expected, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeviationTest,
    ::testing::Values(
        DeviationRow{"ExactCube", kCube, 0.0},
        // The zero-intensity point leaves the cube and adds (A0 − 5)² = 25 over n − 1 = 4.
        DeviationRow{"ZeroIntensityCounts", {{1, 1}, {2, 8}, {0, 5}, {3, 27}, {4, 64}}, 2.5},
        // Five points on a line, the middle one lifted by 10: the cubic leaves the part of
        // the lift along the fourth difference (1, -4, 6, -4, 1), residuals 6/7 of it, a
        // sum of squares of 360/7 over n − 1 = 4.
        DeviationRow{
            "OneOutlier", {{1, 1}, {2, 2}, {3, 13}, {4, 4}, {5, 5}}, std::sqrt(360.0 / 7.0 / 4.0)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Deviation, FewerThanTwoPointsGiveZero) {
  CalibrationData data = Record({{5, 7}});
  data.Coef = {1, 0, 0, 0};
  EXPECT_EQ(FitDeviation(data), 0.0);
}

}  // namespace
