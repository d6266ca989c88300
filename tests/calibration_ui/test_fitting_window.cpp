// The calibration window driven through its keypad, keyboard and buttons, offscreen.
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <optional>
#include <cmath>
#include <string>
#include <vector>

#include "calibration/CoefFile.h"
#include "widgets/GR1/GR1.h"
#include "calibration/PointsFile.h"
#include "calibration/ui/Fitting.h"
#include "app/Station.h"
#include "tests/support/FakePlatform.h"
#include "widgets/KP12/KP12.h"

namespace orlix {
namespace {

// A working directory in memory that can refuse to replace one chosen file.
const char kDirectory[] = "/srv/gauge";

class StationFiles final : public FileAccess {
 public:
  testing::MemoryFileAccess memory;
  std::string refuse;

  bool Exists(const std::string& name) override { return memory.Exists(name); }
  std::string Location() const override { return kDirectory; }
  std::optional<std::string> Read(const std::string& name, std::size_t maxBytes) override {
    return memory.Read(name, maxBytes);
  }
  bool Replace(const std::string& name, std::string_view contents) override {
    return name != refuse && memory.Replace(name, contents);
  }
  bool Append(const std::string& name, std::string_view contents) override {
    return memory.Append(name, contents);
  }
  std::vector<std::string> List(std::string_view suffix) override { return memory.List(suffix); }

  bool Has(const std::string& name) const { return memory.files.count(name) != 0; }
  std::string Text(const std::string& name) const { return memory.files.at(name); }
};

const std::string kCubeFile = " 4 \r\n1,1\r\n8,2\r\n27,3\r\n64,4\r\n";
const QList<double> kCube{0, 0, 0, 1};  // the cube file's coefficients
constexpr float kUniform = 0.5f;

// The count the station's source gives for a set-point, from a source of its own.
float PredictedCount(float mean) {
  testing::ReplayUniform uniform({kUniform});
  Stats stats(uniform);
  return stats.PoissonCount(mean);
}

QString Deviation(const char* digits) { return QChar(0x00B1) + QString::fromLatin1(digits); }

// The style shades the face, but a red one stays clearly red; the button face is grey.
bool IsRed(QPushButton* button) {
  const QImage image = button->grab().toImage();
  const QColor c = image.pixelColor(6, image.height() - 8);  // inside the face, clear of text
  return c.red() > 200 && c.red() - c.green() > 100 && c.red() - c.blue() > 100;
}

void SaveShot(QWidget* w, const QString& name) {
  const QString dir = qEnvironmentVariable("FITTING_SHOTS");
  if (!dir.isEmpty()) QVERIFY(w->grab().save(dir + QLatin1Char('/') + name));
}

struct Rig {
  StationFiles files;
  testing::FakeClock clock;
  testing::ReplayUniform uniform{{kUniform}};
  Station station{files, clock, uniform};
  QPointer<Fitting> window;

  Rig() {
    station.values.SetStartValues();
    station.ReadCoefficients();
  }
  ~Rig() { delete window.data(); }

