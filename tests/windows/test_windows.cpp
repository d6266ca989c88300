// The settings, calibration and pass-file windows driven by mouse and keyboard. Their rules
// are tested without the windows in tests/settings, tests/calibration and tests/passfiles.
#include <QtTest>
#include <QtWidgets>
#include <map>

#include "app/Station.h"
#include "base/SystemPlatform.h"
#include "calibration/PointsFile.h"
#include "calibration/ui/Fitting.h"
#include "passfiles/ui/PassFiles.h"
#include "passfiles/ui/PassTextView.h"
#include "settings/StationIni.h"
#include "settings/ui/Settings.h"
#include "tests/support/FakePlatform.h"
#include "tests/windows/Driving.h"

using namespace orlix;

namespace {

struct SettingsRig {
  // Values "####0.##" rounds, a display period beyond the keypad's limits.
  SettingsRecord stored{
      {80.125, 1234.567, 600, 0.015, 60, 1.5, 2, 0.001, 31, 0, 2999.999, 1, 412.3456, 0.0004}};
  testing::MemoryFileAccess files;
  StationIni ini{files};
  SettingsRecord settings;  // the record the measurement uses
  std::unique_ptr<Settings> w;

  SettingsRig() {
    files.files[kConfigurationFile] = Cfgfile::ConfigurationText(stored);
    files.location = "/data/gauge";
    settings[DisplayPeriod] = 7;  // stale: opening reads the file again
    w = std::make_unique<Settings>(settings, files, ini);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
  }
  bool Shows(int tab, int field) {  // the tab's frame alone, the focus on the field
    bool shows = QApplication::focusWidget() == w->Field(field);
    for (int t = 0; t < 4; ++t)
      shows &= w->findChild<QFrame*>(QString("Frame1_%1").arg(t))->isVisible() == (t == tab);
    return shows;
  }
  bool Holds(const SettingsRecord& r) {  // in the record and, as its text, in the file
    return settings.values == r.values &&
           files.files[kConfigurationFile] == Cfgfile::ConfigurationText(r);
  }
};

const std::string kCube = " 4 \r\n1,1\r\n8,2\r\n27,3\r\n64,4\r\n";  // t = x³

// A line of the points file, with the count the station reads when every uniform is 0.5.
std::string Point(const std::string& thickness, float setPoint = 120) {
  testing::ReplayUniform uniform({0.5f});
  return thickness + "," + std::to_string(Stats(uniform).PoissonCount(setPoint)) + "\r\n";
}

// The calibration window over a working directory with the points of t = x³.
struct FittingRig {
  QTemporaryDir dir;
  DirectoryFileAccess files{dir.path().toStdString()};
  testing::FakeClock clock;
  testing::ReplayUniform uniform{{0.5f}};
  Station station{files, clock, uniform};
  QPointer<Fitting> w;

  FittingRig() {
    files.Replace(kPointsFile, kCube);
    station.values.SetStartValues();
    w = new Fitting(station.calibration, station.daq, station.files);
    w->setAttribute(Qt::WA_DeleteOnClose);  // as the main window opens it
    w->show();
  }
  ~FittingRig() { delete w.data(); }
  QString Shown(std::initializer_list<const char*> names) {
    QStringList texts;
    for (const char* name : names) texts << w->findChild<QLineEdit*>(name)->text();
    return texts.join('|');
  }
  std::string File(const char* name) { return files.Read(name, 10000).value_or("-"); }
  std::string InUse() { return CoefFile::CoefficientText(station.calibration.Coef); }
  bool FitRed() {  // the face of a failed "F IT" is clearly red, a normal one grey
    const QColor c = w->findChild<QWidget*>("Command5")->grab().toImage().pixelColor(6, 8);
    return c.red() > 200 && c.green() < 100 && c.blue() < 100;
  }
};

// A complete pass file; data line i stands on line 5 + i.
QByteArray PassText(int dataLines) {
  std::string s = PassFileWriter::HeaderText(4, "06.05.2024", "10:15:00");
  for (int i = 0; i < dataLines; ++i)
    s += PassFileWriter::DataLine(i * 3, 118.0f + (i % 7) * 0.6f, 350 + i / 10, 16 + i / 5);
  return QByteArray::fromStdString(s + PassFileWriter::EndText(119.8, 1.25) +
                                   PassFileWriter::HistoLine(118.4, 23));
}

struct PassFilesRig {
  QTemporaryDir dir;
  QPointer<PassFiles> w;

