#pragma once
// The settings window's fifth tab, "Quality": upper and lower tolerance of a pass in µm,
// edited on the window's keypad with the rules of the other tabs and stored by "Save" in
// the station's own file "station.ini" (group [quality]).

#include <QFrame>
#include <array>

#include "settings/StationIni.h"
#include "settings/ToleranceEditor.h"

class QLabel;
class QLineEdit;

namespace orlix {

class QualityPage : public QFrame {
  Q_OBJECT

 public:
  explicit QualityPage(StationIni& ini, QWidget* parent = nullptr);

  // Reads "station.ini" and shows its values; the first field becomes current.
  void Load();
  // A keypad key (0..9, 10 the point, 11 Enter) on the current field.
  void KeyPress(qint16 index);
  void Delete();
  void FocusCurrentField();
  // "Save": what could not be saved ("tolerance_plus_um is not a number", or that
  // "station.ini" cannot be written, which is then as it was); empty when it was saved.
  QString Save();
  // Why the tolerance as it stands in the fields cannot give limits; empty when it can.
  const QString& Problem() const { return problem_; }

  QLineEdit* Field(int i) const { return fields_.at(static_cast<std::size_t>(i)); }
  const ToleranceEditor& Editor() const { return editor_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowFields();
  void ShowProblem();

  StationIni& ini_;
  ToleranceEditor editor_;
  std::array<QLineEdit*, ToleranceEditor::kFieldCount> fields_{};
  QLabel* problemLabel_ = nullptr;
  QString problem_;
};

}  // namespace orlix
