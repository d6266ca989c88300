#pragma once
// The running pass: the measurement cycle, the timer that wakes it when something falls
// due, and the pass's own bookkeeping (the histogram and the roll behind the pass file's
// figures, the archive, information file and report). It is no window: it publishes one
// snapshot of the station per update, which the main window shows and every output of the
// station (the plant link and any later) serves. Operator input reaches it from the panels.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "core/MeasurementCycle.h"
#include "core/StationSnapshot.h"

namespace orlix {

class PassQuality;
struct PassInfo;
struct ReportOutcome;
struct Station;

class RunningPass : public QObject {
  Q_OBJECT

 public:
  explicit RunningPass(Station& station, QObject* parent = nullptr);
  ~RunningPass() override;

  // Start-up: the configuration and coefficient files, the start values and the roll's
  // parameters from the settings record.
  void Load();
  // The sample count outside any pass (at start-up).
  void TakeSample();

  void Start();
  void Stop();
  // The program closes: the cycle ends without writing anything more.
  void Abandon();

  // The operator's values, from the panels (or a plant link commit dialled on the board).
  void SetPass(std::int16_t pass);
  void SetSetPoint(float value);
  void SetScale(float value);
  void SetGain(double gain);
  void SetControl(bool on);

  // The periods may have changed: the next step is timed afresh.
  void Retime() { Arm(); }
  // An output that wants measurements fresher than the display period gets a snapshot at
  // least every `ms` milliseconds while a pass runs (0: none between display updates). The
  // freshest any output asks for applies.
  void AskFreshEvery(int ms);

  const StationSnapshot& Snapshot() const { return snapshot_; }
  bool Running() const { return cycle_->Running(); }
  MeasurementCycle& Cycle() { return *cycle_; }
  PassQuality& Quality() { return *quality_; }
  // The station it runs on.
  Station& Owner() { return station_; }

 signals:
  void Published(const orlix::StationSnapshot& snapshot);

 private:
  class Book;

  void Arm();
  void Step();
  void Publish(unsigned changes);
  void TakeFigures(const PassInfo& info, const ReportOutcome& outcome);

  Station& station_;
  std::unique_ptr<Book> book_;
  std::unique_ptr<MeasurementCycle> cycle_;
  std::unique_ptr<PassQuality> quality_;
  QTimer timer_;  // the next step; zero interval while a period is 0
  StationSnapshot snapshot_;
  int freshMs_ = 0;
  double lastFresh_ = 0;  // monotonic s of the last snapshot with a measurement
  std::string lastStart_;  // the start of the pass in snapshot_.lastPass
};

}  // namespace orlix
