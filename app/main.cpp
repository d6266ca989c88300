// Program start: the station's platform, its program-wide state and the main window. The
// data files live in the working directory.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/AccessGate.h"
#include "app/AuditWiring.h"
#include "app/LinkWiring.h"
#include "app/MqttWiring.h"
#include "app/QL.h"
#include "app/RunningPass.h"
#include "app/Station.h"
#include "app/Wiring.h"
#include "audit/AuditLog.h"
#include "base/SystemPlatform.h"
#include "mqtt/net/MqttClient.h"
#include "plantlink/net/PlantLink.h"
#include "widgets/common/UiCommon.h"

int main(int argc, char** argv) {
  using namespace orlix;
  // "--verify-audit": the audit trail's chain is checked, no window opens; 0 when intact.
  if (argc == 2 && std::strcmp(argv[1], "--verify-audit") == 0) {
    DirectoryFileAccess files(std::filesystem::current_path());
    const audit::VerifyResult result = audit::VerifyAudit(files);
    std::puts(audit::VerifyText(result).c_str());
    return result.intact ? 0 : 1;
  }
  // "--set-pin" (the PIN one line on standard input) and "--clear-pin": the engineer's PIN in
  // station.ini, no window opens.
  const bool setPin = argc == 2 && std::strcmp(argv[1], "--set-pin") == 0;
  if (setPin || (argc == 2 && std::strcmp(argv[1], "--clear-pin") == 0)) {
    DirectoryFileAccess files(std::filesystem::current_path());
    return RunPinCommand(setPin, files, stdin, stdout, stderr);
  }
  // Qt's own event dispatcher instead of GLib's: the station sleeps in poll() between its
  // due actions and wakes for every plant-link request, and GLib's main loop costs about a
  // fifth of the processor time of such a wake-up (docs/PERFORMANCE.md). Nothing here needs
  // GLib's loop; an explicit QT_NO_GLIB in the environment still wins.
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
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
  // The MQTT output to the plant's broker, off unless station.ini enables it; its outbox of
  // pass summaries is a folder of the working directory.
  const mqtt::MqttSettings mqttSettings = ReadMqttSettings(station.ini);
  if (mqttSettings.enabled) QDir(directory).mkpath(QString::fromLatin1(mqtt::kOutboxFolder));
  DirectoryFileAccess outbox(
      (directory + QLatin1Char('/') + QString::fromLatin1(mqtt::kOutboxFolder)).toStdString());
  MqttClient mqtt(mqttSettings, outbox);

  // The audit trail in the working directory, from the program's start to its end.
  audit::AuditLog audit(files, AuditTime);
  Audit(audit, "program", "program-start", "thickness-station started in " + files.Location());

  RunningPass pass(station);
  QL window(station, pass);
  // The engineer level: "Settings" and "Fitting" behind the PIN when station.ini has one.
  AccessGate access(station.ini, station.clock, window, &audit);
  WireWindows(window, station, pass, link, &mqtt, &audit, &access);
  // Unloading the main window ends the program at once, secondary windows and pass included.
  QObject::connect(
      &window, &QL::Unloaded, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  StartStation(window, pass, link, &mqtt, &audit);
  const int status = QApplication::exec();
  for (int command = 2; command <= 4; ++command) delete window.SecondaryWindow(command);
  Audit(audit, "program", "program-end",
        "thickness-station ended with status " + std::to_string(status));
  return status;
}
