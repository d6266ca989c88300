// The main window with its real widgets, driven by a fake clock: start-up, passes and their
// pass files, set-point changes, stop and close, and the secondary windows' buttons.
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "base/Format.h"
#include "base/SystemPlatform.h"
#include "app/QL.h"
#include "app/Station.h"
#include "tests/support/FakePlatform.h"
#include "widgets/AR1/AR1.h"
#include "widgets/DS1/DS1.h"
#include "widgets/HI1/HI1.h"
#include "widgets/SC1/SC1.h"
#include "widgets/TP1/TP1.h"

using namespace orlix;
using orlix::testing::FakeClock;
using orlix::testing::MemoryFileAccess;

namespace {

struct Rig {
  MemoryFileAccess files;
  FakeClock clock;
  Pcg32Uniform uniform;
  Station station{files, clock, uniform};
  std::unique_ptr<QL> window;

  explicit Rig(const std::string& config = {}) {
    if (!config.empty()) files.files[kConfigurationFile] = config;
    files.location = "/work/data";
    clock.now = 500;
    window = std::make_unique<QL>(station);
    window->Load();
  }
  QPushButton* Button(const char* name) {
    return window->findChild<QPushButton*>(QString::fromLatin1(name));
  }
  void Start() { QTest::mouseClick(Button("EnterMid"), Qt::LeftButton); }
  void Stop() { QTest::mouseClick(Button("BStop"), Qt::LeftButton); }
  // Steps of the cycle with the clock moved before each, as the loop would see them.
  void Run(int steps, double dt) {
    for (int i = 0; i < steps; ++i) {
      clock.Advance(dt);
      window->Cycle().Step();
    }
  }
  std::vector<std::string> Lines(const std::string& name) {
    std::vector<std::string> lines;
    const std::string& text = files.files[name];
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    if (start != text.size()) lines.push_back("<unterminated>" + text.substr(start));
    return lines;
  }
  QString Sample() { return window->findChild<QLineEdit*>(QStringLiteral("Text2"))->text(); }
};

std::string Config(double mode, double display = 0.1, double file = 0.1) {
  SettingsRecord s;
  s.values = {2.71, 700, 570, 0.01, display, file, 0.1, 0.001, 1, 0, 0, mode, 0, 0};
  return Cfgfile::ConfigurationText(s);
}

}  // namespace

class TestQL : public QObject {
  Q_OBJECT

