#pragma once
// The trend strip's model: every thickness becomes one thin vertical bar of its deviation
// from the set-point, left to right on a canvas of 601 x 65 pixels. Twelve pixels stand for
// one scale unit S = MidValue x Scalelength / 100; bars are at most 30 pixels either way.
// When the canvas is full it is cleared and the next bar goes to the left edge.
//
// The model keeps the bar of every x since the last redraw, so the widget can paint the
// picture again from it whenever its back buffer is rebuilt.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/common/PropertyBag.h"

namespace orlix {
namespace tp1 {

// An axis-aligned run of canvas pixels: columns left..left+width-1, rows top..top+height-1.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool Empty() const { return width <= 0 || height <= 0; }
  bool operator==(const PixelRect&) const = default;
};

// A line of the canvas from (x1, y1) to (x2, y2), horizontal or vertical, drawn without its
// end point as every line on this canvas is. Empty when both ends coincide.
PixelRect CanvasLine(int x1, int y1, int x2, int y2);

// A number of the scale, its top-left corner at (left, top).
struct ScaleLabel {
  int left = 0;
  int top = 0;
  std::string text;
};

// The fresh scale of a redraw: the centre line and the ticks in the foreground colour, the
// point numbers in yellow.
struct ScalePicture {
  int16_t y0 = 0;
  std::vector<PixelRect> lines;
  std::vector<ScaleLabel> labels;
};
ScalePicture ScaleFor(int canvasWidth, int canvasHeight);

// The scale unit S of a middle value and scale length: their product / 100 in single
// precision, 1 when that is 0.
float ScaleUnit(float midValue, float scalelength);

// Bar length d in pixels (-30..30, up positive) of value v against middle value m and
// scale unit s. Out-of-range values are clamped; a value that is not a number (NaN, or an
// infinite ratio) gives the lower end, -30.
int BarLength(float v, float m, float s);

// The pixels of the bar at x: from (x, y0) to (x, y0 - d) without its end point.
PixelRect BarRect(int x, int y0, int d);

// The canvas's new left position after one scroll step inside the clipping viewport.
// Left (-1) stops when the canvas's right edge reaches the viewport's right edge; right
// (+1) stops at 0.
enum class ScrollDirection { Left = -1, Right = 1 };
int ScrolledLeft(int left, ScrollDirection direction, int viewportWidth, int canvasWidth);

}  // namespace tp1

class TP1Model {
 public:
  static constexpr int kCanvasWidth = 601;
  static constexpr int kCanvasHeight = 65;
  static constexpr int kLastPoint = 599;  // the point after it clears the canvas
  static constexpr float kDefaultMidValue = 120.0f;
  static constexpr float kDefaultScalelength = 50.0f;
  static constexpr float kDefaultCurrentValue = 0.0f;

  // One plotted value: whether the canvas was redrawn first, and where its bar goes.
  struct Point {
    bool redrawn = false;
    int16_t x = 0;
    int d = 0;
  };

  TP1Model(int canvasWidth = kCanvasWidth, int canvasHeight = kCanvasHeight);

  // Stored properties. Setting one stores it and marks the properties changed; the
  // widget then redraws (MidValue, Scalelength) or plots (CurrentValue).
  float MidValue() const { return midValue_; }
  float Scalelength() const { return scalelength_; }
  float CurrentValue() const { return currentValue_; }
  void SetMidValue(float value);
  void SetScalelength(float value);
  void SetCurrentValue(float value);

  // A fresh scale with no bars, for the stored properties or for given ones.
  void Redraw();
  void RedrawFor(float midValue, float scalelength);

  // Plots v against the stored MidValue (or against m): the counter advances, and past the
  // last point the canvas is redrawn and the bar goes to x = 0.
  Point Plot(float v);
  Point PlotAgainst(float v, float m);

  // The picture at creation: the scale for 120 and 50 (S = 60) and 599 bars of four sine
  // periods, without touching the stored properties.
  void Demonstrate();

  int CanvasWidth() const { return width_; }
  int CanvasHeight() const { return height_; }
  int16_t CentreLine() const { return y0_; }
  float Scale() const { return s_; }
  int16_t Counter() const { return counter_; }

  // The bars since the last redraw: d of each x that holds one.
  struct Bar {
    int16_t x;
    int d;
  };
  std::vector<Bar> Bars() const;

  // Persisted properties ("MidValue" 120, "Scalelength" 50, "CurrentValue" 0). Reading
  // only stores the values: nothing is redrawn or cleared.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  bool Changed() const { return changed_; }
  void ClearChanged() { changed_ = false; }

  // Help text of a property, lines joined by "\r\n"; empty for an unknown name.
  static std::string HelpText(std::string_view property);

 private:
  int width_;
  int height_;
  float midValue_ = kDefaultMidValue;
  float scalelength_ = kDefaultScalelength;
  float currentValue_ = kDefaultCurrentValue;
  int16_t y0_ = 0;
  float s_ = 1.0f;
  int16_t counter_ = 0;
  bool changed_ = false;
  static constexpr int8_t kNoBar = INT8_MIN;
  std::array<int8_t, kLastPoint + 1> bars_{};
};

}  // namespace orlix
