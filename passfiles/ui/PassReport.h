#pragma once
// The report of a pass: a one-page A4 PDF (header, statistics, profile, histogram) and a
// CSV file of its data lines, both in "reports/" named after the pass and its start
// ("07-20261207-101502.pdf" and ".csv"). Built on a worker thread, so the window and the
// next pass never wait for it, from the pass file as it was read when the report was asked
// for (the next "Start" may archive it or write over its information file meanwhile).

#include <QFuture>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "passfiles/PassProfile.h"

class QPainter;
class QRectF;

namespace orlix {

struct ReportJob {
  // The pass file and its information file as they were when the report was asked for.
  std::shared_ptr<const PassSnapshot> pass;
  QString reportDirectory;  // where "reports/" is made (the working directory)
  double plus = 6;          // tolerance around the mean for a file without information file
  double minus = 6;
};

// The job for the pass file `name` in `directory`, read now.
ReportJob ReportOf(const QString& directory, const QString& name, const QString& reportDirectory,
                   double plus, double minus);

struct ReportOutcome {
  bool ok = false;
  QString pdf;      // paths written
  QString csv;
  QString message;  // what went where, or what failed
  // The figures the report shows; nothing when the pass file could not be read.
  std::optional<PassStatistics> statistics;
};

// Reads the pass file and writes both files; safe on any thread.
ReportOutcome WriteReport(const ReportJob& job);
// The same, on the global thread pool.
QFuture<ReportOutcome> StartReport(const ReportJob& job);

// The report page drawn into `page` (device units) of any paint device.
void PaintReport(QPainter& painter, const QRectF& page, const PassProfile& p);

// The statistics as label and value texts, in the order of the report's table.
QList<QPair<QString, QString>> StatisticsRows(const PassProfile& p);

}  // namespace orlix
