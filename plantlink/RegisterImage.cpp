#include "plantlink/RegisterImage.h"

#include <algorithm>
#include <cmath>

namespace orlix::link {

void PutInt32(InputImage& image, int address, std::uint32_t value) {
  image[static_cast<std::size_t>(address)] = static_cast<std::uint16_t>(value >> 16);
  image[static_cast<std::size_t>(address) + 1] = static_cast<std::uint16_t>(value & 0xFFFFu);
}

std::uint32_t GetInt32(const std::uint16_t* words) {
  return (static_cast<std::uint32_t>(words[0]) << 16) | words[1];
}

std::uint32_t ScaledInt32(double value, double scale) {
  const double v = std::round(value * scale);
  if (std::isnan(v)) return kInvalid32;
  const double clamped = std::clamp(v, -2147483647.0, 2147483647.0);
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(clamped));
}

InputImage EmptyInputImage() {
  InputImage image{};
  for (int address : {kThickness, kSetPoint, kDeviation, kCorrection, kStripLength, kRollWeight,
                      kRollDiameter, kLowerLimit, kUpperLimit, kLastLength, kLastWeight,
                      kLastDiameter, kLastMean, kLastDeviation}) {
    PutInt32(image, address, kInvalid32);
  }
  image[kDeviationPercent] = kInvalid16;
  image[kPass] = kInvalid16;
  image[kGain] = kInvalid16;
  image[kLastPass] = kInvalid16;
  image[kLastInTolerance] = kInvalid16;
  return image;
}

InputImage MakeInputImage(const StationSnapshot& s, std::uint16_t counter) {
  InputImage image = EmptyInputImage();
  const bool valid = s.Valid();
  const double t = s.thickness;
  const double sp = s.setPoint;

  PutInt32(image, kSetPoint, ScaledInt32(sp, 1000.0));
  if (valid) {
    PutInt32(image, kThickness, ScaledInt32(t, 1000.0));
    PutInt32(image, kDeviation, ScaledInt32(t - sp, 1000.0));
    if (sp != 0.0) {
      const double hundredths = std::round((t - sp) / sp * 10000.0);
      if (!std::isnan(hundredths)) {
        image[kDeviationPercent] = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(std::clamp(hundredths, -32767.0, 32767.0)));
      }
    }
    if (s.controlOn && s.correction)
      PutInt32(image, kCorrection, ScaledInt32(*s.correction, 1000.0));
    PutInt32(image, kStripLength, ScaledInt32(s.stripLength, 1000.0));
    PutInt32(image, kRollWeight, ScaledInt32(s.rollWeight, 1000.0));
    PutInt32(image, kRollDiameter, ScaledInt32(s.rollDiameter, 1000.0));
  }

  std::uint16_t status = 0;
  if (s.passRunning) status |= kPassRunning;
  if (valid) status |= kValueValid;
  if (s.controlOn) status |= kControlOn;
  if (s.fileFailing) status |= kFileFailing;
  const bool limits = s.HasLimits();
  if (limits) {
    PutInt32(image, kLowerLimit, ScaledInt32(*s.lowerLimit, 1000.0));
    PutInt32(image, kUpperLimit, ScaledInt32(*s.upperLimit, 1000.0));
  }
  if (s.passRunning && !limits) status |= kNoLimits;
  switch (s.Tolerance()) {
    case ToleranceState::kAbove:
      status |= kAboveLimit;
      break;
    case ToleranceState::kBelow:
      status |= kBelowLimit;
      break;
    case ToleranceState::kWithin:
      status |= kWithinTolerance;
      break;
    case ToleranceState::kUnknown:
      break;
  }
  if (s.alarm.raised) {
    status |= kAlarmRaised;
    if (!s.alarm.acknowledged) status |= kAlarmUnacknowledged;
    if (s.alarm.active) status |= kAlarmActive;
    if (s.alarm.side == AlarmSide::kThin) status |= kAlarmThin;
  }
  image[kStatus] = status;
  image[kPass] = static_cast<std::uint16_t>(s.pass);
  const double gain = std::round(s.gain);
  if (!std::isnan(gain)) {
    image[kGain] =
        static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(gain, -32767.0, 32767.0)));
  }
  image[kUpdateCounter] = counter;

  if (s.lastPass && !s.passRunning) {
    const PassOutcome& last = *s.lastPass;
    image[kLastPass] = static_cast<std::uint16_t>(last.pass);
    PutInt32(image, kLastLength, ScaledInt32(last.stripLength, 1000.0));
    PutInt32(image, kLastWeight, ScaledInt32(last.rollWeight, 1000.0));
    PutInt32(image, kLastDiameter, ScaledInt32(last.rollDiameter, 1000.0));
    if (last.mean) PutInt32(image, kLastMean, ScaledInt32(*last.mean, 1000.0));
    if (last.deviation) PutInt32(image, kLastDeviation, ScaledInt32(*last.deviation, 1000.0));
    if (last.inTolerance && std::isfinite(*last.inTolerance)) {
      image[kLastInTolerance] = static_cast<std::uint16_t>(
          std::lround(std::clamp(*last.inTolerance, 0.0, 1.0) * 10000.0));
    }
  }
  return image;
}

}  // namespace orlix::link
