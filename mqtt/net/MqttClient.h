#pragma once
// The MQTT output: a libmosquitto client on the window's thread. Its socket sits in Qt's
// event loop through two QSocketNotifiers (read, and write while libmosquitto has bytes to
// send), a one-second timer does its keep-alive, and every call returns at once, so neither
// the measurement cycle nor the windows ever wait for the broker. Only the start of a
// connection (the name lookup and the TLS files inside mosquitto_connect_async, which can
// take seconds on a bad network) runs on a worker thread of its own; the handle is not
// touched here until that call is back. This rather than libmosquitto's own thread: one
// thread owns the handle, the outbox and the counters, with nothing to lock and no
// hand-over of the snapshots, and the station's back-off rule decides when to try again.
//
// Live values go out with QoS 0, throttled to live_period_ms, and only while connected;
// pass summaries go through the outbox (mqtt/Outbox.h) with QoS 1 and leave it at the
// broker's PUBACK. "online" (retained) on the state topic at each connection, "offline" as
// the will; the calibration retained.

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "core/StationSnapshot.h"
#include "mqtt/MqttSettings.h"
#include "mqtt/Outbox.h"
#include "mqtt/Pacing.h"

class QSocketNotifier;
struct mosquitto;
struct mqtt5__property;

namespace orlix {

class FileAccess;

class MqttClient : public QObject {
  Q_OBJECT

 public:
  // Summaries handed to the broker before their acknowledgements come.
  static constexpr int kInFlight = 10;

  // `outbox` is the outbox folder's files.
  MqttClient(const mqtt::MqttSettings& settings, FileAccess& outbox, QObject* parent = nullptr);
  ~MqttClient() override;

  const mqtt::MqttSettings& Settings() const { return settings_; }
  // Takes what an earlier run left in the outbox and connects, when enabled.
  void Start();

  // The station's values; at most one live message per live_period_ms goes out.
  void PublishLive(const StationSnapshot& snapshot);
  // A pass summary: into the outbox, then to the broker when it can take it.
  void SendSummary(const std::string& payload);
  // The calibration in use: published retained now and at every connection.
  void SetCalibration(const std::string& payload);

  mqtt::MqttState State() const;

 signals:
  // Connected or not, a new error, the outbox's size.
  void StateChanged();
  // The count of messages sent moved; at most once a second.
  void CountsChanged();

 private:
  using Property = mqtt5__property;
  static void OnConnect(mosquitto*, void* self, int reason, int flags, const Property*);
  static void OnDisconnect(mosquitto*, void* self, int reason, const Property*);
  static void OnPublish(mosquitto*, void* self, int mid, int reason, const Property*);

  void Connect();
  void Dialled(int result, int error);
  void Service(int result);
  void Connected(int reason);
  void Drop();
  void Retry(bool refused);
  void Drain();
  void SendLive();
  bool Publish(const char* leaf, const std::string& payload, int qos, bool retain,
               int* mid = nullptr);
  void Problem(const QString& text);
  void WatchWrite();
  double Now() const;

  mqtt::MqttSettings settings_;
  mqtt::Outbox outbox_;
  mqtt::Backoff backoff_;
  mqtt::LiveThrottle throttle_;
  std::string password_;
  bool passwordRead_ = true;
  int protocol_ = 5;  // MQTT 5; 4 (3.1.1) after a broker refused 5

  mosquitto* mosq_ = nullptr;
  QThreadPool dialler_;
  QFutureWatcher<std::pair<int, int>> dialling_;
  QSocketNotifier* reader_ = nullptr;
  QSocketNotifier* writer_ = nullptr;
  QTimer tick_;   // keep-alive and the counts
  QTimer retry_;  // the next attempt
  QTimer live_;   // a held live value
  bool connected_ = false;
  bool lost_ = false;  // the connection ended inside a libmosquitto call
  bool refused_ = false;
  QString lastError_;
  std::map<int, std::string> flying_;  // message id -> outbox entry
  std::string calibration_;
  StationSnapshot latest_;
  bool held_ = false;
  bool snapshotTaken_ = false;
  std::uint64_t liveSequence_ = 0;
  std::uint64_t sent_ = 0;
  std::uint64_t shownSent_ = 0;
  std::uint64_t refusedFull_ = 0;
};

}  // namespace orlix
