// The main window's pass file. When it cannot be written the "Sample" field gets a red frame and a
// tooltip naming the folder, the pass goes on; no line follows a lost header, no histogram line a
// lost end block. A pass of STATION_SOAK_STEPS steps (864000: 24 hours) through real files: each
// data line holds what the window showed, then the end and one histogram line; the heap stays flat.

#include <malloc.h>

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <fstream>

#include "app/QL.h"
#include "app/Station.h"
#include "base/SystemPlatform.h"
#include "tests/support/FakePlatform.h"
#include "widgets/DS1/DS1.h"
#include "widgets/HI1/HI1.h"
#include "widgets/TP1/TP1.h"

using namespace orlix;

// The live heap: AddressSanitizer's count where it runs, glibc's otherwise.
extern "C" [[gnu::weak]] std::size_t __sanitizer_get_current_allocated_bytes();
std::size_t HeapBytes() {
  return __sanitizer_get_current_allocated_bytes ? __sanitizer_get_current_allocated_bytes()
                                                 : mallinfo2().uordblks + mallinfo2().hblkhd;
}

// In-memory files on a disk with `room` bytes left.
struct SmallDisk final : FileAccess {
  using Name = const std::string&;
  testing::MemoryFileAccess m;
  size_t room = 1 << 30;
  bool Fits(std::string_view t) { return t.size() <= room && (room -= t.size(), true); }
  bool Exists(Name n) override { return m.Exists(n); }
  std::optional<std::string> Read(Name n, size_t max) override { return m.Read(n, max); }
  // The pass's small information file is not counted against the room.
  bool Replace(Name n, std::string_view t) override {
    return (n.ends_with(".PSI") || Fits(t)) && m.Replace(n, t);
  }
  bool Append(Name n, std::string_view t) override { return Fits(t) && m.Append(n, t); }
  std::vector<std::string> List(std::string_view suffix) override { return m.List(suffix); }
  bool MoveTo(Name n, Name f, Name t) override { return m.MoveTo(n, f, t); }
  std::string where;  // a temporary folder: the report at "Stop" goes there
  std::string Location() const override { return where; }
};

class TestWindowFaults : public QObject {
  Q_OBJECT

 private slots:
  void passFileFault_data() {
    QTest::addColumn<bool>("diskFills");
    QTest::newRow("header refused, appends would work") << false;
    QTest::newRow("disk full after ten lines, with room for a histogram line") << true;
  }
  void passFileFault() {
    QFETCH(bool, diskFills);
    SmallDisk disk;
    QTemporaryDir home;
    disk.where = home.path().toStdString();
    testing::FakeClock clock;
    Pcg32Uniform uniform;
    Station station(disk, clock, uniform);
    QL window(station);
    window.Load();
    const std::string header = PassFileWriter::HeaderText(0, clock.date, clock.time);
    const std::size_t line = PassFileWriter::DataLine(1, 1, 1, 1).size();
    disk.m.failReplace = !diskFills;
    if (diskFills)
      disk.room = header.size() + 10 * line + PassFileWriter::HistoLine(1, 1).size() + 8;
    auto* sample = window.findChild<QLineEdit*>(QStringLiteral("Text2"));
    auto redFrame = [&] { return sample->grab().toImage().pixelColor(0, 5) == QColor(Qt::red); };
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("EnterMid")), Qt::LeftButton);
    const std::string& text = disk.m.files["00.PSS"];  // after "Start", which may archive
    for (int i = 0; i < 300; ++i, clock.Advance(0.011)) window.Cycle().Step();
    QVERIFY(window.Trend()->Model().Counter() >= 25);  // shown every 0.11 s all the while
    QVERIFY(redFrame() && sample->toolTip().contains(home.path()));
    QCOMPARE(std::count(text.begin(), text.end(), '\n'), diskFills ? 15L : 0L);
    disk.m.failReplace = false;
    for (int i = 0; i < (diskFills ? 0 : 100); ++i, clock.Advance(0.011)) window.Cycle().Step();
    QCOMPARE(std::pair(redFrame(), sample->toolTip().isEmpty()), std::pair(diskFills, !diskFills));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("BStop")), Qt::LeftButton);
    const auto& hi = *window.Histogram();
    QVERIFY(text.starts_with(header) && text.ends_with("\r\n"));
    QVERIFY(diskFills
                ? text.size() == header.size() + 10 * line  // no end, no histogram
                : text.find(PassFileWriter::EndText(hi.Average(), hi.Msdeviation())) != text.npos);
  }
};

// Run instead of the above where STATION_SOAK_STEPS is set (tests/soak), so that neither
// program skips a row.
class TestLongPass : public QObject {
  Q_OBJECT

 private slots:
  // Every period due at every step; 120 µm histogram bin, the total restarting at 126000.
  void longPass() {
    const long steps = qEnvironmentVariableIntValue("STATION_SOAK_STEPS");
    QVERIFY2(steps > 20000, "STATION_SOAK_STEPS must be above 20000");
    QTemporaryDir dir;
    DirectoryFileAccess files(dir.path().toStdString());
    // Approximation, thickness = 118.75 + count / 32: 120 to 124.8 µm for the simulated counts.
    files.Replace(kConfigurationFile, "1,1,1,0.01,0.1,0.1,0.1,0.001,1,0,0,1,0,0");
    files.Replace(kCoefficientFile, "118.75,0.03125,0,0,");
    testing::FakeClock clock;
    Pcg32Uniform uniform;
    Station station(files, clock, uniform);
    QL window(station);
    window.Load();
    const HI1& hi = *window.Histogram();
    DS1& roll = *window.RollDisplay();
    std::string expected = PassFileWriter::HeaderText(0, clock.date, clock.time);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("EnterMid")), Qt::LeftButton);
    std::ifstream file(dir.filePath(QStringLiteral("00.PSS")).toStdString(), std::ios::binary);
    auto checkWritten = [&] {  // what was written since the last check
      std::string got(expected.size() + 1, '\0');
      got.resize(static_cast<std::size_t>(file.read(got.data(), std::ssize(got)).gcount()));
      file.clear();
      const auto at = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
      QVERIFY2(got == expected, std::string(at.first, std::min(at.first + 80, got.end())).c_str());
      expected.clear();
    };
    std::size_t warmHeap = 0, maxHeap = 0;
    for (long i = 1; i <= steps; ++i) {
      clock.Advance(0.1000001);
      window.Cycle().Step();
      const float t = window.Cycle().CurrentThickness();
      QCOMPARE(hi.CurrentValue(), t);
      expected += PassFileWriter::DataLine(float(i), t, roll.RollDiam(), roll.RollWeight());
      if (i % 64 == 0) QCoreApplication::processEvents();  // paint; the cycle timer: nothing due
      if (i % 4096 == 0) checkWritten();
      if (i == 10000) warmHeap = HeapBytes();
      if (i % 10000 == 0) maxHeap = std::max(maxHeap, HeapBytes());
    }
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("BStop")), Qt::LeftButton);
    expected += PassFileWriter::EndText(hi.Average(), hi.Msdeviation());
    if (steps % 126000 != 0) expected += PassFileWriter::HistoLine(120, steps % 126000);
    checkWritten();
    QVERIFY2(maxHeap < warmHeap + (1 << 20), "the live heap grew by 1 MB or more");
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);  // as QTEST_MAIN does
  TestWindowFaults faults;
  TestLongPass soak;
  QObject& test = qEnvironmentVariableIsSet("STATION_SOAK_STEPS") ? static_cast<QObject&>(soak)
                                                                   : faults;
  return QTest::qExec(&test, argc, argv);
}
#include "test_window_faults.moc"
