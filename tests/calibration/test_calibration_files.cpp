#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "base/BoundedRead.h"
#include "calibration/CoefFile.h"
#include "calibration/PointsFile.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;
using orlix::testing::MemoryFileAccess;

namespace {

// ---- Coefficients file --------------------------------------------------------------

TEST(CoefFile, MissingFileGivesThicknessEqualToIntensity) {
  MemoryFileAccess files;
  CalibrationData data;
  data.Coef = {9, 9, 9, 9};
  CoefFile(files).ReadCoefficients(data);
  EXPECT_EQ(data.Coef, (Coefficients{0, 1, 0, 0}));
  EXPECT_FALSE(files.Exists(kCoefficientFile)) << "reading must not create the file";
}

TEST(CoefFile, UnreadableFileGivesTheDefaults) {
  MemoryFileAccess files;
  files.files[kCoefficientFile] = "61,-2.5,0,0,";
  files.failReads = true;
  Coefficients coef = {9, 9, 9, 9};
  CoefFile(files).ReadCoefficients(coef);
  EXPECT_EQ(coef, kDefaultCoefficients);
}

struct CoefTextRow {
  const char* name;
  std::string text;
  Coefficients expected;
};

class CoefReadTest : public ::testing::TestWithParam<CoefTextRow> {};

TEST_P(CoefReadTest, ReadsWhatIsThereAndDefaultsTheRest) {
  const auto& row = GetParam();
  MemoryFileAccess files;
  files.files[kCoefficientFile] = row.text;
  CalibrationData data;
  data.Coef = {9, 9, 9, 9};
  CoefFile(files).ReadCoefficients(data);
  EXPECT_EQ(data.Coef, row.expected);
}

const std::string kPastTheBound = [] {
  // The fourth number stands across the read bound: only "123" of "12345" lies inside it.
  std::string text = "1.5,2,0,";
  text.append(kMaxDataFileBytes - text.size() - 3, ' ');
  return text + "12345,";
}();

INSTANTIATE_TEST_SUITE_P(
    Rows, CoefReadTest,
    ::testing::Values(
        CoefTextRow{"OneLineTrailingComma", "1.5,2,0,0,", {1.5, 2, 0, 0}},
        CoefTextRow{"FourLines", "1.5\r\n2\r\n0\r\n0\r\n", {1.5, 2, 0, 0}},
        CoefTextRow{"NoTrailingComma", "1.5,2,0,0", {1.5, 2, 0, 0}},
        CoefTextRow{"BlanksAndMoreAfterTheFourth", " 1.5, 2 ,0,0,77,junk", {1.5, 2, 0, 0}},
        CoefTextRow{"ExponentForms", "-1.25E+2,1e-7,3E0,-4.5e-12,", {-125, 1e-7, 3, -4.5e-12}},
        CoefTextRow{"Empty", "", {0, 1, 0, 0}}, CoefTextRow{"OneNumber", "61,", {61, 1, 0, 0}},
        CoefTextRow{"TwoNumbers", "61,-2.5", {61, -2.5, 0, 0}},
        CoefTextRow{"TextInTheMiddle", "61,-2.5,abc,7,", {61, -2.5, 0, 0}},
        CoefTextRow{"NotANumberToken", "nan,inf,1,2,", {0, 1, 0, 0}},
        CoefTextRow{"BinaryGarbage", std::string("\x00\xff\x13\x80,1,2,3,4", 12), {0, 1, 0, 0}},
        CoefTextRow{"NumberCutByTheBound", kPastTheBound, {1.5, 2, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CoefWriteRow {
  const char* name;
  Coefficients coef;
  std::string text;
};

class CoefWriteTest : public ::testing::TestWithParam<CoefWriteRow> {};

TEST_P(CoefWriteTest, WritesOneLineWithoutLineEndAndReadsBack) {
  const auto& row = GetParam();
  MemoryFileAccess files;
  CalibrationData data;
  data.Coef = row.coef;
  ASSERT_TRUE(CoefFile(files).WriteCoefficients(data));
  EXPECT_EQ(files.files[kCoefficientFile], row.text);
  CalibrationData back;
  CoefFile(files).ReadCoefficients(back);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_NEAR(back.Coef[k], row.coef[k], std::fabs(row.coef[k]) * 1e-14) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CoefWriteTest,
    ::testing::Values(CoefWriteRow{"Example", {61, -2.5, 0, 0}, "61,-2.5,0,0,"},
                      CoefWriteRow{"Defaults", {0, 1, 0, 0}, "0,1,0,0,"},
                      CoefWriteRow{"FifteenDigitsAndExponents",
                                   {1.0 / 3.0, -1e20, 1.25e-7, -123456.789},
                                   "0.333333333333333,-1E+20,1.25E-07,-123456.789,"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CoefFile, FailedWriteReportsAndKeepsTheOldFile) {
  MemoryFileAccess files;
  files.files[kCoefficientFile] = "61,-2.5,0,0,";
  files.failReplace = true;
  CalibrationData data;
  data.Coef = {1, 2, 3, 4};
  EXPECT_FALSE(CoefFile(files).WriteCoefficients(data));
  EXPECT_EQ(files.files[kCoefficientFile], "61,-2.5,0,0,");
}

// ---- Points file --------------------------------------------------------------------

// A record whose every point holds non-zero values, to see what a read clears.
CalibrationData Filled() {
  CalibrationData data;
  data.PointCount = 77;
  for (std::size_t i = 0; i < kCalibrationCapacity; ++i) {
    data.Thickness[i] = 1000.0 + static_cast<double>(i);
    data.Intensity[i] = 5000.0 + static_cast<double>(i);
  }
  return data;
}

TEST(PointsFile, MissingFileGivesFifteenZeroPoints) {
  MemoryFileAccess files;
  CalibrationData data = Filled();
  PointsFile(files).ReadPoints(data);
  EXPECT_EQ(data.PointCount, 15);
  for (std::size_t i = 0; i < 15; ++i) {
    EXPECT_EQ(data.Thickness[i], 0) << i;
    EXPECT_EQ(data.Intensity[i], 0) << i;
  }
  EXPECT_EQ(data.Thickness[15], 1015) << "points above 15 keep what they held";
  EXPECT_FALSE(files.Exists(kPointsFile));
}

struct PointsWriteRow {
  const char* name;
  std::vector<std::pair<double, double>> points;  // thickness, intensity
  std::int16_t m;
  std::string text;
};

// Points (1, 2), (3, 4), (5, 6), ...
std::vector<std::pair<double, double>> OddEven(int count) {
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < count; ++i) points.emplace_back(2 * i + 1, 2 * i + 2);
  return points;
}

class PointsWriteTest : public ::testing::TestWithParam<PointsWriteRow> {};

TEST_P(PointsWriteTest, WritesCountAndPointLinesAndReadsBack) {
  const auto& row = GetParam();
  MemoryFileAccess files;
  CalibrationData data;
  for (std::size_t i = 0; i < row.points.size(); ++i) {
    data.Thickness[i] = row.points[i].first;
    data.Intensity[i] = row.points[i].second;
  }
  ASSERT_TRUE(PointsFile(files).WritePoints(data, row.m));
  EXPECT_EQ(files.files[kPointsFile], row.text);

  CalibrationData back = Filled();
  PointsFile(files).ReadPoints(back);
  const int m = std::clamp<int>(row.m, 0, 200);
  EXPECT_EQ(back.PointCount, m);
  for (std::size_t i = 0; i < 15; ++i) {
    const bool written = static_cast<int>(i) < m;
    EXPECT_EQ(back.Thickness[i], written ? data.Thickness[i] : 0) << i;
    EXPECT_EQ(back.Intensity[i], written ? data.Intensity[i] : 0) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PointsWriteTest,
    ::testing::Values(
        PointsWriteRow{"FirstPointEntered", {{120.5, 4373}}, 1, " 1 \r\n120.5,4373\r\n"},
        PointsWriteRow{"NoPoint", {{120.5, 4373}}, 0, " 0 \r\n"},
        PointsWriteRow{"NegativeCountWritesNone", {{120.5, 4373}}, -4, " 0 \r\n"},
        PointsWriteRow{"ThreeOfFour",
                       {{120.5, 4373}, {150, 3900.25}, {0.1, 1e-7}, {9, 9}},
                       3,
                       " 3 \r\n120.5,4373\r\n150,3900.25\r\n0.1,1E-07\r\n"},
        PointsWriteRow{"Fourteen", OddEven(14), 14,
                       " 14 \r\n1,2\r\n3,4\r\n5,6\r\n7,8\r\n9,10\r\n11,12\r\n13,14\r\n15,16\r\n"
                       "17,18\r\n19,20\r\n21,22\r\n23,24\r\n25,26\r\n27,28\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PointsFile, TwoHundredPointsRoundTrip) {
  MemoryFileAccess files;
  CalibrationData data;
  for (std::size_t i = 0; i < 200; ++i) {
    data.Thickness[i] = 0.1 * static_cast<double>(i) + 1.0 / 3.0;
    data.Intensity[i] = 32767.0 - static_cast<double>(i) * 3.5;
  }
  ASSERT_TRUE(PointsFile(files).WritePoints(data, 200));
  CalibrationData back;
  PointsFile(files).ReadPoints(back);
  ASSERT_EQ(back.PointCount, 200);
  for (std::size_t i = 0; i < 200; ++i) {
    EXPECT_NEAR(back.Thickness[i], data.Thickness[i], 1e-13) << i;
    EXPECT_EQ(back.Intensity[i], data.Intensity[i]) << i;
  }
}

struct BadPointsRow {
  const char* name;
  std::string text;
  int pointCount;
  std::vector<std::pair<double, double>> points;  // expected points 1..k from the file
  int clearedUpTo;  // points k+1 .. clearedUpTo read as zero; above that they keep their values
};

class BadPointsTest : public ::testing::TestWithParam<BadPointsRow> {};

TEST_P(BadPointsTest, EndsTheReadWithWhatWasRead) {
  const auto& row = GetParam();
  MemoryFileAccess files;
  files.files[kPointsFile] = row.text;
  CalibrationData data = Filled();
  PointsFile(files).ReadPoints(data);
  EXPECT_EQ(data.PointCount, row.pointCount);
  for (std::size_t i = 0; i < kCalibrationCapacity; ++i) {
    if (i < row.points.size()) {
      EXPECT_EQ(data.Thickness[i], row.points[i].first) << "point " << i + 1;
      EXPECT_EQ(data.Intensity[i], row.points[i].second) << "point " << i + 1;
    } else if (static_cast<int>(i) < row.clearedUpTo) {
      EXPECT_EQ(data.Thickness[i], 0) << "point " << i + 1;
      EXPECT_EQ(data.Intensity[i], 0) << "point " << i + 1;
    } else {
      EXPECT_EQ(data.Thickness[i], 1000.0 + static_cast<double>(i)) << "point " << i + 1;
      EXPECT_EQ(data.Intensity[i], 5000.0 + static_cast<double>(i)) << "point " << i + 1;
    }
  }
}

std::string ManyPoints(int announced, int present) {
  std::string text = " " + std::to_string(announced) + " \r\n";
  for (int i = 1; i <= present; ++i)
    text += std::to_string(i) + "," + std::to_string(i + 1) + "\r\n";
  return text;
}

std::vector<std::pair<double, double>> FirstPoints(int count) {
  std::vector<std::pair<double, double>> points;
  for (int i = 1; i <= count; ++i) points.emplace_back(i, i + 1);
  return points;
}

const std::string kHugePoints = [] {
  std::string text = ManyPoints(3, 2);
  text.append(3 * kMaxDataFileBytes, '7');
  return text;
}();

INSTANTIATE_TEST_SUITE_P(
    Rows, BadPointsTest,
    ::testing::Values(
        BadPointsRow{"CountThree", ManyPoints(3, 3), 3, FirstPoints(3), 15},
        BadPointsRow{"CountAboveTwoHundred", ManyPoints(250, 250), 200, FirstPoints(200), 200},
        BadPointsRow{"FewerThanAnnounced", ManyPoints(5, 2), 5, FirstPoints(2), 15},
        BadPointsRow{"FewerThanAnnouncedBeyondFifteen", ManyPoints(40, 20), 40, FirstPoints(20),
                     40},
        BadPointsRow{"ThicknessWithoutIntensity", " 2 \r\n1,2\r\n3", 2, {{1, 2}, {3, 0}}, 15},
        BadPointsRow{"TextInsteadOfAPoint", " 3 \r\n1,2\r\nabc,4\r\n5,6\r\n", 3, FirstPoints(1),
                     15},
        BadPointsRow{"CountNotANumber", "three\r\n1,2\r\n", 15, {}, 15},
        BadPointsRow{"EmptyFile", "", 15, {}, 15},
        BadPointsRow{"NegativeCount", "-3\r\n1,2\r\n", 0, {}, 15},
        BadPointsRow{"FractionalCount", "2.4\r\n1,2\r\n2,3\r\n3,4\r\n", 2, FirstPoints(2), 15},
        BadPointsRow{"BinaryGarbage", std::string(" 2 \r\n1,2\r\n\x00\xfe\x01,\x80", 15), 2,
                     FirstPoints(1), 15},
        BadPointsRow{"HugeFile", kHugePoints, 3, FirstPoints(2), 15}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PointsFile, FailedWriteReportsAndKeepsTheOldFile) {
  MemoryFileAccess files;
  files.files[kPointsFile] = " 1 \r\n120.5,4373\r\n";
  files.failReplace = true;
  CalibrationData data;
  EXPECT_FALSE(PointsFile(files).WritePoints(data, 0));
  EXPECT_EQ(files.files[kPointsFile], " 1 \r\n120.5,4373\r\n");
}

}  // namespace
