// Program start. Until the main window is built, this runs a short console demonstration
// of the measurement core in the working directory.
#include <cstdio>
#include <filesystem>

#include "core/Format.h"
#include "core/Measure.h"
#include "core/SystemPlatform.h"

int main() {
  using namespace orlix;
  DirectoryFileAccess files(std::filesystem::current_path());
  SettingsRecord settings;
  Cfgfile(files).ReadConfiguration(settings);
  ProgramValues values;
  values.SetStartValues();
  Pcg32Uniform uniform;
  Stats stats(uniform);
  SimulatedCountSource source(stats);
  QLDAQ daq(source, settings, values);
  Coefficients coef{0, 1, 0, 0};
  Measure measure(settings, values, daq, coef);
  std::printf("Thickness station core demonstration (the main window is not built yet).\n");
  std::printf("Working directory: %s\n", std::filesystem::current_path().c_str());
  for (int i = 0; i < 10; ++i) {
    float t = 0;
    measure.MeasureThickness(t);
    std::printf("thickness %s mcm\n", FormatPattern(t, "0000.0").c_str());
  }
  return 0;
}
