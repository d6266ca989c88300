#pragma once
// The XY graph without Qt: the geometry of the frame, grid, labels and marks in points on
// a surface of W × H points (y growing downwards), the property rules with their
// write-back of corrected values, the pointer read-out, and the list of marks drawn since
// the frame, kept so the picture can be redrawn when the surface is rebuilt.

#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <tuple>

namespace orlix::gr1 {

// The frame runs from (kFrameLeft, kFrameTop) to (W - kFrameRightGap, H - kFrameBottomGap).
inline constexpr double kFrameLeft = 30.0;
inline constexpr double kFrameTop = 3.0;
inline constexpr double kFrameRightGap = 3.0;
inline constexpr double kFrameBottomGap = 15.0;
inline constexpr double kCircleRadius = 2.0;  // points
inline constexpr int kDotPixels = 2;          // width of a dot in pixels

// The device-independent pixel (4/3 to the point) that holds a drawing position.
int PixelOf(double points);

struct Label {
  double x = 0.0;  // top left of the text
  double y = 0.0;
  std::string text;
};

// Everything the axes step draws for one pair of ranges.
struct Axes {
  double W = 0.0;
  double H = 0.0;
  std::int16_t w = 0;  // frame span in points used for the scales
  std::int16_t h = 0;
  std::int16_t dx = 0;  // grid spacing
  std::int16_t dy = 0;
  float xScale = 0.0f;  // points per data unit
  float yScale = 0.0f;
  std::array<double, 3> gridX{};  // vertical dotted lines
  std::array<double, 3> gridY{};  // horizontal dotted lines
  std::array<Label, 4> xLabels;
  std::array<Label, 4> yLabels;

  double FrameLeft() const { return kFrameLeft; }
  double FrameTop() const { return kFrameTop; }
  double FrameRight() const { return W - kFrameRightGap; }
  double FrameBottom() const { return H - kFrameBottomGap; }
};

// A range the graph can be drawn for: one that is 0 or less, not a finite number, or so
// small that the scale over `span` points would overflow becomes 1.
float UsableRange(float range, std::int16_t span);

// The axes for x range `rx` and y range `ry` on a W × H surface; unusable ranges are
// corrected to 1 in place.
Axes DrawAxes(float& rx, float& ry, double W, double H);

enum class MarkKind { Circle, Dot };

struct Mark {
  MarkKind kind = MarkKind::Circle;
  double x = 0.0;  // centre in points, always inside the frame
  double y = 0.0;
};

// A data point: x and y are clamped in place into 0..xRange and 0..yRange (a value that
// is not a number counts as 0), and the mark's centre is returned.
Mark PlotPoint(float& x, float& y, MarkKind kind, const Axes& axes, float xRange, float yRange);

// The read-out at drawing position (X, Y): "X=...  Y=..." inside the frame, else empty.
std::string ReadOut(float X, float Y, const Axes& axes);

// The graph's state: its four properties, the ranges used for clipping, the axes last
// drawn and the marks drawn since.
class XYGraph {
 public:
  // A graph on a W × H surface, showing the demonstration picture.
  XYGraph(double W, double H);

  float Ymax() const { return ymax_; }
  float XC() const { return xc_; }
  float Ycircle() const { return ycircle_; }
  float Ypoint() const { return ypoint_; }
  float XRange() const { return xRange_; }
  float YRange() const { return yRange_; }

  // Stores the y range and draws fresh axes for (XC, Ymax); both are corrected in place
  // when they cannot be drawn, and clipping then uses the corrected ranges.
  const Axes& SetYmax(float value);
  // Stores x; draws nothing.
  void SetXC(float value);
  // Store y and add a circle or a dot at (XC, y); both are clamped in place.
  Mark SetYcircle(float value);
  Mark SetYpoint(float value);

  // Values read from a property bag: stored, nothing drawn, nothing marked changed.
  void Load(float xc, float ymax, float ycircle, float ypoint);

  // A property was set since creation or the last Load (the holder has something to save).
  bool PropertiesChanged() const { return changed_; }

  const Axes& CurrentAxes() const { return axes_; }
  // The marks drawn since the axes, oldest first; a mark repeated at the same spot is
  // kept once, at its latest place, which leaves the picture as it was.
  const std::list<Mark>& Marks() const { return marks_; }

 private:
  Mark AddMark(float& y, MarkKind kind);
  void Remember(const Mark& m);

  double W_;
  double H_;
  float ymax_ = 0.0f;
  float xc_ = 0.0f;
  float ycircle_ = 0.0f;
  float ypoint_ = 0.0f;
  float xRange_ = 0.0f;
  float yRange_ = 0.0f;
  bool changed_ = false;
  Axes axes_;
  std::list<Mark> marks_;
  std::map<std::tuple<int, double, double>, std::list<Mark>::iterator> markIndex_;
};

}  // namespace orlix::gr1
