#pragma once
// "Orlix / Engineer PIN": the PIN typed on the station's keypad (or the keyboard) into a
// field that shows only dots, a line for what the last try did, and "OK" and "Cancel" big
// enough for a gloved finger. The window only collects the PIN; AccessGate checks it.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orlix {

class KP12;

class PinWindow : public QDialog {
  Q_OBJECT

 public:
  // `what`: the window the PIN opens ("Settings").
  explicit PinWindow(const QString& what, QWidget* parent = nullptr);

  QLineEdit* Field() const { return field_; }
  KP12* Keypad() const { return keypad_; }
  QString Message() const;
  // The text under the field; the field is emptied for the next try.
  void ShowMessage(const QString& text);

 signals:
  // "OK" or "Enter" with the digits typed.
  void Entered(const QString& pin);

 private:
  void OnKey(qint16 index);

  QLineEdit* field_ = nullptr;
  KP12* keypad_ = nullptr;
  QLabel* message_ = nullptr;
};

}  // namespace orlix
