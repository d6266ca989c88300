#pragma once
// The engineer level in the program. With a PIN in station.ini, "Settings" and "Fitting" open
// after the right PIN in the PIN window, or at once while an engineer session runs. Any
// operator input in the program (mouse, touch, keys) keeps the session going; when it times
// out, its windows close without saving, a message on the main window says why, and the
// station is back at the operator level. The audit trail's level follows the session, and
// the session's start and end, wrong PINs and the lock are events of kind "access".

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <vector>

#include "access/Access.h"

class QMessageBox;
class QWidget;

namespace orlix {

namespace audit {
class AuditLog;
}
class FileAccess;
class PinWindow;
class QL;
class StationIni;

class AccessGate : public QObject {
  Q_OBJECT

 public:
  // Reads [access] of station.ini, and again before each PIN is asked for; watches the
  // program's input from now on.
  AccessGate(StationIni& ini, Clock& clock, QL& window, audit::AuditLog* log = nullptr);
  ~AccessGate() override;

  access::Session& Session() { return session_; }

  // Runs `open` at once when no PIN is set or a session runs; otherwise after the right PIN
  // in the PIN window over the main window. `what` names the window in the prompt.
  void Ask(const QString& what, std::function<void()> open);
  // The engineer's window closes when the session ends.
  void Guard(QWidget* window);
  // For "Save" in a guarded window: whether no PIN is set or the session still runs. A
  // session found timed out here ends as on the timer.
  bool SaveAllowed();
  // Ends a session whose time ran out; the timer calls it every second while a session runs
  // or the entry is locked.
  void Check();

  // The PIN window while it is open, and the message that a session ended.
  PinWindow* Prompt() const;
  QMessageBox* Notice() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnEntered(const QString& pin);
  void Event(const std::string& text, const char* level = nullptr);
  std::string TimeoutText();
  long Minutes();

  StationIni& ini_;
  QL& window_;
  audit::AuditLog* log_;
  access::Session session_;
  QTimer timer_;
  QPointer<PinWindow> prompt_;
  std::function<void()> open_;  // what the PIN window opens
  QString what_;
  std::vector<QPointer<QWidget>> guarded_;
  QPointer<QMessageBox> notice_;
  bool lockShown_ = false;
};

// "--set-pin" (the PIN one line on standard input) and "--clear-pin" on station.ini in
// `files`, each an "access" event of the audit trail there; 0 when done, 1 with the
// message on `err` otherwise.
int RunPinCommand(bool set, FileAccess& files, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace orlix
