// Fuzzes the coefficient reader with arbitrary "QL_CFF.DAT" contents, and the bounded read
// of the calibration files with bounds shorter than the file.
//
// Properties:
// - the four coefficients are finite and do not depend on what they held before the read;
// - the file written for them ("61,-2.5,0,0,": four list-form items, each followed by a
//   comma, no line end) reads back to their 15-significant-digit values, and writing those
//   gives the same file again;
// - a bounded read returns the whole file when it fits, otherwise a prefix that is empty
//   or ends at a comma or line end, so no number is ever cut at the bound.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/BoundedRead.h"
#include "calibration/CoefFile.h"
#include "base/Format.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/FakePlatform.h"

namespace {

using orlix::Coefficients;
using orlix::CoefFile;
using orlix::kCoefficientFile;
using orlix::fuzz::Exact;
using orlix::fuzz::Quoted;

Coefficients ReadFrom(std::string_view text, double prior) {
  orlix::testing::MemoryFileAccess files;
  files.files[kCoefficientFile] = std::string(text);
  Coefficients coef;
  coef.fill(prior);
  CoefFile(files).ReadCoefficients(coef);
  return coef;
}

void CheckWrittenText(const std::string& text) {
  std::size_t pos = 0;
  int items = 0;
  while (pos < text.size()) {
    const auto comma = text.find(',', pos);
    FUZZ_CHECK(comma != std::string::npos, "no comma after the last item in " + Quoted(text));
    FUZZ_CHECK(orlix::fuzz::IsListFormNumeral(std::string_view(text).substr(pos, comma - pos)),
               "item in " + Quoted(text));
    pos = comma + 1;
    ++items;
  }
  FUZZ_CHECK(items == 4, std::to_string(items) + " items in " + Quoted(text));
}

void CheckBoundedRead(std::string_view input, std::size_t bound) {
  orlix::testing::MemoryFileAccess files;
  files.files[kCoefficientFile] = std::string(input);
  const auto text = orlix::ReadDataText(files, kCoefficientFile, bound);
  FUZZ_CHECK(text.has_value(), "no text for an existing file");
  const std::string detail =
      "bound " + std::to_string(bound) + ", file " + Quoted(input) + ", read " + Quoted(*text);
  if (input.size() <= bound) {
    FUZZ_CHECK(*text == input, detail);
    return;
  }
  FUZZ_CHECK(text->size() <= bound, detail);
  FUZZ_CHECK(input.substr(0, text->size()) == *text, detail);
  FUZZ_CHECK(text->empty() || text->back() == ',' || text->back() == '\r' || text->back() == '\n',
             detail);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const Coefficients first = ReadFrom(input, 7.0);
  const Coefficients second = ReadFrom(input, -3.0);
  for (std::size_t k = 0; k < first.size(); ++k) {
    const std::string name = "A" + std::to_string(k);
    FUZZ_CHECK(std::isfinite(first[k]), name + " = " + Exact(first[k]));
    FUZZ_CHECK(first[k] == second[k], name + " = " + Exact(first[k]) + " or " + Exact(second[k]) +
                                          " depending on the value before the read");
  }

  // The record overload reads the same.
  {
    orlix::testing::MemoryFileAccess files;
    files.files[kCoefficientFile] = std::string(input);
    orlix::CalibrationData record;
    CoefFile(files).ReadCoefficients(record);
    FUZZ_CHECK(record.Coef == first, "CalibrationData overload reads differently");
  }

  for (const double v : first) {
    if (orlix::fuzz::BeyondLargest(v) && orlix::fuzz::Tolerated("beyond-largest")) return 0;
  }
  const std::string written = CoefFile::CoefficientText(first);
  CheckWrittenText(written);
  const Coefficients reread = ReadFrom(written, 9.0);
  for (std::size_t k = 0; k < first.size(); ++k) {
    FUZZ_CHECK(orlix::fuzz::ReadsBackFrom(reread[k], first[k]),
               "A" + std::to_string(k) + " " + Exact(first[k]) + " written as " + Quoted(written) +
                   " reads back as " + Exact(reread[k]));
  }
  FUZZ_CHECK(CoefFile::CoefficientText(reread) == written,
             Quoted(written) + " read and written again changes");

  if (size > 0) {
    CheckBoundedRead(input, size - 1);
    CheckBoundedRead(input, size / 2);
    CheckBoundedRead(input, data[0] % 16);
  }
  return 0;
}
