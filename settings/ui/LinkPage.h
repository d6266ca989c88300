#pragma once
// The settings window's "Link" page: the plant link's state as station.ini and the running
// server give it, and below it the MQTT output's (shown only; both are set up in
// station.ini).

#include <QFrame>
#include <array>

#include "mqtt/MqttSettings.h"
#include "plantlink/LinkSettings.h"

class QLineEdit;

namespace orlix {

class LinkPage : public QFrame {
  Q_OBJECT

 public:
  explicit LinkPage(QWidget* parent = nullptr);
  void Show(const link::LinkState& state);
  void Show(const mqtt::MqttState& state);

 private:
  static constexpr std::size_t kModbusRows = 7;
  std::array<QLineEdit*, kModbusRows + 3> fields_{};
  void Put(std::size_t first, const QString* texts, std::size_t count);
};

}  // namespace orlix
