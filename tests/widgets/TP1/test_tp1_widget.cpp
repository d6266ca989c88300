#include <QLabel>
#include <QMetaProperty>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>

#include "widgets/TP1/TP1.h"
#include "widgets/common/HoldRepeat.h"
#include "widgets/common/RetainedSurface.h"

using orlix::PropertyBag;
using orlix::TP1;

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kYellow = qRgb(255, 255, 0);

QRgb Pixel(const TP1& plot, int x, int y) {
  return plot.Canvas()->Image().pixel(x, y) | 0xff000000u;
}

// A plot with a fresh scale for 120 / 50 on a back buffer of ratio 1.
void Prepare(TP1& plot) {
  plot.Canvas()->SetPixelRatio(1.0);
  plot.setMidValue(120);
  plot.setScalelength(50);
}

}  // namespace

class TP1Test : public QObject {
  Q_OBJECT

 private slots:
  void layout();
  void properties();
  void scaleIsDrawnAtItsCoordinates();
  void barEnds_data();
  void barEnds();
  void barsAreOredIntoTheScale();
  void settingTheScaleClearsTheBars_data();
  void settingTheScaleClearsTheBars();
  void fullCanvasStartsAgainAtTheLeftEdge();
  void demonstrationTraceAtCreation();
  void loadingOnlyStores();
  void extremeValuesStayOnTheCanvas_data();
  void extremeValuesStayOnTheCanvas();
  void sharpOnHighDpi();
  void clickScrollsOnePixel_data();
  void clickScrollsOnePixel();
  void holdScrollsAndStopsAtTheEdges_data();
  void holdScrollsAndStopsAtTheEdges();
};

void TP1Test::layout() {
  TP1 plot;
  auto* canvas = plot.findChild<orlix::ui::RetainedSurface*>(QStringLiteral("PAP"));
  auto* viewport = plot.findChild<QWidget*>(QStringLiteral("IB"));
  auto* right = plot.findChild<QPushButton*>(QStringLiteral("SCR"));
  auto* left = plot.findChild<QPushButton*>(QStringLiteral("SCL"));
  auto* label = plot.findChild<QLabel*>(QStringLiteral("Label1"));
  auto* timer = plot.findChild<orlix::ui::HoldRepeat*>(QStringLiteral("Timer1"));
  QVERIFY(canvas && viewport && right && left && label && timer);
  QCOMPARE(canvas->parentWidget(), viewport);
  QCOMPARE(canvas->geometry(), QRect(0, 0, 601, 65));
  QCOMPARE(viewport->geometry(), QRect(0, 16, 289, 65));
  QCOMPARE(label->text(), QStringLiteral("Deviations"));
  QCOMPARE(canvas->toolTip(), QStringLiteral("Deviations"));
  QCOMPARE(right->toolTip(), QStringLiteral("Scroll right"));
  QCOMPARE(left->toolTip(), QStringLiteral("Scroll left"));
  QCOMPARE(right->accessibleName(), QStringLiteral("Scroll right"));
  QCOMPARE(left->accessibleName(), QStringLiteral("Scroll left"));
  QVERIFY(!right->icon().isNull());
  QVERIFY(!left->icon().isNull());
  QCOMPARE(right->size(), QSize(25, 25));
  QCOMPARE(timer->Interval(), 20);
  QCOMPARE(plot.sizeHint(), QSize(331, 83));
}

void TP1Test::properties() {
  TP1 plot;
  for (const char* name : {"MidValue", "Scalelength", "CurrentValue"}) {
    const QMetaProperty property =
        plot.metaObject()->property(plot.metaObject()->indexOfProperty(name));
    QVERIFY2(property.isValid(), name);
    QCOMPARE(property.metaType().id(), int(QMetaType::Float));
    QVERIFY(!TP1::PropertyHelp(QString::fromLatin1(name)).isEmpty());
  }
  QVERIFY(plot.setProperty("MidValue", 100.0f));
  QVERIFY(plot.setProperty("CurrentValue", 110.0f));
  QCOMPARE(plot.MidValue(), 100.0f);
  QCOMPARE(plot.property("CurrentValue").toFloat(), 110.0f);
  QCOMPARE(TP1::PropertyHelp(QStringLiteral("Scalelength")),
           QStringLiteral("Sets the length of the scale\r\n(1-40%)."));
}

