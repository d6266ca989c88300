#pragma once
// The roll data display "Diaplay ": a large read-only box showing the thickness, the strip
// length, the roll weight or the roll diameter, chosen by four mode buttons.

#include <QWidget>
#include <array>

#include "widgets/DS1/DS1Model.h"
#include "widgets/common/PropertyBag.h"

class QLineEdit;
class QPushButton;

namespace orlix {

class DS1 : public QWidget {
  Q_OBJECT
  Q_PROPERTY(float CurrentValue READ CurrentValue WRITE setCurrentValue)
  Q_PROPERTY(float SpoolDiam READ SpoolDiam WRITE setSpoolDiam)
  Q_PROPERTY(float StripLength READ StripLength WRITE setStripLength)
  Q_PROPERTY(float StripWidth READ StripWidth WRITE setStripWidth)
  Q_PROPERTY(float BasisWeight READ BasisWeight WRITE setBasisWeight)
  Q_PROPERTY(float RollWeight READ RollWeight WRITE setRollWeight)
  Q_PROPERTY(float RollDiam READ RollDiam WRITE setRollDiam)

 public:
  explicit DS1(QWidget* parent = nullptr);

  float CurrentValue() const { return model_.CurrentValue(); }
  float SpoolDiam() const { return model_.SpoolDiam(); }
  float StripLength() const { return model_.StripLength(); }
  float StripWidth() const { return model_.StripWidth(); }
  float BasisWeight() const { return model_.BasisWeight(); }
  // The computed roll weight (kg) and diameter (mm); reading copies them into the stored
  // values that are persisted.
  float RollWeight();
  float RollDiam();

  // A new thickness advances the roll by the strip length step and shows the value of
  // the current mode. Set StripLength first in each period.
  void setCurrentValue(float value);
  void setSpoolDiam(float value);
  void setStripLength(float value);
  void setStripWidth(float value);
  void setBasisWeight(float value);
  // Stored for persistence only; the computation never reads them.
  void setRollWeight(float value);
  void setRollDiam(float value);

  // A new roll on the spool: no length, no weight, the spool's diameter.
  Q_INVOKABLE void ResetData();

  // What a click on mode button i does (0 thickness, 1 strip length, 2 roll weight,
  // 3 roll diameter): highlight it and retitle the display; the number stays until the
  // next value.
  void SelectMode(int mode);

  // Persisted properties; reading only stores the values.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // Description of a property (its help text, lines joined by "\r\n").
  static QString PropertyHelp(const QString& property);

  const DS1Model& Model() const { return model_; }

  QSize sizeHint() const override;

 private:
  DS1Model model_;
  QLineEdit* text_ = nullptr;
  std::array<QPushButton*, DS1Model::kModeCount> modeButtons_{};
};

}  // namespace orlix
