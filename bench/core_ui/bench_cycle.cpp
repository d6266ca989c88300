// The measurement cycle with every widget live, offscreen, on the real clock and files:
//  1. start-up: time from process start to the main window shown;
//  2. processor time of the whole process per second of a pass at the default periods,
//     Direct mode (argument 1: seconds, default 20);
//  3. period accuracy: data lines over a pass at 0.1 s periods and the largest gap between
//     two successive lines (argument 2: seconds, default 60);
//  4. latency of "Stop": from the click being queued while the cycle sleeps to the pass
//     stopped, over 20 clicks;
//  5. data lines a second with a file-output period of 0 (open, append, close per line);
//  6. resident memory and time per step over a pass at the default periods on a fake clock
//     (argument 3: simulated minutes, default 10; 1440 is the 24-hour pass of 864,000 lines).
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/QL.h"
#include "app/RunningPass.h"
#include "app/Station.h"
#include "base/SystemPlatform.h"
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

double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The event loop for a while. (Quitting the application's own loop would close the window,
// and with it the pass.)
void RunFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

// The working directory, with the time of every data line appended to a pass file.
class TimedFiles final : public FileAccess {
 public:
  explicit TimedFiles(const std::string& dir) : files_(dir) {}
  std::vector<double> lines;
  bool Exists(const std::string& n) override { return files_.Exists(n); }
  std::optional<std::string> Read(const std::string& n, std::size_t m) override {
    return files_.Read(n, m);
  }
  std::unique_ptr<FileReader> Open(const std::string& n) override { return files_.Open(n); }
  bool Replace(const std::string& n, std::string_view c) override { return files_.Replace(n, c); }
  bool Append(const std::string& n, std::string_view c) override {
    if (c.size() > 40 && c[0] == ' ' && std::isdigit(static_cast<unsigned char>(c[1]))) {
      lines.push_back(Now());  // a data line
    }
    return files_.Append(n, c);
  }
  std::vector<std::string> List(std::string_view s) override { return files_.List(s); }
  bool MoveTo(const std::string& n, const std::string& f, const std::string& t) override {
    return files_.MoveTo(n, f, t);
  }
  std::optional<std::int64_t> ModifiedSeconds(const std::string& n) override {
    return files_.ModifiedSeconds(n);
  }
  // Reports go beside the pass files, in the temporary folder.
  std::string Location() const override { return files_.Location(); }

 private:
  DirectoryFileAccess files_;
};

struct Rig {
  TimedFiles files;
  SystemClock clock;
  Pcg32Uniform uniform;
  Station station{files, clock, uniform};
  RunningPass pass{station};
  QL window{station, pass};
  explicit Rig(const std::string& dir, double filePeriod = 0.1) : files(dir) {
    SettingsRecord s;
    s.values = {1, 1, 1, 0.01, 0.1, filePeriod, 0.1, 0.001, 1, 0, 0, kModeDirect, 0, 0};
    files.Replace(kConfigurationFile, Cfgfile::ConfigurationText(s));
    window.Load();
  }
  void Click(const char* name) {
    auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
    const QPointF at(button->width() / 2.0, button->height() / 2.0);
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QCoreApplication::postEvent(button, new QMouseEvent(type, at, button->mapToGlobal(at),
                                                          Qt::LeftButton, Qt::LeftButton, {}));
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const double cpuSeconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  const double periodSeconds = argc > 2 ? std::atof(argv[2]) : 60.0;
  const double passMinutes = argc > 3 ? std::atof(argv[3]) : 10.0;

  {
    Rig rig(dir.path().toStdString());
    QCoreApplication::processEvents();
    std::printf("start-up: window shown %.3f s after process start\n", SecondsSinceProcessStart());

    // 2: processor time per second of a pass.
    rig.Click("EnterMid");
    RunFor(1.0);
    const double cpu0 = ProcessorSeconds(), wall0 = Now();
    RunFor(cpuSeconds);
    const double cpu = (ProcessorSeconds() - cpu0) / (Now() - wall0);
    std::printf("processor time during a pass: %.2f %% of a core (over %.0f s)\n", 100 * cpu,
                cpuSeconds);

    // 3: period accuracy.
    rig.files.lines.clear();
    RunFor(periodSeconds);
    const auto& t = rig.files.lines;
    double gap = 0;
    for (std::size_t i = 1; i < t.size(); ++i) gap = std::max(gap, t[i] - t[i - 1]);
    std::printf("periods: %zu data lines in %.0f s at 0.1 s (%.2f %% off), largest gap %.4f s\n",
                t.size(), periodSeconds, 100.0 * (double(t.size()) / (periodSeconds * 10) - 1),
                gap);
    rig.Click("BStop");
    RunFor(0.2);

    // 4: Stop latency while the cycle sleeps.
    std::vector<double> latencies;
    double queued = 0;
    QObject::connect(rig.window.SetPointPanel(), &SC1::StopProc,
                     [&] { latencies.push_back(Now() - queued); });
    std::mt19937 random(7);
    for (int i = 0; i < 20; ++i) {
      rig.Click("EnterMid");
      RunFor(0.3 + std::uniform_real_distribution<double>(0, 0.2)(random));
      queued = Now();
      rig.Click("BStop");
      RunFor(0.05);
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
      std::printf("stop latency: median %.2f ms, largest %.2f ms over %zu clicks\n",
                  1e3 * latencies[latencies.size() / 2], 1e3 * latencies.back(), latencies.size());
    }
  }

  // 5: a file-output period of 0 writes a line on every step.
  {
    QTemporaryDir zeroDir;
    Rig rig(zeroDir.path().toStdString(), 0.0);
    rig.Click("EnterMid");
    RunFor(0.5);
    rig.files.lines.clear();
    RunFor(3.0);
    std::printf("file period 0: %.0f data lines a second\n", rig.files.lines.size() / 3.0);
    rig.Click("BStop");
    RunFor(0.1);
  }

  // 6: a pass on a fake clock, each step 0.1 s later, so every period is due at every step
  // and each step writes a data line; the event loop paints every 64 steps.
  {
    testing::MemoryFileAccess files;
    testing::FakeClock clock;
    Pcg32Uniform uniform;
    Station station(files, clock, uniform);
    RunningPass pass(station);
    QL window(station, pass);
    window.Load();
    emit window.SetPointPanel()->StartProc();
    const long steps = std::max(10000L, static_cast<long>(passMinutes * 600));
    long warm = 0, largest = 0;
    double warmAt = 0;
    for (long i = 1; i <= steps; ++i) {
      clock.Advance(0.1000001);
      pass.Cycle().Step();
      if (i % 64 == 0) {
        files.files["00.PSS"].clear();  // the file's growth is not the window's memory
        QCoreApplication::processEvents();
      }
      if (i == 6000) warm = ResidentKiB(), warmAt = Now();
      if (i % 6000 == 0) largest = std::max(largest, ResidentKiB());
    }
    const double perStep = (Now() - warmAt) / double(steps - 6000);
    emit window.SetPointPanel()->StopProc();
    std::printf(
        "long pass: %ld steps (%.0f simulated minutes), %.1f us a step; resident %ld KiB "
        "after warm-up, at most %ld KiB (growth %ld KiB)\n",
        steps, double(steps) / 600, 1e6 * perStep, warm, largest, largest - warm);
  }
  return 0;
}
