#include "calibration/CoefFile.h"

#include "base/BoundedRead.h"
#include "base/Format.h"

namespace orlix {

void CoefFile::ReadCoefficients(CalibrationData& data) { ReadCoefficients(data.Coef); }

void CoefFile::ReadCoefficients(Coefficients& coef) {
  coef = kDefaultCoefficients;
  const auto text = ReadDataText(files_, kCoefficientFile);
  if (!text) return;
  ListReader reader(*text);
  for (double& a : coef) {
    const auto value = reader.Next();
    if (!value) return;
    a = *value;
  }
}

std::string CoefFile::CoefficientText(const Coefficients& coef) {
  std::string text;
  for (double a : coef) {
    text += ListForm(a);
    text += ',';
  }
  return text;
}

bool CoefFile::WriteCoefficients(const CalibrationData& data) {
  return WriteCoefficients(data.Coef);
}

bool CoefFile::WriteCoefficients(const Coefficients& coef) {
  return files_.Replace(kCoefficientFile, CoefficientText(coef));
}

}  // namespace orlix
