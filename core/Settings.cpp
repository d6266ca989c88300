#include "core/Settings.h"

#include "base/BoundedRead.h"
#include "base/Format.h"

namespace orlix {
namespace {
// Far more than fourteen numbers need; a larger file is read no further.
constexpr std::size_t kMaxConfigurationBytes = 64 * 1024;

void SetMissingFileValue(SettingsRecord& settings, int i) {
  if (i < kLimitedSettingCount) {
    settings[i] = SettingMinimum[static_cast<std::size_t>(i)];
  } else if (i == MeasurementMode) {
    settings[i] = kModeApproximation;
  }
  // Background and Source keep what they held.
}
}  // namespace

void Cfgfile::ReadConfiguration(SettingsRecord& settings) {
  int read = 0;
  if (const auto text = ReadDataText(files_, kConfigurationFile, kMaxConfigurationBytes)) {
    ListReader reader(*text);
    for (; read < kSettingCount; ++read) {
      const auto value = reader.Next();
      if (!value) break;
      settings[read] = *value;
    }
  }
  for (int i = read; i < kSettingCount; ++i) SetMissingFileValue(settings, i);
}

std::string Cfgfile::ConfigurationText(const SettingsRecord& settings) {
  std::string text;
  for (double v : settings.values) {
    text += ListForm(v);
    text += kLineEnd;
  }
  return text;
}

bool Cfgfile::WriteConfiguration(const SettingsRecord& settings) {
  return files_.Replace(kConfigurationFile, ConfigurationText(settings));
}

}  // namespace orlix
