// The station as the program builds it (the main window, its wiring and the real secondary
// windows) on Qt's event loop with a fake clock, checked against values computed here from
// the settings: what each instrument, file and field is handed, which command opens which
// window, and when the cycle is timed afresh.
#include <QDateEdit>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QSemaphore>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>
#include <cmath>
#include <sstream>

#include "access/Access.h"
#include "app/AccessGate.h"
#include "app/PassQuality.h"
#include "app/PinWindow.h"
#include "app/QL.h"
#include "app/RunningPass.h"
#include "app/Station.h"
#include "app/Wiring.h"
#include "audit/AuditLog.h"
#include "audit/ui/AuditWindow.h"
#include "base/SystemPlatform.h"
#include "calibration/ui/Fitting.h"
#include "passfiles/PassInfo.h"
#include "passfiles/ui/PassFiles.h"
#include "plantlink/net/PlantLink.h"
#include "settings/ui/Settings.h"
#include "tests/support/FakePlatform.h"
#include "tests/windows/Driving.h"
#include "widgets/AR1/AR1.h"
#include "widgets/HI1/HI1.h"
#include "widgets/SC1/SC1.h"
#include "widgets/TP1/TP1.h"

using namespace orlix;

namespace {

// Mode, basis weight, strip width, spool diameter; the three periods.
struct Setup {
  double mode = 1, basis = 2.71, width = 700, spool = 570;
  double display = 0.1, file = 0.1, correction = 0.1;
};

std::string Config(const Setup& s) {
  return Cfgfile::ConfigurationText({{s.basis, s.width, s.spool, 0.01, s.display, s.file,
                                      s.correction, 0.001, 1, 0, 0, s.mode, 0, 0}});
}

// Every uniform draw is 0.5, so every exponential interval of the Poisson source is ln 2 and
// a count of mean m is the number of intervals that fit below m: ceil(m / ln 2) - 1.
double CountOfMean(double mean) { return std::ceil(mean / std::log(2.0)) - 1; }

template <class Files>
struct Rig {
  QTemporaryDir dir;  // where reports go
  Files files;
  testing::FakeClock clock;
  testing::ReplayUniform uniform{{0.5f}};
  Station station{files, clock, uniform};
  PlantLink link{link::LinkSettings{}, files, clock};
  RunningPass pass{station};
  QL window{station, pass};
  audit::AuditLog* audit = nullptr;  // the audit trail, when the test sets one before Start
  AccessGate* access = nullptr;      // the engineer level's gate, likewise

  template <class... Args>
  explicit Rig(Args&&... args) : files(std::forward<Args>(args)...) {}
  ~Rig() {
    for (int command = 2; command <= 4; ++command) delete window.SecondaryWindow(command);
  }

