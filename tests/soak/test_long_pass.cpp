// A long pass through the real main window, offscreen, with a fake clock moved on before
// every step of its measurement cycle so that the default 0.1 s periods fire on every step:
// every data line of the pass file is checked column by column against what the window
// showed, the end block and the histogram against the histogram rules worked out here
// independently (totals restart when a bin reaches 126000), and the memory stays flat.
//
// The test command runs 127,000 steps (3.5 hours of pass time, one restart of the totals),
// taking the steps itself and letting the event loop run after every 64th. The full day is
// a by-hand run, best in a Release build, with every step a timer event of the window:
//   STATION_SOAK_HOURS=24 STATION_SOAK_EVENT_LOOP=1 QT_QPA_PLATFORM=offscreen
//   ./test_long_pass longPass
// It prints its figures (steps, lines, seconds taken, memory).
//
// The second case crosses midnight of the time of day: the periods run on the monotonic
// seconds, so display, file and sample keep firing; a clock whose seconds return to 0 at
// midnight shows what the check would catch.

#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/Format.h"
#include "base/SystemPlatform.h"
#include "app/QL.h"
#include "app/Station.h"
#include "tests/support/FakePlatform.h"
#include "widgets/DS1/DS1.h"
#include "widgets/HI1/HI1.h"
#include "widgets/TP1/TP1.h"

#if defined(__SANITIZE_ADDRESS__)
#define SOAK_UNDER_ASAN 1
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_UNDER_ASAN 1
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif
#endif

using namespace orlix;

namespace {

// One step of pass time: just over the 0.1 s period (kept as a single), so all three
// periods fire on every step, as they do in a loop that runs flat out.
constexpr double kStep = 0.1000001;
// 126,000 values and 1,000 more: 3.5 hours of pass time.
constexpr long kShortSteps = 127000;
constexpr long kTotalsLimit = 126000;

// Approximation with thickness = 118.75 + count / 32: the counts of mean 120 give
// thicknesses between 120 and 124.8, all in bin 25 of the default scale (120 µm, 40 %),
// so that one bin reaches the totals' limit. Both coefficients are exact in binary.
constexpr const char* kConfiguration =
    "2.71\r\n700\r\n570\r\n0.01\r\n0.1\r\n0.1\r\n0.1\r\n0.001\r\n1\r\n0\r\n0\r\n1\r\n0\r\n0\r\n";
constexpr const char* kCoefficients = "118.75,0.03125,0,0,";

long StepsToRun() {
  const QByteArray hours = qgetenv("STATION_SOAK_HOURS");
  if (hours.isEmpty()) return kShortSteps;
  return std::lround(hours.toDouble() * 36000.0);
}

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Bytes of live heap: under AddressSanitizer its allocator's count (freed blocks wait in a
// quarantine that the resident size includes), otherwise malloc's.
long HeapKb() {
#ifdef SOAK_UNDER_ASAN
  return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
#else
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
#endif
}

// The histogram as the window's histogram must keep it, worked out from the rules:
// bins of s/10 from L = m − 2.5 s, running single-precision sums, totals that all restart
// when one reaches 126000.
struct HistogramOracle {
  float m, s, lower;
  std::array<std::int64_t, 51> totals{};
  float n = 0, sum = 0, squares = 0, average = 0, deviation = 0;
  long restarts = 0;

