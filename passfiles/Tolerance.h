#pragma once
// The tolerance of a pass around its set-point, and the one rule for whether it can give
// limits at all. The station keeps it in station.ini ([quality]) and records it with each
// pass in the information file, both under the same keys. A tolerance that breaks the rule
// (a side not a number, below 0 or above 9999 µm, or no width at all) gives no limits: a
// pass is then recorded and reported without them, never against made-up ones.

#include <string>

namespace orlix {

inline constexpr const char* kTolerancePlusKey = "tolerance_plus_um";
inline constexpr const char* kToleranceMinusKey = "tolerance_minus_um";
// The keypad's bounds of a side, µm.
inline constexpr double kToleranceMinimum = 0;
inline constexpr double kToleranceMaximum = 9999;

struct Tolerance {
  double plus = 6;   // µm above the set-point
  double minus = 6;  // µm below it
};

// Why the tolerance cannot give limits, naming the key ("tolerance_minus_um is below 0");
// empty when it can.
std::string ToleranceProblem(const Tolerance& tolerance);

}  // namespace orlix
