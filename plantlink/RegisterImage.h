#pragma once
// The input registers the plant link serves: a snapshot of the station turned into the 36
// registers of the register map (docs/MODBUS.md).
// 32-bit values take two registers, high word first; 0x80000000 (32-bit) and 0x8000
// (16-bit) mark a value that is not valid.

#include <array>
#include <cstdint>
#include <optional>

#include "core/StationSnapshot.h"

namespace orlix::link {

inline constexpr int kInputRegisterCount = 36;
inline constexpr std::uint16_t kInvalid16 = 0x8000;
inline constexpr std::uint32_t kInvalid32 = 0x80000000u;

// Register addresses of the map.
enum InputRegister : int {
  kThickness = 0,         // int32, nm
  kSetPoint = 2,          // int32, nm
  kDeviation = 4,         // int32, nm
  kDeviationPercent = 6,  // int16, 0.01 % of the set-point
  kCorrection = 7,        // int32, 0.001 per mille
  kStatus = 9,            // bits below
  kPass = 10,             // int16
  kGain = 11,             // int16, percent
  kStripLength = 12,      // int32, mm
  kRollWeight = 14,       // int32, g
  kRollDiameter = 16,     // int32, µm
  kUpdateCounter = 18,    // uint16
  kHeartbeat = 19,        // uint16, seconds since the link started, always counting
  kLowerLimit = 20,       // int32, nm, of the running pass
  kUpperLimit = 22,       // int32, nm
  // The last pass after its "Stop", until the next "Start".
  kLastPass = 24,         // int16
  kLastLength = 25,       // int32, mm
  kLastWeight = 27,       // int32, g
  kLastDiameter = 29,     // int32, µm
  kLastMean = 31,         // int32, nm, of its recorded data lines (from its report)
  kLastDeviation = 33,    // int32, nm
  kLastInTolerance = 35,  // int16, 0.01 % of its data lines within the limits
};

enum StatusBit : std::uint16_t {
  kPassRunning = 1u << 0,
  kValueValid = 1u << 1,
  kControlOn = 1u << 2,
  kFileFailing = 1u << 3,
  kWithinTolerance = 1u << 4,
  kAboveLimit = 1u << 5,
  kBelowLimit = 1u << 6,
  kNoLimits = 1u << 7,     // the running pass has no limits (its tolerance could not give any)
  kAlarmRaised = 1u << 8,  // the off-gauge alarm is latched
  kAlarmUnacknowledged = 1u << 9,
  kAlarmActive = 1u << 10,  // the strip is off gauge now, beyond the alarm's delay
  kAlarmThin = 1u << 11,    // the latched alarm is below the lower limit (else above)
};

using InputImage = std::array<std::uint16_t, kInputRegisterCount>;

// The registers of a snapshot with the given update counter.
InputImage MakeInputImage(const orlix::StationSnapshot& s, std::uint16_t counter);

// The image before anything is known: every value invalid, status 0, counter 0.
InputImage EmptyInputImage();

// A 32-bit value into two registers, high word first, and back.
void PutInt32(InputImage& image, int address, std::uint32_t value);
std::uint32_t GetInt32(const std::uint16_t* words);

// value × scale rounded to a whole number, kept clear of the invalid marker: beyond
// ±2147483647 it is clamped; not a number gives the marker.
std::uint32_t ScaledInt32(double value, double scale);

}  // namespace orlix::link
