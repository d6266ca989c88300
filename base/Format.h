#pragma once
// Number texts shared by every file and display of the station.
//
// Digit patterns: "0" is a digit position always filled, "#" one filled only when
// significant, "." the decimal point. The value is rounded half away from zero to the
// pattern's decimals; integer digits beyond the pattern's positions are still shown.
//
// List form: the bare numeral used in the data files ("0.1", "120", "-2.5", "1E+20").
// Print form: a number printed alone, with a blank in the sign position and one after it.
//
// None of these depend on the process locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace orlix {

// Formats a double through a digit pattern such as "###0.0#" or "0000.0".
// The value is rounded on its 15-significant-digit decimal form.
std::string FormatPattern(double value, std::string_view pattern);

// Formats a single-precision value: it is rounded on its 7-significant-digit decimal
// form, the precision a single carries, so 120.45f shows as 120.5 with "0000.0".
std::string FormatPattern(float value, std::string_view pattern);

template <typename Int>
requires std::is_integral_v<Int> std::string FormatPattern(Int value, std::string_view pattern) {
  return FormatPattern(static_cast<double>(value), pattern);
}

// The list form: the shortest numeral of at most 15 significant digits, "." as the
// decimal separator, exponent form ("1E+20", "1E-07") below 1E-4 and from 1E+15 on.
std::string ListForm(double value);

// The print form: " 14 " for 14, "-3 " for -3.
std::string PrintForm(double value);

// Parses one list-form item: optional blanks, an optional sign, digits with an optional
// point and exponent ("0.01", ".01", "-2.5", "1E+20", "1e-7"), optional trailing blanks.
// Anything else, and values beyond the double range, give nothing.
std::optional<double> ParseListNumber(std::string_view item);

// Reads items separated by commas or line ends, as the data files are read.
class ListReader {
 public:
  explicit ListReader(std::string_view text) : text_(text) {}

  // The next numeric item. Empty when the text is used up or the next item is not a
  // number; a reader that failed once stays failed, so callers keep what they read
  // before the fault.
  std::optional<double> Next();

  bool AtEnd() const { return pos_ >= text_.size(); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// Text to number as the windows read a field: the longest leading number, "." as the
// decimal separator; empty or non-numeric text gives 0 ("12.5.3" gives 12.5).
double LeadingNumber(std::string_view text);

// Line end of every file the station writes.
inline constexpr std::string_view kLineEnd = "\r\n";

}  // namespace orlix
