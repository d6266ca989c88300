#include "settings/ui/LinkPage.h"

#include <QLabel>
#include <QLineEdit>

#include "widgets/common/UiCommon.h"

namespace orlix {

namespace {
constexpr std::array<const char*, 10> kCaptions = {
    "Modbus TCP server", "Address and port", "Clients connected", "Writes",
    "Allowed clients",   "Requests",         "Refused",           "MQTT broker",
    "MQTT last error",   "MQTT messages"};
}  // namespace

LinkPage::LinkPage(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  ui::Name(this, QStringLiteral("LinkPage"), QStringLiteral("Plant link"));
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const QString caption = QString::fromLatin1(kCaptions[i]);
    const int top = 75 + static_cast<int>(i) * 255;
    auto* label = new QLabel(caption, this);
    ui::PlaceTwips(label, 240, top + 15, 1860, 225);
    auto* field = new QLineEdit(this);
    field->setReadOnly(true);
    ui::Name(field,
             i < kModbusRows ? QStringLiteral("LinkField%1").arg(i)
                             : QStringLiteral("MqttField%1").arg(i - kModbusRows),
             caption);
    ui::PlaceTwips(field, 2160, top, 3000, 240);
    label->setBuddy(field);
    fields_[i] = field;
  }
}

void LinkPage::Show(const link::LinkState& s) {
  const QString server = !s.enabled    ? QStringLiteral("off (station.ini, [modbus] enabled)")
                         : s.listening ? QStringLiteral("listening")
                                       : QStringLiteral("enabled, cannot listen");
  const QString texts[] = {
      server,
      QStringLiteral("%1 : %2").arg(QString::fromStdString(s.address)).arg(s.port),
      QStringLiteral("%1 of %2").arg(s.clients).arg(s.maxClients),
      s.writes ? QStringLiteral("set-point and pass accepted") : QStringLiteral("refused"),
      QString::fromStdString(s.allow),
      QStringLiteral("%1 answered, %2 exceptions; writes %3 applied, %4 refused")
          .arg(s.counts.answers)
          .arg(s.counts.exceptions)
          .arg(s.counts.writesApplied)
          .arg(s.counts.writesRefused),
      QStringLiteral("%1 addresses, %2 over the limit, %3 malformed, %4 other unit%5")
          .arg(s.counts.refusedAddress)
          .arg(s.counts.overLimit)
          .arg(s.counts.malformed)
          .arg(s.counts.otherUnit)
          .arg(s.lastProblem.empty()
                   ? QString()
                   : QStringLiteral("; last: ") + QString::fromStdString(s.lastProblem))};
  Put(0, texts, kModbusRows);
}

void LinkPage::Show(const mqtt::MqttState& s) {
  const QString broker = QString::fromStdString(s.broker + " as " + s.topic);
  const QString outbox =
      s.waiting >= s.capacity && s.capacity > 0
          ? QStringLiteral("outbox FULL: %1 summaries waiting, %2 not kept")
                .arg(s.waiting)
                .arg(s.refusedFull)
          : QStringLiteral("%1 summaries waiting (of %2)").arg(s.waiting).arg(s.capacity);
  const QString texts[] = {
      !s.enabled    ? QStringLiteral("off (station.ini, [mqtt] enabled)")
      : s.connected ? QStringLiteral("connected, ") + broker
                    : QStringLiteral("not connected, ") + broker,
      s.lastError.empty() ? QStringLiteral("none") : QString::fromStdString(s.lastError),
      s.enabled ? QStringLiteral("%1 sent, ").arg(s.sent) + outbox : QString()};
  Put(kModbusRows, texts, 3);
}

void LinkPage::Put(std::size_t first, const QString* texts, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    QLineEdit* field = fields_[first + i];
    field->setText(texts[i]);
    field->setToolTip(texts[i]);  // a long text is cut in the field
    field->setCursorPosition(0);
  }
}

}  // namespace orlix
