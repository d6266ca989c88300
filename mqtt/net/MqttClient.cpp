#include "mqtt/net/MqttClient.h"

#include <mosquitto.h>

#include <sys/socket.h>
#include <QDateTime>
#include <QFile>
#include <QSocketNotifier>
#include <QTime>
#include <QtConcurrent/QtConcurrentRun>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "mqtt/Payloads.h"

namespace orlix {
namespace {

// CONNACK codes of a login the broker does not take: 3.1.1 (4, 5) and 5 (0x86, 0x87).
bool LoginRefused(int reason) {
  return reason == 4 || reason == 5 || reason == 0x86 || reason == 0x87;
}
// The broker does not speak MQTT 5 (3.1.1 code 1, 5 code 0x84).
bool ProtocolRefused(int reason) { return reason == 1 || reason == 0x84; }

std::string PasswordFrom(const std::string& path, bool& ok) {
  QFile file(QString::fromStdString(path));
  ok = file.open(QIODevice::ReadOnly);
  if (!ok) return {};
  QByteArray line = file.readLine(4096);
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  return line.toStdString();
}

// libmosquitto answers a connection refused at once (on this host) with "not connected";
// the system's error says why.
QString LibraryText(int result, int error) {
  if (result == MOSQ_ERR_ERRNO || (result == MOSQ_ERR_NO_CONN && error != 0)) {
    return QString::fromLocal8Bit(std::strerror(error));
  }
  return QString::fromUtf8(mosquitto_strerror(result));
}

}  // namespace

MqttClient::MqttClient(const mqtt::MqttSettings& settings, FileAccess& outbox, QObject* parent)
    : QObject(parent),
      settings_(settings),
      outbox_(outbox),
      throttle_(settings.livePeriodMs / 1000.0) {
  static const bool initialised = mosquitto_lib_init() == MOSQ_ERR_SUCCESS;
  (void)initialised;
  dialler_.setMaxThreadCount(1);
  connect(&dialling_, &QFutureWatcher<std::pair<int, int>>::finished, this,
          [this] { Dialled(dialling_.result().first, dialling_.result().second); });
  tick_.setInterval(1000);
  connect(&tick_, &QTimer::timeout, this, [this] {
    if (mosq_ && !dialling_.isRunning()) Service(mosquitto_loop_misc(mosq_));
    if (sent_ != shownSent_) {
      shownSent_ = sent_;
      emit CountsChanged();
    }
  });
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, &MqttClient::Connect);
  live_.setSingleShot(true);
  live_.setTimerType(Qt::PreciseTimer);
  connect(&live_, &QTimer::timeout, this, &MqttClient::SendLive);
}

MqttClient::~MqttClient() {
  dialler_.waitForDone();
  if (mosq_ && connected_) {
    // A station that closes says so itself: a clean disconnect sends no will.
    Publish("state", "offline", 1, true);
    mosquitto_disconnect(mosq_);
    for (int i = 0; i < 4 && mosquitto_want_write(mosq_); ++i) mosquitto_loop_write(mosq_, 8);
  }
  if (mosq_) mosquitto_destroy(mosq_);
}

void MqttClient::Start() {
  if (!settings_.enabled) return;
  outbox_.Load();
  if (!settings_.passwordFile.empty())
    password_ = PasswordFrom(settings_.passwordFile, passwordRead_);
  tick_.start();
  Connect();
}

double MqttClient::Now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void MqttClient::Problem(const QString& text) {
  lastError_ =
      QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") + text;
  qWarning("MQTT: %s", qPrintable(text));
  emit StateChanged();
}

