#include "settings/ToleranceEditor.h"

#include <cmath>

#include "base/Format.h"
#include "settings/SettingsEditor.h"

namespace orlix {

void ToleranceEditor::Load(const Tolerance& read) {
  read_ = read;
  auto text = [](double value) {  // a side that is not a number shows empty
    return std::isfinite(value) ? FormatPattern(value, kSettingsPattern) : std::string();
  };
  texts_ = {text(read.plus), text(read.minus)};
  loaded_ = texts_;
  current_ = 0;
  clearOnKey_ = true;
}

void ToleranceEditor::KeyPress(std::int16_t index) {
  std::string& text = texts_[static_cast<std::size_t>(current_)];
  if (index == kEnterKey) {
    const double value = LeadingNumber(text);
    if (value < kToleranceMinimum || value > kToleranceMaximum) {
      text = FormatPattern(kToleranceMinimum, kSettingsPattern);
    }
    current_ = (current_ + 1) % kFieldCount;
    clearOnKey_ = true;
    return;
  }
  if (index < 0 || index > kPointKey) return;
  if (clearOnKey_) {
    text.clear();
    clearOnKey_ = false;
  }
  text += index == kPointKey ? '.' : static_cast<char>('0' + index);
}

void ToleranceEditor::Delete() { texts_[static_cast<std::size_t>(current_)].clear(); }

void ToleranceEditor::MakeCurrent(int field) {
  if (field < 0 || field >= kFieldCount || field == current_) return;
  current_ = field;
  clearOnKey_ = true;
}

void ToleranceEditor::TypeText(int field, std::string text) {
  if (field < 0 || field >= kFieldCount) return;
  texts_[static_cast<std::size_t>(field)] = std::move(text);
  if (field == current_) clearOnKey_ = false;
}

Tolerance ToleranceEditor::Saved() const {
  auto value = [this](std::size_t k, double read) {
    return texts_[k] == loaded_[k] ? read : LeadingNumber(texts_[k]);
  };
  return {value(0, read_.plus), value(1, read_.minus)};
}

}  // namespace orlix
