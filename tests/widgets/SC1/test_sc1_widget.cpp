#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "widgets/SC1/SC1.h"

using orlix::SC1;

namespace {

// Every event of the panel, in the order raised, as "Name(value)".
class Recorder : public QObject {
 public:
  explicit Recorder(SC1& panel) {
    connect(&panel, &SC1::PassChange, this,
            [this](qint16 v) { events << QStringLiteral("PassChange(%1)").arg(v); });
    connect(&panel, &SC1::ThickChange, this,
            [this](float v) { events << QStringLiteral("ThickChange(%1)").arg(double{v}); });
    connect(&panel, &SC1::ScaleChange, this,
            [this](float v) { events << QStringLiteral("ScaleChange(%1)").arg(double{v}); });
    connect(&panel, &SC1::StartProc, this, [this] { events << QStringLiteral("StartProc"); });
    connect(&panel, &SC1::StopProc, this, [this] { events << QStringLiteral("StopProc"); });
  }
  QStringList events;
};

}  // namespace

class SC1Test : public QObject {
  Q_OBJECT

 private:
  SC1* panel_ = nullptr;

  QPushButton* Button(const char* name) {
    auto* b = panel_->findChild<QPushButton*>(QString::fromLatin1(name));
    if (b == nullptr) qFatal("no button %s", name);
    return b;
  }
  QString Shown(const char* display) {
    auto* d = panel_->findChild<QLineEdit*>(QString::fromLatin1(display));
    if (d == nullptr) qFatal("no display %s", display);
    return d->text();
  }
  QString AllShown() {
    QStringList texts;
    for (const char* name : {"Pass0", "Pass1", "MidDigits0", "MidDigits1", "MidDigits2",
                             "MidDigits3", "MidDigits4", "ScaleLen"}) {
      texts << Shown(name);
    }
    return texts.join(QLatin1Char(' '));
  }

