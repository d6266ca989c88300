#pragma once
// The main window: the instruments, the operator panels, the clock and sample fields and
// the window's commands; it runs the measurement cycle of a pass as single steps on Qt's
// event loop, each when the cycle has something to do, and sleeps in between.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/MeasurementCycle.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace orlix {

class HI1;
class AR1;
class TP1;
class DS1;
class SC1;
class CG1;
class PassQuality;
struct Station;

class QL : public QWidget {
  Q_OBJECT

 public:
  explicit QL(Station& station, QWidget* parent = nullptr);
  ~QL() override;

  // The start-up sequence: configuration and coefficients, resets, start values, panels
  // and instruments primed, the window shown, the first sample, the clock started.
  void Load();

  // Hands set-point, scale and roll parameters to the instruments.
  void ApplySetPoint();
  void ApplyScale();
  void ApplyRollParameters();

  MeasurementCycle& Cycle() { return *cycle_; }
  bool PassRunning() const;

  // Times the cycle's next step afresh: after the settings were saved, from the new periods.
  void RetimeCycle() { ArmCycle(); }

  // What opens a secondary window; the main window keeps no other link to it.
  using WindowFactory = std::function<QWidget*()>;
  void SetWindowFactory(int command, WindowFactory factory);
  // The secondary window opened by "Settings" (2), "Fitting" (3) or "Files" (4), if loaded.
  QWidget* SecondaryWindow(int command) const;

  HI1* Histogram() const { return hi11_; }
  AR1* Gauge() const { return ar11_; }
  TP1* Trend() const { return tp11_; }
  DS1* RollDisplay() const { return ds11_; }
  SC1* SetPointPanel() const { return sc11_; }
  CG1* GainPanel() const { return cg11_; }
  // Archive, information file, limits and report of each pass.
  PassQuality& Quality() const { return *quality_; }

  // The plant link's state in a small text under the commands; empty hides it.
  void ShowLinkText(const QString& text);

 signals:
  // The window was unloaded: the program ends.
  void Unloaded();
  // The instruments took a display update, a pass started or stopped, or the control
  // changed: what the station shows to the outside may have changed.
  void Displayed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Instruments;

  void BuildLayout();
  void StartProc();
  void StopProc();
  void ArmCycle();
  void CycleStep();
  void ShowSample(double sample);
  void ShowFileProblem(bool failing);
  void ShowQualityProblem(const QString& problem);
  void OpenWindow(int command);
  void Unload();

  Station& station_;
  std::unique_ptr<Instruments> instruments_;
  std::unique_ptr<MeasurementCycle> cycle_;
  std::unique_ptr<PassQuality> quality_;

  HI1* hi11_ = nullptr;
  AR1* ar11_ = nullptr;
  TP1* tp11_ = nullptr;
  DS1* ds11_ = nullptr;
  SC1* sc11_ = nullptr;
  CG1* cg11_ = nullptr;
  QLineEdit* text1_ = nullptr;  // clock
  QLineEdit* text2_ = nullptr;  // sample
  QLabel* linkText_ = nullptr;
  QPushButton* commands_[6] = {};
  QTimer timer1_;
  QTimer cycleTimer_;  // the next cycle step; zero interval while a period is 0
  bool unloaded_ = false;

  WindowFactory factories_[6];
  QPointer<QWidget> windows_[6];
};

}  // namespace orlix
