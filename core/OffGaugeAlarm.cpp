#include "core/OffGaugeAlarm.h"

#include <algorithm>
#include <cstdio>

namespace orlix {

void OffGaugeAlarm::Reset() {
  state_ = AlarmState{};
  stretch_.reset();
}

std::vector<AlarmEvent> OffGaugeAlarm::Update(double length, double thickness,
                                              std::optional<double> lower,
                                              std::optional<double> upper, double when) {
  std::vector<AlarmEvent> events;
  std::optional<AlarmSide> side;
  if (delay_ > 0 && lower && upper) {
    if (thickness > *upper) side = AlarmSide::kThick;
    if (thickness < *lower) side = AlarmSide::kThin;
  }
  if (side != stretch_) {
    // The stretch ends, or turns to the other side: an active alarm has returned.
    if (state_.active) {
      state_.active = false;
      events.push_back({AlarmEvent::kReturned, state_, when});
      if (state_.acknowledged) state_ = AlarmState{};
    }
    stretch_ = side;
    stretchStart_ = length;
    stretchExtreme_ = thickness;
    stretchLimit_ = side == AlarmSide::kThick ? upper.value_or(0) : lower.value_or(0);
  }
  if (!side) return events;

  stretchExtreme_ = *side == AlarmSide::kThick ? std::max(stretchExtreme_, thickness)
                                               : std::min(stretchExtreme_, thickness);
  const double off = length - stretchStart_;
  if (state_.active) {
    state_.extreme = stretchExtreme_;
    state_.offLength = off;
  } else if (off > delay_) {
    // A new alarm, or a returned one not yet acknowledged that is off again.
    state_ =
        AlarmState{true, true, false, *side, stretchLimit_, stretchExtreme_, stretchStart_, off};
    events.push_back({AlarmEvent::kRaised, state_, when});
  }
  return events;
}

std::optional<AlarmEvent> OffGaugeAlarm::Acknowledge(double when) {
  if (!state_.raised || state_.acknowledged) return std::nullopt;
  state_.acknowledged = true;
  AlarmEvent event{AlarmEvent::kAcknowledged, state_, when};
  if (!state_.active) state_ = AlarmState{};
  return event;
}

std::string AlarmLogLine(const std::string& time, int pass, const AlarmEvent& event) {
  const AlarmState& s = event.state;
  const char* side = s.side == AlarmSide::kThick ? "THICK" : "THIN";
  const char* beyond = s.side == AlarmSide::kThick ? "above" : "below";
  const char* what = event.kind == AlarmEvent::kRaised     ? "raised"
                     : event.kind == AlarmEvent::kReturned ? "returned"
                                                           : "acknowledged";
  char text[256];
  std::snprintf(
      text, sizeof text,
      "%s  pass %02d  %s %s: %s %.1f \xC2\xB5m from %.1f m for %.1f m, extreme %.1f \xC2\xB5m",
      time.c_str(), pass, side, what, beyond, s.limit, s.startLength, s.offLength, s.extreme);
  return text;
}

}  // namespace orlix
