// The Qt-free models: numbers, texts, clamps and events. A row of values is compared as one text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <sstream>

#include "widgets/AR1/AR1Model.h"
#include "widgets/DS1/DS1Model.h"
#include "widgets/GR1/XYGraphModel.h"
#include "widgets/HI1/HI1Model.h"
#include "widgets/SC1/SetPointBoard.h"
#include "widgets/TP1/TP1Model.h"
#include "widgets/common/Scale.h"

using namespace orlix;
using std::pair, std::tuple;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

#define ROWS(...) std::vector({__VA_ARGS__})  // the first row names the type: tuple{1, "a"}
#define EXPECT_TEXT(expected, ...) EXPECT_EQ(Str(__VA_ARGS__), expected)

template <typename... T>
std::string Str(const T&... values) {
  std::ostringstream out;
  out.precision(8);
  ((out << values << ' '), ...);
  return out.str().substr(0, out.str().size() - 1);
}

template <typename Model>  // how many values it wrote before loading; whether it writes them back
std::string Reload(Model& m, const std::vector<pair<const char*, double>>& values) {
  PropertyBag before, bag, after;
  m.WriteProperties(before);
  for (auto [key, value] : values) bag.WriteProperty(key, value, 0);
  m.ReadProperties(bag);
  m.WriteProperties(after);
  return Str(before.Values().size(), after.Values() == bag.Values());
}

template <typename F>
int RefusalOf(F access) try {  // the kind of PropertyError raised, -1 for none
  return access(), -1;
} catch (const PropertyError& e) {
  return static_cast<int>(e.kind());
}

template <typename Model, typename... Set>  // "1" for each setter that marks the model changed
std::string Marks(Model& m, float value, Set... set) {
  return Str((m.ClearChanged(), (m.*set)(value), m.Changed())...);
}

HI1Model& Add(HI1Model& m, float value, int times) {
  for (int i = 0; i < times; ++i) m.SetCurrentValue(value);
  return m;
}

HI1Model Histogram(float mid, float length, float value = 0, int times = 0) {
  HI1Model m;
  m.SetMidValue(mid);
  m.SetScalelength(length);
  return Add(m, value, times);
}

int Units(const HI1Model& m) {  // every bin's total, yellow and blue units
  int n = 0;
  for (std::size_t k = 0; k < HI1Model::kBins; ++k)
    n += m.Totals()[k] + m.YellowUnits()[k] + m.DisplayCounts()[k];
  return n;
}

TEST(SharedScale, UnitEndsLabelsAndBinEdges) {
  for (auto [mid, length, expected] :
       ROWS(tuple{120.0f, 40.0f, "48 0 240 0 72 120 168 240"},
            {50, 10, "5 37.5 62.5 37.5 45.0 50.0 55.0 62.5"},
            {120, 0, "1 117.5 122.5 118 119 120 121 123"},               // a zero product: unit 1
            {-100, 40, "-40 0 -200 0.0 -60.0 -100.0 -140.0 -200.0"})) {  // running downwards
    const DisplayScale d(mid, length);
    const auto& l = d.labels;
    EXPECT_TEXT(expected, d.unit, d.lower, d.upper, l[0], l[1], l[2], l[3], l[4]);
    const HI1Model h = Histogram(mid, length);
    AR1Model a;
    a.SetMidValue(mid);
    a.SetScalelength(length);
    const auto& e = h.Edges();
    EXPECT_TEXT(Str(d.unit, d.lower, mid, d.upper, d.unit, d.lower, d.upper), h.BinScale(), e[0],
                e[25], e[50], a.ScaleUnit(), a.Lower(), a.Upper());
    EXPECT_TRUE(h.AxisTexts() == l && a.Labels() == l) << expected;
  }
}

