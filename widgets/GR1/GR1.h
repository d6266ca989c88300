#pragma once
// XY graph: a fixed frame with a dotted 4 × 4 grid and tick labels, into which the holder
// draws one point at a time through four properties. Set XC to the x range and Ymax to
// the y range (this clears the graph and draws the frame), then for every point XC to its
// x and Ycircle (a yellow circle) or Ypoint (a blue dot) to its y. Resting the pointer
// inside the frame shows the data coordinates under it as a tooltip.

#include <QWidget>

#include "widgets/GR1/XYGraphModel.h"
#include "widgets/common/PropertyBag.h"

namespace orlix::ui {
class RetainedSurface;
}

namespace orlix {

class GR1 : public QWidget {
  Q_OBJECT
  // Sets Max Y for plot.
  Q_PROPERTY(float Ymax READ Ymax WRITE setYmax)
  // Sets X coordinate for
  // plotting the circle.
  Q_PROPERTY(float XC READ XC WRITE setXC)
  // Sets Y coordinaye and plots a circle.
  Q_PROPERTY(float Ycircle READ Ycircle WRITE setYcircle)
  // Sets Y coordinate and plots a point.
  Q_PROPERTY(float Ypoint READ Ypoint WRITE setYpoint)

 public:
  explicit GR1(QWidget* parent = nullptr);

  float Ymax() const { return model_.Ymax(); }
  float XC() const { return model_.XC(); }
  float Ycircle() const { return model_.Ycircle(); }
  float Ypoint() const { return model_.Ypoint(); }

  // Clears the graph and draws the frame for the ranges (XC, Ymax); a range of 0 or less
  // is drawn, and clipped, as 1 and reads back as 1.
  void setYmax(float value);
  // Stores the x of the next point; draws nothing.
  void setXC(float value);
  // Plot a circle or a dot at (XC, value); coordinates beyond the ranges are drawn on the
  // frame's edge and read back clamped.
  void setYcircle(float value);
  void setYpoint(float value);

  // Persisted properties "XC", "Ymax", "Ycircle", "Ypoint" (default 0). Reading only stores
  // the values; nothing is drawn.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;
  // A property was set since creation or the last ReadProperties.
  bool PropertiesChanged() const { return model_.PropertiesChanged(); }

  // The drawing surface "GraphXY" and the model behind it, for tests and the holder.
  ui::RetainedSurface* Surface() const { return surface_; }
  const gr1::XYGraph& Model() const { return model_; }

  QSize sizeHint() const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void DrawAll();
  void DrawAxes(const gr1::Axes& axes);
  void DrawMark(const gr1::Mark& mark);

  ui::RetainedSurface* surface_ = nullptr;
  gr1::XYGraph model_;
};

}  // namespace orlix
