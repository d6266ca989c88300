#pragma once
// Hold-to-repeat for a panel's buttons, run as timer steps on Qt's event loop.
//
// A press on a watched button (any mouse button) sets the held flag and starts a one-shot
// timer of the interval. Each time it fires, one step is taken for the pressed button,
// and the timer is started again while the flag is still set. A release of that button
// clears the flag; the step already pending still comes. So the first step comes one
// interval after the press and a click shorter than the interval gives exactly one step.
// A release that never arrives (the button is hidden or disabled, or the window loses
// focus) also ends the repetition.
//
// Each press owes its own steps. A press while the step of an earlier press is still to come
// (that button is held, or was let go before its step came; the same button or another one
// of the panel) takes that step at once and ends its repetition; the new press's steps are
// then timed from itself. So quick clicks give one step each, in press order, and a double
// click (press, release, double-click press, release) gives two.

#include <QHash>
#include <QObject>
#include <QTimer>

class QAbstractButton;
class QWidget;

namespace orlix::ui {

class HoldRepeat : public QObject {
  Q_OBJECT

 public:
  HoldRepeat(int intervalMs, QObject* parent = nullptr);

  // Watches a button; `id` is handed back with every step of it.
  void Watch(QWidget* button, int id);

  bool Held() const { return held_; }
  // A step is still to come: the button is held, or its last step is still owed.
  bool Running() const { return timer_.isActive(); }
  int Interval() const { return timer_.interval(); }

 signals:
  // A press was seen on button `id` (before its first step).
  void Pressed(int id);
  // One step of button `id`.
  void Step(int id);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Press(int id);
  void Release();
  void Fire();

  QTimer timer_;
  QHash<QObject*, int> ids_;
  bool held_ = false;
  int current_ = -1;
};

}  // namespace orlix::ui
