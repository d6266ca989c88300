#include "app/PinWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "access/PinHash.h"
#include "widgets/KP12/KP12.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

constexpr int kMargin = 12;        // px
constexpr int kButtonWidth = 130;  // "OK" and "Cancel": a gloved finger's size
constexpr int kButtonHeight = 64;

}  // namespace

PinWindow::PinWindow(const QString& what, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Orlix / Engineer PIN"));
  ui::Name(this, QStringLiteral("PinWindow"), QStringLiteral("Engineer PIN"));
  setFont(ui::StationFont(QStringLiteral("Arial"), 8.25));

  keypad_ = new KP12(this);
  ui::Name(keypad_, QStringLiteral("KP121"), QStringLiteral("Keypad"));
  // A PIN has no point: that key takes back the last digit.
  QPushButton* back = keypad_->Key(KP12::kPointKey);
  back->setText(QStringLiteral("\u2190"));
  back->setAccessibleName(QStringLiteral("Delete last digit"));
  const int right = kMargin + keypad_->width() + 2 * kMargin;
  const int width = right + 2 * kButtonWidth + kMargin + kMargin;

  auto* prompt = new QLabel(QStringLiteral("Engineer PIN for %1").arg(what), this);
  ui::Name(prompt, QStringLiteral("Prompt"), prompt->text());
  QFont big = prompt->font();
  big.setPixelSize(16);
  big.setBold(true);
  prompt->setFont(big);
  prompt->setGeometry(right, kMargin, width - right - kMargin, 24);

  field_ = new QLineEdit(this);
  ui::Name(field_, QStringLiteral("PinField"), QStringLiteral("PIN"));
  field_->setEchoMode(QLineEdit::Password);
  field_->setMaxLength(static_cast<int>(access::kMaxPinDigits));
  field_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field_));
  QFont dots = field_->font();
  dots.setPixelSize(24);
  field_->setFont(dots);
  field_->setGeometry(right, kMargin + 32, 2 * kButtonWidth + kMargin, 40);

  message_ = new QLabel(this);
  ui::Name(message_, QStringLiteral("PinMessage"), QStringLiteral("Message"));
  message_->setWordWrap(true);
  message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont bold = message_->font();
  bold.setPixelSize(13);
  bold.setBold(true);
  message_->setFont(bold);
  QPalette red = message_->palette();
  red.setColor(QPalette::WindowText, QColor(192, 0, 0));
  message_->setPalette(red);
  message_->setGeometry(right, kMargin + 80, 2 * kButtonWidth + kMargin, 48);

  auto button = [this](const QString& name, const QString& caption, int left, int top) {
    auto* b = new QPushButton(caption, this);
    ui::Name(b, name, caption);
    QFont f = b->font();
    f.setPixelSize(18);
    f.setBold(true);
    b->setFont(f);
    b->setGeometry(left, top, kButtonWidth, kButtonHeight);
    b->setAutoDefault(false);
    return b;
  };
  const int height =
      std::max(kMargin + keypad_->height() + kMargin, kMargin + 136 + kButtonHeight + kMargin);
  keypad_->move(kMargin, (height - keypad_->height()) / 2);
  const int top = height - kMargin - kButtonHeight;
  QPushButton* ok = button(QStringLiteral("PinOk"), QStringLiteral("OK"), right, top);
  QPushButton* cancel = button(QStringLiteral("PinCancel"), QStringLiteral("Cancel"),
                               right + kButtonWidth + kMargin, top);
  setFixedSize(width, height);

  connect(keypad_, &KP12::KeyPress12, this, &PinWindow::OnKey);
  connect(ok, &QPushButton::clicked, this, [this] { emit Entered(field_->text()); });
  connect(field_, &QLineEdit::returnPressed, this, [this] { emit Entered(field_->text()); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  field_->setFocus();
}

QString PinWindow::Message() const { return message_->text(); }

void PinWindow::ShowMessage(const QString& text) {
  message_->setText(text);
  message_->setAccessibleDescription(text);
  field_->clear();
}

void PinWindow::OnKey(qint16 index) {
  if (index == KP12::kEnterKey) return emit Entered(field_->text());
  if (index == KP12::kPointKey) return field_->backspace();
  if (field_->text().size() < field_->maxLength()) field_->insert(QString::number(index));
}

}  // namespace orlix
