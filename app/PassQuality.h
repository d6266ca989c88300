#pragma once
// The quality side of a pass, at "Start" and "Stop": before the new header, an earlier pass
// file of the same number moves into the archive; the limits are fixed from the set-point
// and the tolerance in "station.ini"; the information file is written beside the pass
// file, and completed with the end time at "Stop", when the report is started on a worker
// thread from the pass file as it is at that moment; when the report is done, its figures
// complete that pass's information file, wherever the next "Start" has put it by then.
// Nothing here stops or holds up a pass: a failure becomes a note for the main window's
// file indication.

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <deque>
#include <optional>

#include "passfiles/PassInfo.h"
#include "passfiles/ui/PassReport.h"

namespace orlix {

struct Station;

class PassQuality : public QObject {
  Q_OBJECT

 public:
  explicit PassQuality(Station& station, QObject* parent = nullptr);
  ~PassQuality() override;

  // Right before the pass file's header is written.
  void BeginPass();
  // Right after the end block and the histogram were written. Gives the ended pass's start
  // as its information file records it.
  std::string EndPass();
  // An off-gauge alarm event of the running pass, as alarm.log has it: kept in its
  // information file at once.
  void NoteAlarm(const std::string& line);
  // A change to the calibration or the settings while the pass runs: kept in its
  // information file at once, for its report. Nothing between passes.
  void NoteChange(const std::string& line);
  // At program start: a pass whose information file has a start and no end ended without
  // "Stop". Its end is recorded as "not stopped" at the time of its last data line, and its
  // report is made, once.
  void RecoverUnstopped();

  // The limits fixed at the last "Start"; nothing when its tolerance could not give any.
  const std::optional<ToleranceLimits>& Limits() const { return limits_; }
  // The last report's outcome; empty before the first.
  const QString& LastReport() const { return lastReport_; }
  // What the last "Start" or "Stop" or report could not do; empty when all went well.
  const QString& Problem() const { return problem_; }

 signals:
  // The problem note changed.
  void ProblemChanged(const QString& problem);
  // A report made at "Stop" is done.
  void ReportDone(bool ok, const QString& message);
  // The same report, with the pass it describes.
  void Reported(const orlix::PassInfo& pass, const orlix::ReportOutcome& outcome);

 private:
  void SetProblem(const QString& problem);
  // Adds a line to a list of the running pass's information and writes the file.
  void Note(std::vector<std::string>* lines, const std::string& line, const char* what);
  QString Directory() const;
  // Reports are made one after the other, each from the pass as it was when it ended.
  void QueueReport(PassSnapshot pass);
  void NextReport();
  // Adds the figures of a finished report to the information file of its pass.
  void RecordFigures(const std::optional<PassInfo>& pass, const ReportOutcome& outcome);

  Station& station_;
  std::optional<PassInfo> info_;
  std::string passFile_;
  std::optional<ToleranceLimits> limits_;
  QString problem_;
  QString lastReport_;
  QFutureWatcher<ReportOutcome> report_;
  std::deque<ReportJob> waiting_;
  bool reporting_ = false;
  std::optional<PassInfo> reported_;  // the information of the pass being reported
};

}  // namespace orlix
