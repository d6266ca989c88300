#include <QLineEdit>
#include <QtTest>
#include <cmath>
#include <limits>

#include "widgets/AR1/AR1.h"
#include "widgets/common/Geometry.h"

using namespace orlix;

namespace {

const QColor kYellow(255, 255, 0);

QColor At(const QImage& image, double x, double y) {
  const double pixels = 4.0 / 3.0 * image.devicePixelRatio();
  return image.pixelColor(static_cast<int>(std::floor(x * pixels)),
                          static_cast<int>(std::floor(y * pixels)));
}

QStringList Labels(const AR1& w) {
  QStringList out;
  for (int i = 0; i < 5; ++i) {
    auto* f = w.findChild<QLineEdit*>(QStringLiteral("Text2_%1").arg(i));
    out << (f ? f->text() : QStringLiteral("<missing>"));
  }
  return out;
}

// The columns of the arrowhead's widest row in a picture of the whole gauge.
std::pair<int, int> ArrowColumns(const QImage& shot, int width, const QColor& background) {
  int first = -1;
  int last = -1;
  for (int x = 0; x < width; ++x) {
    if (shot.pixelColor(x, 0) != background) {
      if (first < 0) first = x;
      last = x;
    }
  }
  return {first, last};
}

}  // namespace

class TestAR1 : public QObject {
  Q_OBJECT

 private slots:
  void band_data();
  void band();
  void ticks();
  void arrowPosition_data();
  void arrowPosition();
  void tipOverTheMiddleLine();
  void refusedReads();
  void loadingOnlyStores();
  void controls();
  void saveShots();
};

void TestAR1::band_data() {
  QTest::addColumn<double>("ratio");
  QTest::addColumn<double>("x");
  QTest::addColumn<bool>("yellow");
  for (double ratio : {1.0, 2.0}) {
    for (double x : {59.9, 62.0, 66.0, 80.0, 96.0, 110.0, 118.2, 10.0, 58.0, 120.5, 170.0}) {
      const bool inside = x > 59 && x < 119;
      QTest::addRow("%s %g at ratio %g", inside ? "inside" : "outside", x, ratio)
          << ratio << x << inside;
    }
  }
}

void TestAR1::band() {
  QFETCH(double, ratio);
  QFETCH(double, x);
  QFETCH(bool, yellow);
  AR1 w;
  w.Surface()->SetPixelRatio(ratio);  // redrawn at the new ratio
  const QImage& img = w.Surface()->Image();
  QCOMPARE(img.size(), QSize(241, 65) * ratio);
  // Below the minor ticks only the major ones cross the band.
  QCOMPARE(At(img, x, 25) == kYellow, yellow);
  QCOMPARE(At(img, x, 16) == kYellow, yellow && std::fmod(x - 14.0, 3.0) > 0.7);
  QCOMPARE(At(img, x, 33) == kYellow, false);
}

void TestAR1::ticks() {
  AR1 w;
  w.Surface()->SetPixelRatio(1.0);
  const QImage& img = w.Surface()->Image();
  const QColor back = At(img, 5, 40);
  const QColor fore = w.palette().color(QPalette::ButtonText);
  QVERIFY(back != fore);
  auto dark = [&](double x, double y) {
    // A line one pixel wide lands on one of the two pixels around its coordinate.
    const double px = x * 4.0 / 3.0;
    const int row = static_cast<int>(std::floor(y * 4.0 / 3.0));
    return img.pixelColor(static_cast<int>(std::floor(px)), row) == fore ||
           img.pixelColor(static_cast<int>(std::floor(px)) - 1, row) == fore;
  };
  // The middle line runs from the top of the band to the thick tick's end, the others
  // only through the band and the thick stub below it.
  QVERIFY(dark(89, 16));
  QVERIFY(dark(89, 28.5));
  QVERIFY(dark(74, 25));
  QVERIFY(dark(74, 28.5));
  QVERIFY(dark(14, 28.5));
  QVERIFY(dark(164, 28.5));
  QVERIFY(!dark(74, 31.5));
  QVERIFY(!dark(89, 31.5));
  QVERIFY(!dark(89, 13.5));
  // Minor ticks: only down to 22.
  QVERIFY(dark(17, 20));
  QVERIFY(!dark(17, 25));
  // Thick stubs are three pixels wide.
  const int row = static_cast<int>(std::floor(28.5 * 4.0 / 3.0));
  int thick = 0;
  for (int x = 94; x < 106; ++x) thick += img.pixelColor(x, row) == fore;
  QCOMPARE(thick, 3);
}

void TestAR1::arrowPosition_data() {
  QTest::addColumn<float>("value");
  QTest::addColumn<int>("left");  // points
  QTest::newRow("middle") << 120.0f << 81;
  QTest::newRow("m + s") << 180.0f << 111;
  QTest::newRow("far above") << 1e9f << 156;
  QTest::newRow("far below") << -1e9f << 6;
  QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << 6;
  QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << 156;
}

void TestAR1::arrowPosition() {
  QFETCH(float, value);
  QFETCH(int, left);
  AR1 w;
  w.setCurrentValue(value);
  QCOMPARE(w.model().ArrowLeft(), left);
  QCOMPARE(w.Arrow()->geometry(), QRect(geometry::Px(left * 20), 0, 23, 19));
  QVERIFY(w.Arrow()->geometry().right() < w.Surface()->width());
}

