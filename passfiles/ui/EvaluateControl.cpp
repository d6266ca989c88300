#include "passfiles/ui/EvaluateControl.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <limits>

#include "base/Format.h"
#include "widgets/KP12/KP12.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

// Wide enough for "9999.9" and "100000", tall enough for a finger; the row stays narrower
// than the profile above it, so the window keeps its size.
constexpr int kFieldChars = 6;
constexpr int kTouchHeight = 30;
constexpr int kSpacing = 4;

double FieldValue(const QLineEdit* field) {
  return ParseListNumber(field->text().toStdString())
      .value_or(std::numeric_limits<double>::quiet_NaN());
}

}  // namespace

EvaluateControl::EvaluateControl(QWidget* parent) : QWidget(parent) {
  ui::Name(this, QStringLiteral("Evaluate"), QStringLiteral("Evaluate against a typed tolerance"));
  setToolTip(
      QStringLiteral("For a pass that records no limits: a tolerance to evaluate it against, "
                     "not recorded with the pass"));
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(kSpacing);
  auto label = [this, row](const QString& text, const QString& name) {
    auto* l = new QLabel(text, this);
    ui::Name(l, name, text);
    row->addWidget(l);
    return l;
  };
  label(QStringLiteral("Evaluate against"), QStringLiteral("EvaluateLabel"));
  const auto* numbers =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")), this);
  const std::array<std::pair<QString, QString>, kFields> names = {
      std::pair{QStringLiteral("EvaluatePlus"),
                QStringLiteral("Tolerance + <\u00B5m> to evaluate against")},
      {QStringLiteral("EvaluateMinus"),
       QStringLiteral("Tolerance \u2212 <\u00B5m> to evaluate against")},
      {QStringLiteral("EvaluateSetPoint"),
       QStringLiteral("Set-point <\u00B5m> to evaluate around")}};
  for (int i = 0; i < kFields; ++i) {
    if (i == kPlus) label(QStringLiteral("+"), QStringLiteral("EvaluatePlusSign"));
    if (i == kMinus) label(QStringLiteral("\u2212"), QStringLiteral("EvaluateMinusSign"));
    if (i == kSetPoint)
      around_ = label(QStringLiteral("\u00B5m around"), QStringLiteral("EvaluateAround"));
    auto* field = new QLineEdit(this);
    ui::Name(field, names[static_cast<std::size_t>(i)].first,
             names[static_cast<std::size_t>(i)].second);
    field->setValidator(numbers);
    field->setFixedSize(
        field->fontMetrics().horizontalAdvance(QString(kFieldChars, QLatin1Char('0'))) + 12,
        kTouchHeight);
    field->installEventFilter(this);
    connect(field, &QLineEdit::returnPressed, this, &EvaluateControl::Apply);
    row->addWidget(field);
    fields_[static_cast<std::size_t>(i)] = field;
  }
  unit_ = label(QStringLiteral("\u00B5m"), QStringLiteral("EvaluateUnit"));
  recordedPoint_ = label(QString(), QStringLiteral("EvaluateRecordedSetPoint"));
  row->addStretch(1);
  apply_ = new QPushButton(QStringLiteral("Apply"), this);
  ui::Name(apply_, QStringLiteral("EvaluateApply"),
           QStringLiteral("Evaluate against the typed tolerance"));
  clear_ = new QPushButton(QStringLiteral("Clear"), this);
  ui::Name(clear_, QStringLiteral("EvaluateClear"), QStringLiteral("Back to the pass as recorded"));
  for (QPushButton* button : {apply_, clear_}) {
    button->setFixedSize(button->fontMetrics().horizontalAdvance(button->text()) + 24,
                         kTouchHeight);
    row->addWidget(button);
  }
  connect(apply_, &QPushButton::clicked, this, &EvaluateControl::Apply);
  connect(clear_, &QPushButton::clicked, this, &EvaluateControl::Clear);

  // The keypad pops up under the field tapped and closes on a tap elsewhere.
  popup_ = new QFrame(this, Qt::Popup);
  popup_->setFrameShape(QFrame::Panel);
  ui::Name(popup_, QStringLiteral("EvaluateKeypad"), QStringLiteral("Keypad"));
  auto* popupLayout = new QVBoxLayout(popup_);
  popupLayout->setContentsMargins(2, 2, 2, 2);
  keypad_ = new KP12(popup_);
  popupLayout->addWidget(keypad_);
  for (int k = 0; k < KP12::kKeyCount; ++k) keypad_->Key(k)->setFocusPolicy(Qt::NoFocus);
  connect(keypad_, &KP12::KeyPress12, this, &EvaluateControl::Key);
  SetProfile(nullptr);
}

void EvaluateControl::SetProfile(const PassProfile* p) {
  const bool open = p != nullptr && (!p->limits || p->typed);
  setEnabled(open);
  if (!open) popup_->hide();
  const std::optional<double> recorded = p ? RecordedSetPoint(*p) : std::nullopt;
  for (QWidget* w : std::initializer_list<QWidget*>{around_, Field(kSetPoint), unit_})
    w->setVisible(!recorded);
  recordedPoint_->setVisible(recorded.has_value());
  if (recorded) {
    recordedPoint_->setText(QStringLiteral("\u00B5m around %1 \u00B5m")
                                .arg(QString::fromStdString(FigureText(*recorded, 2))));
  }
  clear_->setEnabled(p != nullptr && p->typed.has_value());
}

Tolerance EvaluateControl::TypedTolerance() const {
  return {FieldValue(Field(kPlus)), FieldValue(Field(kMinus))};
}

std::optional<double> EvaluateControl::TypedSetPoint() const {
  if (Field(kSetPoint)->isHidden()) return std::nullopt;
  return FieldValue(Field(kSetPoint));
}

void EvaluateControl::OpenKeypad(int i) {
  current_ = i;
  replace_ = true;
  QLineEdit* field = Field(i);
  field->setFocus();
  popup_->adjustSize();
  popup_->move(field->mapToGlobal(QPoint(0, field->height())));
  popup_->show();
}

void EvaluateControl::Key(qint16 index) {
  if (current_ < 0) return;
  if (index == KP12::kEnterKey) {
    int next = current_ + 1;
    while (next < kFields && Field(next)->isHidden()) ++next;
    if (next < kFields) {
      OpenKeypad(next);
    } else {
      popup_->hide();
      current_ = -1;
      emit Apply();
    }
    return;
  }
  QLineEdit* field = Field(current_);
  const QString text = (replace_ ? QString() : field->text()) +
                       (index == KP12::kPointKey ? QStringLiteral(".") : QString::number(index));
  replace_ = false;
  // Only what the keyboard may type too: digits and one point.
  int at = 0;
  QString candidate = text;
  if (field->validator()->validate(candidate, at) != QValidator::Invalid) field->setText(text);
}

bool EvaluateControl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && isEnabled()) {
    for (int i = 0; i < kFields; ++i) {
      if (watched == Field(i)) OpenKeypad(i);
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orlix
