// The widget gallery: every instrument and panel of the station with live simulated values,
// to look at a widget on its own. Events of the panels are shown in the status line.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "base/Format.h"
#include "base/SystemPlatform.h"
#include "core/Stats.h"
#include "widgets/AR1/AR1.h"
#include "widgets/CG1/CG1.h"
#include "widgets/DS1/DS1.h"
#include "widgets/GR1/GR1.h"
#include "widgets/HI1/HI1.h"
#include "widgets/KP12/KP12.h"
#include "widgets/SC1/SC1.h"
#include "widgets/TP1/TP1.h"
#include "widgets/common/UiCommon.h"

int main(int argc, char** argv) {
  using namespace orlix;
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Widget gallery"));
  window.setFixedSize(geometry::Px(13300), geometry::Px(7700));

  auto* hi = new HI1(&window);
  ui::PlaceTwips(hi, 120, 120, 3735, 2895);
  auto* ar = new AR1(&window);
  ui::PlaceTwips(ar, 120, 3120, 3735, 1095);
  auto* ds = new DS1(&window);
  ui::PlaceTwips(ds, 3960, 120, 2295, 2055);
  auto* cg = new CG1(&window);
  ui::PlaceTwips(cg, 6360, 120, 1455, 1455);
  auto* sc = new SC1(&window);
  ui::PlaceTwips(sc, 3960, 2280, 5055, 1455);
  auto* tp = new TP1(&window);
  ui::PlaceTwips(tp, 3960, 3840, 5055, 1335);
  auto* kp = new KP12(&window);
  ui::PlaceTwips(kp, 9240, 120, 1710, 2340);
  auto* gr = new GR1(&window);
  ui::PlaceTwips(gr, 9240, 2640, 3375, 2295);
  auto* status = new QLabel(QStringLiteral("Start a pass on the data board."), &window);
  ui::PlaceTwips(status, 120, 5400, 12000, 300);
  status->setObjectName(QStringLiteral("status"));

  // Live values: a simulated thickness around the set-point, ten times a second.
  static Pcg32Uniform uniform;
  static Stats stats(uniform);
  static float setPoint = 120, scale = 40, length = 0;
  static bool running = false;
  sc->InitSC(0, setPoint, scale);
  hi->ResetHisto();
  tp->ResetPlot();
  ds->setSpoolDiam(570);
  ds->ResetData();

  QObject::connect(sc, &SC1::ThickChange, [&](float v) {
    setPoint = v;
    hi->setMidValue(v);
    ar->setMidValue(v);
    tp->setMidValue(v);
    status->setText(QStringLiteral("ThickChange(%1)").arg(v));
  });
  QObject::connect(sc, &SC1::ScaleChange, [&](float v) {
    scale = v;
    hi->setScalelength(v);
    ar->setScalelength(v);
    tp->setScalelength(v);
  });
  QObject::connect(sc, &SC1::StartProc, [&] {
    running = true;
    length = 0;
    hi->ResetHisto();
    tp->ResetPlot();
    ds->ResetData();
    status->setText(QStringLiteral("StartProc: values arrive ten times a second"));
  });
  QObject::connect(sc, &SC1::StopProc, [&] {
    running = false;
    status->setText(QStringLiteral("StopProc: average %1, deviation %2")
                        .arg(QString::fromStdString(FormatPattern(hi->Average(), "###0.0#")),
                             QString::fromStdString(FormatPattern(hi->Msdeviation(), "##0.0#"))));
  });
  QObject::connect(cg, &CG1::ControlGainChanged, [&](float g) {
    status->setText(QStringLiteral("ControlGainChanged(%1)").arg(g));
  });
  QObject::connect(cg, &CG1::ControlOnOff, [&](bool on) {
    status->setText(QStringLiteral("ControlOnOff(%1)").arg(on ? "true" : "false"));
  });
  QObject::connect(kp, &KP12::KeyPress12,
                   [&](qint16 i) { status->setText(QStringLiteral("KeyPress12(%1)").arg(i)); });

  QTimer values;
  values.setInterval(100);
  QObject::connect(&values, &QTimer::timeout, [&] {
    if (!running) return;
    const float t = static_cast<float>(stats.PoissonCount(setPoint));
    hi->setCurrentValue(t);
    ar->setCurrentValue(t);
    tp->setCurrentValue(t);
    length += 1;
    ds->setStripLength(length);
    ds->setCurrentValue(t);
  });
  values.start();

  window.show();
  if (argc > 2 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--shot")) {
    // Screenshot mode: start a pass, let values arrive, save the window and quit.
    const QString path = QString::fromLocal8Bit(argv[2]);
    QTimer::singleShot(0, [&] {
      running = true;
      hi->ResetHisto();
      tp->ResetPlot();
    });
    QTimer::singleShot(4000, [&, path] {
      window.grab().save(path);
      app.quit();
    });
  }
  return app.exec();
}
