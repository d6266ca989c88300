// The plant link's rules: register image, allow list and settings, holding registers and
// commit. Framing, function codes and the log line are tried by link_clients.py.
#include <gtest/gtest.h>

#include <cmath>

#include "plantlink/LinkSettings.h"
#include "plantlink/Protocol.h"
#include "plantlink/RegisterImage.h"

namespace orlix::link {
namespace {

// A pass at 150.5 µm against 120 µm, control on at 100 %, then changed by each row.
struct ImageRow {
  const char* name;
  void (*change)(StationSnapshot&);
  std::int64_t thickness, setPoint, deviation;  // int32 registers
  int percent;
  std::int64_t correction;
  std::uint16_t status;
};

constexpr std::int64_t kNo = INT32_MIN;
class ImageTest : public testing::TestWithParam<ImageRow> {};

TEST_P(ImageTest, Registers) {
  const ImageRow& r = GetParam();
  StationSnapshot s;
  s.passRunning = s.measured = s.controlOn = true;
  s.thickness = 150.5f;
  s.setPoint = 120.0f;
  s.gain = 100;
  s.stripLength = 12.5f;
  s.rollWeight = 3.25f;
  s.rollDiameter = 501.5f;
  r.change(s);
  if (s.thickness != 0) s.correction = (s.setPoint - s.thickness) * 10.0 / s.thickness;
  const InputImage image = MakeInputImage(s, 65535);
  auto i32 = [&](int a) { return static_cast<std::int32_t>(GetInt32(&image[static_cast<std::size_t>(a)])); };
  EXPECT_EQ(i32(kThickness), r.thickness);
  EXPECT_EQ(i32(kSetPoint), r.setPoint);
  EXPECT_EQ(i32(kDeviation), r.deviation);
  EXPECT_EQ(static_cast<std::int16_t>(image[kDeviationPercent]), r.percent);
  EXPECT_EQ(i32(kCorrection), r.correction);
  EXPECT_EQ(image[kStatus], r.status);
  EXPECT_EQ(image[kUpdateCounter], 65535);
  const bool valid = r.status & kValueValid;
  EXPECT_EQ(i32(kStripLength), valid ? 12500 : INT32_MIN);
  EXPECT_EQ(i32(kRollWeight), valid ? 3250 : INT32_MIN);
  EXPECT_EQ(i32(kRollDiameter), valid ? 501500 : INT32_MIN);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ImageTest,
    testing::Values(
        // -30.5 × 1000 / 100 / 150.5 = -2.0266 per mille; 30.5 / 120 = 25.42 %
        ImageRow{"running", [](StationSnapshot&) {}, 150500, 120000, 30500, 2542, -2027, 0b111},
        ImageRow{"below", [](StationSnapshot& s) { s.thickness = 90; }, 90000, 120000, -30000,
                 -2500, 3333, 0b111},
        ImageRow{"idle", [](StationSnapshot& s) { s.passRunning = s.measured = false; }, kNo,
                 120000, kNo, -32768, kNo, 0b100},
        ImageRow{"started", [](StationSnapshot& s) { s.measured = false; }, kNo, 120000, kNo,
                 -32768, kNo, 0b101},
        ImageRow{"control_off", [](StationSnapshot& s) { s.controlOn = false; }, 150500, 120000,
                 30500, 2542, kNo, 0b011},
        // the percentage clamps at 32767; limits known, file failing
        ImageRow{"clamped",
                 [](StationSnapshot& s) {
                   s.thickness = 9999.9f, s.setPoint = 0.1f, s.fileFailing = true;
                   s.lowerLimit = 9999.0f, s.upperLimit = 10000.0f;
                 },
                 9999900, 100, 9999800, 32767, -10000, 0b11111}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Image, WordOrderAndClamp) {
  InputImage image{};
  PutInt32(image, 0, ScaledInt32(-2.5, 1000.0));  // -2500 = 0xFFFFF63C
  EXPECT_TRUE(image[0] == 0xFFFF && image[1] == 0xF63C);
  EXPECT_EQ(ScaledInt32(-1e12, 1.0), 0x80000001u);  // never the invalid marker
  EXPECT_EQ(ScaledInt32(std::nan(""), 1.0), kInvalid32);
}

struct AllowRow { const char *list, *peer; bool allowed; };
class AllowTest : public testing::TestWithParam<AllowRow> {};
TEST_P(AllowTest, Matches) {
  std::vector<AllowedNetwork> allow;
  ASSERT_TRUE(ParseAllowList(GetParam().list, allow));
  EXPECT_EQ(Allowed(allow, GetParam().peer), GetParam().allowed);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, AllowTest,
    testing::Values(AllowRow{"127.0.0.1", "127.0.0.1", true}, AllowRow{"127.0.0.1", "127.0.0.2", false},
                    AllowRow{" 10.0.0.5 , 127.0.0.1", "::ffff:127.0.0.1", true},
                    AllowRow{"192.168.1.0/24", "192.168.1.77", true}, AllowRow{"192.168.1.0/24", "192.168.2.1", false},
                    AllowRow{"0.0.0.0/0", "8.8.8.8", true}, AllowRow{"", "127.0.0.1", false},
                    AllowRow{"127.0.0.1", "::1", false}));

TEST(Settings, BadValuesKeepDefaults) {
  std::vector<std::string> problems;
  const LinkSettings s = ParseLinkSettings(
      {{"enabled", "true"}, {"port", "70000"}, {"unit", "0"}, {"allow", "1.2.3"}, {"writes", "1"},
       {"max_clients", "2"}, {"idle_timeout_s", "x"}, {"listen", "0.0.0.0"}},
      &problems);
  EXPECT_TRUE(s.enabled && s.writes && s.listen == "0.0.0.0" && s.maxClients == 2);
  EXPECT_TRUE(s.port == 5020 && s.unit == 1 && s.idleTimeoutS == 30 && s.allowText == "127.0.0.1");
  EXPECT_EQ(problems.size(), 4u);
}

struct WriteRow {
  const char* name;
  std::uint16_t address;
  std::vector<std::uint16_t> values;
  WriteContext context;
  Exception exception;
  bool commits;
};
class WriteTest : public testing::TestWithParam<WriteRow> {};
TEST_P(WriteTest, Rules) {
  HoldingRegisters h;
  h.Reset(120.0f, 3);
  const auto before = h.Words();
  const WriteRow& r = GetParam();
  const WriteOutcome out = h.Write(r.address, r.values, r.context);
  EXPECT_EQ(out.exception, r.exception);
  EXPECT_EQ(out.commit.has_value(), r.commits);
  if (r.exception != Exception::None) {
    EXPECT_EQ(h.Words(), before);  // nothing applied
  }
  if (r.commits) {
    EXPECT_EQ(out.commit->setPointNm, 200000);  // 0x00030D40
    EXPECT_EQ(out.commit->pass, 7);
  }
}
const WriteContext kIdle{true, false, 42};
INSTANTIATE_TEST_SUITE_P(
    Rows, WriteTest,
    testing::Values(
        WriteRow{"commit", 100, {3, 0x0D40, 7, 42}, kIdle, Exception::None, true},
        WriteRow{"stage_only", 100, {3, 0x0D40, 7}, kIdle, Exception::None, false},
        WriteRow{"writes_off", 102, {7}, {false, false, 42}, Exception::IllegalFunction, false},
        WriteRow{"below_map", 99, {1, 2}, kIdle, Exception::IllegalAddress, false},
        WriteRow{"beyond_map", 103, {42, 0}, kIdle, Exception::IllegalAddress, false},
        WriteRow{"pass_100", 102, {100}, kIdle, Exception::IllegalValue, false},
        WriteRow{"stale_counter", 100, {3, 0x0D40, 7, 41}, kIdle, Exception::IllegalValue, false},
        WriteRow{"pass_running", 100, {3, 0x0D40, 7, 42}, {true, true, 42}, Exception::IllegalValue, false},
        WriteRow{"set_point_0", 100, {0, 0, 7, 42}, kIdle, Exception::IllegalValue, false},
        WriteRow{"set_point_10000", 100, {0x98, 0x9680, 7, 42}, kIdle, Exception::IllegalValue, false},
        WriteRow{"hundredth", 100, {3, 0x0D4A, 7, 42}, kIdle, Exception::IllegalValue, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orlix::link
