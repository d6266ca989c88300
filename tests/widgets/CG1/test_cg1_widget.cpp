#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "widgets/CG1/CG1.h"
#include "widgets/common/UiCommon.h"

using orlix::CG1;

class CG1Test : public QObject {
  Q_OBJECT

 private:
  CG1* panel_ = nullptr;

  QPushButton* Button(const char* name) {
    auto* b = panel_->findChild<QPushButton*>(QString::fromLatin1(name));
    if (b == nullptr) qFatal("no button %s", name);
    return b;
  }
  QString GainShown() { return panel_->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(); }

 private slots:
  void init() {
    panel_ = new CG1;
    panel_->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel_));
  }
  void cleanup() { delete panel_; }

  void createdOnAt100() {
    QCOMPARE(panel_->size(), QSize(90, 91));  // 1350 × 1365 twips
    QCOMPARE(GainShown(), QStringLiteral("100"));
    QCOMPARE(Button("Command3")->text(), QStringLiteral("ON"));
    QCOMPARE(Button("Command3")->palette().color(QPalette::Button), orlix::ui::kPressedColor);
    QCOMPARE(Button("Command1")->toolTip(), QStringLiteral("Increase"));
    QCOMPARE(Button("Command2")->accessibleName(), QStringLiteral("Decrease"));
    QCOMPARE(Button("Command1")->iconSize(), QSize(27, 27));
    // The increase and decrease pictures differ.
    QVERIFY(Button("Command1")->icon().pixmap(27).toImage() !=
            Button("Command2")->icon().pixmap(27).toImage());
  }

  void onOffToggles() {
    QSignalSpy spy(panel_, &CG1::ControlOnOff);
    auto* onOff = Button("Command3");
    QTest::mouseClick(onOff, Qt::LeftButton);
    QCOMPARE(onOff->text(), QStringLiteral("OFF"));
    QVERIFY(onOff->palette().color(QPalette::Button) != orlix::ui::kPressedColor);
    QTest::mouseClick(onOff, Qt::LeftButton);
    QCOMPARE(onOff->text(), QStringLiteral("ON"));
    QCOMPARE(onOff->palette().color(QPalette::Button), orlix::ui::kPressedColor);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toBool(), false);
    QCOMPARE(spy.at(1).at(0).toBool(), true);
  }

  // One click per entry; each step is reported with the new gain.
  void clicksStepGain_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QList<float>>("gains");
    QTest::newRow("100 up wraps to 1") << QStringList{"Command1"} << QList<float>{1.0f};
    QTest::newRow("1 down wraps to 100")
        << QStringList{"Command1", "Command2"} << QList<float>{1.0f, 100.0f};
    QTest::newRow("down twice") << QStringList{"Command2", "Command2"}
                                << QList<float>{99.0f, 98.0f};
  }
  void clicksStepGain() {
    QFETCH(QStringList, clicks);
    QFETCH(QList<float>, gains);
    QSignalSpy spy(panel_, &CG1::ControlGainChanged);
    for (int i = 0; i < clicks.size(); ++i) {
      QTest::mouseClick(Button(clicks[i].toLatin1().constData()), Qt::LeftButton);
      QTRY_COMPARE(spy.count(), i + 1);
      QCOMPARE(spy.at(i).at(0).value<float>(), gains[i]);
    }
    QCOMPARE(GainShown(), QString::number(double{gains.last()}));
    QCOMPARE(panel_->Gain(), gains.last());
  }

  void shortClickOneStepAfterInterval() {
    QSignalSpy spy(panel_, &CG1::ControlGainChanged);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(Button("Command2"), Qt::LeftButton);
    QCOMPARE(spy.count(), 0);
    QTRY_COMPARE(spy.count(), 1);
    QVERIFY(clock.elapsed() >= CG1::kRepeatMs - 5);
    QTest::qWait(3 * CG1::kRepeatMs);
    QCOMPARE(spy.count(), 1);
  }

  // Holding "Decrease" for one second from 100: about ten steps, the last near 90.
  void holdOneSecond() {
    QSignalSpy spy(panel_, &CG1::ControlGainChanged);
    auto* decrease = Button("Command2");
    QElapsedTimer clock;
    QTest::mousePress(decrease, Qt::LeftButton);
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= 1000, 2000);
    QTest::mouseRelease(decrease, Qt::LeftButton);
    QTest::qWait(2 * CG1::kRepeatMs);
    const int n = spy.count();
    QVERIFY2(n >= 8 && n <= 11, qPrintable(QString::number(n)));
    const float last = spy.last().at(0).value<float>();
    QCOMPARE(last, 100.0f - static_cast<float>(n));
    QVERIFY(last >= 89.0f && last <= 92.0f);
    QCOMPARE(GainShown(), QString::number(double{last}));
  }

  void lostReleaseEndsRepetition() {
    QSignalSpy spy(panel_, &CG1::ControlGainChanged);
    auto* increase = Button("Command1");
    QTest::mousePress(increase, Qt::LeftButton);
    QTRY_COMPARE(spy.count(), 2);
    increase->hide();
    QTest::qWait(2 * CG1::kRepeatMs);
    const int n = spy.count();
    QVERIFY(n <= 3);
    QTest::qWait(4 * CG1::kRepeatMs);
    QCOMPARE(spy.count(), n);
  }
};

QTEST_MAIN(CG1Test)
#include "test_cg1_widget.moc"
