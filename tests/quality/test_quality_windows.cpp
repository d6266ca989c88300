// Pass quality in the windows: a single spike among a million lines stays visible in the
// rendered profile; zoom, box, pan and "Full"; the window's figures in the report's PDF text
// and its set-point line on the page (the figures themselves are pinned in test_pass_quality);
// passes of no or one line in the view and the report; unwritable reports/ and station.ini;
// the Quality tab's Save; Start and Stop with refusals; the summary of days and of marked
// passes, its PDF checked against its CSV by a script.
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/PassQuality.h"
#include "app/QL.h"
#include "app/RunningPass.h"
#include "app/Station.h"
#include "base/SystemPlatform.h"
#include "passfiles/PassFileWriter.h"
#include "passfiles/ui/EvaluateControl.h"
#include "passfiles/ui/PassFiles.h"
#include "passfiles/ui/ProfileView.h"
#include "passfiles/ui/SummaryWindow.h"
#include "settings/StationIni.h"
#include "settings/ui/QualityPage.h"
#include "settings/ui/Settings.h"
#include "tests/support/FakePlatform.h"
#include "tests/windows/Driving.h"

using namespace orlix;

namespace {

// A pass file of `n` lines at 120 µm with a spread, the line `spike` at 200, and its
// information file; lengths 1, 2, 3 ... With `implausible`, three more lines no strip can have.
void WritePass(const QString& dir, int n, int spike, double spread, bool implausible = false) {
  std::string text = PassFileWriter::HeaderText(7, "12/07/26", "10:15:02");
  text.reserve(static_cast<std::size_t>(n) * 54 + 400);
  for (int i = 0; i < n; ++i) {
    const float t = i == spike
                        ? 200.f
                        : 120.f + static_cast<float>(spread * std::sin(i * 0.37) + (i < 9 ? 9 : 0));
    text += PassFileWriter::DataLine(static_cast<float>(i + 1), t, 300, 9);
    if (implausible && i == n / 3) text += PassFileWriter::DataLine(1, -5, 300, 9);
    if (implausible && i == n / 2)
      text += PassFileWriter::DataLine(static_cast<float>(i - 10), 120, 300, 9);
    if (implausible && i == 2 * n / 3)
      text += PassFileWriter::DataLine(static_cast<float>(i + 1), 120, 10000, 9);
  }
  DirectoryFileAccess files(dir.toStdString());
  files.Replace("07.PSS", text + PassFileWriter::EndText(120, 1));
  const PassInfo info{7, "2026-12-07T10:15:02", "2026-12-07T11:00:00", 120,    40, 6, 5,
                      1, {0, 1, 0, 0},          {0.1, 0.1, 0.1},       "0.1.0"};
  files.Replace("07.PSI", InfoText(info));
}

// The text of a PDF as pdftotext reads it, every run of blanks one blank.
QString PdfText(const QString& pdf) {
  QProcess pdftotext;
  pdftotext.start("pdftotext", {"-layout", pdf, "-"});
  pdftotext.waitForFinished(60000);
  return QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
}

// Pixels of a red hue, dark or light (strip beyond the limits), not the orange limit lines;
// with `limitLines`, those of the limit lines' orange.
int OffPixels(const QImage& image, bool limitLines = false) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      count += limitLines ? c == QColor(220, 120, 0)
                          : c.red() >= 200 && c.red() - c.green() >= 40 &&
                                std::abs(c.green() - c.blue()) < 30;
    }
  }
  return count;
}

}  // namespace

class TestQualityWindows : public QObject {
  Q_OBJECT
  QTemporaryDir dir;

