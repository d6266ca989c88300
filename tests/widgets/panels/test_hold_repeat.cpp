// Hold-to-repeat on the three panels that have it: each press owes its own steps, in press
// order, whatever the next press does.
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <functional>
#include <memory>

#include "widgets/CG1/CG1.h"
#include "widgets/SC1/SC1.h"
#include "widgets/TP1/TP1.h"
#include "widgets/common/HoldRepeat.h"
#include "widgets/common/RetainedSurface.h"

using orlix::ui::HoldRepeat;

namespace {

// One panel under test: the widget, its two buttons and what it shows after a step.
struct Rig {
  std::unique_ptr<QWidget> panel;
  QPushButton* a = nullptr;
  QPushButton* b = nullptr;
  HoldRepeat* repeat = nullptr;
  std::function<QString()> shown;
};

QString Text(QWidget* panel, const char* name) {
  return panel->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
}

std::unique_ptr<Rig> MakeRig(const QString& kind) {
  auto rig = std::make_unique<Rig>();
  const char* a = nullptr;
  const char* b = nullptr;
  if (kind == QLatin1String("SC1")) {
    auto* sc = new orlix::SC1;
    rig->panel.reset(sc);
    a = "IncPass0";  // x10
    b = "IncPass1";  // x1
    rig->shown = [sc] { return Text(sc, "Pass0") + Text(sc, "Pass1"); };
  } else if (kind == QLatin1String("CG1")) {
    auto* cg = new orlix::CG1;
    rig->panel.reset(cg);
    a = "Command2";  // decrease
    b = "Command1";  // increase
    rig->shown = [cg] { return Text(cg, "Text1"); };
  } else {
    auto* tp = new orlix::TP1;
    rig->panel.reset(tp);
    a = "SCL";
    b = "SCR";
    tp->Canvas()->move(-10, 0);
    rig->shown = [tp] { return QString::number(tp->Canvas()->x()); };
  }
  rig->a = rig->panel->findChild<QPushButton*>(QString::fromLatin1(a));
  rig->b = rig->panel->findChild<QPushButton*>(QString::fromLatin1(b));
  rig->repeat = rig->panel->findChild<HoldRepeat*>();
  return rig;
}

}  // namespace

class HoldRepeatTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Rig> rig_;
  QList<int> ids_;
  QStringList values_;

  void Start(const QString& kind) {
    rig_ = MakeRig(kind);
    ids_.clear();
    values_.clear();
    // Connected after the panel's own handler, so it sees the value the step left.
    connect(rig_->repeat, &HoldRepeat::Step, rig_->panel.get(), [this](int id) {
      ids_ << id;
      values_ << rig_->shown();
    });
    rig_->panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig_->panel.get()));
  }
  // The id the panel gives each button, learned from one click.
  int IdOf(QPushButton* button) {
    const int before = ids_.size();
    QTest::mouseClick(button, Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return ids_.size() > before; })) return -1;
    return ids_.last();
  }
  void Settle() { QTest::qWait(3 * rig_->repeat->Interval() + 20); }

 private slots:
  void quickClicks_data();
  void quickClicks();
  void holdThenPressOther_data();
  void holdThenPressOther();
  void dialledPassStarts();
};

void HoldRepeatTest::quickClicks_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("order");  // A and B pressed and released in this order
  QTest::addColumn<QStringList>("values");
  QTest::newRow("SC1 x10, x1") << "SC1" << "AB" << QStringList{"10", "11"};
  QTest::newRow("SC1 x10, x1, x10, x1") << "SC1" << "ABAB" << QStringList{"10", "11", "21", "22"};
  QTest::newRow("CG1 decrease, increase") << "CG1" << "AB" << QStringList{"99", "100"};
  QTest::newRow("CG1 alternating") << "CG1" << "ABAB" << QStringList{"99", "100", "99", "100"};
  QTest::newRow("TP1 left, right") << "TP1" << "AB" << QStringList{"-11", "-10"};
  QTest::newRow("TP1 alternating") << "TP1" << "ABAB" << QStringList{"-11", "-10", "-11", "-10"};
}

// Press and release follow each other with no event handled between them, as in the
// fastest clicks: every click is still one step, in click order.
void HoldRepeatTest::quickClicks() {
  QFETCH(QString, kind);
  QFETCH(QString, order);
  QFETCH(QStringList, values);
  Start(kind);
  for (const QChar c : order) {
    QPushButton* button = c == QLatin1Char('A') ? rig_->a : rig_->b;
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
  }
  // Each click's step is taken by the next click on the other button; the last one comes
  // one interval after its press.
  QCOMPARE(ids_.size(), order.size() - 1);
  QTRY_COMPARE(values_.size(), values.size());
  Settle();
  QCOMPARE(values_, values);
  QCOMPARE(ids_.size(), order.size());
  for (int i = 1; i < order.size(); ++i) {
    QCOMPARE(ids_[i] == ids_[i - 1], order[i] == order[i - 1]);
  }
}

void HoldRepeatTest::holdThenPressOther_data() {
  QTest::addColumn<QString>("kind");
  QTest::newRow("SC1") << "SC1";
  QTest::newRow("CG1") << "CG1";
  QTest::newRow("TP1") << "TP1";
}

// A is held and repeating when B is pressed: A's owed step comes at once and A stops;
// B repeats on its own timing, and letting A go does not end B's hold.
void HoldRepeatTest::holdThenPressOther() {
  QFETCH(QString, kind);
  Start(kind);
  const int idA = IdOf(rig_->a);
  const int idB = IdOf(rig_->b);
  QVERIFY(idA >= 0 && idB >= 0 && idA != idB);
  ids_.clear();

  QTest::mousePress(rig_->a, Qt::LeftButton);
  QTRY_VERIFY(ids_.size() >= 2);
  const int heldSteps = ids_.size();
  QTest::mousePress(rig_->b, Qt::LeftButton);
  QCOMPARE(ids_.size(), heldSteps + 1);  // A's owed step, taken with the press
  QCOMPARE(ids_.count(idA), ids_.size());
  QTRY_VERIFY(ids_.count(idB) >= 1);
  QTest::mouseRelease(rig_->a, Qt::LeftButton);
  const int bSteps = ids_.count(idB);
  QTRY_VERIFY(ids_.count(idB) >= bSteps + 2);  // still held
  QTest::mouseRelease(rig_->b, Qt::LeftButton);
  Settle();
  const int total = ids_.size();
  Settle();
  QCOMPARE(ids_.size(), total);
  QCOMPARE(ids_.count(idA), heldSteps + 1);
  // Once B took over, only B stepped.
  QCOMPARE(ids_.lastIndexOf(idA), heldSteps);
}

// The dialled pass number reaches the pass: two quick clicks give pass 11 at "Start".
void HoldRepeatTest::dialledPassStarts() {
  Start(QStringLiteral("SC1"));
  auto* sc = static_cast<orlix::SC1*>(rig_->panel.get());
  QSignalSpy pass(sc, &orlix::SC1::PassChange);
  QTest::mouseClick(rig_->a, Qt::LeftButton);
  QTest::mouseClick(rig_->b, Qt::LeftButton);
  QTRY_COMPARE(ids_.size(), 2);
  QTest::mouseClick(sc->findChild<QPushButton*>(QStringLiteral("EnterMid")), Qt::LeftButton);
  QCOMPARE(pass.count(), 1);
  QCOMPARE(pass.at(0).at(0).value<qint16>(), qint16{11});
}

QTEST_MAIN(HoldRepeatTest)
#include "test_hold_repeat.moc"
