#include <gtest/gtest.h>

#include <cctype>
#include <cmath>

#include "core/Settings.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;
using orlix::testing::MemoryFileAccess;

namespace {

const std::array<double, 14> kMissingFileValues = {1,     1, 1, 0.01, 0.1, 0.1, 0.1,
                                                   0.001, 1, 0, 0,    1,   0,   0};

TEST(Configuration, MissingFileGivesMinimaAndApproximation) {
  MemoryFileAccess files;
  SettingsRecord s;
  Cfgfile(files).ReadConfiguration(s);
  EXPECT_EQ(s.values, kMissingFileValues);
  EXPECT_FALSE(files.Exists(kConfigurationFile)) << "reading must not create the file";
}

TEST(Configuration, MissingFileKeepsBackgroundAndSource) {
  MemoryFileAccess files;
  SettingsRecord s;
  s[Background] = 55;
  s[Source] = 4400;
  s[DisplayPeriod] = 3;
  Cfgfile(files).ReadConfiguration(s);
  EXPECT_EQ(s[Background], 55);
  EXPECT_EQ(s[Source], 4400);
  EXPECT_EQ(s[DisplayPeriod], 0.1);
}

TEST(Configuration, WritesFourteenLinesByteExact) {
  MemoryFileAccess files;
  SettingsRecord s;
  s.values = {2.71, 700, 570, 0.01, 0.1, 0.5, 60, 0.001, 31, 0, 3000, 2, 123.25, -4};
  ASSERT_TRUE(Cfgfile(files).WriteConfiguration(s));
  EXPECT_EQ(files.files[kConfigurationFile],
            "2.71\r\n700\r\n570\r\n0.01\r\n0.1\r\n0.5\r\n60\r\n0.001\r\n31\r\n0\r\n3000\r\n2\r\n"
            "123.25\r\n-4\r\n");
}

TEST(Configuration, SaveThenReadGivesTheSameValues) {
  MemoryFileAccess files;
  SettingsRecord s;
  s.values = {1999.99, 1, 1000, 1000, 10, 72000, 0.3, 1, 1, 1e-9, 1e20, 3, 7.5, 1.0 / 3.0};
  Cfgfile cfg(files);
  ASSERT_TRUE(cfg.WriteConfiguration(s));
  SettingsRecord back;
  cfg.ReadConfiguration(back);
  for (int i = 0; i < kSettingCount; ++i) EXPECT_NEAR(back[i], s[i], std::fabs(s[i]) * 1e-14) << i;
  EXPECT_EQ(back[MeasurementMode], 3) << "an unknown mode loads unchanged";
}

struct BadFileRow {
  const char* name;
  std::string text;
  int valuesRead;  // values taken from the file before the fault
};

class BadFileTest : public ::testing::TestWithParam<BadFileRow> {};

TEST_P(BadFileTest, KeepsWhatWasReadAndDefaultsTheRest) {
  const auto& row = GetParam();
  MemoryFileAccess files;
  files.files[kConfigurationFile] = row.text;
  SettingsRecord s;
  s[Background] = 11;
  s[Source] = 22;
  Cfgfile(files).ReadConfiguration(s);
  for (int i = 0; i < kSettingCount; ++i) {
    if (i < row.valuesRead) {
      EXPECT_EQ(s[i], 5 + i) << row.name << " index " << i;
    } else if (i == Background) {
      EXPECT_EQ(s[i], 11) << row.name;
    } else if (i == Source) {
      EXPECT_EQ(s[i], 22) << row.name;
    } else {
      EXPECT_EQ(s[i], kMissingFileValues[static_cast<std::size_t>(i)])
          << row.name << " index " << i;
    }
  }
}

std::string Lines(int count, std::string tail = "") {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::to_string(5 + i) + "\r\n";
  return text + tail;
}

std::string Garbage() {
  std::string text = Lines(3);
  for (int i = 0; i < 3 * 1024 * 1024; ++i)
    text.push_back(static_cast<char>((static_cast<unsigned>(i) * 7919u) % 256u));
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(BadFileRow{"complete", Lines(14), 14},
                      BadFileRow{"commas on one line", "5,6,7,8,9,10,11,12,13,14,15,16,17,18", 14},
                      BadFileRow{"fewer numbers", Lines(6), 6}, BadFileRow{"empty", "", 0},
                      BadFileRow{"non-numeric item", Lines(4, "fast\r\n9\r\n"), 4},
                      BadFileRow{"blank lines are passed over", "5\r\n\r\n6\r\n\r\n", 2},
                      BadFileRow{"too large for a double", Lines(2, "1e400\r\n7\r\n"), 2},
                      BadFileRow{"binary garbage", Garbage(), 3},
                      BadFileRow{"extra numbers ignored", Lines(20), 14}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST(Configuration, UnreadableFileGivesDefaults) {
  MemoryFileAccess files;
  files.files[kConfigurationFile] = Lines(14);
  files.failReads = true;
  SettingsRecord s;
  Cfgfile(files).ReadConfiguration(s);
  EXPECT_EQ(s.values, kMissingFileValues);
}

TEST(Configuration, FailedWriteIsReportedAndKeepsTheOldFile) {
  MemoryFileAccess files;
  files.files[kConfigurationFile] = "old";
  files.failReplace = true;
  SettingsRecord s;
  EXPECT_FALSE(Cfgfile(files).WriteConfiguration(s));
  EXPECT_EQ(files.files[kConfigurationFile], "old");
}

TEST(Configuration, ValuesOutsideTheKeypadLimitsAreUsedUnchanged) {
  MemoryFileAccess files;
  files.files[kConfigurationFile] =
      "1\r\n1\r\n1\r\n0.01\r\n60\r\n0\r\n0.1\r\n0.001\r\n1\r\n0\r\n0\r\n3\r\n0\r\n0\r\n";
  SettingsRecord s;
  Cfgfile(files).ReadConfiguration(s);
  EXPECT_EQ(s[DisplayPeriod], 60);
  EXPECT_EQ(s[FileOutputPeriod], 0);
  EXPECT_EQ(s[MeasurementMode], 3);
}

}  // namespace