  Fitting& Open() {
    window = new Fitting(station.calibration, station.daq, station.files);
    window->setAttribute(Qt::WA_DeleteOnClose);  // as the main window opens it
    window->show();
    return *window;
  }
  QLineEdit* Field(const char* name) const {
    auto* f = window->findChild<QLineEdit*>(QLatin1String(name));
    Q_ASSERT(f);
    return f;
  }
  QString Shown(const char* name) const { return Field(name)->text(); }
  QPushButton* Button(const char* name) const {
    auto* b = window->findChild<QPushButton*>(QLatin1String(name));
    Q_ASSERT(b);
    return b;
  }
  void Click(const char* name) const { QTest::mouseClick(Button(name), Qt::LeftButton); }
  // Keypad clicks: digits, "." and "E" for "Enter".
  void Type(const QString& keys) const {
    for (const QChar k : keys) {
      const int index = k == QLatin1Char('.')   ? kKeyPoint
                        : k == QLatin1Char('E') ? kKeyEnter
                                                : k.digitValue();
      QTest::mouseClick(window->Keypad()->Key(index), Qt::LeftButton);
    }
  }
  double Thickness(int point) const {
    return station.calibration.Thickness[static_cast<std::size_t>(point - 1)];
  }
  double Intensity(int point) const {
    return station.calibration.Intensity[static_cast<std::size_t>(point - 1)];
  }
};

// The coefficients file holds exactly the coefficients in use, and they are `want` within
// the fit's rounding.
bool SavedCoefficientsAre(const Rig& rig, const QList<double>& want) {
  const Coefficients& coef = rig.station.calibration.Coef;
  if (!rig.files.Has(kCoefficientFile) ||
      rig.files.Text(kCoefficientFile) != CoefFile::CoefficientText(coef)) {
    return false;
  }
  for (std::size_t k = 0; k < 4; ++k) {
    if (std::abs(coef[k] - want[static_cast<qsizetype>(k)]) > 1e-9) return false;
  }
  return true;
}

// Points 1..15 typed with distinct set-points, so their counts differ.
struct Entered {
  std::vector<int> thickness;
  std::vector<float> counts;
};

Entered EnterFifteen(Rig& rig) {
  Entered e;
  for (int i = 1; i <= 15; ++i) {
    const float mean = 40.0f + 25.0f * static_cast<float>(i);
    rig.station.values.SetPointThickness = mean;
    e.thickness.push_back(10 * i + (i * i) % 7);
    e.counts.push_back(PredictedCount(mean));
    rig.Type(QString::number(e.thickness.back()) + QLatin1Char('E'));
  }
  return e;
}

}  // namespace

class FittingWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void openingWithTheCubeFile() {
    Rig rig;
    rig.files.memory.files[kPointsFile] = kCubeFile;
    Fitting& w = rig.Open();
    QCOMPARE(w.windowTitle(), QStringLiteral("Orlix / Fitting"));
    QCOMPARE(rig.Shown("Text3_3"), QStringLiteral(" A3=1.0"));
    QCOMPARE(rig.Shown("Text3_0"), QStringLiteral(" A0=0.0"));
    QCOMPARE(rig.Shown("Text4"), Deviation("0.000"));
    QCOMPARE(rig.Shown("Text5"), QStringLiteral("1"));
    QCOMPARE(rig.Shown("Text1"), QStringLiteral("1.0"));
    QCOMPARE(rig.Shown("Text2"), QStringLiteral("1.0"));
    QCOMPARE(w.PointNumber(), std::int16_t{1});
    QCOMPARE(w.ShowingStored(), kTrue16);
    QCOMPARE(w.FitFailed(), kFalse16);
    QCOMPARE(w.IntensityMax(), 4.0);
    QCOMPARE(w.ThicknessMax(), 64.0);
    QVERIFY(!IsRed(rig.Button("Command5")));
    // The graph is framed for the ranges and holds the four points as circles.
    QCOMPARE(w.Graph()->Model().XRange(), 4.0f);
    QCOMPARE(w.Graph()->Model().YRange(), 64.0f);
    int circles = 0;
    for (const auto& m : w.Graph()->Model().Marks()) circles += m.kind == gr1::MarkKind::Circle;
    QCOMPARE(circles, 4);
    // The measurement uses the fit at once: thickness = count³.
    rig.station.settings[MeasurementMode] = kModeApproximation;
    float thickness = 0;
    rig.station.measure.MeasureThickness(thickness);
    const float count = PredictedCount(rig.station.values.SetPointThickness);
    QVERIFY(std::abs(thickness - count * count * count) <= 1e-5f * thickness);
    SaveShot(&w, QStringLiteral("fitting_open_cube.png"));
  }

  void typingStoresThePoint_data() {
    QTest::addColumn<bool>("keyboard");
    QTest::newRow("keypad") << false;
    QTest::newRow("keyboard") << true;
  }
  void typingStoresThePoint() {
    QFETCH(bool, keyboard);
    Rig rig;
    rig.files.memory.files[kPointsFile] = kCubeFile;
    Fitting& w = rig.Open();
    if (keyboard) {
      QTest::keyClicks(rig.Field("Text1"), QStringLiteral("120.5"));
      QCOMPARE(rig.Shown("Text1"), QStringLiteral("120.5"));
      QTest::keyClick(rig.Field("Text1"), Qt::Key_Return);
    } else {
      rig.Type(QStringLiteral("120.5E"));
    }
    QCOMPARE(rig.Thickness(1), 120.5);
    QCOMPARE(rig.Intensity(1), static_cast<double>(PredictedCount(120.0f)));
    QCOMPARE(w.PointNumber(), std::int16_t{2});
    QCOMPARE(rig.Shown("Text5"), QStringLiteral("2"));
    QCOMPARE(rig.Shown("Text1"), QStringLiteral("8.0"));
    QCOMPARE(rig.Shown("Text2"), QStringLiteral("2.0"));
    QCOMPARE(w.ShowingStored(), kTrue16);
  }

