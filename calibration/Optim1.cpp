#include "calibration/Optim1.h"

namespace orlix {

double Determinant4(const CalibrationData& data) {
  const auto& a = data.NormalMatrix;
  // Rows 3 and 4 (indices 2 and 3): minors of the column pairs.
  const double m12 = a[2][0] * a[3][1] - a[2][1] * a[3][0];
  const double m13 = a[2][0] * a[3][2] - a[2][2] * a[3][0];
  const double m14 = a[2][0] * a[3][3] - a[2][3] * a[3][0];
  const double m23 = a[2][1] * a[3][2] - a[2][2] * a[3][1];
  const double m24 = a[2][1] * a[3][3] - a[2][3] * a[3][1];
  const double m34 = a[2][2] * a[3][3] - a[2][3] * a[3][2];
  double det = a[0][0] * (a[1][1] * m34 - a[1][2] * m24 + a[1][3] * m23);
  det = det - a[0][1] * (a[1][0] * m34 - a[1][2] * m14 + a[1][3] * m13);
  det = det + a[0][2] * (a[1][0] * m24 - a[1][1] * m14 + a[1][3] * m12);
  det = det - a[0][3] * (a[1][0] * m23 - a[1][1] * m13 + a[1][2] * m12);
  return det;
}

}  // namespace orlix
