#pragma once
// The summary of many passes as files: an A4 PDF (a header with the range and the number of
// passes, a chart of each pass's mean and share in tolerance, and the table of all passes
// over as many pages as it needs) and a CSV of the table, both in "reports/" named after
// the range ("summary-20261201-20261207.pdf") or the moment of a chosen set of passes.
// Made on a worker thread, which also records the figures it had to compute in the
// information files of the archive; those of the working directory, which "Start" replaces,
// are left to the window's thread.

#include <QDate>
#include <QDateTime>
#include <QFuture>
#include <QString>
#include <QStringList>
#include <vector>

#include "passfiles/PassSummary.h"

class QPagedPaintDevice;

namespace orlix {

struct SummaryJob {
  QString directory;  // the working directory: its pass files, archive/ and reports/
  bool byDates = true;
  QDate from;  // by dates: the days the passes started on, both whole
  QDate to;
  QStringList files;  // else these passes ("07.PSS", "archive/07-20261207-101502.PSS")
  QDateTime made;     // when it was asked for
};

struct SummaryOutcome {
  bool ok = false;  // both files written
  std::vector<SummaryRow> rows;
  QString pdf;  // paths written
  QString csv;
  QString message;   // what went where, or what failed
  int recorded = 0;  // information files of the archive that got their figures
};

// Chooses the passes, reads or computes their rows and writes both files; safe on any thread.
SummaryOutcome WriteSummary(const SummaryJob& job);
QFuture<SummaryOutcome> StartSummary(const SummaryJob& job);

// The columns' captions, the unit after a line break ("Mean\n<mcm>").
QStringList SummaryHeadings();
// "Passes started 2026-12-01 to 2026-12-07" or "Marked passes".
QString SummaryTitle(const SummaryJob& job);

// The summary on the pages of `device` (its first page already begun); false when the
// device cannot be painted on.
bool PaintSummary(QPagedPaintDevice& device, const SummaryJob& job,
                  const std::vector<SummaryRow>& rows);

}  // namespace orlix
