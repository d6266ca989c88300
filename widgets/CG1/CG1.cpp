#include "widgets/CG1/CG1.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "widgets/common/HoldRepeat.h"
#include "widgets/common/StepPictures.h"
#include "widgets/common/UiCommon.h"

namespace orlix {

CG1::CG1(QWidget* parent) : QWidget(parent) {
  setFont(ui::StationFont(QStringLiteral("Arial"), 8.25));
  ui::Name(this, QStringLiteral("CG1"), QStringLiteral("Control"));

  auto* frame = new QGroupBox(this);
  ui::Name(frame, QStringLiteral("Frame1"), QStringLiteral("Control"));
  ui::PlaceTwips(frame, 0, 0, 1335, 1335);

  auto* label = new QLabel(QStringLiteral("Control"), frame);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ui::Name(label, QStringLiteral("Label1"), QStringLiteral("Control"));
  ui::PlaceTwips(label, 360, 120, 495, 255);
  // A substitute font wider than the designed one lets the caption run on to the right.
  label->resize(std::max(label->width(), label->sizeHint().width()), label->height());

  onOff_ = new QPushButton(frame);
  onOff_->setToolTip(QStringLiteral("Control On/Off"));
  // The caption tells the state; the hint names the button.
  ui::Name(onOff_, QStringLiteral("Command3"), QStringLiteral("Control On/Off"));
  ui::PlaceTwips(onOff_, 120, 360, 615, 375);
  connect(onOff_, &QPushButton::clicked, this, &CG1::OnToggle);

  auto* increase = new QPushButton(frame);
  ui::SetStepPicture(increase, ui::StepPicture::Up);
  increase->setToolTip(QStringLiteral("Increase"));
  ui::Name(increase, QStringLiteral("Command1"), QStringLiteral("Increase"));
  ui::PlaceTwips(increase, 840, 360, 375, 375);

  auto* decrease = new QPushButton(frame);
  ui::SetStepPicture(decrease, ui::StepPicture::Down);
  decrease->setToolTip(QStringLiteral("Decrease"));
  ui::Name(decrease, QStringLiteral("Command2"), QStringLiteral("Decrease"));
  ui::PlaceTwips(decrease, 840, 840, 375, 375);

  gainText_ = new QLineEdit(frame);
  gainText_->setReadOnly(true);
  gainText_->setFocusPolicy(Qt::NoFocus);
  gainText_->setFont(ui::StationFont(QStringLiteral("Arial"), 12, true));
  gainText_->setAlignment(Qt::AlignCenter);
  QPalette pal = gainText_->palette();
  pal.setColor(QPalette::Text, QPalette().color(QPalette::Base));
  pal.setColor(QPalette::Base, ui::kReadoutBackground);
  gainText_->setPalette(pal);
  gainText_->setToolTip(QStringLiteral("Gain %"));
  ui::Name(gainText_, QStringLiteral("Text1"), QStringLiteral("Gain %"));
  ui::PlaceTwips(gainText_, 120, 840, 615, 360);
  gainText_->setText(QString::fromStdString(model_.GainText()));

  repeat_ = new ui::HoldRepeat(kRepeatMs, this);
  repeat_->Watch(increase, kIncrease);
  repeat_->Watch(decrease, kDecrease);
  connect(repeat_, &ui::HoldRepeat::Step, this, &CG1::OnStep);

  setFixedSize(sizeHint());
  ShowOnOff();
}

QSize CG1::sizeHint() const { return ui::TwipsRect(0, 0, 1350, 1365).size(); }

void CG1::OnStep(int button) {
  const float gain = button == kIncrease ? model_.Increase() : model_.Decrease();
  gainText_->setText(QString::fromStdString(model_.GainText()));
  emit ControlGainChanged(gain);
}

void CG1::OnToggle() {
  const bool on = model_.Toggle();
  ShowOnOff();
  emit ControlOnOff(on);
}

void CG1::ShowOnOff() {
  onOff_->setText(QString::fromLatin1(model_.Caption()));
  ui::SetButtonBackground(onOff_, model_.On() ? ui::kPressedColor : QColor());
}

}  // namespace orlix
