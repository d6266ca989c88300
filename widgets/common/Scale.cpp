#include "widgets/common/Scale.h"

#include "base/Format.h"
#include "base/Single.h"

namespace orlix {

DisplayScale::DisplayScale(float middle, float scaleLength) {
  // Labels stand at a × s / 2 + lo for these a.
  constexpr std::array<int, 5> kLabelSteps = {0, 3, 5, 7, 10};
  unit = ToSingle(static_cast<double>(middle) * scaleLength / 100.0);
  if (unit == 0.0f) unit = 1.0f;
  lower = ToSingle(middle - 2.5 * unit);
  upper = ToSingle(middle + 2.5 * unit);
  const char* pattern = middle < 100.0f ? "###0.0" : "###0";
  for (std::size_t i = 0; i < kLabelSteps.size(); ++i) {
    labels[i] =
        FormatPattern(ToSingle(kLabelSteps[i] * static_cast<double>(unit) / 2.0 + lower), pattern);
  }
}

}  // namespace orlix
