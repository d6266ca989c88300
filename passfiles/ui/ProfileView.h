#pragma once
// The "Profile" view of the pass-file window: the whole pass drawn from its envelope, with
// the set-point, the limits and out-of-tolerance stretches. The mouse wheel zooms the
// length around the pointer, a box dragged with the left button zooms into it, the right
// button or two fingers pan, Full() shows the whole pass again, and a read-out (length,
// thickness, line number) follows the pointer or a finger. Beside it, StatisticsPanel
// shows the figures and the histogram.

#include <QLabel>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <memory>
#include <optional>

#include "passfiles/ui/ProfilePainter.h"

namespace orlix {

class ProfileView : public QWidget {
  Q_OBJECT

 public:
  explicit ProfileView(QWidget* parent = nullptr);

  void SetProfile(std::shared_ptr<const PassProfile> profile);
  const PassProfile* Profile() const { return profile_.get(); }
  const ProfileWindow& Window() const { return window_; }
  void SetWindow(const ProfileWindow& window);
  // The read-out of the last pointer position; empty before the first.
  const QString& ReadOut() const { return readOut_; }

  QSize sizeHint() const override { return {640, 360}; }

 public slots:
  void Full();

 signals:
  void ReadOutChanged(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QRectF PlotArea() const;
  QPointF ToValue(QPointF pixel) const;
  void Pan(QPointF pixelDelta);
  void ShowReadOut(QPointF pixel);

  std::shared_ptr<const PassProfile> profile_;
  ProfileWindow window_;
  std::optional<QPointF> boxFrom_;
  QPointF boxTo_;
  std::optional<QPointF> panFrom_;
  QString readOut_;
};

class StatisticsPanel : public QWidget {
  Q_OBJECT

 public:
  explicit StatisticsPanel(QWidget* parent = nullptr);
  void SetProfile(std::shared_ptr<const PassProfile> profile);
  // The value shown beside a label ("Mean", "Pp", ...); empty for an unknown label.
  QString Value(const QString& label) const;
  // Under the figures: why there are no limits, or that they were typed (LimitsNote).
  QString Note() const { return note_->text(); }

 private:
  class HistogramView;
  QList<QLabel*> labels_;
  QList<QLabel*> values_;
  QLabel* note_ = nullptr;
  HistogramView* histogram_ = nullptr;
};

}  // namespace orlix
