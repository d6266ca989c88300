// Fuzzes the digit-pattern formatter and the list form with doubles and floats built from
// the input bytes: raw bit patterns (NaN, infinities, denormals included), decimals near
// rounding ties, and a table of awkward values.
//
// Properties, for every pattern the station uses and both overloads:
// - NaN gives "NaN", the infinities "Inf" and "-Inf"; anything else is an optional minus
//   sign, digits, and an optional point with digits;
// - at least as many integer digits as the pattern has '0's before the point and no
//   superfluous leading zero; between the pattern's required and possible decimals, with
//   no trailing zero beyond the required ones; no "-0";
// - the text is the value to within half a unit of the last decimal plus the rounding to
//   15 (double) or 7 (float) significant digits; formatting is monotonic; the double
//   overload gives the same text for the value and for its 15-digit form (and for the
//   number its text reads as), the float one for the value and its 7-digit form;
// - whole numbers with whole-number patterns give their exact digits, zero-padded;
// - ListForm is a list-form numeral that reads back as the 15-digit value, in exponent form
//   exactly below 1E-4 and from 1E+15 on; PrintForm reads back alike.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "base/Format.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using orlix::FormatPattern;
using orlix::fuzz::Exact;
using orlix::fuzz::Quoted;

struct Pattern {
  std::string_view text;
  int minInt;   // '0' positions before the point
  int fracReq;  // '0' positions after it
  int fracMax;  // all positions after it
};

// Every pattern the station formats with.
constexpr std::array<Pattern, 18> kPatterns = {{
    {"#####0", 1, 0, 0},
    {"###0.0#", 1, 1, 2},
    {"##0.0#", 1, 1, 2},
    {"0000.0", 4, 1, 1},
    {"000000", 6, 0, 0},
    {"0000", 4, 0, 0},
    {"00", 2, 0, 0},
    {"#0", 1, 0, 0},
    {"0", 1, 0, 0},
    {"###0.0", 1, 1, 1},
    {"###0.##", 1, 0, 2},
    {"###0.0##", 1, 1, 3},
    {"###0.000", 1, 3, 3},
    {"####0.##", 1, 0, 2},
    {"##0", 1, 0, 0},
    {"###0.#", 1, 0, 1},
    {"###0", 1, 0, 0},
    {"#0.0#", 1, 1, 2},
}};

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::array<double, 30> kAwkward = {
    std::numeric_limits<double>::quiet_NaN(),
    -std::numeric_limits<double>::quiet_NaN(),
    kInf,
    -kInf,
    0.0,
    -0.0,
    std::numeric_limits<double>::denorm_min(),
    -std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::min(),
    std::numeric_limits<double>::max(),
    std::numeric_limits<double>::lowest(),
    std::numeric_limits<float>::max(),
    std::numeric_limits<float>::min(),
    std::numeric_limits<float>::denorm_min(),
    0.5,
    0.05,
    0.005,
    0.125,
    2.675,
    9.995,
    99.995,
    999.95,
    9999.95,
    120.45,
    -0.05,
    -0.004,
    1e15,
    999999999999999.5,
    1e22,
    123456789012345678.0,
};

long double ReadBack(const std::string& text) { return std::strtold(text.c_str(), nullptr); }

// The double nearest to the value's decimal form with `digits` significant digits.
double RoundedTo(double value, int digits) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
  return std::strtod(buf, nullptr);
}

// A double built from the input, and a float: the same value, or its own bit pattern.
struct Sample {
  double d;
  float f;
};

float ToFloat(double d) {
  if (std::isnan(d) || std::fabs(d) <= std::numeric_limits<float>::max()) {
    return static_cast<float>(d);
  }
  return d > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
}

Sample NextSample(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: {
      const double d = std::bit_cast<double>(in.ConsumeIntegral<std::uint64_t>());
      return {d, ToFloat(d)};
    }
    case 1: {
      const float f = std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>());
      return {static_cast<double>(f), f};
    }
    case 2: {  // mantissa · 10^exponent: lands on and next to decimal ties
      const auto mantissa =
          in.ConsumeIntegralInRange<long long>(-99999999999999999LL, 99999999999999999LL);
      const int exponent = in.ConsumeIntegralInRange<int>(-40, 40);
      char buf[48];
      std::snprintf(buf, sizeof buf, "%lldE%d", mantissa, exponent);
      const double d = std::strtod(buf, nullptr);
      return {d, ToFloat(d)};
    }
    case 3: {
      const double d = kAwkward[in.ConsumeIntegralInRange<std::size_t>(0, kAwkward.size() - 1)];
      return {d, ToFloat(d)};
    }
    default: {  // a reading with a few decimals, as the station shows them
      const double d = static_cast<double>(in.ConsumeIntegralInRange<int>(-2000000, 2000000)) /
                       std::pow(10.0, in.ConsumeIntegralInRange<int>(0, 5));
      return {d, ToFloat(d)};
    }
  }
}

