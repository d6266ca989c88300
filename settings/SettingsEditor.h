#pragma once
// What the settings window does, without the window: the eleven field texts, the mode
// option, background and source as shown, the keypad's editing rules over four tabs, and
// the record "Save" stores.

#include <array>
#include <cstdint>
#include <string>

#include "core/Settings.h"

namespace orlix {

// The fields of the window edit settings 0 to 10.
inline constexpr int kSettingsFieldCount = kLimitedSettingCount;
inline constexpr int kSettingsTabCount = 4;

// Every value in the window is shown through this pattern.
inline constexpr const char* kSettingsPattern = "####0.##";

// The fields of one tab: the first field and the index distance to the last one.
struct TabFields {
  std::int16_t first;
  std::int16_t span;
};

// General 0..3, Periods 4..6, Measuring 7..8, Correction 9..10.
inline constexpr std::array<TabFields, kSettingsTabCount> kTabFields = {
    {{0, 3}, {4, 2}, {7, 1}, {9, 1}}};

// The tab that holds a field (0..10).
std::int16_t TabOfField(int field);

class SettingsEditor {
 public:
  static constexpr std::int16_t kPointKey = 10;
  static constexpr std::int16_t kEnterKey = 11;
  // No option button is selected (the record holds a mode other than 0, 1 or 2).
  static constexpr std::int16_t kNoMode = -1;

  SettingsEditor() { Load(SettingsRecord{}); }

  // Start state (General tab, field 0, next key clears), then the fields, the mode option,
  // background and source from the record as read from the file.
  void Load(const SettingsRecord& read);

  // A tab of the strip (0..3) was chosen. When it is not the current one, its first field
  // becomes current and the result is true; otherwise nothing changes.
  bool SelectTab(std::int16_t tab);

  // One keypad key on the current field: 0..9 and the point append (the first of them
  // after an Enter or a tab change empties the field first); Enter replaces a value
  // outside the field's limits by the minimum and moves on to the next field of the tab,
  // from the last one back to the first. Other indices do nothing.
  void KeyPress(std::int16_t index);

  // Empties the current field; whether the next key empties it again stays as it was.
  void Delete();

  // The operator put the cursor into a field of the current tab: it becomes current and
  // the next keypad key replaces its text (the current field itself stays as it is).
  // False (nothing changes) for a field of another tab.
  bool MakeCurrent(int field);

  // The operator typed into a field on the keyboard: its text, as the field now holds it.
  // Typing into the current field makes the keypad append to it.
  void TypeText(int field, std::string text);

  // An option button: 0 Direct, 1 Approximation, 2 Simulation.
  void SelectMode(std::int16_t mode);

  // The record "Save" stores, starting from the record in memory: a field the operator
  // changed gives the leading number of its text (no limit check), a field that still
  // shows its text from loading gives the value that was read; the mode of the selected
  // option, or the one in memory when none is; background and source as read.
  SettingsRecord SavedRecord(const SettingsRecord& inMemory) const;

  const std::string& FieldText(int field) const { return texts_.at(Index(field)); }
  const std::string& BackgroundText() const { return backgroundText_; }
  const std::string& SourceText() const { return sourceText_; }
  std::int16_t Mode() const { return mode_; }

  std::int16_t CurrentTab() const { return currentTab_; }
  std::int16_t FirstField() const { return firstField_; }
  std::int16_t FieldSpan() const { return fieldSpan_; }
  std::int16_t CurrentField() const { return currentField_; }
  // 1 when the next digit or point key first empties the current field, else 0.
  std::int16_t ClearOnKey() const { return clearOnKey_; }

 private:
  static std::size_t Index(int field) { return static_cast<std::size_t>(field); }
  std::string& Current() { return texts_[Index(currentField_)]; }
  void Enter();

  std::int16_t currentTab_ = 0;
  std::int16_t firstField_ = 0;
  std::int16_t fieldSpan_ = 3;
  std::int16_t currentField_ = 0;
  std::int16_t clearOnKey_ = 1;

  std::array<std::string, kSettingsFieldCount> texts_{};
  std::int16_t mode_ = kNoMode;
  std::string backgroundText_;
  std::string sourceText_;

  // As loaded: the record and the texts its values were shown with.
  SettingsRecord read_{};
  std::array<std::string, kSettingsFieldCount> loadedTexts_{};
};

// "Save": writes the record the editor stores and reads the file back into the record in
// memory, which the running measurement takes on its next pass. When the file cannot be
// written the result is false and the record in memory is left as it was.
bool SaveSettings(const SettingsEditor& editor, Cfgfile& file, SettingsRecord& settings);

}  // namespace orlix
