#pragma once
// "Control": switches the thickness correction on and off and sets its gain in percent
// (1 to 100, hold-to-repeat, cyclic). Every change is reported at once.

#include <QWidget>

#include "widgets/CG1/ControlGain.h"

class QLineEdit;
class QPushButton;

namespace orlix::ui {
class HoldRepeat;
}

namespace orlix {

class CG1 : public QWidget {
  Q_OBJECT

 public:
  explicit CG1(QWidget* parent = nullptr);

  float Gain() const { return model_.Gain(); }
  bool On() const { return model_.On(); }

  QSize sizeHint() const override;

  // Repeat interval of "Increase" and "Decrease".
  static constexpr int kRepeatMs = 100;

 signals:
  void ControlGainChanged(float Gain);
  void ControlOnOff(bool OnOff);

 private:
  enum Button { kIncrease = 1, kDecrease = 2 };
  void OnStep(int button);
  void OnToggle();
  void ShowOnOff();

  cg1::ControlGain model_;
  QPushButton* onOff_ = nullptr;
  QLineEdit* gainText_ = nullptr;
  ui::HoldRepeat* repeat_ = nullptr;
};

}  // namespace orlix