void CheckText(const std::string& out, double value, const Pattern& p, int precision) {
  const std::string what = Exact(value) + " with " + Quoted(p.text) + " (" +
                           std::to_string(precision) + " digits) gives " + Quoted(out);
  if (std::isnan(value)) {
    FUZZ_CHECK(out == "NaN", what);
    return;
  }
  if (std::isinf(value)) {
    FUZZ_CHECK(out == (value > 0 ? "Inf" : "-Inf"), what);
    return;
  }
  std::size_t i = out.size() > 0 && out[0] == '-' ? 1 : 0;
  const std::size_t intStart = i;
  while (i < out.size() && out[i] >= '0' && out[i] <= '9') ++i;
  const std::size_t intDigits = i - intStart;
  std::size_t fracDigits = 0;
  if (i < out.size() && out[i] == '.') {
    ++i;
    const std::size_t fracStart = i;
    while (i < out.size() && out[i] >= '0' && out[i] <= '9') ++i;
    fracDigits = i - fracStart;
    FUZZ_CHECK(fracDigits > 0, what);
  }
  FUZZ_CHECK(i == out.size(), what + ": not a plain numeral");
  FUZZ_CHECK(intDigits >= static_cast<std::size_t>(p.minInt), what + ": too few integer digits");
  FUZZ_CHECK(intDigits == static_cast<std::size_t>(p.minInt) || out[intStart] != '0',
             what + ": superfluous leading zero");
  FUZZ_CHECK(fracDigits >= static_cast<std::size_t>(p.fracReq) &&
                 fracDigits <= static_cast<std::size_t>(p.fracMax),
             what + ": wrong number of decimals");
  FUZZ_CHECK(fracDigits == static_cast<std::size_t>(p.fracReq) || out.back() != '0',
             what + ": superfluous trailing zero");
  FUZZ_CHECK(intStart == 0 || out.find_first_of("123456789") != std::string::npos,
             what + ": minus zero");

  const long double shown = ReadBack(out);
  const long double v = value;
  const long double tolerance =
      (0.5L * std::pow(10.0L, -p.fracMax) + 5.0L * std::pow(10.0L, -precision) * std::fabs(v)) *
      (1.0L + 1e-12L);
  FUZZ_CHECK(std::fabs(shown - v) <= tolerance,
             what + ": off by " + Exact(static_cast<double>(std::fabs(shown - v))));
}

void CheckPatterns(const Sample& s) {
  for (const Pattern& p : kPatterns) {
    const std::string d = FormatPattern(s.d, p.text);
    CheckText(d, s.d, p, 15);
    const std::string f = FormatPattern(s.f, p.text);
    CheckText(f, static_cast<double>(s.f), p, 7);
    if (!std::isfinite(s.d)) continue;

    const double rounded = RoundedTo(s.d, 15);
    const std::string d15 = std::isfinite(rounded) ? FormatPattern(rounded, p.text) : d;
    FUZZ_CHECK(d == d15, Exact(s.d) + " with " + Quoted(p.text) + " gives " + Quoted(d) +
                             ", its 15-digit form " + Quoted(d15));
    const double shown = std::strtod(d.c_str(), nullptr);
    if (std::isfinite(shown)) {
      const std::string again = FormatPattern(shown, p.text);
      FUZZ_CHECK(again == d, Quoted(d) + " with " + Quoted(p.text) + " gives " + Quoted(again));
    }
    if (std::isfinite(s.f)) {
      const std::string f7 = FormatPattern(RoundedTo(static_cast<double>(s.f), 7), p.text);
      FUZZ_CHECK(f == f7, Exact(s.f) + "f with " + Quoted(p.text) + " gives " + Quoted(f) +
                              ", its 7-digit form " + Quoted(f7));
    }
  }
}

