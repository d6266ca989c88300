#pragma once
// The report of a pass: a one-page A4 PDF (header, what the figures are based on and what was
// left out, statistics, profile, histogram) and a CSV file of its data lines, both in
// "reports/" named after the pass and its start ("07-20261207-101502.pdf" and ".csv"). Built
// on a worker thread, so the window and the next pass never wait for it, from the pass file
// as it was when the report was asked for (held open: the next "Start" may archive it or
// write over its information file meanwhile). The pass file is read once, in pieces, the CSV
// written on the way; neither is ever held whole in memory.

#include <QFuture>
#include <QPdfWriter>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>

#include "passfiles/PassProfile.h"

class QPainter;
class QRectF;

namespace orlix {

struct ReportJob {
  // The pass file (held open) and its information file as they were when the report was
  // asked for.
  std::shared_ptr<const PassSnapshot> pass;
  QString reportDirectory;  // where "reports/" is made (the working directory)
  // A tolerance typed in the pass-file window for a pass that records no limits, and the
  // set-point typed with it (for a pass that records none): the report is evaluated against
  // it and says so (EvaluateAgainst). Nothing is written into the pass's information file.
  std::optional<Tolerance> typed;
  std::optional<double> typedSetPoint;
};

// The job for the pass file `name` in `directory`, opened now.
ReportJob ReportOf(const QString& directory, const QString& name, const QString& reportDirectory);

struct ReportOutcome {
  bool ok = false;
  QString pdf;  // paths written
  QString csv;
  QString message;  // what went where, or what failed
  // The figures the report shows; nothing when the pass file could not be read, or when
  // they were evaluated against a typed tolerance (never recorded with the pass).
  std::optional<PassStatistics> statistics;
};

// Reads the pass file and writes both files; safe on any thread (one job on one thread).
ReportOutcome WriteReport(const ReportJob& job);

// An A4 PDF of the station's reports (15 mm margins, 300 dpi) at `path`, written in full or
// not at all: `paint` draws it; false when the file or the drawing fails.
bool WriteA4Pdf(const QString& path, const QString& title,
                const std::function<bool(QPdfWriter&)>& paint);
// The same, on FileWorkers().
QFuture<ReportOutcome> StartReport(const ReportJob& job);

// The threads that read pass files and write reports, apart from Qt's global pool: Qt's own
// image conversions run pieces of a repaint there and wait for them, so a reading of many
// seconds in that pool would hold up the windows' repaints.
QThreadPool& FileWorkers();

// The report page drawn into `page` (device units) of any paint device.
void PaintReport(QPainter& painter, const QRectF& page, const PassProfile& p);

// The statistics as label and value texts, in the order of the report's table; "-" for the
// figures against limits of a pass that has none.
QList<QPair<QString, QString>> StatisticsRows(const PassProfile& p);
// Said once beside those figures: why a pass has no limits ("No limits: no information
// file."), or that they come from a typed tolerance ("Evaluated against +6/−8 µm around
// 120.00 µm, not recorded with the pass."); empty for limits recorded with the pass.
QString LimitsNote(const PassProfile& p);
// What the figures are based on, a line per reason lines were left out, and a line when the
// file could not be read to its end.
QStringList BasisLines(const PassProfile& p);

}  // namespace orlix
