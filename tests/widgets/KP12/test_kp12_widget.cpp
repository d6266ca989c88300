#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "widgets/KP12/KP12.h"
#include "widgets/common/UiCommon.h"

using orlix::KP12;

class KP12Test : public QObject {
  Q_OBJECT

 private:
  KP12* pad_ = nullptr;

  QPushButton* Key(const QString& caption) {
    for (auto* key : pad_->findChildren<QPushButton*>()) {
      if (key->text() == caption) return key;
    }
    qFatal("no key %s", qPrintable(caption));
  }
  // The colour the key shows in the middle of its lower left quarter (clear of its caption).
  QColor FaceShown(QPushButton* key) {
    const QImage image = key->grab().toImage();
    return image.pixelColor(key->width() / 4, key->height() * 3 / 4);
  }

 private slots:
  void init() {
    pad_ = new KP12;
    pad_->show();
    QVERIFY(QTest::qWaitForWindowExposed(pad_));
  }
  void cleanup() { delete pad_; }

  void gridAndNames_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QPoint>("position");  // pixels: 600-twip grid, 495-twip keys
    QTest::newRow("7") << 7 << "7" << QPoint(0, 0);
    QTest::newRow("9") << 9 << "9" << QPoint(80, 0);
    QTest::newRow("5") << 5 << "5" << QPoint(40, 40);
    QTest::newRow("1") << 1 << "1" << QPoint(0, 80);
    QTest::newRow("Enter") << 11 << "Enter" << QPoint(0, 120);
    QTest::newRow("0") << 0 << "0" << QPoint(40, 120);
    QTest::newRow(".") << 10 << "." << QPoint(80, 120);
  }
  void gridAndNames() {
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(QPoint, position);
    QCOMPARE(pad_->size(), QSize(114, 156));  // 1710 × 2340 twips
    auto* key = pad_->findChild<QPushButton*>(QStringLiteral("Command1_%1").arg(index));
    QVERIFY(key != nullptr);
    QCOMPARE(key, pad_->Key(index));
    QCOMPARE(key->text(), caption);
    QCOMPARE(key->accessibleName(), caption);
    QCOMPARE(key->geometry(), QRect(position, QSize(33, 33)));
    QCOMPARE(key->font().bold(), index != KP12::kEnterKey);
  }

  void tabOrderFollowsIndex() {
    for (int i = 0; i + 1 < KP12::kKeyCount; ++i) {
      QCOMPARE(pad_->Key(i)->nextInFocusChain(), pad_->Key(i + 1));
    }
  }

  void clicksReportIndices_data() {
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QList<int>>("indices");
    QTest::newRow("7.5 Enter") << QStringList{"7", ".", "5", "Enter"} << QList<int>{7, 10, 5, 11};
    QTest::newRow("digits") << QStringList{"0", "1", "2", "3", "4", "6", "8", "9"}
                            << QList<int>{0, 1, 2, 3, 4, 6, 8, 9};
  }
  void clicksReportIndices() {
    QFETCH(QStringList, keys);
    QFETCH(QList<int>, indices);
    QSignalSpy spy(pad_, &KP12::KeyPress12);
    for (const QString& k : keys) QTest::mouseClick(Key(k), Qt::LeftButton);
    QList<int> got;
    for (const auto& args : spy) got << args.at(0).value<qint16>();
    QCOMPARE(got, indices);
  }

  // The event comes with the click, not with the press.
  void pressAloneRaisesNothing() {
    QSignalSpy spy(pad_, &KP12::KeyPress12);
    QTest::mousePress(Key("3"), Qt::LeftButton);
    QCOMPARE(spy.count(), 0);
    QTest::mouseRelease(Key("3"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
  }

  void pressColourWhileDown_data() {
    QTest::addColumn<int>("button");
    QTest::newRow("left") << int(Qt::LeftButton);
    QTest::newRow("right") << int(Qt::RightButton);
  }
  void pressColourWhileDown() {
    QFETCH(int, button);
    const auto mouse = static_cast<Qt::MouseButton>(button);
    QPushButton* key = Key("8");
    const QColor face = FaceShown(key);
    QVERIFY(face != orlix::ui::kPressedColor);
    QTest::mousePress(key, mouse);
    QCOMPARE(key->palette().color(QPalette::Button), orlix::ui::kPressedColor);
    // Light grey, darker than the face; the style shades it a little (gradient, sunken).
    const QColor pressed = FaceShown(key);
    QVERIFY2(pressed.red() < face.red() && qAbs(pressed.red() - 225) <= 25 &&
                 pressed.red() == pressed.green() && pressed.green() == pressed.blue(),
             qPrintable(pressed.name() + QLatin1Char(' ') + face.name()));
    QTest::mouseRelease(key, mouse);
    QVERIFY(key->palette().color(QPalette::Button) != orlix::ui::kPressedColor);
    QCOMPARE(FaceShown(key), face);
    // Other keys never took the colour.
    QVERIFY(Key("9")->palette().color(QPalette::Button) != orlix::ui::kPressedColor);
  }
};

QTEST_MAIN(KP12Test)
#include "test_kp12_widget.moc"
