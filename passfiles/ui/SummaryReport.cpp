#include "passfiles/ui/SummaryReport.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "base/SystemPlatform.h"
#include "passfiles/ui/PassReport.h"

namespace orlix {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const QColor kMean(0, 0, 160);  // the profile's trace
const QColor kShare(150, 200, 150);
const QColor kGrid(215, 215, 215);
const QColor kStripe(242, 242, 242);

// Share of the page's height the chart takes on the first page.
constexpr double kChartShare = 0.3;

QString TickText(double value, double step) {
  const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
  return Q(FigureText(value, decimals));
}

// Each pass in order of start: its share in tolerance as a bar against the right axis
// (0 to 100 %), its mean as a point against the left one, the points joined.
void DrawChart(QPainter& painter, const QRectF& area, const std::vector<SummaryRow>& rows) {
  painter.save();
  const QFontMetricsF metrics(painter.font(), painter.device());
  const double textH = metrics.height();
  double lo = INFINITY, hi = -INFINITY;
  for (const SummaryRow& row : rows) {
    if (!row.readable || !row.stats.mean) continue;
    lo = std::min(lo, *row.stats.mean);
    hi = std::max(hi, *row.stats.mean);
  }
  const RoundAxis mean = RoundAxisOf(lo, hi, 6);
  const RoundAxis share{0, 100, 20};
  const double n = static_cast<double>(std::max<std::size_t>(rows.size(), 1));
  RoundAxis passes = RoundAxisOf(0, n, 10);
  if (passes.step < 1) passes = {0, n, 1};

  double leftW = 0;
  for (double v = mean.from; v <= mean.to + mean.step / 2; v += mean.step) {
    leftW = std::max(leftW, metrics.horizontalAdvance(TickText(v, mean.step)));
  }
  const double rightW = metrics.horizontalAdvance(QStringLiteral("100"));
  const double pad = textH * 0.4;
  const QRectF plot = area.adjusted(leftW + pad, textH * 1.4, -(rightW + pad), -textH * 2.4);
  if (plot.width() < 4 || plot.height() < 4) {
    painter.restore();
    return;
  }
  auto X = [&](double v) {
    return plot.left() + (v - passes.from) / (passes.to - passes.from) * plot.width();
  };
  auto Y = [&](double v) {
    return plot.bottom() - (v - mean.from) / (mean.to - mean.from) * plot.height();
  };
  auto S = [&](double v) { return plot.bottom() - v / 100 * plot.height(); };

  const double pen = std::max(1.0, plot.height() / 300);
  painter.setPen(QPen(kGrid, pen));
  for (double v = mean.from; v <= mean.to + mean.step / 2; v += mean.step) {
    painter.drawLine(QPointF(plot.left(), Y(v)), QPointF(plot.right(), Y(v)));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(area.left(), Y(v) - textH / 2, leftW, textH),
                     Qt::AlignRight | Qt::AlignVCenter, TickText(v, mean.step));
    painter.setPen(QPen(kGrid, pen));
  }
  painter.setPen(Qt::black);
  for (double v = share.from; v <= share.to; v += share.step) {
    painter.drawText(QRectF(plot.right() + pad, S(v) - textH / 2, rightW, textH),
                     Qt::AlignLeft | Qt::AlignVCenter, TickText(v, share.step));
  }
  for (double v = passes.from; v <= passes.to + passes.step / 2; v += passes.step) {
    painter.drawLine(QPointF(X(v), plot.bottom()), QPointF(X(v), plot.bottom() + textH * 0.25));
    painter.drawText(QRectF(X(v) - textH * 3, plot.bottom() + textH * 0.25, textH * 6, textH),
                     Qt::AlignHCenter, TickText(v, passes.step));
  }
  painter.drawText(QRectF(plot.left(), plot.bottom() + textH * 1.3, plot.width(), textH),
                   Qt::AlignHCenter, QStringLiteral("Passes, in order of start"));
  painter.setPen(kMean);
  painter.drawText(QRectF(area.left(), area.top(), area.width() / 2, textH), Qt::AlignLeft,
                   QStringLiteral("\u25CF Mean <\u00B5m>"));
  painter.setPen(kShare.darker(150));
  painter.drawText(QRectF(area.center().x(), area.top(), area.width() / 2, textH), Qt::AlignRight,
                   QStringLiteral("\u25A0 In tolerance <%>"));

