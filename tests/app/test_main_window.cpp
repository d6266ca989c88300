// The main window with its instruments and a fake clock; Qt's event loop steps the pass.
#include <QLineEdit>
#include <QtTest>

#include "app/QL.h"
#include "app/Station.h"
#include "base/SystemPlatform.h"
#include "tests/support/FakePlatform.h"
#include "tests/windows/Driving.h"
#include "widgets/AR1/AR1.h"
#include "widgets/HI1/HI1.h"
#include "widgets/SC1/SC1.h"
#include "widgets/TP1/TP1.h"

using namespace orlix;

namespace {

std::string Config(double display = 0.1, double file = 0.1) {  // Approximation mode
  return Cfgfile::ConfigurationText(
      {{2.71, 700, 570, 0.01, display, file, 0.1, 0.001, 1, 0, 0, 1, 0, 0}});
}

struct Rig {
  testing::MemoryFileAccess files;
  testing::FakeClock clock;
  Pcg32Uniform uniform;
  Station station{files, clock, uniform};
  QL window{station};

  explicit Rig(const std::string& config = Config()) {
    files.files[kConfigurationFile] = config;
    files.location = "/work/data";
    clock.now = 500;
    window.Load();
    emit window.SetPointPanel()->PassChange(qint16(7));
  }
  void Click(const char* name) { testing::Click(&window, name); }
  // The clock moved by dt at a time; the window's timer counts real time, so it is woken
  // for the fake clock, and the event loop takes whatever became due.
  void Run(int times, double dt = 0.011) {
    for (int i = 0; i < times; ++i) {
      clock.Advance(dt);
      window.RetimeCycle();
      QTRY_VERIFY(window.Cycle().SecondsUntilDue() > 0);
    }
  }
  std::vector<std::string> File() { return testing::Lines(files.files["07.PSS"]); }
  QLineEdit* Sample() { return window.findChild<QLineEdit*>("Text2"); }
  bool Centred(float mid, float scale) {
    return window.Gauge()->model().MidValue() == mid && window.Histogram()->MidValue() == mid &&
           window.Trend()->MidValue() == mid && window.Gauge()->Scalelength() == scale &&
           window.Histogram()->Scalelength() == scale && window.Trend()->Scalelength() == scale;
  }
  bool RedFrame() {
    const QColor c = Sample()->grab().toImage().pixelColor(0, Sample()->height() / 2);
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
  }
};

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  // A pass writes its data lines and end block; the next one starts its file
  // afresh and goes on while the file cannot be written, the sample showing it; closing the
  // window ends the pass at once.
  void passesAndAFailingFile() {
    Rig rig;
    QSignalSpy unloaded(&rig.window, &QL::Unloaded);
    rig.Click("EnterMid");
    rig.Run(200);
    rig.Click("BStop");
    auto lines = rig.File();
    const std::size_t end = std::find(lines.begin(), lines.end(), "") - lines.begin();
    QVERIFY2(end >= 5 + 18 && end <= 5 + 20, qPrintable(QString::number(end)));
    QVERIFY(lines.at(end + 1).rfind(" Average Thickness ", 0) == 0);
    rig.files.failAppend = true;
    rig.Click("EnterMid");
    QVERIFY(rig.window.PassRunning() && rig.File().size() == 5);
    rig.Run(30);
    QVERIFY(rig.Sample()->toolTip().contains("/work/data") && rig.RedFrame());
    QVERIFY(rig.window.Trend()->Model().Counter() > 0);  // the pass goes on, shown afresh
    rig.files.failAppend = false;
    rig.Run(30);
    QVERIFY(rig.Sample()->toolTip().isEmpty() && !rig.RedFrame());
    rig.window.close();  // as the window's Close button
    QVERIFY(unloaded.count() == 1 && !rig.window.isVisible() && !rig.window.PassRunning());
    lines = rig.File();  // no end block
    QVERIFY(lines.size() > 5 && std::count(lines.begin(), lines.end(), "") == 0);
    rig.clock.Advance(1);
    QTest::qWait(20);
    QCOMPARE(rig.File(), lines);
  }

  // The set-point panel reaches the instruments; during a pass each command opens its
  // window once, and again after it was closed.
  void panelAndWindowsDuringAPass() {
    Rig rig;
    QVERIFY(rig.window.isVisible() && rig.Centred(120, 40) && rig.files.writes == 0);
    emit rig.window.SetPointPanel()->ThickChange(200.0f);
    emit rig.window.SetPointPanel()->ScaleChange(25.0f);
    QVERIFY(rig.Centred(200, 25) && rig.station.values.SetPointThickness == 200.0f);
    rig.Click("EnterMid");
    for (int c = 2, built = 0; c <= 4; ++c, built = 0) {
      rig.window.SetWindowFactory(c, [&] { return ++built, new QWidget(&rig.window, Qt::Window); });
      const QByteArray command = "Command" + QByteArray::number(c);
      rig.Click(command);
      rig.Click(command);
      QVERIFY(rig.window.SecondaryWindow(c)->isVisible() && built == 1);
      rig.window.SecondaryWindow(c)->close();
      QTRY_VERIFY(!rig.window.SecondaryWindow(c));
      rig.Click(command);
      QVERIFY(rig.window.SecondaryWindow(c)->isVisible() && built == 2);
    }
  }

  // A pass sleeps until its next period: a shorter period saved meanwhile counts at once.
  void sleepsUntilDueAndWakesForNewPeriods() {
    Rig rig(Config(10, 10));
    rig.Click("EnterMid");
    rig.Run(1, 0.5);
    QCOMPARE(rig.File().size(), std::size_t{5});  // the header alone: 9.5 s to go
    rig.station.settings[FileOutputPeriod] = 0.1;
    rig.window.RetimeCycle();
    QTRY_COMPARE(rig.File().size(), std::size_t{6});
  }

  // On the real clock a pass at 0.05 s periods writes a line every 0.05 s.
  void realTimePass() {
    testing::MemoryFileAccess files;
    files.files[kConfigurationFile] = Config(0.05, 0.05);
    SystemClock clock;
    Pcg32Uniform uniform;
    Station station{files, clock, uniform};
    QL window{station};
    window.Load();
    testing::Click(&window, "EnterMid");
    QTest::qWait(1000);
    testing::Click(&window, "BStop");
    const auto lines = testing::Lines(files.files["00.PSS"]);
    const long data = std::find(lines.begin(), lines.end(), "") - lines.begin() - 5;
    QVERIFY2(data >= 12 && data <= 21, qPrintable(QString::number(data)));
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
