#include "settings/ui/LinkPage.h"

#include <QLabel>
#include <QLineEdit>

#include "widgets/common/UiCommon.h"

namespace orlix {

namespace {
constexpr std::array<const char*, 7> kCaptions = {"Modbus TCP server", "Address and port",
                                                  "Clients connected", "Writes",
                                                  "Allowed clients", "Requests", "Refused"};
}  // namespace

LinkPage::LinkPage(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  ui::Name(this, QStringLiteral("LinkPage"), QStringLiteral("Plant link"));
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const QString caption = QString::fromLatin1(kCaptions[i]);
    const int top = 150 + static_cast<int>(i) * 345;
    auto* label = new QLabel(caption, this);
    ui::PlaceTwips(label, 240, top + 30, 1860, 240);
    auto* field = new QLineEdit(this);
    field->setReadOnly(true);
    ui::Name(field, QStringLiteral("LinkField%1").arg(i), caption);
    ui::PlaceTwips(field, 2160, top, 3000, 285);
    label->setBuddy(field);
    fields_[i] = field;
  }
}

void LinkPage::Show(const link::LinkState& s) {
  const QString server = !s.enabled    ? QStringLiteral("off (station.ini, [modbus] enabled)")
                         : s.listening ? QStringLiteral("listening")
                                       : QStringLiteral("enabled, cannot listen");
  const QString texts[] = {
      server, QStringLiteral("%1 : %2").arg(QString::fromStdString(s.address)).arg(s.port),
      QStringLiteral("%1 of %2").arg(s.clients).arg(s.maxClients),
      s.writes ? QStringLiteral("set-point and pass accepted") : QStringLiteral("refused"),
      QString::fromStdString(s.allow),
      QStringLiteral("%1 answered, %2 exceptions; writes %3 applied, %4 refused")
          .arg(s.counts.answers).arg(s.counts.exceptions).arg(s.counts.writesApplied).arg(s.counts.writesRefused),
      QStringLiteral("%1 addresses, %2 over the limit, %3 malformed, %4 other unit%5")
          .arg(s.counts.refusedAddress).arg(s.counts.overLimit).arg(s.counts.malformed).arg(s.counts.otherUnit)
          .arg(s.lastProblem.empty() ? QString() : QStringLiteral("; last: ") + QString::fromStdString(s.lastProblem))};
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    fields_[i]->setText(texts[i]);
    fields_[i]->setToolTip(texts[i]);  // a long text is cut in the field
    fields_[i]->setCursorPosition(0);
  }
}

}  // namespace orlix
