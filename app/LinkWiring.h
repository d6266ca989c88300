#pragma once
// The plant link in the program: its settings from station.ini, the snapshots of the running
// pass it serves and where its commits and its state go.

#include "plantlink/LinkSettings.h"

namespace orlix {

class PlantLink;
class QL;
class RunningPass;
class StationIni;

// Group [modbus] of station.ini; only read, never written.
link::LinkSettings ReadLinkSettings(const StationIni& ini);

// Serves every snapshot of the running pass (a fresh one before an answer when the last is
// `update_ms` old), dials committed values on the main window's data board, keeps the window's
// link text current and starts the link.
void WirePlantLink(PlantLink& link, RunningPass& pass, QL& window);

}  // namespace orlix
