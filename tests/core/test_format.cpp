#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <locale>
#include <random>

#include "base/Format.h"

using namespace orlix;

namespace {

struct PatternRow {
  double value;
  const char* pattern;
  const char* expected;
};

class PatternTest : public ::testing::TestWithParam<PatternRow> {};

TEST_P(PatternTest, Formats) {
  const auto& row = GetParam();
  EXPECT_EQ(FormatPattern(row.value, row.pattern), row.expected)
      << row.value << " with " << row.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    EveryPattern, PatternTest,
    ::testing::Values(
        // Examples of the station's texts.
        PatternRow{3.14159, "###0.0#", "3.14"}, PatternRow{3.1, "###0.0#", "3.1"},
        PatternRow{7, "00", "07"}, PatternRow{120.44, "0000.0", "0120.4"}, PatternRow{5, "#0", "5"},
        // Rounding half away from zero on the 15-digit decimal form.
        PatternRow{1.005, "0.00", "1.01"}, PatternRow{2.5, "0", "3"}, PatternRow{-2.5, "0", "-3"},
        PatternRow{0.5, "#0", "1"}, PatternRow{0.49999, "#0", "0"},
        PatternRow{9.96, "###0.0", "10.0"}, PatternRow{999.95, "0000.0", "1000.0"},
        PatternRow{99999.5, "#####0", "100000"},
        // Negative values: the sign stands before the filled digits.
        PatternRow{-5.2, "0000.0", "-0005.2"}, PatternRow{-0.115, "###0.0##", "-0.115"},
        PatternRow{-0.0001, "###0.0", "0.0"}, PatternRow{-30, "###0", "-30"},
        // Integer digits beyond the pattern are still shown.
        PatternRow{123, "00", "123"}, PatternRow{1234567, "0000", "1234567"},
        PatternRow{12345.678, "#0.0#", "12345.68"},
        // Every pattern the station uses.
        PatternRow{1200.4, "#####0", "1200"}, PatternRow{0.7071, "##0.0#", "0.71"},
        PatternRow{12, "000000", "000012"}, PatternRow{15.6, "0000", "0016"},
        PatternRow{0, "0", "0"}, PatternRow{40, "###0.0", "40.0"},
        PatternRow{37.5, "###0.0", "37.5"}, PatternRow{0.001, "####0.##", "0"},
        PatternRow{0.1, "####0.##", "0.1"}, PatternRow{2000, "####0.##", "2000"},
        PatternRow{32.5, "###0.##", "32.5"}, PatternRow{1.0, "###0.0##", "1.0"},
        PatternRow{0.0004999, "###0.000", "0.000"}, PatternRow{0.0005, "###0.000", "0.001"},
        PatternRow{126, "##0", "126"}, PatternRow{120.26, "###0.#", "120.3"},
        PatternRow{120, "###0.#", "120"}, PatternRow{575.557, "###0", "576"},
        PatternRow{0, "#0.0#", "0.0"}, PatternRow{0.7071, "#0.0#", "0.71"},
        // Large and tiny magnitudes.
        PatternRow{1e20, "0", "100000000000000000000"}, PatternRow{1e-20, "0.00", "0.00"},
        PatternRow{4.9e-324, "###0.0", "0.0"}));

TEST(Pattern, NonFiniteValuesGiveAWord) {
  EXPECT_EQ(FormatPattern(std::nan(""), "0000.0"), "NaN");
  EXPECT_EQ(FormatPattern(INFINITY, "0000.0"), "Inf");
  EXPECT_EQ(FormatPattern(-INFINITY, "0000.0"), "-Inf");
}

TEST(Pattern, SingleValuesRoundOnTheirOwnDigits) {
  // 120.45f is 120.4499969... as a double; as a single it reads 120.45.
  EXPECT_EQ(FormatPattern(120.45f, "0000.0"), "0120.5");
  EXPECT_EQ(FormatPattern(120.45, "0000.0"), "0120.5");
  EXPECT_EQ(FormatPattern(static_cast<double>(120.45f), "0000.0"), "0120.4");
  EXPECT_EQ(FormatPattern(0.7071068f, "#0.0#"), "0.71");
  EXPECT_EQ(FormatPattern(std::int16_t{7}, "00"), "07");
}

struct ListRow {
  double value;
  const char* text;
};

class ListFormTest : public ::testing::TestWithParam<ListRow> {};

TEST_P(ListFormTest, WritesShortestNumeral) {
  EXPECT_EQ(ListForm(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ListFormTest,
    ::testing::Values(ListRow{0.1, "0.1"}, ListRow{120, "120"}, ListRow{-2.5, "-2.5"},
                      ListRow{0.01, "0.01"}, ListRow{0.001, "0.001"}, ListRow{72000, "72000"},
                      ListRow{-0.0, "0"}, ListRow{1e20, "1E+20"}, ListRow{1e-7, "1E-07"},
                      ListRow{123456789012345678.0, "1.23456789012346E+17"},
                      ListRow{1.0 / 3.0, "0.333333333333333"}, ListRow{2.71, "2.71"},
                      ListRow{0.1f, "0.100000001490116"},
                      ListRow{1.7976931348623157e308, "1.79769313486231E+308"},
                      ListRow{-1.7976931348623157e308, "-1.79769313486231E+308"},
                      ListRow{1.797693134862314e308, "1.79769313486231E+308"}));

TEST(ListForm, PrintFormHasSignPlaceAndTrailingBlank) {
  EXPECT_EQ(PrintForm(14), " 14 ");
  EXPECT_EQ(PrintForm(0), " 0 ");
  EXPECT_EQ(PrintForm(-3), "-3 ");
}

TEST(ListForm, RandomDoublesSurviveWriteThenRead) {
  std::mt19937_64 gen(42);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-300, 300);
  for (int i = 0; i < 20000; ++i) {
    const double v = mantissa(gen) * std::pow(10.0, exponent(gen));
    const std::string text = ListForm(v);
    const auto back = ParseListNumber(text);
    ASSERT_TRUE(back.has_value()) << text;
    // Exact to 15 significant digits: writing the read value gives the same text.
    EXPECT_EQ(ListForm(*back), text);
    EXPECT_NEAR(*back, v, std::fabs(v) * 1e-14) << text;
  }
}

struct ParseRow {
  const char* text;
  bool ok;
  double value;
};

class ParseTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseTest, ReadsListItems) {
  const auto& row = GetParam();
  const auto v = ParseListNumber(row.text);
  ASSERT_EQ(v.has_value(), row.ok) << row.text;
  if (row.ok) {
    EXPECT_DOUBLE_EQ(*v, row.value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Items, ParseTest,
    ::testing::Values(
        ParseRow{"0.01", true, 0.01}, ParseRow{".01", true, 0.01}, ParseRow{"-2.5", true, -2.5},
        ParseRow{"1E+20", true, 1e20}, ParseRow{"1e-7", true, 1e-7}, ParseRow{"   42", true, 42},
        ParseRow{" 14 ", true, 14}, ParseRow{"+3", true, 3}, ParseRow{"", false, 0},
        ParseRow{"   ", false, 0}, ParseRow{"abc", false, 0}, ParseRow{"12abc", false, 0},
        ParseRow{"1e999", false, 0}, ParseRow{"nan", false, 0}, ParseRow{"inf", false, 0},
        ParseRow{"-inf", false, 0}, ParseRow{"0x10", false, 0}, ParseRow{"-", false, 0},
        ParseRow{".", false, 0}, ParseRow{"1.2.3", false, 0}));

TEST(ListReader, ItemsSeparatedByCommasOrLineEnds) {
  ListReader reader("61,-2.5,0,0,\r\n 14 \r\n\r\n120.5,4373\n7");
  std::vector<double> got;
  while (auto v = reader.Next()) got.push_back(*v);
  EXPECT_EQ(got, (std::vector<double>{61, -2.5, 0, 0, 14, 120.5, 4373, 7}));
}

TEST(ListReader, StopsForGoodAtTheFirstFault) {
  ListReader reader("1,2,x,4\r\n5");
  EXPECT_EQ(reader.Next(), 1.0);
  EXPECT_EQ(reader.Next(), 2.0);
  EXPECT_FALSE(reader.Next().has_value());
  EXPECT_FALSE(reader.Next().has_value());
}

TEST(ListReader, EmptyItemBetweenCommasIsAFault) {
  ListReader reader("1,,2");
  EXPECT_EQ(reader.Next(), 1.0);
  EXPECT_FALSE(reader.Next().has_value());
}

struct LeadingRow {
  const char* text;
  double value;
};

class LeadingTest : public ::testing::TestWithParam<LeadingRow> {};

TEST_P(LeadingTest, TakesTheLongestLeadingNumber) {
  EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Fields, LeadingTest,
                         ::testing::Values(LeadingRow{"", 0}, LeadingRow{"120.5", 120.5},
                                           LeadingRow{"12.5.3", 12.5}, LeadingRow{"250", 250},
                                           LeadingRow{".5", 0.5}, LeadingRow{".", 0},
                                           LeadingRow{"abc", 0}, LeadingRow{"  7x", 7},
                                           LeadingRow{"-3.25", -3.25}, LeadingRow{"1e3", 1000},
                                           LeadingRow{"1e", 1}, LeadingRow{"5.", 5},
                                           LeadingRow{"1e999", 0}));

// The texts must not change under a locale whose decimal separator is a comma.
TEST(Locale, DecimalCommaLocaleChangesNothing) {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"};
  bool switched = false;
  for (const char* name : names) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      switched = true;
      try {
        std::locale::global(std::locale(name));
      } catch (const std::runtime_error&) {
      }
      break;
    }
  }
  if (!switched) GTEST_SKIP() << "no decimal-comma locale installed";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  ASSERT_STREQ(probe, "0,5") << "the locale did not switch the separator";
  EXPECT_EQ(ListForm(0.1), "0.1");
  EXPECT_EQ(FormatPattern(120.44, "0000.0"), "0120.4");
  EXPECT_EQ(ParseListNumber("2.5"), 2.5);
  EXPECT_FALSE(ParseListNumber("2,5").has_value());
  EXPECT_DOUBLE_EQ(LeadingNumber("12.75"), 12.75);
  std::setlocale(LC_ALL, "C");
  std::locale::global(std::locale::classic());
}

}  // namespace
