#include "widgets/HI1/HI1.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPalette>

#include "base/Format.h"
#include "widgets/common/Scale.h"
#include "widgets/common/UiCommon.h"

namespace orlix {

namespace {

const QColor kUnitBlue(0, 0, 255);
const QColor kYellow(255, 255, 0);
// The system caption-text, window-frame and window colours of the read-outs.
const QColor kCaptionText(255, 255, 255);
const QColor kWindowFrame(0, 0, 0);
const QColor kWindowColor(255, 255, 255);

constexpr std::array<int, 5> kAxisLefts = {0, 960, 1560, 2160, 3120};

QLineEdit* MakeField(QWidget* parent, const QString& name, const QString& hint, const QColor& back,
                     const QColor& text, Qt::Alignment align) {
  QLineEdit* field = ui::ReadoutField(parent, name, hint, align);
  field->setToolTip(hint);
  QPalette pal = field->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    pal.setColor(group, QPalette::Base, back);
    pal.setColor(group, QPalette::Window, back);
    pal.setColor(group, QPalette::Text, text);
  }
  field->setPalette(pal);
  field->setAutoFillBackground(true);
  return field;
}

// A field is laid out and repainted only when its text changes: at each display update most
// of them read as before.
void SetField(QLineEdit* field, const std::string& text) {
  const QString now = QString::fromStdString(text);
  if (field->text() == now) return;
  field->setText(now);
  field->setCursorPosition(0);
}

}  // namespace

HI1::HI1(QWidget* parent) : QWidget(parent) {
  surface_ = new ui::RetainedSurface(ui::RetainedSurface::Units::Points, this);
  ui::Name(surface_, QStringLiteral("IB"), QStringLiteral("Thickness distribution"));
  ui::PlaceTwips(surface_, 0, 0, 3615, 2895);
  surface_->setMouseTracking(true);
  surface_->installEventFilter(this);

  average_ = MakeField(this, QStringLiteral("Text2"), QStringLiteral("Average"),
                       ui::kReadoutBackground, kCaptionText, Qt::AlignLeft | Qt::AlignVCenter);
  ui::PlaceTwips(average_, 360, 120, 855, 195);
  deviation_ = MakeField(this, QStringLiteral("Text3"), QStringLiteral("MS Deviation"),
                         ui::kReadoutBackground, kCaptionText, Qt::AlignLeft | Qt::AlignVCenter);
  ui::PlaceTwips(deviation_, 1440, 120, 735, 195);
  rescale_ = MakeField(this, QStringLiteral("Text1"), QStringLiteral("Counter"), kWindowFrame,
                       kWindowColor, Qt::AlignLeft | Qt::AlignVCenter);
  ui::PlaceTwips(rescale_, 2640, 120, 375, 195);
  for (std::size_t i = 0; i < axis_.size(); ++i) {
    // Each axis value stands centred under its scale point.
    axis_[i] =
        MakeField(this, QStringLiteral("Text4_%1").arg(i), QStringLiteral("Axis value %1").arg(i),
                  ui::kNavy, kCaptionText, Qt::AlignHCenter | Qt::AlignVCenter);
    axis_[i]->setToolTip(QString());
    ui::PlaceTwips(axis_[i], kAxisLefts[i], 2640, 495, 195);
  }

  resize(sizeHint());
  connect(surface_, &ui::RetainedSurface::Rebuilt, this, &HI1::RedrawAll);

  model_.Demonstrate();
  RedrawAll();
  RefreshScale();
}

QSize HI1::sizeHint() const { return ui::TwipsRect(0, 0, 3645, 2910).size(); }

void HI1::setMidValue(float value) {
  model_.SetMidValue(value);
  RedrawAll();
  RefreshScale();
}

void HI1::setScalelength(float value) {
  model_.SetScalelength(value);
  RedrawAll();
  RefreshScale();
}

void HI1::setCurrentValue(float value) { Refresh(model_.SetCurrentValue(value)); }

void HI1::setAverage(float value) { model_.SetAverage(value); }

void HI1::setMsdeviation(float value) { model_.SetMsdeviation(value); }

void HI1::ResetHisto() {
  model_.ResetHisto();
  RedrawAll();
  RefreshScale();
}

void HI1::ReadProperties(const PropertyBag& bag) { model_.ReadProperties(bag); }

void HI1::WriteProperties(PropertyBag& bag) const { model_.WriteProperties(bag); }

QString HI1::PropertyDescription(const QString& property) {
  return QString::fromStdString(HI1Model::Description(property.toStdString()));
}

