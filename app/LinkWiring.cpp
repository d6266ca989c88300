#include "app/LinkWiring.h"

#include "app/QL.h"
#include "app/RunningPass.h"
#include "plantlink/net/PlantLink.h"
#include "settings/StationIni.h"
#include "widgets/SC1/SC1.h"

namespace orlix {

link::LinkSettings ReadLinkSettings(const StationIni& ini) {
  // A list ("allow = a, b") comes as its text; the parser splits it at the commas.
  std::vector<std::string> problems;
  link::LinkSettings settings = link::ParseLinkSettings(ini.Group("modbus"), &problems);
  for (const std::string& p : problems) qWarning("station.ini: %s", p.c_str());
  return settings;
}

void WirePlantLink(PlantLink& link, RunningPass& pass, QL& window) {
  // A link that is off serves nobody and asks for nothing.
  if (!link.State().enabled) return;
  QObject::connect(&pass, &RunningPass::Published, &link, &PlantLink::Publish);
  link.SetFreshSource([&pass, ms = link.Settings().updateMs] { pass.Refresh(ms); });
  QObject::connect(&link, &PlantLink::Committed, window.SetPointPanel(), &SC1::Dial);
  link.SetBoardSource([board = window.SetPointPanel()] {
    return PlantLink::Board{board->ShownSetPoint(), board->ShownPass()};
  });
  QObject::connect(&link, &PlantLink::StateChanged, &window, [&link, &window] {
    window.ShowLinkText(QString::fromStdString(link::LinkStatusText(link.State())));
  });
  link.Publish(pass.Snapshot());
  link.Start();
}

}  // namespace orlix
