#include "plantlink/LinkSettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "base/KeyTexts.h"

namespace orlix::link {

bool ParseIpv4(const std::string& text, std::uint32_t& address) {
  std::uint32_t result = 0;
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    const std::size_t start = pos;
    while (pos < text.size() && pos - start < 4 &&
           std::isdigit(static_cast<unsigned char>(text[pos]))) {
      ++pos;
    }
    long long byte = 0;
    if (pos == start || pos - start > 3 ||
        !ParseInt(text.substr(start, pos - start), 0, 255, byte)) {
      return false;
    }
    result = (result << 8) | static_cast<std::uint32_t>(byte);
  }
  if (pos != text.size()) return false;
  address = result;
  return true;
}

bool ParseAllowList(const std::string& text, std::vector<AllowedNetwork>& out) {
  std::vector<AllowedNetwork> list;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string entry = Trimmed(text.substr(start, comma - start));
    start = comma + 1;
    if (entry.empty()) continue;
    AllowedNetwork net;
    const std::size_t slash = entry.find('/');
    long long prefix = 32;
    if (!ParseIpv4(entry.substr(0, slash), net.address) ||
        (slash != std::string::npos && !ParseInt(entry.substr(slash + 1), 0, 32, prefix))) {
      return false;
    }
    net.prefix = static_cast<int>(prefix);
    list.push_back(net);
  }
  out = std::move(list);
  return true;
}

bool Allowed(const std::vector<AllowedNetwork>& allow, const std::string& peer) {
  std::string text = Lower(peer);
  const std::string mapped = "::ffff:";
  if (text.rfind(mapped, 0) == 0) text = text.substr(mapped.size());
  std::uint32_t address = 0;
  if (!ParseIpv4(text, address)) return false;
  return std::any_of(allow.begin(), allow.end(), [address](const AllowedNetwork& net) {
    const std::uint32_t mask = net.prefix == 0 ? 0u : ~0u << (32 - net.prefix);
    return (address & mask) == (net.address & mask);
  });
}

LinkSettings ParseLinkSettings(const std::map<std::string, std::string>& keys,
                               std::vector<std::string>* problems) {
  LinkSettings s;
  auto problem = [&](const std::string& key, const std::string& value) {
    if (problems) problems->push_back("[modbus] " + key + "=" + value + " is not used");
  };
  for (const auto& [rawKey, value] : keys) {
    const std::string key = Lower(Trimmed(rawKey));
    long long number = 0;
    bool flag = false;
    if (key == "enabled" || key == "writes") {
      if (!ParseBool(value, flag)) {
        problem(key, value);
      } else {
        (key == "enabled" ? s.enabled : s.writes) = flag;
      }
    } else if (key == "listen") {
      std::uint32_t address = 0;
      if (ParseIpv4(Trimmed(value), address)) {
        s.listen = Trimmed(value);
      } else {
        problem(key, value);
      }
    } else if (key == "port") {
      if (ParseInt(value, 1, 65535, number)) {
        s.port = static_cast<std::uint16_t>(number);
      } else {
        problem(key, value);
      }
    } else if (key == "unit") {
      if (ParseInt(value, 1, 247, number)) {
        s.unit = static_cast<std::uint8_t>(number);
      } else {
        problem(key, value);
      }
    } else if (key == "allow") {
      if (ParseAllowList(value, s.allow)) {
        s.allowText = Trimmed(value);
      } else {
        problem(key, value);
      }
    } else if (key == "max_clients") {
      if (ParseInt(value, 1, 64, number)) {
        s.maxClients = static_cast<int>(number);
      } else {
        problem(key, value);
      }
    } else if (key == "update_ms") {
      if (ParseInt(value, 0, 60000, number)) {
        s.updateMs = static_cast<int>(number);
      } else {
        problem(key, value);
      }
    } else if (key == "idle_timeout_s" || key == "plc_watchdog_s") {
      const bool idle = key == "idle_timeout_s";
      if (ParseInt(value, idle ? 1 : 0, 86400, number)) {
        (idle ? s.idleTimeoutS : s.plcWatchdogS) = static_cast<int>(number);
      } else {
        problem(key, value);
      }
    } else {
      problem(key, value);
    }
  }
  return s;
}

std::string LinkStatusText(const LinkState& state) {
  if (!state.enabled) return {};
  if (!state.listening) return "Link: not listening";
  if (state.plcLost) return "Link: PLC lost";
  return "Link: " + std::to_string(state.clients) + (state.clients == 1 ? " client" : " clients");
}

}  // namespace orlix::link