void MqttClient::Connect() {
  if (mosq_ || dialling_.isRunning()) return;
  const std::string id = "thickness-" + settings_.station;
  mosq_ = mosquitto_new(id.c_str(), true, this);
  if (!mosq_) return Problem(QStringLiteral("the client cannot be made")), Retry(false);
  mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION,
                       protocol_ == 5 ? MQTT_PROTOCOL_V5 : MQTT_PROTOCOL_V311);
  mosquitto_int_option(mosq_, MOSQ_OPT_TCP_NODELAY, 1);  // a live value is one small packet
  mosquitto_connect_v5_callback_set(mosq_, &MqttClient::OnConnect);
  mosquitto_disconnect_v5_callback_set(mosq_, &MqttClient::OnDisconnect);
  mosquitto_publish_v5_callback_set(mosq_, &MqttClient::OnPublish);
  const std::string state = mqtt::Topic(settings_, "state");
  mosquitto_will_set(mosq_, state.c_str(), 7, "offline", 1, true);
  if (!settings_.username.empty()) {
    if (!passwordRead_)
      Problem(QStringLiteral("the password file %1 cannot be read")
                  .arg(QString::fromStdString(settings_.passwordFile)));
    mosquitto_username_pw_set(mosq_, settings_.username.c_str(),
                              settings_.passwordFile.empty() ? nullptr : password_.c_str());
  }
  if (settings_.tls) {
    auto path = [](const std::string& p) { return p.empty() ? nullptr : p.c_str(); };
    // Without a CA file the system's certificate authorities vouch for the broker.
    const int result = mosquitto_tls_set(
        mosq_, path(settings_.caFile), settings_.caFile.empty() ? "/etc/ssl/certs" : nullptr,
        path(settings_.certFile), path(settings_.keyFile), nullptr);
    if (result != MOSQ_ERR_SUCCESS) {
      Problem(QStringLiteral("TLS files: %1").arg(LibraryText(result, errno)));
      return Drop(), Retry(false);
    }
  }
  mosquitto* mosq = mosq_;
  const mqtt::MqttSettings s = settings_;
  dialling_.setFuture(QtConcurrent::run(&dialler_, [mosq, s] {
    const int result = mosquitto_connect_async(mosq, s.host.c_str(), s.port, s.keepaliveS);
    return std::make_pair(result, errno);
  }));
}

