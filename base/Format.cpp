#include "base/Format.h"

#include <array>
#include <charconv>
#include <cmath>

namespace orlix {
namespace {

struct PatternShape {
  int minInt = 0;   // '0' positions before the point
  int fracReq = 0;  // '0' positions after the point
  int fracMax = 0;  // all positions after the point
};

PatternShape ShapeOf(std::string_view pattern) {
  PatternShape shape;
  const auto point = pattern.find('.');
  const std::string_view intPart = pattern.substr(0, point);
  for (char c : intPart) {
    if (c == '0') ++shape.minInt;
  }
  if (point != std::string_view::npos) {
    for (char c : pattern.substr(point + 1)) {
      if (c == '0') {
        ++shape.fracReq;
        ++shape.fracMax;
      } else if (c == '#') {
        ++shape.fracMax;
      }
    }
  }
  return shape;
}

// Rounds |value| (given by its significant digits and decimal exponent) half away from
// zero to fracMax decimals and returns the digits of round(|value| * 10^fracMax).
std::string ScaledDigits(std::string_view digits, int exponent, int fracMax) {
  const int precision = static_cast<int>(digits.size());
  const long keep = static_cast<long>(exponent) + 1 + fracMax;  // digits before the cut
  std::string out;
  bool roundUp = false;
  if (keep <= 0) {
    roundUp = keep == 0 && digits[0] >= '5';
    out = "0";
  } else if (keep >= precision) {
    out.assign(digits);
    out.append(static_cast<std::size_t>(keep - precision), '0');
  } else {
    out.assign(digits.substr(0, static_cast<std::size_t>(keep)));
    roundUp = digits[static_cast<std::size_t>(keep)] >= '5';
  }
  if (roundUp) {
    int i = static_cast<int>(out.size()) - 1;
    while (i >= 0 && out[static_cast<std::size_t>(i)] == '9') {
      out[static_cast<std::size_t>(i)] = '0';
      --i;
    }
    if (i < 0) {
      out.insert(out.begin(), '1');
    } else {
      ++out[static_cast<std::size_t>(i)];
    }
  }
  return out;
}

std::string FormatWithPrecision(double value, std::string_view pattern, int precision) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";

  const PatternShape shape = ShapeOf(pattern);
  std::string scaled;
  if (value == 0.0) {
    scaled = "0";
  } else {
    // d.ddd...e+XX with `precision` significant digits.
    std::array<char, 64> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value),
                                   std::chars_format::scientific, precision - 1);
    const std::string_view sci(buf.data(), static_cast<std::size_t>(res.ptr - buf.data()));
    const auto ePos = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, ePos)) {
      if (c != '.') digits.push_back(c);
    }
    int exponent = 0;
    const std::string_view expText = sci.substr(ePos + 1);
    std::from_chars(expText.data() + (expText[0] == '+' ? 1 : 0), expText.data() + expText.size(),
                    exponent);
    scaled = ScaledDigits(digits, exponent, shape.fracMax);
  }

  // Split round(|v| * 10^fracMax) into integer and fraction digits.
  const auto fracMax = static_cast<std::size_t>(shape.fracMax);
  if (scaled.size() <= fracMax) scaled.insert(0, fracMax + 1 - scaled.size(), '0');
  std::string intDigits = scaled.substr(0, scaled.size() - fracMax);
  std::string fracDigits = scaled.substr(scaled.size() - fracMax);

  const bool isZero = scaled.find_first_not_of('0') == std::string::npos;

  const auto firstSignificant = intDigits.find_first_not_of('0');
  intDigits =
      firstSignificant == std::string::npos ? std::string() : intDigits.substr(firstSignificant);
  if (intDigits.size() < static_cast<std::size_t>(shape.minInt)) {
    intDigits.insert(0, static_cast<std::size_t>(shape.minInt) - intDigits.size(), '0');
  }
  while (fracDigits.size() > static_cast<std::size_t>(shape.fracReq) && fracDigits.back() == '0') {
    fracDigits.pop_back();
  }

  std::string out;
  if (value < 0 && !isZero) out.push_back('-');
  out += intDigits;
  if (!fracDigits.empty()) {
    out.push_back('.');
    out += fracDigits;
  }
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string FormatPattern(double value, std::string_view pattern) {
  return FormatWithPrecision(value, pattern, 15);
}

std::string FormatPattern(float value, std::string_view pattern) {
  return FormatWithPrecision(static_cast<double>(value), pattern, 7);
}

std::string ListForm(double value) {
  if (value == 0.0) return "0";  // also folds -0
  std::array<char, 64> buf{};
  const auto res =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::general, 15);
  std::string out(buf.data(), res.ptr);
  for (char& c : out) {
    if (c == 'e') c = 'E';
  }
  // Rounded to 15 digits, the doubles nearest the largest one would exceed it and could not
  // be read back; they are written rounded toward zero instead.
  if (std::isfinite(value) && !ParseListNumber(out)) {
    out = value < 0 ? "-1.79769313486231E+308" : "1.79769313486231E+308";
  }
  return out;
}

std::string PrintForm(double value) {
  std::string out = value < 0 ? "-" : " ";
  out += ListForm(std::fabs(value));
  out.push_back(' ');
  return out;
}

std::optional<double> ParseListNumber(std::string_view item) {
  while (!item.empty() && IsBlank(item.front())) item.remove_prefix(1);
  while (!item.empty() && IsBlank(item.back())) item.remove_suffix(1);
  if (!item.empty() && item.front() == '+') {
    item.remove_prefix(1);
    if (!item.empty() && (item.front() == '-' || item.front() == '+')) return std::nullopt;
  }
  if (item.empty()) return std::nullopt;
  // Only decimal numerals: no "inf", "nan" or hexadecimal forms.
  const char first = item.front() == '-' && item.size() > 1 ? item[1] : item.front();
  if (!((first >= '0' && first <= '9') || first == '.')) return std::nullopt;
  double value = 0.0;
  const auto res = std::from_chars(item.data(), item.data() + item.size(), value);
  if (res.ec != std::errc() || res.ptr != item.data() + item.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> ListReader::Next() {
  if (failed_) return std::nullopt;
  // Blanks and line ends before an item are passed over.
  while (pos_ < text_.size() &&
         (IsBlank(text_[pos_]) || text_[pos_] == '\r' || text_[pos_] == '\n')) {
    ++pos_;
  }
  if (pos_ >= text_.size()) return std::nullopt;
  const std::size_t start = pos_;
  while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n') {
    ++pos_;
  }
  const auto value = ParseListNumber(text_.substr(start, pos_ - start));
  if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
  if (!value) failed_ = true;
  return value;
}

double LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const std::size_t mantissaStart = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  }
  const std::size_t mantissaEnd = i;
  if (mantissaEnd == mantissaStart ||
      (mantissaEnd - mantissaStart == 1 && text[mantissaStart] == '.')) {
    return 0.0;
  }
  // An exponent counts only when digits follow it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
    if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      i = j;
    }
  }
  std::string_view number = text.substr(start, i - start);
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  double value = 0.0;
  const auto res = std::from_chars(number.data(), number.data() + number.size(), value);
  if (res.ec != std::errc() || !std::isfinite(value)) return 0.0;
  return value;
}

}  // namespace orlix
