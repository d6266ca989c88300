#include <QMetaProperty>
#include <QMouseEvent>
#include <QtTest>

#include "widgets/GR1/GR1.h"
#include "widgets/common/RetainedSurface.h"
#include "widgets/common/UiCommon.h"

using orlix::GR1;
using orlix::PropertyBag;
using orlix::gr1::PixelOf;

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kBlue(0, 0, 255);

// Pixels of `color` in a rectangle of the picture (pixel coordinates, inclusive).
int Count(const QImage& image, const QColor& color, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) n += image.pixelColor(x, y) == color ? 1 : 0;
  }
  return n;
}

// Pixels of label text (drawn white, smoothed at the edges) in a rectangle.
int CountText(const QImage& image, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const QColor c = image.pixelColor(x, y);
      n += c.red() > 160 && c.green() > 160 ? 1 : 0;
    }
  }
  return n;
}

}  // namespace

class GR1Test : public QObject {
  Q_OBJECT

 private:
  GR1* graph_ = nullptr;

  QImage Picture() const { return graph_->Surface()->Image(); }
  QColor At(double xPoints, double yPoints) const {
    return Picture().pixelColor(PixelOf(xPoints), PixelOf(yPoints));
  }
  // Frames the graph for x 0..10 and y 0..20 (13 and 4.85 points per unit).
  void Frame() {
    graph_->setXC(10.0f);
    graph_->setYmax(20.0f);
  }
  QString ToolTipAt(QPointF pixel) {
    QMouseEvent move(QEvent::MouseMove, pixel, graph_->Surface()->mapToGlobal(pixel), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(graph_->Surface(), &move);
    return graph_->Surface()->toolTip();
  }

 private slots:
  void init() {
    graph_ = new GR1;
    graph_->Surface()->SetPixelRatio(1.0);
  }
  void cleanup() { delete graph_; }

  void surfaceAndProperties() {
    auto* surface = graph_->findChild<orlix::ui::RetainedSurface*>(QStringLiteral("GraphXY"));
    QCOMPARE(surface, graph_->Surface());
    QCOMPARE(surface->size(), QSize(217, 153));  // 3255 × 2295 twips
    QCOMPARE(surface->WidthUnits(), 162.75);
    QCOMPARE(surface->HeightUnits(), 114.75);
    QCOMPARE(surface->toolTip(), QStringLiteral("Chart"));
    const QMetaObject* mo = graph_->metaObject();
    QStringList names;
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
      names << QString::fromLatin1(mo->property(i).name());
      QCOMPARE(mo->property(i).metaType(), QMetaType::fromType<float>());
    }
    QCOMPARE(names, (QStringList{"Ymax", "XC", "Ycircle", "Ypoint"}));
    // Through the property system, with the write-back of the corrected range.
    QVERIFY(graph_->setProperty("XC", -3.0f));
    QVERIFY(graph_->setProperty("Ymax", 0.0f));
    QCOMPARE(graph_->property("XC").value<float>(), 1.0f);
    QCOMPARE(graph_->property("Ymax").value<float>(), 1.0f);
  }

