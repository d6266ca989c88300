#include "app/Wiring.h"

#include <QObject>
#include <QPointer>
#include <memory>

#include "app/AccessGate.h"
#include "app/AuditWiring.h"
#include "app/LinkWiring.h"
#include "app/MqttWiring.h"
#include "app/PassQuality.h"
#include "app/QL.h"
#include "app/RunningPass.h"
#include "app/Station.h"
#include "audit/ui/AuditWindow.h"
#include "calibration/ui/Fitting.h"
#include "mqtt/net/MqttClient.h"
#include "passfiles/ui/PassFiles.h"
#include "plantlink/net/PlantLink.h"
#include "settings/ui/Settings.h"

namespace orlix {

void WireWindows(QL& window, Station& station, RunningPass& pass, PlantLink& link, MqttClient* mqtt,
                 audit::AuditLog* audit, AccessGate* access) {
  // The engineer's windows: asked for through the gate, and closed with its session.
  const auto engineers = [&window, access](int command, const QString& what) {
    if (!access) return;
    window.SetWindowGate(command, [access, what](std::function<void()> open) {
      access->Ask(what, std::move(open));
    });
  };
  const auto guard = [access](auto* w) {
    if (!access) return;
    w->SetSaveCheck([access] { return access->SaveAllowed(); });
    access->Guard(w);
  };
  engineers(2, QStringLiteral("Settings"));
  engineers(3, QStringLiteral("Fitting"));
  window.SetWindowFactory(2, [&station, &pass, &link, mqtt, audit, guard] {
    auto* settings = new Settings(station.settings, station.files, station.ini);
    guard(settings);
    // Loading the window read the configuration file into the record.
    pass.Retime();
    if (audit) WireAudit(*audit, *settings, station);
    QObject::connect(settings, &Settings::RecordChanged, &pass, &RunningPass::Retime);
    settings->ShowLinkState(link.State());
    for (auto changed : {&PlantLink::StateChanged, &PlantLink::CountsChanged}) {
      QObject::connect(&link, changed, settings,
                       [settings, &link] { settings->ShowLinkState(link.State()); });
    }
    if (mqtt) {
      settings->ShowMqttState(mqtt->State());
      for (auto changed : {&MqttClient::StateChanged, &MqttClient::CountsChanged}) {
        QObject::connect(mqtt, changed, settings,
                         [settings, mqtt] { settings->ShowMqttState(mqtt->State()); });
      }
    }
    return settings;
  });
  window.SetWindowFactory(3, [&station, mqtt, audit, guard] {
    auto* fitting = new Fitting(station.calibration, station.daq, station.files);
    guard(fitting);
    if (audit) WireAudit(*audit, *fitting, station);
    if (mqtt) {
      QObject::connect(fitting, &Fitting::CoefficientsSaved, mqtt,
                       [&station, mqtt] { mqtt->SetCalibration(CalibrationNow(station)); });
    }
    return fitting;
  });
  window.SetWindowFactory(4, [&station] {
    const QString directory = QString::fromStdString(station.files.Location());
    auto* files = new PassFiles(directory);
    // One trail window beside the pass-file window, closed with it.
    auto trail = std::make_shared<QPointer<AuditWindow>>();
    QObject::connect(files, &PassFiles::AuditAsked, files, [files, directory, trail] {
      if (!*trail) *trail = new AuditWindow(directory, files);
      (*trail)->show();
      (*trail)->raise();
      (*trail)->activateWindow();
    });
    return files;
  });
}

void StartStation(QL& window, RunningPass& pass, PlantLink& link, MqttClient* mqtt,
                  audit::AuditLog* audit) {
  window.Load();
  if (audit) {
    WireAudit(*audit, pass);
    WireAudit(*audit, link);
    WireChanges(*audit, pass);
    // Edits of station.ini made while the station was off.
    AuditIniChanges(*audit, pass.Owner().files, "station.ini");
  }
  pass.Quality().RecoverUnstopped();
  WirePlantLink(link, pass, window);
  // Before the event loop runs: the recovered passes' reports are still being made.
  if (mqtt) WireMqtt(*mqtt, pass, pass.Owner(), window);
}

}  // namespace orlix