  HistogramOracle(float mid, float scale) : m(mid) {
    s = mid * scale / 100.0f;
    lower = m - 2.5f * s;
  }
  void Add(float v) {
    long k = static_cast<long>(std::floor(10.0 * ((static_cast<double>(v) - m) + 2.5 * s) / s));
    k = std::clamp(k, 0L, 50L);
    n = n + 1;
    sum = v + sum;
    average = sum / n;
    squares = (v - average) * (v - average) + squares;
    deviation = std::sqrt(squares / n);
    if (++totals[static_cast<std::size_t>(k)] == kTotalsLimit) {
      totals.fill(0);
      ++restarts;
    }
  }
  float Edge(int k) const { return static_cast<float>(k) * s / 10.0f + lower; }
};

// Items at the pass file's print columns, as the file must hold them.
std::string AtColumns(const std::vector<std::pair<int, std::string>>& items) {
  std::string line;
  for (const auto& [column, text] : items) {
    const auto at = static_cast<std::size_t>(column - 1);
    if (line.size() < at) line.append(at - line.size(), ' ');
    line += text;
  }
  return line + "\r\n";
}

// Reads what was appended to a file since the last call, in whole CR LF lines.
class Tail {
 public:
  explicit Tail(std::string path) : path_(std::move(path)) {}
  // Appends the new whole lines (without CR LF) to `lines`; false on a read problem.
  bool NewLines(std::vector<std::string>& lines) {
    std::FILE* f = std::fopen(path_.c_str(), "rb");
    if (!f) return false;
    std::fseek(f, offset_, SEEK_SET);
    char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
      pending_.append(buffer, got);
      offset_ += static_cast<long>(got);
    }
    std::fclose(f);
    std::size_t start = 0;
    for (std::size_t end; (end = pending_.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      lines.emplace_back(pending_, start, end - start);
    }
    pending_.erase(0, start);
    return true;
  }
  const std::string& Unfinished() const { return pending_; }

 private:
  std::string path_;
  long offset_ = 0;
  std::string pending_;
};

struct Rig {
  QTemporaryDir dir;
  DirectoryFileAccess files{dir.path().toStdString()};
  testing::FakeClock clock;
  Pcg32Uniform uniform;
  Station station{files, clock, uniform};
  std::unique_ptr<QL> window;

  Rig() {
    files.Replace(kConfigurationFile, kConfiguration);
    files.Replace(kCoefficientFile, kCoefficients);
    clock.now = 1000;
    window = std::make_unique<QL>(station);
    window->Load();
  }
  void Click(const char* name) {
    QTest::mouseClick(window->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
  }
  std::string PassPath() const { return dir.filePath(QStringLiteral("00.PSS")).toStdString(); }
};

// Moves the clock on before every step the window's cycle takes on the event loop, and
// checks each step's data line against what the window showed in that step.
class PassDriver : public QObject {
 public:
  PassDriver(Rig& rig, long target)
      : rig_(rig), target_(target), tail_(rig.PassPath()), oracle_(120.0f, 40.0f) {
    expected_.reserve(kBatch);
    lines_.reserve(kBatch + 16);
  }

  long steps = 0;
  long checked = 0;
  QString failure;
  long warmRssKb = 0, warmHeapKb = 0, maxRssKb = 0, maxHeapKb = 0;
  long endRssKb = 0, endHeapKb = 0;
  QEventLoop loop;

  const HistogramOracle& Oracle() const { return oracle_; }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != rig_.window.get() || event->type() != QEvent::Timer) return false;
    if (!failure.isEmpty()) return true;
    if (steps > 0) RecordStep();
    if (steps == target_) {
      loop.quit();
      return true;  // the cycle waits here until the test stops the pass
    }
    rig_.clock.Advance(kStep);
    ++steps;
    return false;
  }

  // Compares the lines written since the last check with the expected ones.
  void CheckLines() {
    lines_.clear();
    if (!tail_.NewLines(lines_)) {
      Fail(QStringLiteral("the pass file cannot be read"));
      return;
    }
    // The header's five lines come first.
    std::size_t first = 0;
    if (checked == 0 && !headerSeen_) {
      if (lines_.size() < 5) return Fail(QStringLiteral("no header"));
      if (lines_[0] != " Orlix / Thickness Measurement & Control / Data" ||
          lines_[3] != " L<m>           T<mcm>          D<mm>           W<kg>") {
        return Fail(QStringLiteral("header: ") + QString::fromStdString(lines_[0]));
      }
      headerSeen_ = true;
      first = 5;
    }
    if (lines_.size() - first != expected_.size()) {
      return Fail(QStringLiteral("%1 lines written for %2 steps after line %3")
                      .arg(lines_.size() - first)
                      .arg(expected_.size())
                      .arg(checked));
    }
    for (std::size_t i = 0; i < expected_.size(); ++i) {
      const std::string& line = lines_[first + i];
      // Column by column: length at 2, thickness at 17, diameter at 33, weight at 49.
      if (line + "\r\n" != expected_[i] || !WellFormed(line)) {
        return Fail(
            QStringLiteral("data line %1 is \"%2\", expected \"%3\"")
                .arg(checked + 1)
                .arg(QString::fromStdString(line), QString::fromStdString(expected_[i]).trimmed()));
      }
      ++checked;
    }
    expected_.clear();
  }

