#pragma once
// The settings window's fifth tab, "Quality": upper and lower tolerance of a pass in µm,
// edited on the window's keypad with the rules of the other tabs and stored by "Save" in
// the station's own file "station.ini" (group [quality]).

#include <QFrame>
#include <array>

#include "settings/StationIni.h"
#include "settings/ToleranceEditor.h"

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
  // "Save": false when "station.ini" cannot be written (it is then as it was).
  bool Save();

  QLineEdit* Field(int i) const { return fields_.at(static_cast<std::size_t>(i)); }
  const ToleranceEditor& Editor() const { return editor_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowFields();

  StationIni& ini_;
  ToleranceEditor editor_;
  std::array<QLineEdit*, ToleranceEditor::kFieldCount> fields_{};
};

}  // namespace orlix
