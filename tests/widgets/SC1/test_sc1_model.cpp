#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "widgets/SC1/SetPointBoard.h"

using namespace orlix::sc1;
using Kind = BoardEvent::Kind;

namespace {

std::string Shown(const SetPointBoard& b) {
  std::string s;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (slot > 0) s += ' ';
    s += b.Text(slot);
  }
  return s;
}

// Presses and steps a button as the hold-to-repeat does: one press, `steps` steps.
void Hold(SetPointBoard& b, int slot, int steps) {
  b.Press(slot);
  for (int i = 0; i < steps; ++i) b.Step(slot);
}

std::vector<Kind> KindsOf(const std::vector<BoardEvent>& events) {
  std::vector<Kind> kinds;
  for (const BoardEvent& e : events) kinds.push_back(e.kind);
  return kinds;
}

// ---- InitSC: displays, including values beyond what they can show ----

struct InitRow {
  std::int16_t P;
  float T;
  float S;
  const char* shown;  // Pass0 Pass1 MidDigits0..4 ScaleLen
};

class InitTest : public ::testing::TestWithParam<InitRow> {};

TEST_P(InitTest, FillsDisplays) {
  const InitRow& row = GetParam();
  SetPointBoard b;
  b.InitSC(row.P, row.T, row.S);
  EXPECT_EQ(Shown(b), row.shown) << row.P << " " << row.T << " " << row.S;
  // Priming never counts as an operator change.
  EXPECT_FALSE(b.Changed().pass || b.Changed().thickness || b.Changed().scale);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Values, InitTest,
    ::testing::Values(
        InitRow{7, 150.7f, 20.0f, "0 7 0 1 5 0 7 20"},
        InitRow{0, 120.0f, 40.0f, "0 0 0 1 2 0 0 40"},
        InitRow{99, 9999.9f, 1.0f, "9 9 9 9 9 9 9 1"}, InitRow{42, 0.0f, 12.9f, "4 2 0 0 0 0 0 12"},
        // Rounding to the tenth as the single shows it, with a carry into the units.
        InitRow{5, 0.05f, 3.0f, "0 5 0 0 0 0 1 3"}, InitRow{5, 19.96f, 3.0f, "0 5 0 0 2 0 0 3"},
        InitRow{5, 1234.54f, 3.0f, "0 5 1 2 3 4 5 3"},
        // Beyond the displays: clamped, never two digits in one display.
        InitRow{100, 10000.0f, 41.0f, "9 9 9 9 9 9 9 40"},
        InitRow{32767, 123456.0f, 1000.0f, "9 9 9 9 9 9 9 40"},
        InitRow{-1, -0.1f, 0.0f, "0 0 0 0 0 0 0 1"},
        InitRow{-32768, -5000.0f, -3.0f, "0 0 0 0 0 0 0 1"},
        InitRow{1, 9999.96f, 40.9f, "0 1 9 9 9 9 9 40"}, InitRow{1, 0.5f, 0.99f, "0 1 0 0 0 0 5 1"},
        InitRow{1, kNaN, kNaN, "0 1 0 0 0 0 0 1"}, InitRow{1, kInf, kInf, "0 1 9 9 9 9 9 40"},
        InitRow{1, -kInf, -kInf, "0 1 0 0 0 0 0 1"}));

// ---- Steps: wrap rules without carry ----

struct StepRow {
  int slot;
  int steps;
  const char* shown;
};

class StepTest : public ::testing::TestWithParam<StepRow> {};

TEST_P(StepTest, WrapsWithoutCarry) {
  const StepRow& row = GetParam();
  SetPointBoard b;
  b.InitSC(89, 1909.9f, 38.0f);  // "8 9 1 9 0 9 9 38"
  Hold(b, row.slot, row.steps);
  EXPECT_EQ(Shown(b), row.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, StepTest,
    ::testing::Values(StepRow{kPass1, 1, "8 0 1 9 0 9 9 38"},  // 9 -> 0, x10 unchanged
                      StepRow{kPass0, 2, "0 9 1 9 0 9 9 38"},  // 8 -> 9 -> 0
                      StepRow{kMid1, 1, "8 9 1 0 0 9 9 38"},   // 9 -> 0, x1000 unchanged
                      StepRow{kMid2, 1, "8 9 1 9 1 9 9 38"},
                      StepRow{kMid4, 1, "8 9 1 9 0 9 0 38"},   // tenths 9 -> 0, units kept
                      StepRow{kMid0, 10, "8 9 1 9 0 9 9 38"},  // a full turn
                      StepRow{kScale, 2, "8 9 1 9 0 9 9 40"},
                      StepRow{kScale, 3, "8 9 1 9 0 9 9 1"},  // 40 -> 1
                      StepRow{kScale, 42, "8 9 1 9 0 9 9 40"}));

// The scale display starts as "00" and its first step shows 1.
TEST(SetPointBoard, DesignTextsStepFromZero) {
  SetPointBoard b;
  EXPECT_EQ(Shown(b), "0 0 0 0 0 0 0 00");
  Hold(b, kScale, 1);
  EXPECT_EQ(b.Text(kScale), "1");
}

// ---- "Start": flags and values ----

TEST(SetPointBoard, ChangesWhileRunningWaitForTheNextStart) {
  SetPointBoard b;
  b.InitSC(0, 120.0f, 40.0f);
  b.Start();
  Hold(b, kPass1, 1);
  EXPECT_EQ(KindsOf(b.Stop()), std::vector<Kind>{Kind::StopProc});
  EXPECT_EQ(KindsOf(b.Start()), (std::vector<Kind>{Kind::PassChange, Kind::StartProc}));
}

// The set-point is summed in single precision: every display combination gives the single
// nearest to the decimal value.
TEST(SetPointBoard, ThicknessIsTheNearestSingle) {
  BoardTexts texts;
  texts.fill("0");
  for (int value = 0; value <= 99999; value += 7) {
    int rest = value;
    for (int slot = kMid4; slot >= kMid0; --slot) {
      texts[static_cast<std::size_t>(slot)] = std::to_string(rest % 10);
      rest /= 10;
    }
    ASSERT_EQ(ThicknessOf(texts), static_cast<float>(value / 10.0)) << value;
  }
}

}  // namespace