  void Start(qint16 number = 7) {
    WireWindows(window, station, pass, link, nullptr, audit, access);
    clock.now = 500;
    StartStation(window, pass, link, nullptr, audit);
    emit window.SetPointPanel()->PassChange(number);
  }
  void Click(const char* name) { testing::Click(&window, name); }
  // The clock moved by dt at a time; the window's timer counts real time, so it is woken
  // for the fake clock, and the event loop takes whatever became due.
  void Run(int times, double dt = 0.011) {
    for (int i = 0; i < times; ++i) {
      clock.Advance(dt);
      pass.Retime();
      QTRY_VERIFY(pass.Cycle().SecondsUntilDue() > 0);
    }
  }
  QLineEdit* Sample() { return window.findChild<QLineEdit*>("Text2"); }
  bool Centred(float mid, float scale) {
    return window.Gauge()->model().MidValue() == mid && window.Histogram()->MidValue() == mid &&
           window.Trend()->MidValue() == mid && window.Gauge()->Scalelength() == scale &&
           window.Histogram()->Scalelength() == scale && window.Trend()->Scalelength() == scale;
  }
};

struct MemoryRig : Rig<testing::MemoryFileAccess> {
  explicit MemoryRig(const Setup& s = {}, const std::string& coefficients = "") {
    files.files[kConfigurationFile] = Config(s);
    if (!coefficients.empty()) files.files["QL_CFF.DAT"] = coefficients;
    files.files["station.ini"] =
        "; tolerance of the order\n[quality]\ntolerance_plus_um=4\ntolerance_minus_um=2.5\n";
    files.location = dir.path().toStdString();
    Start();
  }
  // The program started again on the files another run left.
  explicit MemoryRig(const testing::MemoryFileAccess& earlier) {
    files.files = earlier.files;
    files.modified = earlier.modified;
    files.location = dir.path().toStdString();
  }
  std::vector<std::string> File(const std::string& name = "07.PSS") {
    return testing::Lines(files.files[name]);
  }
};

// The data lines of a pass file: length, thickness, roll diameter, roll weight.
std::vector<std::array<double, 4>> DataLines(const std::vector<std::string>& lines) {
  std::vector<std::array<double, 4>> rows;
  for (std::size_t i = 5; i < lines.size() && !lines[i].empty(); ++i) {
    std::array<double, 4> r{};
    std::istringstream(lines[i]) >> r[0] >> r[1] >> r[2] >> r[3];
    rows.push_back(r);
  }
  return rows;
}

QString PdfText(const QString& pdf) {
  QProcess p;
  p.start("pdftotext", {"-layout", pdf, "-"});
  return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  // A pass file that cannot be written shows as a red frame on "Sample" with the folder in
  // its hint, while the pass goes on (when it shows and clears is tested in tests/core).
  // Closing the window ends the program at once, also in the middle of a pass: the pass file
  // keeps its data lines and gets no end block, and nothing is written after.
  void failingFileAndClosingDuringAPass() {
    MemoryRig rig;
    QSignalSpy unloaded(&rig.window, &QL::Unloaded);
    rig.Click("EnterMid");
    rig.files.failAppend = true;
    rig.Run(30);
    const QColor c = rig.Sample()->grab().toImage().pixelColor(0, rig.Sample()->height() / 2);
    QVERIFY(c.red() > 200 && c.green() < 60 && c.blue() < 60);
    QVERIFY(rig.Sample()->toolTip().contains(rig.dir.path()));
    rig.files.failAppend = false;
    rig.Run(30);
    rig.window.close();
    QVERIFY(unloaded.count() == 1 && !rig.window.isVisible() && !rig.pass.Running());
    const auto lines = rig.File();
    QVERIFY(lines.size() > 5 && std::count(lines.begin(), lines.end(), "") == 0);
    rig.clock.Advance(1);
    QTest::qWait(20);
    QCOMPARE(rig.File(), lines);
  }

  // Two passes in a row for each measurement mode: the set-point and the settings reach the
  // count, the thickness, the instruments, the sample field, the data lines and the
  // information file as computed here; the second pass winds its roll from the spool again.
  // The roll's rule line by line is tested in tests/widgets.
  void passValuesFromTheSettings_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("coefficients");  // QL_CFF.DAT; empty: none
    QTest::addColumn<float>("setPoint");
    QTest::addColumn<double>("thickness");
    QTest::addColumn<double>("sample");
    const double at120 = CountOfMean(120), at60 = CountOfMean(60);
    QTest::newRow("Direct") << Setup{0, 7.85, 1000, 600} << QString() << 120.0f << at120 << at120;
    QTest::newRow("Approximation, fitted")
        << Setup{1, 2.71, 1500, 400} << "10,0.5,0,0" << 60.0f << 10 + 0.5 * at60 << at60;
    QTest::newRow("Approximation, no coefficients")
        << Setup{1, 1, 5000, 1000} << QString() << 120.0f << at120 << at120;
    QTest::newRow("Simulation") << Setup{2, 8.9, 2000, 570} << QString() << 60.0f << at60
                                << CountOfMean(1200);
  }
  void passValuesFromTheSettings() {
    QFETCH(Setup, setup);
    QFETCH(QString, coefficients);
    QFETCH(float, setPoint);
    QFETCH(double, thickness);
    QFETCH(double, sample);
    MemoryRig rig(setup, coefficients.toStdString());
    // At start-up the set-point is 120; in Simulation the sample has a mean of its own.
    QCOMPARE(rig.Sample()->text(), QString::number(CountOfMean(setup.mode == 2 ? 1200 : 120)));
    emit rig.window.SetPointPanel()->ThickChange(setPoint);
    QVERIFY(rig.Centred(setPoint, 40));
    for (int pass = 1; pass <= 2; ++pass) {
      rig.Click("EnterMid");
      const auto info = ParseInfo(rig.files.files["07.PSI"]);
      QVERIFY(info && info->setPoint == setPoint && info->scale == 40 && info->mode == setup.mode);
      QVERIFY(info->tolerancePlus == 4 && info->toleranceMinus == 2.5);
      QVERIFY(info->periods ==
              (std::array<double, 3>{setup.display, setup.file, setup.correction}));
      QCOMPARE(info->coefficients[1], coefficients.isEmpty() ? 1.0 : 0.5);
      rig.Run(60, 0.101);
      QCOMPARE(rig.window.Gauge()->model().CurrentValue(), float(thickness));
      QCOMPARE(rig.Sample()->text(), QString::number(sample));
      rig.Click("BStop");
      const auto rows = DataLines(rig.File());
      QCOMPARE(rows.size(), std::size_t{60});
      // Every display update went into the histogram, one per data line.
      QCOMPARE(rig.window.Histogram()->model().Count(), float(rows.size()));
      QCOMPARE(rig.window.Histogram()->Average(), float(thickness));
      // Off gauge all along (Direct: 173 µm against 120 +4/-2.5), but no [alarm] group.
      QVERIFY(!rig.files.files.count("alarm.log"));
      // The last line: one metre of strip of the measured thickness per display update, wound
      // in this pass alone.
      const auto& last = rows.back();
      const double area = 60 * thickness, spool2 = setup.spool * setup.spool;
      QVERIFY(last[0] == 60 && std::fabs(last[1] - thickness) <= 0.05);
      QVERIFY(std::fabs(last[2] - std::sqrt(spool2 + 4 * area / 3.1416)) <= 0.5001);
      QVERIFY(std::fabs(last[3] - area * setup.basis * setup.width * 1e-6) <= 0.5001);
    }
  }