void HI1::Refresh(const HI1Model::Added& added) {
  if (added.rescaled) {
    // The unit that completed the bar is cleared by the redraw at once, so it is not drawn.
    RedrawAll();
    RefreshStatistics();
    SetField(rescale_, model_.RescaleText());
    return;
  }
  {
    ui::RetainedSurface::Painter p(*surface_);
    p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    DrawUnit(p, added.bin, added.units, kUnitBlue);
  }
  RefreshStatistics();
}

void HI1::RedrawAll() {
  surface_->Clear(ui::kNavy);
  ui::RetainedSurface::Painter p(*surface_);
  DrawFrame(p);
  const auto& yellow = model_.YellowUnits();
  const auto& display = model_.DisplayCounts();
  for (int k = 0; k < HI1Model::kBins; ++k) {
    const auto i = static_cast<std::size_t>(k);
    for (int n = 1; n <= yellow[i]; ++n) DrawUnit(p, k, n, kYellow);
    for (int n = 1; n <= display[i]; ++n) DrawUnit(p, k, n, kUnitBlue);
  }
}

void HI1::DrawFrame(ui::RetainedSurface::Painter& p) const {
  const double w = surface_->WidthUnits();
  const double h = surface_->HeightUnits();
  const histogram::Frame f = histogram::FrameOf(w, h);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setBrush(Qt::NoBrush);
  const QPen white = p.PixelPen(Qt::white);
  p.setPen(white);
  p.drawRect(QRectF(QPointF(f.left, f.top), QPointF(f.right, f.bottom)));
  for (int i = 0; i < kMajorTicks; ++i) {
    const double x = MajorTickX(i);
    p.drawLine(QPointF(x, f.ybase), QPointF(x, f.ybase - 7.0));
  }
  for (int i = 0; i < kMinorTicks; ++i) {
    const double x = MinorTickX(i);
    p.drawLine(QPointF(x, f.ybase), QPointF(x, f.ybase - 3.0));
  }
  const QPen dotted = p.PixelPen(Qt::white, 1.0, Qt::DotLine);
  for (double x : histogram::kGridX) {
    p.setPen(x == histogram::kGridX[1] ? white : dotted);
    p.drawLine(QPointF(x, f.top), QPointF(x, f.ybase));
  }

  // The painter counts in points, so the font is sized in those units.
  QFont font = ui::StationFont(QStringLiteral("MS Serif"), 6.75);
  font.setPointSizeF(6.75 * 72.0 / p.device()->logicalDpiY());
  p.setFont(font);
  for (int j = 1; j <= 3; ++j) {
    const double y = f.labelY[static_cast<std::size_t>(j - 1)];
    const QString label = QString::fromStdString(FormatPattern(42 * j, "##0"));
    p.setPen(kYellow);
    p.drawText(QRectF(1.0, y, 12.0, 10.0), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, label);
    p.drawText(QRectF(f.xr + 1.0, y, 12.0, 10.0), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
               label);
    p.setPen(white);
    if (j < 3) p.drawLine(QPointF(f.left, y), QPointF(f.xr, y));
  }
  // Everything drawn from here on is OR-ed with the picture.
  p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
}

void HI1::DrawUnit(ui::RetainedSurface::Painter& p, int bin, int height,
                   const QColor& color) const {
  const histogram::Unit u = histogram::UnitOf(bin, height, surface_->HeightUnits());
  p.setPen(p.PixelPen(color));
  p.drawLine(QPointF(u.x1, u.y), QPointF(u.x2, u.y));
  p.drawLine(QPointF(u.x1, u.y - 0.5), QPointF(u.x2, u.y - 0.5));
}

void HI1::RefreshStatistics() {
  SetField(average_, model_.AverageText());
  SetField(deviation_, model_.DeviationText());
}

void HI1::RefreshScale() {
  RefreshStatistics();
  SetField(rescale_, model_.RescaleText());
  const auto& texts = model_.AxisTexts();
  for (std::size_t i = 0; i < axis_.size(); ++i) SetField(axis_[i], texts[i]);
}

bool HI1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == surface_ && event->type() == QEvent::MouseMove) {
    const QPointF pos = static_cast<QMouseEvent*>(event)->position() / surface_->PixelsPerUnit();
    const auto text =
        model_.PointerText(pos.x(), pos.y(), surface_->WidthUnits(), surface_->HeightUnits());
    if (text) surface_->setToolTip(QString::fromStdString(*text));
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orlix
