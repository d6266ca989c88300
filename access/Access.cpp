#include "access/Access.h"

#include <cmath>

#include "base/KeyTexts.h"
#include "settings/StationIni.h"

namespace orlix::access {

AccessSettings ReadAccessSettings(const StationIni& ini) {
  AccessSettings settings;
  const StationIni::Keys keys = ini.Group(kAccessGroup);
  if (const auto it = keys.find(kSessionKey); it != keys.end()) {
    long long minutes = 0;
    if (ParseInt(it->second, 1, 1440, minutes)) settings.sessionSeconds = 60.0 * double(minutes);
  }
  const auto it = keys.find(kPinHashKey);
  if (it == keys.end()) return settings;
  settings.pinSet = true;
  settings.pin = ParseStored(it->second);
  if (!settings.pin) {
    settings.problem = std::string(kStationIni) + ": [" + kAccessGroup + "] " + kPinHashKey +
                       " is not readable; set it again with --set-pin";
  }
  return settings;
}

IniChange SetPin(StationIni& ini, std::string_view pin, std::uint32_t iterations) {
  if (!IsValidPin(pin)) return {false, "The PIN must be 4 to 8 digits (0-9); nothing was changed."};
  const std::optional<PinHash> hash = HashPin(pin, iterations);
  if (!hash) return {false, "The PIN could not be hashed (OpenSSL); nothing was changed."};
  if (!ini.Write(kAccessGroup, {{kPinHashKey, StoredText(*hash)}})) {
    return {false, std::string(kStationIni) + " cannot be written in " + ini.Location() +
                       "; nothing was changed."};
  }
  return {true, "Engineer PIN set: its hash is in " + std::string(kStationIni) + " [" +
                    kAccessGroup + "] " + kPinHashKey + " in " + ini.Location() + "."};
}

IniChange ClearPin(StationIni& ini) {
  if (!ini.Remove(kAccessGroup, {kPinHashKey})) {
    return {false, std::string(kStationIni) + " cannot be written in " + ini.Location() +
                       "; nothing was changed."};
  }
  return {true, "Engineer PIN cleared: " + std::string(kStationIni) + " in " + ini.Location() +
                    " has no " + kPinHashKey + "; nothing asks for a PIN."};
}

std::string AttemptText(const Attempt& attempt, const std::string& problem) {
  using R = Attempt::Result;
  switch (attempt.result) {
    case R::kStarted:
      return {};
    case R::kWrong: {
      const int left = kWrongPinsToLock - attempt.wrongInRow;
      return "Wrong PIN, " + std::to_string(left) + (left == 1 ? " try left" : " tries left");
    }
    case R::kLocked:
    case R::kRefused:
      return std::string(attempt.result == R::kLocked ? "Wrong PIN. " : "") + "Locked for " +
             std::to_string(static_cast<long>(std::ceil(attempt.lockedSeconds))) + " s";
    case R::kUnreadable:
      return problem;
  }
  return {};
}

Session::Session(Clock& clock, AccessSettings settings)
    : clock_(clock), settings_(std::move(settings)) {}

double Session::LockedSeconds() {
  const double left = lockedUntil_ - clock_.MonotonicSeconds();
  return left > 0 ? left : 0;
}

Attempt Session::Enter(std::string_view pin) {
  using R = Attempt::Result;
  if (!settings_.pin) return {R::kUnreadable, wrongInRow_, 0};
  // During the lock nothing is checked, so nothing can be learnt from it.
  if (const double locked = LockedSeconds(); locked > 0) return {R::kRefused, wrongInRow_, locked};
  if (CheckPin(*settings_.pin, pin)) {
    wrongInRow_ = 0;
    running_ = true;
    lastInput_ = clock_.MonotonicSeconds();
    return {R::kStarted, 0, 0};
  }
  if (++wrongInRow_ < kWrongPinsToLock) return {R::kWrong, wrongInRow_, 0};
  const int wrong = wrongInRow_;
  wrongInRow_ = 0;  // the lock ends with a fresh count
  lockedUntil_ = clock_.MonotonicSeconds() + kLockSeconds;
  return {R::kLocked, wrong, kLockSeconds};
}

bool Session::Active() {
  return running_ && clock_.MonotonicSeconds() - lastInput_ < settings_.sessionSeconds;
}

void Session::Input() {
  if (Active()) lastInput_ = clock_.MonotonicSeconds();
}

bool Session::TimedOut() {
  if (!running_ || Active()) return false;
  running_ = false;
  return true;
}

bool Session::Close() {
  const bool was = Active();
  running_ = false;
  return was;
}

}  // namespace orlix::access
