#include "widgets/TP1/TP1.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "widgets/common/HoldRepeat.h"
#include "widgets/common/RetainedSurface.h"
#include "widgets/common/StepPictures.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

constexpr int kScrollIntervalMs = 20;  // ms between two scroll steps while a button is held
constexpr int kRightButton = 0;
constexpr int kLeftButton = 1;

const QColor kBarColor(0, 0, 255);
const QColor kLabelColor(255, 255, 0);
const QColor kForeground(255, 255, 255);
const QColor kBackground(0, 0, 0);

QRect ToQRect(const tp1::PixelRect& r) { return QRect(r.left, r.top, r.width, r.height); }

}  // namespace

TP1::TP1(QWidget* parent) : QWidget(parent) {
  auto* label = new QLabel(QStringLiteral("Deviations"), this);
  ui::Name(label, QStringLiteral("Label1"), QStringLiteral("Deviations"));
  label->setFont(ui::StationFont(QStringLiteral("MS Sans Serif"), 8.25));
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ui::PlaceTwips(label, 1920, 0, 855, 255);

  // The viewport clips the wider canvas; the canvas slides inside it.
  viewport_ = new QWidget(this);
  ui::Name(viewport_, QStringLiteral("IB"), QStringLiteral("Deviations"));
  ui::PlaceTwips(viewport_, 0, 240, 4335, 975);

  canvas_ = new ui::RetainedSurface(ui::RetainedSurface::Units::Pixels, viewport_);
  ui::Name(canvas_, QStringLiteral("PAP"), QStringLiteral("Deviations"));
  canvas_->setToolTip(QStringLiteral("Deviations"));
  canvas_->setGeometry(0, 0, TP1Model::kCanvasWidth, TP1Model::kCanvasHeight);

  auto* frame = new QGroupBox(this);
  ui::Name(frame, QStringLiteral("Frame1"), QStringLiteral("Scroll"));
  ui::PlaceTwips(frame, 4320, 120, 615, 1095);

  scrollRight_ = new QPushButton(frame);
  ui::Name(scrollRight_, QStringLiteral("SCR"), QStringLiteral("Scroll right"));
  scrollRight_->setToolTip(QStringLiteral("Scroll right"));
  ui::SetStepPicture(scrollRight_, ui::StepPicture::Right);
  ui::PlaceTwips(scrollRight_, 120, 240, 375, 375);

  scrollLeft_ = new QPushButton(frame);
  ui::Name(scrollLeft_, QStringLiteral("SCL"), QStringLiteral("Scroll left"));
  scrollLeft_->setToolTip(QStringLiteral("Scroll left"));
  ui::SetStepPicture(scrollLeft_, ui::StepPicture::Left);
  ui::PlaceTwips(scrollLeft_, 120, 600, 375, 375);

  hold_ = new ui::HoldRepeat(kScrollIntervalMs, this);
  hold_->setObjectName(QStringLiteral("Timer1"));
  hold_->Watch(scrollRight_, kRightButton);
  hold_->Watch(scrollLeft_, kLeftButton);
  connect(hold_, &ui::HoldRepeat::Step, this, &TP1::Scroll);

  // A new back buffer (size or pixel ratio) is painted again from the model.
  connect(canvas_, &ui::RetainedSurface::Rebuilt, this, &TP1::PaintAll);

  model_.Demonstrate();
  PaintAll();
}

QSize TP1::sizeHint() const { return ui::TwipsRect(0, 0, 4965, 1245).size(); }

void TP1::setMidValue(float value) {
  model_.SetMidValue(value);
  ResetPlot();
}

void TP1::setScalelength(float value) {
  model_.SetScalelength(value);
  ResetPlot();
}

void TP1::setCurrentValue(float value) {
  model_.SetCurrentValue(value);
  const TP1Model::Point point = model_.Plot(value);
  if (point.redrawn) PaintScale();
  PaintBar(point);
}

void TP1::ResetPlot() {
  model_.Redraw();
  PaintScale();
}

void TP1::ReadProperties(const PropertyBag& bag) { model_.ReadProperties(bag); }

void TP1::WriteProperties(PropertyBag& bag) const { model_.WriteProperties(bag); }

QString TP1::PropertyHelp(const QString& property) {
  return QString::fromStdString(TP1Model::HelpText(property.toStdString()));
}

void TP1::PaintScale() {
  canvas_->Clear(kBackground);
  const tp1::ScalePicture scale = tp1::ScaleFor(model_.CanvasWidth(), model_.CanvasHeight());
  ui::RetainedSurface::Painter p(*canvas_);
  for (const tp1::PixelRect& line : scale.lines) p.fillRect(ToQRect(line), kForeground);
  QFont font = ui::StationFont(QStringLiteral("MS Serif"), 6.75);
  font.setPixelSize(qRound(geometry::PointsToPixels(6.75)));
  // Crisp numbers: every yellow pixel is pure yellow, so a bar over it shows white.
  font.setStyleStrategy(QFont::NoAntialias);
  p.setFont(font);
  p.setPen(kLabelColor);
  for (const tp1::ScaleLabel& label : scale.labels) {
    p.drawText(QRect(label.left, label.top, 40, 20), Qt::AlignLeft | Qt::AlignTop,
               QString::fromStdString(label.text));
  }
}

void TP1::PaintBar(const TP1Model::Point& point) {
  const tp1::PixelRect bar = tp1::BarRect(point.x, model_.CentreLine(), point.d);
  if (bar.Empty()) return;
  ui::RetainedSurface::Painter p(*canvas_);
  // Bars are OR-ed into the canvas: blue over the white scale stays white.
  p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
  p.fillRect(ToQRect(bar), kBarColor);
}

void TP1::PaintAll() {
  PaintScale();
  ui::RetainedSurface::Painter p(*canvas_);
  p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
  for (const TP1Model::Bar& bar : model_.Bars()) {
    const tp1::PixelRect r = tp1::BarRect(bar.x, model_.CentreLine(), bar.d);
    if (!r.Empty()) p.fillRect(ToQRect(r), kBarColor);
  }
}

void TP1::Scroll(int buttonId) {
  const tp1::ScrollDirection direction =
      buttonId == kLeftButton ? tp1::ScrollDirection::Left : tp1::ScrollDirection::Right;
  canvas_->move(tp1::ScrolledLeft(canvas_->x(), direction, viewport_->width(), canvas_->width()),
                0);
}

}  // namespace orlix