  // Each command opens its own window, given the station's own objects, once, and again
  // after it was closed; all of them work while a pass runs.
  void commandsOpenTheirWindows() {
    MemoryRig rig(Setup{0, 12.5});
    rig.Click("EnterMid");
    const char* classes[] = {"orlix::Settings", "orlix::Fitting", "orlix::PassFiles"};
    for (int c = 2; c <= 4; ++c) {
      const QByteArray command = "Command" + QByteArray::number(c);
      rig.Click(command);
      QPointer<QWidget> first = rig.window.SecondaryWindow(c);
      rig.Click(command);
      QVERIFY(first && first->isVisible() && rig.window.SecondaryWindow(c) == first);
      QCOMPARE(first->metaObject()->className(), classes[c - 2]);
      first->close();
      QTRY_VERIFY(!first && !rig.window.SecondaryWindow(c));
      rig.Click(command);
      QVERIFY(rig.window.SecondaryWindow(c)->isVisible());
    }
    auto* settings = qobject_cast<Settings*>(rig.window.SecondaryWindow(2));
    QCOMPARE(settings->Field(BasisWeight)->text(), QStringLiteral("12.5"));
    auto* files = qobject_cast<PassFiles*>(rig.window.SecondaryWindow(4));
    QCOMPARE(QDir(files->Directory()), QDir(rig.dir.path()));
    QVERIFY(rig.pass.Running());
  }

