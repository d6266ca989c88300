#include "plantlink/net/PlantLink.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include "base/Platform.h"

namespace orlix {
namespace {

std::string PeerText(const QTcpSocket& socket) {
  bool v4 = false;
  const quint32 address = socket.peerAddress().toIPv4Address(&v4);
  return (v4 ? QHostAddress(address) : socket.peerAddress()).toString().toStdString();
}

void Add(link::RequestCounts& to, const link::RequestCounts& from) {
  to.answers += from.answers;
  to.exceptions += from.exceptions;
  to.otherUnit += from.otherUnit;
  to.malformed += from.malformed;
  to.writesApplied += from.writesApplied;
  to.writesRefused += from.writesRefused;
  to.commits += from.commits;
  to.refusedAddress += from.refusedAddress;
  to.overLimit += from.overLimit;
}

}  // namespace

struct PlantLink::Client {
  QPointer<QTcpSocket> socket;
  std::string address;
  std::string buffer;  // the start of a frame not yet complete
  bool closing = false;
  double heard = 0;  // monotonic s of the last bytes from the client
  QTimer frame;      // from the first byte of the incomplete frame in `buffer`
};

PlantLink::PlantLink(const link::LinkSettings& settings, FileAccess& files, Clock& clock,
                     QObject* parent)
    : QObject(parent), settings_(settings), clock_(clock), log_(files, clock) {
  countsTimer_.setSingleShot(true);
  countsTimer_.setInterval(1000);
  connect(&countsTimer_, &QTimer::timeout, this, &PlantLink::CountsChanged);
  heartbeat_.setInterval(1000);
  connect(&heartbeat_, &QTimer::timeout, this, [this] {
    ++image_[link::kHeartbeat];
    CheckWatchdog();
    CloseIdle();
  });
}

PlantLink::~PlantLink() {
  // The sockets are the server's children; their destroyed() must not reach Forget.
  for (auto& [socket, client] : clients_) {
    if (client->socket) client->socket->disconnect(this);
  }
  delete server_;
}

bool PlantLink::Start() {
  if (!settings_.enabled || server_) return listening_;
  server_ = new QTcpServer(this);
  connect(server_, &QTcpServer::newConnection, this, &PlantLink::Accept);
  heartbeat_.start();
  lastLife_ = clock_.MonotonicSeconds();  // the PLC has plc_watchdog_s from now on
  listening_ = server_->listen(QHostAddress(QString::fromStdString(settings_.listen)),
                               static_cast<quint16>(settings_.port));
  if (!listening_) qWarning("Plant link: %s", qPrintable(server_->errorString()));
  emit StateChanged();
  return listening_;
}

void PlantLink::Publish(const StationSnapshot& snapshot) {
  last_ = snapshot;
  ++counter_;
  if (!holdingSet_) {
    holding_.Reset(snapshot.setPoint, snapshot.pass);
    holdingSet_ = true;
  }
  // One image: a request never sees half of one update and half of the next.
  const std::uint16_t heartbeat = image_[link::kHeartbeat];
  image_ = link::MakeInputImage(snapshot, counter_);
  image_[link::kHeartbeat] = heartbeat;
}

link::LinkState PlantLink::State() const {
  link::LinkState s;
  s.enabled = settings_.enabled;
  s.listening = listening_;
  s.address = settings_.listen;
  s.port = settings_.port;
  s.clients = static_cast<int>(clients_.size());
  s.maxClients = settings_.maxClients;
  s.writes = settings_.writes;
  s.allow = settings_.allowText;
  s.counts = counts_;
  s.lastProblem = lastProblem_;
  s.plcLost = plcLost_;
  return s;
}

void PlantLink::CheckWatchdog() {
  const int limit = settings_.plcWatchdogS;
  if (limit <= 0 || plcLost_ || clock_.MonotonicSeconds() - lastLife_ <= limit) return;
  plcLost_ = true;
  log_.Append(clock_.DateText() + " " + clock_.TimeText() +
              "  PLC lost: watchdog register not written for " + std::to_string(limit) + " s\n");
  emit StateChanged();
}

// Checked with the heartbeat rather than by a timer per client, which every request would
// have to start afresh: a connection closes within a second after idle_timeout_s.
void PlantLink::CloseIdle() {
  const double now = clock_.MonotonicSeconds();
  for (auto& [socket, client] : clients_) {
    if (!client->closing && now - client->heard >= settings_.idleTimeoutS) {
      client->closing = true;
      socket->disconnectFromHost();
    }
  }
}

void PlantLink::CountsMoved() {
  if (!countsTimer_.isActive()) countsTimer_.start();
}

void PlantLink::Refused(link::Refusal kind, const std::string& client) {
  lastProblem_ = clock_.TimeText() + "  " + client + "  " + link::RefusalText(kind);
  log_.Refused(kind, client);
}

void PlantLink::Accept() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    const std::string peer = PeerText(*socket);
    const bool allowed = link::Allowed(settings_.allow, peer);
    if (!allowed || static_cast<int>(clients_.size()) >= settings_.maxClients) {
      ++(allowed ? counts_.overLimit : counts_.refusedAddress);
      Refused(allowed ? link::Refusal::TooMany : link::Refusal::Address, peer);
      CountsMoved();
      socket->abort();
      socket->deleteLater();
      continue;
    }
    auto client = std::make_unique<Client>();
    client->socket = socket;
    client->address = peer;
    client->frame.setSingleShot(true);
    client->frame.setInterval(link::kFrameTimeoutMs);
    QPointer<QTcpSocket> guard(socket);
    connect(&client->frame, &QTimer::timeout, this, [guard] {
      if (guard) guard->abort();
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Receive(socket); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this, socket] { Forget(socket); });
    client->heard = clock_.MonotonicSeconds();
    clients_[socket] = std::move(client);
    emit StateChanged();
  }
}

