#pragma once
// "Evaluate against" in the pass-file window: a tolerance typed for a pass that records no
// limits (no information file, or none usable in it), plus and minus in µm and, for a pass
// that records no set-point, the set-point too. A tap on a field opens the station's keypad
// under it: the first key replaces the field's text, Enter goes on to the next field and
// after the last one applies. The window validates and applies (EvaluateAgainst); nothing
// typed is written anywhere. For a pass with recorded limits the control is disabled.

#include <QFrame>
#include <QWidget>
#include <array>
#include <optional>

#include "passfiles/PassProfile.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace orlix {

class KP12;

class EvaluateControl : public QWidget {
  Q_OBJECT

 public:
  enum FieldIndex { kPlus, kMinus, kSetPoint, kFields };

  explicit EvaluateControl(QWidget* parent = nullptr);

  // The pass shown, or none: enabled only for a pass without recorded limits, the set-point
  // field only for one without recorded set-point. The typed texts stay for the next pass.
  void SetProfile(const PassProfile* p);

  // The tolerance typed (a side that is no number is NaN) and the set-point typed, nothing
  // when the pass records its own.
  Tolerance TypedTolerance() const;
  std::optional<double> TypedSetPoint() const;

  QLineEdit* Field(int i) const { return fields_.at(static_cast<std::size_t>(i)); }
  // The keypad under the field being typed on; hidden while none is.
  KP12* Keypad() const { return keypad_; }
  // Opens the keypad for field `i` (a tap on it does).
  void OpenKeypad(int i);

 signals:
  void Apply();
  void Clear();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Key(qint16 index);

  std::array<QLineEdit*, kFields> fields_{};
  QLabel* around_ = nullptr;         // "µm around", before the set-point field
  QLabel* recordedPoint_ = nullptr;  // "µm around 120.00 µm" for a recorded set-point
  QLabel* unit_ = nullptr;           // "µm" after the set-point field
  QPushButton* apply_ = nullptr;
  QPushButton* clear_ = nullptr;
  QFrame* popup_ = nullptr;
  KP12* keypad_ = nullptr;
  int current_ = -1;
  bool replace_ = true;  // the next key replaces the field's text
};

}  // namespace orlix
