#pragma once
// When the MQTT output tries the broker again, and how often it sends live values.

namespace orlix::mqtt {

// The wait before the next attempt to connect: 1 s after the first failure, doubled after
// each further one up to 30 s. A broker that refused the login is tried once a minute
// only: it will not take the same login a second later, and every attempt fills its log.
class Backoff {
 public:
  static constexpr double kFirstS = 1;
  static constexpr double kLongestS = 30;
  static constexpr double kRefusedS = 60;

  double Next(bool refused);
  void Reset() { delay_ = 0; }

 private:
  double delay_ = 0;
};

// At most one live message per period. A snapshot that comes sooner is held and goes out,
// as the latest held one, when the period is over, so the last state (a "Stop") is never
// left unsent. Period 0: every snapshot goes at once.
class LiveThrottle {
 public:
  explicit LiveThrottle(double periodS) : period_(periodS) {}
  // Seconds until a message may go; 0: now.
  double Wait(double now) const;
  void Sent(double now) { last_ = now, sent_ = true; }

 private:
  double period_;
  double last_ = 0;
  bool sent_ = false;
};

}  // namespace orlix::mqtt
