#pragma once
// The scale that the histogram and the arrow gauge share: from the middle value m and the
// scale length S (percent of m) a unit s = m × S / 100, the range m − 2.5 s to m + 2.5 s,
// five labels at m − 2.5 s, m − s, m, m + s and m + 2.5 s, and the tick positions of the
// scale's 11 major and 50 minor divisions (points).

#include <array>
#include <string>

namespace orlix {

struct DisplayScale {
  float unit = 1.0f;  // s; 1 where m × S / 100 is 0 (a negative s is used as it is)
  float lower = 0.0f;
  float upper = 0.0f;
  std::array<std::string, 5> labels;  // "###0.0" below m = 100, "###0" from there

  DisplayScale(float middle, float scaleLength);
};

inline constexpr int kMajorTicks = 11;
inline constexpr int kMinorTicks = 50;
inline constexpr double MajorTickX(int i) { return 14.0 + 15.0 * i; }
inline constexpr double MinorTickX(int i) { return 14.0 + 3.0 * i; }

}  // namespace orlix
