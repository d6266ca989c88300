// Number texts, the bounded data-file read and the directory the station works in.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <locale>

#include "base/Axis.h"
#include "base/BoundedRead.h"
#include "base/Format.h"
#include "base/SystemPlatform.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;
namespace fs = std::filesystem;

#define ROWS(...) std::vector({__VA_ARGS__})  // the first row names the type: tuple{1, "a"}

namespace {

// Round steps, as few ticks as asked at most, and no smaller round step that would do.
TEST(Axis, RoundTicks) {
  const auto ticks = [](double lo, double hi, int most) {
    std::string s;
    for (const double v : RoundTicks(lo, hi, most).values)
      s += TickText(v, RoundTicks(lo, hi, most).decimals) + " ";
    return s;
  };
  EXPECT_EQ(ticks(114, 126, 7), "114 116 118 120 122 124 126 ");
  EXPECT_EQ(ticks(0, 0.3, 4), "0.0 0.1 0.2 0.3 ");
  EXPECT_EQ(ticks(-0.04, 0.07, 3), "0.00 0.05 ");  // the first is -0: never "-0.00"
  EXPECT_EQ(ticks(0, 864000, 6), "0 200000 400000 600000 800000 ");
  EXPECT_EQ(ticks(1e-300, 1e300, 5).empty(), false);
  for (const auto& [lo, hi] :
       {std::pair{1.0, 1.0}, {2.0, 1.0}, {0.0, double(NAN)}, {-1e308, 1e308}})
    EXPECT_EQ(RoundTicks(lo, hi, 5).step, 0) << lo << " " << hi;
}

// A chart's axis with round ends: the ends on whole steps around the range.
TEST(Axis, RoundAxisOf) {
  for (const auto& [lo, hi, ticks, from, to, step] :
       ROWS(std::array{118.3, 124.9, 6.0, 118.0, 126.0, 2.0}, {0, 100, 5, 0, 100, 20},
            {120, 120, 6, 119, 121, 0.5}, {0, 7, 10, 0, 7, 1}, {-0.013, 0.07, 8, -0.02, 0.08, 0.02},
            {3, 1003, 4, 0, 1500, 500})) {
    const RoundAxis a = RoundAxisOf(lo, hi, static_cast<int>(ticks));
    EXPECT_NEAR(a.from, from, 1e-12);
    EXPECT_NEAR(a.to, to, 1e-12);
    EXPECT_NEAR(a.step, step, 1e-12);
  }
}

// Whole micrometres fall in the middle of whole-micrometre bins (or of 2, 5, 10 ...), never
// on an edge, and never more bins than asked for.
TEST(Axis, RoundBins) {
  for (const auto& [lo, hi, resolution, most] :
       ROWS(std::tuple{100.0, 140.0, 1.0, std::size_t{48}}, {100, 140, 1, 10},
            {119.5, 120.5, 0.1, 48}, {70, 170, 0.1, 48}, {-3, 3, 1, 48}, {5, 5, 1, 48},
            {0, 1e6, 0.1, 48})) {
    const Bins b = RoundBins(lo, hi, resolution, most);
    ASSERT_GT(b.width, 0) << lo;
    EXPECT_TRUE(b.count <= most && b.from <= lo && b.from + double(b.count) * b.width >= hi)
        << lo << " " << hi;
    const double perBin = b.width / resolution;
    EXPECT_NEAR(perBin, std::round(perBin), 1e-9) << lo;
    for (double k = 0; lo + k * resolution <= hi; k += 7) {  // a recorded value is never on an edge
      const double v = std::round(lo / resolution + k) * resolution;
      const double from = std::fmod(v - b.from, b.width);
      EXPECT_TRUE(from > resolution / 4 && b.width - from > resolution / 4)
          << v << " in bins of " << b.width;
    }
  }
  EXPECT_EQ(RoundBins(100, 140, 1, 48).width, 1);  // 41 values, 41 bins
  EXPECT_EQ(RoundBins(70, 170, 0.1, 48).width, 5);
  EXPECT_EQ(RoundBins(1, 0, 1, 48).width, 0);
  EXPECT_EQ(RoundBins(0, 1, 0, 48).width, 0);
}

TEST(Pattern, Formats) {
  for (auto [value, pattern, text] :
       ROWS(std::tuple{3.14159, "###0.0#", "3.14"}, {3.1, "###0.0#", "3.1"}, {7, "00", "07"},
            {120.44, "0000.0", "0120.4"},
            // Half away from zero, on the 15-digit decimal form; carries into a new digit.
            {1.005, "0.00", "1.01"}, {1.0049999999999994, "0.00", "1.01"}, {2.5, "0", "3"},
            {-2.5, "0", "-3"}, {999.95, "0000.0", "1000.0"}, {0.0004999, "###0.000", "0.000"},
            // Signs: before the filled digits, never on a zero.
            {-5.2, "0000.0", "-0005.2"}, {-0.115, "###0.0##", "-0.115"}, {-0.0001, "###0.0", "0.0"},
            // Integer digits beyond the pattern; optional decimals left off.
            {1234567, "0000", "1234567"}, {0.001, "####0.##", "0"}, {120, "###0.#", "120"},
            {0, "#0.0#", "0.0"}, {1e20, "0", "100000000000000000000"}, {1e-20, "0.00", "0.00"},
            {1.5e-7, "0.0000000", "0.0000002"}, {NAN, "0000.0", "NaN"}, {INFINITY, "0", "Inf"},
            {-INFINITY, "0", "-Inf"}))
    EXPECT_EQ(FormatPattern(value, pattern), text) << value << " with " << pattern;
}

TEST(Pattern, SinglesRoundOnTheirOwnSevenDigits) {
  EXPECT_EQ(FormatPattern(120.45f, "0000.0"), "0120.5");  // 120.4499969... as a double
  EXPECT_EQ(FormatPattern(static_cast<double>(120.45f), "0000.0"), "0120.4");
  EXPECT_EQ(FormatPattern(0.7071068f, "#0.0#"), "0.71");
  EXPECT_EQ(FormatPattern(std::int16_t{7}, "00"), "07");
}

TEST(ListForm, WritesTheShortestNumeral) {
  for (auto [value, text] :
       ROWS(std::pair{0.1, "0.1"}, {120, "120"}, {-2.5, "-2.5"}, {0.001, "0.001"}, {-0.0, "0"},
            {1e20, "1E+20"}, {1e-7, "1E-07"}, {123456789012345678.0, "1.23456789012346E+17"},
            {1.0 / 3.0, "0.333333333333333"}, {0.1f, "0.100000001490116"},
            // Next to the largest double: rounded toward zero, so it reads back.
            {1.7976931348623157e308, "1.79769313486231E+308"},
            {-1.7976931348623157e308, "-1.79769313486231E+308"}))
    EXPECT_EQ(ListForm(value), text);
}

TEST(ListForm, PrintForm) {
  EXPECT_EQ(PrintForm(14), " 14 ");
  EXPECT_EQ(PrintForm(-3), "-3 ");
}

// Items (ParseListNumber, none where nullopt) and field texts (LeadingNumber), each also read
// as a view into a longer buffer whose next character is a digit: nothing may be read past it.
TEST(Parse, ReadsNoFurtherThanTheText) {
  const std::optional<double> none;
  for (auto [text, item, leading] :
       ROWS(std::tuple{"0.01", std::optional(0.01), 0.01}, {".01", 0.01, 0.01},
            {"-2.5", -2.5, -2.5}, {"1E+20", 1e20, 1e20}, {"1e-7", 1e-7, 1e-7}, {" 14 ", 14, 14},
            {"+3", 3, 3}, {"5.", 5, 5}, {"", none, 0}, {"1e999", none, 0}, {"-", none, 0},
            {".", none, 0}, {"1e", none, 1}, {"1e+", none, 1}, {"2E3x", none, 2000},
            {"3.e1", 30, 30}, {"-.5", -0.5, -0.5})) {
    const std::string t = text;
    for (const std::string& buffer : {t, t + "9", t + "e9"}) {
      const std::string_view view = std::string_view(buffer).substr(0, t.size());
      EXPECT_EQ(ParseListNumber(view), item) << '"' << text << '"';
      EXPECT_DOUBLE_EQ(LeadingNumber(view), leading) << '"' << text << '"';
    }
  }
}

TEST(ListReader, ItemsByCommasAndLineEndsUntilTheFirstFault) {
  const std::string text = "61,-2.5,0,0,\r\n 14 \r\n\r\n120.5,4373\n7";
  for (const std::string& buffer : {text, text + "1"}) {
    ListReader reader(std::string_view(buffer).substr(0, text.size()));
    std::vector<double> got;
    while (auto v = reader.Next()) got.push_back(*v);
    EXPECT_EQ(got, (std::vector<double>{61, -2.5, 0, 0, 14, 120.5, 4373, 7}));
    EXPECT_TRUE(reader.AtEnd());
  }
  for (const char* faulty : {"1,2,x,4\r\n5", "1,2,,4", "1,2,\r\n"}) {
    ListReader reader(faulty);
    EXPECT_EQ(reader.Next(), 1.0);
    EXPECT_EQ(reader.Next(), 2.0);
    EXPECT_FALSE(reader.Next().has_value()) << faulty;
    EXPECT_FALSE(reader.Next().has_value()) << "a failed reader stays failed: " << faulty;
  }
}

TEST(Locale, DecimalCommaChangesNothing) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  std::locale::global(std::locale("de_DE.UTF-8"));
  char probe[8];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  EXPECT_STREQ(probe, "0,5");
  EXPECT_EQ(ListForm(0.1), "0.1");
  EXPECT_EQ(FormatPattern(120.44, "0000.0"), "0120.4");
  EXPECT_EQ(ParseListNumber("2.5"), 2.5);
  EXPECT_FALSE(ParseListNumber("2,5").has_value());
  EXPECT_DOUBLE_EQ(LeadingNumber("12.75"), 12.75);
  std::setlocale(LC_ALL, "C");
  std::locale::global(std::locale::classic());
}

