#pragma once
// The main window: the instruments, the operator panels, the clock and sample fields and
// the window's commands. It shows what the running pass publishes and hands the operator's
// input to it; the pass itself lives outside the window.

#include <QPointer>
#include <QColor>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "core/StationSnapshot.h"

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
class RunningPass;
struct Station;

class QL : public QWidget {
  Q_OBJECT

 public:
  QL(Station& station, RunningPass& pass, QWidget* parent = nullptr);
  ~QL() override;

  // The start-up sequence: configuration and coefficients, resets, start values, panels
  // and instruments primed, the window shown, the first sample, the clock started.
  void Load();

  // Hands set-point, scale and roll parameters to the instruments.
  void ApplySetPoint();
  void ApplyScale();
  void ApplyRollParameters();

  // What opens a secondary window; the main window keeps no other link to it.
  using WindowFactory = std::function<QWidget*()>;
  void SetWindowFactory(int command, WindowFactory factory);
  // Asked when a command would open its window anew: it calls `open` at once, after the
  // engineer's PIN, or not at all.
  using WindowGate = std::function<void(std::function<void()> open)>;
  void SetWindowGate(int command, WindowGate gate);
  // The secondary window opened by "Settings" (2), "Fitting" (3) or "Files" (4), if loaded.
  QWidget* SecondaryWindow(int command) const;

  HI1* Histogram() const { return hi11_; }
  AR1* Gauge() const { return ar11_; }
  TP1* Trend() const { return tp11_; }
  // The data board: the plant link dials committed values on it and reads what it shows.
  SC1* SetPointPanel() const { return sc11_; }

  // The plant link's state in a small text under the commands, and the MQTT output's
  // problem; both empty hide it. The label has room for one: a problem of the Modbus link
  // first, then the MQTT problem, then the Modbus clients; its tool tip shows both.
  void ShowLinkText(const QString& text);
  void ShowMqttText(const QString& text);

 signals:
  // The window was unloaded: the program ends.
  void Unloaded();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLayout();
  void Show(const StationSnapshot& s);
  void ShowSample(double sample);
  void ShowFileProblem(bool failing);
  void ShowQualityProblem(const QString& problem);
  // The off-gauge alarm in a band under the instruments, the window growing to hold it
  // while an alarm is latched.
  void ShowAlarm(const AlarmState& alarm);
  void OpenWindow(int command);
  void ShowWindow(int command);
  void Unload();

  Station& station_;
  RunningPass& pass_;

  HI1* hi11_ = nullptr;
  AR1* ar11_ = nullptr;
  TP1* tp11_ = nullptr;
  DS1* ds11_ = nullptr;
  SC1* sc11_ = nullptr;
  CG1* cg11_ = nullptr;
  QLineEdit* text1_ = nullptr;  // clock
  QLineEdit* text2_ = nullptr;  // sample
  QLabel* linkText_ = nullptr;
  QWidget* alarmBand_ = nullptr;
  QLabel* alarmSide_ = nullptr;
  QLabel* alarmText_ = nullptr;
  QPushButton* alarmAck_ = nullptr;
  QTimer alarmBlink_;
  bool alarmLit_ = false;
  QColor alarmColour_;  // red off gauge, amber returned
  // The band lit (the colour behind white text) or dark (the colour as text on dark red).
  void LightBand(bool lit);
  QString modbusText_;
  QString mqttText_;
  void ShowLinkLabel();
  QPushButton* commands_[6] = {};
  QTimer timer1_;
  bool unloaded_ = false;

  WindowFactory factories_[6];
  WindowGate gates_[6];
  QPointer<QWidget> windows_[6];
};

}  // namespace orlix
