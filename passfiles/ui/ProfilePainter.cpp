#include "passfiles/ui/ProfilePainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "base/Format.h"

namespace orlix {
namespace {

const QColor kTrace(0, 0, 160);
const QColor kOff(220, 0, 0);
const QColor kSetPoint(0, 150, 0);
const QColor kLimit(220, 120, 0);

QString Number(double v) {
  return QString::fromStdString(FormatPattern(v, std::abs(v) < 10 ? "0.##" : "0"));
}

}  // namespace

double ProfileX(const PassProfile& p, std::size_t i) {
  return p.data.LengthAdvances() ? p.data.Lengths()[i] : static_cast<double>(i + 1);
}

ProfileWindow FullWindow(const PassProfile& p) {
  ProfileWindow w;
  const std::size_t n = p.data.Count();
  w.x0 = n ? ProfileX(p, 0) : 0;
  w.x1 = n ? ProfileX(p, n - 1) : 1;
  if (w.x1 <= w.x0) w.x1 = w.x0 + 1;
  const double lo = std::min(p.limits.lower, p.stats.minimum.value_or(p.limits.lower));
  const double hi = std::max(p.limits.upper, p.stats.maximum.value_or(p.limits.upper));
  const double margin = std::max((hi - lo) * 0.08, 1.0);
  w.y0 = lo - margin;
  w.y1 = hi + margin;
  return w;
}

std::size_t NearestLine(const PassProfile& p, double x) {
  const std::size_t n = p.data.Count();
  if (n == 0) return 0;
  if (!p.data.LengthAdvances()) {
    return static_cast<std::size_t>(std::clamp(std::round(x) - 1, 0.0, static_cast<double>(n - 1)));
  }
  const auto& l = p.data.Lengths();
  const auto it = std::lower_bound(l.begin(), l.end(), x);
  std::size_t i = static_cast<std::size_t>(it - l.begin());
  if (i == n) return n - 1;
  if (i > 0 && x - l[i - 1] < l[i] - x) --i;
  return i;
}

std::pair<std::size_t, std::size_t> ColumnLines(const PassProfile& p, const ProfileWindow& w,
                                                int c, int columns) {
  const std::size_t n = p.data.Count();
  auto firstAtOrAfter = [&](double x, bool inclusiveEnd) -> std::size_t {
    if (!p.data.LengthAdvances()) {
      const double i = inclusiveEnd ? std::floor(x) : std::ceil(x) - 1;  // line i + 1 at x
      return static_cast<std::size_t>(std::clamp(i, 0.0, static_cast<double>(n)));
    }
    const auto& l = p.data.Lengths();
    const auto it = inclusiveEnd ? std::upper_bound(l.begin(), l.end(), x)
                                 : std::lower_bound(l.begin(), l.end(), x);
    return static_cast<std::size_t>(it - l.begin());
  };
  const double span = w.x1 - w.x0;
  const double a = w.x0 + span * c / columns;
  const double b = w.x0 + span * (c + 1) / columns;
  return {firstAtOrAfter(a, false), c + 1 == columns ? firstAtOrAfter(b, true)
                                                      : firstAtOrAfter(b, false)};
}

QRectF ProfilePlot(const QRectF& area, const QFontMetricsF& metrics) {
  const double textH = metrics.height();
  const double axisW = metrics.horizontalAdvance(QStringLiteral("00000")) + 4;
  return area.adjusted(axisW, textH * 0.5, -4, -textH * 1.6);
}

void DrawProfile(QPainter& painter, const QRectF& area, const PassProfile& p,
                 const ProfileWindow& w) {
  painter.save();
  painter.fillRect(area, Qt::white);
  const QFontMetricsF metrics(painter.font(), painter.device());
  const double textH = metrics.height();
  const QRectF plot = ProfilePlot(area, metrics);
  const double axisW = plot.left() - area.left();
  if (plot.width() < 4 || plot.height() < 4) {
    painter.restore();
    return;
  }
  auto Y = [&](double t) { return plot.bottom() - (t - w.y0) / (w.y1 - w.y0) * plot.height(); };
  painter.setPen(QPen(Qt::black, 0));
  painter.drawRect(plot);
  // Axis texts: both ends of each axis, and the unit.
  painter.drawText(QRectF(area.left(), plot.top() - textH / 2, axisW - 4, textH),
                   Qt::AlignRight | Qt::AlignVCenter, Number(w.y1));
  painter.drawText(QRectF(area.left(), plot.bottom() - textH / 2, axisW - 4, textH),
                   Qt::AlignRight | Qt::AlignVCenter, Number(w.y0));
  const QRectF xAxis(plot.left(), plot.bottom() + 2, plot.width(), textH);
  painter.drawText(xAxis, Qt::AlignLeft, Number(w.x0));
  painter.drawText(xAxis, Qt::AlignRight, Number(w.x1));
  painter.drawText(xAxis, Qt::AlignHCenter,
                   p.data.LengthAdvances() ? QStringLiteral("Length <m>")
                                           : QStringLiteral("Data line"));

  painter.setClipRect(plot);
  const double pen = std::max(1.0, plot.height() / 400);
  auto hline = [&](double t, const QColor& color, Qt::PenStyle style) {
    painter.setPen(QPen(color, 2 * pen, style));
    painter.drawLine(QPointF(plot.left(), Y(t)), QPointF(plot.right(), Y(t)));
  };

  const int columns = std::max(1, static_cast<int>(std::floor(plot.width() / pen)));
  const double step = plot.width() / columns;
  std::optional<double> previousLast;  // the last value drawn, and where: a sparse pass
  double previousX = 0;                 // joins its points across the empty columns
  for (int c = 0; c < columns && p.data.Count() > 0; ++c) {
    const auto [from, to] = ColumnLines(p, w, c, columns);
    if (from >= to) continue;
    const EnvelopeBucket e = p.envelope.Range(from, to);
    const bool off = e.above + e.below > 0;
    const double x = plot.left() + (c + 0.5) * step;
    painter.setPen(QPen(off ? kOff : kTrace, pen));
    if (previousLast) painter.drawLine(QPointF(previousX, Y(*previousLast)), QPointF(x, Y(e.first)));
    painter.drawLine(QPointF(x, Y(e.min)), QPointF(x, Y(e.max)));
    if (off) painter.fillRect(QRectF(x - step / 2, plot.bottom() - 3 * pen, step, 3 * pen), kOff);
    previousLast = e.last;
    previousX = x;
  }
  // Set-point and limits over the trace, so a pass on the set-point still shows it.
  hline(p.limits.upper, kLimit, Qt::DashLine);
  hline(p.limits.lower, kLimit, Qt::DashLine);
  hline(p.limits.setPoint, kSetPoint, Qt::SolidLine);
  painter.restore();
}

void DrawHistogram(QPainter& painter, const QRectF& area, const PassProfile& p) {
  painter.save();
  painter.fillRect(area, Qt::white);
  painter.setPen(QPen(Qt::black, 0));
  painter.drawRect(area);
  const Histogram& h = p.histogram;
  const std::size_t most = *std::max_element(h.counts.begin(), h.counts.end());
  const double barW = area.width() / static_cast<double>(h.counts.size());
  auto X = [&](double t) { return area.left() + (t - h.from) / (h.to - h.from) * area.width(); };
  for (std::size_t k = 0; k < h.counts.size() && most > 0; ++k) {
    const double bar = area.height() * 0.95 * static_cast<double>(h.counts[k]) / static_cast<double>(most);
    const double mid = h.from + (static_cast<double>(k) + 0.5) * (h.to - h.from) / static_cast<double>(h.counts.size());
    const bool off = mid < p.limits.lower || mid > p.limits.upper;
    painter.fillRect(QRectF(area.left() + static_cast<double>(k) * barW, area.bottom() - bar, barW * 0.9, bar),
                     off ? kOff : kTrace);
  }
  const double pen = std::max(1.0, area.height() / 200);
  painter.setPen(QPen(kLimit, pen, Qt::DashLine));
  for (const double t : {p.limits.lower, p.limits.upper}) {
    painter.drawLine(QPointF(X(t), area.top()), QPointF(X(t), area.bottom()));
  }
  painter.setPen(QPen(kSetPoint, pen));
  painter.drawLine(QPointF(X(p.limits.setPoint), area.top()), QPointF(X(p.limits.setPoint), area.bottom()));
  painter.restore();
}

}  // namespace orlix