// A file longer than the bound is cut after its last whole item before the bound.
TEST(BoundedRead, NeverHandsOnACutNumber) {
  orlix::testing::MemoryFileAccess files;
  files.files["F"] = "1,22,333\r\n4444";
  EXPECT_EQ(ReadDataText(files, "F", 14), "1,22,333\r\n4444");
  EXPECT_EQ(ReadDataText(files, "F", 13), "1,22,333\r\n");
  EXPECT_EQ(ReadDataText(files, "F", 2), "1,");
  EXPECT_EQ(ReadDataText(files, "F", 1), "");
  EXPECT_FALSE(ReadDataText(files, "G").has_value());
}

class Directory : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("station-base-" + std::to_string(::getpid()));
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override { fs::remove_all(dir); }
};

TEST_F(Directory, ReplaceAppendReadAndList) {
  DirectoryFileAccess files(dir);
  ASSERT_TRUE(files.Replace("QL_CFG.DAT", "old\r\n"));
  ASSERT_TRUE(files.Replace("QL_CFG.DAT", "new\r\n"));
  ASSERT_TRUE(files.Append("07.PSS", "a\r\n"));
  ASSERT_TRUE(files.Append("07.PSS", "b\r\n"));
  ASSERT_TRUE(files.Append("10.pss", "c"));
  EXPECT_EQ(files.Read("QL_CFG.DAT", 100), "new\r\n");
  EXPECT_EQ(files.Read("07.PSS", 4), "a\r\nb");
  EXPECT_TRUE(files.Exists("07.PSS"));
  EXPECT_FALSE(files.Exists("QL_CFF.DAT"));
  // No temporary file is left; the list takes the suffix in any case, sorted by name.
  EXPECT_EQ(files.List(".PSS"), (std::vector<std::string>{"07.PSS", "10.pss"}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
  // Names that would leave the directory are refused.
  EXPECT_FALSE(files.Replace("../escape.DAT", "x"));
  EXPECT_FALSE(files.Append("a/b.PSS", "x"));
  EXPECT_FALSE(fs::exists(dir.parent_path() / "escape.DAT"));
}

}  // namespace
