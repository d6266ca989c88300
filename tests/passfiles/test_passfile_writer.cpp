#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <string>

#include "base/SystemPlatform.h"
#include "passfiles/PassFileWriter.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;
using orlix::testing::FakeClock;
using orlix::testing::MemoryFileAccess;

namespace {

const std::string kRule = " =========================================\r\n";

std::string Header(const std::string& passText, const std::string& date, const std::string& time) {
  return " Orlix / Thickness Measurement & Control / Data\r\n"
         " Pass No " +
         passText + " ,    Date " + date + " ,   Time " + time + "\r\n" + kRule +
         " L<m>           T<mcm>          D<mm>           W<kg>\r\n" + kRule;
}

std::string EndBlock(const std::string& averageAndDeviation) {
  return "\r\n Average Thickness " + averageAndDeviation + "\r\n Thickness Distribution:\r\n" +
         kRule + " T<mcm>         N\r\n" + kRule;
}

// 1-based column of the first character of text in line, 0 when absent.
int ColumnOf(const std::string& line, const std::string& text) {
  const auto pos = line.find(text);
  return pos == std::string::npos ? 0 : static_cast<int>(pos) + 1;
}

// ---- Whole pass files ---------------------------------------------------------------

TEST(PassFile, GoldenPass) {
  MemoryFileAccess files;
  FakeClock clock;
  PassFileWriter writer(files, clock);
  ASSERT_TRUE(writer.WriteFileHeader(7));
  ASSERT_TRUE(writer.AddFileData(7, 12, 120.44f, 350.2f, 15.6f));
  ASSERT_TRUE(writer.AddFileData(7, 13, -5.5f, 350.9f, 16.49f));
  ASSERT_TRUE(writer.AddFileData(7, 125.5f, 1234.56f, 1999.5f, 0));
  ASSERT_TRUE(writer.WriteFileEnd(7, static_cast<double>(120.45f), 1.25));
  ASSERT_TRUE(writer.WriteHistoPoint(7, 118.4, 23));
  ASSERT_TRUE(writer.WriteHistoPoint(7, 120.0, 1));
  EXPECT_EQ(files.files.at("07.PSS"),
            Header("07", "06/12/2026", "10:41:09") +
                " 000012         0120.4          0350            0016\r\n"
                " 000013         -0005.5         0351            0016\r\n"
                " 000126         1234.6          2000            0000\r\n" +
                EndBlock("120.45 ,   MS Deviation 1.25") +
                " 0118.4         0023\r\n"
                " 0120.0         0001\r\n");
  EXPECT_EQ(files.writes, 7) << "one write per operation, one line per data or histogram call";
}

TEST(PassFile, StoppedBeforeAnyDataLine) {
  MemoryFileAccess files;
  FakeClock clock;
  clock.date = "2026-12-31";
  clock.time = "23:59";
  PassFileWriter writer(files, clock);
  ASSERT_TRUE(writer.WriteFileHeader(0));
  ASSERT_TRUE(writer.WriteFileEnd(0, 0, 0));
  EXPECT_EQ(files.files.at("00.PSS"),
            Header("00", "2026-12-31", "23:59") + EndBlock("0.0 ,   MS Deviation 0.0"));
}

TEST(PassFile, EndedByClosingHasNoEndBlock) {
  MemoryFileAccess files;
  FakeClock clock;
  PassFileWriter writer(files, clock);
  ASSERT_TRUE(writer.WriteFileHeader(3));
  ASSERT_TRUE(writer.AddFileData(3, 1, 100, 300, 2));
  EXPECT_EQ(files.files.at("03.PSS"),
            Header("03", "06/12/2026", "10:41:09") +
                " 000001         0100.0          0300            0002\r\n");
}

TEST(PassFile, NewPassWithTheSameNumberReplacesTheFile) {
  MemoryFileAccess files;
  files.files["07.PSS"] = "an old pass\r\n";
  FakeClock clock;
  PassFileWriter writer(files, clock);
  ASSERT_TRUE(writer.WriteFileHeader(7));
  EXPECT_EQ(files.files.at("07.PSS"), Header("07", "06/12/2026", "10:41:09"));
}

TEST(PassFile, DataLineCreatesAMissingFile) {
  MemoryFileAccess files;
  FakeClock clock;
  ASSERT_TRUE(PassFileWriter(files, clock).AddFileData(12, 12, 120.44f, 350.2f, 15.6f));
  EXPECT_EQ(files.files.at("12.PSS"), " 000012         0120.4          0350            0016\r\n");
}

TEST(PassFile, BytesOnDiskAreTheGoldenText) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("orlix_pass_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  DirectoryFileAccess files(dir);
  FakeClock clock;
  PassFileWriter writer(files, clock);
  ASSERT_TRUE(writer.WriteFileHeader(123));
  ASSERT_TRUE(writer.AddFileData(123, 12, 120.44f, 350.2f, 15.6f));
  const auto text = files.Read("123.PSS", 1 << 16);
  std::filesystem::remove_all(dir);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, Header("123", "06/12/2026", "10:41:09") +
                       " 000012         0120.4          0350            0016\r\n");
}

