#include "widgets/HI1/HI1Model.h"

#include "base/Single.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "base/Format.h"
#include "widgets/common/PropertyBag.h"
#include "widgets/common/Scale.h"

namespace orlix {

namespace {

// A stored number read back as a 16-bit index: non-numbers give the default, the rest
// is truncated and held to the 16-bit range.
std::int16_t ToInt16(double d, std::int16_t fallback) {
  if (std::isnan(d)) return fallback;
  if (d <= -32768.0) return -32768;
  if (d >= 32767.0) return 32767;
  return static_cast<std::int16_t>(std::trunc(d));
}

}  // namespace

namespace histogram {

Frame FrameOf(double w, double h) {
  Frame f;
  f.right = w - 13.5;
  f.bottom = h - 14.0;
  f.ybase = std::nearbyint(h - 15.0);  // default rounding: nearest, ties to even
  f.xr = std::nearbyint(w - 13.5);
  for (int j = 1; j <= 3; ++j) f.labelY[static_cast<std::size_t>(j - 1)] = f.ybase - 42.0 * j;
  return f;
}

Unit UnitOf(int bin, int height, double h) {
  Unit u;
  u.x1 = 3.0 * bin + 13.5;
  u.x2 = u.x1 + (bin == HI1Model::kBins - 1 ? 1.5 : 3.0);
  u.y = h - 14.0 - height;
  return u;
}

}  // namespace histogram

HI1Model::HI1Model() { SetUp(midValue_, scalelength_); }

void HI1Model::SetMidValue(float value) {
  midValue_ = value;
  SetUp(midValue_, scalelength_);
}

void HI1Model::SetScalelength(float value) {
  scalelength_ = value;
  SetUp(midValue_, scalelength_);
}

HI1Model::Added HI1Model::SetCurrentValue(float value) {
  currentValue_ = value;
  return Add(value, midValue_);
}

void HI1Model::SetAverage(float) {
  throw PropertyError(PropertyError::Kind::ReadOnly, "Average is read-only");
}

void HI1Model::SetMsdeviation(float) {
  throw PropertyError(PropertyError::Kind::ReadOnly, "Msdeviation is read-only");
}

float HI1Model::HistoX() const {
  if (histoIndex_ < 0 || histoIndex_ >= kBins) {
    throw PropertyError(PropertyError::Kind::SubscriptOutOfRange, "HistoIndex out of range");
  }
  return edges_[static_cast<std::size_t>(histoIndex_)];
}

std::int32_t HI1Model::HistoY() const {
  if (histoIndex_ < 0 || histoIndex_ >= kBins) {
    throw PropertyError(PropertyError::Kind::SubscriptOutOfRange, "HistoIndex out of range");
  }
  return totals_[static_cast<std::size_t>(histoIndex_)];
}

void HI1Model::ResetHisto() { SetUp(midValue_, scalelength_); }

void HI1Model::SetUp(float middle, float scaleLength) {
  const DisplayScale scale(middle, scaleLength);
  scale_ = scale.unit;
  lower_ = scale.lower;
  axisTexts_ = scale.labels;
  for (int k = 0; k < kBins; ++k) {
    edges_[static_cast<std::size_t>(k)] = ToSingle(k * static_cast<double>(scale_) / 10.0 + lower_);
  }
  count_ = sum_ = squares_ = average_ = deviation_ = 0.0f;
  rescale_ = 1;
  display_.fill(0);
  totals_.fill(0);
  yellow_.fill(0);
}

int HI1Model::BinOf(float value, float middle) const {
  const double t = 10.0 * ((static_cast<double>(value) - middle) + 2.5 * scale_) / scale_;
  if (!(t >= 0.0)) return 0;  // below the scale, and NaN
  if (t >= kBins - 1) return kBins - 1;
  return static_cast<int>(std::floor(t));
}

HI1Model::Added HI1Model::Add(float value, float middle) {
  Added added;
  added.bin = BinOf(value, middle);
  const auto k = static_cast<std::size_t>(added.bin);
  added.units = ++display_[k];

  count_ = count_ + 1.0f;
  sum_ = ToSingle(static_cast<double>(value) + sum_);
  average_ = ToSingle(static_cast<double>(sum_) / count_);
  const double d = static_cast<double>(value) - average_;
  squares_ = ToSingle(d * d + squares_);
  deviation_ = ToSingle(std::sqrt(static_cast<double>(squares_) / count_));

  if (display_[k] >= kMaxUnits) {
    Rescale();
    added.rescaled = true;
  }
  if (++totals_[k] >= kMaxTotal) totals_.fill(0);
  return added;
}

void HI1Model::Rescale() {
  if (rescale_ < kMaxRescale) ++rescale_;
  display_.fill(0);
  const double per = 10.0 * (rescale_ - 1);
  for (std::size_t k = 0; k < yellow_.size(); ++k) {
    const double h = std::floor(totals_[k] / per);
    yellow_[k] = static_cast<std::int16_t>(h < kMaxUnits ? h : kMaxUnits);
  }
}

void HI1Model::Demonstrate() {
  constexpr float kMiddle = 120.0f;
  SetUp(kMiddle, 40.0f);
  const float s = scale_;
  const float half = ToSingle(s / 2.0);
  for (float x = ToSingle(kMiddle - static_cast<double>(s));
       x <= ToSingle(kMiddle + static_cast<double>(s)); x = x + 2.0f) {
    const double d = static_cast<double>(x) - kMiddle;
    const float n = ToSingle(27.0 * std::exp(-(d * d) / (static_cast<double>(half) * half)));
    for (int j = 1; j <= n; ++j) Add(x, kMiddle);
  }
}

void HI1Model::ReadProperties(const PropertyBag& bag) {
  midValue_ = ToSingle(bag.ReadProperty("MidValue", kDefaultMidValue));
  scalelength_ = ToSingle(bag.ReadProperty("ScaleLength", kDefaultScalelength));
  currentValue_ = ToSingle(bag.ReadProperty("CurrentValue", kDefaultCurrentValue));
  histoIndex_ = ToInt16(bag.ReadProperty("HistoIndex", kDefaultHistoIndex), kDefaultHistoIndex);
}

void HI1Model::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty("MidValue", midValue_, kDefaultMidValue);
  bag.WriteProperty("ScaleLength", scalelength_, kDefaultScalelength);
  bag.WriteProperty("CurrentValue", currentValue_, kDefaultCurrentValue);
  bag.WriteProperty("HistoIndex", histoIndex_, kDefaultHistoIndex);
}

