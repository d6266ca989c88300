#pragma once
// modbus.log beyond the commits: what the link refused (an address not allowed, a client
// over the limit, a frame for another unit, a malformed frame, a write refused), at most one
// line per kind and client a minute, so a flood cannot fill the disk; and the file turned
// over at kLogRotateBytes into modbus.log.1 (one older file kept).
//
// Lines: "<date> <time>  <client>  refused: <what>", the date and time as the station
// writes them elsewhere (the system's short date and time, as in the commit lines).

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "base/Platform.h"

namespace orlix::link {

inline constexpr const char* kLogFile = "modbus.log";
inline constexpr const char* kOldLogFile = "modbus.log.1";
inline constexpr std::size_t kLogRotateBytes = 1024 * 1024;
inline constexpr double kRefusalLogSeconds = 60;

enum class Refusal { Address, TooMany, OtherUnit, Malformed, Write };

// "address not allowed", "over the client limit", "frame for another unit", "malformed
// frame", "write refused".
const char* RefusalText(Refusal kind);

class LinkLog {
 public:
  LinkLog(FileAccess& files, Clock& clock) : files_(files), clock_(clock) {}

  // A refusal of `kind` for `client`: its line when none of that kind for that client was
  // written in the last minute; nothing otherwise. Appended to the log when written.
  std::optional<std::string> Refused(Refusal kind, const std::string& client);
  // Appends a line (a commit's); turns the file over first when it has grown too large.
  bool Append(const std::string& line);

 private:
  FileAccess& files_;
  Clock& clock_;
  std::optional<std::size_t> size_;  // of modbus.log as far as this log knows
  std::map<std::pair<Refusal, std::string>, double> lastLine_;  // monotonic seconds
};

}  // namespace orlix::link