  explicit PassFilesRig(int dataLines = -1) {
    if (dataLines >= 0) Write("04.PSS", PassText(dataLines));
    w = new PassFiles(dir.path());
    w->show();
    QSignalSpy text(w.data(), &PassFiles::TextLoaded);  // read on a worker
    QVERIFY(QTest::qWaitForWindowExposed(w) && (dataLines < 0 || w->Choose("04.PSS")));
    QTRY_COMPARE(text.count(), dataLines < 0 ? 0 : 1);
  }
  ~PassFilesRig() { delete w.data(); }
  void Write(const QString& name, const QByteArray& bytes, QIODevice::OpenMode mode = {}) {
    QFile file(dir.filePath(name));
    QVERIFY(file.open(mode | QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
  }
};

// The rows of a printed PDF, each word put on the fixed-pitch grid by the position
// pdftotext gives it; every page but the last has as many rows as the longest.
QStringList ReadBack(QPagedPaintDevice& device, const QString& pdf, int* pages) {
  const QFontMetricsF font(PassFileFont(10), &device);
  const double width = font.horizontalAdvance('0') * 72 / device.logicalDpiY();
  const double height = font.lineSpacing() * 72 / device.logicalDpiY();
  const QPointF origin = device.pageLayout().paintRect(QPageLayout::Point).topLeft();
  QProcess pdftotext;
  pdftotext.start("pdftotext", {"-tsv", pdf, "-"});
  if (!pdftotext.waitForFinished(60000)) return {"pdftotext (poppler-utils) did not run"};
  std::map<std::pair<int, int>, QString> words;  // (page, row): text
  int perPage = *pages = 0;
  for (const QString& line : QString(pdftotext.readAllStandardOutput()).split('\n')) {
    const QStringList f = line.split('\t');  // level, page, 4 numbers, left, top, 4 more, text
    if (f.size() != 12 || (*pages = std::max(*pages, f[1].toInt()), f[0] != "5")) continue;
    const int row = qRound((f[7].toDouble() - origin.y()) / height);
    QString& text = words[{f[1].toInt() - 1, row}];
    text = text.leftJustified(qRound((f[6].toDouble() - origin.x()) / width), ' ', true) + f[11];
    perPage = std::max(perPage, row + 1);
  }
  QStringList rows;
  for (const auto& [at, text] : words) {
    while (rows.size() < at.first * perPage + at.second) rows << QString();
    rows << text;
  }
  return rows;
}

}  // namespace

class TestWindows : public QObject {
  Q_OBJECT

 private slots:
  // Opening reads the file again; a tab, the keypad, Delete, a click into a field and the
  // mode buttons reach the fields; a failed Save keeps the window and the entries; Save
  // then changes only the edited values.
  void settingsEntryAndSave() {
    SettingsRig rig;
    QSignalSpy saved(rig.w.get(), &Settings::Saved), changed(rig.w.get(), &Settings::RecordChanged);
    QVERIFY(rig.Holds(rig.stored) && rig.Shows(0, 0));
    testing::Keys(rig.w->Keypad(), "E45");
    testing::Click(rig.w.get(), "Command3");  // "Delete"
    QTest::mouseClick(rig.w->Field(2), Qt::LeftButton);
    testing::Keys(rig.w->Keypad(), "4E");
    QVERIFY(rig.w->Field(1)->text().isEmpty() && rig.Shows(0, 3));
    QTest::mouseClick(rig.w->TabStrip(), Qt::LeftButton, {},
                      rig.w->TabStrip()->tabRect(2).center());
    QVERIFY(rig.Shows(2, 7));
    auto* simulation = rig.w->findChild<QRadioButton*>("Option3");
    QTest::mouseClick(simulation, Qt::LeftButton, {}, QPoint(6, simulation->height() / 2));
    rig.files.failReplace = true;
    testing::Click(rig.w.get(), "Command2");
    QVERIFY(rig.w->Message().contains("QL_CFG.DAT") && rig.w->Message().contains("/data/gauge"));
    QVERIFY(rig.w->findChild<QWidget*>("Message")->isVisible() && rig.w->isVisible());
    QVERIFY(rig.Holds(rig.stored) && saved.isEmpty() && changed.isEmpty());
    rig.files.failReplace = false;
    testing::Click(rig.w.get(), "Command2");  // an emptied field saves as 0
    SettingsRecord edited = rig.stored;
    edited[1] = 0, edited[2] = 4, edited[MeasurementMode] = 2;
    QVERIFY(!rig.w->isVisible() && rig.Holds(edited) && saved.count() == 1 && changed.count() == 1);
  }

  // Typed into Basis Weight (1..2000): the field's validator takes digits and one point
  // only; Return hands the text to the editor, which checks it (its rules are in
  // tests/settings), and shows the result. Save's wiring is in settingsEntryAndSave.
  void settingsTyping() {
    SettingsRig rig;
    QLineEdit* field = rig.w->Field(0);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, "-2a5 b00.5.-3x");
    QCOMPARE(field->text(), "2500.53");
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(field->text() == "1" && rig.Shows(0, 1));
  }