std::string HI1Model::AverageText() const { return "AV=" + FormatPattern(average_, "###0.0"); }

std::string HI1Model::DeviationText() const {
  return "S=\u00B1" + FormatPattern(deviation_, "#0.0#");
}

std::string HI1Model::RescaleText() const {
  std::string text = "#";
  text += FormatPattern(rescale_, "#0");
  return text;
}

std::optional<std::string> HI1Model::PointerText(double x, double y, double w, double h) const {
  const histogram::Frame f = histogram::FrameOf(w, h);
  if (!(x >= f.left && x <= f.right && y >= f.top && y <= f.bottom)) return std::nullopt;
  const double k = std::floor((x - 13.5) / 3.0);
  if (k < 0 || k > kBins - 1) return std::nullopt;
  const float edge = ToSingle(k * static_cast<double>(scale_) / 10.0 - 2.5 * scale_ + midValue_);
  return "X=" + FormatPattern(edge, "###0.0") +
         " N=" + FormatPattern(display_[static_cast<std::size_t>(k)], "##0");
}

std::string HI1Model::Description(std::string_view property) {
  if (property == "MidValue") return "Sets the middle \r\nvalue of the\r\nhistogram";
  if (property == "Scalelength") return "Sets the histogram\r\nscale length.";
  if (property == "CurrentValue") return "Sets the cuurent\r\nhistogram point.";
  if (property == "Average") return "Returns histogram\r\naverage  value.";
  if (property == "Msdeviation") return "Returns the MS \r\ndeviation of the\r\nhistogram.";
  if (property == "HistoIndex") return "Sets the histogram\r\narray index 0-50.";
  if (property == "HistoX") return "Returns the histogram\r\nX(HistoIndex).";
  if (property == "HistoY") return "Returns the histogram\r\nY(HistoIndex).";
  return {};
}

}  // namespace orlix
