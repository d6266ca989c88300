#pragma once
// The control gain panel without its widgets: the gain in percent, stepped cyclically over
// 1..100, and the on/off state of the thickness correction.

#include <string>

namespace orlix::cg1 {

inline constexpr float kMinGain = 1.0f;
inline constexpr float kMaxGain = 100.0f;

// One step up (100 is followed by 1) or down (1 is followed by 100).
float IncreasedGain(float gain);
float DecreasedGain(float gain);

class ControlGain {
 public:
  float Gain() const { return gain_; }
  bool On() const { return on_; }

  // The gain after one step of "Increase" or "Decrease".
  float Increase() { return gain_ = IncreasedGain(gain_); }
  float Decrease() { return gain_ = DecreasedGain(gain_); }
  // The state after a click on the on/off button.
  bool Toggle() { return on_ = !on_; }

  // The gain display ("##0") and the on/off button's caption.
  std::string GainText() const;
  const char* Caption() const { return on_ ? "ON" : "OFF"; }

 private:
  float gain_ = kMaxGain;
  bool on_ = true;
};

}  // namespace orlix::cg1
