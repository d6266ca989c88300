// The widgets: any value and size is safe, pictures show the values, panels raise events.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "widgets/AR1/AR1.h"
#include "widgets/CG1/CG1.h"
#include "widgets/DS1/DS1.h"
#include "widgets/GR1/GR1.h"
#include "widgets/HI1/HI1.h"
#include "widgets/KP12/KP12.h"
#include "widgets/SC1/SC1.h"
#include "widgets/TP1/TP1.h"
#include "widgets/common/HoldRepeat.h"
#include "widgets/common/RetainedSurface.h"
#include "widgets/common/UiCommon.h"

using namespace orlix;
using ui::RetainedSurface;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
const QColor kBlack(0, 0, 0), kWhite(255, 255, 255), kBlue(0, 0, 255), kYellow(255, 255, 0);

using Make = QWidget* (*)();
template <typename W>
QWidget* New() {
  return new W;
}

QPushButton* Button(const QWidget* w, const QString& n) { return w->findChild<QPushButton*>(n); }
QString Text(const QWidget* w, const QString& n) { return w->findChild<QLineEdit*>(n)->text(); }
void Click(QWidget* b) { QTest::mouseClick(b, Qt::LeftButton); }

auto Log(QStringList& events, const char* name) {  // a slot that logs "name value..."
  return [&events, name](auto... v) {
    events << QStringList{name, QString::number(v)...}.join(' ');
  };
}

// The three panels with hold-to-repeat, two of their buttons, and what A, A, B, A, B show.
const struct Panel {
  const char *kind, *a, *b, *steps;
  Make make;
} kPanels[] = {{"SC1", "IncPass0", "IncPass1", "10 20 21 31 32", New<SC1>},
               {"CG1", "Command2", "Command1", "99 98 99 98 99", New<CG1>},
               {"TP1", "SCL", "SCR", "-11 -12 -11 -12 -11", New<TP1>}};

QString Shown(QWidget* p) {  // the value the panel's buttons step
  if (auto* trend = qobject_cast<TP1*>(p)) return QString::number(trend->Canvas()->x());
  return qobject_cast<CG1*>(p) ? Text(p, "Text1") : Text(p, "Pass0") + Text(p, "Pass1");
}

QColor At(const RetainedSurface* s, double x, double y) {  // the back buffer's, in surface units
  const double scale = s->PixelsPerUnit() * s->Image().devicePixelRatio();
  return s->Image().pixelColor(int(x * scale + 1e-9), int(y * scale + 1e-9));
}

}  // namespace

class TestWidgets : public QObject {
  Q_OBJECT

 private slots:
  void anyValueAndSizeIsSafe_data() {
    QTest::addColumn<Make>("make");
    QTest::addColumn<bool>("tiny");
    for (Make make :
         {New<HI1>, New<AR1>, New<TP1>, New<DS1>, New<GR1>, New<SC1>, New<CG1>, New<KP12>}) {
      const char* kind = std::unique_ptr<QWidget>(make())->metaObject()->className();
      QTest::addRow("%s", kind) << make << false;
      QTest::addRow("%s 1x1", kind) << make << true;
    }
  }
  // Any value of each float property (or InitSC): no crash, children stay on their surface, and
  // the back buffer at pixel ratio 2 holds the same picture.
  void anyValueAndSizeIsSafe() {
    QFETCH(Make, make);
    QFETCH(bool, tiny);
    std::unique_ptr<QWidget> w(make());
    const auto surfaces = w->findChildren<RetainedSurface*>();
    for (RetainedSurface* s : surfaces) s->setFixedSize(tiny ? QSize(1, 1) : s->size());
    for (RetainedSurface* s : surfaces) s->SetPixelRatio(1.0);
    for (float v : {kNaN, kInf, -kInf, 3e38f, -3e38f, -50.0f, 0.0f, 1e-30f, 120.0f}) {
      if (auto* sc = qobject_cast<SC1*>(w.get())) sc->InitSC(v > 0 ? 32767 : -32768, v, v);
      for (int i = w->metaObject()->propertyOffset(); i < w->metaObject()->propertyCount(); ++i) {
        const QMetaProperty p = w->metaObject()->property(i);
        if (p.isWritable() && p.metaType() == QMetaType::fromType<float>()) p.write(w.get(), v);
      }
      for (RetainedSurface* s : surfaces)
        for (auto* c : s->findChildren<QWidget*>())
          QVERIFY(tiny || s->rect().contains(c->geometry()));
    }
    for (RetainedSurface* s : surfaces) {
      const QImage single = s->Image().copy();
      s->SetPixelRatio(2.0);
      QVERIFY(s->Image().size() == s->size() * 2 && s->Image().devicePixelRatio() == 2.0);
      const QImage halved = s->Image().scaled(s->size());
      int differing = 0, drawn = 0;  // against the picture at ratio 1, and its background
      for (int i = 0; i < single.width() * single.height(); ++i) {
        const int x = i % single.width(), y = i / single.width();
        differing += halved.pixel(x, y) != single.pixel(x, y);
        drawn += single.pixel(x, y) != single.pixel(0, 0);
      }
      QVERIFY2(tiny || differing * 2 <= drawn, qPrintable(QString::number(differing)));
    }
  }

