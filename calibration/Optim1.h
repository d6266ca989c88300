#pragma once
// Optim1: the 4 × 4 determinant used by the linear solve of the fit.

#include "calibration/Poly3Fit.h"

namespace orlix {

// Determinant of NormalMatrix: the cofactor expansion along row 1, each 3 × 3 minor expanded
// along its first row from the six 2 × 2 minors of rows 3 and 4; brackets are evaluated and
// the four terms added left to right.
double Determinant4(const CalibrationData& data);

}  // namespace orlix
