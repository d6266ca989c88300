#include "mqtt/Pacing.h"

#include <algorithm>

namespace orlix::mqtt {

double Backoff::Next(bool refused) {
  delay_ = delay_ == 0 ? kFirstS : std::min(delay_ * 2, kLongestS);
  return refused ? std::max(delay_, kRefusedS) : delay_;
}

double LiveThrottle::Wait(double now) const {
  if (!sent_ || period_ <= 0) return 0;
  return std::max(0.0, last_ + period_ - now);
}

}  // namespace orlix::mqtt
