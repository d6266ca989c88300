#include "widgets/GR1/GR1.h"

#include <QMouseEvent>

#include "widgets/common/RetainedSurface.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

using gr1::PixelOf;

// Surface size in twips.
constexpr int kSurfaceWidth = 3255;
constexpr int kSurfaceHeight = 2295;

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kBlue(0, 0, 255);

// The centre of the pixel that holds a drawing position, in points: lines drawn through
// it cover exactly that pixel row or column.
double Snap(double points) { return (PixelOf(points) + 0.5) * 0.75; }

double SurfaceWidthPoints() { return geometry::Px(kSurfaceWidth) * 0.75; }
double SurfaceHeightPoints() { return geometry::Px(kSurfaceHeight) * 0.75; }

}  // namespace

GR1::GR1(QWidget* parent) : QWidget(parent), model_(SurfaceWidthPoints(), SurfaceHeightPoints()) {
  ui::Name(this, QStringLiteral("GR1"), QStringLiteral("XY graph"));
  surface_ = new ui::RetainedSurface(ui::RetainedSurface::Units::Points, this);
  ui::Name(surface_, QStringLiteral("GraphXY"), QStringLiteral("Chart"));
  ui::PlaceTwips(surface_, 0, 0, kSurfaceWidth, kSurfaceHeight);
  surface_->setToolTip(QStringLiteral("Chart"));
  surface_->setMouseTracking(true);
  surface_->installEventFilter(this);
  // The graph keeps no pixels of its own: a rebuilt buffer is drawn again from the model.
  connect(surface_, &ui::RetainedSurface::Rebuilt, this, &GR1::DrawAll);
  DrawAll();
}

QSize GR1::sizeHint() const { return ui::TwipsRect(0, 0, kSurfaceWidth, kSurfaceHeight).size(); }

void GR1::setYmax(float value) { DrawAxes(model_.SetYmax(value)); }

void GR1::setXC(float value) { model_.SetXC(value); }

void GR1::setYcircle(float value) { DrawMark(model_.SetYcircle(value)); }

void GR1::setYpoint(float value) { DrawMark(model_.SetYpoint(value)); }

void GR1::ReadProperties(const PropertyBag& bag) {
  const auto read = [&bag](const char* key) {
    return static_cast<float>(bag.ReadProperty(key, 0.0));
  };
  const float xc = read("XC");
  const float ymax = read("Ymax");
  const float ycircle = read("Ycircle");
  const float ypoint = read("Ypoint");
  model_.Load(xc, ymax, ycircle, ypoint);
}

void GR1::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty("XC", model_.XC(), 0.0);
  bag.WriteProperty("Ymax", model_.Ymax(), 0.0);
  bag.WriteProperty("Ycircle", model_.Ycircle(), 0.0);
  bag.WriteProperty("Ypoint", model_.Ypoint(), 0.0);
}

void GR1::DrawAll() {
  DrawAxes(model_.CurrentAxes());
  for (const gr1::Mark& mark : model_.Marks()) DrawMark(mark);
}

void GR1::DrawAxes(const gr1::Axes& a) {
  surface_->Clear(ui::kNavy);
  ui::RetainedSurface::Painter p(*surface_);

  const double left = Snap(a.FrameLeft());
  const double top = Snap(a.FrameTop());
  const double right = Snap(a.FrameRight());
  const double bottom = Snap(a.FrameBottom());
  p.setPen(p.PixelPen(kWhite));
  p.setBrush(kBlack);
  p.drawRect(QRectF(QPointF(left, top), QPointF(right, bottom)));

  p.setPen(p.PixelPen(kWhite, 1.0, Qt::DotLine));
  for (double x : a.gridX) p.drawLine(QPointF(Snap(x), top), QPointF(Snap(x), bottom));
  for (double y : a.gridY) p.drawLine(QPointF(left, Snap(y)), QPointF(right, Snap(y)));

  // "Small Fonts" at 6.75 points, in the painter's units of points.
  QFont font = ui::StationFont(QStringLiteral("Small Fonts"), 6.75);
  font.setPointSizeF(6.75 * 72.0 / p.device()->logicalDpiY());
  p.setFont(font);
  p.setPen(kWhite);
  const auto print = [&p](const gr1::Label& label) {
    p.drawText(QRectF(label.x, label.y, 100.0, 20.0), Qt::AlignLeft | Qt::AlignTop,
               QString::fromStdString(label.text));
  };
  for (const gr1::Label& label : a.xLabels) print(label);
  for (const gr1::Label& label : a.yLabels) print(label);
}

void GR1::DrawMark(const gr1::Mark& mark) {
  ui::RetainedSurface::Painter p(*surface_);
  const double cx = Snap(mark.x);
  const double cy = Snap(mark.y);
  if (mark.kind == gr1::MarkKind::Circle) {
    p.setPen(p.PixelPen(kYellow));
    p.setBrush(kYellow);
    p.drawEllipse(QPointF(cx, cy), gr1::kCircleRadius, gr1::kCircleRadius);
  } else {
    // A point of draw width 2: the pixel of the position and its neighbours right and below.
    const double size = gr1::kDotPixels * 0.75;
    p.fillRect(QRectF(PixelOf(mark.x) * 0.75, PixelOf(mark.y) * 0.75, size, size), kBlue);
  }
}

bool GR1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == surface_ && event->type() == QEvent::MouseMove) {
    const QPointF at = static_cast<QMouseEvent*>(event)->position();
    const auto X = static_cast<float>(at.x() * 0.75);
    const auto Y = static_cast<float>(at.y() * 0.75);
    surface_->setToolTip(QString::fromStdString(gr1::ReadOut(X, Y, model_.CurrentAxes())));
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orlix
