#pragma once
// The plant link in the program: its settings from station.ini, the station's values it
// serves and where its commits and its state go.

#include "plantlink/LinkSettings.h"
#include "plantlink/RegisterImage.h"

namespace orlix {

class PlantLink;
class QL;
class StationIni;
struct Station;

// Group [modbus] of station.ini; only read, never written.
link::LinkSettings ReadLinkSettings(const StationIni& ini);

// The station's values as the main window last showed them.
link::StationSnapshot SnapshotOf(Station& station, QL& window);

// Publishes at every display update and change of state, dials committed values on the
// data board, keeps the main window's link text current and starts the link.
void WirePlantLink(PlantLink& link, Station& station, QL& window);

}  // namespace orlix
