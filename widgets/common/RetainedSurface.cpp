#include "widgets/common/RetainedSurface.h"

#include <QPaintEvent>
#include <QResizeEvent>
#include <cmath>

namespace orlix::ui {

RetainedSurface::RetainedSurface(Units units, QWidget* parent) : QWidget(parent), units_(units) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  EnsureBuffer(1.0);
}

double RetainedSurface::WidthUnits() const { return width() / PixelsPerUnit(); }
double RetainedSurface::HeightUnits() const { return height() / PixelsPerUnit(); }

void RetainedSurface::EnsureBuffer(double ratio) {
  const QSize device(static_cast<int>(std::ceil(std::max(1, width()) * ratio)),
                     static_cast<int>(std::ceil(std::max(1, height()) * ratio)));
  if (image_.size() == device && image_.devicePixelRatio() == ratio) return;
  image_ = QImage(device, QImage::Format_RGB32);
  image_.setDevicePixelRatio(ratio);
  image_.fill(Qt::black);
  emit Rebuilt();
}

void RetainedSurface::SetPixelRatio(double ratio) {
  forcedRatio_ = ratio;
  EnsureBuffer(ratio);
}

void RetainedSurface::Clear(const QColor& color) {
  image_.fill(color);
  update();
}

void RetainedSurface::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  EnsureBuffer(forcedRatio_ > 0 ? forcedRatio_ : devicePixelRatioF());
}

void RetainedSurface::paintEvent(QPaintEvent* event) {
  // A move to a screen of another pixel ratio rebuilds the picture at that ratio.
  EnsureBuffer(forcedRatio_ > 0 ? forcedRatio_ : devicePixelRatioF());
  QPainter p(this);
  p.drawImage(event->rect(), image_,
              QRectF(event->rect().topLeft() * image_.devicePixelRatio(),
                     event->rect().size() * image_.devicePixelRatio()));
}

RetainedSurface::Painter::Painter(RetainedSurface& surface)
    : QPainter(&surface.image_), surface_(surface) {
  setRenderHint(QPainter::Antialiasing, false);
  setRenderHint(QPainter::TextAntialiasing, true);
  scale(surface.PixelsPerUnit(), surface.PixelsPerUnit());
}

RetainedSurface::Painter::~Painter() {
  end();
  surface_.update();
}

QPen RetainedSurface::Painter::PixelPen(const QColor& color, double widthPixels,
                                        Qt::PenStyle style) const {
  QPen pen(color, widthPixels / surface_.PixelsPerUnit(), style, Qt::FlatCap, Qt::MiterJoin);
  return pen;
}

}  // namespace orlix::ui