  void instrumentsShowTheirValues() {
    HI1 h;  // units in their bins, OR-ed over the yellow bars of the last rescale
    RetainedSurface* s = h.Surface();
    s->SetPixelRatio(1.0);  // the buffer at the widget's size
    const auto unit = [s](int bin, int n) {
      const histogram::Unit u = histogram::UnitOf(bin, n, s->HeightUnits());
      return At(s, (u.x1 + u.x2) / 2.0, u.y - 0.25);
    };
    h.ResetHisto();
    for (int i = 0; i < 129; ++i) h.setCurrentValue(i < 127 ? 96.5f : 144.5f);  // bins 20, 30
    QVERIFY(unit(20, 1) == kWhite && unit(20, 12) == QColor(255, 255, 128) &&
            unit(20, 13) == ui::kNavy && unit(30, 2) == kBlue && unit(30, 3) == ui::kNavy);
    AR1 a;  // the arrow's tip over the value's place (the scale's end), the band over m ± s
    a.setCurrentValue(1e9f);
    const double tip = a.Arrow()->x() + a.Arrow()->width() / 2.0;
    QVERIFY(std::abs(tip * 0.75 - 164) <= 1.0 &&
            a.grab().toImage().pixelColor(int(tip), 5) == QColor(192, 0, 0));
    QVERIFY(At(a.Surface(), 60, 25) == kYellow && At(a.Surface(), 58, 25) != kYellow);
    TP1 t;  // a trend bar's ends, whole at pixel ratio 2 (ratio 1 against 2 is tested above)
    t.Canvas()->SetPixelRatio(2);
    t.setMidValue(120);
    t.setCurrentValue(180);
    for (int y = 0; y < 65; ++y) {
      const QColor expected = y == 32 ? kWhite : (y >= 21 && y <= 31 ? kBlue : kBlack);
      QVERIFY(At(t.Canvas(), 1, y) == expected && At(t.Canvas(), 1.75, y + 0.75) == expected);
    }
    GR1 g;  // a circle at (95, 51.75) and a 2 x 2 pixel dot at (56, 80.75)
    s = g.Surface();
    s->SetPixelRatio(1.0);
    const std::pair<const char*, float> sets[] = {{"XC", 10},      {"Ymax", 20}, {"XC", 5},
                                                  {"Ycircle", 10}, {"XC", 2},    {"Ypoint", 4}};
    for (auto [name, value] : sets) g.setProperty(name, value);
    QVERIFY(At(s, 95, 51.75) == kYellow && At(s, 98.75, 51.75) == kBlack);
    QVERIFY(At(s, 56, 80.75) == kBlue && At(s, 56.75, 81.5) == kBlue &&
            At(s, 57.5, 82.25) == kBlack);
  }

  // "Start" reports the touched set-point groups with their values, in order; the gain's "Increase"
  // from 100 wraps to 1 and "Decrease" goes back; a key raises its index with a left click only.
  void panelEvents() {
    SC1 panel;
    CG1 gain;
    QStringList events, gains;
    connect(&panel, &SC1::PassChange, Log(events, "Pass"));
    connect(&panel, &SC1::ThickChange, Log(events, "Thick"));
    connect(&panel, &SC1::ScaleChange, Log(events, "Scale"));
    connect(&panel, &SC1::StartProc, Log(events, "Start"));
    connect(&panel, &SC1::StopProc, Log(events, "Stop"));
    connect(&gain, &CG1::ControlOnOff, Log(gains, "On"));
    connect(&gain, &CG1::ControlGainChanged, Log(gains, "Gain"));
    panel.InitSC(7, 150.7f, 20.0f);
    for (auto* b : {"IncPass0", "IncPass1", "IncDigit2", "IncShift"}) Click(Button(&panel, b));
    QTRY_COMPARE(Text(&panel, "ScaleLen"), "21");
    QPushButton *start = Button(&panel, "EnterMid"), *stop = Button(&panel, "BStop");
    Click(start);
    QVERIFY(!start->isEnabled() && stop->isEnabled());
    QTest::mouseClick(Button(&panel, "IncPass0"), Qt::RightButton);  // marks its group at once
    Click(stop);
    QVERIFY(start->isEnabled() && !stop->isEnabled());
    for (QPushButton* b : {start, stop, start}) Click(b);
    QCOMPARE(events.join(", "),
             "Pass 18, Thick 160.7, Scale 21, Start, Stop, Pass 18, Start, Stop, Start");
    QTRY_COMPARE(Text(&panel, "Pass0"), "2");
    for (const char* b : {"Command3", "Command3", "Command1", "Command2"}) Click(Button(&gain, b));
    QTRY_COMPARE(gains.join(", "), "On 0, On 1, Gain 1, Gain 100");
    KP12 pad;
    QSignalSpy keys(&pad, &KP12::KeyPress12);
    for (int i = 0; i < KP12::kKeyCount; ++i) {
      QTest::mouseClick(pad.Key(i), Qt::RightButton);
      Click(pad.Key(i));
      QVERIFY(keys.count() == i + 1 && keys.last()[0].value<qint16>() == i);
    }
  }

