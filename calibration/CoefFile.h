#pragma once
// CoefFile: the calibration coefficients file "QL_CFF.DAT", the four values A0, A1, A2, A3
// in the list form, each followed by a comma, on one line without a line end.

#include <string>

#include "base/Platform.h"
#include "calibration/Poly3Fit.h"

namespace orlix {

inline constexpr const char* kCoefficientFile = "QL_CFF.DAT";

// Thickness equals intensity until a calibration is saved.
inline constexpr Coefficients kDefaultCoefficients = {0.0, 1.0, 0.0, 0.0};

class CoefFile {
 public:
  explicit CoefFile(FileAccess& files) : files_(files) {}

  // Fills Coef from the file. A missing or unreadable file gives the defaults (0, 1, 0, 0)
  // and is not created. The file's first four numbers, separated by commas or line ends,
  // become A0..A3; anything after the fourth is ignored. A short or damaged file keeps the
  // numbers read before the fault and the defaults for the rest.
  void ReadCoefficients(CalibrationData& data);
  void ReadCoefficients(Coefficients& coef);

  // Replaces the file with Coef. False when it could not be written; the old file is then
  // intact.
  bool WriteCoefficients(const CalibrationData& data);
  bool WriteCoefficients(const Coefficients& coef);

  // The file's text: "61,-2.5,0,0," for (61, -2.5, 0, 0).
  static std::string CoefficientText(const Coefficients& coef);

 private:
  FileAccess& files_;
};

}  // namespace orlix
