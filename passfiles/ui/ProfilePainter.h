#pragma once
// Drawing a pass's profile and histogram on any paint device (the window, a PDF page, a
// printer): thickness against strip length, or against the data line number when the
// length does not advance, from the envelope of each pixel column (first, least, greatest,
// last), so a column never costs more than four points, and no single line out of
// tolerance disappears at any zoom. Set-point and limits are lines; columns that leave
// the limits are drawn red and marked along the bottom. A pass without limits has no limit
// lines, no red and no off-gauge strip.

#include <QFontMetricsF>
#include <QRectF>

#include "passfiles/PassProfile.h"

class QPainter;

namespace orlix {

// The part of the pass shown: x in metres (or data line numbers from 1), y in µm.
struct ProfileWindow {
  double x0 = 0;
  double x1 = 1;
  double y0 = 0;
  double y1 = 1;
};

// The x of data line i (its length, or i + 1), and the whole pass with the limits in view.
double ProfileX(const PassProfile& p, std::size_t i);
ProfileWindow FullWindow(const PassProfile& p);
// The data line nearest to x.
std::size_t NearestLine(const PassProfile& p, double x);

// Data lines [first, last) of the pixel column `c` of `columns` across the window.
std::pair<std::size_t, std::size_t> ColumnLines(const PassProfile& p, const ProfileWindow& w, int c,
                                                int columns);

// The plot inside `area`, where DrawProfile puts the data: room for the axis texts in
// the font of `metrics` on the left and below.
QRectF ProfilePlot(const QRectF& area, const QFontMetricsF& metrics);

// Draws axes, limits, set-point and the envelope into `area` (device pixels).
void DrawProfile(QPainter& painter, const QRectF& area, const PassProfile& p,
                 const ProfileWindow& w);
// Bars of the histogram with the limits as lines.
void DrawHistogram(QPainter& painter, const QRectF& area, const PassProfile& p);

}  // namespace orlix
