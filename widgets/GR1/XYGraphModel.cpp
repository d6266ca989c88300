#include "widgets/GR1/XYGraphModel.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"

namespace orlix::gr1 {
namespace {

constexpr const char* kLabelPattern = "###0.##";
constexpr const char* kReadOutPattern = "###0.0";

// Rounds to the nearest whole number, halves to even, into the 16-bit range.
std::int16_t RoundToInt16(double value) {
  if (!(value > -32768.0)) return -32768;
  if (value > 32767.0) return 32767;
  return static_cast<std::int16_t>(std::nearbyint(value));
}

}  // namespace

int PixelOf(double points) {
  // Drawing positions come in quarter points; multiplying first keeps them exact.
  return static_cast<int>(std::floor(points * 4.0 / 3.0 + 1e-9));
}

float UsableRange(float range, std::int16_t span) {
  const float reach = static_cast<float>(std::max<std::int16_t>(span, 1));
  if (!(range > 0.0f) || !std::isfinite(range) || !std::isfinite(reach / range)) return 1.0f;
  return range;
}

Axes DrawAxes(float& rx, float& ry, double W, double H) {
  Axes a;
  a.W = W;
  a.H = H;
  a.w = std::max<std::int16_t>(RoundToInt16(W - 33), 0);
  a.h = std::max<std::int16_t>(RoundToInt16(H - 18), 0);
  rx = UsableRange(rx, a.w);
  ry = UsableRange(ry, a.h);
  a.dx = static_cast<std::int16_t>(a.w / 4 + 1);
  a.dy = static_cast<std::int16_t>(a.h / 4 + 1);
  for (int k = 1; k <= 3; ++k) {
    a.gridX[static_cast<std::size_t>(k - 1)] = kFrameLeft + k * a.dx;
    a.gridY[static_cast<std::size_t>(k - 1)] = kFrameTop + k * a.dy;
  }
  a.xScale = static_cast<float>(a.w) / rx;
  a.yScale = static_cast<float>(a.h) / ry;

  // Label values are summed step by step in single precision.
  const float xStep = static_cast<float>(a.dx) / a.xScale;
  const float yStep = static_cast<float>(a.dy) / a.yScale;
  float xValue = 0.0f;
  float yValue = yStep;
  const double yFirst = std::nearbyint(a.FrameBottom() - a.dy);
  for (int k = 1; k <= 4; ++k) {
    Label& xl = a.xLabels[static_cast<std::size_t>(k - 1)];
    xl.x = kFrameLeft + (k - 1) * a.dx;
    xl.y = H - 12;
    xl.text = FormatPattern(xValue, kLabelPattern);
    xValue += xStep;

    Label& yl = a.yLabels[static_cast<std::size_t>(k - 1)];
    yl.x = 5;
    yl.y = yFirst - (k - 1) * a.dy + 1;
    yl.text = FormatPattern(yValue, kLabelPattern);
    yValue += yStep;
  }
  return a;
}

Mark PlotPoint(float& x, float& y, MarkKind kind, const Axes& axes, float xRange, float yRange) {
  if (!(x >= 0.0f)) x = 0.0f;
  if (!(y >= 0.0f)) y = 0.0f;
  if (x > xRange) x = xRange;
  if (y > yRange) y = yRange;
  const float sx = std::floor(axes.xScale * x);
  const float sy = std::floor(axes.yScale * y);
  Mark m;
  m.kind = kind;
  // Rounding of the span can put the far end a fraction beyond the frame line; the mark
  // then sits on the line.
  m.x = std::clamp(static_cast<double>(sx) + kFrameLeft, axes.FrameLeft(), axes.FrameRight());
  m.y = std::clamp(axes.H - static_cast<double>(sy) - kFrameBottomGap, axes.FrameTop(),
                   axes.FrameBottom());
  return m;
}

std::string ReadOut(float X, float Y, const Axes& axes) {
  const float W = static_cast<float>(axes.W);
  const float H = static_cast<float>(axes.H);
  const bool inside = X >= 30.0f && X <= W - 3.0f && Y >= 3.0f && Y <= H - 15.0f;
  if (!inside || !(axes.xScale > 0.0f) || !(axes.yScale > 0.0f)) return {};
  const float x = (X - 30.0f) / axes.xScale;
  const float y = (H - 15.0f - Y) / axes.yScale;
  return "X=" + FormatPattern(x, kReadOutPattern) + "  Y=" + FormatPattern(y, kReadOutPattern);
}

XYGraph::XYGraph(double W, double H) : W_(W), H_(H) {
  // Demonstration picture: circles and dots along 10·e^(-t), shown until the holder draws.
  xRange_ = 4.0f;
  yRange_ = 10.0f;
  axes_ = DrawAxes(xRange_, yRange_, W_, H_);
  const auto curve = [](float t) { return static_cast<float>(10.0 * std::exp(-double{t})); };
  const float circleStep = xRange_ / 9.0f;
  for (float t = 0.0f; t <= xRange_; t += circleStep) {
    float x = t;
    float y = curve(t);
    Remember(PlotPoint(x, y, MarkKind::Circle, axes_, xRange_, yRange_));
  }
  const float dotStep = xRange_ / 100.0f;
  for (float t = 0.0f; t <= xRange_; t += dotStep) {
    float x = t;
    float y = curve(t);
    Remember(PlotPoint(x, y, MarkKind::Dot, axes_, xRange_, yRange_));
  }
}

const Axes& XYGraph::SetYmax(float value) {
  ymax_ = value;
  changed_ = true;
  axes_ = DrawAxes(xc_, ymax_, W_, H_);
  // Points are clipped to the very ranges the frame is drawn for.
  xRange_ = xc_;
  yRange_ = ymax_;
  marks_.clear();
  markIndex_.clear();
  return axes_;
}

void XYGraph::SetXC(float value) {
  xc_ = value;
  changed_ = true;
}

Mark XYGraph::SetYcircle(float value) {
  ycircle_ = value;
  changed_ = true;
  return AddMark(ycircle_, MarkKind::Circle);
}

Mark XYGraph::SetYpoint(float value) {
  ypoint_ = value;
  changed_ = true;
  return AddMark(ypoint_, MarkKind::Dot);
}

Mark XYGraph::AddMark(float& y, MarkKind kind) {
  const Mark m = PlotPoint(xc_, y, kind, axes_, xRange_, yRange_);
  Remember(m);
  return m;
}

void XYGraph::Remember(const Mark& m) {
  const auto key = std::make_tuple(static_cast<int>(m.kind), m.x, m.y);
  const auto found = markIndex_.find(key);
  if (found != markIndex_.end()) marks_.erase(found->second);
  marks_.push_back(m);
  markIndex_[key] = std::prev(marks_.end());
}

void XYGraph::Load(float xc, float ymax, float ycircle, float ypoint) {
  xc_ = xc;
  ymax_ = ymax;
  ycircle_ = ycircle;
  ypoint_ = ypoint;
  changed_ = false;
}

}  // namespace orlix::gr1
