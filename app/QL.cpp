#include "app/QL.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "app/PassQuality.h"
#include "app/Station.h"
#include "base/Format.h"
#include "widgets/AR1/AR1.h"
#include "widgets/CG1/CG1.h"
#include "widgets/DS1/DS1.h"
#include "widgets/HI1/HI1.h"
#include "widgets/SC1/SC1.h"
#include "widgets/TP1/TP1.h"
#include "widgets/common/UiCommon.h"

namespace orlix {

// The instruments as the cycle sees them.
class QL::Instruments final : public CycleInstruments {
 public:
  explicit Instruments(QL& w) : w_(w) {}

  void ResetInstruments() override {
    w_.hi11_->ResetHisto();
    w_.tp11_->ResetPlot();
    w_.ds11_->ResetData();
    // The roll display steps its length from the one it was last given: a new pass winds
    // from 0 m, so it must not step from the last length of the pass before.
    w_.ds11_->setStripLength(0);
    w_.ds11_->setCurrentValue(0);
  }
  void ShowThickness(float t) override {
    w_.hi11_->setCurrentValue(t);
    w_.ar11_->setCurrentValue(t);
    w_.tp11_->setCurrentValue(t);
  }
  void ShowRoll(float length, float t) override {
    w_.ds11_->setStripLength(length);
    w_.ds11_->setCurrentValue(t);
    emit w_.Displayed();
  }
  void RollValues(float& rollDiam, float& rollWeight) override {
    rollDiam = w_.ds11_->RollDiam();
    rollWeight = w_.ds11_->RollWeight();
  }
  void ShowSample(double sample) override { w_.ShowSample(sample); }
  HistogramSummary Histogram() override {
    HistogramSummary h;
    h.average = w_.hi11_->Average();
    h.deviation = w_.hi11_->Msdeviation();
    for (qint16 k = 0; k < kHistogramBins; ++k) {
      w_.hi11_->setHistoIndex(k);
      h.x[static_cast<std::size_t>(k)] = w_.hi11_->HistoX();
      h.y[static_cast<std::size_t>(k)] = w_.hi11_->HistoY();
    }
    return h;
  }
  void ShowFileProblem(bool failing) override { w_.ShowFileProblem(failing); }