TEST(Histogram, BinsStatisticsAndRescale) {
  for (auto [mid, length, value, bin] :
       ROWS(tuple{120.0f, 40.0f, 120.0f, 25}, {120, 40, -5, 0}, {120, 40, 4.7f, 0},
            {120, 40, 4.9f, 1}, {120, 40, 239.9f, 49}, {120, 40, 240, 50}, {120, 40, kInf, 50},
            {120, 40, kNaN, 0}, {50, 10, 62.5f, 50}, {kNaN, 40, 120, 0}, {kInf, 40, 120, 0},
            {3e38f, 300, 1, 0})) {  // the last three: no finite width, the lowest bin
    HI1Model m = Histogram(mid, length);
    const HI1Model::Added added = m.SetCurrentValue(value);
    m.SetHistoIndex(static_cast<std::int16_t>(bin));
    EXPECT_TEXT(Str(bin, 1, 1), added.bin, added.units, m.HistoY()) << mid << " " << value;
  }
  for (auto [values, expected] :
       ROWS(pair{std::vector<float>{}, "0 0 0 AV=0.0 S=\u00B10.0"},
            {{118.25f}, "118.25 0 0 AV=118.3 S=\u00B10.0"},
            {{100, 102, 104}, "102 5 1.2909944 AV=102.0 S=\u00B11.29"})) {  // 0 + 1 + 4, not 8
    HI1Model m = Histogram(120, 40);
    for (float v : values) m.SetCurrentValue(v);
    EXPECT_TEXT(expected, m.Average(), m.SquareSum(), m.Msdeviation(), m.AverageText(),
                m.DeviationText());
  }
  HI1Model m = Histogram(120, 40, 50.5f, 37);  // bin 10
  Add(m, 120.0f, 125);                         // bin 25, one short of a full bar
  EXPECT_TRUE(!m.SetCurrentValue(10.0f).rescaled && m.SetCurrentValue(120.0f).rescaled);
  const auto& yellow = m.YellowUnits();  // the totals before the value in tens (R − 1 = 1)
  m.SetHistoIndex(25);
  EXPECT_TEXT("#2 12 3 0 126 179", m.RescaleText(), yellow[25], yellow[10], yellow[2], m.HistoY(),
              Units(m));  // and no blue unit left
  EXPECT_EQ(m.SetCurrentValue(120.0f).units, 1);
  Add(Add(m, 10.0f, 99), 120.0f, 125);  // 100 in bin 2, 251 in bin 25: in twenties
  EXPECT_TEXT("3 12 5", m.RescaleNumber(), yellow[25], yellow[2]);
  Add(m = Histogram(120, 40, 1.0f, 3), 120.0f, 126000);  // a total of 126000 restarts them all
  const int totals = std::accumulate(m.Totals().begin(), m.Totals().end(), 0);
  EXPECT_TEXT("0 126003 15120003 1001", totals, m.Count(), m.Sum(), m.RescaleNumber());
  EXPECT_EQ(Add(m, 120.0f, 126 * 31769).RescaleText(), "#32767");
}

TEST(Histogram, ClearingIndexesLoadingDemonstrationAndPointer) {
  HI1Model m = Histogram(120, 40);
  for (auto clear : {+[](HI1Model& h) { h.ResetHisto(); }, +[](HI1Model& h) { h.SetMidValue(50); },
                     +[](HI1Model& h) { h.SetScalelength(10); }}) {
    clear(Add(m, m.MidValue(), 130));  // past a rescale
    EXPECT_TEXT("AV=0.0 S=\u00B10.0 #1 0", m.AverageText(), m.DeviationText(), m.RescaleText(),
                Units(m));
  }
  Add(m = Histogram(120, 40, 100.0f, 1), 102.0f, 1);  // bin 20
  std::string refusals;                               // indexes outside 0..50; nothing changes
  for (std::int16_t i : {-1, 51, 32767, 0, 50, 20}) {
    m.SetHistoIndex(i);
    refusals += Str(RefusalOf([&] { (void)m.HistoX(); }), RefusalOf([&] { (void)m.HistoY(); }), "");
  }
  EXPECT_TEXT("2 2 2 2 2 2 -1 -1 -1 -1 -1 -1 101 0.70710677 96 1", refusals + Str(m.Average()),
              m.Msdeviation(), m.HistoX(), m.HistoY());
  m = Histogram(120, 40, 120, 5);  // loading only stores: no set-up, nothing cleared
  EXPECT_EQ(Reload(m, ROWS(pair{"MidValue", 50.0}, {"ScaleLength", 10}, {"CurrentValue", 51.5})),
            "0 1");
  EXPECT_TEXT("50 10 51.5 48 10", m.MidValue(), m.Scalelength(), m.CurrentValue(), m.BinScale(),
              Units(m));
  m = Histogram(200, 10, 200, 3);
  m.Demonstrate();  // 27 values at 120, 26 at 122 and 124 in bin 25; properties stay
  EXPECT_TEXT("200 120 120 79", m.MidValue(), m.AxisTexts()[2], m.Average(), m.DisplayCounts()[25]);
  Add(m = Histogram(120, 40, 135.0f, 3), 241.0f, 1);  // bins 28 and 50
  std::string texts;  // over the frame only; right of bin 50 is no bin 51
  for (auto [x, y] : ROWS(pair{100.0, 50.0}, {14, 1.75}, {165, 130.75}, {13.9, 50}, {100, 1.7},
                          {100, 130.8}, {167, 50}, {std::nan(""), 50}))
    texts += m.PointerText(x, y, 180.75, 144.75).value_or("-") + "|";
  EXPECT_EQ(texts, "X=134.4 N=3|X=0.0 N=0|X=240.0 N=1|-|-|-|-|-|");
}

