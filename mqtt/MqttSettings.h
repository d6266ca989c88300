#pragma once
// The MQTT output's settings, group [mqtt] of station.ini: read at the program's start as
// plain key/value texts and checked here, each value that is missing or wrong keeping its
// default. Also the names that may stand in a topic, and what the windows show of the
// connection.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orlix::mqtt {

struct MqttSettings {
  bool enabled = false;
  std::string host = "127.0.0.1";
  std::uint16_t port = 1883;
  std::string station;               // one topic level; the host name (made topic-safe) by default
  std::string prefix = "thickness";  // one or more topic levels
  std::string username;              // empty: no login
  std::string passwordFile;          // the password is its first line; never in station.ini
  bool tls = false;
  std::string caFile;
  std::string certFile;
  std::string keyFile;
  int livePeriodMs = 100;  // at most one live message this often; 0: every display update
  int keepaliveS = 30;
};

// The settings from the group's keys. `hostName` gives the default station name. Every
// value that cannot be used is named in `problems` (never the text of a password) and keeps
// its default.
MqttSettings ParseMqttSettings(const std::map<std::string, std::string>& keys,
                               const std::string& hostName,
                               std::vector<std::string>* problems = nullptr);

// Whether a text may be one topic level: 1-64 of A-Z a-z 0-9 '-' '_' '.'; wildcards,
// separators, blanks and control characters never are.
bool TopicLevel(const std::string& text);
// A host name made into such a level: every other character becomes '-', and an empty one
// "station".
std::string TopicLevelFrom(const std::string& text);

// "<prefix>/<station>/<leaf>".
std::string Topic(const MqttSettings& s, const char* leaf);

// What the settings window and the main window show of the output.
struct MqttState {
  bool enabled = false;
  std::string broker;  // "tls://plant-broker:8883"
  std::string topic;   // "thickness/line3"
  bool connected = false;
  std::string lastError;          // "14:03:20  login refused: not authorised"; empty: none yet
  bool loginRefused = false;      // the last attempt was refused; retried seldom
  std::uint64_t sent = 0;         // messages handed to the broker since the start
  std::size_t waiting = 0;        // pass summaries in the outbox
  std::size_t capacity = 0;       // what the outbox holds at most
  std::uint64_t refusedFull = 0;  // summaries not taken because the outbox was full
};

// The main window's short text: "MQTT: no broker", "MQTT: login refused", "MQTT: outbox
// full"; empty while it is off or all is well.
std::string MqttStatusText(const MqttState& state);

}  // namespace orlix::mqtt