  // A pass sleeps until its next period; whatever shortens a period meanwhile wakes it:
  // the settings window reading a changed configuration file when it opens, or its Save.
  void changedPeriodsRetimeTheCycle_data() {
    QTest::addColumn<bool>("byOpening");
    QTest::newRow("opening the settings window") << true;
    QTest::newRow("Save") << false;
  }
  void changedPeriodsRetimeTheCycle() {
    QFETCH(bool, byOpening);
    MemoryRig rig(Setup{1, 2.71, 700, 570, 10, 10, 10});
    rig.Click("EnterMid");
    rig.Run(1, 0.5);
    QCOMPARE(rig.File().size(), std::size_t{5});  // the header alone: 9.5 s to go
    if (byOpening)
      rig.files.files[kConfigurationFile] = Config(Setup{1, 2.71, 700, 570, 10, 0.1, 10});
    rig.Click("Command2");
    auto* settings = qobject_cast<Settings*>(rig.window.SecondaryWindow(2));
    if (!byOpening) {
      QTest::mouseClick(settings->TabStrip(), Qt::LeftButton, {},
                        settings->TabStrip()->tabRect(1).center());
      QLineEdit* field = settings->Field(FileOutputPeriod);
      QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(field, "0.1");
      testing::Click(settings, "Command2");
    }
    QCOMPARE(rig.station.settings[FileOutputPeriod], 0.1);
    rig.clock.Advance(0.2);  // the timer alone must wake the pass now
    QTRY_COMPARE(rig.File().size(), std::size_t{6});
  }

  // "Start" right after "Stop" archives the pass file and writes a new information file
  // while the report of the stopped pass is being made: the report still describes that
  // pass, under its own name.
  void reportDescribesTheStoppedPass() {
    QTemporaryDir work;
    Rig<DirectoryFileAccess> rig(work.path().toStdString());
    QVERIFY(rig.files.Replace(kConfigurationFile, Config(Setup{})));
    rig.Start();
    QSignalSpy done(&rig.pass.Quality(), &PassQuality::ReportDone);
    rig.Click("EnterMid");
    rig.Run(400);
    const auto first = ReadInfo(rig.files, "07.PSI");
    // The next pass must not start within the second the first one started in.
    QTRY_VERIFY(QDateTime::currentDateTime().toString(Qt::ISODate).toStdString() != first->start);
    // The report's worker is held back until the next pass has started, as on a busy machine.
    QThreadPool* pool = &FileWorkers();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    QSemaphore held;
    pool->start([&held] { held.acquire(); });
    rig.Click("BStop");
    const std::string stem = ReportStem("07.PSS", StartStamp(first->start));
    const auto rows = DataLines(testing::Lines(*rig.files.Read("07.PSS", 1 << 20)));
    rig.Click("EnterMid");
    held.release();
    QTRY_COMPARE(done.count(), 1);
    pool->setMaxThreadCount(threads);
    QVERIFY2(done.at(0).at(0).toBool(), qPrintable(done.at(0).at(1).toString()));
    const QString csv = work.filePath(QString::fromStdString("reports/" + stem + ".csv"));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(rows.size() > 30);
    QCOMPARE(QString(file.readAll()).count("\r\n") - 1, qsizetype(rows.size()));
    QVERIFY(PdfText(QString(csv).replace(".csv", ".pdf"))
                .contains(QString::fromStdString(ReadableTime(first->start))));
    // Its figures went into its information file, in the archive by now; not into the new one.
    DirectoryFileAccess archive(work.filePath("archive").toStdString());
    const auto archived = ReadInfo(archive, stem + ".PSI");
    QVERIFY(archived && archived->start == first->start && archived->statistics);
    QCOMPARE(archived->statistics->count, rows.size());
    QVERIFY(!ReadInfo(rig.files, "07.PSI")->statistics);
    QVERIFY(rig.pass.Running());
  }

