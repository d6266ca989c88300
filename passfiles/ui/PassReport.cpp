#include "passfiles/ui/PassReport.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

#include "base/Format.h"
#include "base/SystemPlatform.h"
#include "passfiles/ui/ProfilePainter.h"

namespace orlix {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Um(double v) { return Q(FigureText(v, 2)) + QStringLiteral(" mcm"); }

QString Metres(double length, std::size_t lines) {
  return QStringLiteral("%1 m (%2 lines)").arg(Q(FigureText(length, 0))).arg(lines);
}

constexpr const char* kModes[] = {"Direct", "Approximation", "Simulation"};

QString ModeName(double mode) {
  for (int k = 0; k < 3; ++k) {
    if (mode == k) return QString::fromLatin1(kModes[k]);
  }
  return Q(ListForm(mode));
}

}  // namespace

QList<QPair<QString, QString>> StatisticsRows(const PassProfile& p) {
  const PassStatistics& s = p.stats;
  auto um = [](const std::optional<double>& v) {
    return v ? Um(*v) : QStringLiteral("-");
  };
  return {
      {QStringLiteral("Data lines"), QString::number(s.count)},
      {QStringLiteral("Length"), Q(FigureText(s.length, 0)) + QStringLiteral(" m")},
      {QStringLiteral("Mean"), um(s.mean)},
      {QStringLiteral("Std. deviation"), um(s.sigma)},
      {QStringLiteral("Minimum"), um(s.minimum)},
      {QStringLiteral("Maximum"), um(s.maximum)},
      {QStringLiteral("In tolerance"), Q(ShareText(s.inTolerance))},
      {QStringLiteral("Pp"), Q(FigureText(s.pp, 2))},
      {QStringLiteral("Ppk"), Q(FigureText(s.ppk, 2))},
      {QStringLiteral("Off-gauge head"), s.count ? Metres(s.headLength, s.headLines) : QStringLiteral("-")},
      {QStringLiteral("Off-gauge tail"), s.count ? Metres(s.tailLength, s.tailLines) : QStringLiteral("-")},
  };
}

void PaintReport(QPainter& painter, const QRectF& page, const PassProfile& p) {
  painter.save();
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(9);
  // No ligatures: "ff" and "fi" stay letters a reader of the PDF can search for.
  font.setStyleStrategy(QFont::PreferNoShaping);
  painter.setFont(font);
  const QFontMetricsF metrics(font, painter.device());
  const double line = metrics.lineSpacing();
  double y = page.top();
  auto text = [&](double x, const QString& s, bool bold = false) {
    QFont f = font;
    f.setBold(bold);
    painter.setFont(f);
    painter.drawText(QPointF(x, y + metrics.ascent()), s);
    painter.setFont(font);
  };
  QFont title = font;
  title.setPointSizeF(14);
  title.setBold(true);
  painter.setFont(title);
  painter.drawText(QPointF(page.left(), y + QFontMetricsF(title, painter.device()).ascent()),
                   QStringLiteral("Orlix / Pass Report"));
  painter.setFont(font);
  y += QFontMetricsF(title, painter.device()).lineSpacing() * 1.3;

  const QString pass = p.info ? QString::number(p.info->pass) : Q(p.data.PassText());
  const QString notRecorded = QStringLiteral(" (not recorded)");
  QStringList header;
  header << QStringLiteral("Pass %1    File %2").arg(pass, Q(p.name));
  if (p.info) {
    header << QStringLiteral("Start %1    End %2%3")
                  .arg(Q(p.info->start), p.info->end.empty() ? QStringLiteral("-") : Q(p.info->end),
                       p.info->notStopped ? QStringLiteral(" (not stopped)") : QString());
    if (p.info->notStopped) {
      header << QStringLiteral("The pass was not stopped: the program ended during it. Its end is "
                               "the time of its last data line.");
    }
  } else {
    header << QStringLiteral("Start %1 %2    End -").arg(Q(p.data.DateText()), Q(p.data.TimeText()));
  }
  header << QStringLiteral("Set-point %1%2").arg(Um(p.limits.setPoint), p.info ? QString() : notRecorded);
  header << QStringLiteral("Limits %1 to %2%3")
                .arg(Um(p.limits.lower), Um(p.limits.upper), p.info ? QString() : notRecorded);
  if (p.info) {
    header << QStringLiteral("Mode %1    Coefficients A0 %2, A1 %3, A2 %4, A3 %5")
                  .arg(ModeName(p.info->mode), Q(ListForm(p.info->coefficients[0])),
                       Q(ListForm(p.info->coefficients[1])), Q(ListForm(p.info->coefficients[2])),
                       Q(ListForm(p.info->coefficients[3])));
  } else {
    header << QStringLiteral("Mode and coefficients not recorded");
  }
  header << QStringLiteral("Read: %1").arg(Q(p.data.Summary()));
  for (const QString& h : header) {
    text(page.left(), h);
    y += line;
  }
  y += line * 0.5;

  // The statistics table in two columns of label and value.
  const QList<QPair<QString, QString>> rows = StatisticsRows(p);
  const double col = page.width() / 2;
  const double valueX = metrics.horizontalAdvance(QStringLiteral("Off-gauge head ")) + line;
  const int half = static_cast<int>((rows.size() + 1) / 2);
  for (int i = 0; i < rows.size(); ++i) {
    const double x = page.left() + (i < half ? 0 : col);
    const double rowY = y + (i % half) * line;
    painter.drawText(QPointF(x, rowY + metrics.ascent()), rows[i].first);
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(QPointF(x + valueX, rowY + metrics.ascent()), rows[i].second);
    painter.setFont(font);
  }
  y += half * line + line;

  const double rest = page.bottom() - y;
  text(page.left(), QStringLiteral("Profile"), true);
  y += line;
  const QRectF profile(page.left(), y, page.width(), rest * 0.55);
  DrawProfile(painter, profile, p, FullWindow(p));
  y = profile.bottom() + line;
  text(page.left(), QStringLiteral("Histogram   %1 to %2")
                        .arg(Um(p.histogram.from), Um(p.histogram.to)), true);
  y += line * 1.2;
  DrawHistogram(painter, QRectF(page.left(), y, page.width(), page.bottom() - y), p);
  painter.restore();
}

