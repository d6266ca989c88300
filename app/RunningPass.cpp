#include "app/RunningPass.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/PassQuality.h"
#include "app/Station.h"
#include "settings/StationIni.h"
#include "widgets/DS1/DS1Model.h"
#include "widgets/HI1/HI1Model.h"

namespace orlix {

// What the cycle hands to "the instruments": the pass keeps its own histogram and roll (the
// figures of the pass file's lines, end block and histogram lines), and every hand-over
// becomes a snapshot.
class RunningPass::Book final : public CycleInstruments {
 public:
  explicit Book(RunningPass& pass) : pass_(pass) {}

  void ResetInstruments() override {
    histogram.ResetHisto();
    roll.ResetData();
    // The roll steps its length from the one it was last given: a new pass winds from 0 m,
    // so it must not step from the last length of the pass before.
    roll.SetStripLength(0);
    roll.SetCurrentValue(0);
  }
  void ShowThickness(float t) override { histogram.SetCurrentValue(t); }
  void ShowRoll(float length, float t) override {
    roll.SetStripLength(length);
    roll.SetCurrentValue(t);
    pass_.Publish(StationSnapshot::kDisplayed | pass_.AlarmAt(length, t));
  }
  void RollValues(float& rollDiam, float& rollWeight) override {
    rollDiam = roll.ReadRollDiam();
    rollWeight = roll.ReadRollWeight();
  }
  void ShowSample(double) override { pass_.Publish(StationSnapshot::kSampled); }
  HistogramSummary Histogram() override {
    HistogramSummary h;
    h.average = histogram.Average();
    h.deviation = histogram.Msdeviation();
    for (std::int16_t k = 0; k < kHistogramBins; ++k) {
      histogram.SetHistoIndex(k);
      h.x[static_cast<std::size_t>(k)] = histogram.HistoX();
      h.y[static_cast<std::size_t>(k)] = histogram.HistoY();
    }
    return h;
  }
  void ShowFileProblem(bool) override { pass_.Publish(StationSnapshot::kFile); }

  HI1Model histogram;
  DS1Model roll;

 private:
  RunningPass& pass_;
};

RunningPass::RunningPass(Station& station, QObject* parent)
    : QObject(parent), station_(station), book_(std::make_unique<Book>(*this)) {
  cycle_ = std::make_unique<MeasurementCycle>(station_.settings, station_.values, station_.daq,
                                              station_.measure, station_.passWriter, station_.clock,
                                              *book_);
  quality_ = std::make_unique<PassQuality>(station_);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &RunningPass::Step);
  connect(quality_.get(), &PassQuality::Reported, this, &RunningPass::TakeFigures);
}

// Reports still due are finished when PassQuality goes, after this object's other members.
RunningPass::~RunningPass() { quality_->disconnect(this); }

void RunningPass::Load() {
  Cfgfile(station_.files).ReadConfiguration(station_.settings);
  station_.ReadCoefficients();
  station_.values.SetStartValues();
  book_->histogram.ResetHisto();
  book_->histogram.SetMidValue(station_.values.SetPointThickness);
  book_->histogram.SetScalelength(station_.values.ScaleLength);
  DS1Model& roll = book_->roll;
  roll.SetCurrentValue(0);
  roll.SetBasisWeight(static_cast<float>(station_.settings[BasisWeight]));
  roll.SetStripWidth(static_cast<float>(station_.settings[StripWidth]));
  roll.SetSpoolDiam(static_cast<float>(station_.settings[SpoolDiameter]));
  Publish(StationSnapshot::kOperator);
}

void RunningPass::TakeSample() { cycle_->TakeSample(); }

void RunningPass::Start() {
  if (cycle_->Running()) return;
  quality_->BeginPass();
  alarm_.Reset();
  alarm_.SetDelay(AlarmDelay(station_.ini));
  snapshot_.lastPass.reset();
  cycle_->StartPass();
  lastFresh_ = station_.clock.MonotonicSeconds();
  Arm();
  Publish(StationSnapshot::kStarted);
}