  const double barW = X(1) - X(0);
  const double gap = barW > 4 * pen ? barW * 0.15 : 0;
  QPainterPath line;
  bool joined = false;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const SummaryRow& row = rows[i];
    const double x0 = X(static_cast<double>(i));
    if (row.readable && row.limits && row.stats.inTolerance) {
      const double top = S(*row.stats.inTolerance * 100);
      painter.fillRect(QRectF(x0 + gap, top, barW - 2 * gap, plot.bottom() - top), kShare);
    }
    if (row.readable && row.stats.mean) {
      const QPointF at(x0 + barW / 2, Y(*row.stats.mean));
      joined ? line.lineTo(at) : line.moveTo(at);
      joined = true;
    } else {
      joined = false;
    }
  }
  painter.setPen(QPen(kMean, pen));
  painter.drawPath(line);
  const double dot = std::clamp(barW * 0.3, pen, 3 * pen);
  painter.setBrush(kMean);
  for (int k = 0; k < line.elementCount(); ++k) {
    painter.drawEllipse(QPointF(line.elementAt(k).x, line.elementAt(k).y), dot, dot);
  }
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::black, 0));
  painter.drawRect(plot);
  painter.restore();
}

// Texts are aligned left, figures right.
bool Left(int column) { return column <= kSummaryEnd || column == kSummaryNoLimits; }

// The table's columns: widths from the widest text, and whether figures are aligned right.
struct Columns {
  std::vector<double> widths;
  double pad = 0;
};

// The captions are bold.
Columns Measure(const QFont& font, const QPaintDevice* device, const QStringList& headings,
                const std::vector<std::array<std::string, kSummaryColumns>>& cells) {
  const QFontMetricsF metrics(font, device);
  QFont bold = font;
  bold.setBold(true);
  const QFontMetricsF boldMetrics(bold, device);
  Columns c;
  c.pad = metrics.height() * 0.6;
  for (int k = 0; k < headings.size(); ++k) {
    double w = 0;
    for (const QString& part : headings[k].split(QLatin1Char('\n')))
      w = std::max(w, boldMetrics.horizontalAdvance(part));
    for (const auto& row : cells)
      w = std::max(w, metrics.horizontalAdvance(Q(row[static_cast<std::size_t>(k)])));
    c.widths.push_back(w + c.pad);
  }
  return c;
}

// The text after the figures keeps a whole pad from the last of them.
double Gap(int column, const Columns& columns) {
  return column == kSummaryNoLimits ? columns.pad / 2 : 0;
}

}  // namespace

QStringList SummaryHeadings() {
  return {QStringLiteral("Pass"),
          QStringLiteral("Start"),
          QStringLiteral("End"),
          QStringLiteral("Length\n<m>"),
          QStringLiteral("Mean\n<\u00B5m>"),
          QStringLiteral("Std. deviation\n<\u00B5m>"),
          QStringLiteral("In tolerance\n<%>"),
          QStringLiteral("Pp"),
          QStringLiteral("Ppk"),
          QStringLiteral("Off-gauge\n<m>"),
          QStringLiteral("No limits")};
}

QString SummaryTitle(const SummaryJob& job) {
  if (!job.byDates) return QStringLiteral("Marked passes");
  return QStringLiteral("Passes started %1 to %2")
      .arg(job.from.toString(Qt::ISODate), job.to.toString(Qt::ISODate));
}

