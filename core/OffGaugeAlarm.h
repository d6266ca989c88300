#pragma once
// The off-gauge alarm: raised when the thickness stays above the upper or below the lower
// limit of the running pass for more than a set length of strip, and latched until the
// operator acknowledges it. It is fed the display updates of the pass (strip length and
// thickness); time comes with each update, so a fake clock drives it in tests.
//
//   normal --(off one side for more than the delay)--> active, unacknowledged
//   active, unacknowledged --(acknowledge)--> active, acknowledged --(back within)--> normal
//   active, unacknowledged --(back within)--> returned, unacknowledged --(acknowledge)--> normal
//
// A returned alarm that goes off again (one side, for more than the delay) before it was
// acknowledged is active again, for that stretch. A stretch that changes side starts afresh.

#include <optional>
#include <string>
#include <vector>

namespace orlix {

enum class AlarmSide { kThick, kThin };

struct AlarmState {
  bool raised = false;        // an alarm is latched: active, or returned and not acknowledged
  bool active = false;        // the strip is off gauge on `side` now, beyond the delay
  bool acknowledged = false;  // the operator has seen it
  AlarmSide side = AlarmSide::kThick;
  double limit = 0;        // µm, the limit it is beyond
  double extreme = 0;      // µm, the farthest value beyond the limit so far
  double startLength = 0;  // m, where the stretch began
  double offLength = 0;    // m, strip off gauge in this stretch so far
};

// What happened at an update or an acknowledgement, for the alarm log and the pass.
struct AlarmEvent {
  enum Kind { kRaised, kReturned, kAcknowledged } kind;
  AlarmState state;  // after the event
  double when = 0;   // the time given with the update (s)
};

class OffGaugeAlarm {
 public:
  // `delayM`: strip length (m) that must be off gauge before the alarm; 0 or less: never.
  explicit OffGaugeAlarm(double delayM = 0) : delay_(delayM) {}

  void SetDelay(double delayM) { delay_ = delayM; }
  double Delay() const { return delay_; }

  // A new pass: no stretch, no latched alarm (a latched one is cleared with the pass).
  void Reset();

  // A display update: strip length (m), thickness (µm), the pass's limits (nothing: no
  // limits, never an alarm), the time (s). Gives the events it caused.
  std::vector<AlarmEvent> Update(double length, double thickness, std::optional<double> lower,
                                 std::optional<double> upper, double when);

  // The operator acknowledges the latched alarm; nothing when none is latched or it was
  // acknowledged already.
  std::optional<AlarmEvent> Acknowledge(double when);

  const AlarmState& State() const { return state_; }

 private:
  double delay_;
  AlarmState state_;
  // The stretch off gauge now: its side, where it began, its extreme.
  std::optional<AlarmSide> stretch_;
  double stretchStart_ = 0;
  double stretchExtreme_ = 0;
  double stretchLimit_ = 0;
};

// One line of the alarm log (no line end): "2026-12-08 08:56:58  pass 07  THICK raised at
// 123.4 m: above 126.0 µm for 5.2 m, extreme 131.2 µm".
std::string AlarmLogLine(const std::string& time, int pass, const AlarmEvent& event);

}  // namespace orlix
