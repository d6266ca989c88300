// The plant link's rules: register image, allow list and settings, holding registers and
// commit, framing, write requests and the log line. link_clients.py tries the same over
// the network with real clients.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <tuple>

#include "plantlink/LinkLog.h"
#include "plantlink/LinkSettings.h"
#include "plantlink/Protocol.h"
#include "plantlink/RegisterImage.h"
#include "plantlink/Requests.h"
#include "tests/support/FakePlatform.h"

namespace orlix::link {
namespace {

// A pass at 150.5 µm against 120 µm, control on at 100 %, then changed by each row.
struct ImageRow {
  const char* name;
  void (*change)(StationSnapshot&);
  std::uint16_t status;
  // The pass as it is: -30.5 × 1000 / 100 / 150.5 = -2.0266 per mille; 30.5 / 120 = 25.42 %
  std::int64_t thickness = 150500, setPoint = 120000, deviation = 30500;  // int32 registers
  int percent = 2542;
  std::int64_t correction = -2027;
  int gain = 100;
};

constexpr std::int64_t kNo = INT32_MIN;
class ImageTest : public ::testing::TestWithParam<ImageRow> {};

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
  s.pass = -7;
  r.change(s);
  if (s.thickness != 0) s.correction = (s.setPoint - s.thickness) * 10.0 / s.thickness;
  const InputImage image = MakeInputImage(s, 65535);
  auto i32 = [&](int a) {
    return static_cast<std::int32_t>(GetInt32(&image[static_cast<std::size_t>(a)]));
  };
  EXPECT_EQ(i32(kThickness), r.thickness);
  EXPECT_EQ(i32(kSetPoint), r.setPoint);
  EXPECT_EQ(i32(kDeviation), r.deviation);
  EXPECT_EQ(static_cast<std::int16_t>(image[kDeviationPercent]), r.percent);
  EXPECT_EQ(i32(kCorrection), r.correction);
  EXPECT_EQ(image[kStatus], r.status);
  EXPECT_EQ(image[kUpdateCounter], 65535);
  EXPECT_EQ(image[kPass], 0xFFF9);  // -7
  EXPECT_EQ(static_cast<std::int16_t>(image[kGain]), r.gain);
  const bool valid = r.status & kValueValid;
  EXPECT_EQ(i32(kStripLength), valid ? 12500 : INT32_MIN);
  EXPECT_EQ(i32(kRollWeight), valid ? 3250 : INT32_MIN);
  EXPECT_EQ(i32(kRollDiameter), valid ? 501500 : INT32_MIN);
  // The limits of a running pass that has them, to the nanometre.
  const bool limits = s.passRunning && s.lowerLimit;
  EXPECT_EQ(i32(kLowerLimit), limits ? std::lround(double(*s.lowerLimit) * 1000) : INT32_MIN);
  EXPECT_EQ(i32(kUpperLimit), limits ? std::lround(double(*s.upperLimit) * 1000) : INT32_MIN);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ImageTest,
    ::testing::Values(
        ImageRow{"running", [](auto&) {}, 0b10000111},
        ImageRow{"started", [](auto& s) { s.measured = false; }, 0b10000101, kNo, 120000, kNo,
                 -32768, kNo},
        ImageRow{"control_off", [](auto& s) { s.controlOn = false; }, 0b10000011, 150500, 120000,
                 30500, 2542, kNo},
        // the percentage clamps at 32767; limits known, file failing
        ImageRow{"clamped",
                 [](auto& s) {
                   s.thickness = 9999.9f, s.setPoint = 0.1f, s.fileFailing = true;
                   s.lowerLimit = 9999.0f, s.upperLimit = 10000.0f;
                 },
                 0b11111, 9999900, 100, 9999800, 32767, -10000},
        // 50.5 / 100 = 50.50 %, which a scale off by a part in 10^4 would round up
        ImageRow{"percent", [](auto& s) { s.setPoint = 100, s.gain = 1e6; }, 0b10000111, 150500,
                 100000, 50500, 5050, -3355, 32767},
        ImageRow{"no_set_point", [](auto& s) { s.setPoint = 0, s.gain = NAN; }, 0b10000111, 150500,
                 0, 150500, -32768, -10000, -32768},
        // -5.6 / 0.1 clamps at -32767, never the marker; the thickness on its lower limit
        ImageRow{"negative",
                 [](auto& s) {
                   s.thickness = -5.5f, s.setPoint = 0.1f, s.gain = -1e6;
                   s.lowerLimit = -5.5f, s.upperLimit = 0.0f;
                 },
                 0b10111, -5500, 100, -5600, -32767, -10182, -32767},
        ImageRow{"on_upper_limit", [](auto& s) { s.lowerLimit = 100, s.upperLimit = 150.5f; },
                 0b10111},
        ImageRow{"above_limits", [](auto& s) { s.lowerLimit = 100, s.upperLimit = 150.4f; },
                 0b100111},
        ImageRow{"below_limits", [](auto& s) { s.lowerLimit = 150.6f, s.upperLimit = 160; },
                 0b1000111},
        ImageRow{"alarm_thin_unacknowledged",
                 [](auto& s) {
                   s.alarm = {true, true, false, AlarmSide::kThin};
                 },
                 0xF87},
        ImageRow{"alarm_thick_acknowledged",
                 [](auto& s) {
                   s.alarm = {true, true, true, AlarmSide::kThick};
                 },
                 0x587},
        ImageRow{"alarm_returned",
                 [](auto& s) {
                   s.alarm = {true, false, false, AlarmSide::kThick};
                 },
                 0x387},
        ImageRow{"idle_in_limits",
                 [](auto& s) { s.passRunning = false, s.lowerLimit = 100, s.upperLimit = 200; },
                 0b100, kNo, 120000, kNo, -32768, kNo}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Image, WordOrderAndClamp) {
  InputImage image{};
  PutInt32(image, 0, ScaledInt32(-2.5, 1000.0));  // -2500 = 0xFFFFF63C
  EXPECT_TRUE(image[0] == 0xFFFF && image[1] == 0xF63C);
  EXPECT_EQ(ScaledInt32(-1e12, 1.0), 0x80000001u);  // never the invalid marker
  EXPECT_EQ(ScaledInt32(1e12, 1.0), 0x7FFFFFFFu);
  EXPECT_EQ(ScaledInt32(std::nan(""), 1.0), kInvalid32);
}

// The last pass's summary stays after "Stop" until the next "Start"; its report's figures
// come when they are known.
TEST(Image, LastPass) {
  StationSnapshot s;
  s.lastPass = PassOutcome{12, 1234.5675f, 87.25f, 612.5f, 120.1234, 1.5, 0.99995};
  auto i32 = [](const InputImage& m, int a) { return std::int32_t(GetInt32(&m[std::size_t(a)])); };
  InputImage image = MakeInputImage(s, 1);
  EXPECT_EQ(image[kLastPass], 12);
  EXPECT_EQ(i32(image, kLastLength), 1234568);
  EXPECT_EQ(i32(image, kLastWeight), 87250);
  EXPECT_EQ(i32(image, kLastDiameter), 612500);
  EXPECT_EQ(i32(image, kLastMean), 120123);
  EXPECT_EQ(i32(image, kLastDeviation), 1500);
  EXPECT_EQ(image[kLastInTolerance], 10000);  // 99.995 % rounds to 100.00 %
  s.lastPass->mean = s.lastPass->deviation = s.lastPass->inTolerance = std::nullopt;
  image = MakeInputImage(s, 1);
  EXPECT_EQ(i32(image, kLastLength), 1234568);
  EXPECT_TRUE(i32(image, kLastMean) == INT32_MIN && i32(image, kLastDeviation) == INT32_MIN);
  EXPECT_EQ(image[kLastInTolerance], kInvalid16);
  s.passRunning = true;  // a new pass: the summary is gone
  EXPECT_EQ(MakeInputImage(s, 1)[kLastPass], kInvalid16);
}

struct AllowRow {
  const char *list, *peer;
  bool allowed;
};
class AllowTest : public ::testing::TestWithParam<AllowRow> {};
TEST_P(AllowTest, Matches) {
  std::vector<AllowedNetwork> allow;
  ASSERT_TRUE(ParseAllowList(GetParam().list, allow));
  EXPECT_EQ(Allowed(allow, GetParam().peer), GetParam().allowed);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, AllowTest,
    ::testing::Values(
        AllowRow{"127.0.0.1", "127.0.0.1", true}, AllowRow{"127.0.0.1", "127.0.0.2", false},
        AllowRow{" 10.0.0.5 , 127.0.0.1", "::ffff:127.0.0.1", true},
        AllowRow{"192.168.1.0/24", "192.168.1.77", true},
        AllowRow{"192.168.1.0/24", "192.168.2.1", false}, AllowRow{"0.0.0.0/0", "8.8.8.8", true},
        AllowRow{"", "127.0.0.1", false}, AllowRow{"127.0.0.1", "::1", false},
        AllowRow{"127.0.0.1", "127.0.0.0", false}, AllowRow{"10.0.0.1", "42.0.0.1", false},
        AllowRow{"192.168.1.0/24", "192.168.0.200", false},
        AllowRow{"1.1.1.1,2.2.2.2, 3.3.3.3", "2.2.2.2", true}));

// Every field, and each allowed network as address/prefix in hex.
std::string Show(const LinkSettings& s) {
  std::string out = std::to_string(s.enabled) + std::to_string(s.writes) + " " + s.listen + ":" +
                    std::to_string(s.port) + " unit " + std::to_string(s.unit) + " max " +
                    std::to_string(s.maxClients) + " idle " + std::to_string(s.idleTimeoutS) +
                    (s.plcWatchdogS ? " watchdog " + std::to_string(s.plcWatchdogS) : "") +
                    " allow " + s.allowText;
  for (const AllowedNetwork& n : s.allow) {
    char net[20];
    std::snprintf(net, sizeof net, " %08X/%d", n.address, n.prefix);
    out += net;
  }
  return out;
}
struct SettingsRow {
  const char* keys;  // "key=value" items, each ended by '|'
  const char* shown;
  std::size_t problems;
};
class SettingsTest : public ::testing::TestWithParam<SettingsRow> {};
TEST_P(SettingsTest, TakeWhatIsValidAndNameTheRest) {
  std::map<std::string, std::string> keys;
  std::istringstream items(GetParam().keys);
  for (std::string key, value; std::getline(items, key, '=') && std::getline(items, value, '|');)
    keys[key] = value;
  std::vector<std::string> problems;
  EXPECT_EQ(Show(ParseLinkSettings(keys, &problems)), GetParam().shown);
  EXPECT_EQ(problems.size(), GetParam().problems);
}
const char* kDefault = "00 127.0.0.1:5020 unit 1 max 4 idle 30 allow 127.0.0.1 7F000001/32";
INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsTest,
    ::testing::Values(
        SettingsRow{"Enabled=yes| WRITES =On|port=65535|unit=247|max_clients=64|"
                    "idle_timeout_s=86400|listen= 10.0.0.1 |"
                    "allow= 10.20.30.40/16, 192.168.1.7 ,, 1.2.3.4/0 |",
                    "11 10.0.0.1:65535 unit 247 max 64 idle 86400 allow 10.20.30.40/16, "
                    "192.168.1.7 ,, 1.2.3.4/0 0A141E28/16 C0A80107/32 01020304/0",
                    0},
        SettingsRow{"enabled=on|writes=false|port=1|unit=2|max_clients=1|idle_timeout_s=1|"
                    "listen=0.0.0.0|plc_watchdog_s=86400|",
                    "10 0.0.0.0:1 unit 2 max 1 idle 1 watchdog 86400 allow 127.0.0.1 7F000001/32",
                    0},
        SettingsRow{"enabled=true|writes=1|port=0|unit=0|max_clients=0|idle_timeout_s=0|"
                    "listen=256.0.0.1|allow=1.2.3.4x|plc_watchdog_s=-1|",
                    "11 127.0.0.1:5020 unit 1 max 4 idle 30 allow 127.0.0.1 7F000001/32", 7},
        SettingsRow{"enabled=maybe|writes=|port=65536|unit=248|max_clients=65|"
                    "idle_timeout_s=86401|listen=1.2.3.4.5|allow=10.0.0.0/33|colour=red|"
                    "plc_watchdog_s=86401|",
                    kDefault, 10},
        SettingsRow{"enabled=FALSE|writes=0|listen=1x2.3.4|allow=1.2.3|", kDefault, 2},
        SettingsRow{"enabled=no|writes=off|listen=0001.2.3.4|allow=1.2..4|", kDefault, 2},
        SettingsRow{"listen=1.2.3.x|allow=1.2.3.4/x|port=80x|", kDefault, 3}));

TEST(Settings, StatusText) {
  for (const auto& [enabled, listening, clients, text] :
       std::vector<std::tuple<bool, bool, int, std::string>>{
           {false, true, 1, ""},
           {true, false, 1, "Link: not listening"},
           {true, true, 1, "Link: 1 client"},
           {true, true, 0, "Link: 0 clients"}}) {
    EXPECT_EQ(LinkStatusText({enabled, listening, "127.0.0.1", 5020, clients, 4, false, ""}), text);
  }
  LinkState lost{true, true, "127.0.0.1", 5020, 1, 4, false, ""};
  lost.plcLost = true;
  EXPECT_EQ(LinkStatusText(lost), "Link: PLC lost");
}

struct WriteRow {
  const char* name;
  std::uint16_t address;
  std::vector<std::uint16_t> values;
  WriteContext context;
  Exception exception;
  std::optional<Commit> commit = {};
};
class WriteTest : public ::testing::TestWithParam<WriteRow> {};
TEST_P(WriteTest, Rules) {
  HoldingRegisters h;
  h.Reset(120.0f, 3);
  auto words = h.Words();
  ASSERT_EQ(words, (std::array<std::uint16_t, 5>{0x0001, 0xD4C0, 3, 0, 0}));  // 120000 nm, pass 3
  const WriteRow& r = GetParam();
  const WriteOutcome out = h.Write(r.address, r.values, r.context);
  EXPECT_EQ(out.exception, r.exception);
  ASSERT_EQ(out.commit.has_value(), r.commit.has_value());
  if (r.commit) {
    EXPECT_EQ(out.commit->setPointNm, r.commit->setPointNm);
    EXPECT_EQ(out.commit->pass, r.commit->pass);
  }
  // An exception applies nothing; otherwise the registers hold what was written.
  for (std::size_t i = 0; r.exception == Exception::None && i < r.values.size(); ++i)
    words[r.address - 100 + i] = r.values[i];
  EXPECT_EQ(h.Words(), words);
}
// Writes on and idle; writes off; the watchdog on with writes off, idle or in a pass.
const WriteContext kIdle{true, false, false, 42}, kOff{false, false, false, 42},
    kDogIdle{false, true, false, 42}, kDogRunning{false, true, true, 42};
using enum Exception;
INSTANTIATE_TEST_SUITE_P(
    Rows, WriteTest,
    ::testing::Values(
        WriteRow("commit", 100, {3, 0x0D40, 7, 42}, kIdle, None, Commit{200000, 7}),
        WriteRow("stage_only", 100, {3, 0x0D40, 7}, kIdle, None),
        WriteRow("commit_alone", 103, {42}, kIdle, None, Commit{120000, 3}),
        WriteRow("pass_99", 102, {99}, kIdle, None),
        WriteRow("set_point_min", 100, {0, 100, 7, 42}, kIdle, None, Commit{100, 7}),
        WriteRow("set_point_max", 100, {0x98, 0x961C, 7, 42}, kIdle, None, Commit{9999900, 7}),
        WriteRow("writes_off", 102, {7}, kOff, IllegalFunction),
        WriteRow("below_map", 99, {1, 2}, kIdle, IllegalAddress),
        WriteRow("beyond_map", 104, {0, 0}, kIdle, IllegalAddress),
        WriteRow("watchdog", 104, {5}, kDogRunning, None),
        WriteRow("watchdog_off", 104, {5}, kOff, IllegalFunction),
        WriteRow("watchdog_not_pass", 102, {7}, kDogIdle, IllegalFunction),
        WriteRow("watchdog_and_more", 103, {42, 5}, kDogIdle, IllegalFunction),
        WriteRow("commit_and_watchdog", 103, {42, 5}, kIdle, None, Commit{120000, 3}),
        WriteRow("pass_100", 102, {100}, kIdle, IllegalValue),
        WriteRow("stale_counter", 100, {3, 0x0D40, 7, 41}, kIdle, IllegalValue),
        WriteRow("pass_running", 100, {3, 0x0D40, 7, 42}, {true, false, true, 42}, IllegalValue),
        WriteRow("set_point_0", 100, {0, 0, 7, 42}, kIdle, IllegalValue),
        WriteRow("set_point_10000", 100, {0x98, 0x9680, 7, 42}, kIdle, IllegalValue),
        WriteRow("hundredth", 100, {3, 0x0D4A, 7, 42}, kIdle, IllegalValue)),
    [](const auto& info) { return std::string(info.param.name); });

std::string Bytes(std::initializer_list<int> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

struct FrameRow {
  const char* name;
  std::string buffer;
  FrameResult result;
  std::string pdu = {}, rest = {};  // of a complete frame (transaction 0xAB12, unit 7)
};
class FrameTest : public ::testing::TestWithParam<FrameRow> {};
TEST_P(FrameTest, TakesOneFrameOffTheFront) {
  const FrameRow& r = GetParam();
  std::string buffer = r.buffer;
  Frame frame;
  EXPECT_EQ(TakeFrame(buffer, frame), r.result);
  if (r.result != FrameResult::Complete) {
    EXPECT_EQ(buffer, r.buffer);
    return;
  }
  EXPECT_TRUE(frame.transaction == 0xAB12 && frame.unit == 7);
  EXPECT_EQ(frame.pdu, r.pdu);
  EXPECT_EQ(buffer, r.rest);
  // The answer carries the request's transaction and unit and a length of unit plus PDU.
  EXPECT_EQ(ResponseBytes(frame, Bytes({4, 2, 0, 5})),
            Bytes({0xAB, 0x12, 0, 0, 0, 5, 7, 4, 2, 0, 5}));
}
const std::string kHead = Bytes({0xAB, 0x12, 0, 0});
INSTANTIATE_TEST_SUITE_P(
    Rows, FrameTest,
    ::testing::Values(
        FrameRow{"read", kHead + Bytes({0, 6, 7, 4, 0, 0, 0, 19, 0xAB}), FrameResult::Complete,
                 Bytes({4, 0, 0, 0, 19}), Bytes({0xAB})},
        FrameRow{"shortest", kHead + Bytes({0, 2, 7, 0x2B}), FrameResult::Complete, "\x2B", ""},
        FrameRow{"longest", kHead + Bytes({0, 254, 7}) + std::string(253, 'x'),
                 FrameResult::Complete, std::string(253, 'x'), ""},
        FrameRow{"length_255", kHead + Bytes({0, 255, 7}) + std::string(254, 'x'),
                 FrameResult::Malformed},
        FrameRow{"length_1", kHead + Bytes({0, 1}), FrameResult::Malformed},
        FrameRow{"protocol_1", Bytes({0xAB, 0x12, 0, 1}), FrameResult::Malformed},
        FrameRow{"protocol_256", Bytes({0xAB, 0x12, 1, 0, 0, 6}), FrameResult::Malformed},
        FrameRow{"three_bytes", Bytes({0xAB, 0x12, 0}), FrameResult::Incomplete},
        FrameRow{"five_bytes", kHead + Bytes({0}), FrameResult::Incomplete},
        FrameRow{"body_short", kHead + Bytes({0, 6, 7, 4, 0, 0, 0}), FrameResult::Incomplete}),
    [](const auto& info) { return std::string(info.param.name); });

struct DecodeRow {
  std::uint8_t function;
  std::string data;
  bool ok;
  std::uint16_t address = 0;
  std::vector<std::uint16_t> values = {};
};
class DecodeTest : public ::testing::TestWithParam<DecodeRow> {};
TEST_P(DecodeTest, TakesWhatFitsTheFunction) {
  const DecodeRow& r = GetParam();
  std::uint16_t address = 0;
  std::vector<std::uint16_t> values{9};
  ASSERT_EQ(DecodeWrite(r.function, r.data, address, values), r.ok);
  if (!r.ok) return;
  EXPECT_EQ(address, r.address);
  EXPECT_EQ(values, r.values);
  // 06 echoes address and value, 16 gives address and quantity: the request's first 4 bytes.
  EXPECT_EQ(WriteAnswerData(r.function, address, values), r.data.substr(0, 4));
}
INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeTest,
    ::testing::Values(
        DecodeRow{6, Bytes({0, 102, 0xAB, 7}), true, 102, {0xAB07}},
        DecodeRow{6, Bytes({0, 102, 0, 7, 0}), false}, DecodeRow{6, Bytes({0, 102, 0}), false},
        DecodeRow{3, Bytes({0, 102, 0, 7}), false},
        DecodeRow{16, Bytes({0, 100, 0, 2, 4, 0, 3, 0x0D, 0x40}), true, 100, {3, 0x0D40}},
        DecodeRow{16, Bytes({0, 100, 0, 123, 246}) + std::string(246, 1), true, 100,
                  std::vector<std::uint16_t>(123, 0x0101)},
        DecodeRow{16, Bytes({0, 100, 0, 124, 248}) + std::string(248, 1), false},
        DecodeRow{16, Bytes({0, 100, 0, 0, 0}), false}, DecodeRow{16, Bytes({0, 100, 0, 1}), false},
        DecodeRow{16, Bytes({0, 100, 0, 2, 3, 0, 3, 0x0D}), false},
        DecodeRow{16, Bytes({0, 100, 0, 2, 4, 0, 3, 0x0D}), false},
        DecodeRow{16, Bytes({0, 100, 0, 2, 4, 0, 3, 0x0D, 0x40, 0}), false}));

// A request (or answer) of transaction 0x0102 to unit u with the PDU's bytes.
std::string Adu(int unit, std::initializer_list<int> pdu) {
  return Bytes({1, 2, 0, 0, 0, int(pdu.size()) + 1, unit}) + Bytes(pdu);
}
struct ServeRow {
  const char* name;
  std::string request;
  bool writes;
  std::string answer;
  RequestCounts counts = {};
  int commits = 0;
  bool close = false;
  std::string left = {};  // in the buffer afterwards
};
class ServeTest : public ::testing::TestWithParam<ServeRow> {};
TEST_P(ServeTest, AnswersInOrder) {
  const ServeRow& r = GetParam();
  InputImage image{};
  for (std::size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<std::uint16_t>(0x0100 * i + i);
  HoldingRegisters holding;
  holding.Reset(120.0f, 3);
  std::string buffer = r.request;
  const Served s = Serve(buffer, image, holding, {7, r.writes, false, false, 42});
  EXPECT_EQ(s.answer, r.answer);
  EXPECT_EQ(s.close, r.close);
  EXPECT_EQ(buffer, r.left);
  const RequestCounts& c = s.counts;
  EXPECT_EQ(std::tie(c.answers, c.exceptions, c.otherUnit, c.malformed, c.writesApplied,
                     c.writesRefused, c.commits),
            std::tie(r.counts.answers, r.counts.exceptions, r.counts.otherUnit, r.counts.malformed,
                     r.counts.writesApplied, r.counts.writesRefused, r.counts.commits));
  EXPECT_EQ(s.commits.size(), std::size_t(r.commits));
}
const std::string kReadLast = Adu(7, {4, 0, 23, 0, 1});
const std::string kLastAnswer = Adu(7, {4, 2, 0x17, 0x17});
INSTANTIATE_TEST_SUITE_P(
    Rows, ServeTest,
    ::testing::Values(
        ServeRow("read_two", Adu(7, {4, 0, 1, 0, 2}), false, Adu(7, {4, 4, 1, 1, 2, 2}), {1}),
        ServeRow("units_0_and_255_yes_2_no",
                 Adu(0, {4, 0, 18, 0, 1}) + Adu(2, {4, 0, 0, 0, 1}) + Adu(255, {4, 0, 18, 0, 1}),
                 false, Adu(0, {4, 2, 0x12, 0x12}) + Adu(255, {4, 2, 0x12, 0x12}), {2, 0, 1}),
        ServeRow("beyond_the_map", Adu(7, {4, 0, 32, 0, 5}), false, Adu(7, {0x84, 2}), {1, 1}),
        ServeRow("count_0", Adu(7, {4, 0, 0, 0, 0}), false, Adu(7, {0x84, 3}), {1, 1}),
        ServeRow("count_126", Adu(7, {4, 0, 0, 0, 126}), false, Adu(7, {0x84, 3}), {1, 1}),
        ServeRow("count_125", Adu(7, {4, 0, 0, 0, 125}), false, Adu(7, {0x84, 2}), {1, 1}),
        ServeRow("read_data_short", Adu(7, {4, 0, 0, 0}), false, Adu(7, {0x84, 3}), {1, 1}),
        ServeRow("other_function", Adu(7, {0x2B, 0x0E}), false, Adu(7, {0xAB, 1}), {1, 1}),
        ServeRow("exception_bit", Adu(7, {0x84}), false, Adu(7, {0x84, 1}), {1, 1}),
        ServeRow("holding_writes_off", Adu(7, {3, 0, 100, 0, 4}), false, Adu(7, {0x83, 1}), {1, 1}),
        ServeRow("holding", Adu(7, {3, 0, 100, 0, 4}), true,
                 Adu(7, {3, 8, 0, 1, 0xD4, 0xC0, 0, 3, 0, 0}), {1}),
        ServeRow("holding_below", Adu(7, {3, 0, 99, 0, 2}), true, Adu(7, {0x83, 2}), {1, 1}),
        ServeRow("write_bad_data", Adu(7, {6, 0, 102, 0}), true, Adu(7, {0x86, 3}),
                 {1, 1, 0, 0, 0, 1}),
        ServeRow("commit", Adu(7, {16, 0, 100, 0, 4, 8, 0, 3, 0x0D, 0x40, 0, 7, 0, 42}), true,
                 Adu(7, {16, 0, 100, 0, 4}), {1, 0, 0, 0, 1, 0, 1}, 1),
        // Answers already made are sent before the connection closes, and a commit among
        // them is acknowledged.
        ServeRow("answers_then_malformed", Adu(7, {6, 0, 103, 0, 42}) + Bytes({1, 2, 0, 1, 0, 6}),
                 true, Adu(7, {6, 0, 103, 0, 42}), {1, 0, 0, 1, 1, 0, 1}, 1, true,
                 Bytes({1, 2, 0, 1, 0, 6})),
        ServeRow("incomplete_tail", kReadLast + kReadLast.substr(0, 9), false, kLastAnswer, {1}, 0,
                 false, kReadLast.substr(0, 9))),
    [](const auto& info) { return std::string(info.param.name); });

// The watchdog's write reaches the link as a sign of life, with writes off too.
TEST(Serve, WatchdogWrite) {
  HoldingRegisters holding;
  std::string buffer = Adu(7, {16, 0, 104, 0, 1, 2, 0, 5});
  const Served s = Serve(buffer, InputImage{}, holding, {7, false, true, false, 42});
  EXPECT_TRUE(s.watchdog && s.answer == Adu(7, {16, 0, 104, 0, 1}));
}

// The set-point and pass registers follow the data board until a client stages values, and
// again after a commit: a commit of the counter alone applies what the operator dialled.
TEST(Holding, FollowsTheBoardUntilAClientWrites) {
  HoldingRegisters h;
  h.Reset(120.0f, 0);
  h.Follow(150.5f, 1);  // dialled on the board
  EXPECT_EQ(h.Write(103, {42}, {true, false, false, 42}).commit->pass, 1);
  EXPECT_EQ(h.Words(), (std::array<std::uint16_t, 5>{0x0002, 0x4BE4, 1, 42, 0}));
  EXPECT_EQ(h.Write(102, {9}, {true, false, false, 42}).exception, Exception::None);
  h.Follow(130.0f, 2);  // a client's staged pass stays
  EXPECT_EQ(h.Words()[2], 9);
  EXPECT_EQ(h.Write(103, {43}, {true, false, false, 43}).commit->setPointNm, 150500);
  h.Follow(130.0f, 2);
  EXPECT_EQ(h.Words(), (std::array<std::uint16_t, 5>{0x0001, 0xFBD0, 2, 43, 0}));
}

// Refusals: one line per kind and client a minute; the log turns over into modbus.log.1.
TEST(LinkLog, OneLineAMinuteAndTurnsOver) {
  orlix::testing::MemoryFileAccess files;
  orlix::testing::FakeClock clock;
  clock.now = 1000;
  LinkLog log(files, clock);
  const auto written = [&](Refusal kind, const char* client) {
    return log.Refused(kind, client).has_value();
  };
  EXPECT_TRUE(written(Refusal::Address, "10.0.0.9"));
  clock.Advance(59.9);
  EXPECT_FALSE(written(Refusal::Address, "10.0.0.9"));
  EXPECT_TRUE(written(Refusal::Malformed, "10.0.0.9") && written(Refusal::Address, "10.0.0.8"));
  clock.Advance(0.1);
  EXPECT_TRUE(written(Refusal::Address, "10.0.0.9"));
  EXPECT_EQ(files.files[kLogFile],
            "06/12/2026 10:41:09  10.0.0.9  refused: address not allowed\n"
            "06/12/2026 10:41:09  10.0.0.9  refused: malformed frame\n"
            "06/12/2026 10:41:09  10.0.0.8  refused: address not allowed\n"
            "06/12/2026 10:41:09  10.0.0.9  refused: address not allowed\n");
  const std::string full(kLogRotateBytes - 10, 'x');
  files.files[kLogFile] = full;
  LinkLog later(files, clock);  // a new start finds the file as it is
  ASSERT_TRUE(later.Append("0123456789"));
  ASSERT_TRUE(later.Append("a"));
  EXPECT_TRUE(files.files[kOldLogFile] == full + "0123456789" && files.files[kLogFile] == "a");
  files.failAppend = true;
  EXPECT_FALSE(later.Append("b"));
}

TEST(Protocol, LogLine) {
  EXPECT_EQ(CommitLogLine("12/07/26", "15:40:01", "127.0.0.1", 120.0f, 0, {200000, 7}),
            "12/07/26 15:40:01  127.0.0.1  set-point 120.0 -> 200.0 mcm  pass 00 -> 07\n");
  EXPECT_EQ(CommitLogLine("d", "t", "c", 9999.9f, 99, {123400, -1}),
            "d t  c  set-point 9999.9 -> 123.4 mcm  pass 99 -> -01\n");
}

}  // namespace
}  // namespace orlix::link
