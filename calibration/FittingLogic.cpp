#include "calibration/FittingLogic.h"

#include <cmath>

#include "base/Format.h"

namespace orlix {

std::string PointNumberText(std::int16_t pointNumber) { return FormatPattern(pointNumber, "#0"); }

std::string PointValueText(double value) { return FormatPattern(value, "###0.0"); }

std::string CoefficientText(int index, double value) {
  return " A" + FormatPattern(index, "0") + "=" + FormatPattern(value, "###0.0##");
}

std::string DeviationText(double deviation) {
  return "\xC2\xB1" + FormatPattern(deviation, "###0.000");
}

std::int16_t NextPointNumber(std::int16_t pointNumber) {
  return pointNumber >= kKeypadPoints ? std::int16_t{1}
                                      : static_cast<std::int16_t>(pointNumber + 1);
}

std::vector<double> CurveSteps(double intensityMax) {
  std::vector<double> xs;
  if (!(intensityMax > 0.0) || !std::isfinite(intensityMax)) return xs;
  xs.reserve(kCurveIntervals + 1);
  // Each x from its step number, so the last dot lands on intensityMax itself.
  for (int k = 0; k <= kCurveIntervals; ++k) {
    xs.push_back(intensityMax * (static_cast<double>(k) / kCurveIntervals));
  }
  return xs;
}

FitView FitForView(CalibrationData& data) {
  FitView view;
  const int n = UsedPointCount(data);
  // With fewer than 2 points no fit can succeed (it needs 4 distinct intensities): the
  // coefficients in use stay as they are and "F IT" shows the failure.
  if (n >= 2) view.shown = FitAndCommit(data, view.failed);
  if (!view.shown) return view;

  for (int i = 0; i < 4; ++i) {
    view.coefficients[static_cast<std::size_t>(i)] =
        CoefficientText(i, data.Coef[static_cast<std::size_t>(i)]);
  }
  view.intensityMax = data.Intensity[0];
  view.thicknessMax = data.Thickness[0];
  view.circles.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (data.Intensity[k] >= view.intensityMax) view.intensityMax = data.Intensity[k];
    if (data.Thickness[k] >= view.thicknessMax) view.thicknessMax = data.Thickness[k];
    view.circles.emplace_back(static_cast<float>(data.Intensity[k]),
                              static_cast<float>(data.Thickness[k]));
  }
  view.deviation = DeviationText(FitDeviation(data));
  const std::vector<double> xs = CurveSteps(view.intensityMax);
  view.dots.reserve(xs.size());
  for (const double x : xs) {
    view.dots.emplace_back(static_cast<float>(x), static_cast<float>(EvalPoly3(data, x)));
  }
  return view;
}

void PointEntry::Open() {
  pointNumber_ = 1;
  showingStored_ = kTrue16;
  entered_ = false;
  wrapped_ = false;
  ShowPoint();
}

PointEntry::KeyResult PointEntry::Key(std::int16_t index, const std::function<float()>& readCount) {
  if (index < 0 || index > kKeyEnter) return KeyResult::Ignored;
  if (index != kKeyEnter && showingStored_ != kFalse16) {
    ClearCurrentPoint();
    showingStored_ = kFalse16;
  }
  if (thickness_.size() >= kEntryLimit) return KeyResult::Ignored;
  if (index == kKeyPoint) {
    thickness_ += '.';
    return KeyResult::Typed;
  }
  if (index != kKeyEnter) {
    thickness_ += static_cast<char>('0' + index);
    return KeyResult::Typed;
  }
  const auto k = static_cast<std::size_t>(pointNumber_ - 1);
  data_.Thickness[k] = LeadingNumber(thickness_);
  data_.Intensity[k] = static_cast<double>(readCount());
  showingStored_ = kTrue16;
  entered_ = true;
  if (pointNumber_ >= kKeypadPoints) wrapped_ = true;
  pointNumber_ = NextPointNumber(pointNumber_);
  ShowPoint();
  return KeyResult::Stored;
}

void PointEntry::ClearCurrentPoint() {
  thickness_.clear();
  intensity_.clear();
  const auto k = static_cast<std::size_t>(pointNumber_ - 1);
  data_.Intensity[k] = 0.0;
  data_.Thickness[k] = 0.0;
}

std::int16_t PointEntry::FitCount() const {
  return wrapped_ ? kKeypadPoints : static_cast<std::int16_t>(pointNumber_ - 1);
}

void PointEntry::ShowPoint() {
  const auto k = static_cast<std::size_t>(pointNumber_ - 1);
  thickness_ = PointValueText(data_.Thickness[k]);
  intensity_ = PointValueText(data_.Intensity[k]);
}

}  // namespace orlix
