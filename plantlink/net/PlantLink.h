#pragma once
// The plant link: a Modbus TCP server on the window's thread (a plain QTcpServer; the
// framing and every answer are the link's own, link::Serve) that serves the station's
// values as input registers and, when allowed, takes a new set-point and pass number
// through the holding registers. Every request is answered at once from the last published
// image; nothing here waits or blocks.

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "plantlink/LinkLog.h"
#include "plantlink/LinkSettings.h"
#include "plantlink/Protocol.h"
#include "plantlink/RegisterImage.h"
#include "plantlink/Requests.h"

class QTcpServer;
class QTcpSocket;

namespace orlix {

class Clock;
class FileAccess;

class PlantLink : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kLogFile = link::kLogFile;
  // A client that leaves more answers than this unread is closed.
  static constexpr qint64 kMostUnreadBytes = 64 * 1024;

  PlantLink(const link::LinkSettings& settings, FileAccess& files, Clock& clock,
            QObject* parent = nullptr);
  ~PlantLink() override;

  // Starts listening when the link is enabled; false when it is off or the address cannot
  // be bound (the station runs on without it).
  bool Start();

  // The station's values at a display update (or a change of state between passes): all
  // registers are replaced together and the update counter advances.
  void Publish(const StationSnapshot& snapshot);
  const link::LinkSettings& Settings() const { return settings_; }

  // What the data board shows now: the set-point (µm) and pass the holding registers
  // follow until a client stages its own, and what a commit replaces.
  struct Board {
    float setPoint = 0;
    std::int16_t pass = 0;
  };
  void SetBoardSource(std::function<Board()> board) { board_ = std::move(board); }
  // Called before each answer: may publish a fresher snapshot first (settings' update_ms).
  void SetFreshSource(std::function<void()> fresh) { fresh_ = std::move(fresh); }

  link::LinkState State() const;

 signals:
  // Clients came or went, or the server started.
  void StateChanged();
  // A client (its address) committed a new set-point (µm) and pass number.
  void Committed(qint16 pass, float setPoint, const QString& client);
  // The counts or the last problem changed; at most once a second.
  void CountsChanged();

 private:
  struct Client;

  void Accept();
  void Receive(QTcpSocket* socket);
  void Forget(QTcpSocket* socket);
  void Refused(link::Refusal kind, const std::string& client);
  void CountsMoved();
  void CheckWatchdog();
  void CloseIdle();

  link::LinkSettings settings_;
  Clock& clock_;
  QTcpServer* server_ = nullptr;
  bool listening_ = false;
  std::map<QTcpSocket*, std::unique_ptr<Client>> clients_;
  link::HoldingRegisters holding_;
  bool holdingSet_ = false;
  std::function<Board()> board_;
  std::function<void()> fresh_;
  StationSnapshot last_;
  link::InputImage image_ = link::EmptyInputImage();
  link::RequestCounts counts_;
  std::string lastProblem_;
  link::LinkLog log_;
  QTimer countsTimer_;
  QTimer heartbeat_;     // a second of the link's life in input register 19; the watchdog's check
  double lastLife_ = 0;  // when the PLC last wrote its watchdog register (monotonic s)
  bool plcLost_ = false;
  quint16 counter_ = 0;
};

}  // namespace orlix
