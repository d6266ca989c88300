#include "plantlink/net/PlantLink.h"

#include <QHostAddress>
#include <QModbusTcpServer>
#include <QTcpSocket>

#include "base/Platform.h"

namespace orlix {
namespace {

constexpr qint64 kMostUnsentBytes = 64 * 1024;  // a client that stops reading is closed

QModbusDataUnit InputUnit(const link::InputImage& image) {
  return QModbusDataUnit(QModbusDataUnit::InputRegisters, 0,
                         QList<quint16>(image.begin(), image.end()));
}

QModbusDataUnit HoldingUnit(const std::array<std::uint16_t, link::kHoldingCount>& words) {
  return QModbusDataUnit(QModbusDataUnit::HoldingRegisters, link::kHoldingFirst,
                         QList<quint16>(words.begin(), words.end()));
}

QModbusExceptionResponse Refuse(const QModbusPdu& request, link::Exception code) {
  return QModbusExceptionResponse(request.functionCode(),
                                  static_cast<QModbusPdu::ExceptionCode>(code));
}

std::string PeerText(const QTcpSocket& socket) {
  bool v4 = false;
  const quint32 address = socket.peerAddress().toIPv4Address(&v4);
  return (v4 ? QHostAddress(address) : socket.peerAddress()).toString().toStdString();
}

}  // namespace

// Qt's server with the link's function codes: 04 reads the input registers, 03 the holding
// registers and 06/16 write them (both only with `writes` on); any other function is
// answered with exception 01.
class PlantLink::Server final : public QModbusTcpServer {
 public:
  Server(PlantLink& owner) : QModbusTcpServer(&owner), owner_(owner) {}
  QModbusResponse Process(const QModbusRequest& request) { return processRequest(request); }

 protected:
  QModbusResponse processRequest(const QModbusPdu& request) override {
    switch (request.functionCode()) {
      case QModbusPdu::ReadInputRegisters:
        return QModbusTcpServer::processRequest(request);
      case QModbusPdu::ReadHoldingRegisters:
        if (!owner_.settings_.writes) return Refuse(request, link::Exception::IllegalFunction);
        return QModbusTcpServer::processRequest(request);
      case QModbusPdu::WriteSingleRegister:
      case QModbusPdu::WriteMultipleRegisters:
        return owner_.Write(request);
      default:
        return Refuse(request, link::Exception::IllegalFunction);
    }
  }

 private:
  PlantLink& owner_;
};

// Decides on each new connection before Qt's server reads from it.
class PlantLink::Observer final : public QModbusTcpConnectionObserver {
 public:
  explicit Observer(PlantLink& owner) : owner_(owner) {}
  bool acceptNewConnection(QTcpSocket* socket) override { return owner_.Accept(socket); }

 private:
  PlantLink& owner_;
};

struct PlantLink::Client {
  QPointer<QTcpSocket> socket;
  std::string address;
  std::string buffer;  // bytes of a frame not yet complete
  bool closing = false;
  QTimer idle;
  QTimer frame;
};

PlantLink::PlantLink(const link::LinkSettings& settings, FileAccess& files, Clock& clock,
                     QObject* parent)
    : QObject(parent), settings_(settings), files_(files), clock_(clock) {}

PlantLink::~PlantLink() {
  closing_ = true;
  delete server_;
}

bool PlantLink::Start() {
  if (!settings_.enabled || server_) return listening_;
  server_ = new Server(*this);
  QModbusDataUnitMap map;
  map.insert(QModbusDataUnit::InputRegisters,
             QModbusDataUnit(QModbusDataUnit::InputRegisters, 0, link::kInputRegisterCount));
  map.insert(QModbusDataUnit::HoldingRegisters,
             QModbusDataUnit(QModbusDataUnit::HoldingRegisters, link::kHoldingFirst,
                             link::kHoldingCount));
  server_->setMap(map);
  server_->setData(counter_ == 0 ? InputUnit(link::EmptyInputImage())
                                 : InputUnit(link::MakeInputImage(last_, counter_)));
  server_->setData(HoldingUnit(holding_.Words()));
  server_->setServerAddress(settings_.unit);
  server_->setConnectionParameter(QModbusDevice::NetworkAddressParameter,
                                  QString::fromStdString(settings_.listen));
  server_->setConnectionParameter(QModbusDevice::NetworkPortParameter, settings_.port);
  server_->installConnectionObserver(new Observer(*this));  // the server owns it
  connect(server_, &QModbusTcpServer::modbusClientDisconnected, this, &PlantLink::Forget);
  listening_ = server_->connectDevice();
  if (!listening_) qWarning("Plant link: %s", qPrintable(server_->errorString()));
  emit StateChanged();
  return listening_;
}

void PlantLink::Publish(const link::StationSnapshot& snapshot) {
  last_ = snapshot;
  ++counter_;
  if (!holdingSet_) {
    holding_.Reset(snapshot.setPoint, snapshot.pass);
    holdingSet_ = true;
    if (server_) server_->setData(HoldingUnit(holding_.Words()));
  }
  // One data unit: a request never sees half of one update and half of the next.
  if (server_) server_->setData(InputUnit(link::MakeInputImage(snapshot, counter_)));
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
  return s;
}

bool PlantLink::Accept(QTcpSocket* socket) {
  const std::string peer = PeerText(*socket);
  if (!link::Allowed(settings_.allow, peer)) return false;
  if (static_cast<int>(clients_.size()) >= settings_.maxClients) return false;

  auto client = std::make_unique<Client>();
  client->socket = socket;
  client->address = peer;
  client->idle.setSingleShot(true);
  client->idle.setInterval(settings_.idleTimeoutS * 1000);
  client->frame.setSingleShot(true);
  client->frame.setInterval(link::kFrameTimeoutMs);
  QPointer<QTcpSocket> guard(socket);
  connect(&client->idle, &QTimer::timeout, this, [guard] {
    if (guard) guard->disconnectFromHost();
  });
  connect(&client->frame, &QTimer::timeout, this, [guard] {
    if (guard) guard->abort();
  });
  // Connected before Qt's own reader: the link takes every byte and frames it itself.
  connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Receive(socket); });
  connect(socket, &QObject::destroyed, this, [this, socket] { Forget(socket); });
  client->idle.start();
  clients_[socket] = std::move(client);
  emit StateChanged();
  return true;
}

