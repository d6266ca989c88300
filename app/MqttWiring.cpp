#include "app/MqttWiring.h"

#include <QDateTime>
#include <QDir>
#include <QHostInfo>
#include <cstdlib>

#include "app/PassQuality.h"
#include "app/QL.h"
#include "app/RunningPass.h"
#include "app/Station.h"
#include "calibration/CoefFile.h"
#include "mqtt/Payloads.h"
#include "mqtt/net/MqttClient.h"
#include "settings/StationIni.h"

namespace orlix {
namespace {

// The information file's local time with its offset from UTC: "2026-12-07T10:15:02+01:00".
std::string WithOffset(const std::string& local) {
  if (local.empty()) return {};
  const QDateTime time = QDateTime::fromString(QString::fromStdString(local), Qt::ISODate);
  if (!time.isValid()) return local;
  // As the live values write it: "+00:00" also for UTC, where Qt writes "Z".
  const int minutes = std::abs(time.offsetFromUtc()) / 60;
  return (time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
          (time.offsetFromUtc() < 0 ? '-' : '+') +
          QStringLiteral("%1:%2")
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0')))
      .toStdString();
}

std::string Relative(Station& station, const QString& path) {
  if (path.isEmpty()) return {};
  return QDir(QString::fromStdString(station.files.Location()))
      .relativeFilePath(path)
      .toStdString();
}

}  // namespace

mqtt::MqttSettings ReadMqttSettings(const StationIni& ini) {
  std::vector<std::string> problems;
  mqtt::MqttSettings settings = mqtt::ParseMqttSettings(
      ini.Group("mqtt"), QHostInfo::localHostName().toStdString(), &problems);
  for (const std::string& p : problems) qWarning("station.ini: %s", p.c_str());
  return settings;
}

std::string CalibrationNow(Station& station) {
  std::optional<std::string> fitted;
  if (const auto seconds = station.files.ModifiedSeconds(kCoefficientFile)) {
    const QDateTime time = QDateTime::fromSecsSinceEpoch(*seconds);
    fitted = mqtt::IsoTime(*seconds * 1000, time.offsetFromUtc());
  }
  return mqtt::CalibrationPayload(station.calibration.Coef, fitted);
}

void WireMqtt(MqttClient& client, RunningPass& pass, Station& station, QL& window) {
  if (!client.Settings().enabled) return;
  QObject::connect(&pass, &RunningPass::Published, &client, &MqttClient::PublishLive);
  pass.AskFreshEvery(client.Settings().livePeriodMs);
  QObject::connect(&pass.Quality(), &PassQuality::Reported, &client,
                   [&client, &station](const PassInfo& info, const ReportOutcome& outcome) {
                     mqtt::PassSummary s;
                     s.station = client.Settings().station;
                     s.info = info;
                     s.start = WithOffset(info.start);
                     s.end = WithOffset(info.end);
                     s.statistics = outcome.statistics;
                     s.passFile = PassFileWriter::PassFileName(info.pass);
                     s.infoFile = InfoFileName(info.pass);
                     s.reportPdf = Relative(station, outcome.pdf);
                     s.reportCsv = Relative(station, outcome.csv);
                     client.SendSummary(mqtt::PassPayload(s));
                   });
  QObject::connect(&client, &MqttClient::StateChanged, &window, [&client, &window] {
    window.ShowMqttText(QString::fromStdString(mqtt::MqttStatusText(client.State())));
  });
  client.SetCalibration(CalibrationNow(station));
  client.Start();
  client.PublishLive(pass.Snapshot());
}

}  // namespace orlix
