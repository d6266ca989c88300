#pragma once
// The settings window's "Link" page: the plant link's state as station.ini and the running
// server give it (shown only; the link is set up in station.ini).

#include <QFrame>
#include <array>

#include "plantlink/LinkSettings.h"

class QLineEdit;

namespace orlix {

class LinkPage : public QFrame {
  Q_OBJECT

 public:
  explicit LinkPage(QWidget* parent = nullptr);
  void Show(const link::LinkState& state);

 private:
  std::array<QLineEdit*, 7> fields_{};
};

}  // namespace orlix
