// A pass of STATION_SOAK_STEPS steps (864000: 24 hours) through the main window and real files:
// each data line holds what the window showed, then the end and one histogram line; the heap
// stays flat.

#include <malloc.h>

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

QTEST_MAIN(TestLongPass)
#include "test_long_pass.moc"