void RunningPass::Stop() {
  const bool running = cycle_->Running();
  cycle_->StopPass();
  timer_.stop();
  if (running) {
    PassOutcome last;
    last.pass = station_.values.PassNumber;
    last.stripLength = cycle_->PassLength();
    last.rollWeight = book_->roll.Weight();
    last.rollDiameter = book_->roll.Diameter();
    snapshot_.lastPass = last;
  }
  // The strip no longer runs: an active alarm has returned (and stays until acknowledged).
  const bool alarmed = Note(alarm_.Update(cycle_->PassLength(), 0, std::nullopt, std::nullopt,
                                          station_.clock.MonotonicSeconds()));
  if (running) lastStart_ = quality_->EndPass();
  Publish(StationSnapshot::kStopped | (alarmed ? StationSnapshot::kAlarm : 0u));
}

void RunningPass::Abandon() {
  cycle_->Abandon();
  timer_.stop();
}

void RunningPass::SetPass(std::int16_t pass) {
  station_.values.PassNumber = pass;
  Publish(StationSnapshot::kOperator);
}

void RunningPass::SetSetPoint(float value) {
  station_.values.SetPointThickness = value;
  book_->histogram.SetMidValue(value);
  Publish(StationSnapshot::kOperator);
}

void RunningPass::SetScale(float value) {
  station_.values.ScaleLength = value;
  book_->histogram.SetScalelength(value);
  Publish(StationSnapshot::kOperator);
}

void RunningPass::SetGain(double gain) {
  station_.values.ControlGain = gain;
  Publish(StationSnapshot::kOperator);
}

void RunningPass::SetControl(bool on) {
  station_.values.ControlOn = on;
  Publish(StationSnapshot::kOperator);
}

void RunningPass::AcknowledgeAlarm() {
  if (const auto event = alarm_.Acknowledge(station_.clock.MonotonicSeconds())) {
    Note({*event});
    Publish(StationSnapshot::kAlarm);
  }
}

unsigned RunningPass::AlarmAt(float length, float thickness) {
  const auto& limits = quality_->Limits();
  std::optional<double> lower, upper;
  if (limits) lower = limits->lower, upper = limits->upper;
  return Note(alarm_.Update(length, thickness, lower, upper, station_.clock.MonotonicSeconds()))
             ? StationSnapshot::kAlarm
             : 0u;
}

bool RunningPass::Note(const std::vector<AlarmEvent>& events) {
  // Called at every display update: the time is formatted only when there is something to log.
  if (events.empty()) return false;
  const std::string now =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
  for (const AlarmEvent& e : events) {
    const std::string line = AlarmLogLine(now, station_.values.PassNumber, e);
    station_.files.Append(kAlarmLog, line + "\n");
    quality_->NoteAlarm(line);
  }
  return true;
}

double AlarmDelay(const StationIni& ini) {
  // Without its group the alarm is off: a station that was not set up for it shows nothing
  // new.
  if (!ini.HasGroup("alarm")) return 0;
  const auto keys = ini.Group("alarm");
  const auto it = keys.find("delay_m");
  if (it == keys.end()) return kDefaultAlarmDelayM;
  char* end = nullptr;
  const double value = std::strtod(it->second.c_str(), &end);
  if (end == it->second.c_str() || *end != '\0' || !(value >= 0 && value <= 1e6)) {
    qWarning("station.ini: [alarm] delay_m=%s is not a length from 0 to 1000000 m; %g m is used",
             it->second.c_str(), kDefaultAlarmDelayM);
    return kDefaultAlarmDelayM;
  }
  return value;
}

void RunningPass::AskFreshEvery(int ms) {
  if (ms <= 0 || (freshMs_ > 0 && freshMs_ <= ms)) return;
  freshMs_ = ms;
  Arm();
}

