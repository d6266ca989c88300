// Fuzzes the points reader with arbitrary "QL_SET.DAT" contents, followed by the fit the
// calibration window makes over the points it has just read.
//
// Properties:
// - PointCount lies in 0..200; points 1..PointCount are finite, points 1..15 above it are
//   zero, and points 16..200 above it keep what they held; nothing read depends on what the
//   record held before;
// - the file written for the points read (the count in the print form, then one list-form
//   "thickness,intensity" line per point, CR LF after every line) reads back to the same
//   count and the points' 15-significant-digit values, and writing those gives the same
//   file again;
// - the fit either succeeds with finite coefficients or fails and leaves the record as it
//   was; the fit deviation is never negative.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "calibration/PointsFile.h"
#include "calibration/Poly3Fit.h"
#include "base/Format.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/FakePlatform.h"

namespace {

using orlix::CalibrationData;
using orlix::kCalibrationCapacity;
using orlix::kPointsFile;
using orlix::PointsFile;
using orlix::fuzz::Exact;
using orlix::fuzz::Quoted;

// Every point holds a recognisable value before the read.
CalibrationData Prefilled(double base) {
  CalibrationData data;
  data.PointCount = -5;
  for (std::size_t i = 0; i < static_cast<std::size_t>(kCalibrationCapacity); ++i) {
    data.Thickness[i] = base + static_cast<double>(i);
    data.Intensity[i] = -base - static_cast<double>(i);
  }
  return data;
}

CalibrationData ReadFrom(std::string_view text, double base) {
  orlix::testing::MemoryFileAccess files;
  files.files[kPointsFile] = std::string(text);
  CalibrationData data = Prefilled(base);
  PointsFile(files).ReadPoints(data);
  return data;
}

std::string PointName(std::size_t i) { return "point " + std::to_string(i + 1); }

void CheckPoints(const CalibrationData& data, double base) {
  const int m = data.PointCount;
  FUZZ_CHECK(m >= 0 && m <= kCalibrationCapacity, "PointCount " + std::to_string(m));
  for (std::size_t i = 0; i < static_cast<std::size_t>(kCalibrationCapacity); ++i) {
    const double t = data.Thickness[i];
    const double x = data.Intensity[i];
    const std::string detail =
        PointName(i) + " of " + std::to_string(m) + ": " + Exact(t) + "," + Exact(x);
    if (static_cast<int>(i) < m) {
      FUZZ_CHECK(std::isfinite(t) && std::isfinite(x), detail);
    } else if (static_cast<int>(i) < orlix::kPointsShown) {
      FUZZ_CHECK(t == 0.0 && x == 0.0, detail + " (should be cleared)");
    } else {
      const double kept = base + static_cast<double>(i);
      FUZZ_CHECK(t == kept && x == -kept, detail + " (should be kept)");
    }
  }
}

void CheckWrittenText(const std::string& text, int m) {
  const std::string countLine = orlix::PrintForm(m) + std::string(orlix::kLineEnd);
  FUZZ_CHECK(text.compare(0, countLine.size(), countLine) == 0,
             "count " + std::to_string(m) + " in " + Quoted(text));
  std::size_t pos = countLine.size();
  int lines = 0;
  while (pos < text.size()) {
    const auto end = text.find(orlix::kLineEnd, pos);
    FUZZ_CHECK(end != std::string::npos, "unterminated line in " + Quoted(text));
    const std::string_view line(text.data() + pos, end - pos);
    const auto comma = line.find(',');
    FUZZ_CHECK(comma != std::string_view::npos &&
                   orlix::fuzz::IsListFormNumeral(line.substr(0, comma)) &&
                   orlix::fuzz::IsListFormNumeral(line.substr(comma + 1)),
               "point line " + Quoted(line));
    pos = end + orlix::kLineEnd.size();
    ++lines;
  }
  FUZZ_CHECK(lines == m, std::to_string(lines) + " point lines for the count " + std::to_string(m) +
                             " in " + Quoted(text));
}

void CheckFit(const CalibrationData& data) {
  CalibrationData fitted = data;
  std::int16_t failed = 1;  // neither True nor False
  const bool ok = orlix::FitAndCommit(fitted, failed);
  if (ok) {
    FUZZ_CHECK(failed == orlix::kFalse16,
               "fit succeeded with the flag " + std::to_string(failed));
    for (const double a : fitted.Coef) FUZZ_CHECK(std::isfinite(a), "coefficient " + Exact(a));
  } else {
    FUZZ_CHECK(failed == orlix::kTrue16, "fit failed with the flag " + std::to_string(failed));
    FUZZ_CHECK(fitted.Coef == data.Coef && fitted.NormalMatrix == data.NormalMatrix,
               "a failed fit changed the record");
  }
  const double deviation = orlix::FitDeviation(fitted);
  FUZZ_CHECK(!(deviation < 0.0), "deviation " + Exact(deviation));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const CalibrationData first = ReadFrom(input, 1000.0);
  const CalibrationData second = ReadFrom(input, 5000.0);
  CheckPoints(first, 1000.0);
  CheckPoints(second, 5000.0);
  FUZZ_CHECK(first.PointCount == second.PointCount,
             "PointCount " + std::to_string(first.PointCount) + " or " +
                 std::to_string(second.PointCount) + " depending on the record before the read");
  for (std::size_t i = 0; i < static_cast<std::size_t>(first.PointCount); ++i) {
    FUZZ_CHECK(
        first.Thickness[i] == second.Thickness[i] && first.Intensity[i] == second.Intensity[i],
        PointName(i) + " depends on the record before the read");
  }

  const int m = first.PointCount;
  for (std::size_t i = 0; i < static_cast<std::size_t>(m); ++i) {
    if ((orlix::fuzz::BeyondLargest(first.Thickness[i]) ||
         orlix::fuzz::BeyondLargest(first.Intensity[i])) &&
        orlix::fuzz::Tolerated("beyond-largest")) {
      CheckFit(first);
      return 0;
    }
  }
  const std::string written = PointsFile::PointsText(first, static_cast<std::int16_t>(m));
  CheckWrittenText(written, m);
  const CalibrationData reread = ReadFrom(written, 9000.0);
  FUZZ_CHECK(reread.PointCount == m,
             Quoted(written) + " reads back with the count " + std::to_string(reread.PointCount));
  for (std::size_t i = 0; i < static_cast<std::size_t>(m); ++i) {
    FUZZ_CHECK(orlix::fuzz::ReadsBackFrom(reread.Thickness[i], first.Thickness[i]) &&
                   orlix::fuzz::ReadsBackFrom(reread.Intensity[i], first.Intensity[i]),
               PointName(i) + " " + Exact(first.Thickness[i]) + "," + Exact(first.Intensity[i]) +
                   " reads back as " + Exact(reread.Thickness[i]) + "," +
                   Exact(reread.Intensity[i]));
  }
  FUZZ_CHECK(PointsFile::PointsText(reread, static_cast<std::int16_t>(m)) == written,
             Quoted(written) + " read and written again changes");

  CheckFit(first);
  return 0;
}
