#pragma once
// The MQTT output in the program: its settings from station.ini, and what it publishes: the
// running pass's snapshots, the summary of every reported pass and the calibration.

#include <string>

#include "mqtt/MqttSettings.h"

namespace orlix {

class MqttClient;
class QL;
class RunningPass;
class StationIni;
struct Station;

// Group [mqtt] of station.ini; only read, never written. The station's default name is the
// host's.
mqtt::MqttSettings ReadMqttSettings(const StationIni& ini);

// The calibration payload: the coefficients in use and when QL_CFF.DAT was last written.
std::string CalibrationNow(Station& station);

// Publishes every snapshot of the running pass (asking it for measurements every
// live_period_ms), the summary of each pass whose report is done (also one recovered after
// it ended without "Stop") and the calibration; keeps the window's link text current and
// starts the client.
void WireMqtt(MqttClient& client, RunningPass& pass, Station& station, QL& window);

}  // namespace orlix
