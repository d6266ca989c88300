#include <QLineEdit>
#include <QMouseEvent>
#include <QtTest>
#include <cmath>
#include <limits>

#include "widgets/HI1/HI1.h"

using namespace orlix;

namespace {

const QColor kNavy(0, 0, 128);
const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);
const QColor kPaleYellow(255, 255, 128);  // yellow OR-ed over navy

// The colour at a point (x, y in points) of the surface's picture.
QColor At(const QImage& image, double x, double y) {
  const double pixels = 4.0 / 3.0 * image.devicePixelRatio();
  return image.pixelColor(static_cast<int>(std::floor(x * pixels)),
                          static_cast<int>(std::floor(y * pixels)));
}

// The middle of display unit n of bar k.
QColor UnitColor(const HI1& w, int bin, int height) {
  const auto u = histogram::UnitOf(bin, height, w.Surface()->HeightUnits());
  return At(w.Surface()->Image(), (u.x1 + u.x2) / 2.0, u.y - 0.25);
}

QString Field(const HI1& w, const QString& name) {
  auto* field = w.findChild<QLineEdit*>(name);
  return field ? field->text() : QStringLiteral("<missing>");
}

// A histogram freshly reset on the 120/40 scale, drawn at pixel ratio 1.
struct Rig {
  HI1 w;
  Rig() {
    w.Surface()->SetPixelRatio(1.0);
    w.ResetHisto();
  }
  void Add(float value, int times) {
    for (int i = 0; i < times; ++i) w.setCurrentValue(value);
  }
};

}  // namespace

class TestHI1 : public QObject {
  Q_OBJECT

 private slots:
  void unitColours_data();
  void unitColours();
  void frame();
  void readouts_data();
  void readouts();
  void controls();
  void pointerReadout();
  void refusedAccesses();
  void loadingOnlyStores();
  void demonstrationAtCreation();
  void anyValueIsSafe();
  void saveShots();
};

void TestHI1::unitColours_data() {
  QTest::addColumn<double>("ratio");
  QTest::addColumn<int>("bin");
  QTest::addColumn<int>("height");
  QTest::addColumn<QColor>("colour");
  // Bin 20 holds a yellow bar of 12 units with one blue unit over it; bin 30 two blue units.
  for (double ratio : {1.0, 2.0}) {
    const QByteArray r = ratio == 1.0 ? "" : " (redrawn at ratio 2)";
    QTest::newRow("blue over yellow is white" + r) << ratio << 20 << 1 << kWhite;
    QTest::newRow("yellow over navy" + r) << ratio << 20 << 2 << kPaleYellow;
    QTest::newRow("top yellow unit" + r) << ratio << 20 << 12 << kPaleYellow;
    QTest::newRow("above the yellow bar" + r) << ratio << 20 << 13 << kNavy;
    QTest::newRow("blue over navy" + r) << ratio << 30 << 2 << kBlue;
    QTest::newRow("above the blue bar" + r) << ratio << 30 << 3 << kNavy;
  }
}

void TestHI1::unitColours() {
  QFETCH(double, ratio);
  QFETCH(int, bin);
  QFETCH(int, height);
  QFETCH(QColor, colour);
  Rig rig;
  rig.Add(96.5f, 126);  // bin 20: the first rescale leaves 12 yellow units
  QCOMPARE(rig.w.model().RescaleNumber(), 2);
  rig.Add(96.5f, 1);
  rig.Add(144.5f, 2);  // bin 30
  rig.w.Surface()->SetPixelRatio(ratio);
  QCOMPARE(rig.w.Surface()->Image().width(), qRound(241 * ratio));
  QCOMPARE(UnitColor(rig.w, bin, height), colour);
}

