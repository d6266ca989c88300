#pragma once
// The plant link on Qt SerialBus: a Modbus TCP server on the window's thread that serves
// the station's values as input registers and, when allowed, takes a new set-point and
// pass number through the holding registers. Every request is answered at once from the
// last published image; nothing here waits or blocks.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <map>
#include <memory>
#include <string>

#include "plantlink/LinkSettings.h"
#include "plantlink/Protocol.h"
#include "plantlink/RegisterImage.h"

class QModbusPdu;
class QModbusResponse;
class QTcpSocket;

namespace orlix {

class Clock;
class FileAccess;

class PlantLink : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kLogFile = "modbus.log";

  PlantLink(const link::LinkSettings& settings, FileAccess& files, Clock& clock,
            QObject* parent = nullptr);
  ~PlantLink() override;

  // Starts listening when the link is enabled; false when it is off or the address cannot
  // be bound (the station runs on without it).
  bool Start();

  // The station's values at a display update (or a change of state between passes): all
  // registers are replaced together and the update counter advances.
  void Publish(const link::StationSnapshot& snapshot);

  link::LinkState State() const;

 signals:
  // Clients came or went, or the server started.
  void StateChanged();
  // A client committed a new set-point (µm) and pass number.
  void Committed(qint16 pass, float setPoint);

 private:
  class Server;
  class Observer;
  struct Client;

  bool Accept(QTcpSocket* socket);
  void Receive(QTcpSocket* socket);
  void Forget(QTcpSocket* socket);
  QByteArray Answer(const link::Frame& frame, const std::string& client);
  QModbusResponse Write(const QModbusPdu& request);

  link::LinkSettings settings_;
  FileAccess& files_;
  Clock& clock_;
  Server* server_ = nullptr;
  bool listening_ = false;
  bool closing_ = false;
  std::string currentClient_;  // the client whose request is being answered
  std::map<QTcpSocket*, std::unique_ptr<Client>> clients_;
  link::HoldingRegisters holding_;
  bool holdingSet_ = false;
  link::StationSnapshot last_;
  quint16 counter_ = 0;
};

}  // namespace orlix