void TestAR1::tipOverTheMiddleLine() {
  AR1 w;
  w.Surface()->SetPixelRatio(1.0);
  const QImage shot = w.grab().toImage();
  const QColor back = w.Surface()->Image().pixelColor(2, 2);
  const auto [first, last] = ArrowColumns(shot, w.Surface()->width(), back);
  QVERIFY(first >= 0);
  QCOMPARE(last - first + 1, 23);
  // The tip column sits on the middle line at 89 points.
  const double tip = (first + last) / 2.0;
  QVERIFY2(std::abs(tip - 89.0 * 4.0 / 3.0) <= 1.0, qPrintable(QString::number(tip)));
  // The tip's row is 18 pixels down and holds the arrow's colour only near the middle.
  int tipPixels = 0;
  for (int x = first; x <= last; ++x) tipPixels += shot.pixelColor(x, 17) != back;
  QVERIFY(tipPixels >= 1 && tipPixels <= 4);
}

void TestAR1::refusedReads() {
  AR1 w;
  w.setCurrentValue(150);
  try {
    (void)w.MidValue();
    QFAIL("MidValue was readable at run time");
  } catch (const PropertyError& e) {
    QCOMPARE(e.kind(), PropertyError::Kind::NotReadableAtRunTime);
  }
  try {
    (void)w.CurrentValue();
    QFAIL("CurrentValue was readable at run time");
  } catch (const PropertyError& e) {
    QCOMPARE(e.kind(), PropertyError::Kind::NotReadableAtRunTime);
  }
  QVERIFY_THROWS_EXCEPTION(PropertyError, w.property("CurrentValue"));
  QCOMPARE(w.property("Scalelength").toFloat(), 50.0f);
  QCOMPARE(w.model().CurrentValue(), 150.0f);
  QCOMPARE(w.model().ArrowLeft(), 96);
}

void TestAR1::loadingOnlyStores() {
  AR1 w;
  QCOMPARE(Labels(w), (QStringList{"-30", "60", "120", "180", "270"}));
  PropertyBag bag;
  bag.WriteProperty("MidValue", 50, 120);
  bag.WriteProperty("ScaleLength", 10, 50);
  bag.WriteProperty("CurrentValue", 52, 120);
  w.ReadProperties(bag);
  QCOMPARE(w.model().MidValue(), 50.0f);
  QCOMPARE(Labels(w)[2], QStringLiteral("120"));
  QCOMPARE(w.Arrow()->x(), geometry::Px(81 * 20));
  PropertyBag out;
  w.WriteProperties(out);
  QCOMPARE(out.Values().size(), std::size_t{3});
  QCOMPARE(out.ReadProperty("MidValue", 0), 50.0);
  // Setting relabels.
  w.setMidValue(50);
  w.setScalelength(10);
  QCOMPARE(Labels(w), (QStringList{"37.5", "45.0", "50.0", "55.0", "62.5"}));
}

void TestAR1::controls() {
  AR1 w;
  QCOMPARE(w.sizeHint(), QSize(243, 70));
  QCOMPARE(w.Surface()->objectName(), QStringLiteral("IB"));
  QCOMPARE(w.Surface()->toolTip(), QStringLiteral("Gauge"));
  QCOMPARE(w.Surface()->geometry(), QRect(0, 0, 241, 65));
  const int lefts[] = {0, 64, 104, 144, 208};
  for (int i = 0; i < 5; ++i) {
    auto* f = w.findChild<QLineEdit*>(QStringLiteral("Text2_%1").arg(i));
    QVERIFY(f);
    QCOMPARE(f->geometry(), QRect(lefts[i], 48, 33, 13));
    QVERIFY(f->isReadOnly());
    QVERIFY(!f->accessibleName().isEmpty());
  }
  QCOMPARE(w.Arrow()->objectName(), QStringLiteral("Arrow"));
  QCOMPARE(AR1::PropertyDescription("MidValue"), QStringLiteral("Sets the middle of the scale."));
}

void TestAR1::saveShots() {
  const QString dir = qEnvironmentVariable("ORLIX_SHOTS");
  if (dir.isEmpty()) QSKIP("set ORLIX_SHOTS to a folder to save pictures");
  AR1 w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.Surface()->SetPixelRatio(1.0);
  QVERIFY(w.grab().save(dir + "/ar1-creation.png"));
  w.setScalelength(40);
  w.setCurrentValue(131.5f);
  QVERIFY(w.grab().save(dir + "/ar1-value.png"));
  w.setCurrentValue(1e9f);
  QVERIFY(w.grab().save(dir + "/ar1-above.png"));
  w.setMidValue(50);
  w.setScalelength(10);
  w.setCurrentValue(47.2f);
  QVERIFY(w.grab().save(dir + "/ar1-50-10.png"));
  w.Surface()->SetPixelRatio(2.0);
  QVERIFY(w.Surface()->Image().save(dir + "/ar1-surface-ratio2.png"));
}

QTEST_MAIN(TestAR1)
#include "test_ar1_widget.moc"