void TP1Test::scaleIsDrawnAtItsCoordinates() {
  TP1 plot;
  Prepare(plot);
  QCOMPARE(plot.Canvas()->Image().size(), QSize(601, 65));
  QCOMPARE(Pixel(plot, 0, 32), kWhite);
  QCOMPARE(Pixel(plot, 600, 32), kWhite);
  QCOMPARE(Pixel(plot, 1, 31), kBlack);
  QCOMPARE(Pixel(plot, 1, 33), kBlack);
  // Long ticks from y0 - 7 to y0 + 25 (end excluded), short ones from y0 - 3 to y0 + 3.
  QCOMPARE(Pixel(plot, 100, 25), kWhite);
  QCOMPARE(Pixel(plot, 100, 24), kBlack);
  QCOMPARE(Pixel(plot, 100, 56), kWhite);
  QCOMPARE(Pixel(plot, 100, 57), kBlack);
  QCOMPARE(Pixel(plot, 105, 29), kWhite);
  QCOMPARE(Pixel(plot, 105, 28), kBlack);
  QCOMPARE(Pixel(plot, 105, 34), kWhite);
  QCOMPARE(Pixel(plot, 105, 35), kBlack);
  QCOMPARE(Pixel(plot, 597, 29), kBlack);
  // The numbers are yellow, to the right of their tick and below the short ticks.
  for (int x : {50, 300, 550}) {
    int yellow = 0;
    for (int px = x + 2; px < x + 20; ++px) {
      for (int py = 36; py < 65; ++py) {
        if (Pixel(plot, px, py) == kYellow) {
          ++yellow;
          QVERIFY(py >= 49);
        }
      }
    }
    QVERIFY2(yellow > 5, qPrintable(QString::number(x)));
  }
}

void TP1Test::barEnds_data() {
  QTest::addColumn<float>("value");
  QTest::addColumn<int>("top");     // first blue row
  QTest::addColumn<int>("bottom");  // last blue row
  QTest::newRow("one S up") << 180.0f << 21 << 31;
  QTest::newRow("two S down") << 0.0f << 33 << 55;
  QTest::newRow("clamped up") << 400.0f << 3 << 31;
  QTest::newRow("clamped down") << -1e6f << 33 << 61;
  QTest::newRow("on the set-point") << 120.0f << 32 << 31;
}

void TP1Test::barEnds() {
  QFETCH(float, value);
  QFETCH(int, top);
  QFETCH(int, bottom);
  TP1 plot;
  Prepare(plot);
  plot.setCurrentValue(value);
  QCOMPARE(plot.CurrentValue(), value);
  const int x = 1;
  for (int y = 0; y < 65; ++y) {
    const QRgb expected = y == 32 ? kWhite : (y >= top && y <= bottom ? kBlue : kBlack);
    QVERIFY2(Pixel(plot, x, y) == expected, qPrintable(QStringLiteral("row %1").arg(y)));
  }
  QCOMPARE(Pixel(plot, 2, 20), kBlack);  // only one bar is drawn
  QCOMPARE(Pixel(plot, 2, 40), kBlack);
}

void TP1Test::barsAreOredIntoTheScale() {
  TP1 plot;
  Prepare(plot);
  // A pure yellow pixel of the number 50 and the column it sits in.
  QPoint yellow(-1, -1);
  for (int x = 52; x < 70 && yellow.x() < 0; ++x) {
    for (int y = 49; y < 62; ++y) {
      if (Pixel(plot, x, y) == kYellow) {
        yellow = QPoint(x, y);
        break;
      }
    }
  }
  QVERIFY(yellow.x() > 0);
  for (int x = 1; x <= yellow.x(); ++x) plot.setCurrentValue(-1000);  // 30 down
  QCOMPARE(Pixel(plot, yellow.x(), yellow.y()), kWhite);              // blue over yellow
  QCOMPARE(Pixel(plot, 50, 40), kWhite);                              // blue over a white tick
  QCOMPARE(Pixel(plot, 5, 34), kWhite);
  QCOMPARE(Pixel(plot, 5, 35), kBlue);
  QCOMPARE(Pixel(plot, 51, 40), kBlue);
}

