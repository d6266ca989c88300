#pragma once
// The arrow gauge without its drawing: the scale around the middle value, the five labels
// and the arrow's position (in points) for a value, with the clamping to the scale.
// Plain C++, so the numbers and the geometry are tested without a display.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orlix {

class PropertyBag;

class AR1Model {
 public:
  static constexpr float kDefaultMidValue = 120.0f;
  static constexpr float kDefaultCurrentValue = 120.0f;
  static constexpr float kDefaultScalelength = 50.0f;
  // Arrow positions (left edge in points) at the lower and upper end of the scale.
  static constexpr std::int16_t kLeftmost = 6;
  static constexpr std::int16_t kRightmost = 156;

  // An arrow movement: the arrow passes every whole position from `from` to `to`.
  struct Sweep {
    std::int16_t from = 0;
    std::int16_t to = 0;
    std::vector<std::int16_t> Positions() const;
  };

  // Defaults, the scale freshly drawn (last shown value 0) and labelled. The arrow is not
  // placed yet: the widget calls MoveArrow once it has drawn the scale.
  AR1Model();

  // Plain accessors; the widget refuses reading MidValue and CurrentValue at run time.
  float MidValue() const { return midValue_; }
  float CurrentValue() const { return currentValue_; }
  float Scalelength() const { return scalelength_; }

  // Store, relabel and move the arrow.
  Sweep SetMidValue(float value);
  Sweep SetScalelength(float value);
  // Store (clamped to the scale on the way) and move the arrow.
  Sweep SetCurrentValue(float value);

  // The arrow from the last shown value to CurrentValue (both clamped to the scale).
  Sweep MoveArrow();

  // Stores the persisted properties without relabelling or moving the arrow.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  float ScaleUnit() const { return scale_; }
  float Lower() const { return lower_; }
  float Upper() const { return upper_; }
  float LastShown() const { return lastShown_; }
  std::int16_t ArrowLeft() const { return arrowLeft_; }
  const std::array<std::string, 5>& Labels() const { return labels_; }

  // A value held to lo..hi (NaN to lo) and the arrow position for it, 6..156.
  struct Place {
    float value = 0.0f;
    std::int16_t left = kLeftmost;
  };
  Place PlaceOf(float value) const;

  // Help text of a property (lines joined by CR LF); empty for an unknown name.
  static std::string Description(std::string_view property);

 private:
  void Relabel();

  float midValue_ = kDefaultMidValue;
  float currentValue_ = kDefaultCurrentValue;
  float scalelength_ = kDefaultScalelength;
  float scale_ = 1.0f;
  float lower_ = 0.0f;
  float upper_ = 0.0f;
  float lastShown_ = 0.0f;
  std::int16_t arrowLeft_ = kLeftmost;
  std::array<std::string, 5> labels_;
};

// Geometry of the gauge surface, in points.
namespace gauge {

// The yellow band from m − s to m + s.
inline constexpr double kBandLeft = 59.0;
inline constexpr double kBandRight = 119.0;
inline constexpr double kBandTop = 15.0;
inline constexpr double kBandBottom = 27.0;
// The middle of the 11 major divisions (MajorTickX, Scale.h) stands at 89.
inline constexpr int kMiddleTick = 5;
inline constexpr double kMinorTickBottom = 22.0;
inline constexpr double kThickTickBottom = 30.0;

}  // namespace gauge

}  // namespace orlix
