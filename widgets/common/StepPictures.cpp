#include "widgets/common/StepPictures.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace orlix::ui {

namespace {

// Edge of the trend's scroll pictures.
constexpr int kScrollPictureSize = 13;

int SizeOf(StepPicture kind) {
  return kind == StepPicture::Left || kind == StepPicture::Right ? kScrollPictureSize
                                                                 : kStepPictureSize;
}

}  // namespace

QPixmap DrawStepPicture(StepPicture kind, qreal ratio) {
  const int size = SizeOf(kind);
  const int device = qRound(size * ratio);
  QPixmap pixmap(device, device);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);

  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  if (kind == StepPicture::Left || kind == StepPicture::Right) {
    // A filled black head pointing left or right.
    p.setBrush(Qt::black);
    p.drawPolygon(kind == StepPicture::Right
                      ? QPolygonF({QPointF(3.5, 1.5), QPointF(10.5, 6.5), QPointF(3.5, 11.5)})
                      : QPolygonF({QPointF(9.5, 1.5), QPointF(2.5, 6.5), QPointF(9.5, 11.5)}));
    return pixmap;
  }
  if (kind == StepPicture::Down) {
    // The down arrow is the up arrow turned over.
    p.translate(0, kStepPictureSize);
    p.scale(1, -1);
  }
  // A broad head over a short shaft, kept inside the middle 19 pixels so it stays whole
  // on a button narrower than the picture.
  QPainterPath arrow;
  arrow.moveTo(13.5, 5.0);
  arrow.lineTo(22.0, 14.0);
  arrow.lineTo(17.0, 14.0);
  arrow.lineTo(17.0, 22.0);
  arrow.lineTo(10.0, 22.0);
  arrow.lineTo(10.0, 14.0);
  arrow.lineTo(5.0, 14.0);
  arrow.closeSubpath();
  p.setBrush(QColor(0, 0, 128));
  p.drawPath(arrow);
  return pixmap;
}

void SetStepPicture(QAbstractButton* button, StepPicture kind) {
  QIcon icon;
  icon.addPixmap(DrawStepPicture(kind, 1.0));
  icon.addPixmap(DrawStepPicture(kind, 2.0));
  button->setIcon(icon);
  button->setIconSize(QSize(SizeOf(kind), SizeOf(kind)));
}

}  // namespace orlix::ui
