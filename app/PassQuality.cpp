#include "app/PassQuality.h"

#include <QDateTime>
#include <QDir>

#include "app/Station.h"

namespace orlix {

PassQuality::PassQuality(Station& station, QObject* parent) : QObject(parent), station_(station) {
  connect(&report_, &QFutureWatcher<ReportOutcome>::finished, this, [this] {
    const ReportOutcome outcome = report_.result();
    lastReport_ = outcome.message;
    if (!outcome.ok) SetProblem(outcome.message);
    emit ReportDone(outcome.ok, outcome.message);
  });
}

// A report still being written finishes before the program ends.
PassQuality::~PassQuality() { report_.waitForFinished(); }

QString PassQuality::Directory() const { return QString::fromStdString(station_.files.Location()); }

void PassQuality::BeginPass() {
  QStringList problems;
  passFile_ = PassFileWriter::PassFileName(station_.values.PassNumber);
  const ArchiveResult archived = ArchivePassFile(station_.files, passFile_);
  if (archived.existed && !archived.archived) {
    problems << (archived.kept
                     ? QStringLiteral("The archive cannot take %1: it is kept as %2.")
                           .arg(QString::fromStdString(passFile_), QString::fromStdString(archived.name))
                     : QStringLiteral("%1 could not be archived and is written over.")
                           .arg(QString::fromStdString(passFile_)));
  }

  const Tolerance tolerance = station_.ini.ReadTolerance();
  PassInfo info;
  info.pass = station_.values.PassNumber;
  info.start = QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();
  info.setPoint = station_.values.SetPointThickness;
  info.scale = station_.values.ScaleLength;
  info.tolerancePlus = tolerance.plus;
  info.toleranceMinus = tolerance.minus;
  info.mode = station_.settings[MeasurementMode];
  for (std::size_t k = 0; k < info.coefficients.size(); ++k) {
    info.coefficients[k] = station_.calibration.Coef[k];
  }
  info.periods = {station_.settings[DisplayPeriod], station_.settings[FileOutputPeriod],
                  station_.settings[CorrectionPeriod]};
  info.version = STATION_VERSION;
  limits_ = LimitsOf(info);
  info_ = info;
  if (!station_.files.Replace(InfoFileName(info.pass), InfoText(info))) {
    problems << QStringLiteral("The information file %1 cannot be written.")
                    .arg(QString::fromStdString(InfoFileName(info.pass)));
  }
  SetProblem(problems.join(QLatin1Char(' ')));
}

void PassQuality::EndPass() {
  if (!info_) return;
  info_->end = QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();
  if (!station_.files.Replace(InfoFileName(info_->pass), InfoText(*info_))) {
    SetProblem(QStringLiteral("The end of the pass cannot be added to %1.")
                   .arg(QString::fromStdString(InfoFileName(info_->pass))));
  }
  ReportJob job;
  job.directory = Directory();
  job.name = QString::fromStdString(passFile_);
  job.reportDirectory = Directory();
  job.plus = info_->tolerancePlus;
  job.minus = info_->toleranceMinus;
  info_.reset();
  // A report still being written when the next pass stops goes on beside the new one;
  // the newest is the one watched.
  report_.setFuture(StartReport(job));
}

void PassQuality::SetProblem(const QString& problem) {
  if (problem == problem_) return;
  problem_ = problem;
  emit ProblemChanged(problem_);
}

}  // namespace orlix
