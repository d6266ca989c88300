#include "app/QL.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/PassQuality.h"
#include "app/RunningPass.h"
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

QL::QL(Station& station, RunningPass& pass, QWidget* parent)
    : QWidget(parent), station_(station), pass_(pass) {
  setWindowTitle(QStringLiteral("Orlix / Thickness Measurement & Control"));
  setObjectName(QStringLiteral("QL"));
  BuildLayout();

  connect(&pass_, &RunningPass::Published, this, &QL::Show);

  timer1_.setInterval(1000);
  connect(&timer1_, &QTimer::timeout, this,
          [this] { text1_->setText(QString::fromStdString(station_.clock.TimeText())); });

  connect(sc11_, &SC1::PassChange, &pass_, &RunningPass::SetPass);
  connect(sc11_, &SC1::ThickChange, this, [this](float value) {
    pass_.SetSetPoint(value);
    ApplySetPoint();
  });
  connect(sc11_, &SC1::ScaleChange, this, [this](float value) {
    pass_.SetScale(value);
    ApplyScale();
  });
  PassQuality* quality = &pass_.Quality();
  connect(quality, &PassQuality::ProblemChanged, this, &QL::ShowQualityProblem);
  connect(quality, &PassQuality::ReportDone, this,
          [this, quality](bool ok, const QString& message) {
            if (ok && quality->Problem().isEmpty()) commands_[4]->setToolTip(message);
          });
  connect(sc11_, &SC1::StartProc, &pass_, &RunningPass::Start);
  connect(sc11_, &SC1::StopProc, &pass_, &RunningPass::Stop);
  connect(cg11_, &CG1::ControlGainChanged, &pass_, [this](float gain) { pass_.SetGain(gain); });
  connect(cg11_, &CG1::ControlOnOff, &pass_, &RunningPass::SetControl);
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
  text2_->setAutoFillBackground(true);  // opaque: its updates leave the window behind it alone
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
  pass_.Load();
  hi11_->ResetHisto();
  tp11_->ResetPlot();
  sc11_->InitSC(station_.values.PassNumber, station_.values.SetPointThickness,
                station_.values.ScaleLength);
  ApplySetPoint();
  ApplyScale();
  ApplyRollParameters();
  show();
  pass_.TakeSample();
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

// A pass start resets the instruments; a display update hands them the thickness and the
// roll; the sample and the pass file's state show in the "Sample" field.
void QL::Show(const StationSnapshot& s) {
  if (s.changes & StationSnapshot::kStarted) {
    hi11_->ResetHisto();
    tp11_->ResetPlot();
    ds11_->ResetData();
    // The roll display steps its length from the one it was last given: a new pass winds
    // from 0 m, so it must not step from the last length of the pass before.
    ds11_->setStripLength(0);
    ds11_->setCurrentValue(0);
  }
  if (s.changes & StationSnapshot::kDisplayed) {
    hi11_->setCurrentValue(s.thickness);
    ar11_->setCurrentValue(s.thickness);
    tp11_->setCurrentValue(s.thickness);
    ds11_->setStripLength(s.stripLength);
    ds11_->setCurrentValue(s.thickness);
  }
  if (s.changes & StationSnapshot::kSampled) ShowSample(s.sample);
  if (s.changes & StationSnapshot::kFile) ShowFileProblem(s.fileFailing);
  // While the strip is off gauge the band follows its length at the display updates.
  if ((s.changes & StationSnapshot::kAlarm) ||
      (s.alarm.active && (s.changes & StationSnapshot::kDisplayed))) {
    ShowAlarm(s.alarm);
  }
}

void QL::ShowAlarm(const AlarmState& alarm) {
  constexpr int kBand = 72;  // px: the band's height; big enough to be seen from afar
  const int height = geometry::Px(4815);
  if (!alarmBand_) {
    alarmBand_ = new QWidget(this);
    alarmBand_->setGeometry(0, height, width(), kBand);
    alarmBand_->setAutoFillBackground(true);
    ui::Name(alarmBand_, QStringLiteral("AlarmBand"), QStringLiteral("Off-gauge alarm"));
    alarmSide_ = new QLabel(alarmBand_);
    alarmSide_->setGeometry(8, 0, 130, kBand);
    QFont big = alarmSide_->font();
    big.setPixelSize(40);
    big.setBold(true);
    alarmSide_->setFont(big);
    ui::Name(alarmSide_, QStringLiteral("AlarmSide"), QStringLiteral("Alarm side"));
    alarmText_ = new QLabel(alarmBand_);
    alarmText_->setGeometry(140, 0, width() - 140 - 180, kBand);
    alarmText_->setWordWrap(true);
    QFont bold = alarmText_->font();
    bold.setPixelSize(14);
    bold.setBold(true);
    alarmText_->setFont(bold);
    ui::Name(alarmText_, QStringLiteral("AlarmText"), QStringLiteral("Alarm"));
    // Large enough for a gloved finger.
    auto* ack = new QPushButton(QStringLiteral("Acknowledge"), alarmBand_);
    alarmAck_ = ack;
    ack->setGeometry(width() - 172, 8, 164, kBand - 16);
    QFont ackFont = ack->font();
    ackFont.setPixelSize(16);
    ackFont.setBold(true);
    ack->setFont(ackFont);
    ui::Name(ack, QStringLiteral("AlarmAck"), QStringLiteral("Acknowledge the alarm"));
    connect(ack, &QPushButton::clicked, &pass_, &RunningPass::AcknowledgeAlarm);
    // The button keeps its own look while the band blinks behind it.
    ack->setStyleSheet(QStringLiteral("background: rgb(255, 80, 80); color: white;"));
    alarmBlink_.setInterval(500);
    // Blinking swaps the band's palette: a style sheet would polish the band and its
    // children again twice a second.
    connect(&alarmBlink_, &QTimer::timeout, this, [this] { LightBand(!alarmLit_); });
  }
  if (!alarm.raised) {
    alarmBlink_.stop();
    alarmBand_->hide();
    setFixedSize(width(), height);
    return;
  }
  const bool thick = alarm.side == AlarmSide::kThick;
  const QString side = thick ? QStringLiteral("THICK") : QStringLiteral("THIN");
  const QString text =
      QStringLiteral("%1 %2 %3 µm for %4 m from %5 m, extreme %6 µm")
          .arg(alarm.active ? QStringLiteral("Strip") : QStringLiteral("Returned: strip was"),
               thick ? QStringLiteral("above") : QStringLiteral("below"))
          .arg(alarm.limit, 0, 'f', 1)
          .arg(alarm.offLength, 0, 'f', 1)
          .arg(alarm.startLength, 0, 'f', 1)
          .arg(alarm.extreme, 0, 'f', 1);
  alarmSide_->setText(side);
  alarmText_->setText(text);
  // Red while off gauge, amber once back within; blinking until acknowledged.
  const QColor colour = alarm.active ? QColor(220, 0, 0) : QColor(255, 160, 0);
  if (colour != alarmColour_ || alarmBand_->isHidden()) {
    alarmColour_ = colour;
    LightBand(true);
  }
  alarmAck_->setEnabled(!alarm.acknowledged);
  if (alarm.acknowledged) {
    alarmBlink_.stop();
    if (!alarmLit_) LightBand(true);
  } else if (!alarmBlink_.isActive()) {
    alarmBlink_.start();
  }
  const QString state =
      alarm.acknowledged ? QStringLiteral("acknowledged") : QStringLiteral("not acknowledged");
  // Each change is an event for a screen reader: only what changed is set.
  const QString name = QStringLiteral("Off-gauge alarm: %1, %2").arg(side, state);
  if (alarmBand_->accessibleName() != name) alarmBand_->setAccessibleName(name);
  if (alarmBand_->accessibleDescription() != text) alarmBand_->setAccessibleDescription(text);
  if (size() != QSize(width(), height + kBand)) setFixedSize(width(), height + kBand);
  alarmBand_->show();
}

void QL::LightBand(bool lit) {
  alarmLit_ = lit;
  QPalette look = alarmBand_->palette();
  look.setColor(QPalette::Window, lit ? alarmColour_ : QColor(60, 0, 0));
  look.setColor(QPalette::WindowText, lit ? QColor(Qt::white) : alarmColour_);
  alarmBand_->setPalette(look);
}

void QL::ShowLinkText(const QString& text) {
  modbusText_ = text;
  ShowLinkLabel();
}

void QL::ShowMqttText(const QString& text) {
  mqttText_ = text;
  ShowLinkLabel();
}

void QL::ShowLinkLabel() {
  // "Link: 2 clients" is news, "Link: PLC lost" a problem.
  const bool modbusProblem = !modbusText_.isEmpty() &&
                             !modbusText_.endsWith(QStringLiteral("client")) &&
                             !modbusText_.endsWith(QStringLiteral("clients"));
  const QString text = mqttText_.isEmpty() || modbusProblem ? modbusText_ : mqttText_;
  const QString both = modbusText_.isEmpty() || mqttText_.isEmpty()
                           ? text
                           : modbusText_ + QStringLiteral("; ") + mqttText_;
  if (!linkText_) {
    linkText_ = new QLabel(this);
    linkText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    linkText_->setFont(ui::StationFont(QStringLiteral("MS Sans Serif"), 6.75));
    ui::PlaceTwips(linkText_, 7680, 1935, 1215, 195);
    ui::Name(linkText_, QStringLiteral("LinkText"), QStringLiteral("Plant link"));
  }
  linkText_->setText(text);
  linkText_->setToolTip(both);
  linkText_->setAccessibleDescription(both);
  linkText_->setVisible(!text.isEmpty());
}

void QL::ShowSample(double sample) {
  const QString text = QString::fromStdString(FormatPattern(sample, "#####0"));
  if (text2_->text() != text) text2_->setText(text);
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

void QL::SetWindowGate(int command, WindowGate gate) { gates_[command] = std::move(gate); }

void QL::OpenWindow(int command) {
  if (!windows_[command] && gates_[command]) {
    gates_[command]([this, command] { ShowWindow(command); });
    return;
  }
  ShowWindow(command);
}

void QL::ShowWindow(int command) {
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
  pass_.Abandon();
  timer1_.stop();
  emit Unloaded();
}

}  // namespace orlix