  // Quick clicks, a double click too, give one step each in press order, each taken by the next
  // press, the last an interval later. A held stops at B's press with its owed step at once; B
  // repeats, also once A is let go, until `end`, and then takes the step it owes. The k-th step
  // of a hold comes no sooner than k intervals after it.
  void holdToRepeat_data() {
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("end");
    for (int i = 0; i < 3; ++i)
      for (const char* end : {"release", "hide", "disable", "deactivate"})  // how B's hold ends
        QTest::addRow("%s %s", kPanels[i].kind, end) << i << QString(end);
  }
  void holdToRepeat() {
    QFETCH(int, panel);
    QFETCH(QString, end);
    QList<int> ids;
    QList<qint64> at;  // of each step, ms on `clock`
    QStringList shown;
    QElapsedTimer clock;
    clock.start();
    const std::unique_ptr<QWidget> p(kPanels[panel].make());
    if (auto* trend = qobject_cast<TP1*>(p.get())) trend->Canvas()->move(-10, 0);
    QPushButton* buttonA = Button(p.get(), kPanels[panel].a);
    QPushButton* buttonB = Button(p.get(), kPanels[panel].b);
    auto* repeat = p->findChild<ui::HoldRepeat*>();
    connect(repeat, &ui::HoldRepeat::Step, p.get(), [&](int id) {  // after the panel's own
      ids << id, at << clock.elapsed(), shown << Shown(p.get());
    });
    const auto paced = [&](qint64 pressed, int first, int last) {  // steps [first, last)
      for (int i = first; i < last; ++i)
        if (at[i] - pressed < (i - first + 1) * repeat->Interval()) return false;
      return true;
    };
    p->show();
    p->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.get()));
    Click(buttonA);
    QTest::mouseDClick(buttonA, Qt::LeftButton);  // press, release, double click, release
    QTest::mouseRelease(buttonA, Qt::LeftButton);
    Click(buttonB), Click(buttonA);  // no event loop in between: no timer fires
    const qint64 lastPress = clock.elapsed();
    Click(buttonB);
    QCOMPARE(ids.size(), 4);
    QTRY_VERIFY(!repeat->Running());
    const int idA = ids[0], idB = ids[2];
    QVERIFY(idA != idB && ids == QList<int>({idA, idA, idB, idA, idB}));
    QVERIFY(at.last() - lastPress >= repeat->Interval());
    QCOMPARE(shown.join(" "), kPanels[panel].steps);
    ids.clear(), at.clear();
    const qint64 pressA = clock.elapsed();
    QTest::mousePress(buttonA, Qt::LeftButton);
    QTRY_VERIFY(ids.size() >= 2);
    const int heldSteps = ids.size();
    const qint64 pressB = clock.elapsed();
    QTest::mousePress(buttonB, Qt::LeftButton);
    QVERIFY(ids.size() == heldSteps + 1 && ids.count(idA) == ids.size());
    QTest::mouseRelease(buttonA, Qt::LeftButton);
    QTRY_VERIFY(ids.count(idB) >= 3);  // still held
    QWidget other;
    const int before = ids.size();
    if (end == "release") QTest::mouseRelease(buttonB, Qt::LeftButton);
    if (end == "hide") buttonB->hide();
    if (end == "disable") buttonB->setEnabled(false);
    if (end == "deactivate") other.show(), other.activateWindow();
    QTRY_VERIFY(!repeat->Held() && !repeat->Running());
    // Ended at once, the hold still takes its owed step; once B took over, only B stepped.
    if (end != "deactivate") QCOMPARE(ids.size(), before + 1);
    QCOMPARE(ids.lastIndexOf(idA), heldSteps);
    QVERIFY(paced(pressA, 0, heldSteps) && paced(pressB, heldSteps + 1, int(ids.size())));
  }
};

QTEST_MAIN(TestWidgets)
#include "test_widgets.moc"