void CheckMonotonic(const Sample& a, const Sample& b) {
  for (const Pattern& p : kPatterns) {
    if (std::isfinite(a.d) && std::isfinite(b.d)) {
      const double lo = std::fmin(a.d, b.d);
      const double hi = std::fmax(a.d, b.d);
      const std::string tl = FormatPattern(lo, p.text);
      const std::string th = FormatPattern(hi, p.text);
      FUZZ_CHECK(ReadBack(tl) <= ReadBack(th), Exact(lo) + " <= " + Exact(hi) + " but " +
                                                   Quoted(tl) + " > " + Quoted(th) + " with " +
                                                   Quoted(p.text));
    }
    if (std::isfinite(a.f) && std::isfinite(b.f)) {
      const float lo = std::fmin(a.f, b.f);
      const float hi = std::fmax(a.f, b.f);
      const std::string tl = FormatPattern(lo, p.text);
      const std::string th = FormatPattern(hi, p.text);
      FUZZ_CHECK(ReadBack(tl) <= ReadBack(th), Exact(lo) + "f <= " + Exact(hi) + "f but " +
                                                   Quoted(tl) + " > " + Quoted(th) + " with " +
                                                   Quoted(p.text));
    }
  }
}

void CheckWholeNumber(long long value, const std::string& out, const Pattern& p) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (digits.size() < static_cast<std::size_t>(p.minInt)) {
    digits.insert(0, static_cast<std::size_t>(p.minInt) - digits.size(), '0');
  }
  const std::string expected = (value < 0 ? "-" : "") + digits;
  FUZZ_CHECK(out == expected,
             std::to_string(value) + " with " + Quoted(p.text) + " gives " + Quoted(out));
}

void CheckWholeNumbers(std::int32_t n) {
  const auto pass = static_cast<std::int16_t>(n);  // a pass number
  for (const Pattern& p : kPatterns) {
    if (p.fracMax != 0) continue;
    CheckWholeNumber(n, FormatPattern(n, p.text), p);
    CheckWholeNumber(pass, FormatPattern(pass, p.text), p);
  }
}

void CheckListForm(double value) {
  if (!std::isfinite(value)) return;
  if (orlix::fuzz::BeyondLargest(value) && orlix::fuzz::Tolerated("beyond-largest")) return;
  const std::string text = orlix::ListForm(value);
  const std::string what = Exact(value) + " in the list form is " + Quoted(text);
  FUZZ_CHECK(orlix::fuzz::IsListFormNumeral(text), what);
  const auto back = orlix::ParseListNumber(text);
  FUZZ_CHECK(back.has_value() && orlix::fuzz::ReadsBackFrom(*back, value),
             what + ", which reads back as " + (back ? Exact(*back) : std::string("nothing")));
  FUZZ_CHECK(orlix::ListForm(*back) == text,
             what + ", but " + Exact(*back) + " is " + Quoted(orlix::ListForm(*back)));
  const double magnitude = std::fabs(*back);
  const bool exponentForm = magnitude != 0.0 && (magnitude < 1e-4 || magnitude >= 1e15);
  FUZZ_CHECK(exponentForm == (text.find('E') != std::string::npos), what);

  const std::string printed = orlix::PrintForm(value);
  FUZZ_CHECK(printed.size() >= 3 && (printed.front() == ' ' || printed.front() == '-') &&
                 printed.back() == ' ' &&
                 orlix::fuzz::IsListFormNumeral(printed.substr(1, printed.size() - 2)),
             Exact(value) + " in the print form is " + Quoted(printed));
  const auto printedBack = orlix::ParseListNumber(printed);
  FUZZ_CHECK(printedBack.has_value() && *printedBack == *back,
             Quoted(printed) + " reads back differently from " + Quoted(text));
}

// Patterns the station does not use must not crash either.
void CheckAnyPattern(FuzzedDataProvider& in, const Sample& s) {
  const std::string pattern = in.ConsumeRandomLengthString(24);
  for (const std::string& out : {FormatPattern(s.d, pattern), FormatPattern(s.f, pattern)}) {
    FUZZ_CHECK(out == "NaN" || out == "Inf" || out == "-Inf" ||
                   out.find_first_not_of("-0123456789.") == std::string::npos,
               Exact(s.d) + " with " + Quoted(pattern) + " gives " + Quoted(out));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Sample a = NextSample(in);
  const Sample b = NextSample(in);
  CheckPatterns(a);
  CheckMonotonic(a, b);
  CheckListForm(a.d);
  CheckListForm(static_cast<double>(a.f));
  CheckWholeNumbers(in.ConsumeIntegral<std::int32_t>());
  CheckAnyPattern(in, a);
  return 0;
}