 private slots:
  // Right of the first lines (129 µm) only the spike leaves the limits; a pass of three lines
  // (all at 129 µm) across the whole width is joined into a trace, not left as three dots.
  void spikeAmongAMillionAndZoom() {
    for (auto [lines, spike] : {std::pair{1'000'000, -1}, {3, -1}, {1'000'000, 654321}}) {
      WritePass(dir.path(), lines, spike, 0);
      DirectoryFileAccess files(dir.path().toStdString());
      ProfileView view;
      view.resize(800, 400);
      view.SetProfile(std::make_shared<PassProfile>(LoadProfile(files, "07.PSS")));
      const int off = OffPixels(view.grab(QRect(200, 0, 600, 400)).toImage());
      const bool shown = lines == 3 ? off > 400 : (off > 20) == (spike > 0);
      QVERIFY2(shown, qPrintable(QString::number(off)));
      if (spike < 0) continue;
      const ProfileWindow whole = view.Window();
      QWheelEvent wheel(QPointF(400, 200), view.mapToGlobal(QPointF(400, 200)), {}, {0, 240},
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(&view, &wheel);
      QVERIFY(view.Window().x1 - view.Window().x0 < (whole.x1 - whole.x0) * 0.7);
      QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(300, 50));
      QTest::mouseMove(&view, QPoint(500, 300));
      QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(500, 300));
      const ProfileWindow box = view.Window();
      QVERIFY(box.y1 - box.y0 < whole.y1 - whole.y0 && box.x0 > whole.x0);
      QTest::mousePress(&view, Qt::RightButton, {}, QPoint(300, 200));
      QTest::mouseMove(&view, QPoint(400, 200));
      QTest::mouseRelease(&view, Qt::RightButton, {}, QPoint(400, 200));
      QVERIFY(view.Window().x0 < box.x0 && view.ReadOut().startsWith("Length "));
      const double before = view.Window().x0;  // two fingers to the right pan to the left
      const std::unique_ptr<QPointingDevice> fingers(QTest::createTouchDevice());
      view.show();
      QVERIFY(QTest::qWaitForWindowExposed(&view));
      QTest::touchEvent(&view, fingers.get()).press(0, {100, 100}).press(1, {200, 100});
      QTest::touchEvent(&view, fingers.get()).move(0, {160, 100}).move(1, {260, 100});
      QTest::touchEvent(&view, fingers.get()).release(0, {160, 100}).release(1, {260, 100});
      QVERIFY(view.Window().x0 < before);
      view.Full();
      QCOMPARE(view.Window().x1, whole.x1);
    }
  }

  // What lies beyond the limits looks like its share: a pass with one line in 200 scattered
  // above its limit draws no column's body red, while a tenth of the pass off gauge in the
  // middle draws exactly that part red, in the plot and in the strip under it.
  void offGaugeLooksLikeItsShare() {
    for (const bool block : {false, true}) {
      std::string text = PassFileWriter::HeaderText(7, "12/08/26", "06:00:00");
      for (int i = 0; i < 100'000; ++i) {
        float t = 120.0f + 2.0f * static_cast<float>(std::sin(i * 0.7));
        if (block ? i >= 45'000 && i < 55'000 : i % 200 == 7) t = 130;
        text += PassFileWriter::DataLine(static_cast<float>(i + 1), t, 300, 9);
      }
      DirectoryFileAccess files(dir.path().toStdString());
      files.Replace("07.PSS", text);
      files.Replace(
          "07.PSI",
          InfoText({7, "2026-12-08T06:00:00", "", 120, 40, 6, 6, 1, {}, {0.1, 0.1, 0.1}, "v"}));
      ProfileView view;
      view.resize(800, 400);
      view.SetProfile(std::make_shared<PassProfile>(LoadProfile(files, "07.PSS")));
      const QImage image = view.grab().toImage();
      int first = image.width(), last = -1, dark = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          const QColor c = image.pixelColor(x, y);
          if (c.red() < 180 || c.green() > 60 || c.blue() > 60) continue;
          ++dark, first = std::min(first, x), last = std::max(last, x);
        }
      }
      const QRect plot =
          ProfilePlot(QRectF(view.rect()), QFontMetricsF(view.font(), &view)).toRect();
      const double from = plot.left() + 0.45 * plot.width(), to = plot.left() + 0.55 * plot.width();
      if (block)
        QVERIFY2(dark > 300 && first >= from - 3 && last <= to + 3,
                 qPrintable(QString("%1 %2 %3").arg(dark).arg(first).arg(last)));
      else
        QVERIFY2(dark < 50, qPrintable(QString::number(dark)));
    }
  }

  // The report of an archived pass with lines left out holds the window's figures; its page
  // draws the set-point across the profile.
  void reportHoldsTheWindowsFigures() {
    WritePass(dir.path(), 5000, 2500, 4, true);
    DirectoryFileAccess files(dir.path().toStdString());
    QVERIFY(ArchivePassFile(files, "07.PSS").archived);  // reported from the archive
    PassFiles window(dir.path());
    QSignalSpy loaded(&window, &PassFiles::ProfileLoaded), reported(&window, &PassFiles::Reported);
    QVERIFY(window.FileNames().isEmpty());
    window.ShowArchive(true);
    QCOMPARE(window.FileNames(), QStringList{"07-20261207-101502.PSS"});
    QVERIFY(window.Choose("07-20261207-101502.PSS"));
    QTRY_COMPARE(loaded.count(), 1);
    QCOMPARE(window.Statistics()->Value("Data lines"), QString("5000"));
    window.Report();
    QTRY_COMPARE(reported.count(), 1);
    QVERIFY2(reported.at(0).at(0).toBool(), qPrintable(window.Message()));
    const QString stem = dir.filePath("reports/07-20261207-101502");
    const QString text = PdfText(stem + ".pdf");
    for (const QString label : {"Mean (data lines)", "Std. deviation (data lines)", "Minimum",
                                "In tolerance", "Thin (below lower)", "Cpk (short-term)",
                                "Ppk (overall)", "Off-gauge head", "MS deviation (end block)"}) {
      QVERIFY2(text.contains(label + " " + window.Statistics()->Value(label)), qPrintable(label));
    }
    QVERIFY(text.contains("Left out: 1 line, thickness") &&
            text.contains("Figures from 5000 recorded"));
    QProcess pdftoppm;
    pdftoppm.start("pdftoppm", {"-png", "-r", "100", "-singlefile", stem + ".pdf", stem});
    QVERIFY(pdftoppm.waitForFinished(60000));
    const QImage page(stem + ".png");
    int longest = 0;  // green pixels in a row of the page
    for (int y = 0; y < page.height(); ++y) {
      int green = 0;
      for (int x = 0; x < page.width(); ++x) {
        const QColor c = page.pixelColor(x, y);
        green += c.green() - c.red() > 50 && c.green() - c.blue() > 50;
      }
      longest = std::max(longest, green);
    }
    QVERIFY2(longest > page.width() / 2, qPrintable(QString::number(longest)));
  }

  // A pass without information file: "-" and the reason, no red, no limit lines. A typed
  // tolerance is in force in the window and in its report (the refusals are NoLimits rows of
  // test_pass_quality), and nothing is written beside the pass.
  void typedToleranceForAPassWithoutLimits() {
    QTemporaryDir work;
    WritePass(work.path(), 5000, 2500, 4);
    QVERIFY(QFile::remove(work.filePath("07.PSI")));
    PassFiles window(work.path());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.Views()->setCurrentIndex(1);
    QSignalSpy loaded(&window, &PassFiles::ProfileLoaded), reported(&window, &PassFiles::Reported);
    QVERIFY(window.Choose("07.PSS"));
    QTRY_COMPARE(loaded.count(), 1);
    const StatisticsPanel* figures = window.Statistics();
    QVERIFY(figures->Value("In tolerance") == "-" &&
            figures->Note() == "No limits: no information file.");
    QVERIFY(OffPixels(window.Profile()->grab().toImage()) +
                OffPixels(window.Profile()->grab().toImage(), true) ==
            0);
    QTest::mouseClick(window.Evaluate()->Field(EvaluateControl::kPlus), Qt::LeftButton);
    QVERIFY(window.Evaluate()->Keypad()->isVisible());
    testing::Keys(window.Evaluate()->Keypad(), "6E8E120E");
    QTRY_COMPARE(loaded.count(), 2);
    QCOMPARE(figures->Note(), QString("Evaluated against +6/\u22128 \u00B5m around 120.00 \u00B5m, "
                                      "not recorded with the pass."));
    QVERIFY(OffPixels(window.Profile()->grab().toImage()) > 0 &&
            OffPixels(window.Profile()->grab().toImage(), true) > 0);
    window.Report();
    QTRY_COMPARE(reported.count(), 1);
    const QString text = PdfText(work.filePath("reports/07-120726-101502.pdf"));
    QVERIFY(text.contains(figures->Note()) &&
            text.contains("In tolerance " + figures->Value("In tolerance")));
    QVERIFY(!QFile::exists(work.filePath("07.PSI")));
  }

  // "Summary" of the last seven days (a pass just inside each end, one just outside, one
  // without information file dated by its last write), its PDF against its CSV by
  // check_summary.py, figures not recorded recorded; then of passes marked in both folders.
  void summaryOfDaysAndOfMarkedPasses() {
    QTemporaryDir work;
    QVERIFY(QDir(work.path()).mkdir("archive"));
    DirectoryFileAccess files(work.path().toStdString()),
        archive(work.filePath("archive").toStdString());
    const QDate today = QDate::currentDate();
    auto day = [&](int back, const char* time) {
      return today.addDays(-back).toString(Qt::ISODate).toStdString() + time;
    };
    int n = 0;
    for (const auto& [folder, name, start, recorded] :
         std::vector<std::tuple<DirectoryFileAccess*, std::string, std::string, bool>>{
             {&files, "01", day(0, "T00:00:01"), false},
             {&files, "02", day(1, "T23:59:59"), true},
             {&archive, "03-a", day(6, "T00:00:00"), false},
             {&files, "04", "", false},
             {&archive, "05-b", day(7, "T23:59:59"), true}}) {
      std::string text = PassFileWriter::HeaderText(std::int16_t(n + 1), "12/07/26", "10:15:02");
      for (int i = 0; i < 300; ++i)
        text += PassFileWriter::DataLine(float(i + 1), float(120 + n + 5 * std::sin(i * (0.1 + n))),
                                         300, 9);
      QVERIFY(folder->Replace(name + ".PSS", text));
      PassInfo info{std::int16_t(n + 1), start,           start, 120, 40, 6, 5, 1,
                    {0, 1, 0, 0},        {0.1, 0.1, 0.1}, "v"};
      if (!start.empty()) QVERIFY(folder->Replace(name + ".PSI", InfoText(info)));
      if (recorded) info.statistics = LoadProfile(*folder, name + ".PSS").stats;
      if (recorded) QVERIFY(folder->Replace(name + ".PSI", InfoText(info)));
      ++n;
    }
    PassFiles window(work.path());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    testing::Click(&window, "Command5");
    auto* summary = window.findChild<SummaryWindow*>();
    QSignalSpy made(summary, &SummaryWindow::Made);
    testing::Click(summary, "Make");
    QTRY_COMPARE_WITH_TIMEOUT(made.count(), 1, 30000);
    QVERIFY2(made.at(0).at(0).toBool(), qPrintable(summary->Message()));
    QCOMPARE(summary->Table()->rowCount(), 4);
    QVERIFY(summary->Message().contains("figures of 2 passes were added"));
    const QString stem = work.filePath("reports/summary-" + today.addDays(-6).toString("yyyyMMdd") +
                                       "-" + today.toString("yyyyMMdd"));
    QProcess check;
    check.start("python3", {CHECK_SUMMARY, stem + ".pdf", stem + ".csv", "4"});
    QVERIFY(check.waitForFinished(60000));
    QVERIFY2(check.exitCode() == 0, check.readAll().constData());

    auto* list = window.findChild<QListWidget*>("File1");
    auto click = [list](int row, Qt::KeyboardModifiers keys) {
      QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                        list->visualItemRect(list->item(row)).center());
    };
    click(0, {});                   // 01.PSS
    click(2, Qt::ControlModifier);  // and 04.PSS
    window.ShowArchive(true);
    click(1, {});  // and archive/05-b.PSS
    testing::Click(&window, "Command5");
    testing::Click(summary, "Make");
    QTRY_COMPARE_WITH_TIMEOUT(made.count(), 2, 30000);
    QCOMPARE(summary->Table()->rowCount(), 3);
  }

  void badFilesAndUnwritableReports_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("lines");
    QTest::newRow("no data lines")
        << QByteArray(PassFileWriter::HeaderText(1, "d", "t").c_str()) << "0";
    QTest::newRow("one line") << QByteArray(PassFileWriter::DataLine(1, 5, 1, 1).c_str()) << "1";
  }
  void badFilesAndUnwritableReports() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, lines);
    QTemporaryDir bad;
    QFile file(bad.filePath("01.PSS"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    PassFiles window(bad.path());
    QSignalSpy loaded(&window, &PassFiles::ProfileLoaded), reported(&window, &PassFiles::Reported);
    QVERIFY(window.Choose("01.PSS"));
    QTRY_COMPARE(loaded.count(), 1);
    QCOMPARE(window.Statistics()->Value("Data lines"), lines);
    window.Views()->setCurrentIndex(1);
    window.Views()->grab();  // drawn without a fault
    window.Report();
    QTRY_COMPARE(reported.count(), 1);
    QVERIFY(reported.at(0).at(0).toBool() && window.Message().contains(lines + " data line"));
    // reports/ taken by a file: the report says so, nothing else happens.
    QVERIFY(QDir(bad.path()).rename("reports", "old") &&
            QFile(bad.filePath("reports")).open(QIODevice::WriteOnly));
    window.Report();
    QTRY_COMPARE(reported.count(), 2);
    QVERIFY(!reported.at(1).at(0).toBool() && window.Message().startsWith("No report"));
  }

  // A read error half-way: the report says so (its CSV's last row is CsvEnd, pinned in
  // test_pass_quality); a start of 300 characters (from the information file) ends in an
  // ellipsis on the page.
  void incompleteReadIsMarked() {
    testing::MemoryFileAccess files;
    std::string text = PassFileWriter::HeaderText(7, "12/07/26", "10:15:02");
    for (int i = 0; i < 200; ++i)
      text += PassFileWriter::DataLine(float(i + 1), float(120 + i % 5), 300, 9);
    files.files["07.PSS"] = text;
    files.failReadsFrom = text.size() / 2;
    files.files["07.PSI"] =
        InfoText({7, std::string(300, '1'), "", 120, 40, 6, 5, 1, {}, {0.1, 0.1, 0.1}, "v"});
    QTemporaryDir out;
    ReportJob job;
    job.pass = std::make_shared<const PassSnapshot>(TakeSnapshot(files, "07.PSS"));
    job.reportDirectory = out.path();
    const ReportOutcome report = WriteReport(job);
    QVERIFY2(report.ok, qPrintable(report.message));
    const QString page = PdfText(report.pdf);
    QVERIFY2(page.contains("INCOMPLETE: 9") && page.contains(QString(40, '1') + QChar(0x2026)),
             qPrintable(page));
  }

  // Save through the Quality tab keeps the rest of station.ini; with station.ini taken by a
  // folder, QL_CFG.DAT is still saved, the record re-timed, and the window stays open.
  void qualityTabEnterAndSave() {
    QTemporaryDir home;
    DirectoryFileAccess files(home.path().toStdString());
    StationIni ini(files);
    const std::string kept = "; by hand\n[modbus]\nenabled = false\n";
    QVERIFY(files.Replace("station.ini", kept));
    SettingsRecord record;
    for (const bool writable : {true, false}) {
      if (!writable)
        QVERIFY(QFile::remove(home.filePath("station.ini")) &&
                QDir(home.path()).mkdir("station.ini"));
      Settings w(record, files, ini);
      QSignalSpy saved(&w, &Settings::Saved), changed(&w, &Settings::RecordChanged);
      w.PageStrip()->setCurrentIndex(1);  // the keypad's rules there are in test_pass_quality
      testing::Keys(w.Keypad(), "3E0");
      QCOMPARE(w.Quality()->Field(0)->text() + "|" + w.Quality()->Field(1)->text(), QString("3|0"));
      w.ShowLinkState({});  // the "Link" tab: nothing there takes a key
      w.PageStrip()->setCurrentIndex(2);
      const QString general = w.Field(0)->text();
      testing::Keys(w.Keypad(), "9");
      QVERIFY(w.Quality()->isHidden() && !w.Field(0)->isVisibleTo(&w) &&
              w.Field(0)->text() == general);
      w.TabStrip()->setCurrentIndex(0);
      testing::Keys(w.Keypad(), writable ? "7" : "8");  // to General's field, not the tolerance
      QCOMPARE(w.Field(0)->text(), QString(writable ? "7" : "8"));
      w.show();
      testing::Click(&w, "Command2");
      QCOMPARE(changed.count(), 1);  // QL_CFG.DAT written (its rules are in tests/settings)
      QCOMPARE(record[0], writable ? 7.0 : 8.0);
      QCOMPARE(saved.count(), writable ? 1 : 0);
      QCOMPARE(w.isVisible(), !writable);
      QCOMPARE(w.Message().startsWith("QL_CFG.DAT saved.") && w.Message().contains("station.ini") &&
                   w.Message().contains(QDir::toNativeSeparators(home.path())),
               !writable);
      if (writable)
        QCOMPARE(files.Read("station.ini", 1024).value_or(""),
                 kept + "\n[quality]\ntolerance_plus_um=3\ntolerance_minus_um=0\n");
    }
  }

  // A tolerance that cannot be used (its rule is in tests/settings) is named on the Quality
  // tab and not saved, and QL_CFG.DAT still is.
  void unusableToleranceNotSaved() {
    testing::MemoryFileAccess files;
    files.files["station.ini"] = "; by hand\n[quality]\ntolerance_minus_um=-8\n";
    StationIni ini(files);
    SettingsRecord record;
    Settings w(record, files, ini);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.PageStrip(), Qt::LeftButton, {}, w.PageStrip()->tabRect(1).center());
    QVERIFY(w.Quality()->isVisible() && w.TabStrip()->currentIndex() == kSettingsTabCount);
    QCOMPARE(w.Quality()->Problem(), QString("tolerance_minus_um is below 0"));
    testing::Click(&w, "Command2");
    QVERIFY(w.Message().contains(w.Quality()->Problem()));
    QVERIFY(files.files.count(kConfigurationFile) && w.isVisible());
    QCOMPARE(files.files["station.ini"], "; by hand\n[quality]\ntolerance_minus_um=-8\n");
  }

  // "Start" over an earlier pass of the same number, with the archive, the information
  // file and the report refused: the pass runs, the earlier file is kept, Files says so.
  void startAndStopWithFailures() {
    testing::MemoryFileAccess files;
    QTemporaryDir home;  // a file where the reports folder would be
    QVERIFY(QFile(home.filePath("reports")).open(QIODevice::WriteOnly));
    files.location = home.path().toStdString();
    testing::FakeClock clock;
    Pcg32Uniform uniform;
    Station station(files, clock, uniform);
    RunningPass pass(station);
    QL window(station, pass);
    window.Load();
    files.files["00.PSS"] = "earlier";
    files.failMove = true;
    testing::Click(&window, "EnterMid");
    QVERIFY(pass.Running() && files.files.count("00-undated.PSS") && files.files.count("00.PSI"));
    QVERIFY(pass.Quality().Problem().contains("00-undated.PSS"));
    files.failReplace = true;
    testing::Click(&window, "BStop");
    QVERIFY(pass.Quality().Problem().contains("00.PSI"));
    QSignalSpy done(&pass.Quality(), &PassQuality::ReportDone);
    QTRY_COMPARE(done.count(), 1);
    QVERIFY(window.findChild<QPushButton*>("Command4")->toolTip().startsWith("No report"));
  }
};

QTEST_MAIN(TestQualityWindows)
#include "test_quality_windows.moc"
