#pragma once
// A drawing surface that keeps its picture: everything is drawn into a back buffer sized
// by the device pixel ratio, and painting only copies the buffer, so the picture survives
// being covered and stays sharp on high-DPI screens. Coordinates are in points (1/72 inch,
// 4/3 of a device-independent pixel) or in pixels, as the surface is created.

#include <QImage>
#include <QPainter>
#include <QWidget>

namespace orlix::ui {

class RetainedSurface : public QWidget {
  Q_OBJECT

 public:
  enum class Units { Points, Pixels };

  RetainedSurface(Units units, QWidget* parent = nullptr);

  // Width and height of the surface in its own units (W and H of the drawing code).
  double WidthUnits() const;
  double HeightUnits() const;
  double PixelsPerUnit() const { return units_ == Units::Points ? 4.0 / 3.0 : 1.0; }

  // A painter on the back buffer in surface units, no antialiasing. The widget is
  // scheduled for repainting when the painter ends.
  class Painter : public QPainter {
   public:
    explicit Painter(RetainedSurface& surface);
    ~Painter();
    // A pen of the given colour whose width counts in device-independent pixels.
    QPen PixelPen(const QColor& color, double widthPixels = 1.0,
                  Qt::PenStyle style = Qt::SolidLine) const;

   private:
    RetainedSurface& surface_;
  };

  // Fills the whole buffer with the colour.
  void Clear(const QColor& color);

  // The picture, for tests and benchmarks (device pixels, with its pixel ratio set).
  const QImage& Image() const { return image_; }

  // Sets the pixel ratio of the back buffer directly (tests render at ratio 1 or 2).
  void SetPixelRatio(double ratio);

 signals:
  // The back buffer was recreated empty (size or pixel ratio changed): the owner redraws
  // everything from its model.
  void Rebuilt();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void EnsureBuffer(double ratio);

  Units units_;
  QImage image_;
  double forcedRatio_ = 0.0;
};

}  // namespace orlix::ui
