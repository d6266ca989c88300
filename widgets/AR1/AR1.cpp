#include "widgets/AR1/AR1.h"

#include <QPainter>
#include <QPalette>
#include <QPolygonF>

#include "widgets/common/Scale.h"
#include "widgets/common/UiCommon.h"

namespace orlix {

namespace {

const QColor kYellow(255, 255, 0);
const QColor kArrowFill(192, 0, 0);
const QColor kArrowEdge(0, 0, 0);

constexpr std::array<int, 5> kLabelLefts = {0, 960, 1560, 2160, 3120};

// The 23 × 19 pixel arrowhead pointing down, its tip in the middle column.
class ArrowHead : public QWidget {
 public:
  explicit ArrowHead(QWidget* parent) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPolygonF head(
        {QPointF(0.5, 0.5), QPointF(width() - 0.5, 0.5), QPointF(width() / 2.0, height() - 0.5)});
    p.setPen(QPen(kArrowEdge, 1.0));
    p.setBrush(kArrowFill);
    p.drawPolygon(head);
  }
};

// An arrow position in points as the left edge in pixels (20 twips to the point).
int ArrowLeftPixels(std::int16_t left) { return geometry::Px(left * 20); }

}  // namespace

AR1::AR1(QWidget* parent) : QWidget(parent) {
  surface_ = new ui::RetainedSurface(ui::RetainedSurface::Units::Points, this);
  ui::Name(surface_, QStringLiteral("IB"), QStringLiteral("Gauge"));
  surface_->setToolTip(QStringLiteral("Gauge"));
  ui::PlaceTwips(surface_, 0, 0, 3615, 975);

  for (std::size_t i = 0; i < labels_.size(); ++i) {
    // Each label stands centred under its scale point.
    QLineEdit* label = ui::ReadoutField(this, QStringLiteral("Text2_%1").arg(i),
                                        QStringLiteral("Scale value %1").arg(i),
                                        Qt::AlignHCenter | Qt::AlignVCenter);
    ui::PlaceTwips(label, kLabelLefts[i], 720, 495, 195);
    labels_[i] = label;
  }

  arrow_ = new ArrowHead(surface_);
  ui::Name(arrow_, QStringLiteral("Arrow"), QStringLiteral("Current thickness"));
  ui::PlaceTwips(arrow_, 0, 0, 345, 285);

  resize(sizeHint());
  connect(surface_, &ui::RetainedSurface::Rebuilt, this, &AR1::DrawScale);

  DrawScale();
  Relabel();
  Show(model_.MoveArrow());
}

QSize AR1::sizeHint() const { return ui::TwipsRect(0, 0, 3645, 1050).size(); }

float AR1::MidValue() const {
  throw PropertyError(PropertyError::Kind::NotReadableAtRunTime,
                      "MidValue cannot be read at run time");
}

float AR1::CurrentValue() const {
  throw PropertyError(PropertyError::Kind::NotReadableAtRunTime,
                      "CurrentValue cannot be read at run time");
}

void AR1::setMidValue(float value) {
  const AR1Model::Sweep sweep = model_.SetMidValue(value);
  Relabel();
  Show(sweep);
}

void AR1::setCurrentValue(float value) { Show(model_.SetCurrentValue(value)); }

void AR1::setScalelength(float value) {
  const AR1Model::Sweep sweep = model_.SetScalelength(value);
  Relabel();
  Show(sweep);
}

void AR1::ReadProperties(const PropertyBag& bag) { model_.ReadProperties(bag); }

void AR1::WriteProperties(PropertyBag& bag) const { model_.WriteProperties(bag); }

QString AR1::PropertyDescription(const QString& property) {
  return QString::fromStdString(AR1Model::Description(property.toStdString()));
}

void AR1::DrawScale() {
  surface_->Clear(palette().color(QPalette::HighlightedText));
  ui::RetainedSurface::Painter p(*surface_);
  p.fillRect(QRectF(QPointF(gauge::kBandLeft, gauge::kBandTop),
                    QPointF(gauge::kBandRight, gauge::kBandBottom)),
             kYellow);
  const QColor fore = palette().color(QPalette::ButtonText);
  const QPen thin = p.PixelPen(fore, 1.0);
  const QPen thick = p.PixelPen(fore, 3.0);
  for (int i = 0; i < kMajorTicks; ++i) {
    const double x = MajorTickX(i);
    p.setPen(thin);
    p.drawLine(QPointF(x, gauge::kBandTop), QPointF(x, gauge::kBandBottom));
    p.setPen(thick);
    const double top = i == gauge::kMiddleTick ? gauge::kBandTop : gauge::kBandBottom;
    p.drawLine(QPointF(x, top), QPointF(x, gauge::kThickTickBottom));
  }
  p.setPen(thin);
  for (int i = 0; i < kMinorTicks; ++i) {
    const double x = MinorTickX(i);
    p.drawLine(QPointF(x, gauge::kBandTop), QPointF(x, gauge::kMinorTickBottom));
  }
}

void AR1::Relabel() {
  const auto& texts = model_.Labels();
  for (std::size_t i = 0; i < labels_.size(); ++i) {
    labels_[i]->setText(QString::fromStdString(texts[i]));
    labels_[i]->setCursorPosition(0);
  }
}

void AR1::Show(const AR1Model::Sweep& sweep) {
  // The arrow passes every position of the sweep without a pause, so no picture of the
  // positions in between can reach the screen: only the last one is set.
  arrow_->move(ArrowLeftPixels(sweep.to), 0);
}

}  // namespace orlix
