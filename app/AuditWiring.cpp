#include "app/AuditWiring.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <array>
#include <memory>

#include "app/PassQuality.h"
#include "app/RunningPass.h"
#include "app/Station.h"
#include "audit/AuditLog.h"
#include "audit/SettingsWatch.h"
#include "calibration/ui/Fitting.h"
#include "plantlink/net/PlantLink.h"
#include "settings/ui/Settings.h"

namespace orlix {
namespace {

// The shortest text that reads back as the same double.
std::string Number(double value) {
  return QString::number(value, 'g', QLocale::FloatingPointShortest).toStdString();
}

std::string CoefficientsText(const orlix::Coefficients& c) {
  return Number(c[0]) + " " + Number(c[1]) + " " + Number(c[2]) + " " + Number(c[3]);
}

std::string Alarm(const AlarmState& a) {
  return std::string(a.side == AlarmSide::kThick ? "thick" : "thin") + " side, limit " +
         Number(a.limit) + " um, extreme " + Number(a.extreme) + " um, from " +
         Number(a.startLength) + " m, " + Number(a.offLength) + " m off gauge";
}

constexpr std::array<const char*, kSettingCount> kElementNames = {
    "basis weight",         "strip width",
    "spool diameter",       "length coefficient",
    "display period",       "file output period",
    "correction period",    "measurement time",
    "measurement quantity", "low level",
    "high level",           "measurement mode",
    "background",           "source"};

}  // namespace

std::string AuditTime() {
  return QDateTime::currentDateTime()
      .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
      .toString(Qt::ISODate)
      .toStdString();
}

void Audit(audit::AuditLog& log, const std::string& source, const std::string& kind,
           const std::string& text, const char* level) {
  if (!log.Append(level ? std::string(level) : log.Level(), source, kind, text))
    qWarning("%s: the event \"%s\" could not be written", audit::kAuditFile, kind.c_str());
}

void WireAudit(audit::AuditLog& log, RunningPass& pass) {
  struct Seen {
    bool running = false;
    AlarmState alarm;
  };
  auto seen = std::make_shared<Seen>(Seen{pass.Snapshot().passRunning, pass.Snapshot().alarm});
  QObject::connect(&pass, &RunningPass::Published, &pass, [&log, seen](const StationSnapshot& s) {
    const bool startOrStop =
        (s.changes & (StationSnapshot::kStarted | StationSnapshot::kStopped)) &&
        s.passRunning != seen->running;
    const auto passEvent = [&] {
      seen->running = s.passRunning;
      Audit(log, "window", s.passRunning ? "pass-start" : "pass-stop",
            "pass " + std::to_string(s.pass) + ", set-point " + Number(s.setPoint) + " um" +
                (s.passRunning ? "" : ", strip length " + Number(s.stripLength) + " m"));
    };
    // A pass's alarm events lie between its start and its stop, also when they come in the
    // same snapshot (the alarm returns when the strip stops).
    if (startOrStop && s.passRunning) passEvent();
    if (s.changes & StationSnapshot::kAlarm) {
      const AlarmState& before = seen->alarm;
      const AlarmState& now = s.alarm;
      if (now.active && !before.active) Audit(log, "station", "alarm-raised", Alarm(now));
      if (!now.active && before.active) Audit(log, "station", "alarm-returned", Alarm(now));
      if (now.acknowledged && !before.acknowledged)
        Audit(log, "window", "alarm-acknowledged", Alarm(now));
      seen->alarm = now;
    }
    if (startOrStop && !s.passRunning) passEvent();
  });
}

void WireAudit(audit::AuditLog& log, PlantLink& link) {
  QObject::connect(
      &link, &PlantLink::Committed, &link,
      [&log](qint16 pass, float setPoint, const QString& client) {
        Audit(log, "modbus " + client.toStdString(), "modbus-commit",
              "pass " + std::to_string(pass) + ", set-point " + Number(setPoint) + " um");
      });
}

void WireAudit(audit::AuditLog& log, Settings& settings, Station& station) {
  // The record and the tolerance as they were before each "Save" of this window.
  auto record = std::make_shared<SettingsRecord>(station.settings);
  auto tolerance = std::make_shared<Tolerance>(station.ini.ReadTolerance().tolerance);
  QObject::connect(&settings, &Settings::RecordChanged, &settings, [&log, &station, record] {
    for (int i = 0; i < kSettingCount; ++i) {
      if ((*record)[i] == station.settings[i]) continue;
      Audit(log, "window", "config",
            std::string(kConfigurationFile) + " " + std::to_string(i) + " " +
                kElementNames[static_cast<std::size_t>(i)] + ": " + Number((*record)[i]) + " -> " +
                Number(station.settings[i]));
    }
    *record = station.settings;
  });
  QObject::connect(&settings, &Settings::Saved, &settings, [&log, &station, tolerance] {
    const Tolerance now = station.ini.ReadTolerance().tolerance;
    if (now.plus == tolerance->plus && now.minus == tolerance->minus) return;
    Audit(log, "window", "tolerance",
          "plus " + Number(tolerance->plus) + " -> " + Number(now.plus) + " um, minus " +
              Number(tolerance->minus) + " -> " + Number(now.minus) + " um");
    *tolerance = now;
  });
  // What else of station.ini changed by hand since the trail last looked goes in now too;
  // the tolerance saved here has its own event above.
  QObject::connect(&settings, &Settings::Saved, &settings, [&log, &station] {
    audit::SettingsWatch(station.files, log).Check(log.Level(), "station.ini", "quality");
  });
}

void WireChanges(audit::AuditLog& log, RunningPass& pass) {
  log.OnAppended([&pass](const audit::AuditEvent& e) {
    if (e.kind != "config" && e.kind != "fit" && e.kind != "tolerance" && e.kind != "settings")
      return;
    // "2026-12-08T19:20:03+01:00": the pass's report has its date already.
    const std::string clock = e.time.size() >= 19 ? e.time.substr(11, 8) : e.time;
    pass.Quality().NoteChange(clock + " " + e.kind + ": " + e.text + " (" + e.level + ", " +
                              e.source + ")");
  });
}

void AuditIniChanges(audit::AuditLog& log, FileAccess& files, const std::string& source) {
  audit::SettingsWatch(files, log).Check(log.Level(), source);
}

void WireAudit(audit::AuditLog& log, Fitting& fitting, Station& station) {
  // A fit changes the coefficients in use at once; what counts is what "Save" committed.
  auto saved = std::make_shared<orlix::Coefficients>(station.calibration.Coef);
  QObject::connect(&fitting, &Fitting::CoefficientsSaved, &fitting, [&log, &station, saved] {
    Audit(log, "window", "fit",
          CoefficientsText(*saved) + " -> " + CoefficientsText(station.calibration.Coef) + ", " +
              std::to_string(station.calibration.PointCount) + " points");
    *saved = station.calibration.Coef;
  });
}

}  // namespace orlix
