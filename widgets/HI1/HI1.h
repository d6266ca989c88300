#pragma once
// The thickness-distribution widget: 51 bars on a navy surface with the average, the
// mean-square deviation, the rescale number and five axis values on top. Each value adds
// one unit to its bar; the surface is redrawn whole only on a reset or a rescale.

#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <array>

#include "widgets/HI1/HI1Model.h"
#include "widgets/common/PropertyBag.h"
#include "widgets/common/RetainedSurface.h"

namespace orlix {

class HI1 : public QWidget {
  Q_OBJECT
  Q_PROPERTY(float MidValue READ MidValue WRITE setMidValue)
  Q_PROPERTY(float Scalelength READ Scalelength WRITE setScalelength)
  Q_PROPERTY(float CurrentValue READ CurrentValue WRITE setCurrentValue)
  Q_PROPERTY(float Average READ Average)
  Q_PROPERTY(float Msdeviation READ Msdeviation)
  Q_PROPERTY(qint16 HistoIndex READ HistoIndex WRITE setHistoIndex)
  Q_PROPERTY(float HistoX READ HistoX WRITE setHistoX)
  Q_PROPERTY(qint32 HistoY READ HistoY WRITE setHistoY)

 public:
  explicit HI1(QWidget* parent = nullptr);

  float MidValue() const { return model_.MidValue(); }
  void setMidValue(float value);
  float Scalelength() const { return model_.Scalelength(); }
  void setScalelength(float value);
  float CurrentValue() const { return model_.CurrentValue(); }
  void setCurrentValue(float value);
  float Average() const { return model_.Average(); }
  // Refused with PropertyError (ReadOnly); the statistics stay as they are.
  [[noreturn]] void setAverage(float value);
  float Msdeviation() const { return model_.Msdeviation(); }
  [[noreturn]] void setMsdeviation(float value);
  qint16 HistoIndex() const { return model_.HistoIndex(); }
  void setHistoIndex(qint16 index) { model_.SetHistoIndex(index); }
  // Lower edge and total of bin HistoIndex; PropertyError (SubscriptOutOfRange) outside
  // 0..50. Writing them has no effect.
  float HistoX() const { return model_.HistoX(); }
  void setHistoX(float) {}
  qint32 HistoY() const { return model_.HistoY(); }
  void setHistoY(qint32) {}

  // Redraws the frame and sets the scale up again with MidValue and Scalelength.
  Q_INVOKABLE void ResetHisto();

  // Stored settings of the container: loading only stores the values.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // Help text of a property, lines separated by CR LF.
  static QString PropertyDescription(const QString& property);

  const HI1Model& model() const { return model_; }
  ui::RetainedSurface* Surface() const { return surface_; }

  QSize sizeHint() const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The whole picture from the model: frame, yellow bars of the last rescale, blue units.
  void RedrawAll();
  void DrawFrame(ui::RetainedSurface::Painter& p) const;
  void DrawUnit(ui::RetainedSurface::Painter& p, int bin, int height, const QColor& color) const;
  void RefreshStatistics();
  void RefreshScale();
  void Refresh(const HI1Model::Added& added);

  HI1Model model_;
  ui::RetainedSurface* surface_;
  QLineEdit* average_;                // Text2
  QLineEdit* deviation_;              // Text3
  QLineEdit* rescale_;                // Text1
  std::array<QLineEdit*, 5> axis_{};  // Text4(0..4)
};

}  // namespace orlix
