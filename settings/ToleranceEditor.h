#pragma once
// The tolerance of a pass and what the settings window's "Quality" tab does with it: two
// fields, upper and lower tolerance in µm, edited on the keypad with the rules of the
// other tabs (Enter replaces a value outside 0..9999 by the minimum and moves on, wrapping;
// the first key after Enter empties the field; "Save" stores the leading number of each
// field's text without a limit check). The values live in the station's own file
// "station.ini", group [quality] (StationIni.h); QL_CFG.DAT is not touched.

#include <array>
#include <cstdint>
#include <string>

#include "settings/StationIni.h"

namespace orlix {

class ToleranceEditor {
 public:
  static constexpr int kFieldCount = 2;  // 0 "Tolerance + <mcm>", 1 "Tolerance - <mcm>"
  static constexpr std::int16_t kPointKey = 10;
  static constexpr std::int16_t kEnterKey = 11;

  // Field 0 current, the next key empties it, the texts shown from the values.
  void Load(const Tolerance& read);
  void KeyPress(std::int16_t index);
  void Delete();
  // The cursor was put into a field: it becomes current and the next key empties it.
  void MakeCurrent(int field);
  // Typed on the keyboard: the field's whole text.
  void TypeText(int field, std::string text);
  // What "Save" stores: the leading number of each field's text, or the value read when
  // the field still shows its loaded text.
  Tolerance Saved() const;

  const std::string& FieldText(int field) const {
    return texts_.at(static_cast<std::size_t>(field));
  }
  int CurrentField() const { return current_; }
  bool ClearOnKey() const { return clearOnKey_; }

 private:
  std::array<std::string, kFieldCount> texts_{};
  std::array<std::string, kFieldCount> loaded_{};
  Tolerance read_{};
  int current_ = 0;
  bool clearOnKey_ = true;
};

}  // namespace orlix