TEST(Gauge, ArrowPositionsAndSweeps) {
  for (auto [value, left, stored] :
       ROWS(tuple{120.0f, 81, 120.0f}, {180, 111, 180}, {0, 21, 0}, {-30, 6, -30},
            {121.9f, 81, 121.9f}, {122, 82, 122}, {1e9f, 156, 270}, {kInf, 156, 270},
            {kNaN, 6, -30})) {  // values off the scale are stored clamped
    AR1Model m;
    m.MoveArrow();
    const AR1Model::Sweep s = m.SetCurrentValue(value);
    EXPECT_TEXT(Str(81, left, left, stored, stored), s.from, s.to, m.ArrowLeft(), m.CurrentValue(),
                m.LastShown());
  }
  AR1Model m;
  const auto up = m.MoveArrow().Positions();  // created: from 0 to CurrentValue 120
  EXPECT_TEXT("61 21 22 81 120", up.size(), up[0], up[1], up.back(), m.LastShown());
  m.SetCurrentValue(180);
  const auto down = m.SetCurrentValue(120).Positions();
  EXPECT_TEXT("31 110 81", down.size(), down[1], down.back());
  m.SetCurrentValue(150);
  const AR1Model::Sweep s = m.SetScalelength(40);  // straight to the new place of 150
  EXPECT_TEXT("99 99 62", s.from, s.to, m.SetMidValue(200).to);
}

TEST(Gauge, PersistedPropertiesLoadWithoutMovingTheArrow) {
  AR1Model m;  // defaults are not stored
  EXPECT_EQ(Reload(m, ROWS(pair{"MidValue", 80.0}, {"ScaleLength", 25}, {"CurrentValue", 85})),
            "0 1");
  EXPECT_TEXT("80 85 25 6", m.MidValue(), m.CurrentValue(), m.Scalelength(), m.ArrowLeft());
}

TEST(Trend, BarsCanvasScrollAndRestart) {
  // 12 pixels per S = 60, clamped to 30 either way; less than S/24 rounds to no bar; a zero
  // middle or length makes S = 1; NaN lands on the lower end; a negative S turns bars over.
  for (auto [mid, length, value, d] :
       ROWS(tuple{120.0f, 50.0f, 180.0f, 12}, {120, 50, 120, 0}, {120, 50, 0, -24},
            {120, 50, 400, 30}, {120, 50, -1000, -30}, {120, 50, 122.4f, 0}, {120, 50, 117.6f, 0},
            {120, 50, 122.5f, 1}, {0, 50, -2, -24}, {120, 0, 121, 12}, {120, 50, kInf, 30},
            {120, 50, kNaN, -30}, {kInf, 50, 120, -30}, {120, kNaN, 120, -30},
            {-120, 50, -60, -12})) {
    TP1Model m;
    m.SetMidValue(mid);
    m.SetScalelength(length);
    m.Redraw();
    const TP1Model::Point p = m.Plot(value);
    EXPECT_TEXT(Str(d, 1, 0), p.d, p.x, p.redrawn) << mid << " " << length << " " << value;
  }
  using tp1::ScrollDirection::Left, tp1::ScrollDirection::Right;
  std::string scrolled;  // stops at both edges
  for (auto [left, direction] :
       ROWS(pair{0, Right}, {-1, Right}, {0, Left}, {-311, Left}, {-312, Left}, {-312, Right}))
    scrolled += Str(tp1::ScrolledLeft(left, direction, 289, 601), "");
  EXPECT_EQ(scrolled, "0 0 -1 -312 -312 -311 ");
  TP1Model m;       // a full canvas starts again on the stored scale
  m.Demonstrate();  // 599 bars of four sine periods on the scale of 120 / 50
  EXPECT_TEXT("599 60 599 1 599 0", m.Counter(), m.Scale(), m.Bars().size(), m.Bars().front().x,
              m.Bars().back().x, m.Changed());
  EXPECT_EQ(Reload(m, ROWS(pair{"MidValue", 200.0}, {"Scalelength", 10}, {"CurrentValue", 90.5})),
            "0 1");
  const TP1Model::Point wrap = m.Plot(220);  // the 600th
  EXPECT_TEXT("1 0 12 20 1", wrap.redrawn, wrap.x, wrap.d, m.Scale(), m.Bars().size());
  EXPECT_EQ("1 1 1", Marks(m, 1e30f, &TP1Model::SetMidValue, &TP1Model::SetScalelength,
                           &TP1Model::SetCurrentValue));
  EXPECT_TEXT("1e+30 1e+30 1e+30", m.MidValue(), m.Scalelength(), m.CurrentValue());
}