  // A pass that ended without "Stop" is completed at the next start of the program: its
  // end is the time its pass file was last written, "not stopped", and it is reported once,
  // saying so.
  void unstoppedPassIsCompletedAtStart() {
    testing::MemoryFileAccess files;
    {
      MemoryRig first;
      first.Click("EnterMid");
      first.Run(40);
      first.window.close();  // the program ends during the pass
      files = first.files;
    }
    const auto before = ParseInfo(files.files["07.PSI"]);
    QVERIFY(before && before->end.empty());
    const std::int64_t lastWrite = 1765200000;
    files.modified["07.PSS"] = lastWrite;
    MemoryRig rig(files);  // the next start
    QSignalSpy done(&rig.pass.Quality(), &PassQuality::ReportDone);
    rig.Start();
    const auto after = ParseInfo(rig.files.files["07.PSI"]);
    QVERIFY(after && after->notStopped && after->end == IsoLocalTime(lastWrite));
    QCOMPARE(after->start, before->start);
    QVERIFY(UnstoppedInfoFiles(rig.files).empty());  // so the next start leaves it alone
    QTRY_COMPARE(done.count(), 1);
    const QString pdf = rig.dir.filePath(QString::fromStdString(
        "reports/" + ReportStem("07.PSS", StartStamp(after->start)) + ".pdf"));
    QVERIFY2(PdfText(pdf).contains("not stopped"), qPrintable(pdf));
    // Stopped, and the program killed before the report was made: no figures in the
    // information file, no PDF. The next start makes the report and records its figures.
    QTRY_VERIFY(ParseInfo(rig.files.files["07.PSI"])->statistics);
    testing::MemoryFileAccess killed = rig.files;
    std::string& info = killed.files["07.PSI"];
    info.erase(info.find("[statistics]"));
    MemoryRig again(killed);
    QSignalSpy reported(&again.pass.Quality(), &PassQuality::ReportDone);
    again.Start();
    QTRY_COMPARE(reported.count(), 1);
    QTRY_VERIFY(ParseInfo(again.files.files["07.PSI"])->statistics);
  }

  // Direct mode measures 173 µm against 120 +4/-2.5: after [alarm] delay_m = 2 m off gauge
  // (when exactly, and the lines' texts, are tested in tests/core) the THICK alarm shows in a
  // band under the instruments, blinking, and in alarm.log; acknowledged it stays until the
  // strip stops, then the window is as before. auditTrail has its lines in the report.
  void offGaugeAlarm() {
    MemoryRig rig(Setup{0, 7.85, 1000, 600});
    rig.files.files["station.ini"] += "[alarm]\ndelay_m=2\n";
    const int height = rig.window.height();
    rig.Click("EnterMid");
    rig.Run(4, 0.101);
    auto* band = rig.window.findChild<QWidget*>("AlarmBand");
    QVERIFY(band && band->isVisible() && rig.window.height() > height);
    const QColor lit = band->palette().color(QPalette::Window);
    QTRY_VERIFY(band->palette().color(QPalette::Window) != lit);  // blinking
    QVERIFY(rig.files.files["alarm.log"].find("THICK raised") != std::string::npos);
    rig.Click("AlarmAck");
    QCOMPARE(band->accessibleName(), QString("Off-gauge alarm: THICK, acknowledged"));
    rig.Click("BStop");
    QVERIFY(band->isHidden() && rig.window.height() == height);
    const QString log = QString::fromStdString(rig.files.files["alarm.log"]);
    QVERIFY2(log.count('\n') == 3 && log.contains("THICK acknowledged") &&
                 log.contains("THICK returned"),
             qPrintable(log));  // raised, acknowledged, returned at Stop
  }

