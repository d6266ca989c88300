#pragma once
// Twelve-key keypad for entering numbers with the mouse. It keeps no value: every click is
// reported with the key's index and the container builds the number.

#include <QWidget>
#include <array>

class QPushButton;

namespace orlix {

class KP12 : public QWidget {
  Q_OBJECT

 public:
  explicit KP12(QWidget* parent = nullptr);

  static constexpr int kKeyCount = 12;
  static constexpr qint16 kPointKey = 10;
  static constexpr qint16 kEnterKey = 11;

  // Key `index` (0..11); its object name is "Command1_<index>".
  QPushButton* Key(int index) const { return keys_.at(static_cast<std::size_t>(index)); }

  QSize sizeHint() const override;

 signals:
  // Occures when a key is pressed.
  // Index = 0-9 numbers.
  // Index = 10 point.
  // Index = 11 Enter.
  void KeyPress12(qint16 Index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<QPushButton*, kKeyCount> keys_{};
};

}  // namespace orlix
