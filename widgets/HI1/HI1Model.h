#pragma once
// The thickness histogram without its drawing: 51 bins laid out around the middle value,
// display counts that grow one unit per value, totals, running average and mean-square
// deviation, the rescale rule and the geometry of everything the widget draws (in points).
// Plain C++, so the numbers and the geometry are tested without a display.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlix {

class PropertyBag;

class HI1Model {
 public:
  static constexpr int kBins = 51;
  // A bar holds at most this many display units; the unit that reaches it rescales.
  static constexpr std::int16_t kMaxUnits = 126;
  // A bin total that reaches this restarts every total from zero.
  static constexpr std::int32_t kMaxTotal = 126000;
  static constexpr std::int16_t kMaxRescale = 32767;

  static constexpr float kDefaultMidValue = 120.0f;
  static constexpr float kDefaultScalelength = 40.0f;
  static constexpr float kDefaultCurrentValue = 120.0f;
  static constexpr std::int16_t kDefaultHistoIndex = 0;

  // What adding one value did to the picture.
  struct Added {
    int bin = 0;             // bar the value went to
    std::int16_t units = 0;  // height of its new top unit (before a rescale)
    bool rescaled = false;   // the whole picture must be redrawn
  };

  HI1Model();

  // Properties. The setters of MidValue and Scalelength store and set the scale up again
  // (clearing everything); the caller redraws the frame.
  float MidValue() const { return midValue_; }
  void SetMidValue(float value);
  float Scalelength() const { return scalelength_; }
  void SetScalelength(float value);
  float CurrentValue() const { return currentValue_; }
  Added SetCurrentValue(float value);
  float Average() const { return average_; }
  float Msdeviation() const { return deviation_; }
  // Both refuse with PropertyError (ReadOnly); nothing changes.
  [[noreturn]] void SetAverage(float value);
  [[noreturn]] void SetMsdeviation(float value);
  std::int16_t HistoIndex() const { return histoIndex_; }
  void SetHistoIndex(std::int16_t index) { histoIndex_ = index; }
  // Lower edge and total of bin HistoIndex; PropertyError (SubscriptOutOfRange) when the
  // index lies outside 0..50.
  float HistoX() const;
  std::int32_t HistoY() const;

  // Frame redraw and scale set-up with the current MidValue and Scalelength.
  void ResetHisto();

  // The picture shown at creation: a bell curve of 27 values at 120 on the 120/40 scale.
  // The properties keep their own values.
  void Demonstrate();

  // Stores the persisted properties without setting anything up.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // State shown by the widget.
  float BinScale() const { return scale_; }
  float LowerEdge() const { return lower_; }
  const std::array<float, kBins>& Edges() const { return edges_; }
  const std::array<std::int16_t, kBins>& DisplayCounts() const { return display_; }
  const std::array<std::int32_t, kBins>& Totals() const { return totals_; }
  // Yellow bar heights drawn by the last rescale (0 before the first).
  const std::array<std::int16_t, kBins>& YellowUnits() const { return yellow_; }
  float Count() const { return count_; }
  float Sum() const { return sum_; }
  float SquareSum() const { return squares_; }
  std::int16_t RescaleNumber() const { return rescale_; }

  // Read-out texts: "AV=120.0", "S=±0.71" (UTF-8), "#1", and the five axis values.
  std::string AverageText() const;
  std::string DeviationText() const;
  std::string RescaleText() const;
  const std::array<std::string, 5>& AxisTexts() const { return axisTexts_; }

  // Bin of a value on the current scale with middle m: clamped to 0..50, NaN in bin 0.
  int BinOf(float value, float middle) const;

  // Pointer read-out at (x, y) points on a surface of w × h points: "X=134.4 N=0" over
  // the frame, nothing elsewhere.
  std::optional<std::string> PointerText(double x, double y, double w, double h) const;

  // Help text of a property (lines joined by CR LF); empty for an unknown name.
  static std::string Description(std::string_view property);

 private:
  void SetUp(float middle, float scaleLength);
  Added Add(float value, float middle);
  void Rescale();

  float midValue_ = kDefaultMidValue;
  float scalelength_ = kDefaultScalelength;
  float currentValue_ = kDefaultCurrentValue;
  std::int16_t histoIndex_ = kDefaultHistoIndex;

  float scale_ = 1.0f;
  float lower_ = 0.0f;
  std::array<float, kBins> edges_{};
  std::array<std::int16_t, kBins> display_{};
  std::array<std::int32_t, kBins> totals_{};
  std::array<std::int16_t, kBins> yellow_{};
  std::array<std::string, 5> axisTexts_;
  float count_ = 0.0f;
  float sum_ = 0.0f;
  float squares_ = 0.0f;
  float average_ = 0.0f;
  float deviation_ = 0.0f;
  std::int16_t rescale_ = 1;
};

// Geometry of the histogram surface, in points; w and h are the surface's width and height.
namespace histogram {

// The frame: outline, tick base line, right label column and the three grid values.
struct Frame {
  double left = 14.0;
  double top = 1.75;
  double right = 0.0;   // w − 13.5
  double bottom = 0.0;  // h − 14
  double ybase = 0.0;   // h − 15, rounded to the nearest integer, ties to even
  double xr = 0.0;      // w − 13.5, rounded likewise
  // Unit-count labels 42, 84 and 126 stand at ybase − 42 j.
  std::array<double, 3> labelY{};
};
Frame FrameOf(double w, double h);

// Major ticks (MajorTickX, Scale.h) are 7 points high, minor ones 3.
// Grid lines at m − s, m and m + s; the middle one is solid, the others dotted.
inline constexpr std::array<double, 3> kGridX = {59.0, 89.0, 119.0};

// One display unit of bar k at height n: two lines from x1 to x2 at y and at y − 0.5.
struct Unit {
  double x1 = 0.0;
  double x2 = 0.0;
  double y = 0.0;
};
Unit UnitOf(int bin, int height, double h);

}  // namespace histogram

}  // namespace orlix
