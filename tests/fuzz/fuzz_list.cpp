// Fuzzes the list-form reading: ParseListNumber on one item, ListReader over a whole text
// and LeadingNumber on a field's text, each checked against the C library's strtod.
//
// Properties:
// - ParseListNumber accepts exactly the plain decimal numerals (optional sign, digits with
//   an optional point, optional exponent; blanks around) whose value is a finite double
//   that strtod converts without a range error; what it accepts it reads as strtod does;
// - ListReader yields finite values, ends, and once it has returned nothing it keeps
//   returning nothing; the values written back in the list form and read again come back
//   to 15 significant digits;
// - LeadingNumber is strtod of the longest leading decimal numeral, 0 where there is none
//   or it is out of range.

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Format.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using orlix::fuzz::Exact;
using orlix::fuzz::Quoted;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Length of the longest prefix of text that is a decimal numeral: an optional sign, digits
// with an optional point (at least one digit in all), and an exponent only where digits
// follow the 'e'. 0 when there is none.
std::size_t NumeralLength(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

// strtod of a numeral; nothing when it overflows or underflows to zero. (strtod also
// reports a range error for denormal results, which are values all the same.)
std::optional<double> LibraryValue(std::string_view numeral) {
  const std::string copy(numeral);
  errno = 0;
  const double value = std::strtod(copy.c_str(), nullptr);
  if (!std::isfinite(value) || (errno == ERANGE && value == 0.0)) return std::nullopt;
  return value;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

void CheckParseListNumber(std::string_view input) {
  const auto parsed = orlix::ParseListNumber(input);
  const std::string_view item = Trimmed(input);
  const bool numeral = !item.empty() && NumeralLength(item) == item.size();
  const auto expected = numeral ? LibraryValue(item) : std::nullopt;
  if (parsed && !expected && item.starts_with("+-") && orlix::fuzz::Tolerated("double-sign")) {
    return;
  }
  if (parsed) {
    FUZZ_CHECK(expected.has_value(), Quoted(input) + " accepted as " + Exact(*parsed) +
                                         " but it is not a finite decimal numeral");
    FUZZ_CHECK(*parsed == *expected,
               Quoted(input) + " read as " + Exact(*parsed) + ", strtod gives " + Exact(*expected));
    // A field holding the same text shows the same number.
    FUZZ_CHECK(orlix::LeadingNumber(input) == *parsed, Quoted(input) + ": LeadingNumber " +
                                                           Exact(orlix::LeadingNumber(input)) +
                                                           ", ParseListNumber " + Exact(*parsed));
  } else {
    FUZZ_CHECK(!expected.has_value(),
               Quoted(input) + " refused, strtod gives " + Exact(expected.value_or(0.0)));
  }
}

void CheckListReader(std::string_view input) {
  orlix::ListReader reader(input);
  std::vector<double> values;
  // Every item takes at least one byte, so the text ends after size + 1 calls at most.
  for (std::size_t calls = 0;; ++calls) {
    FUZZ_CHECK(calls <= input.size() + 1, "ListReader does not end on " + Quoted(input));
    const auto value = reader.Next();
    if (!value) break;
    FUZZ_CHECK(std::isfinite(*value), "item " + Exact(*value) + " in " + Quoted(input));
    values.push_back(*value);
  }
  FUZZ_CHECK(!reader.Next().has_value() && !reader.Next().has_value(),
             "ListReader yields again after returning nothing on " + Quoted(input));

  for (const double v : values) {
    if (orlix::fuzz::BeyondLargest(v) && orlix::fuzz::Tolerated("beyond-largest")) return;
  }
  std::string written;
  for (const double v : values) {
    written += orlix::ListForm(v);
    written += ',';
  }
  orlix::ListReader again(written);
  for (const double v : values) {
    const auto back = again.Next();
    FUZZ_CHECK(back.has_value() && orlix::fuzz::ReadsBackFrom(*back, v),
               Exact(v) + " written in " + Quoted(written) + " reads back as " +
                   (back ? Exact(*back) : std::string("nothing")));
  }
  FUZZ_CHECK(!again.Next().has_value() && again.AtEnd(), "more items in " + Quoted(written));
}

void CheckLeadingNumber(std::string_view input) {
  const double value = orlix::LeadingNumber(input);
  FUZZ_CHECK(std::isfinite(value), Quoted(input) + " gives " + Exact(value));
  std::string_view text = input;
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  const std::size_t length = NumeralLength(text);
  const auto expected = length > 0 ? LibraryValue(text.substr(0, length)) : std::optional(0.0);
  if (!expected) return;  // out of range: 0 or the nearest finite value are both fine
  FUZZ_CHECK(value == *expected,
             Quoted(input) + " gives " + Exact(value) + ", strtod " + Exact(*expected));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckParseListNumber(input);
  CheckListReader(input);
  CheckLeadingNumber(input);
  return 0;
}
