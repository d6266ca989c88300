#include "widgets/DS1/DS1.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

struct ModeButton {
  const char* caption;
  const char* hint;
  int left;
  int top;
};

constexpr std::array<ModeButton, DS1Model::kModeCount> kModeButtons = {{
    {"Thickness", "Thickness", 120, 960},
    {"Strip length", "Strip length", 1080, 960},
    {"Roll weght", "Roll weight", 120, 1440},
    {"Roll diam.", "Roll diameter", 1080, 1440},
}};

// The station's sans-serif face: the named family where installed, else the closest
// narrow sans-serif faces, so captions fit their buttons.
QFont SansFont(double points) {
  QFont font = ui::StationFont(QStringLiteral("MS Sans Serif"), points);
  font.setStyleHint(QFont::SansSerif);
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Nimbus Sans"), QStringLiteral("Arial"),
                    QStringLiteral("DejaVu Sans")});
  return font;
}

QString Title(int mode) { return QString::fromUtf8(DS1Model::Title(mode)); }

}  // namespace

DS1::DS1(QWidget* parent) : QWidget(parent) {
  setFont(SansFont(8.25));
  auto* frame = new QGroupBox(QStringLiteral("Diaplay "), this);
  ui::Name(frame, QStringLiteral("Frame1"), QStringLiteral("Diaplay "));
  ui::PlaceTwips(frame, 0, 0, 2175, 1935);

  text_ = new QLineEdit(frame);
  text_->setObjectName(QStringLiteral("Text1"));
  text_->setReadOnly(true);
  text_->setFocusPolicy(Qt::NoFocus);
  text_->setFont(SansFont(24));
  text_->setTextMargins(0, 0, 0, 0);
  // Text in the system window colour (the base of entry fields) on the read-out purple.
  QPalette pal = text_->palette();
  pal.setColor(QPalette::Text, QPalette().color(QPalette::Base));
  pal.setColor(QPalette::Base, ui::kReadoutBackground);
  text_->setPalette(pal);
  // Filled, the field counts as opaque: its updates leave the frame around it unpainted.
  text_->setAutoFillBackground(true);
  text_->setText(QString::fromUtf8(DS1Model::kDesignText));
  ui::PlaceTwips(text_, 120, 240, 1935, 615);

  for (int i = 0; i < DS1Model::kModeCount; ++i) {
    const ModeButton& mb = kModeButtons[static_cast<std::size_t>(i)];
    auto* button = new QPushButton(QString::fromUtf8(mb.caption), frame);
    ui::Name(button, QStringLiteral("CmMode%1").arg(i), QString::fromUtf8(mb.caption));
    button->setToolTip(QString::fromUtf8(mb.hint));
    ui::PlaceTwips(button, mb.left, mb.top, 975, 375);
    connect(button, &QPushButton::clicked, this, [this, i] { SelectMode(i); });
    modeButtons_[static_cast<std::size_t>(i)] = button;
  }

  // The model starts in the thickness mode with its data reset; highlight its button.
  SelectMode(model_.CurrentMode());
}

QSize DS1::sizeHint() const { return ui::TwipsRect(0, 0, 2235, 2010).size(); }

float DS1::RollWeight() { return model_.ReadRollWeight(); }
float DS1::RollDiam() { return model_.ReadRollDiam(); }

void DS1::setCurrentValue(float value) {
  model_.SetCurrentValue(value);
  const QString text = QString::fromStdString(model_.Text());
  if (text_->text() != text) text_->setText(text);
}

void DS1::setSpoolDiam(float value) { model_.SetSpoolDiam(value); }
void DS1::setStripLength(float value) { model_.SetStripLength(value); }
void DS1::setStripWidth(float value) { model_.SetStripWidth(value); }
void DS1::setBasisWeight(float value) { model_.SetBasisWeight(value); }
void DS1::setRollWeight(float value) { model_.SetRollWeight(value); }
void DS1::setRollDiam(float value) { model_.SetRollDiam(value); }

void DS1::ResetData() { model_.ResetData(); }

void DS1::SelectMode(int mode) {
  if (mode < 0 || mode >= DS1Model::kModeCount) return;
  ui::SetButtonBackground(modeButtons_[static_cast<std::size_t>(model_.CurrentMode())], QColor());
  ui::SetButtonBackground(modeButtons_[static_cast<std::size_t>(mode)], ui::kPressedColor);
  model_.SelectMode(mode);
  const QString title = Title(mode);
  text_->setToolTip(title);
  text_->setAccessibleName(title);
}

void DS1::ReadProperties(const PropertyBag& bag) { model_.ReadProperties(bag); }

void DS1::WriteProperties(PropertyBag& bag) const { model_.WriteProperties(bag); }

QString DS1::PropertyHelp(const QString& property) {
  return QString::fromStdString(DS1Model::HelpText(property.toStdString()));
}

}  // namespace orlix
