// The measurement cycle with every widget live, offscreen:
//  1. start-up: time from process start to the main window shown;
//  2. loop passes per second in Direct mode at the default periods, against bare
//     MeasureThickness calls per second in the same run;
//  3. resident memory over a ten-minute pass at the default periods on a fake clock.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "base/SystemPlatform.h"
#include "app/QL.h"
#include "app/Station.h"
#include "tests/support/FakePlatform.h"
#include "widgets/SC1/SC1.h"

using namespace orlix;

namespace {

double SecondsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  unsigned long long start = 0;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) start = std::stoull(field);
  }
  double uptime = 0;
  std::ifstream("/proc/uptime") >> uptime;
  return uptime - static_cast<double>(start) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// Runs the event loop for about `seconds` while a pass runs; returns loop passes per second.
double CycleRate(QL& window, double seconds) {
  const long before = window.Cycle().Steps();
  QElapsedTimer t;
  t.start();
  QTimer::singleShot(static_cast<int>(seconds * 1000), qApp, &QCoreApplication::quit);
  QCoreApplication::exec();
  return static_cast<double>(window.Cycle().Steps() - before) / (t.nsecsElapsed() / 1e9);
}

double BareRate(Measure& measure, double seconds) {
  QElapsedTimer t;
  t.start();
  long n = 0;
  float thickness = 0;
  while (t.nsecsElapsed() < seconds * 1e9) {
    for (int i = 0; i < 1000; ++i) measure.MeasureThickness(thickness);
    n += 1000;
  }
  return static_cast<double>(n) / (t.nsecsElapsed() / 1e9);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;

  // 1 and 2: the real platform, Direct mode.
  {
    DirectoryFileAccess files(dir.path().toStdString());
    SettingsRecord direct;
    direct.values = {1, 1, 1, 0.01, 0.1, 0.1, 0.1, 0.001, 1, 0, 0, kModeDirect, 0, 0};
    files.Replace(kConfigurationFile, Cfgfile::ConfigurationText(direct));
    SystemClock clock;
    Pcg32Uniform uniform;
    Station station(files, clock, uniform);
    QL window(station);
    window.Load();
    QCoreApplication::processEvents();
    std::printf("start-up: window shown %.3f s after process start\n", SecondsSinceProcessStart());

    emit window.SetPointPanel()->StartProc();
    const double loop = CycleRate(window, seconds);
    emit window.SetPointPanel()->StopProc();
    const double bare = BareRate(station.measure, seconds);
    std::printf("cycle: %.0f loop passes/s, bare MeasureThickness %.0f calls/s, ratio %.2f\n", loop,
                bare, loop / bare);
  }

  // 3: a ten-minute pass on a fake clock, 11 ms per loop pass.
  {
    testing::MemoryFileAccess files;
    testing::FakeClock clock;
    Pcg32Uniform uniform;
    Station station(files, clock, uniform);
    QL window(station);
    window.Load();
    emit window.SetPointPanel()->StartProc();
    auto run = [&](double simulated) {
      const double end = clock.now + simulated;
      while (clock.now < end) {
        clock.Advance(0.011);
        window.Cycle().Step();
        files.files["00.PSS"].clear();  // the file's growth is not the window's memory
      }
      QCoreApplication::processEvents();
    };
    run(60);  // warm-up
    const long warm = ResidentKiB();
    run(600);
    const long after = ResidentKiB();
    emit window.SetPointPanel()->StopProc();
    std::printf("memory: %ld KiB after warm-up, %ld KiB after a ten-minute pass (growth %ld KiB)\n",
                warm, after, after - warm);
  }
  return 0;
}
