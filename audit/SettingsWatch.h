#pragma once
// Changes to station.ini's groups that shape what the station measures or sends: the
// tolerance, the alarm, the plant link, the MQTT output and the engineer access. People edit
// station.ini by hand, also while the station is off, so the trail compares the groups with
// a copy of them as it last recorded them ("audit-settings.ini", lines of group, key and
// value, tab-separated and escaped as in audit.log) and logs one "settings" event per key
// that differs: "[modbus] port: 502 -> 1502", "(none)" for a key that was or is missing. The
// values of secrets (a password, the PIN's hash) are never written: "changed".

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "audit/AuditLog.h"
#include "base/Platform.h"

namespace orlix::audit {

inline constexpr const char* kWatchedCopy = "audit-settings.ini";
inline constexpr std::array<const char*, 5> kWatchedGroups = {"quality", "alarm", "modbus", "mqtt",
                                                              "access"};

class SettingsWatch {
 public:
  SettingsWatch(FileAccess& files, AuditLog& log) : files_(files), log_(log) {}

  // Logs the changes since the copy and keeps the groups as they are now. The changes of
  // group `logged elsewhere` are left out of the trail (the settings window logs its own
  // "tolerance" event for [quality], the PIN command its "access" event), but the copy takes
  // them all the same. The count of events logged.
  std::size_t Check(std::string_view level, std::string_view source,
                    std::string_view loggedElsewhere = {});

 private:
  FileAccess& files_;
  AuditLog& log_;
};

}  // namespace orlix::audit