ReportJob ReportOf(const QString& directory, const QString& name, const QString& reportDirectory,
                   double plus, double minus) {
  DirectoryFileAccess files(QFile::encodeName(directory).toStdString());
  ReportJob job;
  job.pass = std::make_shared<const PassSnapshot>(
      TakeSnapshot(files, QFile::encodeName(name).toStdString()));
  job.reportDirectory = reportDirectory;
  job.plus = plus;
  job.minus = minus;
  return job;
}

ReportOutcome WriteReport(const ReportJob& job) {
  ReportOutcome out;
  if (!job.pass) return out;
  const PassProfile p = ProfileOf(*job.pass, job.plus, job.minus);
  if (!p.data.Readable()) {
    out.message = QStringLiteral("No report: %1 cannot be read.").arg(QFile::decodeName(p.name.c_str()));
    return out;
  }
  out.statistics = p.stats;
  const QDir base(job.reportDirectory);
  const QString folder = base.filePath(QString::fromLatin1(kReportFolder));
  if (!base.mkpath(QString::fromLatin1(kReportFolder))) {
    out.message = QStringLiteral("No report: the folder %1 cannot be made.").arg(folder);
    return out;
  }
  const QString stem = Q(p.stem);
  out.csv = QDir(folder).filePath(stem + QStringLiteral(".csv"));
  out.pdf = QDir(folder).filePath(stem + QStringLiteral(".pdf"));
  DirectoryFileAccess reports(QFile::encodeName(folder).toStdString());
  const bool csvOk = reports.Replace(QFile::encodeName(stem).toStdString() + ".csv", CsvText(p.data));

  QSaveFile pdfFile(out.pdf);
  bool pdfOk = pdfFile.open(QIODevice::WriteOnly);
  if (pdfOk) {
    QPdfWriter pdf(&pdfFile);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    pdf.setResolution(300);
    pdf.setTitle(QStringLiteral("Pass report %1").arg(stem));
    pdf.setCreator(QStringLiteral("Orlix thickness station"));
    QPainter painter;
    pdfOk = painter.begin(&pdf);
    if (pdfOk) {
      PaintReport(painter, QRectF(0, 0, pdf.width(), pdf.height()), p);
      pdfOk = painter.end();
    }
    pdfOk = pdfOk && pdfFile.commit();
  }
  out.ok = csvOk && pdfOk;
  const QString read = Q(p.data.Summary());
  if (out.ok) {
    out.message = QStringLiteral("Report written: %1 and %2 (%3).")
                      .arg(QDir::toNativeSeparators(out.pdf), QDir::toNativeSeparators(out.csv), read);
  } else {
    out.message = QStringLiteral("Report not complete: %1%2%3 cannot be written (disk full or no permission).")
                      .arg(pdfOk ? QString() : QDir::toNativeSeparators(out.pdf),
                           !pdfOk && !csvOk ? QStringLiteral(" and ") : QString(),
                           csvOk ? QString() : QDir::toNativeSeparators(out.csv));
  }
  return out;
}

QFuture<ReportOutcome> StartReport(const ReportJob& job) {
  return QtConcurrent::run([job] { return WriteReport(job); });
}

}  // namespace orlix