void PlantLink::Forget(QTcpSocket* socket) {
  if (clients_.erase(socket) == 0) return;
  emit StateChanged();
}

void PlantLink::Receive(QTcpSocket* socket) {
  const auto it = clients_.find(socket);
  if (it == clients_.end()) return;
  Client& client = *it->second;
  const QByteArray bytes = socket->readAll();
  if (client.closing) return;
  const std::size_t held = client.buffer.size() + static_cast<std::size_t>(bytes.size());
  client.buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  client.heard = clock_.MonotonicSeconds();

  if (fresh_) fresh_();
  const Board board = board_ ? board_() : Board{last_.setPoint, last_.pass};
  if (holdingSet_) holding_.Follow(board.setPoint, board.pass);
  const link::Served served = link::Serve(
      client.buffer, image_, holding_,
      {settings_.unit, settings_.writes, settings_.plcWatchdogS > 0, last_.passRunning, counter_});
  Add(counts_, served.counts);
  if (served.counts.otherUnit) Refused(link::Refusal::OtherUnit, client.address);
  if (served.counts.writesRefused) Refused(link::Refusal::Write, client.address);
  if (served.counts.malformed) Refused(link::Refusal::Malformed, client.address);
  CountsMoved();
  if (served.watchdog) {
    lastLife_ = clock_.MonotonicSeconds();
    if (plcLost_) {
      plcLost_ = false;
      log_.Append(clock_.DateText() + " " + clock_.TimeText() + "  " + client.address +
                  "  PLC back\n");
      emit StateChanged();
    }
  }
  for (const link::Commit& c : served.commits) {
    log_.Append(link::CommitLogLine(clock_.DateText(), clock_.TimeText(), client.address,
                                    board.setPoint, board.pass, c));
    emit Committed(c.pass, static_cast<float>(c.setPointNm / 1000.0),
                   QString::fromStdString(client.address));
  }
  // The frame timer runs from the first byte of the frame that is still incomplete: a
  // frame taken in this read means the rest began in it.
  if (client.buffer.empty()) {
    client.frame.stop();
  } else if (client.buffer.size() < held || !client.frame.isActive()) {
    client.frame.start();
  }
  if (!served.answer.empty()) {
    socket->write(served.answer.data(), static_cast<qint64>(served.answer.size()));
    socket->flush();  // what the system takes now is no longer the client's debt
  }
  if (served.close) {
    client.closing = true;
    client.frame.stop();
    socket->disconnectFromHost();  // after the answers already made
  } else if (socket->bytesToWrite() > kMostUnreadBytes) {
    client.closing = true;
    socket->abort();
  }
}

}  // namespace orlix