DS1Model Roll(std::initializer_list<pair<float, float>> lengthsAndThicknesses, int mode = 0,
              float density = 2.71f, float width = 700, float spool = 570) {
  DS1Model m;  // with these layers of (length, thickness)
  m.SetSpoolDiam(spool);
  m.ResetData();
  m.SelectMode(mode);
  m.SetBasisWeight(density);
  m.SetStripWidth(width);
  for (auto [length, thickness] : lengthsAndThicknesses) {
    m.SetStripLength(length);
    m.SetCurrentValue(thickness);
  }
  return m;
}

double Diameter(double spool, double area) { return std::sqrt(spool * spool + 4 * area / 3.1416); }

TEST(RollData, LayersModesStoredPropertiesAndRanges) {
  for (auto [mode, text] : ROWS(pair{0, "50"}, {1, "100"}, {2, "9"}, {3, "576"})) {
    const DS1Model m = Roll({{100, 50}}, mode);  // each mode with its own digits
    EXPECT_TEXT(Str(100, 100, text), m.LengthStep(), m.PreviousLength(), m.Text());
  }
  DS1Model m = Roll({{100, 50}, {200, 50}, {200, 50}, {300, 50}, {300, 120.26f}});  // steps of 0
  EXPECT_NEAR(m.Weight(), 3 * 9.485, 1e-4);
  EXPECT_NEAR(m.Diameter(), Diameter(570, 15000), 1e-3);
  for (int mode : {3, 4, -1}) m.SelectMode(mode);  // shown from the next value on
  EXPECT_TEXT("3 0 120.3", m.CurrentMode(), m.LengthStep(), m.Text());
  m.SetCurrentValue(50);
  m.SetRollWeight(5);
  m.SetRollDiam(1);
  EXPECT_TEXT("587 5 1", m.Text(), m.StoredRollWeight(), m.StoredRollDiam());  // for saving only
  m.SetSpoolDiam(400);
  m.ResetData();  // a new roll; the text stays
  EXPECT_TEXT("0 400 0 587", m.Weight(), m.Diameter(), m.PreviousLength(), m.Text());
  EXPECT_EQ("1 1 1 1 1 1 1",
            Marks(m, 0.0f, &DS1Model::SetCurrentValue, &DS1Model::SetSpoolDiam,
                  &DS1Model::SetStripLength, &DS1Model::SetStripWidth, &DS1Model::SetBasisWeight,
                  &DS1Model::SetRollWeight, &DS1Model::SetRollDiam));
  m = DS1Model();  // loading stores only: nothing computed or shown
  EXPECT_EQ(Reload(m, ROWS(pair{"CurrentValue", 80.0}, {"SpoolDiam", 300}, {"StripLength", 1500},
                           {"StripWidth", 1200}, {"BasisWeight", double{7.85f}},
                           {"RollWeight", 12.5}, {"RollDiam", 640})),
            "0 1");
  EXPECT_TEXT("0 0 000000 0", m.Weight(), m.Diameter(), m.Text(), m.Changed());
  // 10000 kg starts the weight again, 9999.0002 rounds to 9999; above 9999 mm D starts again at
  // the spool, and so do values no roll can have; NaN, or inf with no length step, adds nothing.
  for (auto [thickness, length, density, width, expected] :
       ROWS(tuple{1000.0f, 1000.0f, 10.0f, 1000.0f, "0 1264"},
            {999.9f, 1000, 10, 1000, "9999 1264"}, {1e6f, 100, 0, 700, "0 570"},
            {kInf, 100, 2.71f, 700, "0 570"}, {3.4e38f, 100, 2.71f, 700, "0 570"},
            {1e30f, 3e38f, 3e38f, 3e38f, "0 570"}, {kNaN, 100, 2.71f, 700, "0 570"},
            {50, kNaN, 2.71f, 700, "0 570"}, {kInf, 0, 2.71f, 700, "0 570"})) {
    const DS1Model r = Roll({{length, thickness}}, 0, density, width);
    EXPECT_TEXT(expected, r.Weight(), std::round(r.Diameter())) << thickness << " " << length;
  }
  m = Roll({{100, 50}, {0, 1e6f}});  // D² would fall far below zero: D stays
  EXPECT_NEAR(m.Diameter(), Diameter(570, 5000), 1e-3);
  EXPECT_LT(m.Weight(), 0.0f);                  // a negative step lowers the weight
  m = Roll({{100, 50}, {kNaN, 50}, {50, 50}});  // NaN skipped; a small decrease shrinks
  EXPECT_NEAR(m.Weight(), 9.485 / 2, 1e-5);
  EXPECT_NEAR(m.Diameter(), Diameter(570, 2500), 1e-3);
  EXPECT_TEXT("-50 50", m.LengthStep(), m.PreviousLength());
  EXPECT_NEAR(Roll({{1, 0.19635f}}, 0, 2.71f, 700, 0).Diameter(), 0.5, 1e-4);  // from no spool
}

