#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "widgets/DS1/DS1Model.h"

using namespace orlix;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A roll on a 570 mm spool, 700 mm strip of density 2.71.
DS1Model FreshRoll() {
  DS1Model model;
  model.SetSpoolDiam(570);
  model.SetStripWidth(700);
  model.SetBasisWeight(2.71f);
  model.ResetData();
  return model;
}

TEST(DS1ModelTest, Creation) {
  DS1Model model;
  EXPECT_EQ(model.CurrentMode(), DS1Model::kThickness);
  EXPECT_EQ(model.Weight(), 0.0f);
  EXPECT_EQ(model.Diameter(), 0.0f);
  EXPECT_EQ(model.PreviousLength(), 0.0f);
  EXPECT_EQ(model.Text(), "000000");
  EXPECT_FALSE(model.Changed());
}

struct ModeRow {
  int mode;
  const char* text;
};

class FirstLayerTest : public ::testing::TestWithParam<ModeRow> {};

TEST_P(FirstLayerTest, HundredMetresOfFiftyMicrometres) {
  DS1Model model = FreshRoll();
  model.SelectMode(GetParam().mode);
  model.SetStripLength(100);
  model.SetCurrentValue(50);
  EXPECT_NEAR(model.Weight(), 9.485, 1e-5);
  EXPECT_NEAR(model.Diameter(), 575.557, 1e-3);
  EXPECT_EQ(model.LengthStep(), 100.0f);
  EXPECT_EQ(model.PreviousLength(), 100.0f);
  EXPECT_EQ(model.Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(EveryMode, FirstLayerTest,
                         ::testing::Values(ModeRow{0, "50"}, ModeRow{1, "100"}, ModeRow{2, "9"},
                                           ModeRow{3, "576"}));

TEST(DS1ModelTest, SameLengthAddsNothing) {
  DS1Model model = FreshRoll();
  model.SetStripLength(100);
  model.SetCurrentValue(50);
  const float w = model.Weight();
  const float d = model.Diameter();
  model.SetCurrentValue(80);
  EXPECT_EQ(model.Weight(), w);
  EXPECT_EQ(model.Diameter(), d);
  EXPECT_EQ(model.LengthStep(), 0.0f);
}

TEST(DS1ModelTest, LayersAccumulate) {
  DS1Model model = FreshRoll();
  for (float length : {100.0f, 200.0f, 300.0f}) {
    model.SetStripLength(length);
    model.SetCurrentValue(50);
  }
  EXPECT_NEAR(model.Weight(), 3 * 9.485, 1e-4);
  // D^2 grows by 4 x 300 x 50 / pi in all.
  EXPECT_NEAR(model.Diameter(), std::sqrt(570.0 * 570.0 + 60000.0 / 3.1416), 1e-3);
}

TEST(DS1ModelTest, ThicknessShownToOneDecimal) {
  DS1Model model = FreshRoll();
  model.SetCurrentValue(120.26f);
  EXPECT_EQ(model.Text(), "120.3");
}

TEST(DS1ModelTest, SelectingAModeKeepsTheTextUntilTheNextValue) {
  DS1Model model = FreshRoll();
  model.SetStripLength(100);
  model.SetCurrentValue(50);
  model.SelectMode(DS1Model::kRollDiameter);
  EXPECT_EQ(model.Text(), "50");
  model.SetCurrentValue(50);
  EXPECT_EQ(model.Text(), "576");
  model.SelectMode(4);
  model.SelectMode(-1);
  EXPECT_EQ(model.CurrentMode(), DS1Model::kRollDiameter);
}

TEST(DS1ModelTest, RollWeightAndDiameterReadTheComputedValues) {
  DS1Model model = FreshRoll();
  model.SetStripLength(100);
  model.SetCurrentValue(50);
  model.SetRollWeight(5);
  model.SetRollDiam(1);
  EXPECT_NEAR(model.Weight(), 9.485, 1e-5);
  EXPECT_EQ(model.StoredRollWeight(), 5.0f);
  EXPECT_EQ(model.ReadRollWeight(), model.Weight());
  EXPECT_EQ(model.StoredRollWeight(), model.Weight());
  EXPECT_EQ(model.ReadRollDiam(), model.Diameter());
  PropertyBag bag;
  model.WriteProperties(bag);
  EXPECT_EQ(static_cast<float>(bag.ReadProperty("RollDiam", 0)), model.Diameter());
}

TEST(DS1ModelTest, ResetStartsANewRollButKeepsTheText) {
  DS1Model model = FreshRoll();
  model.SetStripLength(100);
  model.SetCurrentValue(50);
  model.SetSpoolDiam(400);
  model.ResetData();
  EXPECT_EQ(model.Weight(), 0.0f);
  EXPECT_EQ(model.Diameter(), 400.0f);
  EXPECT_EQ(model.PreviousLength(), 0.0f);
  EXPECT_EQ(model.Text(), "50");
}

struct RestartRow {
  float thickness;
  float length;
  float density;
  float width;
  float weight;    // expected W
  float diameter;  // expected D; NaN: unchecked
};

class RestartTest : public ::testing::TestWithParam<RestartRow> {};

TEST_P(RestartTest, WeightAndDiameterStayInRange) {
  const RestartRow& row = GetParam();
  DS1Model model = FreshRoll();
  model.SetBasisWeight(row.density);
  model.SetStripWidth(row.width);
  model.SetStripLength(row.length);
  model.SetCurrentValue(row.thickness);
  EXPECT_EQ(model.Weight(), row.weight);
  if (!std::isnan(row.diameter)) {
    EXPECT_EQ(model.Diameter(), row.diameter);
  }
  EXPECT_FALSE(std::isnan(model.Weight()));
  EXPECT_FALSE(std::isnan(model.Diameter()));
}

INSTANTIATE_TEST_SUITE_P(
    Limits, RestartTest,
    ::testing::Values(
        // 10000 kg starts the weight again; 9999.0002 rounds to the single 9999, which stays.
        RestartRow{1000, 1000, 10, 1000, 0.0f, kNaN},
        RestartRow{999.9f, 1000, 10, 1000, 9999.0f, kNaN},
        // A diameter above 9999 mm starts again at the spool.
        RestartRow{1e6f, 100, 0, 700, 0.0f, 570.0f},
        // Values no roll can have: W restarts, D goes back to the spool.
        RestartRow{kInf, 100, 2.71f, 700, 0.0f, 570.0f},
        RestartRow{3.4e38f, 100, 2.71f, 700, 0.0f, 570.0f},
        RestartRow{1e30f, 3e38f, 3e38f, 3e38f, 0.0f, 570.0f},
        // Not a number adds no layer.
        RestartRow{kNaN, 100, 2.71f, 700, 0.0f, 570.0f},
        RestartRow{50, kNaN, 2.71f, 700, 0.0f, 570.0f},
        // An infinite thickness without a length step is no layer either.
        RestartRow{kInf, 0, 2.71f, 700, 0.0f, 570.0f}));

TEST(DS1ModelTest, DecreasingLengthNeverTakesTheRootOfANegative) {
  DS1Model model = FreshRoll();
  model.SetStripLength(100);
  model.SetCurrentValue(50);
  const float d = model.Diameter();
  model.SetStripLength(0);
  model.SetCurrentValue(1e6f);  // D^2 would fall far below zero
  EXPECT_EQ(model.Diameter(), d);
  EXPECT_LT(model.Weight(), 0.0f);  // a negative step lowers the weight
  model.SetStripLength(-1e30f);
  model.SetCurrentValue(-kInf);  // the argument would be +inf: back to the spool
  EXPECT_EQ(model.Diameter(), 570.0f);
  // A small decrease only shrinks the roll.
  DS1Model small = FreshRoll();
  small.SetStripLength(100);
  small.SetCurrentValue(50);
  small.SetStripLength(50);
  small.SetCurrentValue(50);
  EXPECT_NEAR(small.Diameter(), std::sqrt(570.0 * 570.0 + 10000.0 / 3.1416), 1e-3);
}

TEST(DS1ModelTest, LengthThatIsNotANumberIsSkipped) {
  DS1Model model = FreshRoll();
  model.SetStripLength(100);
  model.SetCurrentValue(50);
  model.SetStripLength(kNaN);
  model.SetCurrentValue(50);
  EXPECT_NEAR(model.Weight(), 9.485, 1e-5);
  model.SetStripLength(200);
  model.SetCurrentValue(50);
  EXPECT_NEAR(model.Weight(), 2 * 9.485, 1e-4);
  EXPECT_EQ(model.LengthStep(), 100.0f);
}

TEST(DS1ModelTest, PropertiesLoadWithoutComputing) {
  DS1Model model;
  PropertyBag empty;
  model.ReadProperties(empty);
  EXPECT_EQ(model.CurrentValue(), 0.0f);
  EXPECT_EQ(model.SpoolDiam(), 570.0f);
  EXPECT_EQ(model.StripLength(), 0.0f);
  EXPECT_EQ(model.StripWidth(), 700.0f);
  EXPECT_EQ(model.BasisWeight(), 2.71f);
  EXPECT_EQ(model.StoredRollWeight(), 0.0f);
  EXPECT_EQ(model.StoredRollDiam(), 0.0f);
  PropertyBag written;
  model.WriteProperties(written);
  EXPECT_TRUE(written.Values().empty());

  PropertyBag bag;
  bag.WriteProperty("CurrentValue", 80, 0);
  bag.WriteProperty("StripLength", 1500, 0);
  bag.WriteProperty("SpoolDiam", 300, 570);
  bag.WriteProperty("RollWeight", 12.5, 0);
  bag.WriteProperty("BasisWeight", 7.85, 2.71);
  model.ReadProperties(bag);
  EXPECT_EQ(model.CurrentValue(), 80.0f);
  EXPECT_EQ(model.StripLength(), 1500.0f);
  EXPECT_EQ(model.BasisWeight(), 7.85f);
  EXPECT_EQ(model.StoredRollWeight(), 12.5f);
  EXPECT_EQ(model.Weight(), 0.0f);    // the stored weight never feeds the roll
  EXPECT_EQ(model.Diameter(), 0.0f);  // nor does loading reset it
  EXPECT_EQ(model.Text(), "000000");  // nor show anything
  PropertyBag again;
  model.WriteProperties(again);
  EXPECT_EQ(again.ReadProperty("SpoolDiam", 0), 300.0);
  EXPECT_EQ(again.ReadProperty("StripLength", 0), 1500.0);
  EXPECT_EQ(static_cast<float>(again.ReadProperty("BasisWeight", 0)), 7.85f);
}

}  // namespace
