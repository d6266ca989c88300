#include "widgets/SC1/SC1.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "widgets/common/HoldRepeat.h"
#include "widgets/common/StepPictures.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

using namespace sc1;

struct SlotLayout {
  const char* display;  // object name of the display
  const char* button;   // object name of the increment button
  const char* hint;     // hint of the display
  const char* group;    // hint of the button
  int left;             // twips, display and button alike
  int width;            // of the display (the button of a digit is 375 wide)
};

constexpr std::array<SlotLayout, kSlotCount> kSlots{{
    {"Pass0", "IncPass0", "x10", "Pass", 120, 375},
    {"Pass1", "IncPass1", "x1", "Pass", 480, 375},
    {"MidDigits0", "IncDigit0", "x1000", "Thickness", 1200, 375},
    {"MidDigits1", "IncDigit1", "x100", "Thickness", 1560, 375},
    {"MidDigits2", "IncDigit2", "x10", "Thickness", 1920, 375},
    {"MidDigits3", "IncDigit3", "x1", "Thickness", 2280, 375},
    {"MidDigits4", "IncDigit4", "x0.1", "Thickness", 2760, 345},
    {"ScaleLen", "IncShift", "1-40%", "Scale length", 3360, 495},
}};

constexpr int kDisplayTop = 360;
constexpr int kDisplayHeight = 495;
constexpr int kButtonTop = 840;
constexpr int kButtonHeight = 375;

QFont PanelFont() { return ui::StationFont(QStringLiteral("Arial"), 8.25); }

// A label at its place; a substitute font wider than the designed one lets the text run on
// to the right rather than cut it.
QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                 int width, int height, Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(align);
  ui::Name(label, QString::fromLatin1(name), text);
  ui::PlaceTwips(label, left, top, width, height);
  if (label->sizeHint().width() > label->width()) {
    label->resize(label->sizeHint().width(), label->height());
  }
  return label;
}

}  // namespace

