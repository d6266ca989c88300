#include "app/PassQuality.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <filesystem>

#include "app/Station.h"
#include "base/SystemPlatform.h"
#include "passfiles/PassSummary.h"

namespace orlix {

PassQuality::PassQuality(Station& station, QObject* parent) : QObject(parent), station_(station) {
  connect(&report_, &QFutureWatcher<ReportOutcome>::finished, this, [this] {
    const ReportOutcome outcome = report_.result();
    reporting_ = false;
    RecordFigures(reported_, outcome);
    lastReport_ = outcome.message;
    if (!outcome.ok) SetProblem(outcome.message);
    emit ReportDone(outcome.ok, outcome.message);
    if (reported_) emit Reported(*reported_, outcome);
    NextReport();
  });
}

// A report still being written, and those waiting for it, are finished before the program
// ends, and told as every other (the MQTT output keeps their summaries for the next start):
// their passes are complete and would not be reported again.
PassQuality::~PassQuality() {
  report_.waitForFinished();
  auto done = [this](const std::optional<PassInfo>& pass, const ReportOutcome& outcome) {
    RecordFigures(pass, outcome);
    if (pass) emit Reported(*pass, outcome);
  };
  if (reporting_) done(reported_, report_.result());
  for (const ReportJob& job : waiting_) done(job.pass->info, WriteReport(job));
}

QString PassQuality::Directory() const { return QString::fromStdString(station_.files.Location()); }

void PassQuality::BeginPass() {
  QStringList problems;
  passFile_ = PassFileWriter::PassFileName(station_.values.PassNumber);
  const ArchiveResult archived = ArchivePassFile(station_.files, passFile_);
  if (archived.existed && !archived.archived) {
    problems << (archived.kept ? QStringLiteral("The archive cannot take %1: it is kept as %2.")
                                     .arg(QString::fromStdString(passFile_),
                                          QString::fromStdString(archived.name))
                               : QStringLiteral("%1 could not be archived and is written over.")
                                     .arg(QString::fromStdString(passFile_)));
  }

  const ToleranceSetting tolerance = station_.ini.ReadTolerance();
  PassInfo info;
  info.pass = station_.values.PassNumber;
  info.start = QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();
  info.setPoint = station_.values.SetPointThickness;
  info.scale = station_.values.ScaleLength;
  info.tolerancePlus = tolerance.tolerance.plus;
  info.toleranceMinus = tolerance.tolerance.minus;
  info.limitsProblem = tolerance.problem;
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
  if (!limits_) {
    problems << QStringLiteral("The pass has no limits: %1.")
                    .arg(QString::fromStdString(info.limitsProblem));
  }
  SetProblem(problems.join(QLatin1Char(' ')));
}

std::string PassQuality::EndPass() {
  if (!info_) return {};
  info_->end = QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();
  if (!station_.files.Replace(InfoFileName(info_->pass), InfoText(*info_))) {
    SetProblem(QStringLiteral("The end of the pass cannot be added to %1.")
                   .arg(QString::fromStdString(InfoFileName(info_->pass))));
  }
  // The pass as it is now: the next "Start" may archive its file or write over its
  // information file while the report is still being made.
  PassSnapshot pass = TakeSnapshot(station_.files, passFile_);
  pass.info = info_;
  std::string start = info_->start;
  info_.reset();
  QueueReport(std::move(pass));
  return start;
}

void PassQuality::NoteAlarm(const std::string& line) {
  Note(info_ ? &info_->alarms : nullptr, line, "alarm");
}

void PassQuality::NoteChange(const std::string& line) {
  Note(info_ ? &info_->changes : nullptr, line, "change");
}

void PassQuality::Note(std::vector<std::string>* lines, const std::string& line, const char* what) {
  if (!lines) return;
  lines->push_back(line);
  if (!station_.files.Replace(InfoFileName(info_->pass), InfoText(*info_))) {
    SetProblem(QStringLiteral("The %1 cannot be added to %2.")
                   .arg(QLatin1String(what), QString::fromStdString(InfoFileName(info_->pass))));
  }
}

void PassQuality::RecoverUnstopped() {
  QStringList problems;
  // A pass stopped just before the program was killed may have no report: its information
  // file has an end and no figures, and reports/ has no PDF of it. It is reported now.
  for (const std::string& name : station_.files.List(".PSI")) {
    const auto info = ReadInfo(station_.files, name);
    if (!info || info->end.empty() || info->statistics || InfoFileName(info->pass) != name)
      continue;
    const std::string passFile = PassFileWriter::PassFileName(info->pass);
    if (!station_.files.Exists(passFile)) continue;
    const QString pdf =
        QStringLiteral("%1/reports/%2.pdf")
            .arg(Directory(),
                 QString::fromStdString(ReportStem(passFile, StartStamp(info->start))));
    if (QFileInfo::exists(pdf)) continue;
    PassSnapshot pass = TakeSnapshot(station_.files, passFile);
    pass.info = *info;
    QueueReport(std::move(pass));
  }
  for (const std::string& name : UnstoppedInfoFiles(station_.files)) {
    const auto info = ReadInfo(station_.files, name);
    if (!info) continue;
    const PassInfo ended = EndUnstopped(station_.files, *info);
    if (!station_.files.Replace(name, InfoText(ended))) {
      // Reported on every start until the file can be written; the report waits for it, so
      // that it is made once.
      problems << QStringLiteral("The end of the unstopped pass cannot be added to %1.")
                      .arg(QString::fromStdString(name));
      continue;
    }
    PassSnapshot pass = TakeSnapshot(station_.files, PassFileWriter::PassFileName(ended.pass));
    pass.info = ended;
    QueueReport(std::move(pass));
  }
  if (!problems.isEmpty()) SetProblem(problems.join(QLatin1Char(' ')));
}

void PassQuality::QueueReport(PassSnapshot pass) {
  ReportJob job;
  job.pass = std::make_shared<const PassSnapshot>(std::move(pass));
  job.reportDirectory = Directory();
  waiting_.push_back(std::move(job));
  NextReport();
}

void PassQuality::NextReport() {
  // Until its outcome has been taken, a finished report still counts as running.
  if (waiting_.empty() || reporting_) return;
  ReportJob job = std::move(waiting_.front());
  waiting_.pop_front();
  reporting_ = true;
  reported_ = job.pass->info;
  report_.setFuture(StartReport(job));
}

void PassQuality::RecordFigures(const std::optional<PassInfo>& pass, const ReportOutcome& outcome) {
  if (!pass || !outcome.statistics) return;
  PassInfo info = *pass;
  info.statistics = outcome.statistics;
  // The archive is the folder beside the information file, as "Start" made it.
  DirectoryFileAccess archive(std::filesystem::path(station_.files.Location()) / kArchiveFolder);
  // Where the file is no longer found (or cannot be written), the summary computes the
  // figures from the pass file when it needs them, and records them then.
  RecordStatistics({station_.files, archive}, info);
}

void PassQuality::SetProblem(const QString& problem) {
  if (problem == problem_) return;
  problem_ = problem;
  emit ProblemChanged(problem_);
}

}  // namespace orlix
