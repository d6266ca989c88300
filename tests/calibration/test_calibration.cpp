// Calibration: the cubic fit against exact references, the coefficients and points files,
// and the calibration window's entry rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

#include "base/BoundedRead.h"
#include "calibration/CoefFile.h"
#include "calibration/FittingLogic.h"
#include "calibration/PointsFile.h"
#include "tests/support/FakePlatform.h"

#define ROWS(...) std::vector({__VA_ARGS__})  // the first row names the type: tuple{1, "a"}

namespace orlix {
namespace {

using testing::MemoryFileAccess;
using Points = std::vector<std::pair<double, double>>;  // (intensity, thickness)

CalibrationData Record(const Points& points) {
  CalibrationData data;
  data.PointCount = static_cast<std::int16_t>(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    data.Intensity[i] = points[i].first;
    data.Thickness[i] = points[i].second;
  }
  return data;
}
const Points kCube = {{1, 1}, {2, 8}, {3, 27}, {4, 64}};

// fit_reference.txt (made by tools/make_fit_reference.py in exact rational arithmetic):
// groups of point sets, each with the exact least-squares value at every point, the error
// that the exact coefficients rounded to double reach, and those rounded coefficients.
struct Reference {
  std::string group;
  double limit = 0;
  Points points;
  std::vector<double> fitted;
  std::vector<double> coef;
};
const std::vector<Reference>& References() {
  static const std::vector<Reference> cases = [] {
    std::vector<Reference> out;
    std::ifstream in(FIT_REFERENCE_FILE);
    for (std::string tag; in >> tag;) {
      if (tag == "case") {
        int n = 0;
        out.emplace_back();
        in >> out.back().group >> n >> out.back().limit;
      } else if (tag == "point") {
        double x = 0, y = 0, fitted = 0;
        in >> x >> y >> fitted;
        out.back().points.emplace_back(x, y);
        out.back().fitted.push_back(fitted);
      } else if (tag == "coef") {
        out.back().coef.resize(4);
        for (double& a : out.back().coef) in >> a;
      }
    }
    return out;
  }();
  return cases;
}

class FitReference : public ::testing::TestWithParam<std::size_t> {};
TEST_P(FitReference, MatchesTheExactLeastSquaresCubic) {
  ASSERT_EQ(References().size(), 160u) << "missing or changed: " FIT_REFERENCE_FILE;
  const Reference& c = References()[GetParam()];
  CalibrationData data = Record(c.points);
  std::int16_t failed = 99;
  FitPoly3(data, failed);
  ASSERT_EQ(failed, kFalse16) << c.group;
  double largest = 0, error = 0;
  for (std::size_t i = 0; i < c.points.size(); ++i) {
    largest = std::max(largest, std::fabs(c.points[i].second));
    error = std::max(error, std::fabs(EvalPoly3(data, c.points[i].first) - c.fitted[i]));
  }
  EXPECT_LE(error / largest, 1e-6) << c.group << ", n = " << c.points.size();
  // The solve in double-double keeps the coefficients themselves to their last bits: none
  // further than 16 units in the last place from the exact one rounded (14 in the worst
  // case here, a few counts next to far ones; 0 in every other group).
  ASSERT_EQ(c.coef.size(), 4u);
  for (std::size_t k = 0; k < 4; ++k) {
    const double exact = std::fabs(c.coef[k]);
    EXPECT_LE(std::fabs(data.Coef[k] - c.coef[k]), 16 * (std::nextafter(exact, HUGE_VAL) - exact))
        << c.group << " A" << k;
  }
}
INSTANTIATE_TEST_SUITE_P(Cases, FitReference, ::testing::Range<std::size_t>(0, 160));

// Rows: the points, the count (kAll: as many as there are points) and the fit's result.
TEST(Fit, FailsWithFewerThanFourDistinctValidIntensitiesAndKeepsTheCoefficients) {
  constexpr std::int16_t kAll = std::numeric_limits<std::int16_t>::min();
  for (const auto& [name, points, pointCount, result] :
       ROWS(std::tuple{"cube", kCube, kAll, kFalse16},
            {"cube with skipped points",
             {{1, 1}, {0, 99}, {2, 8}, {-3, 7}, {3, 27}, {NAN, 1}, {INFINITY, 2}, {4, 64}},
             kAll,
             kFalse16},
            {"three distinct", {{1, 1}, {2, 8}, {3, 27}, {3, 27}}, kAll, kTrue16},
            {"count beyond the points", kCube, 3, kTrue16}, {"negative count", kCube, -5, kTrue16},
            {"all empty", {{0, 1}, {0, 2}, {0, 3}, {0, 4}}, kAll, kTrue16})) {
    CalibrationData data = Record(points);
    if (pointCount != kAll) data.PointCount = pointCount;
    data.Coef = {61, -2.5, 0, 0};
    data.NormalMatrix[1][2] = 42;
    std::int16_t failed = 99;
    EXPECT_EQ(FitAndCommit(data, failed), result == kFalse16) << name;
    EXPECT_EQ(failed, result) << name;
    if (failed == kTrue16) {
      EXPECT_EQ(data.Coef, (Coefficients{61, -2.5, 0, 0})) << name;
      EXPECT_EQ(data.NormalMatrix[1][2], 42) << name;
    } else {
      for (std::size_t k = 0; k < 4; ++k) EXPECT_NEAR(data.Coef[k], k == 3 ? 1 : 0, 1e-9) << k;
      EXPECT_NE(data.NormalMatrix[1][2], 42) << "the power sums of the fit are kept";
    }
  }
}

TEST(Fit, TwoHundredPointsAtMostAndRepeatedPointsWeighTwice) {
  CalibrationData data;
  for (std::size_t i = 0; i < kCalibrationCapacity; ++i) {
    data.Intensity[i] = 1000 + 10.0 * i;
    data.Thickness[i] = 0.5 * i;
  }
  data.PointCount = 32000;
  std::int16_t failed = 0;
  FitPoly3(data, failed);
  ASSERT_EQ(failed, kFalse16);
  EXPECT_NEAR(EvalPoly3(data, 2990), 99.5, 1e-9);
  EXPECT_EQ(data.NormalMatrix[0][0], 200) << "all 200 points, no more";
  const auto fit = [](const Points& p) {
    CalibrationData d = Record(p);
    std::int16_t f = 0;
    FitPoly3(d, f);
    return d;
  };
  const CalibrationData split = fit({{1, 1}, {2, 8}, {3, 25}, {3, 29}, {4, 64}, {5, 120}});
  const CalibrationData mean = fit({{1, 1}, {2, 8}, {3, 27}, {3, 27}, {4, 64}, {5, 120}});
  const CalibrationData once = fit({{1, 1}, {2, 8}, {3, 27}, {4, 64}, {5, 120}});
  for (std::size_t k = 0; k < 4; ++k) EXPECT_NEAR(split.Coef[k], mean.Coef[k], 1e-12) << k;
  EXPECT_GT(std::fabs(EvalPoly3(mean, 3) - EvalPoly3(once, 3)), 1e-3);
  CalibrationData again = mean;
  FitPoly3(again, failed);
  EXPECT_EQ(again.Coef, mean.Coef) << "a second fit gives the same result";
}

TEST(Fit, DeviationOverAllPointsWithNMinusOne) {
  CalibrationData data = Record({{1, 1}, {2, 8}, {3, 27}, {4, 64}, {0, 10}});
  data.PointCount = 2;
  data.Coef = {1, 0, 0, 0};
  EXPECT_DOUBLE_EQ(FitDeviation(data), 7.0);  // (1 − 1)² + (1 − 8)² over 1
  data.PointCount = 1;
  EXPECT_EQ(FitDeviation(data), 0.0);
}

TEST(CoefRead, ReadsWhatIsThereAndDefaultsTheRest) {
  for (const auto& [text, want] :
       ROWS(std::pair{std::string("1.5,2,0,0,"), Coefficients{1.5, 2, 0, 0}},
            {"1.5\r\n2\r\n0\r\n0\r\n", {1.5, 2, 0, 0}}, {" 1.5, 2 ,0,0,77,junk", {1.5, 2, 0, 0}},
            {"-1.25E+2,1e-7,3E0,-4.5e-12,", {-125, 1e-7, 3, -4.5e-12}}, {"", {0, 1, 0, 0}},
            {"61,-2.5", {61, -2.5, 0, 0}}, {"61,-2.5,abc,7,", {61, -2.5, 0, 0}},
            {"nan,inf,1,2,", {0, 1, 0, 0}},
            // The fourth number stands across the read bound.
            {"1.5,2,0," + std::string(kMaxDataFileBytes - 11, ' ') + "12345,", {1.5, 2, 0, 0}})) {
    MemoryFileAccess files;
    files.files[kCoefficientFile] = text;
    Coefficients coef = {9, 9, 9, 9};
    CoefFile(files).ReadCoefficients(coef);
    EXPECT_EQ(coef, want) << text;
  }
}

TEST(CoefFile, WritesOneLineAndKeepsTheOldFileWhenItCannot) {
  MemoryFileAccess files;
  CalibrationData data;
  CoefFile(files).ReadCoefficients(data);
  EXPECT_EQ(data.Coef, (Coefficients{0, 1, 0, 0})) << "no file: thickness = intensity";
  data.Coef = {1.0 / 3.0, -1e20, 1.25e-7, -123456.789};
  ASSERT_TRUE(CoefFile(files).WriteCoefficients(data));
  EXPECT_EQ(files.files[kCoefficientFile], "0.333333333333333,-1E+20,1.25E-07,-123456.789,");
  files.failReplace = true;
  EXPECT_FALSE(CoefFile(files).WriteCoefficients(data));
  EXPECT_EQ(files.files[kCoefficientFile], "0.333333333333333,-1E+20,1.25E-07,-123456.789,");
}

std::string Announced(int count, int present) {
  std::string text = " " + std::to_string(count) + " \r\n";
  for (int i = 1; i <= present; ++i)
    text += std::to_string(i) + "," + std::to_string(i + 1) + "\r\n";
  return text;
}

// Rows: the text ("-" for no file), the count read, the points i = 1..read that hold (i, i + 1),
// and the point up to which the rest read as 0; above it they keep what they held.
TEST(PointsRead, EndsTheReadWithWhatWasRead) {
  for (const auto& [text, pointCount, read, cleared] :
       ROWS(std::tuple{std::string("-"), 15, 0, 15}, {Announced(3, 3), 3, 3, 15},
            {Announced(250, 250), 200, 200, 200}, {Announced(5, 2), 5, 2, 15},
            {Announced(40, 20), 40, 20, 40}, {" 3 \r\n1,2\r\nabc,4\r\n5,6\r\n", 3, 1, 15},
            {"three\r\n1,2\r\n", 15, 0, 15}, {"-3\r\n1,2\r\n", 0, 0, 15},
            {"2.4\r\n1,2\r\n2,3\r\n3,4\r\n", 2, 2, 15},
            {Announced(3, 2) + std::string(3 * kMaxDataFileBytes, '7'), 3, 2, 15})) {
    MemoryFileAccess files;
    if (text != "-") files.files[kPointsFile] = text;
    CalibrationData data;
    data.PointCount = 77;
    for (std::size_t i = 0; i < kCalibrationCapacity; ++i) {
      data.Thickness[i] = 1000.0 + double(i);
      data.Intensity[i] = 5000.0 + double(i);
    }
    PointsFile(files).ReadPoints(data);
    const std::string row = text.substr(0, 24);
    EXPECT_EQ(data.PointCount, pointCount) << row;
    for (std::size_t i = 0; i < kCalibrationCapacity; ++i) {
      const int n = int(i) + 1;
      const double t = n <= read ? n : n <= cleared ? 0 : 1000.0 + double(i);
      const double x = n <= read ? n + 1 : n <= cleared ? 0 : 5000.0 + double(i);
      ASSERT_EQ(data.Thickness[i], t) << "point " << n << " of " << row;
      ASSERT_EQ(data.Intensity[i], x) << "point " << n << " of " << row;
    }
  }
}

TEST(PointsFile, WritesCountAndPointLinesAndReadsThemBack) {
  MemoryFileAccess files;
  CalibrationData data = Record({{4373, 120.5}, {3900.25, 150}, {1e-7, 0.1}, {9, 9}});
  for (const auto& [m, text] : std::vector<std::pair<int, std::string>>{
           {3, " 3 \r\n120.5,4373\r\n150,3900.25\r\n0.1,1E-07\r\n"},
           {0, " 0 \r\n"},
           {-4, " 0 \r\n"}}) {
    ASSERT_TRUE(PointsFile(files).WritePoints(data, static_cast<std::int16_t>(m)));
    EXPECT_EQ(files.files[kPointsFile], text);
  }
  for (std::size_t i = 0; i < 200; ++i) {
    data.Thickness[i] = 0.1 * double(i) + 1.0 / 3.0;
    data.Intensity[i] = 32767.0 - double(i) * 3.5;
  }
  ASSERT_TRUE(PointsFile(files).WritePoints(data, 200));
  CalibrationData back;
  PointsFile(files).ReadPoints(back);
  ASSERT_EQ(back.PointCount, 200);
  for (std::size_t i = 0; i < 200; ++i) {
    ASSERT_NEAR(back.Thickness[i], data.Thickness[i], 1e-13) << i;
    ASSERT_EQ(back.Intensity[i], data.Intensity[i]) << i;
  }
  files.files[kPointsFile] = " 2 \r\n1,2\r\n3";  // a thickness without its intensity
  PointsFile(files).ReadPoints(back);
  EXPECT_EQ(back.Thickness[1], 3);
  EXPECT_EQ(back.Intensity[1], 0);
  ASSERT_TRUE(PointsFile(files).WritePoints(data, 200));
  files.failReplace = true;
  EXPECT_FALSE(PointsFile(files).WritePoints(data, 0));
  EXPECT_EQ(files.files[kPointsFile].substr(0, 7), " 200 \r\n");
}

TEST(FittingTexts, CurveSteps) {
  for (const double max : {4.0, 4373.0, 0.3}) {
    const std::vector<double> xs = CurveSteps(max);
    ASSERT_EQ(xs.size(), 251u);
    EXPECT_EQ(xs.front(), 0.0);
    EXPECT_EQ(xs.back(), max);
    EXPECT_NEAR(xs[125], max / 2, max * 1e-15);
  }
  for (const double bad : {0.0, -4.0, double(NAN), HUGE_VAL})
    EXPECT_TRUE(CurveSteps(bad).empty()) << bad;
}

constexpr float kCount = 4373.0f;

TEST(KeypadEntry, PointNumberWrapsAfterFifteenAndTheFitKeepsAllFifteen) {
  for (const auto& [enters, point, fitCount] : std::vector<std::array<int, 3>>{
           {0, 1, 0}, {1, 2, 1}, {14, 15, 14}, {15, 1, 15}, {16, 2, 15}}) {
    CalibrationData data;
    PointEntry entry(data);
    for (int i = 0; i < enters; ++i) entry.Key(kKeyEnter, [] { return kCount; });
    EXPECT_EQ(entry.PointNumber(), point) << enters;
    EXPECT_EQ(entry.FitCount(), fitCount) << enters;
    EXPECT_EQ(entry.AnyEntered(), enters > 0) << enters;
    entry.Open();
    EXPECT_EQ(entry.FitCount(), 0);
    EXPECT_FALSE(entry.AnyEntered());
  }
}

// Keys: digits and '.', 'E' Enter, 'x' and '-' keys beyond the keypad, 'C' clears the
// point, 'O' opens again. Points 1 and 2 start as (4000, 150.5) and (3000, 200). Rows: the keys,
// the fields afterwards, the intensity and thickness of points 1 and 2.
TEST(Keypad, FieldsAndStoredPoints) {
  for (const auto& [keys, point, thickness, intensity, stored] :
       ROWS(std::tuple{"", "1", "150.5", "4000.0", std::array<double, 4>{4000, 150.5, 3000, 200}},
            // the first key clears the point
            {"1", "1", "1", "", {0, 0, 3000, 200}},
            {"102.05E", "2", "200.0", "3000.0", {4373, 102.05, 3000, 200}},
            {"E", "2", "200.0", "3000.0", {4373, 150.5, 3000, 200}},
            {"E7.25", "2", "7.25", "", {4373, 150.5, 0, 0}},
            {"123456789E", "1", "12345678", "", {0, 0, 3000, 200}},
            {"x-5", "1", "5", "", {0, 0, 3000, 200}}, {"EC", "2", "", "", {4373, 150.5, 0, 0}},
            {"EO", "1", "150.5", "4373.0", {4373, 150.5, 3000, 200}},
            {"5O7", "1", "7", "", {0, 0, 3000, 200}})) {
    CalibrationData data = Record({{4000, 150.5}, {3000, 200}});
    PointEntry entry(data);
    for (const char* c = keys; *c; ++c) {
      if (*c == 'C')
        entry.ClearCurrentPoint();
      else if (*c == 'O')
        entry.Open();
      else {
        const int key = *c == 'E'   ? kKeyEnter
                        : *c == '.' ? kKeyPoint
                        : *c == 'x' ? 12
                        : *c == '-' ? -1
                                    : *c - '0';
        const bool ignored = key < 0 || key > 11 || entry.ThicknessText().size() == 8;
        EXPECT_EQ(entry.Key(static_cast<std::int16_t>(key), [] { return kCount; }) ==
                      PointEntry::KeyResult::Ignored,
                  ignored)
            << keys;
      }
    }
    EXPECT_EQ(entry.PointNumberText(), point) << keys;
    EXPECT_EQ(entry.ThicknessText(), thickness) << keys;
    EXPECT_EQ(entry.IntensityText(), intensity) << keys;
    EXPECT_EQ((std::array<double, 4>{data.Intensity[0], data.Thickness[0], data.Intensity[1],
                                     data.Thickness[1]}),
              stored)
        << keys;
  }
}

TEST(FitForView, ShowsPointsAndCurveOrKeepsTheCoefficientsInUse) {
  CalibrationData data = Record({{1, 1}, {2, 8}, {3, 27}, {4, 64}, {0, 10}});
  FitView view = FitForView(data);
  ASSERT_TRUE(view.shown);
  EXPECT_EQ(view.failed, kFalse16);
  // the empty point takes no part in the fit
  EXPECT_EQ(view.coefficients,
            (std::array<std::string, 4>{" A0=0.0", " A1=0.0", " A2=0.0", " A3=1.0"}));
  EXPECT_EQ(view.deviation, "\u00B15.000");  // but counts in the deviation
  EXPECT_EQ(view.intensityMax, 4.0);
  EXPECT_EQ(view.thicknessMax, 64.0);
  ASSERT_EQ(view.circles.size(), 5u);
  EXPECT_EQ(view.circles[2], GraphPoint(3.0f, 27.0f));
  ASSERT_EQ(view.dots.size(), 251u);
  EXPECT_NEAR(view.dots[125].second, 8.0f, 1e-4f);
  data.PointCount = 3;  // fewer than four: no curve, the coefficients in use stay
  data.Coef = {61.0, -2.5, 0.0, 0.0};
  view = FitForView(data);
  EXPECT_FALSE(view.shown);
  EXPECT_EQ(view.failed, kTrue16);
  EXPECT_TRUE(view.dots.empty());
  EXPECT_EQ(data.Coef, (Coefficients{61.0, -2.5, 0.0, 0.0}));
}

}  // namespace
}  // namespace orlix