  void enterRightAfterOpeningRemeasuresPointOne() {
    Rig rig;
    rig.files.memory.files[kPointsFile] = " 2 \r\n1.26,7\r\n3,9\r\n";
    Fitting& w = rig.Open();
    QCOMPARE(rig.Shown("Text1"), QStringLiteral("1.3"));
    rig.Type(QStringLiteral("E"));
    QCOMPARE(rig.Thickness(1), 1.3);
    QCOMPARE(rig.Intensity(1), static_cast<double>(PredictedCount(120.0f)));
    QCOMPARE(w.PointNumber(), std::int16_t{2});
    QCOMPARE(rig.Shown("Text1"), QStringLiteral("3.0"));
  }

  void eightCharactersBlockKeysAndDelClears() {
    Rig rig;
    rig.files.memory.files[kPointsFile] = kCubeFile;
    Fitting& w = rig.Open();
    rig.Type(QStringLiteral("12345678"));
    QCOMPARE(rig.Shown("Text1"), QStringLiteral("12345678"));
    const long draws = rig.uniform.draws;
    rig.Type(QStringLiteral("9.E"));
    QTest::keyClick(rig.Field("Text1"), Qt::Key_Enter);
    QCOMPARE(rig.Shown("Text1"), QStringLiteral("12345678"));
    QCOMPARE(w.PointNumber(), std::int16_t{1});
    QCOMPARE(rig.uniform.draws, draws);  // no count taken
    rig.Click("Command4");
    QCOMPARE(rig.Shown("Text1"), QString());
    QCOMPARE(rig.Shown("Text2"), QString());
    QCOMPARE(rig.Thickness(1), 0.0);
    QCOMPARE(rig.Intensity(1), 0.0);
    rig.Type(QStringLiteral("5"));
    QCOMPARE(rig.Shown("Text1"), QStringLiteral("5"));
  }

  void fitWithPointNumberOneTurnsRed() {
    Rig rig;
    rig.files.memory.files[kPointsFile] = kCubeFile;
    Fitting& w = rig.Open();
    const Coefficients cube = rig.station.calibration.Coef;
    rig.Click("Command5");
    QVERIFY(IsRed(rig.Button("Command5")));
    QCOMPARE(w.FitFailed(), kTrue16);
    QCOMPARE(rig.station.calibration.PointCount, std::int16_t{0});
    // Only the button shows it: fields and coefficients in use stay.
    QVERIFY(rig.station.calibration.Coef == cube);
    QCOMPARE(rig.Shown("Text3_3"), QStringLiteral(" A3=1.0"));
    QCOMPARE(rig.Shown("Text4"), Deviation("0.000"));
    // A good fit restores the button face.
    for (int i = 1; i <= 4; ++i) {
      rig.station.values.SetPointThickness = 50.0f * static_cast<float>(i);
      rig.Type(QString::number(i * i * i) + QLatin1Char('E'));
    }
    rig.Click("Command5");
    QVERIFY(!IsRed(rig.Button("Command5")));
    QCOMPARE(w.FitFailed(), kFalse16);
  }