  // One step taken by the test itself, outside the event loop.
  void DirectStep() {
    rig_.clock.Advance(kStep);
    rig_.window->Cycle().Step();
    ++steps;
    RecordStep();
  }

  // The end block and histogram lines that follow the data.
  std::vector<std::string> RemainingLines(std::string& unfinished) {
    lines_.clear();
    tail_.NewLines(lines_);
    unfinished = tail_.Unfinished();
    return lines_;
  }

 private:
  static constexpr std::size_t kBatch = 4096;

  // The number of digits from `from` on.
  static std::size_t Digits(const std::string& line, std::size_t from) {
    std::size_t i = from;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    return i - from;
  }
  // The data-line format on its own: "000000" at column 2, "0000.0" at 17, "0000" at 33
  // and 49 (at least the pattern's digits, more where the value needs them), blanks
  // between, nothing after the weight.
  static bool WellFormed(const std::string& line) {
    const std::size_t length = Digits(line, 1);
    const std::size_t whole = Digits(line, 16);
    const std::size_t diameter = Digits(line, 32);
    const std::size_t weight = Digits(line, 48);
    return line[0] == ' ' && length >= 6 && line.find_first_not_of(' ', 1 + length) == 16 &&
           whole >= 4 && line.compare(16 + whole, 1, ".") == 0 && Digits(line, 17 + whole) == 1 &&
           line.find_first_not_of(' ', 18 + whole) == 32 && diameter >= 4 &&
           line.find_first_not_of(' ', 32 + diameter) == 48 && weight >= 4 &&
           line.size() == 48 + weight;
  }

  void RecordStep() {
    MeasurementCycle& cycle = rig_.window->Cycle();
    DS1* roll = rig_.window->RollDisplay();
    const float thickness = cycle.CurrentThickness();
    // Every step showed its thickness, so the strip length counts the steps.
    if (cycle.PassLength() != static_cast<float>(steps) ||
        rig_.window->Histogram()->CurrentValue() != thickness) {
      return Fail(QStringLiteral("step %1 was not shown").arg(steps));
    }
    oracle_.Add(thickness);
    expected_.push_back(AtColumns({{2, FormatPattern(static_cast<float>(steps), "000000")},
                                   {17, FormatPattern(thickness, "0000.0")},
                                   {33, FormatPattern(roll->RollDiam(), "0000")},
                                   {49, FormatPattern(roll->RollWeight(), "0000")}}));
    if (expected_.size() == kBatch) CheckLines();
    if (steps % 10000 == 0) SampleMemory();
  }

  void SampleMemory() {
    const long rss = ResidentKb();
    const long heap = HeapKb();
    // Warm-up: the first 20,000 steps (fonts, caches, the first rescales).
    if (steps == 20000) {
      warmRssKb = rss;
      warmHeapKb = heap;
    }
    maxRssKb = std::max(maxRssKb, rss);
    maxHeapKb = std::max(maxHeapKb, heap);
    endRssKb = rss;
    endHeapKb = heap;
  }

  void Fail(const QString& text) {
    if (failure.isEmpty()) failure = text;
    loop.quit();
  }

  Rig& rig_;
  long target_;
  Tail tail_;
  HistogramOracle oracle_;
  std::vector<std::string> expected_;
  std::vector<std::string> lines_;
  bool headerSeen_ = false;
};