void TestHI1::frame() {
  Rig rig;
  const QImage& img = rig.w.Surface()->Image();
  QCOMPARE(img.size(), QSize(241, 193));
  // Outline: left, right, top and bottom; navy inside.
  QCOMPARE(At(img, 14.2, 60), kWhite);
  QCOMPARE(At(img, 167.3, 60), kWhite);
  QCOMPARE(At(img, 40, 1.9), kWhite);
  QCOMPARE(At(img, 40, 130.9), kWhite);
  QCOMPARE(At(img, 40, 60), kNavy);
  // The solid middle line runs the whole height, the dotted ones have gaps.
  int middle = 0;
  int dotted = 0;
  for (int y = 4; y < 170; ++y) {
    middle += img.pixelColor(118, y) == kWhite || img.pixelColor(119, y) == kWhite;
    dotted += img.pixelColor(78, y) == kWhite || img.pixelColor(79, y) == kWhite;
  }
  QCOMPARE(middle, 166);
  QVERIFY2(dotted > 40 && dotted < 140, qPrintable(QString::number(dotted)));
  // Horizontal lines at 42 and 84 units, none at 126.
  QCOMPARE(At(img, 40, 88.2), kWhite);
  QCOMPARE(At(img, 40, 46.2), kWhite);
  QCOMPARE(At(img, 40, 4.2), kNavy);
  // Yellow unit labels (smoothed into the navy) left and right of the frame, tops at 4,
  // 46 and 88 points.
  auto yellowish = [&img](int x0, int x1, double topPt) {
    int n = 0;
    const int top = static_cast<int>(topPt * 4.0 / 3.0);
    for (int y = top; y < top + 12; ++y) {
      for (int x = x0; x < x1; ++x) {
        const QColor c = img.pixelColor(x, y);
        n += c.red() > 160 && c.green() > 160 && c.blue() < 100;
      }
    }
    return n;
  };
  for (double top : {4.0, 46.0, 88.0}) {
    QVERIFY(yellowish(0, 18, top) > 5);
    QVERIFY(yellowish(224, 241, top) > 5);
  }
  QCOMPARE(yellowish(0, 18, 110.0), 0);
}

void TestHI1::readouts_data() {
  QTest::addColumn<float>("mid");
  QTest::addColumn<float>("scale");
  QTest::addColumn<QList<float>>("values");
  QTest::addColumn<QStringList>("texts");  // Text2, Text3, Text1, Text4(0..4)
  QTest::newRow("reset") << 120.0f << 40.0f << QList<float>{}
                         << QStringList{"AV=0.0", "S=\u00B10.0", "#1",  "0",
                                        "72",     "120",         "168", "240"};
  QTest::newRow("100 then 102") << 120.0f << 40.0f << QList<float>{100, 102}
                                << QStringList{"AV=101.0", "S=\u00B10.71", "#1",  "0",
                                               "72",       "120",          "168", "240"};
  QTest::newRow("50/10") << 50.0f << 10.0f << QList<float>{51.25f}
                         << QStringList{"AV=51.3", "S=\u00B10.0", "#1",   "37.5",
                                        "45.0",    "50.0",        "55.0", "62.5"};
}

void TestHI1::readouts() {
  QFETCH(float, mid);
  QFETCH(float, scale);
  QFETCH(QList<float>, values);
  QFETCH(QStringList, texts);
  Rig rig;
  rig.Add(130.0f, 3);  // cleared by the scale set-up below
  rig.w.setMidValue(mid);
  rig.w.setScalelength(scale);
  for (float v : values) rig.w.setCurrentValue(v);
  const QStringList names{"Text2",   "Text3",   "Text1",   "Text4_0",
                          "Text4_1", "Text4_2", "Text4_3", "Text4_4"};
  for (int i = 0; i < names.size(); ++i) QCOMPARE(Field(rig.w, names[i]), texts[i]);
}

void TestHI1::controls() {
  HI1 w;
  QCOMPARE(w.sizeHint(), QSize(243, 194));
  QCOMPARE(w.Surface()->geometry(), QRect(0, 0, 241, 193));
  struct Expect {
    const char* name;
    QRect rect;
    const char* hint;
    QColor back;
  };
  const Expect fields[] = {
      {"Text2", QRect(24, 8, 57, 13), "Average", QColor(64, 0, 64)},
      {"Text3", QRect(96, 8, 49, 13), "MS Deviation", QColor(64, 0, 64)},
      {"Text1", QRect(176, 8, 25, 13), "Counter", QColor(0, 0, 0)},
      {"Text4_4", QRect(208, 176, 33, 13), "", kNavy},
  };
  for (const Expect& e : fields) {
    auto* f = w.findChild<QLineEdit*>(QString::fromLatin1(e.name));
    QVERIFY2(f, e.name);
    QCOMPARE(f->geometry(), e.rect);
    QCOMPARE(f->toolTip(), QString::fromLatin1(e.hint));
    QVERIFY(f->isReadOnly() && !f->accessibleName().isEmpty());
    QCOMPARE(f->palette().color(QPalette::Base), e.back);
  }
  QCOMPARE(HI1::PropertyDescription("Msdeviation"),
           QStringLiteral("Returns the MS \r\ndeviation of the\r\nhistogram."));
}

