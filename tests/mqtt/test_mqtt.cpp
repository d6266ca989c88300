// The MQTT output's rules: settings of [mqtt], topic names, the payloads (parsed back by
// Python's json module, so a text that is no JSON fails), the outbox on memory files and
// the pacing. mqtt_broker.py tries the same against a real broker.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <tuple>

#include "mqtt/Json.h"
#include "mqtt/MqttSettings.h"
#include "mqtt/Outbox.h"
#include "mqtt/Pacing.h"
#include "mqtt/Payloads.h"
#include "tests/support/FakePlatform.h"

namespace orlix::mqtt {
namespace {

// The leaves of a JSON text as Python reads it: "statistics.mean_um" -> "121.5", null as
// "null"; {"!": "..."} when it is no JSON.
std::map<std::string, std::string> Parsed(const std::string& json) {
  // One file a process: two runs of this test at once must not read each other's payloads.
  const std::string path = ::testing::TempDir() + "payload-" + std::to_string(getpid()) + ".json";
  std::ofstream(path, std::ios::binary) << json;
  const std::string command =
      "/usr/bin/python3 -c \"import json,sys\n"
      "def walk(p, v):\n"
      "  if isinstance(v, dict): [walk(p + k + '.', x) for k, x in v.items()]\n"
      "  elif isinstance(v, list): [walk(p + str(i) + '.', x) for i, x in enumerate(v)]\n"
      "  else: print(p[:-1] + '\\t' + json.dumps(v))\n"
      "try: walk('', json.load(open(sys.argv[1], encoding='utf-8'), parse_constant=lambda c: "
      "1/0))\n"
      "except Exception as e: print('!\\t' + repr(e))\" " +
      path;
  std::map<std::string, std::string> leaves;
  FILE* pipe = popen(command.c_str(), "r");
  char line[4096];
  while (pipe && fgets(line, sizeof line, pipe)) {
    std::string text(line);
    const auto tab = text.find('\t');
    leaves[text.substr(0, tab)] = text.substr(tab + 1, text.size() - tab - 2);
  }
  if (pipe) pclose(pipe);
  std::remove(path.c_str());
  return leaves;
}

// "key=value key=value": the leaves a payload must have, as Parsed() gives them.
std::map<std::string, std::string> Leaves(const std::string& text) {
  std::map<std::string, std::string> leaves;
  std::istringstream items(text);
  for (std::string item; items >> item;)
    leaves[item.substr(0, item.find('='))] = item.substr(item.find('=') + 1);
  return leaves;
}

// ---- settings ----------------------------------------------------------------------------

// A key of [mqtt] with its value, and the part of the defaults' Shown() it changes
// (`was` to `now`); without them the defaults stay and the value is named as a problem.
struct SettingsRow {
  const char* key;
  const char* value;
  const char* was = nullptr;
  const char* now = nullptr;
};

std::string Shown(const MqttSettings& s) {
  return std::string(s.enabled ? "on " : "off ") + s.host + ":" + std::to_string(s.port) + " " +
         Topic(s, "live") + " user=" + s.username + " pw=" + s.passwordFile +
         (s.tls ? " tls " : " plain ") + s.caFile + "|" + s.certFile + "|" + s.keyFile + " " +
         std::to_string(s.livePeriodMs) + "ms " + std::to_string(s.keepaliveS) + "s";
}

const std::string kDefaults =
    "off 127.0.0.1:1883 thickness/gauge-3.plant/live user= pw= plain || 100ms 30s";

class SettingsTest : public ::testing::TestWithParam<SettingsRow> {};

TEST_P(SettingsTest, KeyValue) {
  const SettingsRow& r = GetParam();
  std::vector<std::string> problems;
  const MqttSettings s = ParseMqttSettings({{r.key, r.value}}, "gauge 3.plant", &problems);
  std::string shown = kDefaults;
  if (r.was) shown.replace(shown.find(r.was), std::string(r.was).size(), r.now);
  EXPECT_EQ(Shown(s), shown);
  EXPECT_EQ(problems.size(), r.was ? 0u : 1u);
  for (const std::string& p : problems) EXPECT_EQ(p.find("s3cret"), std::string::npos) << p;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsTest,
    ::testing::Values(
        SettingsRow{"Enabled", " yes ", "off", "on"}, SettingsRow{"enabled", "maybe"},
        SettingsRow{"host", "broker.plant", "127.0.0.1", "broker.plant"},
        SettingsRow{"host", "bro ker"}, SettingsRow{"host", ""},
        SettingsRow{"port", "8883", ":1883", ":8883"}, SettingsRow{"port", "0"},
        SettingsRow{"port", "65536"}, SettingsRow{"port", "18x"},
        SettingsRow{"station", "line_3", "gauge-3.plant", "line_3"},
        SettingsRow{"station", "line/3"}, SettingsRow{"station", ""},
        SettingsRow{"station", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"},
        SettingsRow{"prefix", "mill/north", "thickness/", "mill/north/"},
        SettingsRow{"prefix", "mill//north"}, SettingsRow{"prefix", "mill/#"},
        SettingsRow{"username", "gauge", "user=", "user=gauge"}, SettingsRow{"username", "a\x01"},
        SettingsRow{"password_file", "/etc/gauge.pw", "pw=", "pw=/etc/gauge.pw"},
        SettingsRow{"password", "s3cret"}, SettingsRow{"tls", "on", "plain", "tls"},
        SettingsRow{"ca_file", "ca.pem", "plain |", "plain ca.pem|"},
        SettingsRow{"cert_file", "c.pem"},  // without its key
        SettingsRow{"live_period_ms", "0", "100ms", "0ms"}, SettingsRow{"live_period_ms", "-1"},
        SettingsRow{"live_period_ms", "60001"}, SettingsRow{"keepalive_s", "5", "30s", "5s"},
        SettingsRow{"keepalive_s", "4"}, SettingsRow{"qos", "2"}));

TEST(Settings, CertificateWithKeyAndTopicLevels) {
  const MqttSettings s =
      ParseMqttSettings({{"cert_file", "c.pem"}, {"key_file", "k.pem"}}, "", nullptr);
  EXPECT_EQ(s.certFile + "|" + s.keyFile + "|" + s.station, "c.pem|k.pem|station");
  EXPECT_EQ(TopicLevelFrom("ws/07 #1+"), "ws-07--1-");
}

// ---- the main window's text --------------------------------------------------------------

TEST(State, StatusText) {
  MqttState s;
  EXPECT_EQ(MqttStatusText(s), "");  // off
  s.enabled = true;
  s.capacity = 2;
  EXPECT_EQ(MqttStatusText(s), "");  // the first attempt
  s.lastError = "10:00:00  connection refused";
  EXPECT_EQ(MqttStatusText(s), "MQTT: no broker");
  s.loginRefused = true;
  EXPECT_EQ(MqttStatusText(s), "MQTT: login refused");
  s.connected = true;
  EXPECT_EQ(MqttStatusText(s), "");
  s.waiting = 2;
  EXPECT_EQ(MqttStatusText(s), "MQTT: outbox full");
}

// ---- payloads ----------------------------------------------------------------------------

TEST(Json, StringsAndNumbersReadBack) {
  const std::string json = JsonObject()
                               .Text("text", "a\"b\\c\n\x01\xc3\xa9/")
                               .Single("single", 120.1f)
                               .Real("double", 0.1 + 0.2)
                               .Real("nan", std::nan(""))
                               .Single("inf", std::numeric_limits<float>::infinity())
                               .Real("none", std::optional<double>())
                               .Int("int", -9007199254740993)
                               .Close();
  const auto p = Parsed(json);
  EXPECT_EQ(p.count("!"), 0u) << json;
  EXPECT_EQ(p.at("text"), "\"a\\\"b\\\\c\\n\\u0001\\u00e9/\"");
  EXPECT_EQ(p.at("single"), "120.1");
  EXPECT_EQ(p.at("double"), "0.30000000000000004");
  EXPECT_EQ(p.at("nan") + p.at("inf") + p.at("none"), "nullnullnull");
  EXPECT_EQ(p.at("int"), "-9007199254740993");
}

struct IsoRow {
  std::int64_t ms;
  int offset;
  const char* text;
};
class IsoTest : public ::testing::TestWithParam<IsoRow> {};
TEST_P(IsoTest, Text) { EXPECT_EQ(IsoTime(GetParam().ms, GetParam().offset), GetParam().text); }
INSTANTIATE_TEST_SUITE_P(
    Rows, IsoTest,
    ::testing::Values(IsoRow{0, 0, "1970-01-01T00:00:00.000+00:00"},
                      IsoRow{1796638502999, -34200, "2026-12-07T00:45:02.999-09:30"},
                      IsoRow{951825599500, 1800, "2000-02-29T12:29:59.500+00:30"}));

// A pass at 150.5 µm against 120 µm with limits 115-125, control on; each row changes it.
struct LiveRow {
  const char* name;
  void (*change)(StationSnapshot&);
  const char* expected;  // Leaves()
};
class LiveTest : public ::testing::TestWithParam<LiveRow> {};

TEST_P(LiveTest, Leaves) {
  StationSnapshot s;
  s.passRunning = s.measured = s.controlOn = true;
  s.thickness = 150.5f;
  s.setPoint = 120.1f;
  s.correction = -2.027;
  s.gain = 100;
  s.pass = 7;
  s.stripLength = 12.5f;
  s.rollWeight = 3.25f;
  s.rollDiameter = 501.5f;
  s.lowerLimit = 115.0f;
  s.upperLimit = 125.0f;
  GetParam().change(s);
  const auto p = Parsed(LivePayload(s, 42, "2026-12-07T10:15:02.123+01:00"));
  EXPECT_EQ(p.size(), s.alarm.raised ? 21u : 19u);
  EXPECT_EQ(p.at("sequence") + " " + p.at("time"), "42 \"2026-12-07T10:15:02.123+01:00\"");
  for (const auto& [key, value] : Leaves(GetParam().expected)) EXPECT_EQ(p.at(key), value) << key;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LiveTest,
    ::testing::Values(
        LiveRow{
            "Above", [](StationSnapshot&) {},
            "thickness_um=150.5 setpoint_um=120.1 deviation_um=30.4 correction_permille=-2.027 "
            "pass=7 gain_percent=100 control_on=true running=true valid=true file_failing=false "
            "tolerance=\"above\" lower_limit_um=115 upper_limit_um=125 length_m=12.5 "
            "roll_weight_kg=3.25 roll_diameter_mm=501.5"},
        LiveRow{"Within", [](StationSnapshot& s) { s.thickness = 125; }, "tolerance=\"within\""},
        LiveRow{"Below", [](StationSnapshot& s) { s.thickness = 114.9f; },
                "tolerance=\"below\" alarm=null"},
        LiveRow{"Alarm",
                [](StationSnapshot& s) {
                  s.alarm = {true, false, false, AlarmSide::kThin};
                },
                "alarm.side=\"thin\" alarm.active=false alarm.acknowledged=false"},
        LiveRow{"ControlOff", [](StationSnapshot& s) { s.controlOn = false; },
                "correction_permille=null control_on=false thickness_um=150.5"},
        LiveRow{"NoLimits", [](StationSnapshot& s) { s.upperLimit.reset(); },
                "tolerance=\"unknown\" lower_limit_um=null upper_limit_um=null"},
        LiveRow{"NotMeasured", [](StationSnapshot& s) { s.measured = false, s.fileFailing = true; },
                "thickness_um=null deviation_um=null correction_permille=null valid=false "
                "file_failing=true tolerance=\"unknown\" length_m=null "
                "roll_weight_kg=null roll_diameter_mm=null setpoint_um=120.1"},
        LiveRow{"NotFinite", [](StationSnapshot& s) { s.thickness = std::nanf(""); },
                "thickness_um=null valid=false"},
        LiveRow{"Stopped", [](StationSnapshot& s) { s.passRunning = false; },
                "running=false valid=false lower_limit_um=null thickness_um=null"}),
    [](const auto& info) { return std::string(info.param.name); });

PassSummary Summary() {
  PassSummary s;
  s.station = "line3";
  s.info = {7, "2026-12-07T10:15:02", "2026-12-07T11:15:02", 120, 20, 5, 2.5, 1, {}, {}, "0.1.0"};
  s.info.coefficients = {150.5, 0.25, 0, -1e-9};
  s.start = "2026-12-07T10:15:02+01:00";
  s.end = "2026-12-07T11:15:02+01:00";
  PassStatistics& st = s.statistics.emplace();
  std::tie(st.count, st.length, st.mean, st.sigma, st.inTolerance, st.headLength) =
      std::tuple(2000, 5997, 121.36145, 2.25939174621012, 0.98, 117);
  std::tie(s.passFile, s.infoFile, s.reportPdf) =
      std::tuple("07.PSS", "07.PSI", "reports/07-20261207-101502.pdf");
  return s;
}

TEST(Payload, PassSummary) {
  auto p = Parsed(PassPayload(Summary()));
  const char* expected =
      "id=\"line3/07/2026-12-07T10:15:02\" pass=7 start=\"2026-12-07T10:15:02+01:00\" "
      "end=\"2026-12-07T11:15:02+01:00\" end_reason=\"stop\" setpoint_um=120 lower_limit_um=117.5 "
      "upper_limit_um=125 limits_problem=null coefficients.0=150.5 coefficients.3=-1e-09 "
      "statistics.data_lines=2000 statistics.mean_um=121.36145 "
      "statistics.sigma_um=2.25939174621012 statistics.in_tolerance_percent=98 "
      "statistics.pp=null statistics.head_m=117 files.pass=\"07.PSS\" "
      "files.report_pdf=\"reports/07-20261207-101502.pdf\" files.report_csv=null";
  for (const auto& [key, value] : Leaves(expected)) EXPECT_EQ(p[key], value) << key;

  // No limits, no statistics, ended without "Stop".
  PassSummary s = Summary();
  s.info.limitsProblem = "station.ini: tolerance_minus_um is below 0";
  s.info.notStopped = true;
  s.statistics.reset();
  s.station = "line\"3";
  p = Parsed(PassPayload(s));
  EXPECT_EQ(p.count("!"), 0u);
  for (const char* key : {"lower_limit_um", "upper_limit_um", "tolerance_plus_um", "statistics"})
    EXPECT_EQ(p[key], "null") << key;
  EXPECT_EQ(p["limits_problem"], "\"station.ini: tolerance_minus_um is below 0\"");
  EXPECT_EQ(p["end_reason"], "\"not stopped\"");
}

TEST(Payload, Calibration) {
  auto p = Parsed(CalibrationPayload({1.5, -0.125, 2e-5, 0}, "2026-12-07T10:15:02.000+01:00"));
  EXPECT_EQ(p["coefficients.1"] + p["coefficients.2"] + p["fitted"],
            "-0.1252e-05\"2026-12-07T10:15:02.000+01:00\"");
  EXPECT_EQ(Parsed(CalibrationPayload({0, 1, 0, 0}, std::nullopt))["fitted"], "null");
}

// ---- outbox ------------------------------------------------------------------------------

TEST(Outbox, OrderBoundAckAndRestart) {
  testing::MemoryFileAccess files;
  files.files["notes.json"] = "{}";  // not an entry: left alone
  Outbox box(files, 3);
  box.Load();
  for (const char* text : {"a", "b", "c"}) EXPECT_EQ(box.Add(text), Outbox::Added::kQueued);
  EXPECT_EQ(box.Add("d"), Outbox::Added::kFull);  // the oldest are kept
  EXPECT_TRUE(box.Full());
  EXPECT_EQ(*box.Read(box.Waiting().front()), "a");

  // Acknowledged out of order: only that one leaves.
  EXPECT_TRUE(box.Acknowledged("000000000002.json"));
  EXPECT_FALSE(box.Acknowledged("000000000002.json"));
  EXPECT_EQ(files.files.count("000000000002.json"), 0u);

  // A restart finds the rest in order; new ones go behind them.
  Outbox again(files, 3);
  again.Load();
  EXPECT_EQ(again.Add("e"), Outbox::Added::kQueued);
  std::string order;
  for (const std::string& name : again.Waiting()) order += *again.Read(name);
  EXPECT_EQ(order, "ace");
  EXPECT_EQ(again.Waiting().back(), "000000000004.json");
}

TEST(Outbox, FileFaults) {
  testing::MemoryFileAccess files;
  Outbox box(files, 10);
  files.failReplace = true;
  EXPECT_EQ(box.Add("a"), Outbox::Added::kFailed);
  EXPECT_EQ(box.Size() + files.files.size(), 0u);
  files.failReplace = false;
  EXPECT_EQ(box.Add("b"), Outbox::Added::kQueued);
  // Taken by the broker but not removable: this run does not send it again, the next does.
  files.failRemove = true;
  EXPECT_FALSE(box.Acknowledged(box.Waiting().front()));
  EXPECT_EQ(box.Size(), 0u);
  box.Load();
  EXPECT_EQ(box.Size(), 1u);
}

// ---- pacing ------------------------------------------------------------------------------

TEST(Pacing, BackoffAndThrottle) {
  Backoff b;
  std::string waits;
  for (bool refused : {false, false, false, false, false, false, false, true}) {
    waits += std::to_string(static_cast<int>(b.Next(refused))) + " ";
  }
  EXPECT_EQ(waits, "1 2 4 8 16 30 30 60 ");
  b.Reset();
  EXPECT_EQ(b.Next(true), Backoff::kRefusedS);
  EXPECT_EQ(b.Next(false), 2);

  LiveThrottle t(0.1);
  EXPECT_EQ(t.Wait(5), 0);
  t.Sent(5);
  EXPECT_NEAR(t.Wait(5.03), 0.07, 1e-9);
  EXPECT_EQ(t.Wait(5.1), 0);
  LiveThrottle every(0);
  every.Sent(5);
  EXPECT_EQ(every.Wait(5), 0);
}

}  // namespace
}  // namespace orlix::mqtt