// Time of day that starts shortly before midnight and returns to 0 there, with monotonic
// seconds that go on; or, as the negative control, with "monotonic" seconds that are the
// time of day itself.
class MidnightClock final : public Clock {
 public:
  explicit MidnightClock(bool secondsWrap) : secondsWrap_(secondsWrap) {}
  double elapsed = 0;
  static constexpr double kStart = 86400.0 - 30.0;  // 23:59:30

  double TimeOfDay() const { return std::fmod(kStart + elapsed, 86400.0); }
  double MonotonicSeconds() override { return secondsWrap_ ? TimeOfDay() : 5000.0 + elapsed; }
  std::string DateText() override { return "31/12/2026"; }
  std::string TimeText() override {
    const int t = static_cast<int>(TimeOfDay());
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
    return text;
  }

 private:
  bool secondsWrap_;
};

struct Firings {
  int display = 0, file = 0, sample = 0;
};

}  // namespace

class TestLongPass : public QObject {
  Q_OBJECT

 private slots:
  void longPass() {
    const long target = StepsToRun();
    const bool eventLoop = qEnvironmentVariableIsSet("STATION_SOAK_EVENT_LOOP");
    Rig rig;
    PassDriver driver(rig, target);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &driver, [&driver] {
      driver.failure = QStringLiteral("the pass did not finish in time");
      driver.loop.quit();
    });

    QElapsedTimer elapsed;
    elapsed.start();
    const long startSteps = rig.window->Cycle().Steps();
    rig.Click("EnterMid");
    QVERIFY(rig.window->PassRunning());
    if (eventLoop) {
      // Each step is one timer event of the window's cycle, with everything the event loop
      // does between two steps (painting included).
      rig.window->installEventFilter(&driver);
      watchdog.start(std::chrono::seconds(300 + target / 200));
      driver.loop.exec();
      rig.window->removeEventFilter(&driver);
    } else {
      // The test takes the steps and lets the event loop run after every 64th: the window
      // paints and its own cycle timer fires, taking a step with the clock unchanged, in
      // which nothing is due.
      while (driver.steps < target && driver.failure.isEmpty()) {
        driver.DirectStep();
        if (driver.steps % 64 == 0) QCoreApplication::processEvents();
      }
    }
    QVERIFY2(driver.failure.isEmpty(), qPrintable(driver.failure));
    driver.CheckLines();
    QVERIFY2(driver.failure.isEmpty(), qPrintable(driver.failure));
    const double seconds = static_cast<double>(elapsed.elapsed()) / 1000.0;

    const long cycleSteps = rig.window->Cycle().Steps() - startSteps;
    if (eventLoop) {
      QCOMPARE(cycleSteps, target);
    } else {
      QCOMPARE(cycleSteps, target + target / 64);
    }
    QCOMPARE(driver.checked, target);
    QVERIFY(!rig.window->Cycle().FileFailing());

    rig.Click("BStop");
    QVERIFY(!rig.window->PassRunning());

    qInfo(
        "long pass: %ld steps, %ld data lines, %.1f s (%.1f us/step); resident %ld kB after "
        "warm-up, %ld kB at most, %ld kB at the end; live heap %ld kB after warm-up, %ld kB at "
        "most, %ld kB at the end",
        target, driver.checked, seconds, seconds * 1e6 / static_cast<double>(target),
        driver.warmRssKb, driver.maxRssKb, driver.endRssKb, driver.warmHeapKb, driver.maxHeapKb,
        driver.endHeapKb);
    // The end block and the histogram, as the histogram rules give them.
    const HistogramOracle& oracle = driver.Oracle();
    HI1* histogram = rig.window->Histogram();
    QCOMPARE(histogram->Average(), oracle.average);
    QCOMPARE(histogram->Msdeviation(), oracle.deviation);
    std::vector<std::string> want = {
        "",
        " Average Thickness " + FormatPattern(static_cast<double>(oracle.average), "###0.0#") +
            " ,   MS Deviation " + FormatPattern(static_cast<double>(oracle.deviation), "##0.0#"),
        " Thickness Distribution:",
        " =========================================",
        " T<mcm>         N",
        " ========================================="};
    for (int k = 0; k < 51; ++k) {
      const auto total = oracle.totals[static_cast<std::size_t>(k)];
      if (total == 0) continue;
      const std::string line = AtColumns({{2, FormatPattern(oracle.Edge(k), "0000.0")},
                                          {17, FormatPattern(static_cast<double>(total), "0000")}});
      want.push_back(line.substr(0, line.size() - 2));
    }
    std::string unfinished;
    const std::vector<std::string> end = driver.RemainingLines(unfinished);
    QCOMPARE(unfinished, std::string());
    QCOMPARE(end, want);
    // All values went to bin 25 (120 to 124.8 µm), whose total restarted at 126000.
    QCOMPARE(oracle.restarts, target / kTotalsLimit);
    if (target < kTotalsLimit) qWarning("too short a pass for the totals to restart");
    const long last = target % kTotalsLimit;
    QCOMPARE(end.size(), std::size_t(last == 0 ? 6 : 7));
    if (last != 0) {
      QCOMPARE(end[6] + "\r\n",
               AtColumns({{2, "0120.0"}, {17, FormatPattern(static_cast<double>(last), "0000")}}));
    }

