#include <QGroupBox>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPushButton>
#include <QTest>

#include "widgets/DS1/DS1.h"

using orlix::DS1;
using orlix::PropertyBag;

namespace {

QPushButton* ModeButton(const DS1& display, int i) {
  return display.findChild<QPushButton*>(QStringLiteral("CmMode%1").arg(i));
}

QLineEdit* Box(const DS1& display) {
  return display.findChild<QLineEdit*>(QStringLiteral("Text1"));
}

// The roll of the main window's start: 570 mm spool, 700 mm strip, density 2.71.
void Prepare(DS1& display) {
  display.setSpoolDiam(570);
  display.setStripWidth(700);
  display.setBasisWeight(2.71f);
  display.ResetData();
}

}  // namespace

class DS1Test : public QObject {
  Q_OBJECT

 private slots:
  void layout_data();
  void layout();
  void creation();
  void properties();
  void modes_data();
  void modes();
  void modeSelectionKeepsTheNumber();
  void rollWeightReadsTheComputedValue();
  void pixels();
};

void DS1Test::layout_data() {
  QTest::addColumn<int>("index");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("hint");
  QTest::addColumn<QRect>("geometry");
  QTest::newRow("0") << 0 << "Thickness"
                     << "Thickness" << QRect(8, 64, 65, 25);
  QTest::newRow("1") << 1 << "Strip length"
                     << "Strip length" << QRect(72, 64, 65, 25);
  QTest::newRow("2") << 2 << "Roll weght"
                     << "Roll weight" << QRect(8, 96, 65, 25);
  QTest::newRow("3") << 3 << "Roll diam."
                     << "Roll diameter" << QRect(72, 96, 65, 25);
}

void DS1Test::layout() {
  QFETCH(int, index);
  QFETCH(QString, caption);
  QFETCH(QString, hint);
  QFETCH(QRect, geometry);
  DS1 display;
  QPushButton* button = ModeButton(display, index);
  QVERIFY(button);
  QCOMPARE(button->text(), caption);
  QCOMPARE(button->accessibleName(), caption);
  QCOMPARE(button->toolTip(), hint);
  QCOMPARE(button->geometry(), geometry);
  auto* frame = display.findChild<QGroupBox*>(QStringLiteral("Frame1"));
  QVERIFY(frame);
  QCOMPARE(frame->title(), QStringLiteral("Diaplay "));
  QCOMPARE(frame->size(), QSize(145, 129));
  QCOMPARE(Box(display)->geometry(), QRect(8, 16, 129, 41));
  QVERIFY(Box(display)->isReadOnly());
  QCOMPARE(display.sizeHint(), QSize(149, 134));
}

void DS1Test::creation() {
  DS1 display;
  QCOMPARE(Box(display)->text(), QStringLiteral("000000"));
  QCOMPARE(Box(display)->toolTip(), QStringLiteral("Thickness / micrometers"));
  QCOMPARE(ModeButton(display, 0)->palette().color(QPalette::Button), QColor(225, 225, 225));
  QVERIFY(ModeButton(display, 1)->palette().color(QPalette::Button) != QColor(225, 225, 225));
  QCOMPARE(display.RollDiam(), 0.0f);
  QCOMPARE(display.RollWeight(), 0.0f);
}

void DS1Test::properties() {
  DS1 display;
  for (const char* name : {"CurrentValue", "SpoolDiam", "StripLength", "StripWidth", "BasisWeight",
                           "RollWeight", "RollDiam"}) {
    const QMetaProperty property =
        display.metaObject()->property(display.metaObject()->indexOfProperty(name));
    QVERIFY2(property.isValid() && property.isWritable(), name);
    QCOMPARE(property.metaType().id(), int(QMetaType::Float));
  }
  QVERIFY(display.setProperty("SpoolDiam", 600.0f));
  QCOMPARE(display.SpoolDiam(), 600.0f);
  QCOMPARE(DS1::PropertyHelp(QStringLiteral("SpoolDiam")),
           QStringLiteral("Sets the diameter of the\r\nspool (mm)."));
}

