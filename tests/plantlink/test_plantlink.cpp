// The plant link's rules: register image, allow list and settings, framing, holding
// registers and commit, log line.
#include <gtest/gtest.h>

#include <cmath>

#include "plantlink/LinkSettings.h"
#include "plantlink/Protocol.h"
#include "plantlink/RegisterImage.h"

namespace orlix::link {
namespace {

StationSnapshot Running(float t, float sp) {
  StationSnapshot s;
  s.passRunning = s.measured = s.controlOn = true;
  s.thickness = t;
  s.setPoint = sp;
  s.correction = (sp - t) * 1000.0 / 100.0 / t;
  s.gain = 100;
  s.pass = 7;
  s.stripLength = 12.5f;
  s.rollWeight = 3.25f;
  s.rollDiameter = 501.5f;
  return s;
}

struct ImageRow {
  const char* name;
  StationSnapshot snapshot;
  // thickness, set-point, deviation words as int32; dev %, correction, status
  std::int64_t thickness, setPoint, deviation;
  int percent;
  std::int64_t correction;
  std::uint16_t status;
};

StationSnapshot Idle() {
  StationSnapshot s = Running(150.5f, 120.0f);
  s.passRunning = s.measured = false;
  return s;
}
StationSnapshot Started() {
  StationSnapshot s = Running(150.5f, 120.0f);
  s.measured = false;
  return s;
}
StationSnapshot ControlOff() {
  StationSnapshot s = Running(90.0f, 120.0f);
  s.controlOn = false;
  s.correction.reset();
  return s;
}
StationSnapshot Huge() {
  StationSnapshot s = Running(9999.9f, 0.1f);
  s.fileFailing = true;
  s.lowerLimit = 0.0f;
  s.upperLimit = 20000.0f;
  return s;
}

class ImageTest : public testing::TestWithParam<ImageRow> {};

TEST_P(ImageTest, Registers) {
  const ImageRow& r = GetParam();
  const InputImage image = MakeInputImage(r.snapshot, 65535);
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

constexpr std::int64_t kNo = INT32_MIN;
INSTANTIATE_TEST_SUITE_P(
    Rows, ImageTest,
    testing::Values(
        // (120 - 150.5) * 1000 / 100 / 150.5 = -2.0266 per mille; 30.5 / 120 = 25.42 %
        ImageRow{"running", Running(150.5f, 120.0f), 150500, 120000, 30500, 2542, -2027, 0b111},
        ImageRow{"below", Running(90.0f, 120.0f), 90000, 120000, -30000, -2500, 3333, 0b111},
        ImageRow{"idle", Idle(), kNo, 120000, kNo, -32768, kNo, 0b100},
        ImageRow{"started", Started(), kNo, 120000, kNo, -32768, kNo, 0b101},
        ImageRow{"control_off", ControlOff(), 90000, 120000, -30000, -2500, kNo, 0b011},
        // the deviation in hundredths of a percent clamps at 32767
        ImageRow{"clamped", Huge(), 9999900, 100, 9999800, 32767, -10000, 0b11111}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Image, WordOrderAndClamp) {
  InputImage image{};
  PutInt32(image, 0, ScaledInt32(-2.5, 1000.0));  // -2500 = 0xFFFFF63C
  EXPECT_EQ(image[0], 0xFFFF);
  EXPECT_EQ(image[1], 0xF63C);
  EXPECT_EQ(ScaledInt32(-1e12, 1.0), 0x80000001u);  // never the invalid marker
  EXPECT_EQ(ScaledInt32(std::nan(""), 1.0), kInvalid32);
}

struct AllowRow {
  const char* list;
  const char* peer;
  bool allowed;
};
class AllowTest : public testing::TestWithParam<AllowRow> {};
TEST_P(AllowTest, Matches) {
  std::vector<AllowedNetwork> allow;
  ASSERT_TRUE(ParseAllowList(GetParam().list, allow));
  EXPECT_EQ(Allowed(allow, GetParam().peer), GetParam().allowed);
}
INSTANTIATE_TEST_SUITE_P(Rows, AllowTest,
                         testing::Values(AllowRow{"127.0.0.1", "127.0.0.1", true},
                                         AllowRow{"127.0.0.1", "127.0.0.2", false},
                                         AllowRow{" 10.0.0.5 , 127.0.0.1", "::ffff:127.0.0.1", true},
                                         AllowRow{"192.168.1.0/24", "192.168.1.77", true},
                                         AllowRow{"192.168.1.0/24", "192.168.2.1", false},
                                         AllowRow{"0.0.0.0/0", "8.8.8.8", true},
                                         AllowRow{"", "127.0.0.1", false},
                                         AllowRow{"127.0.0.1", "::1", false}));

TEST(Settings, DefaultsAndBadValues) {
  const LinkSettings d = ParseLinkSettings({});
  EXPECT_FALSE(d.enabled);
  EXPECT_EQ(d.port, 5020);
  EXPECT_TRUE(Allowed(d.allow, "127.0.0.1"));
  std::vector<std::string> problems;
  const LinkSettings s = ParseLinkSettings(
      {{"enabled", "true"}, {"port", "70000"}, {"unit", "0"}, {"allow", "1.2.3"}, {"writes", "1"},
       {"max_clients", "2"}, {"idle_timeout_s", "x"}, {"listen", "0.0.0.0"}},
      &problems);
  EXPECT_TRUE(s.enabled && s.writes);
  EXPECT_EQ(s.listen, "0.0.0.0");
  EXPECT_EQ(s.maxClients, 2);
  EXPECT_EQ(s.port, 5020);
  EXPECT_EQ(s.unit, 1);
  EXPECT_EQ(s.idleTimeoutS, 30);
  EXPECT_EQ(s.allowText, "127.0.0.1");
  EXPECT_EQ(problems.size(), 4u);
}

struct FrameRow {
  const char* name;
  std::string bytes;
  FrameResult result;
};
class FrameTest : public testing::TestWithParam<FrameRow> {};
TEST_P(FrameTest, Cuts) {
  std::string buffer = GetParam().bytes;
  Frame f;
  EXPECT_EQ(TakeFrame(buffer, f), GetParam().result);
  if (GetParam().result == FrameResult::Complete) {
    EXPECT_EQ(f.transaction, 0x0102);
    EXPECT_EQ(f.pdu, std::string("\x04\x00\x00\x00\x13", 5));
    EXPECT_EQ(buffer, "rest");
  } else {
    EXPECT_EQ(buffer, GetParam().bytes);
  }
}
const std::string kRead("\x01\x02\x00\x00\x00\x06\x01\x04\x00\x00\x00\x13", 12);
INSTANTIATE_TEST_SUITE_P(
    Rows, FrameTest,
    testing::Values(FrameRow{"complete", kRead + "rest", FrameResult::Complete},
                    FrameRow{"short_header", kRead.substr(0, 5), FrameResult::Incomplete},
                    FrameRow{"long_length", std::string("\x00\x01\x00\x00\x00\x40\x01\x04", 8),
                             FrameResult::Incomplete},
                    FrameRow{"length_1", std::string("\x00\x01\x00\x00\x00\x01\x01", 7),
                             FrameResult::Malformed},
                    FrameRow{"length_255", std::string("\x00\x01\x00\x00\x00\xff\x01", 7),
                             FrameResult::Malformed},
                    FrameRow{"protocol", std::string("\x00\x01\x00\x07", 4), FrameResult::Malformed}),
    [](const auto& info) { return std::string(info.param.name); });

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

TEST(Write, DecodeAndLogLine) {
  std::uint16_t address = 0;
  std::vector<std::uint16_t> values;
  EXPECT_TRUE(DecodeWrite(0x10, std::string("\x00\x64\x00\x02\x04\x00\x03\x0d\x40", 9), address, values));
  EXPECT_EQ(values, (std::vector<std::uint16_t>{3, 0x0D40}));
  EXPECT_FALSE(DecodeWrite(0x10, std::string("\x00\x64\x00\x02\x03\x00\x03\x0d", 8), address, values));
  EXPECT_FALSE(DecodeWrite(0x06, std::string("\x00\x64\x00", 3), address, values));
  EXPECT_EQ(CommitLogLine("2026-12-07", "15:40:01", "127.0.0.1", 120.0f, 3, {200000, 7}),
            "2026-12-07 15:40:01  127.0.0.1  set-point 120.0 -> 200.0 mcm  pass 03 -> 07\n");
}

}  // namespace
}  // namespace orlix::link
