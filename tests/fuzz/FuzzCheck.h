#pragma once
// Property checks for the fuzz targets. A failed check prints the property and the values
// involved and aborts, so that libFuzzer keeps the input that broke it.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace orlix::fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* property,
                              const std::string& detail) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n  %s\n", file, line, property, detail.c_str());
  std::fflush(stderr);
  std::abort();
}

// A double with all its digits, for messages.
inline std::string Exact(double value) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", value);
  return buf;
}

// Text as a quoted literal with control bytes escaped, for messages.
inline std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", byte);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// The double nearest to the value's 15-significant-digit decimal form: what a value comes
// back as after the list form. Worked out through the C library, not through core/Format.
inline double Round15(double value) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", value);
  return std::strtod(buf, nullptr);
}

// Whether the value's 15-digit form lies beyond the largest double (1.79769313486232E+308).
inline bool BeyondLargest(double value) { return !std::isfinite(Round15(value)); }

// Findings not fixed yet can be let through in long runs by hand, so that fuzzing goes on
// past them: the environment variable STATION_FUZZ_TOLERATE names them, comma-separated
// ("beyond-largest,double-sign"). The test command never sets it.
inline bool Tolerated(std::string_view finding) {
  const char* list = std::getenv("STATION_FUZZ_TOLERATE");
  if (list == nullptr) return false;
  std::string_view names(list);
  while (!names.empty()) {
    const auto comma = names.find(',');
    if (names.substr(0, comma) == finding) return true;
    if (comma == std::string_view::npos) break;
    names.remove_prefix(comma + 1);
  }
  return false;
}

// Whether `back` is what `value` may read back as after the list form: its 15-digit
// value, or, where that lies beyond the largest double, the 15-digit value next to it
// towards zero (a file must read back to finite values).
inline bool ReadsBackFrom(double back, double value) {
  const double rounded = Round15(value);
  if (std::isfinite(rounded)) return back == rounded;
  return std::isfinite(back) && std::fabs(back - value) <= 1e-14 * std::fabs(value);
}

// True for a numeral in the list form the station writes: an optional minus sign, digits
// with an optional fraction ("0.01", "120", "-2.5"), an optional exponent ("1E+20",
// "1.5E-07"), at most 15 significant digits and nothing else.
inline bool IsListFormNumeral(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  const auto isDigit = [&](std::size_t k) {
    return k < text.size() && text[k] >= '0' && text[k] <= '9';
  };
  int significant = 0;
  bool leading = true;
  const auto takeDigits = [&] {
    const std::size_t start = i;
    for (; isDigit(i); ++i) {
      if (text[i] != '0') leading = false;
      if (!leading) ++significant;
    }
    return i > start;
  };
  if (!takeDigits()) return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (!takeDigits()) return false;
  }
  if (i < text.size() && text[i] == 'E') {
    ++i;
    if (i >= text.size() || (text[i] != '+' && text[i] != '-')) return false;
    ++i;
    const std::size_t start = i;
    while (isDigit(i)) ++i;
    if (i - start < 2) return false;
  }
  return i == text.size() && significant <= 15;
}

}  // namespace orlix::fuzz

// Evaluates `detail` (a std::string) only when the check fails.
#define FUZZ_CHECK(condition, detail)                                \
  do {                                                               \
    if (!(condition)) {                                              \
      ::orlix::fuzz::Fail(__FILE__, __LINE__, #condition, (detail)); \
    }                                                                \
  } while (0)
