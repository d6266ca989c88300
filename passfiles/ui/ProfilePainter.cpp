#include "passfiles/ui/ProfilePainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "base/Axis.h"
#include "base/Format.h"

namespace orlix {
namespace {

// The body of the strip (mean ± standard deviation of a pixel column, and single lines)
// is dark; the extremes of a column are a light tint of the same hue, so the few lines of a
// column beyond a limit show as a light fringe, not as a red column.
const QColor kTrace(0, 0, 160);           // the body within the limits
const QColor kOff(220, 0, 0);             // the body beyond them
const QColor kExtreme(190, 202, 238);     // least to greatest within the limits
const QColor kOffExtreme(246, 190, 190);  // the part of it beyond a limit
const QColor kSetPoint(0, 150, 0);
const QColor kLimit(220, 120, 0);
const QColor kGrid(228, 228, 228);
const QColor kStripBack(236, 236, 236);

QString Tick(double v, int decimals) { return QString::fromStdString(TickText(v, decimals)); }

QString Microns(double v) {
  return QString::fromStdString(FormatPattern(v, "0.0")) + QStringLiteral(" \u00B5m");
}

// A label over a line at its right end, on white so that the trace never hides it.
void LineLabel(QPainter& painter, const QRectF& plot, double y, const QString& text,
               const QColor& color) {
  const QFontMetricsF metrics(painter.font(), painter.device());
  const QRectF box(plot.right() - metrics.horizontalAdvance(text) - 6, y - metrics.height() - 1,
                   metrics.horizontalAdvance(text) + 4, metrics.height());
  painter.fillRect(box, QColor(255, 255, 255, 220));
  painter.setPen(color);
  painter.drawText(box, Qt::AlignCenter, text);
}

// Round ticks at about one per `spacing` pixels of `extent`.
AxisTicks TicksFor(double from, double to, double extent, double spacing) {
  return RoundTicks(from, to, std::max(2, static_cast<int>(extent / std::max(spacing, 1.0))));
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
  // The data, the limits and the set-point in view.
  double lo = INFINITY, hi = -INFINITY;
  for (const std::optional<double>& v :
       {p.stats.minimum, p.stats.maximum, SetPointOf(p),
        p.limits ? std::optional(p.limits->lower) : std::nullopt,
        p.limits ? std::optional(p.limits->upper) : std::nullopt}) {
    if (v) lo = std::min(lo, *v), hi = std::max(hi, *v);
  }
  if (lo > hi) lo = 0, hi = 1;
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

std::pair<std::size_t, std::size_t> ColumnLines(const PassProfile& p, const ProfileWindow& w, int c,
                                                int columns) {
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
  return {firstAtOrAfter(a, false),
          c + 1 == columns ? firstAtOrAfter(b, true) : firstAtOrAfter(b, false)};
}

QRectF ProfilePlot(const QRectF& area, const QFontMetricsF& metrics) {
  const double textH = metrics.height();
  const double axisW = metrics.horizontalAdvance(QStringLiteral("0000.0")) + 8;
  // Above: the unit of the thickness; below: the off-gauge strip, the tick values and the
  // title of the length axis.
  return area.adjusted(axisW, textH * 1.2, -6, -(textH * 0.6 + 2 + textH * 2.2));
}

void DrawProfile(QPainter& painter, const QRectF& area, const PassProfile& p,
                 const ProfileWindow& w) {
  painter.save();
  painter.fillRect(area, Qt::white);
  const QFontMetricsF metrics(painter.font(), painter.device());
  const double textH = metrics.height();
  const QRectF plot = ProfilePlot(area, metrics);
  if (plot.width() < 4 || plot.height() < 4) {
    painter.restore();
    return;
  }
  const double pen = std::max(1.0, plot.height() / 400);
  auto Y = [&](double t) { return plot.bottom() - (t - w.y0) / (w.y1 - w.y0) * plot.height(); };
  auto X = [&](double x) { return plot.left() + (x - w.x0) / (w.x1 - w.x0) * plot.width(); };

  // Axes at round numbers with light grid lines; the units over the thickness axis and
  // under the length axis.
  const AxisTicks yTicks = TicksFor(w.y0, w.y1, plot.height(), textH * 2.5);
  const AxisTicks xTicks = TicksFor(w.x0, w.x1, plot.width(),
                                    metrics.horizontalAdvance(QStringLiteral("0000000")) * 1.6);
  const QRectF strip(plot.left(), plot.bottom() + 2, plot.width(), textH * 0.6);
  painter.setPen(QPen(kGrid, 0));
  for (const double t : yTicks.values)
    painter.drawLine(QPointF(plot.left(), Y(t)), QPointF(plot.right(), Y(t)));
  for (const double x : xTicks.values)
    painter.drawLine(QPointF(X(x), plot.top()), QPointF(X(x), plot.bottom()));
  painter.setPen(Qt::black);
  for (const double t : yTicks.values) {
    painter.drawText(QRectF(area.left(), Y(t) - textH / 2, plot.left() - area.left() - 4, textH),
                     Qt::AlignRight | Qt::AlignVCenter, Tick(t, yTicks.decimals));
  }
  const QString unit = QStringLiteral("Thickness <\u00B5m>");
  painter.drawText(
      QRectF(area.left(), area.top(), metrics.horizontalAdvance(unit) + 4, textH * 1.1),
      Qt::AlignLeft | Qt::AlignVCenter, unit);
  const double labelTop = strip.bottom() + 1;
  for (const double x : xTicks.values) {
    const QString text = Tick(x, xTicks.decimals);
    const double half = metrics.horizontalAdvance(text) / 2 + 2;
    painter.drawText(QRectF(X(x) - half, labelTop, 2 * half, textH),
                     Qt::AlignHCenter | Qt::AlignTop, text);
  }
  painter.drawText(
      QRectF(plot.left(), labelTop + textH, plot.width(), textH), Qt::AlignHCenter | Qt::AlignTop,
      p.data.LengthAdvances() ? QStringLiteral("Length <m>") : QStringLiteral("Data line"));
  if (p.limits) painter.fillRect(strip, kStripBack);  // without limits no strip is off gauge
  painter.setPen(QPen(Qt::black, 0));
  painter.drawRect(plot);

  // Each pixel column: its least to greatest line as a light tint, only the part beyond a
  // limit reddish; its body (mean ± standard deviation) dark, red where beyond a limit.
  // Under the plot, the share of the column's lines beyond the limits as the height of a red
  // bar, so one line in a thousand is a thousandth of it, and off-gauge strip a full bar.
  // Without limits nothing is beyond them: all in the colours within.
  painter.save();
  painter.setClipRect(plot);
  const double lower = p.limits ? p.limits->lower : -INFINITY;
  const double upper = p.limits ? p.limits->upper : INFINITY;
  auto segment = [&](double x, double from, double to, const QColor& color, double width) {
    if (to < from) return;
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(x, Y(from)), QPointF(x, Y(to)));
  };
  const int columns = std::max(1, static_cast<int>(std::floor(plot.width() / pen)));
  const double step = plot.width() / columns;
  std::optional<double> previousLast;  // the last value drawn, and where: a sparse pass
  double previousX = 0;                // joins its points across the empty columns
  std::vector<std::pair<double, double>> offShares;  // (x, share beyond the limits)
  for (int c = 0; c < columns && p.data.Count() > 0; ++c) {
    const auto [from, to] = ColumnLines(p, w, c, columns);
    if (from >= to) continue;
    const EnvelopeBucket e = p.envelope.Range(from, to);
    const double x = plot.left() + (c + 0.5) * step;
    if (previousLast && e.count <= 2) {  // a sparse pass: its lines joined, red beyond a limit
      const double a = *previousLast, b = e.first;
      std::vector<double> cuts = {0, 1};
      for (const double limit : {lower, upper}) {
        if ((a - limit) * (b - limit) < 0) cuts.push_back((limit - a) / (b - a));
      }
      std::sort(cuts.begin(), cuts.end());
      for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
        const double mid = a + (b - a) * (cuts[k] + cuts[k + 1]) / 2;
        painter.setPen(QPen(mid > upper || mid < lower ? kOff : kTrace, pen));
        painter.drawLine(
            QPointF(previousX + (x - previousX) * cuts[k], Y(a + (b - a) * cuts[k])),
            QPointF(previousX + (x - previousX) * cuts[k + 1], Y(a + (b - a) * cuts[k + 1])));
      }
    }
    const double lo = e.min, hi = e.max;
    const double mean = e.Mean(), sigma = e.Sigma();
    if (e.count > 2) {
      segment(x, std::max(lo, lower), std::min(hi, upper), kExtreme, step);
      segment(x, std::max(lo, upper), hi, kOffExtreme, step);
      segment(x, lo, std::min(hi, lower), kOffExtreme, step);
      // The body: mean ± standard deviation, red where it lies beyond a limit.
      const double bodyLo = std::max(lo, mean - sigma), bodyHi = std::min(hi, mean + sigma);
      segment(x, std::max(bodyLo, lower), std::min(bodyHi, upper), kTrace, step);
      segment(x, std::max(bodyLo, upper), bodyHi, kOff, step);
      segment(x, bodyLo, std::min(bodyHi, lower), kOff, step);
      const double dot =
          std::max(mean - bodyLo, 0.0) < 1e-9 ? 2 * pen : 0;  // a column of one value
      if (dot > 0)
        painter.fillRect(QRectF(x - step / 2, Y(mean) - pen, step, dot),
                         mean > upper || mean < lower ? kOff : kTrace);
    } else {  // one or two lines: each one a point of the body's colour
      for (const double v : {lo, hi}) {
        painter.fillRect(QRectF(x - step / 2, Y(v) - pen, step, 2 * pen),
                         v > upper || v < lower ? kOff : kTrace);
      }
    }
    if (e.above + e.below > 0)
      offShares.emplace_back(x, double(e.above + e.below) / double(e.count));
    previousLast = e.last;
    previousX = x;
  }
  painter.restore();
  for (const auto& [x, share] : offShares) {
    const double h = strip.height() * share;
    painter.fillRect(QRectF(x - step / 2, strip.bottom() - h, step, h), kOff);
  }

