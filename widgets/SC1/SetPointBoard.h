#pragma once
// The set-point and pass panel without its widgets: the texts of its eight displays,
// which are the panel's memory, the changed flags of its three groups, the wrap rules of
// the increment buttons and the events of "Start" and "Stop".

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orlix::sc1 {

// A display and the increment button under it share one slot number.
enum Slot : int {
  kPass0 = 0,  // x10
  kPass1,      // x1
  kMid0,       // x1000
  kMid1,       // x100
  kMid2,       // x10
  kMid3,       // x1
  kMid4,       // x0.1
  kScale,      // 1-40%
};
inline constexpr int kSlotCount = 8;

enum class Group { Pass, Thickness, Scale };
Group GroupOf(int slot);

// The number shown after one step: a digit runs 0..9 and 9 is followed by 0 (no carry),
// the scale runs 1..40 and 40 is followed by 1.
double NextDigit(double shown);
double NextScale(double shown);

struct BoardEvent {
  enum class Kind { PassChange, ThickChange, ScaleChange, StartProc, StopProc };
  Kind kind = Kind::StartProc;
  std::int16_t pass = 0;  // PassChange
  float value = 0.0f;     // ThickChange, ScaleChange
  friend bool operator==(const BoardEvent&, const BoardEvent&) = default;
};

using BoardTexts = std::array<std::string, kSlotCount>;

struct ChangedFlags {
  bool pass = false;
  bool thickness = false;
  bool scale = false;
};

// The numbers the displays stand for, read back from their texts.
std::int16_t PassOf(const BoardTexts& texts);
float ThicknessOf(const BoardTexts& texts);  // summed in single precision
float ScaleOf(const BoardTexts& texts);

// The events of "Start": one per changed group, in the order pass, thickness, scale,
// then StartProc.
std::vector<BoardEvent> StartEvents(const BoardTexts& texts, const ChangedFlags& changed);

// The display texts of InitSC(P, T, S), with each value clamped into what the displays can
// show: pass 0..99, set-point 0.0..9999.9 (rounded to the tenth first), scale 1..40.
BoardTexts InitTexts(std::int16_t P, float T, float S);

class SetPointBoard {
 public:
  SetPointBoard();

  // Fills the displays; flags and events are left alone.
  void InitSC(std::int16_t P, float T, float S);

  // Mouse down on an increment button: its group counts as changed from now on.
  void Press(int slot);
  // One step of the increment button over `slot`.
  void Step(int slot);

  // Pass number P and set-point T put on the displays as if the operator had dialled
  // them: both groups count as changed, the scale stays as it is.
  void Dial(std::int16_t P, float T);

  // "Start": only "Stop" stays enabled; returns the events to raise, in order, and clears
  // the flags of the groups reported.
  std::vector<BoardEvent> Start();
  // "Stop": only "Start" stays enabled; returns StopProc.
  std::vector<BoardEvent> Stop();

  const std::string& Text(int slot) const { return texts_.at(static_cast<std::size_t>(slot)); }
  const BoardTexts& Texts() const { return texts_; }
  const ChangedFlags& Changed() const { return changed_; }
  bool StartEnabled() const { return startEnabled_; }
  bool StopEnabled() const { return stopEnabled_; }

 private:
  BoardTexts texts_;
  ChangedFlags changed_;
  bool startEnabled_ = true;
  bool stopEnabled_ = true;
};

}  // namespace orlix::sc1
