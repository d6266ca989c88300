#pragma once
// The calibration points file "QL_SET.DAT": the count m in the print form on the first
// line, then m lines "thickness,intensity" in the list form, every line ended by CR LF.

#include <cstdint>
#include <string>

#include "base/Platform.h"
#include "calibration/Poly3Fit.h"

namespace orlix {

inline constexpr const char* kPointsFile = "QL_SET.DAT";

// Points the calibration window works with; a read clears them first.
inline constexpr int kPointsShown = 15;

class PointsFile {
 public:
  explicit PointsFile(FileAccess& files) : files_(files) {}

  // Clears points 1..15 and sets PointCount to 15; then, when the file is there, PointCount
  // becomes its count m (rounded, limited to 0..200) and points 1..m take its values,
  // thickness first. Points announced but missing from the file are zero; points above m
  // keep what they held. Text that is not a number ends the read with what was read so far.
  void ReadPoints(CalibrationData& data);

  // Replaces the file with points 1..m (m limited to 0..200). False when it could not be
  // written; the old file is then intact.
  bool WritePoints(const CalibrationData& data, std::int16_t m);

  // The file's text for points 1..m: " 1 \r\n120.5,4373\r\n" for one point.
  static std::string PointsText(const CalibrationData& data, std::int16_t m);

 private:
  FileAccess& files_;
};

}  // namespace orlix
