#include "passfiles/ui/ProfileView.h"

#include <QFormLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QTouchEvent>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "passfiles/ui/PassReport.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

constexpr double kWheelStep = 1.25;
// The histogram's least size; a note about the limits takes its height from it, so the
// window keeps its size.
constexpr int kHistogramWidth = 160;
constexpr int kHistogramHeight = 110;

}  // namespace

ProfileView::ProfileView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_AcceptTouchEvents);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(240, 160);
}

void ProfileView::SetProfile(std::shared_ptr<const PassProfile> profile) {
  profile_ = std::move(profile);
  readOut_.clear();
  Full();
}

void ProfileView::Full() {
  if (profile_) window_ = FullWindow(*profile_);
  update();
}

void ProfileView::SetWindow(const ProfileWindow& window) {
  window_ = window;
  update();
}

QRectF ProfileView::PlotArea() const {
  return ProfilePlot(QRectF(rect()), QFontMetricsF(font(), this));
}

QPointF ProfileView::ToValue(QPointF pixel) const {
  const QRectF plot = PlotArea();
  return {window_.x0 + (pixel.x() - plot.left()) / plot.width() * (window_.x1 - window_.x0),
          window_.y0 + (plot.bottom() - pixel.y()) / plot.height() * (window_.y1 - window_.y0)};
}

void ProfileView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!profile_) {
    painter.fillRect(rect(), palette().base());
    return;
  }
  DrawProfile(painter, QRectF(rect()), *profile_, window_);
  if (boxFrom_) {
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(QRectF(*boxFrom_, boxTo_).normalized());
  }
}

void ProfileView::wheelEvent(QWheelEvent* event) {
  if (!profile_) return;
  const double steps = event->angleDelta().y() / 120.0;
  const double factor = std::pow(kWheelStep, -steps);
  const double x = ToValue(event->position()).x();
  ProfileWindow w = window_;
  w.x0 = x - (x - w.x0) * factor;
  w.x1 = x + (w.x1 - x) * factor;
  // No closer than a few data lines across the view.
  if (w.x1 - w.x0 >= 1e-6) SetWindow(w);
  event->accept();
}

void ProfileView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    boxFrom_ = boxTo_ = event->position();
  } else if (event->button() == Qt::RightButton) {
    panFrom_ = event->position();
  }
}

void ProfileView::mouseMoveEvent(QMouseEvent* event) {
  ShowReadOut(event->position());
  if (boxFrom_) {
    boxTo_ = event->position();
    update();
  } else if (panFrom_) {
    Pan(event->position() - *panFrom_);
    panFrom_ = event->position();
  }
}

void ProfileView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && boxFrom_) {
    const QRectF box = QRectF(*boxFrom_, event->position()).normalized();
    boxFrom_.reset();
    if (box.width() >= 4 && box.height() >= 4) {
      const QPointF a = ToValue(box.bottomLeft());
      const QPointF b = ToValue(box.topRight());
      SetWindow({a.x(), b.x(), a.y(), b.y()});
    } else {
      update();
    }
  } else if (event->button() == Qt::RightButton) {
    panFrom_.reset();
  }
}

void ProfileView::Pan(QPointF pixelDelta) {
  const QRectF plot = PlotArea();
  const double dx = pixelDelta.x() / plot.width() * (window_.x1 - window_.x0);
  const double dy = pixelDelta.y() / plot.height() * (window_.y1 - window_.y0);
  SetWindow({window_.x0 - dx, window_.x1 - dx, window_.y0 + dy, window_.y1 + dy});
}

bool ProfileView::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd: {
      auto* touch = static_cast<QTouchEvent*>(event);
      const QList<QEventPoint>& points = touch->points();
      if (points.size() == 2) {
        // Two fingers pan by the movement of their middle.
        const QPointF now = (points[0].position() + points[1].position()) / 2;
        const QPointF before = (points[0].lastPosition() + points[1].lastPosition()) / 2;
        Pan(now - before);
      } else if (points.size() == 1) {
        ShowReadOut(points[0].position());
      }
      event->accept();
      return true;
    }
    default:
      return QWidget::event(event);
  }
}

void ProfileView::ShowReadOut(QPointF pixel) {
  if (!profile_ || profile_->data.Count() == 0) return;
  const std::size_t i = NearestLine(*profile_, ToValue(pixel).x());
  readOut_ = QStringLiteral("Length %1 m, thickness %2 \u00B5m, line %3")
                 .arg(QString::fromStdString(FormatPattern(profile_->data.Lengths()[i], "0")),
                      QString::fromStdString(FigureText(profile_->data.Thicknesses()[i], 1)))
                 .arg(i + 1);
  setAccessibleDescription(readOut_);
  emit ReadOutChanged(readOut_);
}

class StatisticsPanel::HistogramView : public QWidget {
 public:
  explicit HistogramView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kHistogramWidth, kHistogramHeight);
  }
  std::shared_ptr<const PassProfile> profile;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (profile && profile->data.Count() > 0) {
      DrawHistogram(painter, QRectF(rect()).adjusted(0, 0, -1, -1), *profile);
    } else {
      painter.fillRect(rect(), palette().base());
    }
  }
};

StatisticsPanel::StatisticsPanel(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  const PassProfile none;
  for (const auto& [label, value] : StatisticsRows(none)) {
    auto* l = new QLabel(label, this);
    auto* v = new QLabel(QStringLiteral("-"), this);
    QString key;  // "Ppk (overall)": "Statistic_Ppkoverall"
    for (const QChar c : label) {
      if (c.isLetterOrNumber()) key += c;
    }
    ui::Name(v, QStringLiteral("Statistic_") + key, label);
    l->setBuddy(v);
    v->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(l, v);
    labels_ << l;
    values_ << v;
  }
  note_ = new QLabel(this);
  ui::Name(note_, QStringLiteral("LimitsNote"), QStringLiteral("Limits"));
  note_->setWordWrap(true);
  note_->setTextFormat(Qt::PlainText);
  note_->hide();
  layout->addWidget(note_);
  histogram_ = new HistogramView(this);
  ui::Name(histogram_, QStringLiteral("Histogram"), QStringLiteral("Histogram of the data lines"));
  layout->addWidget(histogram_, 1);
}

void StatisticsPanel::SetProfile(std::shared_ptr<const PassProfile> profile) {
  const PassProfile none;
  const auto rows = StatisticsRows(profile ? *profile : none);
  for (int i = 0; i < rows.size() && i < values_.size(); ++i) values_[i]->setText(rows[i].second);
  note_->setText(profile ? LimitsNote(*profile) : QString());
  note_->setVisible(!note_->text().isEmpty());
  const int noteHeight =
      note_->isHidden()
          ? 0
          : note_->heightForWidth(std::max(width(), kHistogramWidth)) + layout()->spacing();
  histogram_->setMinimumHeight(std::max(kHistogramHeight / 2, kHistogramHeight - noteHeight));
  histogram_->profile = std::move(profile);
  histogram_->update();
}

QString StatisticsPanel::Value(const QString& label) const {
  for (int i = 0; i < labels_.size(); ++i) {
    if (labels_[i]->text() == label) return values_[i]->text();
  }
  return {};
}

}  // namespace orlix