  void clearedPointAfterTheWrapCountsInTheDeviationNotTheFit() {
    Rig rig;
    Fitting& w = rig.Open();
    const Entered e = EnterFifteen(rig);
    QCOMPARE(w.PointNumber(), std::int16_t{1});
    QCOMPARE(rig.Shown("Text5"), QStringLiteral("1"));
    rig.Click("Command4");  // point 1 left empty
    rig.Click("Command5");
    QCOMPARE(rig.station.calibration.PointCount, std::int16_t{15});
    QVERIFY(!IsRed(rig.Button("Command5")));

    CalibrationData rest;  // points 2..15 alone
    rest.PointCount = 14;
    for (std::size_t i = 1; i < 15; ++i) {
      rest.Intensity[i - 1] = e.counts[i];
      rest.Thickness[i - 1] = e.thickness[i];
    }
    std::int16_t restFailed = kTrue16;
    QVERIFY(FitAndCommit(rest, restFailed));
    const std::optional<Coefficients> expected = rest.Coef;
    for (std::size_t k = 0; k < 4; ++k) {
      const double want = (*expected)[k];
      QVERIFY2(
          std::abs(rig.station.calibration.Coef[k] - want) <= 1e-12 * std::max(1.0, std::abs(want)),
          qPrintable(QString::number(k)));
    }
    // The empty point (0, 0) adds A0² and counts in n − 1 = 14.
    double sum = std::pow(EvalPoly3(*expected, 0.0), 2);
    const double a0Square = sum;
    for (std::size_t i = 1; i < 15; ++i) {
      sum += std::pow(EvalPoly3(*expected, e.counts[i]) - e.thickness[i], 2);
    }
    const std::string withEmpty = DeviationText(std::sqrt(sum / 14));
    QVERIFY(withEmpty != DeviationText(std::sqrt((sum - a0Square) / 13)));
    QCOMPARE(rig.Shown("Text4"), QString::fromStdString(withEmpty));
    SaveShot(&w, QStringLiteral("fitting_fifteen_points.png"));
  }

  void saveWritesBothFiles() {
    Rig rig;  // no points file: the opening fit fails and the coefficients in use stay
    rig.station.calibration.Coef = {61.0, -2.5, 0.0, 0.0};
    rig.Open();
    rig.Type(QStringLiteral("120.5E"));
    rig.Click("Command6");
    QTRY_VERIFY(rig.window.isNull());
    const int count = static_cast<int>(PredictedCount(120.0f));
    QCOMPARE(rig.files.Text(kPointsFile), " 1 \r\n120.5," + std::to_string(count) + "\r\n");
    QCOMPARE(rig.files.Text(kCoefficientFile), std::string("61,-2.5,0,0,"));
  }

  void saveAfterTheWrapWritesAllFifteenPoints() {
    Rig rig;
    rig.Open();
    const Entered e = EnterFifteen(rig);
    rig.Click("Command5");
    const Coefficients fitted = rig.station.calibration.Coef;
    rig.Click("Command6");
    QTRY_VERIFY(rig.window.isNull());
    std::string want = " 15 \r\n";
    for (std::size_t i = 0; i < 15; ++i) {
      want += std::to_string(e.thickness[i]) + "," + std::to_string(static_cast<int>(e.counts[i])) +
              "\r\n";
    }
    QCOMPARE(rig.files.Text(kPointsFile), want);
    QCOMPARE(rig.files.Text(kCoefficientFile), CoefFile::CoefficientText(fitted));
  }

  void saveBeforeAnyEntryKeepsThePointsFile_data() {
    QTest::addColumn<bool>("pointsFile");
    QTest::addColumn<QList<double>>("coefficients");
    QTest::newRow("cube points") << true << kCube;
    QTest::newRow("no points file") << false << QList<double>{61, -2.5, 0, 0};
  }
  void saveBeforeAnyEntryKeepsThePointsFile() {
    QFETCH(bool, pointsFile);
    QFETCH(QList<double>, coefficients);
    Rig rig;
    if (pointsFile) rig.files.memory.files[kPointsFile] = kCubeFile;
    rig.station.calibration.Coef = {61.0, -2.5, 0.0, 0.0};
    rig.Open();
    rig.Click("Command6");
    QTRY_VERIFY(rig.window.isNull());
    QCOMPARE(rig.files.Has(kPointsFile), pointsFile);
    if (pointsFile) QCOMPARE(rig.files.Text(kPointsFile), kCubeFile);
    QVERIFY(SavedCoefficientsAre(rig, coefficients));
  }