  // The same pass, a Save of the settings and a saved fit during it in the audit trail: each
  // event one line of an intact chain, the changed element of the configuration file, the
  // tolerance, station.ini's group edited by hand and the fit with their old and new values;
  // the pass's information file and report list the changes made and the alarm's lines.
  void auditTrail() {
    testing::MemoryFileAccess earlier;
    earlier.files[kConfigurationFile] = Config(Setup{0, 7.85, 1000, 600});
    earlier.files["station.ini"] =
        "[quality]\ntolerance_plus_um=4\ntolerance_minus_um=2.5\n[alarm]\ndelay_m=2\n";
    MemoryRig rig(earlier);
    audit::AuditLog log(rig.files, [] { return std::string("2026-12-08T10:00:00+01:00"); });
    rig.audit = &log;
    rig.Start();
    rig.Click("EnterMid");
    rig.Run(4, 0.101);
    rig.Click("AlarmAck");
    rig.files.files["station.ini"] += "[modbus]\nport=1502\n";  // by hand, during the pass
    rig.Click("Command2");
    auto* settings = qobject_cast<Settings*>(rig.window.SecondaryWindow(2));
    QTest::mouseClick(settings->TabStrip(), Qt::LeftButton, {},
                      settings->TabStrip()->tabRect(1).center());
    QTest::keyClick(settings->Field(FileOutputPeriod), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(settings->Field(FileOutputPeriod), "0.5");
    settings->PageStrip()->setCurrentIndex(1);  // "Quality": the tolerance's plus side
    testing::Keys(settings->Keypad(), "3E");
    testing::Click(settings, "Command2");
    // A fit saved, as the calibration window announces it after writing its files.
    rig.Click("Command3");
    rig.station.calibration.Coef = {1.5, 2, 0, -0.25};
    rig.station.calibration.PointCount = 5;
    emit qobject_cast<Fitting*>(rig.window.SecondaryWindow(3))->CoefficientsSaved();
    QSignalSpy done(&rig.pass.Quality(), &PassQuality::ReportDone);
    rig.Click("BStop");
    QStringList kinds;
    std::string config, tolerance, fit;
    const QString text = QString::fromStdString(rig.files.files[audit::kAuditFile]);
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
      const auto parsed = audit::ParseLine(line.toStdString());
      QVERIFY2(parsed, qPrintable(line));
      kinds << QString::fromStdString(parsed->first.kind);
      if (parsed->first.kind == "config") config = parsed->first.text;
      if (parsed->first.kind == "tolerance") tolerance = parsed->first.text;
      if (parsed->first.kind == "fit") fit = parsed->first.text;
    }
    QCOMPARE(kinds.join(' '),
             "settings settings settings pass-start alarm-raised alarm-acknowledged config "
             "tolerance settings fit alarm-returned "
             "pass-stop");
    QCOMPARE(config, std::string("QL_CFG.DAT 5 file output period: 0.1 -> 0.5"));
    QCOMPARE(tolerance, std::string("plus 4 -> 3 um, minus 2.5 -> 2.5 um"));
    QCOMPARE(fit, std::string("0 1 0 0 -> 1.5 2 0 -0.25, 5 points"));
    const audit::VerifyResult result = audit::VerifyAudit(rig.files);
    QVERIFY2(result.intact, audit::VerifyText(result).c_str());
    const auto info = ParseInfo(rig.files.files["07.PSI"]);
    QVERIFY(info && info->alarms.size() == 3);
    QCOMPARE(QString::fromStdString(info->changes.at(0) + "|" + info->changes.at(2) + "|" +
                                    info->changes.at(3)),
             "10:00:00 config: QL_CFG.DAT 5 file output period: 0.1 -> 0.5 (operator, window)|"
             "10:00:00 settings: [modbus] port: (none) -> 1502 (operator, station.ini)|"
             "10:00:00 fit: 0 1 0 0 -> 1.5 2 0 -0.25, 5 points (operator, window)");
    QTRY_COMPARE(done.count(), 1);
    const QString pdf = rig.dir.filePath(QString::fromStdString(
        "reports/" + ReportStem("07.PSS", StartStamp(info->start)) + ".pdf"));
    const QString report = PdfText(pdf);
    QVERIFY2(report.contains("Calibration and settings changed during the pass") &&
                 report.contains("Off-gauge alarms"),
             qPrintable(pdf));
    // "Audit" in the pass-file window shows the trail as the directory holds it.
    QFile trail(rig.dir.filePath(audit::kAuditFile));
    QVERIFY(trail.open(QIODevice::WriteOnly) &&
            trail.write(rig.files.files[audit::kAuditFile].c_str()) > 0);
    trail.close();
    rig.Click("Command4");
    testing::Click(rig.window.SecondaryWindow(4), "Command6");
    QPointer<AuditWindow> shown = rig.window.SecondaryWindow(4)->findChild<AuditWindow*>();
    QVERIFY(shown);
    shown->findChild<QDateEdit*>("From")->setDate(QDate(2026, 12, 8));
    shown->findChild<QDateEdit*>("To")->setDate(QDate(2026, 12, 8));
    QTRY_COMPARE(shown->Table()->rowCount(), kinds.size());
    QVERIFY2(shown->Message().endsWith("chain intact, 12 lines in 1 files"),
             qPrintable(shown->Message()));
  }

