#pragma once
// The engineer level of the station. Without a PIN (no [access] group in station.ini, or no
// pin_hash in it) everybody is at the operator level and nothing asks for a PIN. With one,
// "Settings" and "Fitting" open only in an engineer session, which the right PIN starts:
//
//   [access]
//   pin_hash=pbkdf2-sha256$600000$<salt>$<hash>   ; written by --set-pin, never by hand
//   session_min=5                                 ; minutes without input that end a session
//
// Five wrong PINs in a row lock the entry for a minute. A pin_hash that cannot be read keeps
// the engineer's functions locked (fail closed) and says why.

#include <optional>
#include <string>

#include "access/PinHash.h"
#include "base/Platform.h"

namespace orlix {
class StationIni;
}

namespace orlix::access {

inline constexpr const char* kAccessGroup = "access";
inline constexpr const char* kPinHashKey = "pin_hash";
inline constexpr const char* kSessionKey = "session_min";
inline constexpr double kDefaultSessionMinutes = 5;
inline constexpr int kWrongPinsToLock = 5;
inline constexpr double kLockSeconds = 60;

struct AccessSettings {
  bool pinSet = false;         // a pin_hash is there, readable or not
  std::optional<PinHash> pin;  // the hash, when it could be read
  std::string problem;         // why the PIN cannot be checked; empty when it can
  double sessionSeconds = kDefaultSessionMinutes * 60;
};

// Group [access] of station.ini; a session_min that is not a whole number of minutes from 1
// to 1440 is taken as the default.
AccessSettings ReadAccessSettings(const StationIni& ini);
// Writes the PIN's hash (a PIN of 4 to 8 digits, hashed here) or removes it; the rest of the
// file stays as it is. The text says what was done or why not.
struct IniChange {
  bool ok = false;
  std::string text;
};
IniChange SetPin(StationIni& ini, std::string_view pin, std::uint32_t iterations = kPinIterations);
IniChange ClearPin(StationIni& ini);

// What an entered PIN did.
struct Attempt {
  enum class Result { kStarted, kWrong, kLocked, kRefused, kUnreadable };
  Result result = Result::kWrong;
  int wrongInRow = 0;        // after this attempt (kWrong, kLocked)
  double lockedSeconds = 0;  // left of the lock (kLocked, kRefused)
};
// "Wrong PIN, 3 tries left", "Locked for 47 s", or the problem of an unreadable pin_hash.
std::string AttemptText(const Attempt& attempt, const std::string& problem);

// The entry of the PIN and the engineer session on the station's monotonic clock.
class Session {
 public:
  Session(Clock& clock, AccessSettings settings);

  // Whether "Settings" and "Fitting" need an engineer session: a pin_hash is set.
  bool Required() const { return settings_.pinSet; }
  const AccessSettings& Settings() const { return settings_; }
  // station.ini read again: the counts, the lock and a running session stay.
  void Reload(AccessSettings settings) { settings_ = std::move(settings); }

  // Checks the PIN, unless the entry is locked or the stored hash unreadable; the right one
  // starts a session (or restarts the running one's time).
  Attempt Enter(std::string_view pin);
  // Seconds the entry stays locked; 0 when it is open.
  double LockedSeconds();

  // Whether a session runs now: started and less than the session time since the last input.
  bool Active();
  // Operator input: a running session's time starts again. An ended one stays ended.
  void Input();
  // True once, for a session whose time ran out without input; it is over afterwards.
  bool TimedOut();
  // Ends a running session (the program ends); true when one ran.
  bool Close();

 private:
  Clock& clock_;
  AccessSettings settings_;
  bool running_ = false;
  double lastInput_ = 0;
  int wrongInRow_ = 0;
  double lockedUntil_ = -1;
};

}  // namespace orlix::access