  void failedFitKeepsWhatTheMeasurementUses_data() {
    QTest::addColumn<bool>("pointsFile");
    QTest::addColumn<QString>("keys");  // then "F IT", unless empty
    QTest::addColumn<QList<double>>("coefficients");
    QTest::newRow("opening without points") << false << QString() << QList<double>{0, 1, 0, 0};
    QTest::newRow("fit at point 1") << true << QStringLiteral("") << kCube;
    QTest::newRow("two points") << true << QStringLiteral("5E6E") << kCube;
    QTest::newRow("three points") << true << QStringLiteral("5E6E7E") << kCube;
  }
  void failedFitKeepsWhatTheMeasurementUses() {
    QFETCH(bool, pointsFile);
    QFETCH(QString, keys);
    QFETCH(QList<double>, coefficients);
    Rig rig;
    if (pointsFile) rig.files.memory.files[kPointsFile] = kCubeFile;
    Fitting& w = rig.Open();
    const Coefficients before = rig.station.calibration.Coef;
    if (!keys.isNull()) {
      rig.Type(keys);
      rig.Click("Command5");
    }
    QVERIFY(IsRed(rig.Button("Command5")));
    QCOMPARE(w.FitFailed(), kTrue16);
    QVERIFY(rig.station.calibration.Coef == before);
    SaveShot(&w, QStringLiteral("fitting_failed_%1.png").arg(QTest::currentDataTag()));
    // The measurement goes on with the coefficients in use, not with zeros.
    rig.station.settings[MeasurementMode] = kModeApproximation;
    float thickness = 0;
    rig.station.measure.MeasureThickness(thickness);
    QCOMPARE(thickness, Measure::EvaluateCubic(before, PredictedCount(120.0f)));
    QVERIFY(thickness > 0.0f);
    rig.Click("Command6");
    QTRY_VERIFY(rig.window.isNull());
    QVERIFY(SavedCoefficientsAre(rig, coefficients));
  }

  void saveFailureKeepsTheWindowOpen_data() {
    QTest::addColumn<QString>("refused");
    QTest::newRow("points file") << QString::fromLatin1(kPointsFile);
    QTest::newRow("coefficients file") << QString::fromLatin1(kCoefficientFile);
  }
  void saveFailureKeepsTheWindowOpen() {
    QFETCH(QString, refused);
    Rig rig;
    rig.files.memory.files[kPointsFile] = kCubeFile;
    Fitting& w = rig.Open();
    rig.Type(QStringLiteral("120.5E7"));
    const Coefficients cube = rig.station.calibration.Coef;
    rig.files.refuse = refused.toStdString();
    rig.Click("Command6");

    QVERIFY(!rig.window.isNull());
    QVERIFY(w.isVisible());
    const QString where = QStringLiteral("/srv/gauge/") + refused;
    QVERIFY2(w.SaveMessage().contains(where), qPrintable(w.SaveMessage()));
    auto* box = w.findChild<QMessageBox*>(QStringLiteral("SaveMessage"));
    QVERIFY(box != nullptr);
    QVERIFY(box->isVisible());
    QCOMPARE(box->text(), w.SaveMessage());
    // Everything typed is still there, and the measurement goes on with the fit.
    QCOMPARE(rig.Shown("Text1"), QStringLiteral("7"));
    QCOMPARE(w.PointNumber(), std::int16_t{2});
    QCOMPARE(rig.Thickness(1), 120.5);
    QVERIFY(rig.station.calibration.Coef == cube);
    QVERIFY(!rig.files.Has(kCoefficientFile));
    const std::string points =
        " 1 \r\n120.5," + std::to_string(static_cast<int>(PredictedCount(120.0f))) + "\r\n";
    QCOMPARE(rig.files.Text(kPointsFile),
             refused == QLatin1String(kPointsFile) ? kCubeFile : points);
    SaveShot(box, QStringLiteral("fitting_save_failed_%1.png").arg(refused));

    // Once the file can be written, "Save" goes through.
    box->close();
    rig.files.refuse.clear();
    rig.Click("Command6");
    QTRY_VERIFY(rig.window.isNull());
    QCOMPARE(rig.files.Text(kPointsFile), points);
    QVERIFY(SavedCoefficientsAre(rig, kCube));
  }

  void closeWritesNothing() {
    Rig rig;
    rig.files.memory.files[kPointsFile] = kCubeFile;
    rig.Open();
    rig.Type(QStringLiteral("120.5E"));
    const int writes = rig.files.memory.writes;
    rig.Click("Command1");
    QTRY_VERIFY(rig.window.isNull());
    QCOMPARE(rig.files.memory.writes, writes);
    QCOMPARE(rig.files.Text(kPointsFile), kCubeFile);
  }
};

}  // namespace orlix

QTEST_MAIN(orlix::FittingWindowTest)
#include "test_fitting_window.moc"