 private slots:
  void startUpWithoutDataFiles() {
    Rig rig;
    const auto& s = rig.station.settings;
    QCOMPARE(s[DisplayPeriod], 0.1);
    QCOMPARE(s[FileOutputPeriod], 0.1);
    QCOMPARE(s[CorrectionPeriod], 0.1);
    QCOMPARE(rig.station.calibration.Coef, (Coefficients{0, 1, 0, 0}));
    QCOMPARE(rig.window->Histogram()->MidValue(), 120.0f);
    QCOMPARE(rig.window->Histogram()->Scalelength(), 40.0f);
    QCOMPARE(rig.window->Gauge()->model().MidValue(), 120.0f);
    QCOMPARE(rig.window->Gauge()->model().Scalelength(), 40.0f);
    QCOMPARE(rig.window->Trend()->MidValue(), 120.0f);
    QCOMPARE(rig.window->Trend()->Scalelength(), 40.0f);
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("Orlix / Thickness Measurement & Control"));
    QVERIFY(rig.window->isVisible());
    QVERIFY(!rig.window->PassRunning());
    bool ok = false;
    const int sample = rig.Sample().toInt(&ok);
    QVERIFY(ok);
    QVERIFY2(sample > 80 && sample < 160, qPrintable(rig.Sample()));
    QVERIFY(rig.files.files.empty());  // start-up writes nothing
  }

  void startUpInSimulationModeSamplesAround1200() {
    Rig rig(Config(kModeSimulation));
    const int sample = rig.Sample().toInt();
    QVERIFY2(sample > 1080 && sample < 1320, qPrintable(rig.Sample()));
  }

  void passWithTheDefaults() {
    Rig rig;
    rig.Start();
    QVERIFY(rig.window->PassRunning());
    rig.Run(200, 0.011);  // 2.2 s of steps
    rig.Stop();
    QVERIFY(!rig.window->PassRunning());
    const auto lines = rig.Lines("00.PSS");
    QVERIFY(lines.size() > 5);
    QCOMPARE(lines[0], std::string(" Orlix / Thickness Measurement & Control / Data"));
    QCOMPARE(lines[1], std::string(" Pass No 00 ,    Date 06/12/2026 ,   Time 10:41:09"));
    QCOMPARE(lines[3], std::string(" L<m>           T<mcm>          D<mm>           W<kg>"));
    // First data line: length 1 and a thickness near 120.
    QCOMPARE(lines[5].substr(1, 6), std::string("000001"));
    const double first = std::stod(lines[5].substr(16, 6));
    QVERIFY2(first > 80 && first < 160, lines[5].c_str());
    // Actions at their periods and not more often: 2.2 s at 0.1 s gives at most 22.
    int data = 0;
    std::size_t end = 0;
    for (std::size_t i = 5; i < lines.size(); ++i) {
      if (lines[i].empty()) {
        end = i;
        break;
      }
      ++data;
    }
    QVERIFY2(data >= 18 && data <= 20, qPrintable(QString::number(data)));
    QVERIFY(end > 0);
    QVERIFY(lines[end + 1].rfind(" Average Thickness ", 0) == 0);
    QCOMPARE(lines[end + 2], std::string(" Thickness Distribution:"));
    // One histogram line per non-empty bin; the counts sum to the display updates.
    int total = 0, histoLines = 0;
    for (std::size_t i = end + 6; i < lines.size(); ++i) {
      total += std::stoi(lines[i].substr(16, 4));
      ++histoLines;
    }
    QVERIFY(histoLines > 0);
    QCOMPARE(total, static_cast<int>(rig.window->RollDisplay()->StripLength()));

    // A second pass starts its length again from 1.
    rig.Start();
    rig.Run(12, 0.011);
    rig.Stop();
    const auto second = rig.Lines("00.PSS");
    QCOMPARE(second[5].substr(1, 6), std::string("000001"));
  }

  void thickChangeWhileIdleMovesTheCentre() {
    Rig rig(Config(kModeDirect));
    emit rig.window->SetPointPanel()->ThickChange(200.0f);
    QCOMPARE(rig.window->Gauge()->model().MidValue(), 200.0f);
    QCOMPARE(rig.window->Histogram()->MidValue(), 200.0f);
    QCOMPARE(rig.window->Trend()->MidValue(), 200.0f);
    rig.Start();
    rig.Run(300, 0.011);
    rig.Stop();
    const float average = rig.window->Histogram()->Average();
    QVERIFY2(average > 195 && average < 205, qPrintable(QString::number(average)));
  }

  void displayPeriodLargerThanFilePeriodRepeatsTheLength() {
    Rig rig(Config(kModeDirect, 0.5, 0.1));
    rig.Start();
    rig.Run(100, 0.011);
    rig.Stop();
    const auto lines = rig.Lines("00.PSS");
    QCOMPARE(lines[5].substr(1, 6), std::string("000000"));
    QCOMPARE(lines[6].substr(1, 6), std::string("000000"));
    int repeats = 0;
    for (std::size_t i = 6; i < lines.size() && !lines[i].empty(); ++i) {
      repeats += lines[i].substr(1, 6) == lines[i - 1].substr(1, 6);
    }
    QVERIFY(repeats >= 5);
  }

  void stopWithEmptyHistogramWritesNoHistogramLines() {
    Rig rig;
    rig.Start();
    rig.Run(3, 0.01);  // before the first display period
    rig.Stop();
    const auto lines = rig.Lines("00.PSS");
    QCOMPARE(lines.size(), std::size_t(11));
    QCOMPARE(lines[5], std::string());
    QCOMPARE(lines[9], std::string(" T<mcm>         N"));
    QCOMPARE(lines[10], std::string(" ========================================="));
  }

  void stopWithoutPassWritesNothing() {
    Rig rig;
    rig.Start();
    rig.Run(20, 0.011);
    rig.Stop();
    const std::string complete = rig.files.files["00.PSS"];
    // Stop is enabled again only through Start; a stop event without a pass changes nothing.
    emit rig.window->SetPointPanel()->StopProc();
    QCOMPARE(rig.files.files["00.PSS"], complete);
  }

  void closeDuringPassLeavesNoEndBlock() {
    Rig rig;
    QSignalSpy unloaded(rig.window.get(), &QL::Unloaded);
    rig.Start();
    rig.Run(30, 0.011);
    QTest::mouseClick(rig.Button("Command5"), Qt::LeftButton);
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!rig.window->isVisible());
    QVERIFY(!rig.window->PassRunning());
    const auto lines = rig.Lines("00.PSS");
    QVERIFY(lines.size() > 5);
    for (const auto& line : lines) QVERIFY(!line.empty());
    rig.Run(10, 0.011);
    QCOMPARE(rig.Lines("00.PSS").size(), lines.size());
  }

  void fileProblemIsShownWhileWritingFails() {
    Rig rig;
    auto* sample = rig.window->findChild<QLineEdit*>(QStringLiteral("Text2"));
    rig.files.failAppend = true;
    rig.Start();
    rig.Run(30, 0.011);
    QVERIFY(rig.window->Cycle().FileFailing());
    QVERIFY(sample->toolTip().contains(QStringLiteral("/work/data")));
    QVERIFY(!sample->styleSheet().isEmpty());
    QVERIFY(rig.window->Trend()->Model().Counter() > 0);
    rig.files.failAppend = false;
    rig.Run(10, 0.011);
    QVERIFY(!rig.window->Cycle().FileFailing());
    QVERIFY(sample->toolTip().isEmpty());
    QVERIFY(sample->styleSheet().isEmpty());
    rig.Stop();
  }

  void passNumberNamesTheFile() {
    Rig rig;
    emit rig.window->SetPointPanel()->PassChange(qint16(7));
    rig.Start();
    rig.Run(12, 0.011);
    rig.Stop();
    QVERIFY(rig.files.Exists("07.PSS"));
    QVERIFY(!rig.files.Exists("00.PSS"));
  }

  void commandsOpenEachWindowOnceAndRebuildAfterClose() {
    Rig rig;
    int built[5] = {};
    for (int c = 2; c <= 4; ++c) {
      rig.window->SetWindowFactory(c, [&built, c] {
        ++built[c];
        return new QWidget(nullptr, Qt::Window);
      });
    }
    rig.Start();  // the windows open while a pass runs
    for (int c = 2; c <= 4; ++c) {
      auto* button = rig.Button(qPrintable(QStringLiteral("Command%1").arg(c)));
      QTest::mouseClick(button, Qt::LeftButton);
      QWidget* first = rig.window->SecondaryWindow(c);
      QVERIFY(first && first->isVisible());
      QTest::mouseClick(button, Qt::LeftButton);
      QCOMPARE(rig.window->SecondaryWindow(c), first);
      QCOMPARE(built[c], 1);
      first->close();  // the window closes itself and is deleted
      QTRY_VERIFY(rig.window->SecondaryWindow(c) == nullptr);
      QTest::mouseClick(button, Qt::LeftButton);
      QCOMPARE(built[c], 2);
      QVERIFY(rig.window->SecondaryWindow(c)->isVisible());
    }
    QVERIFY(rig.window->PassRunning());
    rig.Run(12, 0.011);
    rig.Stop();
    QVERIFY(rig.files.Exists("00.PSS"));
    for (int c = 2; c <= 4; ++c) delete rig.window->SecondaryWindow(c);
  }
};

QTEST_MAIN(TestQL)
#include "test_ql.moc"