  // With a PIN set, "Settings" shows the PIN window and not the settings: a wrong PIN keeps
  // them closed, the right one opens them and what is saved then is the engineer's. Opened
  // again in the session, nothing asks; input anywhere keeps the session, and after a minute
  // without any "Save" stores nothing, the window closes, the main window says why and the
  // station is the operator's again.
  void engineerAccess() {
    testing::MemoryFileAccess earlier;
    earlier.files[kConfigurationFile] = Config(Setup{});
    earlier.files["station.ini"] = "[access]\nsession_min=1\n";
    MemoryRig rig(earlier);
    QVERIFY(access::SetPin(rig.station.ini, "2468", 1000).ok);
    audit::AuditLog log(rig.files, [] { return std::string("2026-12-08T10:00:00+01:00"); });
    AccessGate gate(rig.station.ini, rig.clock, rig.window, &log);
    rig.audit = &log;
    rig.access = &gate;
    rig.Start();
    rig.Click("Command2");
    QVERIFY(gate.Prompt() && gate.Prompt()->isVisible());
    testing::Keys(gate.Prompt()->Keypad(), "1357E");
    QCOMPARE(gate.Prompt()->Message(), QString("Wrong PIN, 4 tries left"));
    QVERIFY(!rig.window.SecondaryWindow(2));
    testing::Keys(gate.Prompt()->Keypad(), "24680.E");  // "." takes back the 0
    auto* settings = qobject_cast<Settings*>(rig.window.SecondaryWindow(2));
    QVERIFY(settings && settings->isVisible());
    QTRY_VERIFY(!gate.Prompt());
    auto save = [&](const char* period) {
      settings = qobject_cast<Settings*>(rig.window.SecondaryWindow(2));
      settings->Field(FileOutputPeriod)->setText(period);
      emit settings->Field(FileOutputPeriod)->textEdited(period);
      testing::Click(settings, "Command2");
    };
    save("0.5");
    QTRY_VERIFY(!rig.window.SecondaryWindow(2));
    const std::string saved = rig.files.files[kConfigurationFile];
    rig.Click("Command2");
    QVERIFY(!gate.Prompt() && rig.window.SecondaryWindow(2));
    rig.clock.Advance(59);
    QTest::keyClick(&rig.window, Qt::Key_Shift);  // input anywhere keeps the session going
    rig.clock.Advance(59);
    QVERIFY(gate.Session().Active());
    rig.clock.Advance(1);
    save("0.7");
    QTRY_VERIFY(!rig.window.SecondaryWindow(2));
    QCOMPARE(rig.files.files[kConfigurationFile], saved);
    QVERIFY(gate.Notice() && gate.Notice()->isVisible());
    gate.Notice()->accept();
    rig.Click("EnterMid");
    QStringList events;
    for (const QString& line : QString::fromStdString(rig.files.files[audit::kAuditFile])
                                   .split('\n', Qt::SkipEmptyParts)) {
      const auto event = audit::ParseLine(line.toStdString())->first;
      events << QString::fromStdString(event.level + " " + event.kind +
                                       (event.kind == "pass-start" ? "" : ": " + event.text));
    }
    QCOMPARE(events, QStringList({"operator settings: [access] pin_hash: set",
                                  "operator settings: [access] session_min: (none) -> 1",
                                  "operator access: wrong PIN, 1 in a row",
                                  "engineer access: engineer session started for Settings",
                                  "engineer config: QL_CFG.DAT 5 file output period: 0.1 -> 0.5",
                                  "engineer access: engineer session ended: 1 min without input",
                                  "operator pass-start"}));
  }

