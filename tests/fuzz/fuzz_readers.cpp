// The data-file readers by the first byte (0 configuration, 1 coefficients, 2 points): values are
// finite and the file's, but those kept (Background, Source, points above the count from 16 on);
// written back unchanged; a fit over them finite or a no-op. 3: the number readers match strtod.

#include <cerrno>
#include <cmath>
#include <regex>

#include "base/Format.h"
#include "calibration/CoefFile.h"
#include "calibration/PointsFile.h"
#include "core/Settings.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;

#define CHECK(condition) ((condition) ? void() : std::abort())  // libFuzzer keeps the input

// What a reader made of the text, in a record first filled with `prior`: the values it fills
// (for points the count, then each point's thickness and intensity), the file written for them.
struct Read {
  std::vector<double> values;
  std::string written;
  CalibrationData points;  // with the coefficients
  Read(int reader, const std::string& text, double prior) {
    testing::MemoryFileAccess files;
    files.files = {{kConfigurationFile, text}, {kCoefficientFile, text}, {kPointsFile, text}};
    SettingsRecord settings;
    settings.values.fill(prior);
    points.Coef.fill(prior);
    for (auto* column : {&points.Thickness, &points.Intensity}) column->fill(prior);
    if (reader == 0) Cfgfile(files).ReadConfiguration(settings);
    if (reader == 1) CoefFile(files).ReadCoefficients(points.Coef);
    if (reader == 2) PointsFile(files).ReadPoints(points);
    values = reader == 0   ? std::vector(settings.values.begin(), settings.values.end())
             : reader == 1 ? std::vector(points.Coef.begin(), points.Coef.end())
                           : std::vector{double(points.PointCount)};
    for (std::size_t i = 0; reader == 2 && i < kCalibrationCapacity; ++i)
      values.insert(values.end(), {points.Thickness[i], points.Intensity[i]});
    written = reader == 0   ? Cfgfile::ConfigurationText(settings)
              : reader == 1 ? CoefFile::CoefficientText(points.Coef)
                            : PointsFile::PointsText(points, points.PointCount);
  }
};

void CheckFileReader(int reader, const std::string& text) {
  const Read a(reader, text, 7), b(reader, text, -3);
  // The file decides the values before `keep`.
  const std::size_t shown = std::max<std::size_t>(a.points.PointCount, kPointsShown);
  const std::size_t keep = reader == 0 ? Background : reader == 1 ? 4 : 1 + 2 * shown;
  for (std::size_t k = 0; k < a.values.size(); ++k) {
    const double v = a.values[k], w = b.values[k];
    CHECK(std::isfinite(v) && (v == w || (k >= keep && v == 7 && w == -3)));
  }
  CHECK(Read(reader, a.written, 5).written == a.written);  // the same 15-digit values
  if (reader != 2) return;
  CalibrationData fitted = a.points;
  std::int16_t failed = 1;
  const bool fit = FitAndCommit(fitted, failed);
  CHECK(failed == (fit ? kFalse16 : kTrue16) && !(FitDeviation(fitted) < 0));
  for (const double coef : fitted.Coef) CHECK(!fit || std::isfinite(coef));
  CHECK(fit || (fitted.Coef == a.points.Coef && fitted.NormalMatrix == a.points.NormalMatrix));
}

// strtod of a numeral; nothing when it overflows or underflows to zero.
std::optional<double> Strtod(const std::string& numeral) {
  errno = 0;
  const double value = std::strtod(numeral.c_str(), nullptr);
  if (!std::isfinite(value) || (errno == ERANGE && value == 0)) return std::nullopt;
  return value;
}

void CheckNumberReaders(const std::string& input) {
  // A sign, digits with a point (one digit at least), an exponent only where digits follow.
  static const std::regex numeral(R"([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
  const std::size_t start = std::min(input.find_first_not_of(" \t"), input.size());
  const std::string item = input.substr(start, input.find_last_not_of(" \t") + 1 - start);
  std::smatch lead;  // the longest leading numeral
  const bool found = std::regex_search(input.begin() + long(start), input.end(), lead, numeral,
                                       std::regex_constants::match_continuous);
  const auto leading = found ? Strtod(lead.str()) : std::optional(0.0);
  CHECK(std::isfinite(LeadingNumber(input)) && (!leading || LeadingNumber(input) == *leading));
  const auto parsed = ParseListNumber(input);
  CHECK(parsed == (std::regex_match(item, numeral) ? Strtod(item) : std::nullopt));
  CHECK(!parsed || LeadingNumber(input) == *parsed);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data) + (size > 0), size - (size > 0));
  if (size > 0) data[0] % 4 == 3 ? CheckNumberReaders(text) : CheckFileReader(data[0] % 4, text);
  return 0;
}