// ---- Names --------------------------------------------------------------------------

struct NameRow {
  std::int16_t pass;
  const char* name;
};

class PassNameTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(PassNameTest, NameAndHeaderFollowThePassNumber) {
  const auto& row = GetParam();
  EXPECT_EQ(PassFileWriter::PassFileName(row.pass), row.name);
  MemoryFileAccess files;
  FakeClock clock;
  ASSERT_TRUE(PassFileWriter(files, clock).WriteFileHeader(row.pass));
  ASSERT_EQ(files.files.count(row.name), 1u);
  const std::string stem = std::string(row.name).substr(0, std::string(row.name).find('.'));
  EXPECT_NE(files.files.at(row.name).find(" Pass No " + stem + " ,"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rows, PassNameTest,
                         ::testing::Values(NameRow{0, "00.PSS"}, NameRow{7, "07.PSS"},
                                           NameRow{9, "09.PSS"}, NameRow{10, "10.PSS"},
                                           NameRow{99, "99.PSS"}, NameRow{100, "100.PSS"},
                                           NameRow{123, "123.PSS"}, NameRow{32767, "32767.PSS"}));

// ---- Lines --------------------------------------------------------------------------

struct DataRow {
  const char* name;
  float length, thickness, rollDiam, rollWeight;
  std::string text;
};

class DataLineTest : public ::testing::TestWithParam<DataRow> {};

TEST_P(DataLineTest, ItemsAtTheirColumns) {
  const auto& row = GetParam();
  EXPECT_EQ(PassFileWriter::DataLine(row.length, row.thickness, row.rollDiam, row.rollWeight),
            row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DataLineTest,
    ::testing::Values(
        DataRow{"Example", 12, 120.44f, 350.2f, 15.6f,
                " 000012         0120.4          0350            0016\r\n"},
        DataRow{"NegativeThickness", 12, -5.5f, 350.2f, 15.6f,
                " 000012         -0005.5         0350            0016\r\n"},
        // Singles are rounded on their own seven digits: 120.45 is not 120.4499969...
        DataRow{"SingleRoundsUp", 0, 120.45f, 0.5f, 1.5f,
                " 000000         0120.5          0001            0002\r\n"},
        DataRow{"WideItemsKeepTheFollowingColumns", 1234567, 12345.6f, 99999, 123456,
                " 1234567        12345.6         99999           123456\r\n"},
        // A length that reaches past column 17 sends the thickness to the next line.
        DataRow{"LengthOverflowsItsColumn", 1e16f, 120.44f, 350.2f, 15.6f,
                " 10000000000000000\r\n                0120.4          0350            0016\r\n"},
        // An item that ends just before the next column leaves no blank.
        DataRow{"DiameterFillsUpToTheNextColumn", 12, 120.44f, 1e15f, 15.6f,
                " 000012         0120.4          10000000000000000016\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataLine, ExampleColumns) {
  const std::string line = PassFileWriter::DataLine(12, 120.44f, 350.2f, 15.6f);
  EXPECT_EQ(ColumnOf(line, "000012"), 2);
  EXPECT_EQ(ColumnOf(line, "0120.4"), 17);
  EXPECT_EQ(ColumnOf(line, "0350"), 33);
  EXPECT_EQ(ColumnOf(line, "0016"), 49);
  const std::string header = PassFileWriter::HeaderText(1, "d", "t");
  const std::string fourth = header.substr(header.find(" L<m>"));
  EXPECT_EQ(ColumnOf(fourth, "L<m>"), 2);
  EXPECT_EQ(ColumnOf(fourth, "T<mcm>"), 17);
  EXPECT_EQ(ColumnOf(fourth, "D<mm>"), 33);
  EXPECT_EQ(ColumnOf(fourth, "W<kg>"), 49);
}

struct HistoRow {
  const char* name;
  double x, n;
  std::string text;
};

class HistoLineTest : public ::testing::TestWithParam<HistoRow> {};

TEST_P(HistoLineTest, BinAndCount) {
  const auto& row = GetParam();
  EXPECT_EQ(PassFileWriter::HistoLine(row.x, row.n), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HistoLineTest,
    ::testing::Values(HistoRow{"Example", 118.4, 23, " 0118.4         0023\r\n"},
                      // The bin thickness arrives as a double: 118.45f is 118.4499969...
                      HistoRow{"DoubleFromSingle", static_cast<double>(118.45f), 5,
                               " 0118.4         0005\r\n"},
                      HistoRow{"Negative", -2.25, 1, " -0002.3        0001\r\n"},
                      HistoRow{"WideCount", 1200, 123456, " 1200.0         123456\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct EndRow {
  const char* name;
  double average, deviation;
  const char* statistics;
};

class EndTextTest : public ::testing::TestWithParam<EndRow> {};

TEST_P(EndTextTest, StatisticsLine) {
  const auto& row = GetParam();
  EXPECT_EQ(PassFileWriter::EndText(row.average, row.deviation),
            EndBlock(std::string(row.statistics)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EndTextTest,
    ::testing::Values(EndRow{"TwoDecimals", 120.456, 3.14159, "120.46 ,   MS Deviation 3.14"},
                      EndRow{"OneDecimalKept", 120, 2, "120.0 ,   MS Deviation 2.0"},
                      EndRow{"Wide", 12345.678, 1234.5, "12345.68 ,   MS Deviation 1234.5"},
                      EndRow{"Negative", -3.456, 0.004, "-3.46 ,   MS Deviation 0.0"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Failures -----------------------------------------------------------------------

TEST(PassFileFailure, RefusedHeaderIsReported) {
  MemoryFileAccess files;
  files.failReplace = true;
  FakeClock clock;
  EXPECT_FALSE(PassFileWriter(files, clock).WriteFileHeader(7));
  EXPECT_EQ(files.files.count("07.PSS"), 0u);
}

TEST(PassFileFailure, RefusedAppendsAreReportedAndLeaveTheFile) {
  MemoryFileAccess files;
  FakeClock clock;
  PassFileWriter writer(files, clock);
  ASSERT_TRUE(writer.WriteFileHeader(7));
  const std::string before = files.files.at("07.PSS");
  files.failAppend = true;
  EXPECT_FALSE(writer.AddFileData(7, 12, 120.44f, 350.2f, 15.6f));
  EXPECT_FALSE(writer.WriteFileEnd(7, 120, 1));
  EXPECT_FALSE(writer.WriteHistoPoint(7, 118.4, 23));
  EXPECT_EQ(files.files.at("07.PSS"), before);
  files.failAppend = false;
  EXPECT_TRUE(writer.AddFileData(7, 12, 120.44f, 350.2f, 15.6f)) << "the writer goes on";
}

struct DirectoryRow {
  const char* name;
  bool directoryOfThatName;  // otherwise the working directory itself is missing
};

class UnwritableTest : public ::testing::TestWithParam<DirectoryRow> {};

TEST_P(UnwritableTest, EveryOperationReportsFailure) {
  const auto base =
      std::filesystem::temp_directory_path() / ("orlix_unwritable_" + std::to_string(::getpid()));
  std::filesystem::create_directories(base);
  std::filesystem::path dir = base;
  if (GetParam().directoryOfThatName) {
    std::filesystem::create_directories(base / "07.PSS");
  } else {
    dir = base / "missing";
  }
  DirectoryFileAccess files(dir);
  FakeClock clock;
  PassFileWriter writer(files, clock);
  EXPECT_FALSE(writer.WriteFileHeader(7));
  EXPECT_FALSE(writer.AddFileData(7, 12, 120.44f, 350.2f, 15.6f));
  EXPECT_FALSE(writer.WriteFileEnd(7, 120, 1));
  EXPECT_FALSE(writer.WriteHistoPoint(7, 118.4, 23));
  if (GetParam().directoryOfThatName) {
    EXPECT_TRUE(std::filesystem::is_directory(base / "07.PSS"));
    EXPECT_TRUE(std::filesystem::is_empty(base / "07.PSS"));
  }
  std::filesystem::remove_all(base);
}

INSTANTIATE_TEST_SUITE_P(Rows, UnwritableTest,
                         ::testing::Values(DirectoryRow{"DirectoryOfThatName", true},
                                           DirectoryRow{"MissingDirectory", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