bool PaintSummary(QPagedPaintDevice& device, const SummaryJob& job,
                  const std::vector<SummaryRow>& rows) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  const QRectF page(0, 0, device.width(), device.height());
  QFont font(QStringLiteral("DejaVu Sans"));
  // No ligatures: the PDF's text stays searchable as written.
  font.setStyleStrategy(QFont::PreferNoShaping);
  font.setPointSizeF(8);

  std::vector<std::array<std::string, kSummaryColumns>> cells;
  cells.reserve(rows.size());
  for (const SummaryRow& row : rows) {  // times as a reader writes them; the CSV keeps ISO 8601
    cells.push_back(SummaryCells(row));
    for (const int k : {kSummaryStart, kSummaryEnd})
      cells.back()[k] = ReadableTime(cells.back()[k]);
  }
  const QStringList headings = SummaryHeadings();
  Columns columns = Measure(font, &device, headings, cells);
  double total = 0;
  for (const double w : columns.widths) total += w;
  if (total > page.width()) {  // a smaller font for the table rather than cut columns
    font.setPointSizeF(font.pointSizeF() * page.width() / total * 0.98);
    columns = Measure(font, &device, headings, cells);
  }
  painter.setFont(font);
  const QFontMetricsF metrics(font, &device);
  const double line = metrics.lineSpacing();
  const double rowH = line * 1.2;
  const double footer = line * 1.5;

  QFont title = font;
  title.setPointSizeF(14);
  title.setBold(true);
  const QFontMetricsF titleMetrics(title, &device);
  const int computed = static_cast<int>(
      std::count_if(rows.begin(), rows.end(), [](const SummaryRow& r) { return r.computed; }));
  const QStringList header = {
      QStringLiteral("%1: %2 %3")
          .arg(SummaryTitle(job))
          .arg(rows.size())
          .arg(rows.size() == 1 ? "pass" : "passes"),
      QStringLiteral("Made %1. Figures as each pass's report recorded them%2.")
          .arg(job.made.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
               computed ? QStringLiteral("; of %1 %2 not recorded, computed now from the pass file")
                              .arg(computed)
                              .arg(computed == 1 ? "pass" : "passes")
                        : QString()),
      QStringLiteral(
          "\"-\": no such figure; a pass without limits has none of the figures against them, and "
          "\"No limits\" says why.")};
  const double chartTop = titleMetrics.lineSpacing() * 1.3 + line * (header.size() + 0.5);
  const double chartH = page.height() * kChartShare;
  const double firstTable = chartTop + chartH + line;
  const double headingH = line * 2.2;
  const auto fits = [&](double top) {
    return std::max(1, static_cast<int>((page.bottom() - footer - top - headingH) / rowH));
  };
  const int first = fits(firstTable), later = fits(line * 1.5);
  const int n = static_cast<int>(rows.size());
  const int pages = 1 + (n > first ? (n - first + later - 1) / later : 0);

  auto heading = [&](double y) {
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    double x = page.left();
    for (int k = 0; k < headings.size(); ++k) {
      const double w = columns.widths[static_cast<std::size_t>(k)];
      painter.drawText(
          QRectF(x + Gap(k, columns), y, w - columns.pad / 2 - Gap(k, columns), headingH),
          Qt::AlignBottom | (Left(k) ? Qt::AlignLeft : Qt::AlignRight), headings[k]);
      x += w;
    }
    painter.setFont(font);
    painter.drawLine(QPointF(page.left(), y + headingH + line * 0.1),
                     QPointF(page.right(), y + headingH + line * 0.1));
    return y + headingH + line * 0.2;
  };

  int next = 0;
  for (int p = 0; p < pages; ++p) {
    if (p > 0 && !device.newPage()) return false;
    double y = page.top();
    if (p == 0) {
      painter.setFont(title);
      painter.drawText(QPointF(page.left(), y + titleMetrics.ascent()),
                       QStringLiteral("Orlix / Pass Summary"));
      painter.setFont(font);
      y += titleMetrics.lineSpacing() * 1.3;
      for (const QString& h : header) {
        painter.drawText(QPointF(page.left(), y + metrics.ascent()), h);
        y += line;
      }
      DrawChart(painter, QRectF(page.left(), chartTop, page.width(), chartH), rows);
      y = firstTable;
    } else {
      painter.drawText(
          QPointF(page.left(), y + metrics.ascent()),
          QStringLiteral("Orlix / Pass Summary    %1 (continued)").arg(SummaryTitle(job)));
      y += line * 1.5;
    }
    y = heading(y);
    const int last = std::min(n, next + (p == 0 ? first : later));
    for (; next < last; ++next) {
      if (next % 2) painter.fillRect(QRectF(page.left(), y, page.width(), rowH), kStripe);
      double x = page.left();
      for (std::size_t k = 0; k < kSummaryColumns; ++k) {
        const double gap = Gap(static_cast<int>(k), columns);
        painter.drawText(
            QRectF(x + gap, y, columns.widths[k] - columns.pad / 2 - gap, rowH),
            Qt::AlignVCenter | (Left(static_cast<int>(k)) ? Qt::AlignLeft : Qt::AlignRight),
            Q(cells[static_cast<std::size_t>(next)][k]));
        x += columns.widths[k];
      }
      y += rowH;
    }
    painter.drawText(QRectF(page.left(), page.bottom() - line, page.width(), line), Qt::AlignRight,
                     QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages));
  }
  return painter.end();
}

