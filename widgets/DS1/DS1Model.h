#pragma once
// The roll calculator: from the strip length wound so far and the current thickness it
// accumulates the roll's weight W (kg) and outer diameter D (mm), and it keeps the text of
// the quantity chosen for display (thickness, strip length, roll weight or diameter).

#include <cstdint>
#include <string>
#include <string_view>

#include "widgets/common/PropertyBag.h"

namespace orlix {

class DS1Model {
 public:
  enum Mode : int16_t { kThickness = 0, kStripLength = 1, kRollWeight = 2, kRollDiameter = 3 };
  static constexpr int kModeCount = 4;

  static constexpr float kDefaultCurrentValue = 0.0f;
  static constexpr float kDefaultSpoolDiam = 570.0f;
  static constexpr float kDefaultStripLength = 0.0f;
  static constexpr float kDefaultStripWidth = 700.0f;
  static constexpr float kDefaultBasisWeight = 2.71f;
  static constexpr float kDefaultRollWeight = 0.0f;
  static constexpr float kDefaultRollDiam = 0.0f;
  // Above these the roll starts again: W at 0, D at the spool diameter.
  static constexpr double kRestartAbove = 9999.0;
  // The text of the display before the first value.
  static constexpr std::string_view kDesignText = "000000";

  // Creation: mode 0, W = 0, D = 0 (the spool diameter is not loaded yet), Lp = 0.
  DS1Model();

  // Setting CurrentValue stores it, marks the properties changed and runs the update.
  void SetCurrentValue(float thickness);
  float CurrentValue() const { return currentValue_; }

  // The other properties are only stored (and marked changed).
  void SetSpoolDiam(float value);
  void SetStripLength(float value);
  void SetStripWidth(float value);
  void SetBasisWeight(float value);
  float SpoolDiam() const { return spoolDiam_; }
  float StripLength() const { return stripLength_; }
  float StripWidth() const { return stripWidth_; }
  float BasisWeight() const { return basisWeight_; }

  // Setting RollWeight or RollDiam stores the value for persistence only; reading them
  // returns the computed W or D and copies it into the stored value.
  void SetRollWeight(float value);
  void SetRollDiam(float value);
  float ReadRollWeight();
  float ReadRollDiam();
  float StoredRollWeight() const { return rollWeight_; }
  float StoredRollDiam() const { return rollDiam_; }

  // Lp = 0, D = SpoolDiam, W = 0; the display text stays.
  void ResetData();

  // Chooses the quantity shown from the next update on; the text stays. Indexes outside
  // 0..3 are ignored.
  void SelectMode(int mode);
  int16_t CurrentMode() const { return mode_; }

  float Weight() const { return weight_; }
  float Diameter() const { return diameter_; }
  float PreviousLength() const { return previousLength_; }
  float LengthStep() const { return lengthStep_; }

  // The text of the display: the value of the mode at the last update, formatted with
  // the mode's digit pattern.
  const std::string& Text() const { return text_; }

  static std::string_view Pattern(int mode);
  // The mode's title: the hint of the display.
  static std::string_view Title(int mode);

  // Persisted properties, keys and defaults as the property names above ("CurrentValue" 0,
  // "SpoolDiam" 570, "StripLength" 0, "StripWidth" 700, "BasisWeight" 2.71, "RollWeight" 0,
  // "RollDiam" 0). Reading only stores the values; nothing is computed or shown.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  bool Changed() const { return changed_; }
  void ClearChanged() { changed_ = false; }

  // Help text of a property, lines joined by "\r\n"; empty for one without.
  static std::string HelpText(std::string_view property);

 private:
  void Update(float thickness);

  float currentValue_ = kDefaultCurrentValue;
  float spoolDiam_ = kDefaultSpoolDiam;
  float stripLength_ = kDefaultStripLength;
  float stripWidth_ = kDefaultStripWidth;
  float basisWeight_ = kDefaultBasisWeight;
  float rollWeight_ = kDefaultRollWeight;
  float rollDiam_ = kDefaultRollDiam;

  int16_t mode_ = kThickness;
  float previousLength_ = 0.0f;
  float lengthStep_ = 0.0f;
  float weight_ = 0.0f;
  float diameter_ = 0.0f;
  std::string text_{kDesignText};
  bool changed_ = false;
};

}  // namespace orlix