    // Flat memory after the warm-up: the live heap always; the resident size where no
    // sanitizer quarantine inflates it.
    QVERIFY2(driver.maxHeapKb - driver.warmHeapKb < 1024, "live heap grew by 1 MB or more");
#ifndef SOAK_UNDER_ASAN
    QVERIFY2(driver.maxRssKb - driver.warmRssKb < 1024, "resident memory grew by 1 MB or more");
#endif
  }

  void periodsFireAcrossMidnight_data() {
    QTest::addColumn<bool>("secondsWrap");
    QTest::newRow("monotonic seconds") << false;
    QTest::newRow("time-of-day seconds (what the check catches)") << true;
  }
  void periodsFireAcrossMidnight() {
    QFETCH(bool, secondsWrap);
    testing::MemoryFileAccess files;
    MidnightClock clock(secondsWrap);
    Pcg32Uniform uniform;
    Station station{files, clock, uniform};
    QL window(station);
    window.Load();
    auto* sample = window.findChild<QLineEdit*>(QStringLiteral("Text2"));
    auto* clockField = window.findChild<QLineEdit*>(QStringLiteral("Text1"));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("EnterMid")), Qt::LeftButton);
    // One minute at 0.03 s a step, 30 s before midnight and 30 s after: each period of
    // 0.1 s fires on every fourth step, 250 times on either side.
    Firings before, after;
    for (int i = 0; i < 2000; ++i) {
      clock.elapsed += 0.03;
      const int counter = window.Trend()->Model().Counter();
      const std::size_t size = files.files["00.PSS"].size();
      sample->clear();
      window.Cycle().Step();
      Firings& f = clock.TimeOfDay() < 43200 ? after : before;
      f.display += window.Trend()->Model().Counter() != counter;
      f.file += files.files["00.PSS"].size() != size;
      f.sample += !sample->text().isEmpty();
    }
    // The clock field shows the time of day after midnight.
    clockField->clear();
    QTRY_VERIFY_WITH_TIMEOUT(!clockField->text().isEmpty(), 3000);
    QVERIFY2(clockField->text().startsWith(QLatin1String("00:00:")),
             qPrintable(clockField->text()));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("BStop")), Qt::LeftButton);

    qInfo("before midnight %d/%d/%d, after %d/%d/%d (display/file/sample)", before.display,
          before.file, before.sample, after.display, after.file, after.sample);
    QVERIFY(before.display >= 240 && before.file >= 240 && before.sample >= 240);
    const bool keptFiring = after.display >= 240 && after.file >= 240 && after.sample >= 240;
    QCOMPARE(keptFiring, !secondsWrap);
  }
};

int main(int argc, char** argv) {
  // A long pass by hand runs longer than Qt Test lets one test function run by default.
  if (qEnvironmentVariableIsSet("STATION_SOAK_HOURS") &&
      !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT")) {
    qputenv("QTEST_FUNCTION_TIMEOUT", "86400000");
  }
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  TestLongPass test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_long_pass.moc"
