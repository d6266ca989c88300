#pragma once
// The station's wiring: what each command of the main window opens and what that window is
// given, and the start of the program. main() and the tests build the station through
// these, so the tests open the very windows the program opens.

namespace orlix {

namespace audit {
class AuditLog;
}
class AccessGate;
class MqttClient;
class PlantLink;
class QL;
class RunningPass;
struct Station;

// "Settings" opens the settings window on the station's settings record and files, with
// the plant link's and the MQTT output's state; whenever it changes the record, the running
// pass's cycle is timed afresh for the new periods. "Fitting" opens the calibration window on
// the calibration record, the count source and the files, and its "Save" gives the MQTT
// output the new calibration; "Files" the pass-file window on the working directory with the
// station's tolerance. With an audit trail, each "Save" of the settings and of a fit goes to it.
// With the engineer level's gate, "Settings" and "Fitting" open through it, and their "Save"
// stores only while the session that opened them runs.
void WireWindows(QL& window, Station& station, RunningPass& pass, PlantLink& link,
                 MqttClient* mqtt = nullptr, audit::AuditLog* audit = nullptr,
                 AccessGate* access = nullptr);

// Start-up: the main window loads, passes that ended without "Stop" are completed and
// reported, and the plant link and the MQTT output (when station.ini enables them) start.
// With an audit trail, passes, alarms and plant-link commits go to it.
void StartStation(QL& window, RunningPass& pass, PlantLink& link, MqttClient* mqtt = nullptr,
                  audit::AuditLog* audit = nullptr);

}  // namespace orlix
