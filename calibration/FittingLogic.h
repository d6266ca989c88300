#pragma once
// The calibration window without Qt: the keypad entry of the points, the texts of its
// fields and what one fit shows on them and on the graph.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "calibration/Poly3Fit.h"

namespace orlix {

// Keypad indices beyond the digits 0..9.
inline constexpr std::int16_t kKeyPoint = 10;
inline constexpr std::int16_t kKeyEnter = 11;

// The keypad reaches points 1..15 only.
inline constexpr std::int16_t kKeypadPoints = 15;
// A thickness field of this many characters takes no further key, "Enter" included.
inline constexpr std::size_t kEntryLimit = 8;
// The fitted curve is drawn as dots at this many equal steps from 0 to the largest intensity.
inline constexpr int kCurveIntervals = 250;

// Field texts.
std::string PointNumberText(std::int16_t pointNumber);  // "#0": "1", "15"
std::string PointValueText(double value);               // "###0.0": "120.5", "0.0"
// " A1=-0.115": a blank, "A", the index, "=", the value with "###0.0##".
std::string CoefficientText(int index, double value);
// "±0.000": the plus-minus sign (U+00B1, UTF-8) and the deviation with "###0.000".
std::string DeviationText(double deviation);

// The point shown after "Enter" on `pointNumber`: the next one, 1 again after 15.
std::int16_t NextPointNumber(std::int16_t pointNumber);

// The x of the curve's dots: 0 to intensityMax in kCurveIntervals equal steps, both ends
// included (251 values). Nothing when intensityMax is not a positive finite number.
std::vector<double> CurveSteps(double intensityMax);

// A point of the graph, as the graph takes it: (x, y) in single precision.
using GraphPoint = std::pair<float, float>;

// What a fit over points 1..PointCount shows.
struct FitView {
  // The fit's failure flag (True also when no fit was possible).
  std::int16_t failed = kTrue16;
  // False after a failed fit or with fewer than 2 points: only "F IT" turns red, the
  // other fields and the graph keep what they showed.
  bool shown = false;
  std::array<std::string, 4> coefficients;  // " A0=...", .., " A3=..."
  std::string deviation;                    // "±..."
  double intensityMax = 0.0;                // ranges of the graph
  double thicknessMax = 0.0;
  std::vector<GraphPoint> circles;  // the points, (intensity, thickness)
  std::vector<GraphPoint> dots;     // the curve, (x, t(x))
};

// Fits points 1..PointCount of the record. A successful fit over at least 2 points
// replaces the record's coefficients (the ones the measurement uses) at once; a failed
// fit, or fewer than 2 points, leaves them as they were.
FitView FitForView(CalibrationData& data);

// The keypad entry of points 1..15 into the record.
class PointEntry {
 public:
  enum class KeyResult { Ignored, Typed, Stored };

  explicit PointEntry(CalibrationData& data) : data_(data) { Open(); }

  // Shows point 1 with its stored values, as after opening.
  void Open();

  // A keypad key, 0..9, kKeyPoint or kKeyEnter. The first key other than "Enter" after a
  // shown point clears it and starts a fresh entry; a field of kEntryLimit characters
  // ignores every key. "Enter" stores the field's leading number as the thickness and
  // one count from `readCount` as the intensity, then shows the next point.
  KeyResult Key(std::int16_t index, const std::function<float()>& readCount);

  // Empties both fields and sets the current point's intensity and thickness to 0.
  void ClearCurrentPoint();

  // The number of points "F IT" fits and "Save" writes: those before the current one,
  // or all 15 once the point number has wrapped past 15.
  std::int16_t FitCount() const;
  // An "Enter" was accepted since opening.
  bool AnyEntered() const { return entered_; }

  std::int16_t PointNumber() const { return pointNumber_; }
  std::int16_t ShowingStored() const { return showingStored_; }
  std::string PointNumberText() const { return orlix::PointNumberText(pointNumber_); }
  const std::string& ThicknessText() const { return thickness_; }
  const std::string& IntensityText() const { return intensity_; }

 private:
  void ShowPoint();

  CalibrationData& data_;
  std::int16_t pointNumber_ = 1;
  std::int16_t showingStored_ = kTrue16;
  bool entered_ = false;
  bool wrapped_ = false;
  std::string thickness_;
  std::string intensity_;
};

}  // namespace orlix
