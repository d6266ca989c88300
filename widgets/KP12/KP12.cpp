#include "widgets/KP12/KP12.h"

#include <QEvent>
#include <QPushButton>

#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

struct KeyLayout {
  const char* caption;
  int left;  // twips
  int top;
};

// By index: the digits, then "." and "Enter"; a 600-twip grid with "7 8 9" on top.
constexpr std::array<KeyLayout, KP12::kKeyCount> kKeys{{
    {"0", 600, 1800},
    {"1", 0, 1200},
    {"2", 600, 1200},
    {"3", 1200, 1200},
    {"4", 0, 600},
    {"5", 600, 600},
    {"6", 1200, 600},
    {"7", 0, 0},
    {"8", 600, 0},
    {"9", 1200, 0},
    {".", 1200, 1800},
    {"Enter", 0, 1800},
}};

constexpr int kKeySize = 495;

}  // namespace

KP12::KP12(QWidget* parent) : QWidget(parent) {
  const QFont defaultFont = ui::StationFont(QStringLiteral("Arial"), 8.25);
  const QFont keyFont = ui::StationFont(QStringLiteral("Arial"), 15.75, true);
  setFont(defaultFont);
  ui::Name(this, QStringLiteral("KP12"), QStringLiteral("Keypad"));
  for (int i = 0; i < kKeyCount; ++i) {
    const KeyLayout& at = kKeys[static_cast<std::size_t>(i)];
    const QString caption = QString::fromLatin1(at.caption);
    auto* key = new QPushButton(caption, this);
    if (i != kEnterKey) key->setFont(keyFont);
    ui::Name(key, QStringLiteral("Command1_%1").arg(i), caption);
    ui::PlaceTwips(key, at.left, at.top, kKeySize, kKeySize);
    key->installEventFilter(this);
    const auto index = static_cast<qint16>(i);
    connect(key, &QPushButton::clicked, this, [this, index] { emit KeyPress12(index); });
    if (i > 0) setTabOrder(keys_[static_cast<std::size_t>(i - 1)], key);
    keys_[static_cast<std::size_t>(i)] = key;
  }
  setFixedSize(sizeHint());
}

QSize KP12::sizeHint() const { return ui::TwipsRect(0, 0, 1710, 2340).size(); }

bool KP12::eventFilter(QObject* watched, QEvent* event) {
  // The press colour shows while any mouse button is down on a key; a key hidden or
  // disabled meanwhile never sees its release, so it returns to the button face then too.
  auto* key = qobject_cast<QPushButton*>(watched);
  if (key != nullptr) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (key->isEnabled()) ui::SetButtonBackground(key, ui::kPressedColor);
        break;
      case QEvent::MouseButtonRelease:
      case QEvent::Hide:
      case QEvent::EnabledChange:
        ui::SetButtonBackground(key, QColor());
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orlix