void TP1Test::settingTheScaleClearsTheBars_data() {
  QTest::addColumn<QByteArray>("property");
  QTest::addColumn<float>("value");
  QTest::newRow("same scale length") << QByteArray("Scalelength") << 50.0f;
  QTest::newRow("new scale length") << QByteArray("Scalelength") << 20.0f;
  QTest::newRow("same middle value") << QByteArray("MidValue") << 120.0f;
  QTest::newRow("reset") << QByteArray() << 0.0f;
}

void TP1Test::settingTheScaleClearsTheBars() {
  QFETCH(QByteArray, property);
  QFETCH(float, value);
  TP1 plot;
  Prepare(plot);
  plot.setCurrentValue(180);
  plot.setCurrentValue(180);
  QCOMPARE(Pixel(plot, 2, 25), kBlue);
  if (property.isEmpty()) {
    plot.ResetPlot();
  } else {
    QVERIFY(plot.setProperty(property.constData(), value));
  }
  QCOMPARE(Pixel(plot, 2, 25), kBlack);
  QCOMPARE(Pixel(plot, 1, 25), kBlack);
  QCOMPARE(plot.Model().Counter(), 0);
  plot.setCurrentValue(plot.MidValue());
  QCOMPARE(plot.Model().Counter(), 1);
}

void TP1Test::fullCanvasStartsAgainAtTheLeftEdge() {
  TP1 plot;
  Prepare(plot);
  for (int i = 0; i < 599; ++i) plot.setCurrentValue(180);
  QCOMPARE(Pixel(plot, 599, 25), kBlue);
  QCOMPARE(Pixel(plot, 0, 25), kBlack);
  plot.setCurrentValue(0);
  QCOMPARE(Pixel(plot, 599, 25), kBlack);
  QCOMPARE(Pixel(plot, 0, 40), kBlue);
  QCOMPARE(Pixel(plot, 0, 25), kBlack);
  QCOMPARE(Pixel(plot, 300, 32), kWhite);  // the scale is back
}

void TP1Test::demonstrationTraceAtCreation() {
  TP1 plot;
  plot.Canvas()->SetPixelRatio(1.0);
  QCOMPARE(plot.Model().Counter(), 599);
  QCOMPARE(plot.Canvas()->pos(), QPoint(0, 0));
  int peaks = 0;
  for (const auto& bar : plot.Model().Bars()) {
    if (bar.d == 12 && bar.x % 5 != 0) {
      ++peaks;
      QCOMPARE(Pixel(plot, bar.x, 21), kBlue);
      QCOMPARE(Pixel(plot, bar.x, 20), kBlack);
    }
  }
  QVERIFY(peaks >= 4);
  // The properties keep their defaults.
  QCOMPARE(plot.MidValue(), 120.0f);
  QCOMPARE(plot.Scalelength(), 50.0f);
}

void TP1Test::loadingOnlyStores() {
  TP1 plot;
  plot.Canvas()->SetPixelRatio(1.0);
  const QImage before = plot.Canvas()->Image().copy();
  PropertyBag bag;
  bag.WriteProperty("MidValue", 80, 120);
  bag.WriteProperty("Scalelength", 10, 50);
  bag.WriteProperty("CurrentValue", 85, 0);
  plot.ReadProperties(bag);
  QCOMPARE(plot.MidValue(), 80.0f);
  QCOMPARE(plot.Scalelength(), 10.0f);
  QCOMPARE(plot.CurrentValue(), 85.0f);
  QCOMPARE(plot.Canvas()->Image(), before);
  PropertyBag saved;
  plot.WriteProperties(saved);
  QCOMPARE(saved.Values(), bag.Values());
}

void TP1Test::extremeValuesStayOnTheCanvas_data() {
  QTest::addColumn<float>("mid");
  QTest::addColumn<float>("scale");
  QTest::addColumn<float>("value");
  QTest::addColumn<int>("top");
  QTest::addColumn<int>("bottom");
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  QTest::newRow("+inf") << 120.0f << 50.0f << inf << 3 << 31;
  QTest::newRow("-inf") << 120.0f << 50.0f << -inf << 33 << 61;
  QTest::newRow("NaN value") << 120.0f << 50.0f << nan << 33 << 61;
  QTest::newRow("NaN middle") << nan << 50.0f << 120.0f << 33 << 61;
  QTest::newRow("zero middle") << 0.0f << 50.0f << 1.0f << 21 << 31;
}

