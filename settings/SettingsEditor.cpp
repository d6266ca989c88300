#include "settings/SettingsEditor.h"

#include "base/Format.h"

namespace orlix {

std::int16_t TabOfField(int field) {
  for (std::int16_t tab = kSettingsTabCount - 1; tab > 0; --tab) {
    if (field >= kTabFields[static_cast<std::size_t>(tab)].first) return tab;
  }
  return 0;
}

void SettingsEditor::Load(const SettingsRecord& read) {
  currentTab_ = 0;
  firstField_ = kTabFields[0].first;
  fieldSpan_ = kTabFields[0].span;
  currentField_ = 0;
  clearOnKey_ = 1;

  read_ = read;
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    texts_[Index(i)] = FormatPattern(read[i], kSettingsPattern);
  }
  loadedTexts_ = texts_;

  const double mode = read[MeasurementMode];
  if (mode == kModeDirect) {
    mode_ = 0;
  } else if (mode == kModeApproximation) {
    mode_ = 1;
  } else if (mode == kModeSimulation) {
    mode_ = 2;
  } else {
    mode_ = kNoMode;
  }

  backgroundText_ = FormatPattern(read[Background], kSettingsPattern);
  sourceText_ = FormatPattern(read[Source], kSettingsPattern);
}

bool SettingsEditor::SelectTab(std::int16_t tab) {
  if (tab < 0 || tab >= kSettingsTabCount || tab == currentTab_) return false;
  currentTab_ = tab;
  firstField_ = kTabFields[static_cast<std::size_t>(tab)].first;
  fieldSpan_ = kTabFields[static_cast<std::size_t>(tab)].span;
  currentField_ = firstField_;
  return true;
}

void SettingsEditor::KeyPress(std::int16_t index) {
  if (index == kEnterKey) {
    Enter();
    return;
  }
  if (index < 0 || index > kPointKey) return;
  if (clearOnKey_ != 0) {
    Current().clear();
    clearOnKey_ = 0;
  }
  Current() += index == kPointKey ? '.' : static_cast<char>('0' + index);
}

void SettingsEditor::Enter() {
  const std::size_t field = Index(currentField_);
  const double value = LeadingNumber(texts_[field]);
  if (value < SettingMinimum[field] || value > SettingMaximum[field]) {
    texts_[field] = FormatPattern(SettingMinimum[field], kSettingsPattern);
  }
  ++currentField_;
  if (currentField_ > firstField_ + fieldSpan_) currentField_ = firstField_;
  clearOnKey_ = 1;
}

void SettingsEditor::Delete() { Current().clear(); }

bool SettingsEditor::MakeCurrent(int field) {
  if (field < firstField_ || field > firstField_ + fieldSpan_) return false;
  if (field == currentField_) return true;  // an entry under way goes on
  currentField_ = static_cast<std::int16_t>(field);
  clearOnKey_ = 1;
  return true;
}

void SettingsEditor::TypeText(int field, std::string text) {
  if (field < 0 || field >= kSettingsFieldCount) return;
  texts_[Index(field)] = std::move(text);
  if (field == currentField_) clearOnKey_ = 0;
}

void SettingsEditor::SelectMode(std::int16_t mode) {
  if (mode >= 0 && mode <= 2) mode_ = mode;
}

SettingsRecord SettingsEditor::SavedRecord(const SettingsRecord& inMemory) const {
  SettingsRecord saved = inMemory;
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    const std::size_t k = Index(i);
    saved[i] = texts_[k] == loadedTexts_[k] ? read_[i] : LeadingNumber(texts_[k]);
  }
  if (mode_ != kNoMode) saved[MeasurementMode] = mode_;
  saved[Background] = read_[Background];
  saved[Source] = read_[Source];
  return saved;
}

bool SaveSettings(const SettingsEditor& editor, Cfgfile& file, SettingsRecord& settings) {
  const SettingsRecord saved = editor.SavedRecord(settings);
  if (!file.WriteConfiguration(saved)) return false;
  // The file is read back, as at start-up. Should that read not give back what was just
  // written (the file vanished or became unreadable meanwhile), the written values still
  // hold rather than the missing-file values.
  SettingsRecord back = saved;
  file.ReadConfiguration(back);
  const bool readBack = Cfgfile::ConfigurationText(back) == Cfgfile::ConfigurationText(saved);
  settings = readBack ? back : saved;
  return true;
}

}  // namespace orlix