SummaryOutcome WriteSummary(const SummaryJob& job) {
  SummaryOutcome out;
  const std::filesystem::path directory(QFile::encodeName(job.directory).toStdString());
  DirectoryFileAccess current(directory);
  DirectoryFileAccess archive(directory / kArchiveFolder);
  const PassFolders folders{current, archive};
  std::vector<SummaryPass> passes;
  std::string stem;
  if (job.byDates) {
    const std::string from = job.from.toString(Qt::ISODate).toStdString();
    const std::string to = job.to.toString(Qt::ISODate).toStdString();
    passes = PassesBetween(folders, from, to);
    stem = SummaryStem(from, to);
  } else {
    std::vector<std::string> files;
    for (const QString& file : job.files) files.push_back(QFile::encodeName(file).toStdString());
    passes = PassesNamed(folders, files);
    stem = SelectionStem(job.made.toString(Qt::ISODate).toStdString());
  }
  if (passes.empty()) {
    out.message = job.byDates
                      ? QStringLiteral("No summary: no pass started from %1 to %2.")
                            .arg(job.from.toString(Qt::ISODate), job.to.toString(Qt::ISODate))
                      : QStringLiteral("No summary: no pass is marked in the list.");
    return out;
  }
  out.rows = SummaryRows(folders, passes);
  out.recorded = RecordComputed(folders, out.rows, true);

  const QDir base(job.directory);
  const QString folder = base.filePath(QString::fromLatin1(kReportFolder));
  if (!base.mkpath(QString::fromLatin1(kReportFolder))) {
    out.message = QStringLiteral("No summary: the folder %1 cannot be made.").arg(folder);
    return out;
  }
  out.csv = QDir(folder).filePath(Q(stem) + QStringLiteral(".csv"));
  out.pdf = QDir(folder).filePath(Q(stem) + QStringLiteral(".pdf"));
  DirectoryFileAccess reports(QFile::encodeName(folder).toStdString());
  const bool csvOk = reports.Replace(stem + ".csv", SummaryCsv(out.rows));
  const bool pdfOk = WriteA4Pdf(out.pdf, QStringLiteral("Pass summary %1").arg(Q(stem)),
                                [&](QPdfWriter& pdf) { return PaintSummary(pdf, job, out.rows); });
  out.ok = csvOk && pdfOk;
  const QString count =
      QStringLiteral("%1 %2").arg(out.rows.size()).arg(out.rows.size() == 1 ? "pass" : "passes");
  if (out.ok) {
    out.message =
        QStringLiteral("Summary of %1 written: %2 and %3.")
            .arg(count, QDir::toNativeSeparators(out.pdf), QDir::toNativeSeparators(out.csv));
  } else {
    out.message =
        QStringLiteral(
            "Summary of %1 not complete: %2%3%4 cannot be written (disk full or no permission).")
            .arg(count, pdfOk ? QString() : QDir::toNativeSeparators(out.pdf),
                 !pdfOk && !csvOk ? QStringLiteral(" and ") : QString(),
                 csvOk ? QString() : QDir::toNativeSeparators(out.csv));
  }
  return out;
}

QFuture<SummaryOutcome> StartSummary(const SummaryJob& job) {
  return QtConcurrent::run([job] { return WriteSummary(job); });
}

}  // namespace orlix
