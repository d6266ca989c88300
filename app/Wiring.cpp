#include "app/Wiring.h"

#include <QObject>

#include "app/LinkWiring.h"
#include "app/PassQuality.h"
#include "app/QL.h"
#include "app/RunningPass.h"
#include "app/Station.h"
#include "calibration/ui/Fitting.h"
#include "passfiles/ui/PassFiles.h"
#include "plantlink/net/PlantLink.h"
#include "settings/ui/Settings.h"

namespace orlix {

void WireWindows(QL& window, Station& station, RunningPass& pass, PlantLink& link) {
  window.SetWindowFactory(2, [&station, &pass, &link] {
    auto* settings = new Settings(station.settings, station.files, station.ini);
    // Loading the window read the configuration file into the record.
    pass.Retime();
    QObject::connect(settings, &Settings::RecordChanged, &pass, &RunningPass::Retime);
    settings->ShowLinkState(link.State());
    for (auto changed : {&PlantLink::StateChanged, &PlantLink::CountsChanged}) {
      QObject::connect(&link, changed, settings, [settings, &link] { settings->ShowLinkState(link.State()); });
    }
    return settings;
  });
  window.SetWindowFactory(
      3, [&station] { return new Fitting(station.calibration, station.daq, station.files); });
  window.SetWindowFactory(
      4, [&station] { return new PassFiles(QString::fromStdString(station.files.Location())); });
}

void StartStation(QL& window, RunningPass& pass, PlantLink& link) {
  window.Load();
  pass.Quality().RecoverUnstopped();
  WirePlantLink(link, pass, window);
}

}  // namespace orlix
