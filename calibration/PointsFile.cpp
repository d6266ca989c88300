#include "calibration/PointsFile.h"

#include <algorithm>
#include <cmath>

#include "base/BoundedRead.h"
#include "base/Format.h"

namespace orlix {
namespace {

void ClearPoints(CalibrationData& data, int count) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    data.Thickness[i] = 0.0;
    data.Intensity[i] = 0.0;
  }
}

}  // namespace

void PointsFile::ReadPoints(CalibrationData& data) {
  ClearPoints(data, kPointsShown);
  data.PointCount = kPointsShown;
  const auto text = ReadDataText(files_, kPointsFile);
  if (!text) return;

  ListReader reader(*text);
  const auto count = reader.Next();
  if (!count) return;
  const int m = static_cast<int>(
      std::clamp(std::nearbyint(*count), 0.0, static_cast<double>(kCalibrationCapacity)));
  data.PointCount = static_cast<std::int16_t>(m);
  // Announced points the file does not deliver read as zero, not as stale values.
  ClearPoints(data, m);
  for (std::size_t i = 0; i < static_cast<std::size_t>(m); ++i) {
    const auto thickness = reader.Next();
    if (!thickness) return;
    data.Thickness[i] = *thickness;
    const auto intensity = reader.Next();
    if (!intensity) return;
    data.Intensity[i] = *intensity;
  }
}

std::string PointsFile::PointsText(const CalibrationData& data, std::int16_t m) {
  const int count = std::clamp<int>(m, 0, kCalibrationCapacity);
  std::string text = PrintForm(count);
  text += kLineEnd;
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    text += ListForm(data.Thickness[i]);
    text += ',';
    text += ListForm(data.Intensity[i]);
    text += kLineEnd;
  }
  return text;
}

bool PointsFile::WritePoints(const CalibrationData& data, std::int16_t m) {
  return files_.Replace(kPointsFile, PointsText(data, m));
}

}  // namespace orlix
