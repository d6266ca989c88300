#pragma once
// Poly3Fit: the calibration record and the cubic least-squares fit of thickness over
// intensity, thickness = A0 + A1·x + A2·x² + A3·x³ with x the detector count.

#include <array>
#include <cstdint>

#include "core/Measure.h"

namespace orlix {

// Points the record holds (point i, counted from 1, lives at index i - 1).
inline constexpr int kCalibrationCapacity = 200;

// The calibration's 16-bit Booleans (the fit's failure flag, the window's flags): True is
// -1, False is 0.
inline constexpr std::int16_t kTrue16 = -1;
inline constexpr std::int16_t kFalse16 = 0;

// The calibration record; one instance lives as long as the program, all zero at start.
struct CalibrationData {
  // Points 1 to PointCount take part in the fit (values outside 0..200 count as the
  // nearest bound).
  std::int16_t PointCount = 0;
  std::array<double, kCalibrationCapacity> Intensity{};  // x of each point: the count
  std::array<double, kCalibrationCapacity> Thickness{};  // y of each point: micrometres
  // Power sums of the last fit: S(r + c) over the centred and scaled intensities.
  std::array<std::array<double, 4>, 4> NormalMatrix{};
  // A0, A1, A2, A3.
  Coefficients Coef{};
};

// Fits the cubic to points 1..PointCount by least squares, in place.
//
// Points whose intensity is 0, negative or not finite take no part. The intensities are
// centred on the middle of their range and divided by a power of two that brings them into
// [-1, 1]; the power sums and the solve are carried in double-double precision, and the
// result is expanded back to A0..A3 of the raw count and rounded once. NormalMatrix then
// holds the centred and scaled power sums, Coef the coefficients, failed is False.
//
// failed is True when fewer than four distinct intensities take part (the system is
// singular) or the coefficients would not be finite; Coef then holds the right-hand sums
// of the centred and scaled system, not coefficients: see FitAndCommit.
void FitPoly3(CalibrationData& data, std::int16_t& failed);

// t(x) = ((A0 + A1·x) + A2·x²) + A3·x³ in double, x² and x³ formed as powers of x.
double EvalPoly3(const CalibrationData& data, double x);
double EvalPoly3(const Coefficients& coef, double x);

// Fits a copy of the record and commits Coef and NormalMatrix only when the fit succeeds:
// a failed fit leaves the record, and so the coefficients the measurement uses, as they
// were. Returns true on success; failed is set as FitPoly3 sets it.
bool FitAndCommit(CalibrationData& data, std::int16_t& failed);

// Deviation of the fit over points 1..n, n = PointCount:
// sqrt(Σ (t(x_i) − y_i)² / (n − 1)), points with intensity 0 included. 0 when n < 2.
double FitDeviation(const CalibrationData& data);

// PointCount clamped to the record's capacity.
int UsedPointCount(const CalibrationData& data);

}  // namespace orlix
