// The summary of 1,000 passes (two thirds in archive/), each of 2,000 data lines: with their
// figures recorded in their information files, and the first time without them (computed
// from the pass files, then recorded). Each figure is one run from the choice of passes to
// the PDF and CSV written, and the table filled in the summary window.
#include <QApplication>
#include <QDir>
#include <QTableWidget>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/SystemPlatform.h"
#include "passfiles/PassFileWriter.h"
#include "passfiles/PassProfile.h"
#include "passfiles/ui/SummaryReport.h"

using namespace orlix;
using Steady = std::chrono::steady_clock;

namespace {

constexpr int kPasses = 1000;
constexpr int kLines = 2000;

double Since(Steady::time_point start) {
  return std::chrono::duration<double>(Steady::now() - start).count();
}

// One summary as the window makes it: rows, PDF, CSV and the figures of archived passes
// recorded on the worker, then those of the working directory recorded and the table
// filled on the window's thread.
double Summarise(const SummaryJob& job, int& recorded, bool& ok, double& recording) {
  const auto start = Steady::now();
  const SummaryOutcome out = WriteSummary(job);
  const auto written = Steady::now();
  DirectoryFileAccess current(QDir(job.directory).path().toStdString());
  DirectoryFileAccess archive(QDir(job.directory).filePath("archive").toStdString());
  recorded = out.recorded + RecordComputed({current, archive}, out.rows, false);
  recording = Since(written);
  QTableWidget table(static_cast<int>(out.rows.size()), kSummaryColumns);
  for (int r = 0; r < table.rowCount(); ++r) {
    const auto cells = SummaryCells(out.rows[static_cast<std::size_t>(r)]);
    for (int k = 0; k < kSummaryColumns; ++k) {
      table.setItem(
          r, k, new QTableWidgetItem(QString::fromStdString(cells[static_cast<std::size_t>(k)])));
    }
  }
  ok = out.ok && out.rows.size() == kPasses;
  return Since(start);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("archive");
  DirectoryFileAccess current(dir.path().toStdString());
  DirectoryFileAccess archive(dir.filePath("archive").toStdString());
  const QDate first(2026, 11, 1);
  for (int p = 0; p < kPasses; ++p) {
    const auto pass = static_cast<std::int16_t>(p % 100);
    std::string text = PassFileWriter::HeaderText(pass, "11/01/26", "06:00:00");
    text.reserve(kLines * 54 + 400);
    for (int i = 0; i < kLines; ++i) {
      const double t =
          120 + 2 * std::sin(i * 0.01 + p) + static_cast<double>((i * 7919 + p) % 97) / 40.0 - 1.2;
      text += PassFileWriter::DataLine(static_cast<float>(i), static_cast<float>(t), 300, 9);
    }
    const std::string start =
        first.addDays(p / 33).toString(Qt::ISODate).toStdString() + "T" +
        QTime(0, 0).addSecs(p % 33 * 2600).toString(Qt::ISODate).toStdString();
    const PassInfo info{pass, start,        start,           120,    40, 6, 6,
                        1,    {0, 1, 0, 0}, {0.1, 0.1, 0.1}, "bench"};
    // The newest hundred are in the working directory, the others archived.
    const bool archived = p < kPasses - 100;
    DirectoryFileAccess& folder = archived ? archive : current;
    const std::string name = archived
                                 ? ReportStem(PassFileWriter::PassFileName(pass), StartStamp(start))
                                 : PassFileWriter::PassFileName(pass).substr(0, 2);
    folder.Replace(name + ".PSS", text + PassFileWriter::EndText(120, 1));
    folder.Replace(name + ".PSI", InfoText(info));
  }

  SummaryJob job;
  job.directory = dir.path();
  job.from = first;
  job.to = first.addDays(kPasses / 33 + 1);
  job.made = QDateTime::currentDateTime();
  int recorded = 0;
  bool ok = false;
  double recording = 0;
  const double computed = Summarise(job, recorded, ok, recording);
  std::printf(
      "%d passes, figures not recorded (computed from %d data lines each, then recorded): %.3f s, "
      "%d information files recorded, the %d of the working directory on the window's thread in "
      "%.3f s (%s)\n",
      kPasses, kLines, computed, recorded, kPasses / 10, recording, ok ? "written" : "failed");
  const double fromInfo = Summarise(job, recorded, ok, recording);
  std::printf("%d passes, figures recorded in their information files: %.3f s, %d recorded (%s)\n",
              kPasses, fromInfo, recorded, ok ? "written" : "failed");

  // The Qt-free part alone: choosing, reading the information files, the rows and the CSV.
  const auto start = Steady::now();
  const auto rows = SummaryRows({current, archive},
                                PassesBetween({current, archive}, "2026-11-01", "2027-12-31"));
  const std::size_t bytes = SummaryCsv(rows).size();
  std::printf("of which choosing, reading and the CSV: %.1f ms (%zu rows, %zu bytes)\n",
              Since(start) * 1000, rows.size(), bytes);
  return ok ? 0 : 1;
}
