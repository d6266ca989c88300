#include "widgets/DS1/DS1Model.h"

#include "base/Single.h"

#include <cmath>
#include <limits>

#include "base/Format.h"

namespace orlix {
namespace {

constexpr double kPi = 3.1416;  // the roll's pi, in both places of the diameter rule

}  // namespace

DS1Model::DS1Model() {
  ResetData();
  diameter_ = 0.0f;  // no spool diameter has been handed over at creation
  SelectMode(kThickness);
}

void DS1Model::SetCurrentValue(float thickness) {
  currentValue_ = thickness;
  changed_ = true;
  Update(thickness);
}

void DS1Model::SetSpoolDiam(float value) {
  spoolDiam_ = value;
  changed_ = true;
}

void DS1Model::SetStripLength(float value) {
  stripLength_ = value;
  changed_ = true;
}

void DS1Model::SetStripWidth(float value) {
  stripWidth_ = value;
  changed_ = true;
}

void DS1Model::SetBasisWeight(float value) {
  basisWeight_ = value;
  changed_ = true;
}

void DS1Model::SetRollWeight(float value) {
  rollWeight_ = value;
  changed_ = true;
}

void DS1Model::SetRollDiam(float value) {
  rollDiam_ = value;
  changed_ = true;
}

float DS1Model::ReadRollWeight() {
  rollWeight_ = weight_;
  return weight_;
}

float DS1Model::ReadRollDiam() {
  rollDiam_ = diameter_;
  return diameter_;
}

void DS1Model::ResetData() {
  previousLength_ = 0.0f;
  diameter_ = spoolDiam_;
  weight_ = 0.0f;
}

void DS1Model::SelectMode(int mode) {
  if (mode < 0 || mode >= kModeCount) return;
  mode_ = static_cast<int16_t>(mode);
}

void DS1Model::Update(float thickness) {
  lengthStep_ = stripLength_ - previousLength_;
  // A length that is not a number adds no layer and is not taken as the previous one, so
  // the next length steps on from the last real one.
  if (!std::isnan(stripLength_)) previousLength_ = stripLength_;
  const double t = thickness;
  const double dl = lengthStep_;

  // Weight of the new layer: thickness x density x length x width.
  const double layer = t * basisWeight_ * dl * stripWidth_ * 0.000001;
  if (!std::isnan(layer)) {  // a value that is not a number adds no layer
    const float w = ToSingle(weight_ + layer);
    weight_ = (w > kRestartAbove || !std::isfinite(w)) ? 0.0f : w;
  }

  // The layer adds dl x t mm2 to the cross-section: D2 grows by 4 dl t / pi. A shrinking
  // argument below zero (a decreasing length) or one that is not a number leaves D as it is.
  const double d = diameter_;
  const double area = (d * d * kPi + dl * 4.0 * t) / kPi;
  if (area >= 0.0) {
    const float root = ToSingle(std::fabs(std::sqrt(area)));
    diameter_ = root > kRestartAbove ? spoolDiam_ : root;
  }

  float shown = currentValue_;
  switch (mode_) {
    case kStripLength:
      shown = stripLength_;
      break;
    case kRollWeight:
      shown = weight_;
      break;
    case kRollDiameter:
      shown = diameter_;
      break;
    default:
      break;
  }
  text_ = FormatPattern(shown, Pattern(mode_));
}

std::string_view DS1Model::Pattern(int mode) {
  switch (mode) {
    case kStripLength:
      return "#####0";
    case kRollWeight:
      return "###0";
    case kRollDiameter:
      return "###0";
    default:
      return "###0.#";
  }
}

std::string_view DS1Model::Title(int mode) {
  switch (mode) {
    case kStripLength:
      return "Strip length / meters";
    case kRollWeight:
      return "Roll weight / kilogramms";
    case kRollDiameter:
      return "Roll diameter / millimeters";
    default:
      return "Thickness / micrometers";
  }
}

void DS1Model::ReadProperties(const PropertyBag& bag) {
  currentValue_ = ToSingle(bag.ReadProperty("CurrentValue", kDefaultCurrentValue));
  spoolDiam_ = ToSingle(bag.ReadProperty("SpoolDiam", kDefaultSpoolDiam));
  stripLength_ = ToSingle(bag.ReadProperty("StripLength", kDefaultStripLength));
  stripWidth_ = ToSingle(bag.ReadProperty("StripWidth", kDefaultStripWidth));
  basisWeight_ = ToSingle(bag.ReadProperty("BasisWeight", kDefaultBasisWeight));
  rollWeight_ = ToSingle(bag.ReadProperty("RollWeight", kDefaultRollWeight));
  rollDiam_ = ToSingle(bag.ReadProperty("RollDiam", kDefaultRollDiam));
}

void DS1Model::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty("CurrentValue", currentValue_, kDefaultCurrentValue);
  bag.WriteProperty("SpoolDiam", spoolDiam_, kDefaultSpoolDiam);
  bag.WriteProperty("StripLength", stripLength_, kDefaultStripLength);
  bag.WriteProperty("StripWidth", stripWidth_, kDefaultStripWidth);
  bag.WriteProperty("BasisWeight", basisWeight_, kDefaultBasisWeight);
  bag.WriteProperty("RollWeight", rollWeight_, kDefaultRollWeight);
  bag.WriteProperty("RollDiam", rollDiam_, kDefaultRollDiam);
}

std::string DS1Model::HelpText(std::string_view property) {
  if (property == "CurrentValue") return "Sets the current value for\r\ndisplaying.";
  if (property == "SpoolDiam") return "Sets the diameter of the\r\nspool (mm).";
  if (property == "StripLength") return "Sets the length of the strip\r\n(m).";
  if (property == "StripWidth") return "Sets the width of the strip\r\n(mm).";
  if (property == "BasisWeight") return "Sets the material basis weight\r\n(kg/dm^2).";
  return {};
}

}  // namespace orlix