void PlantLink::Forget(QTcpSocket* socket) {
  if (closing_ || clients_.erase(socket) == 0) return;
  emit StateChanged();
}

void PlantLink::Receive(QTcpSocket* socket) {
  const auto it = clients_.find(socket);
  if (it == clients_.end()) return;
  Client& client = *it->second;
  const QByteArray bytes = socket->readAll();
  if (client.closing) return;
  // Closed once this signal has reached Qt's own reader too, which then finds nothing.
  auto close = [&client, socket] {
    client.closing = true;
    QMetaObject::invokeMethod(socket, &QAbstractSocket::abort, Qt::QueuedConnection);
  };
  client.buffer.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  client.idle.start();

  QByteArray answers;
  link::Frame frame;
  for (;;) {
    const link::FrameResult result = link::TakeFrame(client.buffer, frame);
    if (result == link::FrameResult::Malformed) return close();
    if (result == link::FrameResult::Incomplete) break;
    if (link::UnitAnswered(frame.unit, settings_.unit)) answers += Answer(frame, client.address);
  }
  if (client.buffer.empty()) {
    client.frame.stop();
  } else if (!client.frame.isActive()) {
    client.frame.start();
  }
  if (!answers.isEmpty()) socket->write(answers);
  if (socket->bytesToWrite() > kMostUnsentBytes) close();
}

QByteArray PlantLink::Answer(const link::Frame& frame, const std::string& client) {
  const auto function = static_cast<quint8>(frame.pdu.at(0));
  QByteArray pdu;
  if (function & 0x80) {
    pdu = QByteArray(1, static_cast<char>(function)) +
          static_cast<char>(link::Exception::IllegalFunction);
  } else {
    currentClient_ = client;
    const QModbusResponse response = server_->Process(QModbusRequest(
        static_cast<QModbusPdu::FunctionCode>(function),
        QByteArray(frame.pdu.data() + 1, static_cast<qsizetype>(frame.pdu.size() - 1))));
    const auto code = static_cast<quint8>(response.functionCode() |
                                          (response.isException() ? 0x80 : 0));
    pdu = QByteArray(1, static_cast<char>(code)) + response.data();
  }
  const std::string bytes =
      link::ResponseBytes(frame, std::string_view(pdu.constData(), static_cast<std::size_t>(pdu.size())));
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QModbusResponse PlantLink::Write(const QModbusPdu& request) {
  if (!settings_.writes) return Refuse(request, link::Exception::IllegalFunction);
  std::uint16_t address = 0;
  std::vector<std::uint16_t> values;
  const QByteArray data = request.data();
  const auto function = static_cast<std::uint8_t>(request.functionCode());
  if (!link::DecodeWrite(function, std::string_view(data.constData(), static_cast<std::size_t>(data.size())),
                         address, values)) {
    return Refuse(request, link::Exception::IllegalValue);
  }
  const link::WriteOutcome outcome =
      holding_.Write(address, values, {settings_.writes, last_.passRunning, counter_});
  if (outcome.exception != link::Exception::None) return Refuse(request, outcome.exception);
  server_->setData(HoldingUnit(holding_.Words()));
  if (outcome.commit) {
    const link::Commit& c = *outcome.commit;
    files_.Append(kLogFile, link::CommitLogLine(clock_.DateText(), clock_.TimeText(), currentClient_,
                                                last_.setPoint, last_.pass, c));
    emit Committed(c.pass, static_cast<float>(c.setPointNm / 1000.0));
  }
  const std::string answer = link::WriteAnswerData(function, address, values);
  return QModbusResponse(request.functionCode(),
                         QByteArray(answer.data(), static_cast<qsizetype>(answer.size())));
}

}  // namespace orlix
