#include "widgets/TP1/TP1Model.h"

#include "base/Single.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Format.h"

namespace orlix {
namespace tp1 {

PixelRect CanvasLine(int x1, int y1, int x2, int y2) {
  if (x1 == x2 && y1 == y2) return PixelRect{x1, y1, 0, 0};
  if (y1 == y2) {
    // Horizontal: x1 up to, not including, x2.
    return x2 >= x1 ? PixelRect{x1, y1, x2 - x1, 1} : PixelRect{x2 + 1, y1, x1 - x2, 1};
  }
  // Vertical (x1 == x2).
  return y2 >= y1 ? PixelRect{x1, y1, 1, y2 - y1} : PixelRect{x1, y2 + 1, 1, y1 - y2};
}

ScalePicture ScaleFor(int canvasWidth, int canvasHeight) {
  ScalePicture picture;
  const int y0 = canvasHeight / 2;
  picture.y0 = static_cast<int16_t>(y0);
  picture.lines.push_back(CanvasLine(0, y0, canvasWidth, y0));
  for (int x = 50; x <= 550; x += 50) {
    picture.lines.push_back(CanvasLine(x, y0 - 7, x, y0 + 25));
    picture.labels.push_back({x + 2, y0 + 17, FormatPattern(x, "##0")});
  }
  for (int x = 5; x <= 595; x += 5) picture.lines.push_back(CanvasLine(x, y0 - 3, x, y0 + 3));
  return picture;
}

float ScaleUnit(float midValue, float scalelength) {
  const float s = midValue * scalelength / 100.0f;
  return s == 0.0f ? 1.0f : s;
}

int BarLength(float v, float m, float s) {
  // The deviation is taken in single precision, the rest in double as the scale rule has it.
  const float deviation = v - m;
  const double k =
      std::floor((static_cast<double>(deviation) + 2.5 * s) * 12.0 / static_cast<double>(s) + 0.5);
  // Clamp before converting, so no value can overflow the integer; NaN fails every
  // comparison and lands on the lower end.
  if (!(k >= 0.0)) return -30;
  if (k > 60.0) return 30;
  return static_cast<int>(k) - 30;
}

PixelRect BarRect(int x, int y0, int d) { return CanvasLine(x, y0, x, y0 - d); }

int ScrolledLeft(int left, ScrollDirection direction, int viewportWidth, int canvasWidth) {
  if (direction == ScrollDirection::Left) return std::max(left - 1, viewportWidth - canvasWidth);
  return std::min(left + 1, 0);
}

}  // namespace tp1

namespace {}  // namespace

TP1Model::TP1Model(int canvasWidth, int canvasHeight) : width_(canvasWidth), height_(canvasHeight) {
  bars_.fill(kNoBar);
}

void TP1Model::SetMidValue(float value) {
  midValue_ = value;
  changed_ = true;
}

void TP1Model::SetScalelength(float value) {
  scalelength_ = value;
  changed_ = true;
}

void TP1Model::SetCurrentValue(float value) {
  currentValue_ = value;
  changed_ = true;
}

void TP1Model::Redraw() { RedrawFor(midValue_, scalelength_); }

void TP1Model::RedrawFor(float midValue, float scalelength) {
  y0_ = static_cast<int16_t>(height_ / 2);
  s_ = tp1::ScaleUnit(midValue, scalelength);
  counter_ = 0;
  bars_.fill(kNoBar);
}

TP1Model::Point TP1Model::Plot(float v) { return PlotAgainst(v, midValue_); }

TP1Model::Point TP1Model::PlotAgainst(float v, float m) {
  Point point;
  ++counter_;
  if (counter_ > kLastPoint) {
    // A full canvas starts again on a fresh scale of the stored properties.
    Redraw();
    point.redrawn = true;
  }
  point.x = counter_;
  point.d = tp1::BarLength(v, m, s_);
  bars_[static_cast<std::size_t>(counter_)] = static_cast<int8_t>(point.d);
  return point;
}

void TP1Model::Demonstrate() {
  constexpr float kMid = 120.0f;
  RedrawFor(kMid, 50.0f);
  const float s = s_;
  const float step = 25.12f / 599.0f;
  for (float t = 0.0f; t <= 25.12f; t += step) {
    PlotAgainst(kMid + s * std::sin(t), kMid);
  }
}

std::vector<TP1Model::Bar> TP1Model::Bars() const {
  std::vector<Bar> bars;
  for (std::size_t x = 0; x < bars_.size(); ++x) {
    if (bars_[x] != kNoBar) bars.push_back({static_cast<int16_t>(x), bars_[x]});
  }
  return bars;
}

void TP1Model::ReadProperties(const PropertyBag& bag) {
  midValue_ = ToSingle(bag.ReadProperty("MidValue", kDefaultMidValue));
  scalelength_ = ToSingle(bag.ReadProperty("Scalelength", kDefaultScalelength));
  currentValue_ = ToSingle(bag.ReadProperty("CurrentValue", kDefaultCurrentValue));
}

void TP1Model::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty("MidValue", midValue_, kDefaultMidValue);
  bag.WriteProperty("Scalelength", scalelength_, kDefaultScalelength);
  bag.WriteProperty("CurrentValue", currentValue_, kDefaultCurrentValue);
}

std::string TP1Model::HelpText(std::string_view property) {
  if (property == "MidValue") return "Sets the middle point.";
  if (property == "Scalelength") return "Sets the length of the scale\r\n(1-40%).";
  if (property == "CurrentValue") return "Sets the current plot.";
  return {};
}

}  // namespace orlix
