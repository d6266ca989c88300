#include "passfiles/ui/PassReport.h"

#include <tuple>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include "base/Format.h"
#include "base/SystemPlatform.h"
#include "passfiles/ui/ProfilePainter.h"

namespace orlix {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString Um(double v) { return Q(FigureText(v, 2)) + QStringLiteral(" \u00B5m"); }

QString Metres(double length, std::size_t lines) {
  return QStringLiteral("%1 m (%2 line%3)")
      .arg(Q(FigureText(length, 0)))
      .arg(lines)
      .arg(lines == 1 ? QString() : QStringLiteral("s"));
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
  auto um = [](const std::optional<double>& v) { return v ? Um(*v) : QStringLiteral("-"); };
  // Metres off gauge only against limits.
  auto metres = [&s, &p](double length, std::size_t lines) {
    return s.count && p.limits ? Metres(length, lines) : QStringLiteral("-");
  };
  // Where they come from, when not from the pass, is said once beside them (LimitsNote).
  const std::optional<double> setPoint = SetPointOf(p);
  return {
      {QStringLiteral("Set-point"), setPoint ? Um(*setPoint) : QStringLiteral("-")},
      {QStringLiteral("Limits"),
       p.limits ? Q(FigureText(p.limits->lower, 2)) + QStringLiteral(" to ") + Um(p.limits->upper)
                : QStringLiteral("-")},
      {QStringLiteral("Data lines"), QString::number(s.count)},
      {QStringLiteral("Length"), Q(FigureText(s.length, 0)) + QStringLiteral(" m")},
      {QStringLiteral("Mean (data lines)"), um(s.mean)},
      {QStringLiteral("Std. deviation (data lines)"), um(s.sigma)},
      {QStringLiteral("Minimum"), um(s.minimum)},
      {QStringLiteral("Maximum"), um(s.maximum)},
      {QStringLiteral("In tolerance"), Q(ShareText(s.inTolerance))},
      {QStringLiteral("Thick (above upper)"), metres(s.thickLength, s.thickLines)},
      {QStringLiteral("Thin (below lower)"), metres(s.thinLength, s.thinLines)},
      {QStringLiteral("Cp (short-term)"), Q(FigureText(s.cp, 2))},
      {QStringLiteral("Cpk (short-term)"), Q(FigureText(s.cpk, 2))},
      {QStringLiteral("Pp (overall)"), Q(FigureText(s.pp, 2))},
      {QStringLiteral("Ppk (overall)"), Q(FigureText(s.ppk, 2))},
      {QStringLiteral("Off-gauge head"), metres(s.headLength, s.headLines)},
      {QStringLiteral("Off-gauge tail"), metres(s.tailLength, s.tailLines)},
      {QStringLiteral("Average (end block)"), um(p.data.EndAverage())},
      {QStringLiteral("MS deviation (end block)"), um(p.data.EndDeviation())},
  };
}

QString LimitsNote(const PassProfile& p) {
  if (!p.limits) return QStringLiteral("No limits: %1.").arg(Q(p.noLimits));
  if (!p.typed) return {};
  return QStringLiteral(
             "Evaluated against +%1/\u2212%2 \u00B5m around %3, not recorded with the pass.")
      .arg(Q(ListForm(p.typed->plus)), Q(ListForm(p.typed->minus)), Um(p.limits->setPoint));
}

QStringList BasisLines(const PassProfile& p) {
  QStringList lines;
  const std::size_t n = p.data.Count();
  const QString period =
      p.info ? QStringLiteral(" (%1 s)").arg(Q(ListForm(p.info->periods[1]))) : QString();
  lines << QStringLiteral(
               "Figures from %1 recorded data line%2, one per file-output period%3. "
               "The end block's average and MS deviation are the station's own, "
               "from every display update%4.")
               .arg(n)
               .arg(n == 1 ? QString() : QStringLiteral("s"), period,
                    p.info ? QStringLiteral(" (%1 s)").arg(Q(ListForm(p.info->periods[0])))
                           : QString());
  for (std::size_t r = 0; r < kLeftOutReasons; ++r) {
    const LeftOutCount& c = p.data.Skipped(static_cast<LeftOut>(r));
    if (c.lines == 0) continue;
    lines << QStringLiteral("Left out: %1 line%2, %3 (the first is line %4 of the file).")
                 .arg(c.lines)
                 .arg(c.lines == 1 ? QString() : QStringLiteral("s"),
                      Q(LeftOutText(static_cast<LeftOut>(r))))
                 .arg(c.firstLine);
  }
  if (!p.data.Complete()) {
    lines << QStringLiteral("INCOMPLETE: %1; the data lines after them are missing.")
                 .arg(Q(p.data.Summary()));
  }
  return lines;
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
  // Texts from the files may be of any length: cut at the width with an ellipsis.
  auto text = [&](double x, const QString& s, bool bold = false) {
    QFont f = font;
    f.setBold(bold);
    painter.setFont(f);
    const QFontMetricsF m(f, painter.device());
    painter.drawText(QPointF(x, y + m.ascent()), m.elidedText(s, Qt::ElideRight, page.right() - x));
    painter.setFont(font);
  };
  // The station's own sentences wrap at the page's width.
  auto paragraph = [&](const QString& s, bool bold = false) {
    QFont f = font;
    f.setBold(bold);
    painter.setFont(f);
    const QRectF box(page.left(), y, page.width(), page.bottom() - y);
    QRectF used;
    painter.drawText(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, s, &used);
    y += std::max(used.height(), line);
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
  QStringList header;
  header << QStringLiteral("Pass %1    File %2").arg(pass, Q(p.name));
  if (p.info) {
    header << QStringLiteral("Start %1    End %2%3")
                  .arg(Q(ReadableTime(p.info->start)),
                       p.info->end.empty() ? QStringLiteral("-") : Q(ReadableTime(p.info->end)),
                       p.info->notStopped ? QStringLiteral(" (not stopped)") : QString());
    if (p.info->notStopped) {
      header << QStringLiteral(
          "The pass was not stopped: the program ended during it. Its end is "
          "the time of its last data line.");
    }
  } else {
    header
        << QStringLiteral("Start %1 %2    End -").arg(Q(p.data.DateText()), Q(p.data.TimeText()));
  }
  const std::optional<double> setPoint = SetPointOf(p);
  header << QStringLiteral("Set-point %1")
                .arg(setPoint ? Um(*setPoint) : QStringLiteral("- (not recorded)"));
  header << QStringLiteral("Limits %1")
                .arg(p.limits
                         ? QStringLiteral("%1 to %2").arg(Um(p.limits->lower), Um(p.limits->upper))
                         : QStringLiteral("-"));
  // Where the limits come from, said once and in bold under them: none, or typed.
  const int limitsLine = static_cast<int>(header.size());
  if (p.info) {
    header << QStringLiteral("Mode %1    Coefficients A0 %2, A1 %3, A2 %4, A3 %5")
                  .arg(ModeName(p.info->mode), Q(ListForm(p.info->coefficients[0])),
                       Q(ListForm(p.info->coefficients[1])), Q(ListForm(p.info->coefficients[2])),
                       Q(ListForm(p.info->coefficients[3])));
  } else {
    header << QStringLiteral("Mode and coefficients not recorded");
  }
  header << QStringLiteral("Read: %1").arg(Q(p.data.Summary()));
  for (int i = 0; i < header.size(); ++i) {
    if (i == limitsLine && !LimitsNote(p).isEmpty()) paragraph(LimitsNote(p), true);
    text(page.left(), header[i]);
    y += line;
  }
  for (const QString& b : BasisLines(p)) paragraph(b, b.startsWith(QStringLiteral("INCOMPLETE")));
  y += line * 0.5;

  // The statistics table in two columns of label and value; a value too long for its
  // column ends in an ellipsis.
  const QList<QPair<QString, QString>> rows = StatisticsRows(p);
  const double col = page.width() / 2;
  const int half = static_cast<int>((rows.size() + 1) / 2);
  for (int column = 0; column < 2; ++column) {
    double labelWidth = 0;
    for (int i = column * half; i < std::min<int>(rows.size(), (column + 1) * half); ++i) {
      labelWidth = std::max(labelWidth, metrics.horizontalAdvance(rows[i].first));
    }
    const double x = page.left() + column * col;
    const double valueX = x + labelWidth + line;
    for (int i = column * half; i < std::min<int>(rows.size(), (column + 1) * half); ++i) {
      const double rowY = y + (i - column * half) * line;
      painter.drawText(QPointF(x, rowY + metrics.ascent()), rows[i].first);
      QFont bold = font;
      bold.setBold(true);
      painter.setFont(bold);
      const QFontMetricsF boldMetrics(bold, painter.device());
      painter.drawText(
          QPointF(valueX, rowY + boldMetrics.ascent()),
          boldMetrics.elidedText(rows[i].second, Qt::ElideRight, x + col - line - valueX));
      painter.setFont(font);
    }
  }
  y += half * line + line * 0.5;
  for (const QString& note :
       {QStringLiteral("Thick and thin: each data line counts for the strip from the data line "
                       "before it to itself (its length less that line's; none for the first line "
                       "and where the length goes back)."),
        QStringLiteral("Cp and Cpk from the short-term spread, the mean moving range of "
                       "consecutive data lines / 1.128; Pp and Ppk from the standard deviation "
                       "of all data lines.")}) {
    paragraph(note);
  }
  // The pass's off-gauge alarm events and the changes made while it ran, the first few of
  // each; all of them are in the information file (and alarm.log, audit.log).
  for (const auto& [title, lines, where] :
       {std::tuple{QStringLiteral("Off-gauge alarms"), p.info ? &p.info->alarms : nullptr,
                   QStringLiteral("alarm.log, the information file")},
        {QStringLiteral("Calibration and settings changed during the pass"),
         p.info ? &p.info->changes : nullptr, QStringLiteral("audit.log, the information file")}}) {
    if (!lines || lines->empty()) continue;
    constexpr int kShown = 6;
    text(page.left(), title, true);
    y += line;
    for (int i = 0; i < std::min<int>(kShown, static_cast<int>(lines->size())); ++i) {
      text(page.left(), Q((*lines)[static_cast<std::size_t>(i)]));
      y += line;
    }
    if (lines->size() > kShown) {
      text(page.left(), QStringLiteral("and %1 more (%2)").arg(lines->size() - kShown).arg(where));
      y += line;
    }
  }
  y += line * 0.5;

  const double rest = page.bottom() - y;
  text(page.left(), QStringLiteral("Profile"), true);
  y += line;
  const QRectF profile(page.left(), y, page.width(), rest * 0.55);
  DrawProfile(painter, profile, p, FullWindow(p));
  y = profile.bottom() + line;
  text(page.left(),
       QStringLiteral("Histogram   %1 to %2").arg(Um(p.histogram.from), Um(p.histogram.to)), true);
  y += line * 1.2;
  DrawHistogram(painter, QRectF(page.left(), y, page.width(), page.bottom() - y), p);
  painter.restore();
}

ReportJob ReportOf(const QString& directory, const QString& name, const QString& reportDirectory) {
  DirectoryFileAccess files(QFile::encodeName(directory).toStdString());
  ReportJob job;
  job.pass = std::make_shared<const PassSnapshot>(
      TakeSnapshot(files, QFile::encodeName(name).toStdString()));
  job.reportDirectory = reportDirectory;
  return job;
}

namespace {

// The CSV written while the pass file is read, a piece at a time, so that neither the pass
// nor its CSV is ever held whole in memory.
class CsvFile {
 public:
  explicit CsvFile(const QString& path) : file_(path) {
    ok_ = file_.open(QIODevice::WriteOnly);
    text_.reserve(kFlushBytes + 256);
    text_ += kCsvHeader;
    text_ += kLineEnd;
  }
  void Add(const PassData::Items& items) {
    AppendCsvRow(text_, ++lines_, items);
    if (text_.size() >= kFlushBytes) Flush();
  }
  bool Finish(const PassData& data) {
    text_ += CsvEnd(data);
    Flush();
    return ok_ && file_.commit();
  }

 private:
  static constexpr std::size_t kFlushBytes = 1 << 20;
  void Flush() {
    const auto size = static_cast<qint64>(text_.size());
    if (ok_) ok_ = file_.write(text_.data(), size) == size;
    text_.clear();
  }
  QSaveFile file_;
  std::string text_;
  std::size_t lines_ = 0;
  bool ok_ = false;
};

}  // namespace

bool WriteA4Pdf(const QString& path, const QString& title,
                const std::function<bool(QPdfWriter&)>& paint) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QPdfWriter pdf(&file);
  pdf.setPageSize(QPageSize(QPageSize::A4));
  pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  pdf.setResolution(300);
  pdf.setTitle(title);
  pdf.setCreator(QStringLiteral("Orlix thickness station"));
  return paint(pdf) && file.commit();
}

ReportOutcome WriteReport(const ReportJob& job) {
  ReportOutcome out;
  if (!job.pass) return out;
  if (!job.pass->file) {
    out.message = QStringLiteral("No report: %1 cannot be read.")
                      .arg(QFile::decodeName(job.pass->name.c_str()));
    return out;
  }
  const QDir base(job.reportDirectory);
  const QString folder = base.filePath(QString::fromLatin1(kReportFolder));
  if (!base.mkpath(QString::fromLatin1(kReportFolder))) {
    out.message = QStringLiteral("No report: the folder %1 cannot be made.").arg(folder);
    return out;
  }
  const QString stem = QFile::decodeName(ReportStemOf(*job.pass).c_str());
  out.csv = QDir(folder).filePath(stem + QStringLiteral(".csv"));
  out.pdf = QDir(folder).filePath(stem + QStringLiteral(".pdf"));
  // One reading of the pass file gives the CSV on the way and the profile for the page.
  CsvFile csv(out.csv);
  PassProfile p = ProfileOf(*job.pass, [&csv](const PassData::Items& items) { csv.Add(items); });
  const bool csvOk = csv.Finish(p.data);
  // A typed tolerance the pass file no longer allows (it has recorded limits by now) is not
  // used: the report then shows what the pass records.
  if (job.typed) EvaluateAgainst(p, *job.typed, job.typedSetPoint);
  if (!p.typed) out.statistics = p.stats;

  const bool pdfOk =
      WriteA4Pdf(out.pdf, QStringLiteral("Pass report %1").arg(stem), [&p](QPdfWriter& pdf) {
        QPainter painter;
        if (!painter.begin(&pdf)) return false;
        PaintReport(painter, QRectF(0, 0, pdf.width(), pdf.height()), p);
        return painter.end();
      });
  out.ok = csvOk && pdfOk;
  const QString read = Q(p.data.Summary());
  if (out.ok) {
    out.message =
        QStringLiteral("Report written: %1 and %2 (%3).")
            .arg(QDir::toNativeSeparators(out.pdf), QDir::toNativeSeparators(out.csv), read);
  } else {
    out.message = QStringLiteral(
                      "Report not complete: %1%2%3 cannot be written (disk full or no permission).")
                      .arg(pdfOk ? QString() : QDir::toNativeSeparators(out.pdf),
                           !pdfOk && !csvOk ? QStringLiteral(" and ") : QString(),
                           csvOk ? QString() : QDir::toNativeSeparators(out.csv));
  }
  return out;
}

QFuture<ReportOutcome> StartReport(const ReportJob& job) {
  return QtConcurrent::run(&FileWorkers(), [job] { return WriteReport(job); });
}

QThreadPool& FileWorkers() {
  // Owned by the application, so its threads end with it; a report, a text and a profile
  // may be on their way at once.
  static QThreadPool* const pool = [] {
    auto* p = new QThreadPool(QCoreApplication::instance());
    p->setMaxThreadCount(std::max(3, QThread::idealThreadCount()));
    return p;
  }();
  return *pool;
}

}  // namespace orlix
