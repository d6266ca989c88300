#pragma once
// The calibration window "Orlix / Fitting": the operator types each reference sample's
// thickness on the keypad and presses "Enter", which takes one count as the sample's
// intensity; "F IT" fits the cubic to the points entered, shows the coefficients, the
// deviation and the points with the curve; "Save" writes the points and coefficients files
// and closes the window. Every successful fit is used by the measurement at once.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "calibration/FittingLogic.h"

class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;

namespace orlix {

class FileAccess;
class GR1;
class KP12;
class QLDAQ;

class Fitting : public QWidget {
  Q_OBJECT

 public:
  // Reads the points file into the calibration record the measurement uses (points 1..15
  // cleared first), shows point 1 and fits all the points read. Each entered point takes
  // its intensity from `daq`.
  Fitting(CalibrationData& calibration, QLDAQ& daq, FileAccess& files, QWidget* parent = nullptr);
  ~Fitting() override;

  // Window state.
  std::int16_t PointNumber() const { return entry_.PointNumber(); }
  std::int16_t ShowingStored() const { return entry_.ShowingStored(); }
  std::int16_t FitFailed() const { return fitFailed_; }
  double IntensityMax() const { return intensityMax_; }
  double ThicknessMax() const { return thicknessMax_; }
  // The number of points "F IT" fits and "Save" writes.
  std::int16_t FitCount() const { return entry_.FitCount(); }

  // Fits points 1..PointCount of the station's record and shows the result; after a failed
  // fit, or with fewer than 2 points, only "F IT" turns red.
  void FitAndShow();
  // Empties the thickness and intensity fields and zeroes the current point.
  void ClearCurrentPoint();

  // What the last "Save" that failed reported; empty after a successful one.
  QString SaveMessage() const { return saveMessage_; }

  GR1* Graph() const { return gr11_; }
  KP12* Keypad() const { return kp121_; }
  // Asked by "Save" before anything is written: when it says no (the engineer session that
  // opened the window has ended), the window closes without saving.
  void SetSaveCheck(std::function<bool()> check) { saveCheck_ = std::move(check); }

 public slots:
  // A key of the keypad: 0..9, 10 for ".", 11 for "Enter".
  void KeyPress12(qint16 Index);

 signals:
  // "Save" wrote the coefficients file: the station's outputs take the new coefficients.
  void CoefficientsSaved();

 protected:
  // Digits, "." and Enter typed on the keyboard act as the keypad's keys.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildLayout();
  void ShowEntry();
  void Fit();
  void Save();
  void ReportSaveFailure(const QString& text);

  CalibrationData& calibration_;
  QLDAQ& daq_;
  FileAccess& files_;
  PointEntry entry_;
  std::int16_t fitFailed_ = kTrue16;
  double intensityMax_ = 0.0;
  double thicknessMax_ = 0.0;
  QString saveMessage_;

  GR1* gr11_ = nullptr;
  KP12* kp121_ = nullptr;
  QLineEdit* text5_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  std::array<QLineEdit*, 4> text3_{};
  QLineEdit* text4_ = nullptr;
  QPushButton* command1_ = nullptr;  // "Close"
  QPushButton* command6_ = nullptr;  // "Save"
  QPushButton* command4_ = nullptr;  // "Del"
  QPushButton* command5_ = nullptr;  // "F IT"
  QPointer<QMessageBox> saveBox_;
  std::function<bool()> saveCheck_;
};

}  // namespace orlix