  // Opening fits the points file; keypad, typing and "F IT" reach the points, and a
  // failed fit only turns "F IT" red. A refused Save keeps the window with the entries and
  // names the file; once it can be written, Save writes the points, each with a count read
  // at its set-point, and the coefficients in use.
  void fitting() {
    for (const QString refused : {kPointsFile, kCoefficientFile}) {
      FittingRig rig;
      QCOMPARE(rig.Shown({"Text1", "Text2", "Text3_3", "Text4"}), "1.0|1.0| A3=1.0|±0.000");
      const std::string cube = rig.InUse();  // the record the measurement uses
      QVERIFY(!rig.FitRed() && std::abs(rig.station.calibration.Coef[3] - 1) < 1e-9);
      testing::Keys(rig.w->Keypad(), "9E");
      rig.station.values.SetPointThickness = 60;
      QTest::keyClicks(rig.w->findChild<QLineEdit*>("Text1"), "120.5");  // it has the focus
      QTest::keyClick(rig.w->findChild<QLineEdit*>("Text1"), Qt::Key_Return);
      testing::Click(rig.w, "Command5");  // two points only
      const QString shown = rig.Shown({"Text5", "Text1", "Text3_3"});
      QVERIFY(rig.FitRed() && shown == "3|27.0| A3=1.0" && rig.InUse() == cube);
      QFile::remove(rig.dir.filePath(refused));
      QVERIFY(QDir(rig.dir.path()).mkdir(refused));
      testing::Click(rig.w, "Command6");
      QVERIFY(rig.w->isVisible() && rig.w->SaveMessage().contains(rig.dir.filePath(refused)));
      auto* box = rig.w->findChild<QMessageBox*>();
      QVERIFY(box && box->isVisible() && box->text() == rig.w->SaveMessage());
      QVERIFY(rig.Shown({"Text5", "Text1", "Text3_3"}) == shown && rig.InUse() == cube);
      const std::string points = " 2 \r\n" + Point("9") + Point("120.5", 60);
      QCOMPARE(rig.File(kPointsFile), refused == kPointsFile ? "-" : points);
      box->close();
      QVERIFY(QDir(rig.dir.path()).rmdir(refused));
      testing::Click(rig.w, "Command6");
      QTRY_VERIFY(rig.w.isNull());
      QVERIFY(rig.File(kPointsFile) == points && rig.File(kCoefficientFile) == cube);
    }
  }

  // Save before any point was entered writes the coefficients and keeps the points file.
  void fittingSaveWithoutEntries() {
    FittingRig rig;
    rig.files.Replace(kPointsFile, "kept");
    testing::Click(rig.w, "Command6");
    QTRY_VERIFY(rig.w.isNull());
    QVERIFY(rig.File(kPointsFile) == "kept" && rig.File(kCoefficientFile) == rig.InUse());
  }

  // The list follows the directory and keeps the chosen file and its selection; a click on
  // the chosen file reads it again.
  void passFilesListAndSelection() {
    PassFilesRig rig(20);
    for (const char* name : {"10.pss", "QL_CFG.DAT", "04.PSS.bak"}) rig.Write(name, "x\r\n");
    QVERIFY(QDir(rig.dir.path()).mkdir("02.PSS"));
    rig.w->RefreshList();
    QVERIFY(rig.w->FileNames() == (QStringList{"04.PSS", "10.pss"}) && rig.w->Message().isEmpty());
    QCOMPARE(rig.w->Text(), QString(PassText(20)).replace("\r\n", "\n"));
    rig.w->TextBox()->Select({6, 16}, {6, 22});
    rig.Write("03.PSS", PassText(3));
    QTRY_COMPARE(rig.w->FileNames(), (QStringList{"03.PSS", "04.PSS", "10.pss"}));
    auto* list = rig.w->findChild<QListWidget*>();
    QVERIFY(list->currentRow() == 1 && list->item(1)->isSelected());  // 04.PSS
    QCOMPARE(rig.w->SelectedText(), "0118.6");
    rig.Write("04.PSS", " 000999\r\n", QIODevice::Append);
    QVERIFY(!rig.w->Text().contains("000999"));
    const QPoint item = list->visualItemRect(list->currentItem()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item);
    QTRY_VERIFY(rig.w->Text().endsWith(" 000999\n"));
    testing::Click(rig.w, "Command2");  // "Close" deletes the window
    QTRY_VERIFY(rig.w.isNull());
  }

  // An empty line opens every job; then the selection (anchor and caret: line, column), or the
  // whole text. A long file breaks into pages; with nothing loaded, an empty page.
  void passFilesPrint() {
    const std::array<std::size_t, 4> none{0, 0, 0, 0}, down{6, 16, 9, 22}, up{9, 22, 6, 16};
    for (auto [dataLines, selection, wholeText] : {std::tuple{10, none, false},
                                                   {10, down, false},
                                                   {10, up, false},
                                                   {10, down, true},
                                                   {300, none, false},
                                                   {-1, none, false}}) {
      PassFilesRig rig(dataLines);
      rig.w->TextBox()->Select({selection[0], selection[1]}, {selection[2], selection[3]});
      const bool all = wholeText || !rig.w->TextBox()->HasSelection();
      QStringList expected = ('\n' + (all ? rig.w->Text() : rig.w->SelectedText())).split('\n');
      while (!expected.isEmpty() && expected.last().isEmpty()) expected.removeLast();
      QPdfWriter pdf(rig.dir.filePath("out.pdf"));
      QVERIFY(rig.w->PrintTo(pdf, wholeText));
      int read = 0;
      QCOMPARE(ReadBack(pdf, rig.dir.filePath("out.pdf"), &read), expected);
      QVERIFY(dataLines > 100 ? read >= 4 && read <= 12 : read == 1);
    }
  }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
