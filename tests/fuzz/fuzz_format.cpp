// FormatPattern at 15 digits (double) and 7 (float): the pattern's shape, no "-0" (NaN, Inf, -Inf
// when not finite), within half a unit of the last place plus that rounding, as for the 15- or
// 7-digit value. ListForm: 15 digits at most, an exponent exactly below 1E-4 and from 1E+15 on.

#include <cmath>
#include <regex>
#include <sstream>
#include <tuple>

#include "base/Format.h"

#define CHECK(condition) ((condition) ? void() : std::abort())  // libFuzzer keeps the input

// Every pattern the station uses: '0's before the point, '0's after it, all places after it.
constexpr std::tuple<const char*, long, long, long> kPatterns[] = {
    {"#####0", 1, 0, 0},   {"###0.0#", 1, 1, 2},  {"##0.0#", 1, 1, 2},  {"0000.0", 4, 1, 1},
    {"000000", 6, 0, 0},   {"0000", 4, 0, 0},     {"00", 2, 0, 0},      {"#0", 1, 0, 0},
    {"0", 1, 0, 0},        {"###0.0", 1, 1, 1},   {"###0.##", 1, 0, 2}, {"###0.0##", 1, 1, 3},
    {"###0.000", 1, 3, 3}, {"####0.##", 1, 0, 2}, {"##0", 1, 0, 0},     {"###0.#", 1, 0, 1},
    {"###0", 1, 0, 0},     {"#0.0#", 1, 1, 2}};

double Rounded(double value, int digits) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
  return std::strtod(text, nullptr);
}

void CheckListForm(double value) {
  static const std::regex form(R"(-?\d+(\.\d+)?(E[+-]\d{2,})?)");
  const std::string text = orlix::ListForm(value);
  std::string digits = text.substr(0, text.find('E'));
  std::erase_if(digits, [](char c) { return c == '-' || c == '.'; });
  digits.erase(0, digits.find_first_not_of('0'));
  CHECK(std::regex_match(text, form) && digits.size() <= 15);
  // It reads back as the 15-digit value or, where that is beyond the largest double, finite.
  const auto back = orlix::ParseListNumber(text);
  const double rounded = Rounded(value, 15);
  CHECK(back && orlix::ListForm(*back) == text);
  CHECK(std::isfinite(rounded) ? *back == rounded : std::isfinite(*back));
  const double size = std::fabs(*back);
  CHECK((size != 0 && (size < 1e-4 || size >= 1e15)) == (text.find('E') != text.npos));
}

template <typename T>
void Check(T value, int digits) {
  static const std::regex numeral(R"(-?(\d+)(?:\.(\d+))?)");
  for (const auto& [pattern, wholeMin, decimalsMin, decimalsMax] : kPatterns) {
    const std::string out = orlix::FormatPattern(value, pattern);
    std::smatch m;
    if (!std::isfinite(value)) {
      CHECK(out == (std::isnan(value) ? "NaN" : value > 0 ? "Inf" : "-Inf"));
      continue;
    }
    CHECK(std::regex_match(out, m, numeral) &&
          (out[0] != '-' || out.find_first_of("123456789") != out.npos));
    const auto whole = m.length(1), decimals = m.length(2);
    CHECK(whole >= wholeMin && (whole == wholeMin || m.str(1)[0] != '0'));
    CHECK(decimals >= decimalsMin && decimals <= decimalsMax &&
          (decimals == decimalsMin || out.back() != '0'));
    const long double v = value, error = 5 * std::pow(10.0L, -digits) * std::fabs(v);
    CHECK(std::fabs(std::strtold(out.c_str(), nullptr) - v) <=
          (std::pow(10.0L, -decimalsMax) / 2 + error) * (1 + 1e-12L));
    const double rounded = Rounded(value, digits);
    CHECK(!std::isfinite(rounded) || orlix::FormatPattern(rounded, pattern) == out);
  }
  if (std::isfinite(value)) CheckListForm(value);
}

// The input is a double and a float, as words.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
  std::string d, f;
  input >> d >> f;
  Check(std::strtod(d.c_str(), nullptr), 15);
  Check(std::strtof(f.c_str(), nullptr), 7);
  return 0;
}
