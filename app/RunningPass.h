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
#include "core/OffGaugeAlarm.h"
#include "core/StationSnapshot.h"

namespace orlix {

class PassQuality;
class StationIni;
struct PassInfo;
struct ReportOutcome;
struct Station;

// The off-gauge alarm's log in the working directory, one line per event.
inline constexpr const char* kAlarmLog = "alarm.log";
inline constexpr double kDefaultAlarmDelayM = 5;
// station.ini [alarm] delay_m: strip off gauge before the alarm (m; 0: no alarm); a value
// that cannot be used keeps the default with a warning. No group [alarm]: no alarm.
double AlarmDelay(const StationIni& ini);

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
  // The operator has seen the off-gauge alarm.
  void AcknowledgeAlarm();

  // The periods may have changed: the next step is timed afresh.
  void Retime() { Arm(); }
  // An output that pushes measurements fresher than the display period gets a snapshot at
  // least every `ms` milliseconds while a pass runs (0: none between display updates). The
  // freshest any output asks for applies.
  void AskFreshEvery(int ms);
  // An output about to answer a request: when the last measurement of the running pass is
  // `maxAgeMs` old or older, one is taken now and published first. Nothing wakes up for
  // it between requests.
  void Refresh(int maxAgeMs);

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
  // The alarm at a display update: StationSnapshot::kAlarm when it changed.
  unsigned AlarmAt(float length, float thickness);
  void TakeFigures(const PassInfo& info, const ReportOutcome& outcome);
  // Each alarm event goes to "alarm.log"; true when there was any.
  bool Note(const std::vector<AlarmEvent>& events);

  Station& station_;
  std::unique_ptr<Book> book_;
  std::unique_ptr<MeasurementCycle> cycle_;
  std::unique_ptr<PassQuality> quality_;
  QTimer timer_;  // the next step; zero interval while a period is 0
  StationSnapshot snapshot_;
  int freshMs_ = 0;
  double lastFresh_ = 0;   // monotonic s of the last snapshot with a measurement
  std::string lastStart_;  // the start of the pass in snapshot_.lastPass
  OffGaugeAlarm alarm_;
};

}  // namespace orlix
