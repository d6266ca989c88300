#pragma once
// The pointer instrument: a horizontal scale around the set-point with a yellow band for
// ±1 scale unit, five value labels and a small arrow above the scale that moves to the
// current thickness. The scale is drawn once; values only relabel and move the arrow.

#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <array>

#include "widgets/AR1/AR1Model.h"
#include "widgets/common/PropertyBag.h"
#include "widgets/common/RetainedSurface.h"

namespace orlix {

class AR1 : public QWidget {
  Q_OBJECT
  Q_PROPERTY(float MidValue READ MidValue WRITE setMidValue)
  Q_PROPERTY(float CurrentValue READ CurrentValue WRITE setCurrentValue)
  Q_PROPERTY(float Scalelength READ Scalelength WRITE setScalelength)

 public:
  explicit AR1(QWidget* parent = nullptr);

  // MidValue and CurrentValue cannot be read while the program runs, and a created gauge
  // is always running: both getters refuse with PropertyError (NotReadableAtRunTime).
  // The stored values are on model().
  float MidValue() const;
  void setMidValue(float value);
  float CurrentValue() const;
  void setCurrentValue(float value);
  float Scalelength() const { return model_.Scalelength(); }
  void setScalelength(float value);

  // Stored settings of the container: loading only stores the values.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // Help text of a property, lines separated by CR LF.
  static QString PropertyDescription(const QString& property);

  const AR1Model& model() const { return model_; }
  ui::RetainedSurface* Surface() const { return surface_; }
  QWidget* Arrow() const { return arrow_; }

  QSize sizeHint() const override;

 private:
  void DrawScale();
  void Relabel();
  void Show(const AR1Model::Sweep& sweep);

  AR1Model model_;
  ui::RetainedSurface* surface_;
  QWidget* arrow_;
  std::array<QLineEdit*, 5> labels_{};  // Text2(0..4)
};

}  // namespace orlix
