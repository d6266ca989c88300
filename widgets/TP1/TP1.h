#pragma once
// The trend strip "Deviations": one thin bar per thickness on a canvas of 601 x 65 pixels
// that slides inside a narrower viewport under two hold-to-repeat scroll buttons.

#include <QWidget>

#include "widgets/TP1/TP1Model.h"
#include "widgets/common/PropertyBag.h"

class QLabel;
class QPushButton;

namespace orlix::ui {
class HoldRepeat;
class RetainedSurface;
}  // namespace orlix::ui

namespace orlix {

class TP1 : public QWidget {
  Q_OBJECT
  Q_PROPERTY(float MidValue READ MidValue WRITE setMidValue)
  Q_PROPERTY(float Scalelength READ Scalelength WRITE setScalelength)
  Q_PROPERTY(float CurrentValue READ CurrentValue WRITE setCurrentValue)

 public:
  explicit TP1(QWidget* parent = nullptr);

  float MidValue() const { return model_.MidValue(); }
  float Scalelength() const { return model_.Scalelength(); }
  float CurrentValue() const { return model_.CurrentValue(); }

  // A new middle value or scale length redraws a fresh scale (the trace is cleared, even
  // when the value did not change); a current value adds one bar.
  void setMidValue(float value);
  void setScalelength(float value);
  void setCurrentValue(float value);

  // A fresh scale of the current MidValue and Scalelength with no bars.
  Q_INVOKABLE void ResetPlot();

  // Persisted properties; reading only stores the values.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // Description of a property (its help text, lines joined by "\r\n").
  static QString PropertyHelp(const QString& property);

  const TP1Model& Model() const { return model_; }
  ui::RetainedSurface* Canvas() const { return canvas_; }

  QSize sizeHint() const override;

 private:
  void PaintScale();
  void PaintBar(const TP1Model::Point& point);
  void PaintAll();
  void Scroll(int buttonId);

  TP1Model model_;
  QWidget* viewport_ = nullptr;
  ui::RetainedSurface* canvas_ = nullptr;
  QPushButton* scrollRight_ = nullptr;
  QPushButton* scrollLeft_ = nullptr;
  ui::HoldRepeat* hold_ = nullptr;
};

}  // namespace orlix
