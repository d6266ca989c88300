#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/QLDAQ.h"
#include "core/Stats.h"
#include "base/SystemPlatform.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;
using orlix::testing::ReplayUniform;

namespace {

// Regularised upper incomplete gamma Q(a, x): the chi-square tail probability.
double UpperGammaQ(double a, double x) {
  if (x < a + 1) {
    double sum = 1.0 / a, term = sum;
    for (int n = 1; n < 1000; ++n) {
      term *= x / (a + n);
      sum += term;
      if (term < sum * 1e-15) break;
    }
    return 1.0 - sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
  }
  double b = x + 1 - a, c = 1e300, d = 1 / b, h = d;
  for (int i = 1; i < 1000; ++i) {
    const double an = -i * (i - a);
    b += 2;
    d = an * d + b;
    c = b + an / c;
    d = 1 / d;
    const double del = d * c;
    h *= del;
    if (std::fabs(del - 1) < 1e-15) break;
  }
  return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

double PoissonPmf(int k, double mean) {
  return std::exp(k * std::log(mean) - mean - std::lgamma(k + 1.0));
}

class PoissonStatistics : public ::testing::TestWithParam<float> {};

TEST_P(PoissonStatistics, MeanVarianceAndDistributionMatch) {
  const float mean = GetParam();
  Pcg32Uniform uniform;
  Stats stats(uniform);
  constexpr int kDraws = 40000;
  std::vector<int> counts(kDraws);
  double sum = 0, sumSq = 0;
  for (int& c : counts) {
    c = stats.PoissonCount(mean);
    sum += c;
  }
  const double avg = sum / kDraws;
  for (int c : counts) sumSq += (c - avg) * (c - avg);
  const double var = sumSq / (kDraws - 1);
  // Standard errors of the sample mean and variance of a Poisson law.
  const double seMean = std::sqrt(mean / kDraws);
  const double seVar = std::sqrt((mean + 2.0 * mean * mean) / kDraws);
  EXPECT_NEAR(avg, mean, 4 * seMean);
  EXPECT_NEAR(var, mean, 4 * seVar);

  // Chi-square over bins of about equal probability, merged so each expects >= 50.
  const int lo = static_cast<int>(mean - 5 * std::sqrt(mean)),
            hi = static_cast<int>(mean + 5 * std::sqrt(mean));
  std::vector<double> expected, observed;
  double accExpected = 0, accObserved = 0;
  double below = 0;
  for (int k = 0; k < lo; ++k) below += PoissonPmf(k, mean);
  accExpected = below * kDraws;
  for (int c : counts)
    if (c < lo) accObserved += 1;
  for (int k = lo; k <= hi; ++k) {
    accExpected += PoissonPmf(k, mean) * kDraws;
    for (int c : counts)
      if (c == k) accObserved += 1;
    if (accExpected >= 50) {
      expected.push_back(accExpected);
      observed.push_back(accObserved);
      accExpected = accObserved = 0;
    }
  }
  double tailExpected = kDraws, tailObserved = kDraws;
  for (double e : expected) tailExpected -= e;
  for (double o : observed) tailObserved -= o;
  expected.push_back(tailExpected);
  observed.push_back(tailObserved);
  double chi2 = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    chi2 += (observed[i] - expected[i]) * (observed[i] - expected[i]) / expected[i];
  }
  const double dof = static_cast<double>(expected.size() - 1);
  const double p = UpperGammaQ(dof / 2, chi2 / 2);
  EXPECT_GT(p, 0.001) << "chi2 " << chi2 << " with " << dof << " degrees of freedom";
}

INSTANTIATE_TEST_SUITE_P(Means, PoissonStatistics, ::testing::Values(120.0f, 1200.0f));

TEST(PoissonCount, SameSequenceFromTwoFreshGenerators) {
  Pcg32Uniform a, b;
  Stats sa(a), sb(b);
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(sa.PoissonCount(120), sb.PoissonCount(120)) << i;
}

TEST(PoissonCount, UniformHasTwentyFourBitsInUnitInterval) {
  Pcg32Uniform u;
  bool sawOddLowBit = false;
  for (int i = 0; i < 100000; ++i) {
    const float r = u.Next();
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
    if (static_cast<long>(r * 16777216.0f) % 2 == 1) sawOddLowBit = true;
  }
  EXPECT_TRUE(sawOddLowBit);
}

struct LimitRow {
  float mean;
  int expected;
  long maxDraws;
};

class PoissonLimits : public ::testing::TestWithParam<LimitRow> {};

TEST_P(PoissonLimits, NoDrawsAndNoOverflow) {
  ReplayUniform uniform({0.5f});
  Stats stats(uniform);
  EXPECT_EQ(stats.PoissonCount(GetParam().mean), GetParam().expected);
  EXPECT_LE(uniform.draws, GetParam().maxDraws);
}

INSTANTIATE_TEST_SUITE_P(Means, PoissonLimits,
                         ::testing::Values(LimitRow{0.0f, 0, 0}, LimitRow{-5.0f, 0, 0},
                                           LimitRow{NAN, 0, 0}, LimitRow{32767.0f, 32767, 0},
                                           LimitRow{1e30f, 32767, 0},
                                           LimitRow{INFINITY, 32767, 0}));

TEST(PoissonCount, CountIsTheDrawsBelowTheMean) {
  // -ln(1 - 0.5) = 0.693: sums 0.69, 1.39, 2.08, 2.77, 3.47 cross the mean 3 at the fifth draw.
  ReplayUniform uniform({0.5f});
  Stats stats(uniform);
  EXPECT_EQ(stats.PoissonCount(3.0f), 4);
  EXPECT_EQ(uniform.draws, 5);
}

TEST(PoissonCount, HighestDrawNeverReachesLogOfZero) {
  ReplayUniform uniform({0.99999994f});
  Stats stats(uniform);
  EXPECT_EQ(stats.PoissonCount(100.0f), 6);  // each draw adds 16.6
}

TEST(QLDAQ, ReadCountUsesTheSetPoint) {
  ReplayUniform uniform({0.5f});
  Stats stats(uniform);
  SimulatedCountSource source(stats);
  SettingsRecord settings;
  ProgramValues values;
  values.SetPointThickness = 3.0f;
  QLDAQ daq(source, settings, values);
  EXPECT_EQ(daq.ReadCount(), 4.0f);
}

struct SampleRow {
  double mode;
  double expected;
};

class SampleTest : public ::testing::TestWithParam<SampleRow> {};

TEST_P(SampleTest, SampleMeanDependsOnTheMode) {
  // Draws of 0.5 add 0.693 each: mean 3 gives 4; mean 1200 gives 1731.
  ReplayUniform uniform({0.5f});
  Stats stats(uniform);
  SimulatedCountSource source(stats);
  SettingsRecord settings;
  settings[MeasurementMode] = GetParam().mode;
  ProgramValues values;
  values.SetPointThickness = 3.0f;
  QLDAQ daq(source, settings, values);
  EXPECT_EQ(daq.SampleCount(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, SampleTest,
                         ::testing::Values(SampleRow{0, 4}, SampleRow{1, 4}, SampleRow{3, 4},
                                           SampleRow{2, 1731}));

TEST(QLDAQ, StripLengthCountsFromARestart) {
  Pcg32Uniform uniform;
  Stats stats(uniform);
  SimulatedCountSource source(stats);
  SettingsRecord settings;
  ProgramValues values;
  values.StripLengthCounter = 57;
  QLDAQ daq(source, settings, values);
  values.StripLengthCounter = 0;  // a pass starts
  float length = 0;
  for (float expected : {1.0f, 2.0f, 3.0f}) {
    daq.StepStripLength(length);
    EXPECT_EQ(length, expected);
  }
}

}  // namespace
