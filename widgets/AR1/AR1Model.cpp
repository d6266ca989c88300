#include "widgets/AR1/AR1Model.h"

#include "base/Single.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "base/Format.h"
#include "widgets/common/PropertyBag.h"
#include "widgets/common/Scale.h"

namespace orlix {

namespace {}  // namespace

std::vector<std::int16_t> AR1Model::Sweep::Positions() const {
  std::vector<std::int16_t> positions;
  const int step = to < from ? -1 : 1;
  for (int p = from;; p += step) {
    positions.push_back(static_cast<std::int16_t>(p));
    if (p == to) break;
  }
  return positions;
}

AR1Model::AR1Model() { Relabel(); }

AR1Model::Sweep AR1Model::SetMidValue(float value) {
  midValue_ = value;
  Relabel();
  return MoveArrow();
}

AR1Model::Sweep AR1Model::SetScalelength(float value) {
  scalelength_ = value;
  Relabel();
  return MoveArrow();
}

AR1Model::Sweep AR1Model::SetCurrentValue(float value) {
  currentValue_ = value;
  return MoveArrow();
}

void AR1Model::Relabel() {
  const DisplayScale scale(midValue_, scalelength_);
  scale_ = scale.unit;
  lower_ = scale.lower;
  upper_ = scale.upper;
  labels_ = scale.labels;
}

AR1Model::Place AR1Model::PlaceOf(float value) const {
  Place place;
  if (!(value >= lower_)) value = lower_;  // below the scale, and NaN
  if (value > upper_) value = upper_;
  place.value = value;
  const double p =
      std::floor(30.0 * ((static_cast<double>(value) - midValue_) + 2.5 * scale_) / scale_) + 6.0;
  // Rounding of lo and hi can put the ends a position off; a scale of no finite width
  // gives no position at all. The arrow stays on the scale either way.
  if (!(p >= kLeftmost)) {
    place.left = kLeftmost;
  } else if (p > kRightmost) {
    place.left = kRightmost;
  } else {
    place.left = static_cast<std::int16_t>(p);
  }
  return place;
}

AR1Model::Sweep AR1Model::MoveArrow() {
  const Place old = PlaceOf(lastShown_);
  const Place now = PlaceOf(currentValue_);
  currentValue_ = now.value;
  lastShown_ = now.value;
  arrowLeft_ = now.left;
  return Sweep{old.left, now.left};
}

void AR1Model::ReadProperties(const PropertyBag& bag) {
  midValue_ = ToSingle(bag.ReadProperty("MidValue", kDefaultMidValue));
  currentValue_ = ToSingle(bag.ReadProperty("CurrentValue", kDefaultCurrentValue));
  scalelength_ = ToSingle(bag.ReadProperty("ScaleLength", kDefaultScalelength));
}

void AR1Model::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty("MidValue", midValue_, kDefaultMidValue);
  bag.WriteProperty("CurrentValue", currentValue_, kDefaultCurrentValue);
  bag.WriteProperty("ScaleLength", scalelength_, kDefaultScalelength);
}

std::string AR1Model::Description(std::string_view property) {
  if (property == "MidValue") return "Sets the middle of the scale.";
  if (property == "CurrentValue") return "Sets the current observation.";
  if (property == "Scalelength") {
    return "Sets the length of the\r\n instrument's scale\r\nin percents of the first +/-2\r\n"
           "divisions.";
  }
  return {};
}

}  // namespace orlix
