#pragma once
// The plant link's settings, group [modbus] of station.ini: read by the program's start as
// plain key/value texts and checked here, each value that is missing or wrong falling back
// to its default. Also the client addresses allowed to connect and how a peer is matched.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "plantlink/Requests.h"

namespace orlix::link {

// One allowed client: an IPv4 address, or a network "a.b.c.d/n".
struct AllowedNetwork {
  std::uint32_t address = 0;
  int prefix = 32;
};

struct LinkSettings {
  bool enabled = false;
  std::string listen = "127.0.0.1";
  std::uint16_t port = 5020;
  std::uint8_t unit = 1;  // answered besides 0 and 255
  std::vector<AllowedNetwork> allow{{0x7F000001u, 32}};
  std::string allowText = "127.0.0.1";
  bool writes = false;
  int maxClients = 4;
  int idleTimeoutS = 30;
  // A PLC that writes holding register 104 at least this often is alive; 0: not watched.
  int plcWatchdogS = 0;
  // While a pass runs the registers hold a measurement at most this old; 0: they change at
  // the display updates only.
  int updateMs = 20;
};

// The settings from the group's keys (names in lower case as in the file). Every value
// that cannot be used is named in `problems` and keeps its default.
LinkSettings ParseLinkSettings(const std::map<std::string, std::string>& keys,
                               std::vector<std::string>* problems = nullptr);

// "a.b.c.d" as a number, high byte first; false for anything else.
bool ParseIpv4(const std::string& text, std::uint32_t& address);

// A comma-separated list of addresses and networks; false (and nothing) when an entry is
// not one of them.
bool ParseAllowList(const std::string& text, std::vector<AllowedNetwork>& out);

// Whether a peer, given as "a.b.c.d" (or an IPv4 address mapped into IPv6), is allowed.
bool Allowed(const std::vector<AllowedNetwork>& allow, const std::string& peer);

// What the settings window shows of the link.
struct LinkState {
  bool enabled = false;
  bool listening = false;
  std::string address;
  std::uint16_t port = 0;
  int clients = 0;
  int maxClients = 0;
  bool writes = false;
  std::string allow;
  RequestCounts counts = {};     // since the start
  bool plcLost = false;          // the watchdog register was not written for plc_watchdog_s
  std::string lastProblem = {};  // "14:03:20  127.0.0.2  address not allowed"; empty: none yet
};

// The main window's short text: "Link: 1 client", "Link: 2 clients", "Link: not
// listening", "Link: PLC lost"; empty while the link is off.
std::string LinkStatusText(const LinkState& state);

}  // namespace orlix::link