void TP1Test::extremeValuesStayOnTheCanvas() {
  QFETCH(float, mid);
  QFETCH(float, scale);
  QFETCH(float, value);
  QFETCH(int, top);
  QFETCH(int, bottom);
  TP1 plot;
  plot.Canvas()->SetPixelRatio(1.0);
  plot.setMidValue(mid);
  plot.setScalelength(scale);
  plot.setCurrentValue(value);
  QCOMPARE(Pixel(plot, 1, top), kBlue);
  QCOMPARE(Pixel(plot, 1, bottom), kBlue);
  QCOMPARE(Pixel(plot, 1, top - 1), top - 1 == 32 ? kWhite : kBlack);
  QCOMPARE(Pixel(plot, 1, bottom + 1), bottom + 1 == 32 ? kWhite : kBlack);
}

void TP1Test::sharpOnHighDpi() {
  TP1 plot;
  plot.Canvas()->SetPixelRatio(2.0);
  plot.ResetPlot();
  plot.setCurrentValue(180);
  const QImage& image = plot.Canvas()->Image();
  QCOMPARE(image.size(), QSize(1202, 130));
  // The bar at x = 1 covers device columns 2 and 3, rows 42 to 63 above the centre line.
  QCOMPARE(image.pixel(2, 42) | 0xff000000u, kBlue);
  QCOMPARE(image.pixel(3, 42) | 0xff000000u, kBlue);
  QCOMPARE(image.pixel(4, 42) | 0xff000000u, kBlack);
  QCOMPARE(image.pixel(2, 41) | 0xff000000u, kBlack);
  QCOMPARE(image.pixel(2, 64) | 0xff000000u, kWhite);
  QCOMPARE(image.pixel(2, 65) | 0xff000000u, kWhite);
  QCOMPARE(image.pixel(2, 66) | 0xff000000u, kBlack);
}

void TP1Test::clickScrollsOnePixel_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("start");
  QTest::addColumn<int>("expected");
  QTest::newRow("left from 0") << QStringLiteral("SCL") << 0 << -1;
  QTest::newRow("right from -5") << QStringLiteral("SCR") << -5 << -4;
  QTest::newRow("right at 0") << QStringLiteral("SCR") << 0 << 0;
  QTest::newRow("left at the end") << QStringLiteral("SCL") << -312 << -312;
}

void TP1Test::clickScrollsOnePixel() {
  QFETCH(QString, button);
  QFETCH(int, start);
  QFETCH(int, expected);
  TP1 plot;
  plot.show();
  QVERIFY(QTest::qWaitForWindowExposed(&plot));
  plot.Canvas()->move(start, 0);
  auto* b = plot.findChild<QPushButton*>(button);
  QTest::mousePress(b, Qt::LeftButton);
  QTest::mouseRelease(b, Qt::LeftButton);
  QCOMPARE(plot.Canvas()->x(), start);  // the first step comes one interval later
  QTRY_COMPARE(plot.Canvas()->x(), expected);
  QTest::qWait(120);  // six intervals: a click gives exactly one step
  QCOMPARE(plot.Canvas()->x(), expected);
}

void TP1Test::holdScrollsAndStopsAtTheEdges_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("start");
  QTest::addColumn<int>("edge");
  QTest::newRow("left to the viewport's right edge") << QStringLiteral("SCL") << -300 << -312;
  QTest::newRow("right to 0") << QStringLiteral("SCR") << -10 << 0;
}

void TP1Test::holdScrollsAndStopsAtTheEdges() {
  QFETCH(QString, button);
  QFETCH(int, start);
  QFETCH(int, edge);
  TP1 plot;
  plot.show();
  QVERIFY(QTest::qWaitForWindowExposed(&plot));
  plot.Canvas()->move(start, 0);
  auto* b = plot.findChild<QPushButton*>(button);
  QTest::mousePress(b, Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(plot.Canvas()->x(), edge, 5000);
  QTest::qWait(100);
  QCOMPARE(plot.Canvas()->x(), edge);
  QTest::mouseRelease(b, Qt::LeftButton);
  // The right edge of the canvas never leaves the viewport's right edge.
  QVERIFY(plot.Canvas()->geometry().right() >= plot.Canvas()->parentWidget()->width() - 1);
}

QTEST_MAIN(TP1Test)
#include "test_tp1_widget.moc"