void MqttClient::Dialled(int result, int error) {
  if (!mosq_) return;
  if (result != MOSQ_ERR_SUCCESS) {
    Problem(QStringLiteral("unreachable: %1").arg(LibraryText(result, error)));
    return Drop(), Retry(false);
  }
  const int fd = mosquitto_socket(mosq_);
  reader_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  writer_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
  // A TLS handshake goes on inside loop_read whichever way the socket is ready, so both
  // directions take both calls.
  auto service = [this, fd] {
    // A connection the broker's host refused shows on the socket itself; libmosquitto's
    // calls would only say that it is not connected.
    int error = 0;
    socklen_t size = sizeof error;
    if (!connected_ && !lost_ && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
        error != 0) {
      lost_ = true;
      Problem(QStringLiteral("unreachable: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
      return Service(MOSQ_ERR_ERRNO);
    }
    int result = mosquitto_loop_read(mosq_, 16);
    if (result == MOSQ_ERR_SUCCESS && mosq_ && !lost_) result = mosquitto_loop_write(mosq_, 16);
    Service(result);
  };
  connect(reader_, &QSocketNotifier::activated, this, service);
  connect(writer_, &QSocketNotifier::activated, this, service);
  WatchWrite();
}

void MqttClient::WatchWrite() {
  if (writer_ && mosq_) writer_->setEnabled(mosquitto_want_write(mosq_));
}

// After every libmosquitto call: a connection that ended in it is taken down here, outside
// its callbacks.
void MqttClient::Service(int result) {
  const int error = errno;
  if (!mosq_) return;
  if (result != MOSQ_ERR_SUCCESS && !lost_) {
    lost_ = true;
    if (connected_) {
      Problem(QStringLiteral("connection lost: %1").arg(LibraryText(result, error)));
    } else if (!refused_) {
      Problem(result == MOSQ_ERR_TLS
                  ? QStringLiteral("TLS failure (certificate, key or CA)")
                  : QStringLiteral("unreachable: %1").arg(LibraryText(result, error)));
    }
  }
  if (lost_) {
    const bool refused = refused_;
    Drop();
    return Retry(refused);
  }
  WatchWrite();
}

void MqttClient::Drop() {
  for (QSocketNotifier* n : {reader_, writer_}) {
    if (!n) continue;
    n->setEnabled(false);
    n->deleteLater();
  }
  reader_ = writer_ = nullptr;
  if (mosq_) mosquitto_destroy(mosq_);
  mosq_ = nullptr;
  const bool was = connected_;
  connected_ = lost_ = false;
  flying_.clear();  // still in the outbox: sent again, in order, on the next connection
  if (was) emit StateChanged();
}

void MqttClient::Retry(bool refused) {
  retry_.start(static_cast<int>(backoff_.Next(refused) * 1000));
}

void MqttClient::OnConnect(mosquitto*, void* self, int reason, int, const Property*) {
  static_cast<MqttClient*>(self)->Connected(reason);
}

void MqttClient::OnDisconnect(mosquitto*, void* self, int, const Property*) {
  auto* client = static_cast<MqttClient*>(self);
  client->lost_ = true;
  if (client->connected_) client->Problem(QStringLiteral("connection lost"));
}

void MqttClient::OnPublish(mosquitto*, void* self, int mid, int, const Property*) {
  auto* client = static_cast<MqttClient*>(self);
  ++client->sent_;
  const auto it = client->flying_.find(mid);
  if (it == client->flying_.end()) return;
  if (!client->outbox_.Acknowledged(it->second)) {
    client->Problem(
        QStringLiteral("a sent summary cannot leave the outbox; it goes again after a restart"));
  }
  client->flying_.erase(it);
  client->Drain();
  emit client->StateChanged();
}

void MqttClient::Connected(int reason) {
  refused_ = false;
  if (reason != 0) {
    lost_ = true;
    if (ProtocolRefused(reason) && protocol_ == 5) {
      protocol_ = 4;  // the next attempt speaks 3.1.1
      backoff_.Reset();
      return;
    }
    refused_ = LoginRefused(reason);
    const QString why = QString::fromUtf8(protocol_ == 5 ? mosquitto_reason_string(reason)
                                                         : mosquitto_connack_string(reason));
    Problem((refused_ ? QStringLiteral("login refused: ") : QStringLiteral("refused: ")) + why);
    return;
  }
  connected_ = true;
  backoff_.Reset();
  Publish("state", "online", 1, true);
  if (!calibration_.empty()) Publish("calibration", calibration_, 1, true);
  // Live values are not kept through an outage: the current ones go out at once.
  if (snapshotTaken_) {
    held_ = true;
    SendLive();
  }
  Drain();
  emit StateChanged();
}

bool MqttClient::Publish(const char* leaf, const std::string& payload, int qos, bool retain,
                         int* mid) {
  if (!mosq_ || !connected_) return false;
  const std::string topic = mqtt::Topic(settings_, leaf);
  const int result = mosquitto_publish(mosq_, mid, topic.c_str(), static_cast<int>(payload.size()),
                                       payload.data(), qos, retain);
  WatchWrite();
  return result == MOSQ_ERR_SUCCESS;
}

void MqttClient::Drain() {
  for (const std::string& name : outbox_.Waiting()) {
    if (!connected_ || static_cast<int>(flying_.size()) >= kInFlight) return;
    bool flying = false;
    for (const auto& entry : flying_) flying = flying || entry.second == name;
    if (flying) continue;
    const auto payload = outbox_.Read(name);
    if (!payload) continue;  // tried again on the next connection
    int mid = 0;
    if (!Publish("pass", *payload, 1, false, &mid)) return;
    flying_[mid] = name;
  }
}

void MqttClient::SendSummary(const std::string& payload) {
  if (!settings_.enabled) return;
  switch (outbox_.Add(payload)) {
    case mqtt::Outbox::Added::kQueued:
      break;
    case mqtt::Outbox::Added::kFull:
      ++refusedFull_;
      Problem(QStringLiteral("the outbox is full (%1 summaries): a pass summary is not kept")
                  .arg(outbox_.Capacity()));
      break;
    case mqtt::Outbox::Added::kFailed:
      Problem(QStringLiteral("a pass summary cannot be written to the outbox"));
      break;
  }
  Drain();
  emit StateChanged();
}

void MqttClient::SetCalibration(const std::string& payload) {
  calibration_ = payload;
  Publish("calibration", calibration_, 1, true);
}

void MqttClient::PublishLive(const StationSnapshot& snapshot) {
  if (!settings_.enabled) return;
  latest_ = snapshot;
  held_ = snapshotTaken_ = true;
  const double wait = throttle_.Wait(Now());
  if (wait <= 0) {
    live_.stop();
    SendLive();
  } else if (!live_.isActive()) {
    live_.start(static_cast<int>(std::ceil(wait * 1000)));
  }
}

void MqttClient::SendLive() {
  if (!held_) return;
  held_ = false;
  throttle_.Sent(Now());
  // Counted also while no broker takes them: a gap in the numbers is values not received.
  ++liveSequence_;
  if (!connected_) return;
  const QDateTime now = QDateTime::currentDateTime();
  Publish("live",
          mqtt::LivePayload(latest_, liveSequence_,
                            mqtt::IsoTime(now.toMSecsSinceEpoch(), now.offsetFromUtc())),
          0, false);
}

mqtt::MqttState MqttClient::State() const {
  mqtt::MqttState s;
  s.enabled = settings_.enabled;
  s.broker = (settings_.tls ? "mqtts://" : "mqtt://") + settings_.host + ":" +
             std::to_string(settings_.port);
  s.topic = settings_.prefix + "/" + settings_.station;
  s.connected = connected_;
  s.lastError = lastError_.toStdString();
  s.loginRefused = refused_;
  s.sent = sent_;
  s.waiting = outbox_.Size();
  s.capacity = outbox_.Capacity();
  s.refusedFull = refusedFull_;
  return s;
}

}  // namespace orlix
