#include "calibration/Poly3Fit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orlix {
namespace {

// A double-double number: the unevaluated sum hi + lo with |lo| at most half an ulp of hi,
// about 106 bits of precision. The normal equations of a cubic square the condition of the
// problem; clustered counts need more than a double's 53 bits to keep the fitted values to
// the last digits a double can show.
struct Wide {
  double hi = 0.0;
  double lo = 0.0;
};

Wide TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// Requires |a| >= |b| or a == 0.
Wide FastTwoSum(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}

Wide TwoProd(double a, double b) {
  const double p = a * b;
  return {p, std::fma(a, b, -p)};
}

Wide operator+(Wide a, Wide b) {
  Wide s = TwoSum(a.hi, b.hi);
  const Wide t = TwoSum(a.lo, b.lo);
  s.lo += t.hi;
  s = FastTwoSum(s.hi, s.lo);
  s.lo += t.lo;
  return FastTwoSum(s.hi, s.lo);
}

Wide operator-(Wide a) { return {-a.hi, -a.lo}; }
Wide operator-(Wide a, Wide b) { return a + (-b); }

Wide operator*(Wide a, Wide b) {
  Wide p = TwoProd(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return FastTwoSum(p.hi, p.lo);
}

Wide operator*(Wide a, double b) {
  Wide p = TwoProd(a.hi, b);
  p.lo += a.lo * b;
  return FastTwoSum(p.hi, p.lo);
}

Wide operator/(Wide a, Wide b) {
  const double q1 = a.hi / b.hi;
  Wide r = a - b * q1;
  const double q2 = r.hi / b.hi;
  r = r - b * q2;
  const double q3 = r.hi / b.hi;
  return FastTwoSum(q1, q2) + Wide{q3, 0.0};
}

// a · 2^exponent, exact while nothing underflows.
Wide Scaled(Wide a, int exponent) {
  return {std::ldexp(a.hi, exponent), std::ldexp(a.lo, exponent)};
}

bool TakesPart(double intensity) { return std::isfinite(intensity) && intensity > 0.0; }

// Solves the 4 × 4 system in place by elimination with partial pivoting; false when a
// pivot is zero.
bool SolveWide(std::array<std::array<Wide, 5>, 4>& a, std::array<Wide, 4>& x) {
  for (std::size_t col = 0; col < 4; ++col) {
    std::size_t pivot = col;
    for (std::size_t r = col + 1; r < 4; ++r) {
      if (std::fabs(a[r][col].hi) > std::fabs(a[pivot][col].hi)) pivot = r;
    }
    if (!(std::fabs(a[pivot][col].hi) > 0.0)) return false;
    std::swap(a[col], a[pivot]);
    for (std::size_t r = col + 1; r < 4; ++r) {
      const Wide f = a[r][col] / a[col][col];
      for (std::size_t c = col; c < 5; ++c) a[r][c] = a[r][c] - f * a[col][c];
    }
  }
  for (std::size_t r = 4; r-- > 0;) {
    Wide sum = a[r][4];
    for (std::size_t c = r + 1; c < 4; ++c) sum = sum - a[r][c] * x[c];
    x[r] = sum / a[r][r];
  }
  return true;
}

}  // namespace

int UsedPointCount(const CalibrationData& data) {
  return std::clamp<int>(data.PointCount, 0, kCalibrationCapacity);
}

void FitPoly3(CalibrationData& data, std::int16_t& failed) {
  failed = kTrue16;
  for (auto& row : data.NormalMatrix) row.fill(0.0);
  data.Coef.fill(0.0);

  const int n = UsedPointCount(data);
  std::array<double, kCalibrationCapacity> xs;  // the intensities that take part
  std::size_t m = 0;
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (int i = 0; i < n; ++i) {
    const double x = data.Intensity[static_cast<std::size_t>(i)];
    if (!TakesPart(x)) continue;
    xs[m++] = x;
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  if (m == 0) return;

  // u = (x − centre) / 2^scaleExp lies in [-1, 1] and is exact as a double-double.
  const double halfRange = 0.5 * (hi - lo);
  const double centre = lo + halfRange;
  int scaleExp = 0;
  if (halfRange > 0.0) std::frexp(halfRange, &scaleExp);

  std::array<Wide, 7> s{};  // Σ u^k
  std::array<Wide, 4> t{};  // Σ u^k · y
  for (int i = 0; i < n; ++i) {
    const double x = data.Intensity[static_cast<std::size_t>(i)];
    if (!TakesPart(x)) continue;
    const double y = data.Thickness[static_cast<std::size_t>(i)];
    const Wide u = Scaled(TwoSum(x, -centre), -scaleExp);
    Wide power{1.0, 0.0};
    for (std::size_t k = 0; k < 7; ++k) {
      s[k] = s[k] + power;
      if (k < 4) t[k] = t[k] + power * y;
      if (k < 6) power = power * u;
    }
  }
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t c = 0; c < 4; ++c) data.NormalMatrix[r][c] = s[r + c].hi;
    data.Coef[r] = t[r].hi;
  }

  // Fewer than four distinct intensities: singular in exact arithmetic.
  std::sort(xs.begin(), xs.begin() + static_cast<long>(m));
  const auto distinct = std::unique(xs.begin(), xs.begin() + static_cast<long>(m)) - xs.begin();
  if (distinct < 4) return;

  std::array<std::array<Wide, 5>, 4> system;
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t c = 0; c < 4; ++c) system[r][c] = s[r + c];
    system[r][4] = t[r];
  }
  std::array<Wide, 4> q;
  if (!SolveWide(system, q)) return;

  // t = Σ b_k u^k = Σ q_k (x − centre)^k with q_k = b_k / 2^(k·scaleExp); shifting the
  // polynomial by the centre gives the coefficients of the raw count.
  for (std::size_t k = 1; k < 4; ++k) q[k] = Scaled(q[k], -static_cast<int>(k) * scaleExp);
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 3; j-- > i;) q[j] = q[j] - q[j + 1] * centre;
  }
  Coefficients a;
  for (std::size_t k = 0; k < 4; ++k) {
    a[k] = q[k].hi + q[k].lo;
    if (!std::isfinite(a[k])) return;
  }
  data.Coef = a;
  failed = kFalse16;
}

double EvalPoly3(const Coefficients& coef, double x) {
  return ((coef[0] + coef[1] * x) + coef[2] * std::pow(x, 2)) + coef[3] * std::pow(x, 3);
}

double EvalPoly3(const CalibrationData& data, double x) { return EvalPoly3(data.Coef, x); }

bool FitAndCommit(CalibrationData& data, std::int16_t& failed) {
  CalibrationData copy = data;
  FitPoly3(copy, failed);
  if (failed != kFalse16) return false;
  data.NormalMatrix = copy.NormalMatrix;
  data.Coef = copy.Coef;
  return true;
}

double FitDeviation(const CalibrationData& data) {
  const int n = UsedPointCount(data);
  if (n < 2) return 0.0;
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    sum += std::pow(EvalPoly3(data, data.Intensity[k]) - data.Thickness[k], 2);
  }
  return std::sqrt(sum / (n - 1));
}

}  // namespace orlix