 private:
  QL& w_;
};

QL::QL(Station& station, QWidget* parent)
    : QWidget(parent), station_(station), instruments_(std::make_unique<Instruments>(*this)) {
  cycle_ = std::make_unique<MeasurementCycle>(station_.settings, station_.values, station_.daq,
                                              station_.measure, station_.passWriter, station_.clock,
                                              *instruments_);
  quality_ = std::make_unique<PassQuality>(station_);
  setWindowTitle(QStringLiteral("Orlix / Thickness Measurement & Control"));
  setObjectName(QStringLiteral("QL"));
  BuildLayout();

  cycleTimer_.setTimerType(Qt::PreciseTimer);
  connect(&cycleTimer_, &QTimer::timeout, this, &QL::CycleStep);

  timer1_.setInterval(1000);
  connect(&timer1_, &QTimer::timeout, this,
          [this] { text1_->setText(QString::fromStdString(station_.clock.TimeText())); });

  connect(sc11_, &SC1::PassChange, this,
          [this](qint16 pass) { station_.values.PassNumber = pass; });
  connect(sc11_, &SC1::ThickChange, this, [this](float value) {
    station_.values.SetPointThickness = value;
    ApplySetPoint();
  });
  connect(sc11_, &SC1::ScaleChange, this, [this](float value) {
    station_.values.ScaleLength = value;
    ApplyScale();
  });
  connect(quality_.get(), &PassQuality::ProblemChanged, this, &QL::ShowQualityProblem);
  connect(quality_.get(), &PassQuality::ReportDone, this, [this](bool ok, const QString& message) {
    if (ok && quality_->Problem().isEmpty()) commands_[4]->setToolTip(message);
  });
  connect(sc11_, &SC1::StartProc, this, &QL::StartProc);
  connect(sc11_, &SC1::StopProc, this, &QL::StopProc);
  connect(cg11_, &CG1::ControlGainChanged, this,
          [this](float gain) { station_.values.ControlGain = gain; emit Displayed(); });
  connect(cg11_, &CG1::ControlOnOff, this, [this](bool on) {
    station_.values.ControlOn = on;
    emit Displayed();
  });
}

QL::~QL() = default;

void QL::BuildLayout() {
  using ui::Name;
  using ui::PlaceTwips;
  // The client area is just large enough for the set-point panel and the instruments.
  setFixedSize(geometry::Px(9015), geometry::Px(4815));

  auto label = [this](const QString& text, int l, int t, int w, int h) {
    auto* lbl = new QLabel(text, this);
    PlaceTwips(lbl, l, t, w, h);
    // A caption wider than its place grows to the right instead of being cut.
    if (lbl->sizeHint().width() > lbl->width()) lbl->resize(lbl->sizeHint().width(), lbl->height());
    return lbl;
  };
  auto command = [this](int index, const QString& caption, const QString& hint, int l, int t, int w,
                        int h) {
    auto* b = new QPushButton(caption, this);
    Name(b, QStringLiteral("Command%1").arg(index), caption);
    b->setToolTip(hint);
    PlaceTwips(b, l, t, w, h);
    commands_[index] = b;
    return b;
  };

  command(5, QStringLiteral("Close"), QStringLiteral("Close the program"), 240, 120, 735, 255);
  label(QStringLiteral("Thickness distribution"), 1320, 240, 1575, 255);
  hi11_ = new HI1(this);
  PlaceTwips(hi11_, 240, 480, 3735, 2895);
  Name(hi11_, QStringLiteral("HI11"), QStringLiteral("Thickness distribution"));
  label(QStringLiteral("Current thickness"), 1440, 3480, 1335, 255);
  ar11_ = new AR1(this);
  PlaceTwips(ar11_, 240, 3720, 3735, 1095);
  Name(ar11_, QStringLiteral("AR11"), QStringLiteral("Current thickness"));
  ds11_ = new DS1(this);
  PlaceTwips(ds11_, 3960, 0, 2295, 2055);
  Name(ds11_, QStringLiteral("DS11"), QStringLiteral("Roll data"));
  cg11_ = new CG1(this);
  PlaceTwips(cg11_, 6240, 600, 1455, 1455);
  Name(cg11_, QStringLiteral("CG11"), QStringLiteral("Control"));
  sc11_ = new SC1(this);
  PlaceTwips(sc11_, 3960, 2040, 5055, 1455);
  Name(sc11_, QStringLiteral("SC11"), QStringLiteral("Data board"));
  tp11_ = new TP1(this);
  PlaceTwips(tp11_, 3960, 3480, 5055, 1335);
  Name(tp11_, QStringLiteral("TP11"), QStringLiteral("Deviations"));

  label(QStringLiteral("Sample"), 6600, 0, 615, 255);
  text2_ = new QLineEdit(this);
  text2_->setReadOnly(true);
  PlaceTwips(text2_, 6240, 240, 1290, 315);
  Name(text2_, QStringLiteral("Text2"), QStringLiteral("Sample"));

  label(QStringLiteral("Time "), 8040, 0, 495, 255);
  text1_ = new QLineEdit(this);
  text1_->setReadOnly(true);
  QFont bold = text1_->font();
  bold.setBold(true);
  text1_->setFont(bold);
  PlaceTwips(text1_, 7680, 240, 1215, 315);
  Name(text1_, QStringLiteral("Text1"), QStringLiteral("Time "));

  command(2, QStringLiteral("Settings"), QStringLiteral("Settings"), 7680, 600, 1215, 375);
  command(3, QStringLiteral("Fitting"), QStringLiteral("Calibration"), 7680, 1080, 1215, 375);
  command(4, QStringLiteral("Files"), QStringLiteral("Pass files"), 7680, 1560, 1215, 375);

  for (int i = 2; i <= 4; ++i) {
    connect(commands_[i], &QPushButton::clicked, this, [this, i] { OpenWindow(i); });
  }
  connect(commands_[5], &QPushButton::clicked, this, &QL::Unload);
}

void QL::Load() {
  Cfgfile(station_.files).ReadConfiguration(station_.settings);
  station_.ReadCoefficients();
  hi11_->ResetHisto();
  tp11_->ResetPlot();
  station_.values.SetStartValues();
  sc11_->InitSC(station_.values.PassNumber, station_.values.SetPointThickness,
                station_.values.ScaleLength);
  ApplySetPoint();
  ApplyScale();
  ApplyRollParameters();
  show();
  ShowSample(cycle_->TakeSample());
  text1_->setText(QString::fromStdString(station_.clock.TimeText()));
  timer1_.start();
}

void QL::ApplySetPoint() {
  const float v = station_.values.SetPointThickness;
  ar11_->setMidValue(v);
  hi11_->setMidValue(v);
  tp11_->setMidValue(v);
}

void QL::ApplyScale() {
  const float v = station_.values.ScaleLength;
  ar11_->setScalelength(v);
  hi11_->setScalelength(v);
  tp11_->setScalelength(v);
}

void QL::ApplyRollParameters() {
  ds11_->setCurrentValue(0);
  ds11_->setBasisWeight(static_cast<float>(station_.settings[BasisWeight]));
  ds11_->setStripWidth(static_cast<float>(station_.settings[StripWidth]));
  ds11_->setSpoolDiam(static_cast<float>(station_.settings[SpoolDiameter]));
}

bool QL::PassRunning() const { return cycle_->Running(); }

void QL::StartProc() {
  if (cycle_->Running()) return;
  quality_->BeginPass();
  cycle_->StartPass();
  ArmCycle();
  emit Displayed();
}

void QL::StopProc() {
  const bool running = cycle_->Running();
  cycle_->StopPass();
  cycleTimer_.stop();
  if (running) quality_->EndPass();
  emit Displayed();
}

void QL::ShowLinkText(const QString& text) {
  if (!linkText_) {
    linkText_ = new QLabel(this);
    linkText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    linkText_->setFont(ui::StationFont(QStringLiteral("MS Sans Serif"), 6.75));
    ui::PlaceTwips(linkText_, 7680, 1935, 1215, 195);
    ui::Name(linkText_, QStringLiteral("LinkText"), QStringLiteral("Plant link"));
  }
  linkText_->setText(text);
  linkText_->setAccessibleDescription(text);
  linkText_->setVisible(!text.isEmpty());
}

// Between two due actions no measurement would be shown, recorded or acted on, so the
// window sleeps until the earliest period is reached instead of measuring all the time.
void QL::ArmCycle() {
  // A day at most: the timer takes whole milliseconds in an int; a longer period is
  // simply waited for again.
  constexpr double kLongestWaitMs = 86'400'000.0;
  const double wait = cycle_->SecondsUntilDue();
  if (std::isinf(wait)) {
    cycleTimer_.stop();
    return;
  }
  // The next whole millisecond, never before the due time: the cycle counts an action as
  // taken at its due moment, so waking up to a millisecond late costs nothing, while waking
  // early would cost a wasted step and a second wake-up.
  const int ms = wait <= 0.0
                     ? 0
                     : static_cast<int>(std::clamp(std::ceil(wait * 1000.0), 1.0, kLongestWaitMs));
  // While a period is 0 the cycle steps on every pass of the event loop, as it always did.
  if (ms == 0 && cycleTimer_.isActive() && cycleTimer_.interval() == 0) return;
  cycleTimer_.start(ms);
}

void QL::CycleStep() {
  if (cycle_->Step()) {
    ArmCycle();
  } else {
    cycleTimer_.stop();
  }
}

void QL::ShowSample(double sample) {
  text2_->setText(QString::fromStdString(FormatPattern(sample, "#####0")));
}

void QL::ShowFileProblem(bool failing) {
  if (failing) {
    text2_->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid rgb(255, 0, 0); }"));
    text2_->setToolTip(QStringLiteral("The pass file cannot be written in %1")
                           .arg(QString::fromStdString(station_.files.Location())));
  } else {
    text2_->setStyleSheet(QString());
    text2_->setToolTip(QString());
  }
  text2_->setAccessibleDescription(text2_->toolTip());
}