 private slots:
  void init() {
    panel_ = new SC1;
    panel_->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel_));
  }
  void cleanup() { delete panel_; }

  void layoutAndNames() {
    QCOMPARE(panel_->size(), QSize(334, 93));  // 5010 × 1395 twips
    QCOMPARE(AllShown(), QStringLiteral("0 0 0 0 0 0 0 00"));
    auto* start = Button("EnterMid");
    QCOMPARE(start->text(), QStringLiteral("Start"));
    QCOMPARE(start->geometry(), QRect(280, 16, 41, 33));
    QCOMPARE(Button("BStop")->accessibleName(), QStringLiteral("Stop"));
    QCOMPARE(Button("IncDigit4")->toolTip(), QStringLiteral("Thickness"));
    QCOMPARE(Button("IncShift")->toolTip(), QStringLiteral("Scale length"));
    QCOMPARE(Button("IncPass0")->geometry(), QRect(8, 56, 25, 25));
    QCOMPARE(Button("IncShift")->iconSize(), QSize(27, 27));
    QVERIFY(!Button("IncShift")->icon().isNull());
    auto* plusMinus = panel_->findChild<QWidget*>(QStringLiteral("Label6"));
    QVERIFY(plusMinus != nullptr);
    QCOMPARE(plusMinus->accessibleName(), QStringLiteral("\u00B1"));
    // Each increment button sits under its display.
    for (const auto& [display, button] :
         {std::pair{"Pass1", "IncPass1"}, {"MidDigits4", "IncDigit4"}, {"ScaleLen", "IncShift"}}) {
      auto* d = panel_->findChild<QLineEdit*>(QString::fromLatin1(display));
      QCOMPARE(Button(button)->x(), d->x());
      QVERIFY(Button(button)->y() >= d->geometry().bottom());
    }
  }

  void initScShowsValues_data() {
    QTest::addColumn<int>("pass");
    QTest::addColumn<float>("thickness");
    QTest::addColumn<float>("scale");
    QTest::addColumn<QString>("shown");
    QTest::newRow("edge case") << 7 << 150.7f << 20.0f << "0 7 0 1 5 0 7 20";
    QTest::newRow("too large") << 123 << 12345.6f << 55.0f << "9 9 9 9 9 9 9 40";
  }
  void initScShowsValues() {
    QFETCH(int, pass);
    QFETCH(float, thickness);
    QFETCH(float, scale);
    QFETCH(QString, shown);
    Recorder rec(*panel_);
    panel_->InitSC(static_cast<qint16>(pass), thickness, scale);
    QCOMPARE(AllShown(), shown);
    QVERIFY(rec.events.isEmpty());
    // Priming is not a change: "Start" reports nothing else.
    QTest::mouseClick(Button("EnterMid"), Qt::LeftButton);
    QCOMPARE(rec.events, QStringList{QStringLiteral("StartProc")});
  }

  // Click the buttons (one step each, waiting for it), then "Start".
  void startReportsChangedGroups_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("untouched") << QStringList{} << "0 7 0 1 5 0 7 20" << QStringList{"StartProc"};
    QTest::newRow("digit and scale")
        << QStringList{"IncShift", "IncDigit2"} << "0 7 0 1 6 0 7 21"
        << QStringList{"ThickChange(160.7)", "ScaleChange(21)", "StartProc"};
    QTest::newRow("all groups, any order")
        << QStringList{"IncDigit0", "IncShift", "IncPass1"} << "0 8 1 1 5 0 7 21"
        << QStringList{"PassChange(8)", "ThickChange(1150.7)", "ScaleChange(21)", "StartProc"};
  }
  void startReportsChangedGroups() {
    QFETCH(QStringList, clicks);
    QFETCH(QString, shown);
    QFETCH(QStringList, events);
    panel_->InitSC(7, 150.7f, 20.0f);
    Recorder rec(*panel_);
    for (const QString& name : clicks) {
      const QString before = AllShown();
      QTest::mouseClick(Button(name.toLatin1().constData()), Qt::LeftButton);
      QTRY_VERIFY(AllShown() != before);
    }
    QCOMPARE(AllShown(), shown);
    QTest::mouseClick(Button("EnterMid"), Qt::LeftButton);
    QCOMPARE(rec.events, events);
    QVERIFY(!Button("EnterMid")->isEnabled());
    QVERIFY(Button("BStop")->isEnabled());

    // A second "Start" after "Stop" reports only StartProc.
    rec.events.clear();
    QTest::mouseClick(Button("BStop"), Qt::LeftButton);
    QTest::mouseClick(Button("EnterMid"), Qt::LeftButton);
    QCOMPARE(rec.events, (QStringList{"StopProc", "StartProc"}));
  }

  void thicknessValueIsSingle() {
    panel_->InitSC(7, 150.7f, 20.0f);
    QSignalSpy thick(panel_, &SC1::ThickChange);
    QSignalSpy pass(panel_, &SC1::PassChange);
    QTest::mouseClick(Button("IncDigit4"), Qt::LeftButton);
    QTRY_COMPARE(Shown("MidDigits4"), QStringLiteral("8"));
    QTest::mouseClick(Button("EnterMid"), Qt::LeftButton);
    QCOMPARE(thick.count(), 1);
    QCOMPARE(thick.at(0).at(0).value<float>(), 150.8f);
    QCOMPARE(pass.count(), 0);
  }

  void wrapsWithoutCarry_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("shown");
    QTest::newRow("tens digit 9") << "IncDigit2"
                                  << "0 9 0 3 0 9 9 40";
    QTest::newRow("pass units 9") << "IncPass1"
                                  << "0 0 0 3 9 9 9 40";
    QTest::newRow("scale 40") << "IncShift"
                              << "0 9 0 3 9 9 9 1";
  }
  void wrapsWithoutCarry() {
    QFETCH(QString, button);
    QFETCH(QString, shown);
    panel_->InitSC(9, 399.9f, 40.0f);
    QTest::mouseClick(Button(button.toLatin1().constData()), Qt::LeftButton);
    QTRY_COMPARE(AllShown(), shown);
  }

  // A click shorter than the interval gives one step, one interval after the press.
  void shortClickGivesOneLateStep() {
    panel_->InitSC(0, 0.0f, 1.0f);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(Button("IncDigit3"), Qt::LeftButton);
    QCOMPARE(Shown("MidDigits3"), QStringLiteral("0"));
    QTRY_COMPARE(Shown("MidDigits3"), QStringLiteral("1"));
    QVERIFY2(clock.elapsed() >= SC1::kRepeatMs - 5, qPrintable(QString::number(clock.elapsed())));
    QTest::qWait(3 * SC1::kRepeatMs);
    QCOMPARE(Shown("MidDigits3"), QStringLiteral("1"));
  }

  // Holding gives one step per interval; the release ends it after the pending step.
  void holdRepeats() {
    panel_->InitSC(0, 0.0f, 1.0f);
    auto* inc = Button("IncShift");
    QTest::mousePress(inc, Qt::LeftButton);
    QTRY_COMPARE(Shown("ScaleLen"), QStringLiteral("4"));
    QTest::mouseRelease(inc, Qt::LeftButton);
    QTest::qWait(2 * SC1::kRepeatMs);
    const QString stopped = Shown("ScaleLen");
    QVERIFY(stopped == QStringLiteral("4") || stopped == QStringLiteral("5"));
    QTest::qWait(3 * SC1::kRepeatMs);
    QCOMPARE(Shown("ScaleLen"), stopped);
  }

  // The press marks the group at once, before its first step.
  void pressMarksGroupAtOnce() {
    panel_->InitSC(0, 120.0f, 40.0f);
    Recorder rec(*panel_);
    QTest::mousePress(Button("IncPass0"), Qt::RightButton);
    QTest::mouseRelease(Button("IncPass0"), Qt::RightButton);
    QTest::mouseClick(Button("EnterMid"), Qt::LeftButton);
    QCOMPARE(rec.events, (QStringList{"PassChange(0)", "StartProc"}));
    QTRY_COMPARE(Shown("Pass0"), QStringLiteral("1"));  // any mouse button steps
  }

  // A release that never comes (the button hidden or disabled while held, or the window
  // losing the focus) ends the repetition.
  void lostReleaseEndsRepetition_data() {
    QTest::addColumn<QString>("loss");
    QTest::newRow("hidden") << "hide";
    QTest::newRow("disabled") << "disable";
    QTest::newRow("window deactivated") << "deactivate";
  }
  void lostReleaseEndsRepetition() {
    QFETCH(QString, loss);
    panel_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(panel_));
    panel_->InitSC(0, 0.0f, 1.0f);
    auto* inc = Button("IncShift");
    QTest::mousePress(inc, Qt::LeftButton);
    QTRY_COMPARE(Shown("ScaleLen"), QStringLiteral("3"));
    QWidget other;
    if (loss == QLatin1String("hide")) {
      inc->hide();
    } else if (loss == QLatin1String("disable")) {
      inc->setEnabled(false);
    } else {
      other.show();
      other.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&other));
      QVERIFY(!panel_->isActiveWindow());
    }
    QTest::qWait(2 * SC1::kRepeatMs);
    const QString stopped = Shown("ScaleLen");
    QVERIFY(stopped == QStringLiteral("3") || stopped == QStringLiteral("4"));
    QTest::qWait(4 * SC1::kRepeatMs);
    QCOMPARE(Shown("ScaleLen"), stopped);
  }

  void stopBeforeStart() {
    Recorder rec(*panel_);
    QVERIFY(Button("EnterMid")->isEnabled());
    QVERIFY(Button("BStop")->isEnabled());
    QTest::mouseClick(Button("BStop"), Qt::LeftButton);
    QCOMPARE(rec.events, QStringList{QStringLiteral("StopProc")});
    QVERIFY(!Button("BStop")->isEnabled());
    QVERIFY(Button("EnterMid")->isEnabled());
  }
};

QTEST_MAIN(SC1Test)
#include "test_sc1_widget.moc"
