#include "widgets/common/StepPictures.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>

namespace orlix::ui {

QPixmap DrawStepPicture(StepPicture kind, qreal ratio) {
  const int device = qRound(kStepPictureSize * ratio);
  QPixmap pixmap(device, device);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);

  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
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
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 128));
  p.drawPath(arrow);
  return pixmap;
}

void SetStepPicture(QAbstractButton* button, StepPicture kind) {
  QIcon icon;
  icon.addPixmap(DrawStepPicture(kind, 1.0));
  icon.addPixmap(DrawStepPicture(kind, 2.0));
  button->setIcon(icon);
  button->setIconSize(QSize(kStepPictureSize, kStepPictureSize));
}

}  // namespace orlix::ui
