#pragma once
// "Data board": the operator dials the pass number, the thickness set-point and the scale
// length with hold-to-repeat increment buttons, and starts and stops a pass. Only the
// groups the operator touched are reported, when "Start" is pressed.

#include <QWidget>
#include <array>
#include <vector>

#include "widgets/SC1/SetPointBoard.h"

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace orlix::ui {
class HoldRepeat;
}

namespace orlix {

class SC1 : public QWidget {
  Q_OBJECT

 public:
  explicit SC1(QWidget* parent = nullptr);

  // Shows pass P, set-point T (micrometres) and scale S (percent) without marking any group
  // changed and without raising an event. Values beyond the displays are clamped.
  void InitSC(qint16 P, float T, float S);

  // Shows pass P and set-point T exactly as if they had been dialled: "Start" then raises
  // PassChange and ThickChange with them.
  void Dial(qint16 P, float T);

  // The pass and set-point the displays show now, dialled or not yet started.
  qint16 ShownPass() const { return sc1::PassOf(board_.Texts()); }
  float ShownSetPoint() const { return sc1::ThicknessOf(board_.Texts()); }

  QSize sizeHint() const override;

  // Repeat interval of the increment buttons.
  static constexpr int kRepeatMs = 150;

 signals:
  void PassChange(qint16 value);
  void ThickChange(float value);
  void ScaleChange(float value);
  void StartProc();
  void StopProc();

 private:
  void OnStep(int slot);
  void OnStart();
  void OnStop();
  void Raise(const std::vector<sc1::BoardEvent>& events);
  void ShowTexts();
  void ShowButtons();

  sc1::SetPointBoard board_;
  QGroupBox* frame_ = nullptr;
  std::array<QLineEdit*, sc1::kSlotCount> displays_{};
  std::array<QPushButton*, sc1::kSlotCount> increments_{};
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  ui::HoldRepeat* repeat_ = nullptr;
};

}  // namespace orlix