SC1::SC1(QWidget* parent) : QWidget(parent) {
  setFont(PanelFont());
  ui::Name(this, QStringLiteral("SC1"), QStringLiteral("Data board"));

  frame_ = new QGroupBox(QStringLiteral("Data board"), this);
  ui::Name(frame_, QStringLiteral("Frame1"), QStringLiteral("Data board"));
  ui::PlaceTwips(frame_, 0, 0, 4935, 1335);
  // The caption sits on the frame's top line, so the headings below it stay clear of both.
  frame_->setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
      " left: 6px; padding: 0px 2px; }"));

  // The group headings sit low in their boxes, clear of the frame's caption.
  const Qt::Alignment heading = Qt::AlignLeft | Qt::AlignBottom;
  AddLabel(frame_, "Label1", QStringLiteral("Pass"), 360, 120, 375, 255, heading);
  AddLabel(frame_, "Label2", QStringLiteral("Thickness (mcm)"), 1440, 120, 1335, 255, heading);
  AddLabel(frame_, "Label3", QStringLiteral("Scale"), 3360, 120, 495, 255, heading);
  AddLabel(frame_, "Label4", QStringLiteral("/"), 960, 360, 135, 495);
  QLabel* point = AddLabel(frame_, "Label5", QStringLiteral("."), 2640, 480, 255, 495);
  point->setFont(ui::StationFont(QStringLiteral("Arial"), 13.5));
  QLabel* plusMinus = AddLabel(frame_, "Label6", QString(), 3120, 360, 375, 495);
  AddLabel(frame_, "Label7", QStringLiteral("%"), 3840, 360, 375, 495);
  plusMinus->setText(QStringLiteral("\u00B1"));
  plusMinus->setAccessibleName(plusMinus->text());

  const QFont digitFont = ui::StationFont(QStringLiteral("Arial"), 18);
  const QPalette base;
  repeat_ = new ui::HoldRepeat(kRepeatMs, this);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const SlotLayout& at = kSlots[static_cast<std::size_t>(slot)];
    const QString hint = QString::fromLatin1(at.hint);
    const QString group = QString::fromLatin1(at.group);

    auto* display = new QLineEdit(frame_);
    display->setReadOnly(true);
    display->setFocusPolicy(Qt::NoFocus);
    display->setFont(digitFont);
    display->setAlignment(Qt::AlignCenter);
    display->setTextMargins(0, 0, 0, 0);
    QPalette pal = display->palette();
    // The scale shows in the caption-text colour, the digits in the window colour.
    pal.setColor(QPalette::Text, slot == kScale ? base.color(QPalette::HighlightedText)
                                                : base.color(QPalette::Base));
    pal.setColor(QPalette::Base, ui::kReadoutBackground);
    display->setPalette(pal);
    display->setToolTip(hint);
    ui::Name(display, QString::fromLatin1(at.display), hint);
    ui::PlaceTwips(display, at.left, kDisplayTop, at.width, kDisplayHeight);
    displays_[static_cast<std::size_t>(slot)] = display;

    auto* button = new QPushButton(frame_);
    ui::SetStepPicture(button, ui::StepPicture::Up);
    button->setToolTip(group);
    // Several buttons share a hint; the name says which digit each one steps.
    ui::Name(button, QString::fromLatin1(at.button),
             slot == kScale ? group : group + QLatin1Char(' ') + hint);
    ui::PlaceTwips(button, at.left, kButtonTop, slot == kScale ? 495 : 375, kButtonHeight);
    increments_[static_cast<std::size_t>(slot)] = button;
    repeat_->Watch(button, slot);
  }
  connect(repeat_, &ui::HoldRepeat::Pressed, this, [this](int slot) { board_.Press(slot); });
  connect(repeat_, &ui::HoldRepeat::Step, this, &SC1::OnStep);

  const QFont bold = ui::StationFont(QStringLiteral("Arial"), 8.25, true);
  start_ = new QPushButton(QStringLiteral("Start"), frame_);
  start_->setFont(bold);
  ui::Name(start_, QStringLiteral("EnterMid"), QStringLiteral("Start"));
  ui::PlaceTwips(start_, 4200, 240, 615, 495);
  connect(start_, &QPushButton::clicked, this, &SC1::OnStart);

  stop_ = new QPushButton(QStringLiteral("Stop"), frame_);
  stop_->setFont(bold);
  ui::Name(stop_, QStringLiteral("BStop"), QStringLiteral("Stop"));
  ui::PlaceTwips(stop_, 4200, 720, 615, 495);
  connect(stop_, &QPushButton::clicked, this, &SC1::OnStop);

  setFixedSize(sizeHint());
  ShowTexts();
  ShowButtons();
}

QSize SC1::sizeHint() const { return ui::TwipsRect(0, 0, 5010, 1395).size(); }

void SC1::InitSC(qint16 P, float T, float S) {
  board_.InitSC(P, T, S);
  ShowTexts();
}

void SC1::Dial(qint16 P, float T) {
  board_.Dial(P, T);
  ShowTexts();
}

void SC1::OnStep(int slot) {
  board_.Step(slot);
  displays_[static_cast<std::size_t>(slot)]->setText(QString::fromStdString(board_.Text(slot)));
}

void SC1::OnStart() {
  const std::vector<sc1::BoardEvent> events = board_.Start();
  ShowButtons();
  Raise(events);
}

void SC1::OnStop() {
  const std::vector<sc1::BoardEvent> events = board_.Stop();
  ShowButtons();
  Raise(events);
}

void SC1::Raise(const std::vector<sc1::BoardEvent>& events) {
  using Kind = sc1::BoardEvent::Kind;
  for (const sc1::BoardEvent& e : events) {
    switch (e.kind) {
      case Kind::PassChange:
        emit PassChange(e.pass);
        break;
      case Kind::ThickChange:
        emit ThickChange(e.value);
        break;
      case Kind::ScaleChange:
        emit ScaleChange(e.value);
        break;
      case Kind::StartProc:
        emit StartProc();
        break;
      case Kind::StopProc:
        emit StopProc();
        break;
    }
  }
}

void SC1::ShowTexts() {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    displays_[static_cast<std::size_t>(slot)]->setText(QString::fromStdString(board_.Text(slot)));
  }
}

void SC1::ShowButtons() {
  start_->setEnabled(board_.StartEnabled());
  stop_->setEnabled(board_.StopEnabled());
}

}  // namespace orlix
