#pragma once
// The settings window "Orlix / Settings": the settings record on four tabs, edited with the
// on-screen keypad (or typed), the measurement mode on three option buttons, background and
// source shown only, and the tolerance of a pass on a fifth tab. "Save" writes the
// configuration file, reads it back into the record the running measurement uses, writes
// the tolerance to station.ini and closes; "Close" closes without storing.

#include <QWidget>
#include <array>
#include <functional>

#include "mqtt/MqttSettings.h"
#include "plantlink/LinkSettings.h"
#include "settings/SettingsEditor.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;

namespace orlix {

class FileAccess;
class KP12;
class LinkPage;
class QualityPage;
class StationIni;

class Settings : public QWidget {
  Q_OBJECT
  Q_PROPERTY(qint16 CurrentTab READ CurrentTab)
  Q_PROPERTY(qint16 FirstField READ FirstField)
  Q_PROPERTY(qint16 FieldSpan READ FieldSpan)
  Q_PROPERTY(qint16 CurrentField READ CurrentField)
  Q_PROPERTY(qint16 ClearOnKey READ ClearOnKey)

 public:
  // Builds the window and loads it: General tab, the configuration file read into the
  // record the measurement uses, and the fields, mode and intensities shown from it, the
  // tolerance from station.ini. The record changes here without a signal (nobody can be
  // connected yet): whoever creates the window re-times the measurement cycle after it.
  Settings(SettingsRecord& settings, FileAccess& files, StationIni& ini, QWidget* parent = nullptr);
  ~Settings() override;

  qint16 CurrentTab() const { return editor_.CurrentTab(); }
  qint16 FirstField() const { return editor_.FirstField(); }
  qint16 FieldSpan() const { return editor_.FieldSpan(); }
  qint16 CurrentField() const { return editor_.CurrentField(); }
  qint16 ClearOnKey() const { return editor_.ClearOnKey(); }

  // Field `Text1_<i>` (0..10), the tab strip, the keypad and the note below the buttons
  // that tells what "Save" could not store (empty otherwise).
  QLineEdit* Field(int i) const { return text1_.at(static_cast<std::size_t>(i)); }
  QTabBar* TabStrip() const { return tabStrip1_; }
  // The tabs of the station's own pages under the frames: 1 "Quality", 2 "Link".
  QTabBar* PageStrip() const { return pageStrip_; }
  KP12* Keypad() const { return kp121_; }
  // The fifth tab, "Quality": the tolerance in "station.ini".
  QualityPage* Quality() const { return quality_; }
  QString Message() const;

  // The plant link's state on a tab "Link" of its own, added on the first call; the MQTT
  // output's on the same tab.
  void ShowLinkState(const link::LinkState& state);
  void ShowMqttState(const mqtt::MqttState& state);
  // Asked by "Save" before anything is written: when it says no (the engineer session that
  // opened the window has ended), the window closes without saving.
  void SetSaveCheck(std::function<bool()> check) { saveCheck_ = std::move(check); }

 signals:
  // "Save" wrote the configuration file and the record took its values: also when the
  // tolerance could not be stored after it and the window stays open.
  void RecordChanged();
  // "Save" stored everything, the configuration file and the tolerance; the window closes.
  void Saved();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void Load();
  void ShowTab();
  void ShowField(int i);
  void FocusCurrentField();
  void OnTab(int index);
  void OnKey(qint16 index);
  void OnDelete();
  void OnSave();
  void OnClose();

  SettingsRecord& settings_;
  FileAccess& files_;
  StationIni& ini_;
  SettingsEditor editor_;

  QTabBar* tabStrip1_ = nullptr;
  QTabBar* pageStrip_ = nullptr;
  std::array<QFrame*, kSettingsTabCount> frame1_{};
  std::array<QLineEdit*, kSettingsFieldCount> text1_{};
  std::array<QRadioButton*, 3> options_{};
  QFrame* frame2_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* text3_ = nullptr;
  KP12* kp121_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QPushButton* command3_ = nullptr;
  QPushButton* command4_ = nullptr;
  QLabel* message_ = nullptr;
  bool LinkShowing() const;
  LinkPage* TheLinkPage();
  LinkPage* linkPage_ = nullptr;
  int linkTab_ = -1;
  QualityPage* quality_ = nullptr;
  std::function<bool()> saveCheck_;
};

}  // namespace orlix
