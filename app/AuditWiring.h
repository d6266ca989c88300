#pragma once
// The audit trail in the program: which events of the station go to audit.log and how they
// read. Each event carries the level the station is at when it happens: "engineer" while an
// engineer session runs (app/AccessGate.h), "operator" otherwise.

#include <string>

namespace orlix {

namespace audit {
class AuditLog;
}
class FileAccess;
class Fitting;
class PlantLink;
class RunningPass;
class Settings;
struct Station;

// The local time of an event, ISO 8601 to the second with the offset from UTC.
std::string AuditTime();

// Appends one event at the log's level now, or at `level` when one is given; a line that
// cannot be written is warned about.
void Audit(audit::AuditLog& log, const std::string& source, const std::string& kind,
           const std::string& text, const char* level = nullptr);

// Pass start and stop and every event of the off-gauge alarm (raised, returned,
// acknowledged), from the running pass's snapshots.
void WireAudit(audit::AuditLog& log, RunningPass& pass);
// Each applied commit of a plant-link client, with the client's address as the source.
void WireAudit(audit::AuditLog& log, PlantLink& link);
// Each element of QL_CFG.DAT that a "Save" changed (old -> new) and a changed tolerance.
void WireAudit(audit::AuditLog& log, Settings& settings, Station& station);
// The changes to the calibration and the settings (kinds config, fit, tolerance, settings)
// that the trail records while a pass runs go into the pass's information file too.
void WireChanges(audit::AuditLog& log, RunningPass& pass);
// The changes of station.ini's watched groups since the trail last recorded them (at the
// program's start: edits by hand).
void AuditIniChanges(audit::AuditLog& log, FileAccess& files, const std::string& source);
// Each saved fit: the coefficients before and after, and the points it took.
void WireAudit(audit::AuditLog& log, Fitting& fitting, Station& station);

}  // namespace orlix
