// Program start: the station's platform, its program-wide state and the main window. The
// data files live in the working directory.
#include <QApplication>
#include <QDir>

#include "app/LinkWiring.h"
#include "app/QL.h"
#include "app/Station.h"
#include "base/SystemPlatform.h"
#include "calibration/ui/Fitting.h"
#include "passfiles/ui/PassFiles.h"
#include "plantlink/net/PlantLink.h"
#include "settings/ui/Settings.h"
#include "widgets/common/UiCommon.h"

int main(int argc, char** argv) {
  using namespace orlix;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("thickness-station"));
  QApplication::setFont(ui::StationFont(QStringLiteral("MS Sans Serif"), 8.25));

  const QString directory = QDir::currentPath();
  DirectoryFileAccess files(directory.toStdString());
  SystemClock clock;
  Pcg32Uniform uniform;
  Station station(files, clock, uniform);
  // The Modbus TCP server for the mill's controller, off unless station.ini enables it.
  PlantLink link(ReadLinkSettings(station.ini), station.files, station.clock);

  QL window(station);
  window.SetWindowFactory(2, [&station, &window, &link] {
    auto* settings = new Settings(station.settings, station.files, station.ini);
    window.RetimeCycle();  // opening read QL_CFG.DAT into the record
    QObject::connect(settings, &Settings::RecordChanged, &window, &QL::RetimeCycle);
    settings->ShowLinkState(link.State());
    QObject::connect(&link, &PlantLink::StateChanged, settings,
                     [settings, &link] { settings->ShowLinkState(link.State()); });
    return settings;
  });
  window.SetWindowFactory(
      3, [&station] { return new Fitting(station.calibration, station.daq, station.files); });
  window.SetWindowFactory(4, [&directory, &station] {
    auto* files = new PassFiles(directory);
    files->SetToleranceSource([&station] { return station.ini.ReadTolerance(); });
    return files;
  });
  // Unloading the main window ends the program at once, secondary windows and pass included.
  QObject::connect(
      &window, &QL::Unloaded, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  window.Load();
  WirePlantLink(link, station, window);
  const int status = QApplication::exec();
  for (int command = 2; command <= 4; ++command) delete window.SecondaryWindow(command);
  return status;
}
