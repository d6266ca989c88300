// station.ini: what a group reads as, and what a write changes, byte for byte.
#include <gtest/gtest.h>

#include "passfiles/PassInfo.h"
#include "settings/StationIni.h"
#include "tests/support/FakePlatform.h"

namespace orlix {
namespace {

struct ReadRow {
  const char* text;        // nullptr: no file
  StationIni::Keys group;  // what [g] reads as
  bool unreadable = false;
};
class Reading : public ::testing::TestWithParam<ReadRow> {};
TEST_P(Reading, GroupTexts) {
  orlix::testing::MemoryFileAccess files;
  if (GetParam().text) files.files[kStationIni] = GetParam().text;
  files.failReads = GetParam().unreadable;
  EXPECT_EQ(StationIni(files).Group("g"), GetParam().group) << GetParam().text;
  // A group is there with its keys, and without any (the alarm's rule).
  EXPECT_TRUE(GetParam().group.empty() || StationIni(files).HasGroup("g"));
  files.files[kStationIni] += "\n[alarm]\n";
  EXPECT_EQ(StationIni(files).HasGroup("alarm"), !GetParam().unreadable);
  EXPECT_FALSE(StationIni(files).HasGroup("h2"));
}
INSTANTIATE_TEST_SUITE_P(
    Rows, Reading,
    ::testing::Values(
        ReadRow{"[g]\na = 1 \nb\t=\t\"  x, y \"\nc=\n", {{"a", "1"}, {"b", "  x, y "}, {"c", ""}}},
        ReadRow{"[g]\r\nallow = 127.0.0.1, 10.1.2.0/24\r\n", {{"allow", "127.0.0.1, 10.1.2.0/24"}}},
        ReadRow{"[g]\nq=\"say \\\"hi\\\" \\\\ ok\" \nt=a\\tb\n",
                {{"q", "say \"hi\" \\ ok"}, {"t", "a\tb"}}},
        ReadRow{"[g]\nport = 5020 ; the port\nx = \"a;b\" ; c\n", {{"port", "5020"}, {"x", "a;b"}}},
        ReadRow{"[g]\n; a=1\n# b=2\n  ;c=3\nnot a key\n", {}},
        // outside any group, in another group, a group read twice, a key written twice
        ReadRow{"a=1\n[h]\nb=2\n[g]\nc=3\nc=4\n[G]\nd=5\n[ g ]\ne=6", {{"c", "4"}, {"e", "6"}}},
        ReadRow{"\xEF\xBB\xBF[g]\nA=1\n", {{"A", "1"}}}, ReadRow{nullptr, {}},
        ReadRow{"[g]\na=1\n", {}, true}));

struct WriteRow {
  const char* name;
  const char* before;  // nullptr: no file
  StationIni::Values values;
  const char* after;
};
class Writing : public ::testing::TestWithParam<WriteRow> {};
TEST_P(Writing, ChangesOnlyTheGivenKeys) {
  const WriteRow& r = GetParam();
  orlix::testing::MemoryFileAccess files;
  if (r.before) files.files[kStationIni] = r.before;
  StationIni ini(files);
  ASSERT_TRUE(ini.Write("g", r.values));
  EXPECT_EQ(files.files[kStationIni], r.after);
  const StationIni::Keys read = ini.Group("g");
  for (const auto& [key, value] : r.values) EXPECT_EQ(read.at(key), value) << key;
  // Written again with the same values, the file is not touched.
  const int writes = files.writes;
  ASSERT_TRUE(ini.Write("g", r.values));
  EXPECT_EQ(files.writes, writes);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, Writing,
    ::testing::Values(
        WriteRow(
            "comments_blank_lines_unknown_keys_other_groups",
            "; station\n# hand-kept\n\n[g]\nkeep = x ; note\n  a =  6 ; agreed\n\n[modbus]\n"
            "; the link\nallow = 127.0.0.1, 10.1.2.0/24\na=9\n",
            {{"a", "3"}, {"b", "2.5"}},
            "; station\n# hand-kept\n\n[g]\nkeep = x ; note\n  a =  3 ; agreed\nb=2.5\n\n[modbus]\n"
            "; the link\nallow = 127.0.0.1, 10.1.2.0/24\na=9\n"),
        WriteRow("crlf_missing_group", "a=1\r\n[h]\r\nb=2", {{"a", "3"}},
                 "a=1\r\n[h]\r\nb=2\r\n\r\n[g]\r\na=3\r\n"),
        WriteRow("missing_group_after_blank_line", "[h]\nb=2\n\n", {{"a", "3"}},
                 "[h]\nb=2\n\n[g]\na=3\n"),
        WriteRow("missing_file", nullptr, {{"a", "3"}, {"b", "4"}}, "[g]\r\na=3\r\nb=4\r\n"),
        WriteRow("key_twice_group_twice", "[g]\r\na=1\r\n[h]\r\na=1\r\n[g]\r\na = \"1\"\r\n",
                 {{"a", "2"}, {"b", "5"}}, "[g]\r\na=2\r\n[h]\r\na=1\r\n[g]\r\na = 2\r\nb=5\r\n"),
        WriteRow("group_without_keys", "[g]\n; tolerance\n[h]\nb=1\n", {{"a", "3"}},
                 "[g]\na=3\n; tolerance\n[h]\nb=1\n"),
        WriteRow("last_line_without_line_end", "[g]\na=1", {{"b", "2"}}, "[g]\na=1\nb=2"),
        WriteRow("empty_value_and_quotes_needed", "[g]\na=\nb=1\n",
                 {{"a", "7"}, {"b", " x;\"y\" "}}, "[g]\na=7\nb=\" x;\\\"y\\\" \"\n")),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Writing, FailureLeavesTheFile) {
  orlix::testing::MemoryFileAccess files;
  const std::string before = "; mine\n[g]\na=1\n";
  files.files[kStationIni] = before;
  StationIni ini(files);
  files.failReplace = true;
  EXPECT_FALSE(ini.Write("g", {{"a", "2"}}));
  files.failReplace = false;
  files.failReads = true;  // there but unreadable: never written over
  EXPECT_FALSE(ini.Write("g", {{"a", "2"}}));
  EXPECT_EQ(files.files[kStationIni], before);
  EXPECT_EQ(files.writes, 0);
}

// Only the named keys of the group go, every line of them; a second removal writes nothing,
// and a failed one leaves the file.
TEST(Removing, DropsOnlyTheKeysOfTheGroup) {
  orlix::testing::MemoryFileAccess files;
  files.files[kStationIni] = "[g]\r\n; pin\r\na = 1\r\nb=2\r\n[h]\r\na=3\r\n[g]\r\na=4";
  StationIni ini(files);
  ASSERT_TRUE(ini.Remove("g", {"a"}));
  EXPECT_EQ(files.files[kStationIni], "[g]\r\n; pin\r\nb=2\r\n[h]\r\na=3\r\n[g]\r\n");
  ASSERT_TRUE(ini.Remove("g", {"a"}));
  EXPECT_EQ(files.writes, 1);
  files.failReplace = true;
  EXPECT_FALSE(ini.Remove("h", {"a"}));
  EXPECT_EQ(ini.Group("h").at("a"), "3");
}

// A tolerance that cannot give limits is never used quietly: station.ini and the information
// file name the key and the fault, and the pass recorded with it has no limits; a missing key
// in station.ini keeps its default.
struct ToleranceRow {
  const char* ini;  // station.ini's [quality] lines, or nullptr for:
  const char* psi;  // an information file's lines after number and start
  const char* problem;
  double lower = 0, upper = 0;  // around the set-point of 120; 0, 0 with a problem
};
class ToleranceRule : public ::testing::TestWithParam<ToleranceRow> {};
TEST_P(ToleranceRule, GivesLimitsOrSaysWhyNot) {
  const ToleranceRow& r = GetParam();
  orlix::testing::MemoryFileAccess files;
  StationIni ini(files);
  std::optional<PassInfo> info;
  if (r.ini) {
    files.files[kStationIni] = std::string("; by hand\n[quality]\n") + r.ini;
    const ToleranceSetting read = ini.ReadTolerance();
    EXPECT_EQ(read.problem, r.problem) << r.ini;
    // As "Start" records the pass.
    info = PassInfo{7, "s", "", 120, 40, read.tolerance.plus, read.tolerance.minus, 1, {}, {}, "v"};
    info->limitsProblem = read.problem;
    info = ParseInfo(InfoText(*info));
  } else {
    info = ParseInfo(std::string("[pass]\r\nnumber=7\r\nstart=s\r\n") + r.psi);
  }
  ASSERT_TRUE(info);
  EXPECT_EQ(info->limitsProblem, r.problem);
  const auto limits = LimitsOf(*info);
  EXPECT_EQ(limits.has_value(), std::string(r.problem).empty());
  const ToleranceLimits got = limits.value_or(ToleranceLimits{120, 0, 0});
  EXPECT_TRUE(got.lower == r.lower && got.upper == r.upper && got.setPoint == 120);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, ToleranceRule,
    ::testing::Values(
        ToleranceRow{"", nullptr, "", 114, 126},
        ToleranceRow{"tolerance_plus_um = 12.5\n", nullptr, "", 114, 132.5},
        ToleranceRow{"tolerance_plus_um=0\ntolerance_minus_um=3\n", nullptr, "", 117, 120},
        ToleranceRow{"tolerance_plus_um=12.5\ntolerance_minus_um=x\n", nullptr,
                     "station.ini: tolerance_minus_um is not a number"},
        ToleranceRow{"tolerance_minus_um=-8\n", nullptr,
                     "station.ini: tolerance_minus_um is below 0"},
        ToleranceRow{"tolerance_plus_um=nan\n", nullptr,
                     "station.ini: tolerance_plus_um is not a number"},
        ToleranceRow{"tolerance_plus_um=10000\n", nullptr,
                     "station.ini: tolerance_plus_um is above 9999 µm"},
        ToleranceRow{"tolerance_plus_um=0\ntolerance_minus_um=0\n", nullptr,
                     "station.ini: the tolerance has no width (both sides 0)"},
        ToleranceRow{nullptr, "set_point_um=120\ntolerance_plus_um=2\ntolerance_minus_um=9999\n",
                     "", -9879, 122},
        ToleranceRow{nullptr, "set_point_um=120\ntolerance_plus_um=6\ntolerance_minus_um=-8\n",
                     "the information file's tolerance_minus_um is below 0"},
        ToleranceRow{nullptr, "set_point_um=120\ntolerance_plus_um=6\n",
                     "the information file holds no tolerance"},
        ToleranceRow{nullptr, "tolerance_plus_um=6\ntolerance_minus_um=6\n",
                     "the information file holds no set-point"},
        ToleranceRow{nullptr,
                     "set_point_um=120\nlimits=not recorded: by hand\ntolerance_plus_um=6\n"
                     "tolerance_minus_um=6\n",
                     "by hand"}));

TEST(Tolerance, WritesListFormAndKeepsTheRest) {
  orlix::testing::MemoryFileAccess files;
  StationIni ini(files);
  files.files[kStationIni] = "[quality]\ntolerance_plus_um=x\n";
  ASSERT_TRUE(ini.WriteTolerance({3, 0.25}));
  EXPECT_EQ(files.files[kStationIni], "[quality]\ntolerance_plus_um=3\ntolerance_minus_um=0.25\n");
  const ToleranceSetting read = ini.ReadTolerance();
  EXPECT_TRUE(read.tolerance.plus == 3 && read.tolerance.minus == 0.25 && read.problem.empty());
}

}  // namespace
}  // namespace orlix
