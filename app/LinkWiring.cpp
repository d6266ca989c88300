#include "app/LinkWiring.h"

#include "app/PassQuality.h"
#include "app/QL.h"
#include "app/Station.h"
#include "plantlink/net/PlantLink.h"
#include "settings/StationIni.h"
#include "widgets/DS1/DS1.h"
#include "widgets/SC1/SC1.h"

namespace orlix {

link::LinkSettings ReadLinkSettings(const StationIni& ini) {
  // A list ("allow = a, b") comes as its text; the parser splits it at the commas.
  std::vector<std::string> problems;
  link::LinkSettings settings = link::ParseLinkSettings(ini.Group("modbus"), &problems);
  for (const std::string& p : problems) qWarning("station.ini: %s", p.c_str());
  return settings;
}

link::StationSnapshot SnapshotOf(Station& station, QL& window) {
  const MeasurementCycle& cycle = window.Cycle();
  DS1& roll = *window.RollDisplay();
  link::StationSnapshot s;
  s.passRunning = cycle.Running();
  s.measured = cycle.Running() && cycle.PassLength() > 0;
  s.thickness = roll.CurrentValue();  // the thickness of the last display update
  s.setPoint = station.values.SetPointThickness;
  s.correction = station.measure.Correction();
  s.controlOn = station.values.ControlOn;
  s.fileFailing = cycle.FileFailing();
  s.pass = station.values.PassNumber;
  s.gain = station.values.ControlGain;
  s.stripLength = cycle.PassLength();
  s.rollWeight = roll.RollWeight();
  s.rollDiameter = roll.RollDiam();
  const auto& limits = window.Quality().Limits();  // fixed at this pass's "Start"
  if (s.passRunning && limits) {
    s.lowerLimit = static_cast<float>(limits->lower);
    s.upperLimit = static_cast<float>(limits->upper);
  }
  return s;
}

void WirePlantLink(PlantLink& link, Station& station, QL& window) {
  // A link that is off serves nobody: no snapshot is taken on the display updates.
  if (!link.State().enabled) return;
  QObject::connect(&window, &QL::Displayed, &link,
                   [&link, &station, &window] { link.Publish(SnapshotOf(station, window)); });
  QObject::connect(&link, &PlantLink::Committed, window.SetPointPanel(), &SC1::Dial);
  link.SetBoardSource([board = window.SetPointPanel()] {
    return PlantLink::Board{board->ShownSetPoint(), board->ShownPass()};
  });
  QObject::connect(&link, &PlantLink::StateChanged, &window, [&link, &window] {
    window.ShowLinkText(QString::fromStdString(link::LinkStatusText(link.State())));
  });
  link.Publish(SnapshotOf(station, window));
  link.Start();
}

}  // namespace orlix