  // Set-point and limits over the trace, each with its value.
  painter.save();
  painter.setClipRect(plot);
  std::vector<std::pair<double, const char*>> lines;
  if (p.limits) lines = {{upper, "upper"}, {lower, "lower"}};
  if (const auto setPoint = SetPointOf(p)) lines.emplace_back(*setPoint, "set-point");
  for (const auto& [t, name] : lines) {
    const bool setPoint = name[0] == 's';
    painter.setPen(
        QPen(setPoint ? kSetPoint : kLimit, 2 * pen, setPoint ? Qt::SolidLine : Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), Y(t)), QPointF(plot.right(), Y(t)));
  }
  for (const auto& [t, name] : lines) {
    const bool setPoint = name[0] == 's';
    if (Y(t) < plot.top() + textH || Y(t) > plot.bottom()) continue;
    LineLabel(painter, plot, name[0] == 'l' ? Y(t) + textH + 2 : Y(t),
              QString::fromLatin1(name) + QLatin1Char(' ') + Microns(t),
              setPoint ? kSetPoint : kLimit);
  }
  painter.restore();
  painter.restore();
}

void DrawHistogram(QPainter& painter, const QRectF& area, const PassProfile& p) {
  painter.save();
  painter.fillRect(area, Qt::white);
  const Histogram& h = p.histogram;
  const QFontMetricsF metrics(painter.font(), painter.device());
  const double textH = metrics.height();
  const std::size_t most =
      h.counts.empty() ? 0 : *std::max_element(h.counts.begin(), h.counts.end());
  // Room for the count axis on the left and the thickness below.
  const QString widest = QString::number(std::max<std::size_t>(most, 10));
  const QRectF plot =
      area.adjusted(metrics.horizontalAdvance(widest) + 8, textH * 0.6, -4, -textH * 1.3);
  if (plot.width() < 8 || plot.height() < 8 || h.counts.empty() || !(h.to > h.from)) {
    painter.restore();
    return;
  }
  auto X = [&](double t) { return plot.left() + (t - h.from) / (h.to - h.from) * plot.width(); };
  const double lower = p.limits ? p.limits->lower : -INFINITY;
  const double upper = p.limits ? p.limits->upper : INFINITY;
  const double top = std::max<double>(1, static_cast<double>(most));
  auto Y = [&](double n) { return plot.bottom() - n / top * plot.height() * 0.95; };
  const AxisTicks counts = TicksFor(0, top, plot.height(), textH * 2);
  const AxisTicks thickness = TicksFor(h.from, h.to, plot.width(),
                                       metrics.horizontalAdvance(QStringLiteral("0000.0")) * 1.8);
  painter.setPen(QPen(kGrid, 0));
  for (const double n : counts.values)
    painter.drawLine(QPointF(plot.left(), Y(n)), QPointF(plot.right(), Y(n)));
  painter.setPen(Qt::black);
  for (const double n : counts.values) {
    painter.drawText(QRectF(area.left(), Y(n) - textH / 2, plot.left() - area.left() - 4, textH),
                     Qt::AlignRight | Qt::AlignVCenter, Tick(n, 0));
  }
  for (const double t : thickness.values) {
    const QString text = Tick(t, thickness.decimals);
    const double half = metrics.horizontalAdvance(text) / 2 + 2;
    painter.drawText(QRectF(X(t) - half, plot.bottom() + 1, 2 * half, textH),
                     Qt::AlignHCenter | Qt::AlignTop, text);
  }
  const double barW = plot.width() / static_cast<double>(h.counts.size());
  for (std::size_t k = 0; k < h.counts.size() && most > 0; ++k) {
    const double mid = h.from + (static_cast<double>(k) + 0.5) * (h.to - h.from) /
                                    static_cast<double>(h.counts.size());
    const bool off = mid < lower || mid > upper;
    const double y = Y(static_cast<double>(h.counts[k]));
    painter.fillRect(QRectF(plot.left() + static_cast<double>(k) * barW, y,
                            std::max(1.0, barW * 0.9), plot.bottom() - y),
                     off ? kOff : kTrace);
  }
  painter.setPen(QPen(Qt::black, 0));
  painter.drawRect(plot);
  const double pen = std::max(1.0, plot.height() / 200);
  painter.setClipRect(plot);
  painter.setPen(QPen(kLimit, pen, Qt::DashLine));
  for (const double t : {lower, upper}) {
    if (p.limits) painter.drawLine(QPointF(X(t), plot.top()), QPointF(X(t), plot.bottom()));
  }
  painter.setPen(QPen(kSetPoint, pen));
  if (const auto setPoint = SetPointOf(p))
    painter.drawLine(QPointF(X(*setPoint), plot.top()), QPointF(X(*setPoint), plot.bottom()));
  painter.restore();
}

}  // namespace orlix