  // W - 33 = 130 and H - 18 = 97 at the design size: grid at x = 63, 96, 129 and
  // y = 28, 53, 78 points; labels at x = 30, 63, 96, 129.
  void frameGridAndLabels() {
    Frame();
    const QImage img = Picture();
    const int left = PixelOf(30), top = PixelOf(3), right = PixelOf(159.75),
              bottom = PixelOf(99.75);
    QCOMPARE(Count(img, kWhite, left, top, left, bottom), bottom - top + 1);
    QCOMPARE(Count(img, kWhite, right, top, right, bottom), bottom - top + 1);
    QCOMPARE(Count(img, kWhite, left, top, right, top), right - left + 1);
    QCOMPARE(Count(img, kWhite, left, bottom, right, bottom), right - left + 1);
    QCOMPARE(img.pixelColor(left - 1, 60), orlix::ui::kNavy);
    QCOMPARE(img.pixelColor(right + 1, 60), orlix::ui::kNavy);
    QCOMPARE(img.pixelColor(100, bottom + 1), orlix::ui::kNavy);

    const int span = bottom - top - 1;
    for (double x : {63.0, 96.0, 129.0}) {
      const int dots = Count(img, kWhite, PixelOf(x), top + 1, PixelOf(x), bottom - 1);
      QVERIFY2(dots > span / 5 && dots < span * 4 / 5, qPrintable(QString::number(x)));
      // Beside a grid line: black but where the horizontal lines cross.
      QVERIFY(Count(img, kWhite, PixelOf(x) + 2, top + 1, PixelOf(x) + 2, bottom - 1) <= 3);
    }
    const int width = right - left - 1;
    for (double y : {28.0, 53.0, 78.0}) {
      const int dots = Count(img, kWhite, left + 1, PixelOf(y), right - 1, PixelOf(y));
      QVERIFY2(dots > width / 5 && dots < width * 4 / 5, qPrintable(QString::number(y)));
      QVERIFY(Count(img, kWhite, left + 1, PixelOf(y) + 2, right - 1, PixelOf(y) + 2) <= 3);
    }
    // Label texts stand in the margins at their positions and nowhere else.
    for (double x : {30.0, 63.0, 96.0, 129.0}) {
      QVERIFY(CountText(img, PixelOf(x), PixelOf(102.75), PixelOf(x) + 12, 152) > 3);
    }
    QCOMPARE(CountText(img, PixelOf(30) + 14, bottom + 1, PixelOf(63) - 1, 152), 0);
    for (double y : {76.0, 51.0, 26.0, 1.0}) {
      QVERIFY(CountText(img, PixelOf(5), PixelOf(y), left - 1, PixelOf(y) + 10) > 3);
    }
    QCOMPARE(CountText(img, 0, bottom + 1, left - 1, 152), 0);
    const auto& axes = graph_->Model().CurrentAxes();
    QCOMPARE(QString::fromStdString(axes.xLabels[3].text), QStringLiteral("7.62"));
    QCOMPARE(QString::fromStdString(axes.yLabels[0].text), QStringLiteral("5.15"));
  }

  void circleAndDotPixels() {
    Frame();
    graph_->setXC(5.0f);
    graph_->setYcircle(10.0f);  // centre (95, 51.75) points
    QCOMPARE(At(95, 51.75), kYellow);
    const int cx = PixelOf(95), cy = PixelOf(51.75);
    QCOMPARE(Picture().pixelColor(cx + 2, cy), kYellow);
    QCOMPARE(Picture().pixelColor(cx, cy - 2), kYellow);
    QCOMPARE(Picture().pixelColor(cx + 5, cy), kBlack);
    QCOMPARE(Count(Picture(), kYellow, cx - 5, cy - 5, cx + 5, cy + 5),
             Count(Picture(), kYellow, 0, 0, 216, 152));

    graph_->setXC(2.0f);
    graph_->setYpoint(4.0f);  // (56, 80.75) points
    const int dx = PixelOf(56), dy = PixelOf(80.75);
    QCOMPARE(Count(Picture(), kBlue, dx, dy, dx + 1, dy + 1), 4);
    QCOMPARE(Count(Picture(), kBlue, 0, 0, 216, 152), 4);
    QCOMPARE(Picture().pixelColor(cx, cy), kYellow);  // marks accumulate
  }

  void pointBeyondRangesOnTheEdge_data() {
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("xBack");
    QTest::addColumn<float>("yBack");
    QTest::addColumn<double>("px");
    QTest::addColumn<double>("py");
    QTest::newRow("beyond both") << 15.0f << 25.0f << 10.0f << 20.0f << 159.75 << 3.0;
    QTest::newRow("negative") << -4.0f << -0.5f << 0.0f << 0.0f << 30.0 << 99.75;
  }
  void pointBeyondRangesOnTheEdge() {
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(float, xBack);
    QFETCH(float, yBack);
    QFETCH(double, px);
    QFETCH(double, py);
    Frame();
    graph_->setXC(x);
    graph_->setYcircle(y);
    QCOMPARE(graph_->XC(), xBack);
    QCOMPARE(graph_->Ycircle(), yBack);
    QCOMPARE(At(px, py), kYellow);
    graph_->setXC(x);
    graph_->setYpoint(y);
    QCOMPARE(graph_->Ypoint(), yBack);
    QCOMPARE(At(px, py), kBlue);
  }

