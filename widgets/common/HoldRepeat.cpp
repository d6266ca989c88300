#include "widgets/common/HoldRepeat.h"

#include <QEvent>
#include <QWidget>

namespace orlix::ui {

HoldRepeat::HoldRepeat(int intervalMs, QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  timer_.setInterval(intervalMs);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &HoldRepeat::Fire);
}

void HoldRepeat::Watch(QWidget* button, int id) {
  ids_.insert(button, id);
  button->installEventFilter(this);
  connect(button, &QObject::destroyed, this, [this, button] { ids_.remove(button); });
}

bool HoldRepeat::eventFilter(QObject* watched, QEvent* event) {
  const auto it = ids_.constFind(watched);
  if (it == ids_.constEnd()) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (static_cast<QWidget*>(watched)->isEnabled()) Press(it.value());
      break;
    case QEvent::MouseButtonRelease:
      if (it.value() == current_) Release();
      break;
    case QEvent::Hide:
    case QEvent::EnabledChange:
    case QEvent::FocusOut:
    case QEvent::WindowDeactivate:
    case QEvent::UngrabMouse:
      if (held_ && it.value() == current_) Release();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void HoldRepeat::Press(int id) {
  if (timer_.isActive()) {
    // The step owed to the press before is taken now, and its repetition ends with it.
    timer_.stop();
    held_ = false;
    emit Step(current_);
  }
  held_ = true;
  current_ = id;
  emit Pressed(id);
  timer_.start();
}

void HoldRepeat::Release() { held_ = false; }

void HoldRepeat::Fire() {
  const int id = current_;
  // The step pending at the release still comes; afterwards only while held.
  if (held_) timer_.start();
  emit Step(id);
}

}  // namespace orlix::ui