  // An output that asks for measurements every 20 ms gets them between display updates 5 s
  // apart, none older than that; the instruments take only the display updates.
  void freshMeasurements() {
    MemoryRig rig(Setup{1, 2.71, 700, 570, 5, 5, 5});
    rig.pass.AskFreshEvery(20);
    std::vector<double> at;
    connect(&rig.pass, &RunningPass::Published, this, [&](const StationSnapshot& s) {
      if (s.changes & StationSnapshot::kMeasured) at.push_back(rig.clock.MonotonicSeconds());
    });
    rig.Click("EnterMid");
    const double start = rig.clock.MonotonicSeconds();
    const float shown = rig.window.Gauge()->model().CurrentValue();
    for (int i = 0; i < 100; ++i) {
      rig.clock.Advance(0.007);
      rig.pass.Retime();
      QTRY_VERIFY(rig.clock.MonotonicSeconds() - (at.empty() ? start : at.back()) < 0.02);
    }
    QVERIFY2(at.size() >= 33 && at.front() - start <= 0.0211,
             qPrintable(QString::number(at.size())));
    for (std::size_t k = 1; k < at.size(); ++k) QVERIFY(at[k] - at[k - 1] <= 0.0211);
    QVERIFY(rig.pass.Snapshot().Valid() && rig.pass.Snapshot().thickness != shown);
    QCOMPARE(rig.window.Gauge()->model().CurrentValue(), shown);
    // A request finds the last measurement 20 ms old or older: one is taken before the answer.
    for (const auto& [dt, fresh] :
         {std::pair{0.02, true}, {0.0, false}, {0.0199, false}, {0.0002, true}}) {
      rig.clock.Advance(dt);
      const auto seen = at.size();
      rig.pass.Refresh(20);
      QCOMPARE(at.size(), seen + fresh);
    }
  }

  // On the real clock a pass at 0.05 s periods writes a line every 0.05 s, however late the
  // event loop wakes it.
  void realTimePass() {
    testing::MemoryFileAccess files;
    QTemporaryDir home;
    files.location = home.path().toStdString();
    files.files[kConfigurationFile] = Config(Setup{1, 2.71, 700, 570, 0.05, 0.05, 0.05});
    SystemClock clock;
    Pcg32Uniform uniform;
    Station station{files, clock, uniform};
    RunningPass pass{station};
    QL window{station, pass};
    window.Load();
    testing::Click(&window, "EnterMid");
    const double start = clock.MonotonicSeconds();
    QTest::qWait(1000);
    testing::Click(&window, "BStop");
    const double periods = (clock.MonotonicSeconds() - start) / double(0.05f);
    const auto data = double(DataLines(testing::Lines(files.files["00.PSS"])).size());
    QVERIFY2(data >= periods - 1.5 && data <= periods + 0.5,
             qPrintable(QString("%1 lines in %2 periods").arg(data).arg(periods)));
  }
};

Q_DECLARE_METATYPE(Setup)

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