  void xcAloneDrawsNothing() {
    Frame();
    graph_->setXC(3.0f);
    graph_->setYcircle(3.0f);
    const QImage before = Picture().copy();
    graph_->setXC(7.0f);
    QCOMPARE(Picture(), before);
    QCOMPARE(graph_->XC(), 7.0f);
  }

  void ymaxClearsTheMarks() {
    Frame();
    graph_->setXC(3.0f);
    graph_->setYcircle(3.0f);
    graph_->setXC(10.0f);
    graph_->setYmax(20.0f);
    QCOMPARE(Count(Picture(), kYellow, 0, 0, 216, 152), 0);
  }

  void readOutToolTip_data() {
    QTest::addColumn<QPointF>("pixel");
    QTest::addColumn<QString>("tip");
    // Pixel (x, y) is drawing position (0.75·x, 0.75·y) in points.
    QTest::newRow("inside") << QPointF(126.6667, 68.3333) << "X=5.0  Y=10.0";
    QTest::newRow("y labels") << QPointF(20, 60) << "";
    QTest::newRow("x labels") << QPointF(100, 140) << "";
  }
  void readOutToolTip() {
    QFETCH(QPointF, pixel);
    QFETCH(QString, tip);
    Frame();
    QCOMPARE(ToolTipAt(pixel), tip);
  }

  void persistedProperties() {
    Frame();
    graph_->setXC(2.5f);
    graph_->setYpoint(3.5f);
    PropertyBag bag;
    graph_->WriteProperties(bag);
    QCOMPARE(bag.ReadProperty("XC", -1), 2.5);
    QCOMPARE(bag.ReadProperty("Ymax", -1), 20.0);
    QCOMPARE(bag.ReadProperty("Ycircle", -1), -1.0);  // still 0: not stored
    QCOMPARE(bag.ReadProperty("Ypoint", -1), 3.5);

    GR1 other;
    other.Surface()->SetPixelRatio(1.0);
    const QImage demo = other.Surface()->Image().copy();
    other.ReadProperties(bag);
    QCOMPARE(other.XC(), 2.5f);
    QCOMPARE(other.Ymax(), 20.0f);
    QCOMPARE(other.Ycircle(), 0.0f);
    QCOMPARE(other.Ypoint(), 3.5f);
    QCOMPARE(other.Surface()->Image(), demo);  // loading draws nothing
    QVERIFY(!other.PropertiesChanged());
  }

  void demonstrationPicture() {
    // Circles and dots along 10·e^(-t) on a frame for 0..4 and 0..10.
    const QImage img = Picture();
    // t = 0, y = 10: a circle on the top left corner, with the first dot over its centre.
    QCOMPARE(At(30, 3), kBlue);
    QCOMPARE(Picture().pixelColor(PixelOf(30) - 2, PixelOf(3)), kYellow);
    QVERIFY(Count(img, kYellow, 0, 0, 216, 152) > 9 * 12);
    QVERIFY(Count(img, kBlue, 0, 0, 216, 152) > 60);
  }

  // A rebuilt buffer (another pixel ratio) is drawn again from the model.
  void redrawnAtRatioTwo() {
    Frame();
    graph_->setXC(5.0f);
    graph_->setYcircle(10.0f);
    graph_->Surface()->SetPixelRatio(2.0);
    const QImage img = Picture();
    QCOMPARE(img.size(), QSize(434, 306));
    QCOMPARE(img.pixelColor(2 * PixelOf(95) + 1, 2 * PixelOf(51.75) + 1), kYellow);
    QCOMPARE(img.pixelColor(2 * PixelOf(30), 2 * 60), kWhite);
  }
};

QTEST_MAIN(GR1Test)
#include "test_gr1_widget.moc"