TEST(SetPointBoard, DisplaysClampAndWrapWithoutCarry) {
  const auto shown = [](const sc1::SetPointBoard& b) {
    return std::apply([](const auto&... text) { return Str(text...); }, b.Texts());
  };
  for (auto [P, T, S, expected] :  // tenths as the single shows them, clamped; Start alone
       ROWS(tuple{std::int16_t{5}, 0.05f, 3.0f, "0 5 0 0 0 0 1 3"},
            {5, 19.96f, 12.9f, "0 5 0 0 2 0 0 12"}, {100, 10000, 41, "9 9 9 9 9 9 9 40"},
            {-1, -0.1f, 0.99f, "0 0 0 0 0 0 0 1"}, {1, 9999.96f, 40.9f, "0 1 9 9 9 9 9 40"},
            {1, kNaN, kNaN, "0 1 0 0 0 0 0 1"}, {-32768, kInf, kInf, "0 0 9 9 9 9 9 40"})) {
    sc1::SetPointBoard b;
    b.InitSC(P, T, S);
    EXPECT_TEXT(Str(expected, 1), shown(b), b.Start().size()) << P << " " << T << " " << S;
  }
  sc1::SetPointBoard b;  // 9 is followed by 0 and 40 by 1, with no carry
  b.InitSC(89, 1909.9f, 38);
  for (int slot : {sc1::kPass1, sc1::kMid1, sc1::kMid4, sc1::kScale, sc1::kScale, sc1::kScale})
    b.Step(slot);
  EXPECT_EQ(shown(b), "8 0 1 0 0 9 0 1");
}

TEST(Graph, UnusableRangesBecomeOne) {
  for (auto [range, usable] : ROWS(pair{0.0f, 1.0f}, {-5, 1}, {kNaN, 1}, {kInf, 1}, {1e-45f, 1},
                                   {1e-20f, 1e-20f}, {3e38f, 3e38f})) {
    float x = range, y = range;
    const gr1::Axes a = gr1::DrawAxes(x, y, 162.75, 114.75);
    EXPECT_TRUE(x == usable && y == usable && std::isfinite(a.xScale) && a.yScale > 0) << range;
  }
}

}  // namespace