// Archive, information file and report problems show on "Files", where the pass files are.
void QL::ShowQualityProblem(const QString& problem) {
  QPushButton* files = commands_[4];
  files->setStyleSheet(problem.isEmpty()
                           ? QString()
                           : QStringLiteral("QPushButton { border: 2px solid rgb(255, 0, 0); }"));
  files->setToolTip(problem.isEmpty() ? QStringLiteral("Pass files") : problem);
  files->setAccessibleDescription(problem);
}

void QL::SetWindowFactory(int command, WindowFactory factory) {
  factories_[command] = std::move(factory);
}

QWidget* QL::SecondaryWindow(int command) const { return windows_[command]; }

void QL::OpenWindow(int command) {
  if (!windows_[command]) {
    if (!factories_[command]) return;
    QWidget* w = factories_[command]();
    if (!w) return;
    w->setAttribute(Qt::WA_DeleteOnClose);
    windows_[command] = w;
  }
  windows_[command]->show();
  windows_[command]->raise();
  windows_[command]->activateWindow();
}

void QL::closeEvent(QCloseEvent* event) {
  Unload();
  event->accept();
}

void QL::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  hide();
  cycle_->Abandon();
  cycleTimer_.stop();
  timer1_.stop();
  emit Unloaded();
}

}  // namespace orlix