void TestHI1::pointerReadout() {
  Rig rig;
  rig.Add(135.0f, 3);  // bin 28
  auto* ib = rig.w.Surface();
  auto move = [ib](double xPt, double yPt) {
    const QPointF pos(xPt * 4.0 / 3.0, yPt * 4.0 / 3.0);
    QMouseEvent ev(QEvent::MouseMove, pos, ib->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(ib, &ev);
  };
  move(100, 50);
  QCOMPARE(ib->toolTip(), QStringLiteral("X=134.4 N=3"));
  move(5, 50);  // left of the frame: the hint stays
  QCOMPARE(ib->toolTip(), QStringLiteral("X=134.4 N=3"));
  move(30, 100);
  QCOMPARE(ib->toolTip(), QStringLiteral("X=24.0 N=0"));
}

void TestHI1::refusedAccesses() {
  Rig rig;
  rig.Add(100.0f, 1);
  rig.Add(102.0f, 1);
  QVERIFY_THROWS_EXCEPTION(PropertyError, rig.w.setAverage(7.0f));
  QVERIFY_THROWS_EXCEPTION(PropertyError, rig.w.setMsdeviation(7.0f));
  QVERIFY(!rig.w.setProperty("Average", 5.0f));  // read-only for the meta-object system too
  QCOMPARE(rig.w.Average(), 101.0f);
  QCOMPARE(Field(rig.w, "Text2"), QStringLiteral("AV=101.0"));

  // The refusal also reaches callers that go through the meta-object system.
  rig.w.setHistoIndex(51);
  QVERIFY_THROWS_EXCEPTION(PropertyError, rig.w.property("HistoY"));
  QVERIFY_THROWS_EXCEPTION(PropertyError, rig.w.HistoX());
  rig.w.setHistoIndex(20);
  QCOMPARE(rig.w.property("HistoY").toInt(), 1);
  QCOMPARE(rig.w.property("HistoX").toFloat(), 96.0f);
}

void TestHI1::loadingOnlyStores() {
  Rig rig;
  rig.Add(121.0f, 4);
  const QImage before = rig.w.Surface()->Image().copy();
  PropertyBag bag;
  bag.WriteProperty("MidValue", 50, 120);
  bag.WriteProperty("ScaleLength", 10, 40);
  rig.w.ReadProperties(bag);
  QCOMPARE(rig.w.MidValue(), 50.0f);
  QCOMPARE(rig.w.Surface()->Image(), before);
  QCOMPARE(Field(rig.w, "Text4_2"), QStringLiteral("120"));
  QCOMPARE(Field(rig.w, "Text2"), QStringLiteral("AV=121.0"));
  PropertyBag out;
  rig.w.WriteProperties(out);
  // A key missing from the bag reads as its default: CurrentValue is 120 again.
  QCOMPARE(rig.w.CurrentValue(), 120.0f);
  QCOMPARE(out.Values().size(), std::size_t{2});
}

void TestHI1::demonstrationAtCreation() {
  HI1 w;
  w.Surface()->SetPixelRatio(1.0);  // redrawn from the model
  QCOMPARE(Field(w, "Text1"), QStringLiteral("#1"));
  QCOMPARE(Field(w, "Text2"), QStringLiteral("AV=120.0"));
  QCOMPARE(UnitColor(w, 25, 79), kBlue);
  QCOMPARE(UnitColor(w, 25, 80), kNavy);
  w.ResetHisto();
  QCOMPARE(UnitColor(w, 25, 1), kNavy);
}

void TestHI1::anyValueIsSafe() {
  Rig rig;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float v : {nan, inf, -inf, 3e38f, -3e38f, 0.0f}) rig.w.setCurrentValue(v);
  QCOMPARE(UnitColor(rig.w, 0, 4), kBlue);
  QCOMPARE(UnitColor(rig.w, 50, 2), kBlue);
  for (float mid : {nan, inf, -inf, 3e38f, 0.0f, -50.0f}) {
    rig.w.setMidValue(mid);
    for (float v : {nan, inf, 1.0f, -1e30f}) rig.w.setCurrentValue(v);
    rig.w.setScalelength(-300.0f);
    rig.w.setCurrentValue(mid);
  }
  QCOMPARE(rig.w.Surface()->Image().size(), QSize(241, 193));
}

void TestHI1::saveShots() {
  const QString dir = qEnvironmentVariable("ORLIX_SHOTS");
  if (dir.isEmpty()) QSKIP("set ORLIX_SHOTS to a folder to save pictures");
  {
    HI1 w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.grab().save(dir + "/hi1-demonstration.png"));
  }
  Rig rig;
  rig.w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&rig.w));
  rig.w.Surface()->SetPixelRatio(1.0);
  quint32 seed = 7;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / 16777216.0f;
  };
  for (int i = 0; i < 2500; ++i) {
    rig.w.setCurrentValue(122.0f + (next() + next() + next() + next() - 2.0f) * 30.0f);
  }
  QVERIFY(rig.w.grab().save(dir + "/hi1-values.png"));
  rig.w.Surface()->SetPixelRatio(2.0);
  QVERIFY(rig.w.Surface()->Image().save(dir + "/hi1-values-surface-ratio2.png"));
}

QTEST_MAIN(TestHI1)
#include "test_hi1_widget.moc"
