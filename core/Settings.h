#pragma once
// The settings record, its limits and the configuration file "QL_CFG.DAT", and the other
// program-wide values that several parts of the station share.

#include <array>
#include <cstdint>

#include "base/Platform.h"

namespace orlix {

enum SettingIndex : int {
  BasisWeight = 0,
  StripWidth = 1,
  SpoolDiameter = 2,
  LengthCoefficient = 3,
  DisplayPeriod = 4,
  FileOutputPeriod = 5,
  CorrectionPeriod = 6,
  MeasurementTime = 7,
  MeasurementQuantity = 8,
  LowLevel = 9,
  HighLevel = 10,
  MeasurementMode = 11,
  Background = 12,
  Source = 13,
};

inline constexpr int kSettingCount = 14;
inline constexpr int kLimitedSettingCount = 11;

// Minimum and maximum of settings 0 to 10: the minimum supplies the values when the file
// is missing; both bound what the keypad may enter.
inline constexpr std::array<double, kLimitedSettingCount> SettingMinimum = {
    1, 1, 1, 0.01, 0.1, 0.1, 0.1, 0.001, 1, 0, 0};
inline constexpr std::array<double, kLimitedSettingCount> SettingMaximum = {
    2000, 5000, 1000, 1000, 10, 72000, 72000, 1, 31, 3000, 3000};

// Measurement modes as stored in settings[11] (compared for exact equality).
inline constexpr double kModeDirect = 0;
inline constexpr double kModeApproximation = 1;
inline constexpr double kModeSimulation = 2;

struct SettingsRecord {
  std::array<double, kSettingCount> values{};

  double& operator[](int i) { return values[static_cast<std::size_t>(i)]; }
  double operator[](int i) const { return values[static_cast<std::size_t>(i)]; }
};

// The other program-wide values; the main window sets the start values.
struct ProgramValues {
  float SetPointThickness = 0;  // µm
  float ScaleLength = 0;        // percent
  std::int16_t PassNumber = 0;
  double ControlGain = 0;  // percent
  bool ControlOn = false;
  double StripLengthCounter = 0;

  void SetStartValues() {
    PassNumber = 0;
    SetPointThickness = 120;
    ScaleLength = 40;
    ControlGain = 100;
    ControlOn = true;
  }
};

inline constexpr const char* kConfigurationFile = "QL_CFG.DAT";

// Reads and writes the configuration file through the file access of the working directory.
class Cfgfile {
 public:
  explicit Cfgfile(FileAccess& files) : files_(files) {}

  // Fills the record. A missing file gives the minimum values and Approximation mode,
  // keeping Background and Source. A short or damaged file keeps what was read before
  // the fault and gives the missing-file values for the rest.
  void ReadConfiguration(SettingsRecord& settings);

  // Replaces the file with the fourteen values, one per line. False when the file could
  // not be written; the old file is then intact.
  bool WriteConfiguration(const SettingsRecord& settings);

  // The file's text for a record: fourteen list-form lines ended by CR LF.
  static std::string ConfigurationText(const SettingsRecord& settings);

 private:
  FileAccess& files_;
};

}  // namespace orlix