void RunningPass::Refresh(int maxAgeMs) {
  if (maxAgeMs <= 0 || !cycle_->Running()) return;
  if (station_.clock.MonotonicSeconds() - lastFresh_ < maxAgeMs / 1000.0) return;
  cycle_->MeasureNow();
  snapshot_.measured = true;
  Publish(StationSnapshot::kMeasured);
}

// Between two due actions nothing would be shown, recorded or served, so the pass sleeps
// until the earliest of them instead of measuring all the time.
void RunningPass::Arm() {
  // A day at most: the timer takes whole milliseconds in an int; a longer period is
  // simply waited for again.
  constexpr double kLongestWaitMs = 86'400'000.0;
  double wait = cycle_->SecondsUntilDue();
  if (std::isinf(wait)) {
    timer_.stop();
    return;
  }
  if (freshMs_ > 0) {
    const double fresh = lastFresh_ + freshMs_ / 1000.0 - station_.clock.MonotonicSeconds();
    wait = std::min(wait, std::max(fresh, 1e-6));
  }
  // The next whole millisecond, never before the due time: the cycle counts an action as
  // taken at its due moment, so waking up to a millisecond late costs nothing, while waking
  // early would cost a wasted step and a second wake-up.
  const int ms =
      wait <= 0.0 ? 0 : static_cast<int>(std::clamp(std::ceil(wait * 1000.0), 1.0, kLongestWaitMs));
  // While a period is 0 the cycle steps on every pass of the event loop, as it always did.
  if (ms == 0 && timer_.isActive() && timer_.interval() == 0) return;
  timer_.start(ms);
}

void RunningPass::Step() {
  // A step of a running pass measures before anything else.
  if (cycle_->Running()) snapshot_.measured = true;
  if (!cycle_->Step()) {
    timer_.stop();
    return;
  }
  if (freshMs_ > 0 && station_.clock.MonotonicSeconds() - lastFresh_ >= freshMs_ / 1000.0) {
    Publish(StationSnapshot::kMeasured);
  }
  Arm();
}

void RunningPass::Publish(unsigned changes) {
  StationSnapshot& s = snapshot_;
  const ProgramValues& v = station_.values;
  s.changes = changes;
  ++s.sequence;
  s.passRunning = cycle_->Running();
  if (changes & StationSnapshot::kStarted) s.measured = false;
  s.thickness = cycle_->CurrentThickness();
  s.setPoint = v.SetPointThickness;
  s.scale = v.ScaleLength;
  s.correction = station_.measure.Correction();
  s.controlOn = v.ControlOn;
  s.fileFailing = cycle_->FileFailing();
  s.pass = v.PassNumber;
  s.gain = v.ControlGain;
  s.sample = cycle_->Sample();
  s.stripLength = cycle_->PassLength();
  s.rollWeight = book_->roll.Weight();
  s.rollDiameter = book_->roll.Diameter();
  const auto& limits = quality_->Limits();  // fixed at this pass's "Start"
  if (s.passRunning && limits) {
    s.lowerLimit = static_cast<float>(limits->lower);
    s.upperLimit = static_cast<float>(limits->upper);
  } else {
    s.lowerLimit.reset();
    s.upperLimit.reset();
  }
  s.alarm = alarm_.State();
  if (s.measured && (changes & (StationSnapshot::kMeasured | StationSnapshot::kDisplayed))) {
    lastFresh_ = station_.clock.MonotonicSeconds();
  }
  emit Published(s);
}

// The report of the last pass gives the figures of its summary.
void RunningPass::TakeFigures(const PassInfo& info, const ReportOutcome& outcome) {
  if (!snapshot_.lastPass || cycle_->Running() || info.start != lastStart_ || !outcome.statistics) {
    return;
  }
  PassOutcome& last = *snapshot_.lastPass;
  last.mean = outcome.statistics->mean;
  last.deviation = outcome.statistics->sigma;
  last.inTolerance = outcome.statistics->inTolerance;
  Publish(StationSnapshot::kStopped);
}

}  // namespace orlix
