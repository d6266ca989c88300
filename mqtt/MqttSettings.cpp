#include "mqtt/MqttSettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "base/KeyTexts.h"

namespace orlix::mqtt {
namespace {

bool SafeChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
}

// A host name or address as the resolver takes it: no blanks, no control characters.
bool HostText(const std::string& t) {
  return !t.empty() && t.size() <= 253 && std::all_of(t.begin(), t.end(), [](char c) {
    return SafeChar(c) || c == ':' || c == '[' || c == ']';
  });
}

bool PrefixText(const std::string& t) {
  std::size_t start = 0, levels = 0;
  while (start <= t.size()) {
    const std::size_t slash = std::min(t.find('/', start), t.size());
    if (!TopicLevel(t.substr(start, slash - start)) || ++levels > 8) return false;
    start = slash + 1;
  }
  return true;
}

}  // namespace

bool TopicLevel(const std::string& text) {
  return !text.empty() && text.size() <= 64 && std::all_of(text.begin(), text.end(), SafeChar);
}

std::string TopicLevelFrom(const std::string& text) {
  std::string level = text.substr(0, 64);
  for (char& c : level) {
    if (!SafeChar(c)) c = '-';
  }
  return level.empty() ? "station" : level;
}

std::string Topic(const MqttSettings& s, const char* leaf) {
  return s.prefix + "/" + s.station + "/" + leaf;
}

MqttSettings ParseMqttSettings(const std::map<std::string, std::string>& keys,
                               const std::string& hostName, std::vector<std::string>* problems) {
  MqttSettings s;
  s.station = TopicLevelFrom(hostName);
  auto problem = [&](const std::string& key, const std::string& value) {
    if (problems) problems->push_back("[mqtt] " + key + "=" + value + " is not used");
  };
  for (const auto& [rawKey, raw] : keys) {
    const std::string key = Lower(Trimmed(rawKey));
    const std::string value = Trimmed(raw);
    long long number = 0;
    bool ok = true;
    if (key == "enabled" || key == "tls") {
      ok = ParseBool(value, key == "tls" ? s.tls : s.enabled);
    } else if (key == "host") {
      ok = HostText(value);
      if (ok) s.host = value;
    } else if (key == "port") {
      ok = ParseInt(value, 1, 65535, number);
      if (ok) s.port = static_cast<std::uint16_t>(number);
    } else if (key == "station") {
      ok = TopicLevel(value);
      if (ok) s.station = value;
    } else if (key == "prefix") {
      ok = PrefixText(value);
      if (ok) s.prefix = value;
    } else if (key == "username") {
      // Any text the broker may take, but no control characters.
      ok = std::none_of(value.begin(), value.end(), [](unsigned char c) { return c < 0x20; });
      if (ok) s.username = value;
    } else if (key == "password_file" || key == "ca_file" || key == "cert_file" ||
               key == "key_file") {
      std::string& path = key == "password_file" ? s.passwordFile
                          : key == "ca_file"     ? s.caFile
                          : key == "cert_file"   ? s.certFile
                                                 : s.keyFile;
      path = value;
    } else if (key == "live_period_ms") {
      ok = ParseInt(value, 0, 60000, number);
      if (ok) s.livePeriodMs = static_cast<int>(number);
    } else if (key == "keepalive_s") {
      // libmosquitto takes no keep-alive below 5 s.
      ok = ParseInt(value, 5, 65535, number);
      if (ok) s.keepaliveS = static_cast<int>(number);
    } else if (key == "password") {
      // Never taken from here, and never repeated in a message.
      if (problems)
        problems->push_back("[mqtt] password is not read from station.ini; use password_file");
    } else {
      ok = false;
    }
    if (!ok) problem(key, value);
  }
  // A certificate without its key (or the other way round) cannot log in.
  if (s.certFile.empty() != s.keyFile.empty()) {
    if (problems) problems->push_back("[mqtt] cert_file and key_file go together; neither is used");
    s.certFile.clear();
    s.keyFile.clear();
  }
  return s;
}

std::string MqttStatusText(const MqttState& state) {
  if (!state.enabled) return {};
  if (state.capacity > 0 && state.waiting >= state.capacity) return "MQTT: outbox full";
  if (state.connected) return {};
  if (state.loginRefused) return "MQTT: login refused";
  // Nothing while the first attempt is still under way.
  return state.lastError.empty() ? std::string() : "MQTT: no broker";
}

}  // namespace orlix::mqtt
