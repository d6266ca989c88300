#pragma once
// The program-wide state of the station: the settings record and the other program-wide
// values, the calibration record, the count source, the thickness evaluation and the pass
// file writer, over the platform the program runs on. One instance lives as long as the
// program; every window works on it.

#include <string>

#include "base/Platform.h"
#include "calibration/CoefFile.h"
#include "calibration/Poly3Fit.h"
#include "core/Measure.h"
#include "core/QLDAQ.h"
#include "core/Settings.h"
#include "core/Stats.h"
#include "passfiles/PassFileWriter.h"
#include "settings/StationIni.h"

namespace orlix {

struct Station {
  Station(FileAccess& fileAccess, Clock& clockSource, UniformSource& uniform)
      : files(fileAccess),
        clock(clockSource),
        stats(uniform),
        source(stats),
        daq(source, settings, values),
        measure(settings, values, daq, calibration.Coef),
        passWriter(fileAccess, clockSource) {}

  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // The coefficients from "QL_CFF.DAT", or (0, 1, 0, 0) when it is missing.
  void ReadCoefficients() { CoefFile(files).ReadCoefficients(calibration); }

  FileAccess& files;
  StationIni ini{files};  // station.ini, read afresh at every use
  Clock& clock;
  SettingsRecord settings;
  ProgramValues values;
  CalibrationData calibration;
  Stats stats;
  SimulatedCountSource source;
  QLDAQ daq;
  Measure measure;
  PassFileWriter passWriter;
};

}  // namespace orlix