void DS1Test::modes_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("title");
  QTest::newRow("thickness") << 0 << "50"
                             << "Thickness / micrometers";
  QTest::newRow("strip length") << 1 << "100"
                                << "Strip length / meters";
  QTest::newRow("roll weight") << 2 << "9"
                               << "Roll weight / kilogramms";
  QTest::newRow("roll diameter") << 3 << "576"
                                 << "Roll diameter / millimeters";
}

void DS1Test::modes() {
  QFETCH(int, mode);
  QFETCH(QString, text);
  QFETCH(QString, title);
  DS1 display;
  Prepare(display);
  QTest::mouseClick(ModeButton(display, mode), Qt::LeftButton);
  QCOMPARE(Box(display)->toolTip(), title);
  QCOMPARE(Box(display)->accessibleName(), title);
  for (int i = 0; i < 4; ++i) {
    const bool selected =
        ModeButton(display, i)->palette().color(QPalette::Button) == QColor(225, 225, 225);
    QCOMPARE(selected, i == mode);
  }
  display.setStripLength(100);
  display.setCurrentValue(50);
  QCOMPARE(Box(display)->text(), text);
}

void DS1Test::modeSelectionKeepsTheNumber() {
  DS1 display;
  Prepare(display);
  display.setStripLength(100);
  display.setCurrentValue(120.26f);
  QCOMPARE(Box(display)->text(), QStringLiteral("120.3"));
  QTest::mouseClick(ModeButton(display, 3), Qt::LeftButton);
  QCOMPARE(Box(display)->text(), QStringLiteral("120.3"));
  display.setCurrentValue(120.26f);  // same length: the roll does not grow
  QCOMPARE(Box(display)->text(), QStringLiteral("%1").arg(qRound(display.RollDiam())));
}

void DS1Test::rollWeightReadsTheComputedValue() {
  DS1 display;
  Prepare(display);
  display.setStripLength(100);
  display.setCurrentValue(50);
  display.setRollWeight(5);
  QCOMPARE(display.Model().StoredRollWeight(), 5.0f);
  const float w = display.property("RollWeight").toFloat();
  QVERIFY(qAbs(w - 9.485f) < 1e-5f);
  QVERIFY(qAbs(display.property("RollDiam").toFloat() - 575.557f) < 1e-3f);
  PropertyBag bag;
  display.WriteProperties(bag);
  QCOMPARE(static_cast<float>(bag.ReadProperty("RollWeight", 0)), w);
}

void DS1Test::pixels() {
  DS1 display;
  Prepare(display);
  display.setStripLength(100);
  display.setCurrentValue(50);
  display.resize(display.sizeHint());
  QImage image(display.size(), QImage::Format_RGB32);
  image.setDevicePixelRatio(1.0);
  display.render(&image);
  // The read-out's purple fills the box; its number is drawn in a light colour.
  const QRect box = Box(display)->geometry().translated(Box(display)->parentWidget()->pos());
  QCOMPARE(QColor(image.pixel(box.left() + 4, box.top() + 4)), QColor(64, 0, 64));
  QCOMPARE(QColor(image.pixel(box.right() - 4, box.bottom() - 4)), QColor(64, 0, 64));
  int light = 0;
  for (int x = box.left(); x <= box.right(); ++x) {
    for (int y = box.top(); y <= box.bottom(); ++y) {
      if (QColor(image.pixel(x, y)).lightness() > 200) ++light;
    }
  }
  QVERIFY(light > 20);
  // The selected thickness button is darker than the system face of its neighbour.
  const QRect b0 = ModeButton(display, 0)->geometry();
  const QRect b1 = ModeButton(display, 1)->geometry();
  const QColor selected(image.pixel(b0.left() + 4, b0.center().y()));
  const QColor normal(image.pixel(b1.left() + 4, b1.center().y()));
  QVERIFY(qAbs(selected.red() - 225) <= 12);
  QVERIFY(selected.lightness() < normal.lightness());
}

QTEST_MAIN(DS1Test)
#include "test_ds1_widget.moc"
