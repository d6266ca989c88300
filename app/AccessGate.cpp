#include "app/AccessGate.h"

#include <termios.h>
#include <unistd.h>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/AuditWiring.h"
#include "app/PinWindow.h"
#include "app/QL.h"
#include "audit/AuditLog.h"
#include "audit/SettingsWatch.h"
#include "settings/StationIni.h"

namespace orlix {
namespace {

constexpr const char* kKind = "access";
constexpr const char* kEngineer = "engineer";

// What the PIN window says while entry is locked: the seconds left.
QString LockedText(double seconds) {
  return QString::fromStdString(
      access::AttemptText({access::Attempt::Result::kRefused, 0, seconds}, {}));
}

}  // namespace

AccessGate::AccessGate(StationIni& ini, Clock& clock, QL& window, audit::AuditLog* log)
    : ini_(ini), window_(window), log_(log), session_(clock, access::ReadAccessSettings(ini)) {
  if (log_) {
    log_->SetLevel([this] { return std::string(session_.Active() ? kEngineer : "operator"); });
  }
  // Every event of the program passes here on its way: its cost is one flag when no session
  // runs and a clock reading when one does.
  qApp->installEventFilter(this);
  // Runs only while there is something to watch: a session, or the lock counting down.
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &AccessGate::Check);
  connect(&window_, &QL::Unloaded, this, [this] {
    if (session_.TimedOut()) return Event(TimeoutText(), kEngineer);
    if (session_.Close()) Event("engineer session ended: program closed", kEngineer);
  });
}

AccessGate::~AccessGate() {
  if (log_) log_->SetLevel(nullptr);
}

bool AccessGate::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::Wheel:
      session_.Input();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void AccessGate::Event(const std::string& text, const char* level) {
  if (log_) Audit(*log_, "window", kKind, text, level);
}

void AccessGate::Ask(const QString& what, std::function<void()> open) {
  session_.Reload(access::ReadAccessSettings(ini_));
  if (!session_.Required() || session_.Active()) return open();
  open_ = std::move(open);
  what_ = what;
  if (!prompt_) {
    prompt_ = new PinWindow(what, &window_);
    prompt_->setAttribute(Qt::WA_DeleteOnClose);
    connect(prompt_, &PinWindow::Entered, this, &AccessGate::OnEntered);
  }
  const std::string& problem = session_.Settings().problem;
  const double locked = session_.LockedSeconds();
  prompt_->ShowMessage(!problem.empty() ? QString::fromStdString(problem)
                       : locked > 0     ? LockedText(locked)
                                        : QString());
  if (locked > 0) timer_.start();
  prompt_->open();
  prompt_->raise();
  prompt_->activateWindow();
}

void AccessGate::OnEntered(const QString& pin) {
  using R = access::Attempt::Result;
  const access::Attempt attempt = session_.Enter(pin.toStdString());
  timer_.start();
  switch (attempt.result) {
    case R::kStarted: {
      Event("engineer session started for " + what_.toStdString());
      prompt_->accept();
      const std::function<void()> open = std::move(open_);
      open_ = nullptr;
      if (open) open();
      return;
    }
    case R::kWrong:
      Event("wrong PIN, " + std::to_string(attempt.wrongInRow) + " in a row");
      break;
    case R::kLocked:
      Event("wrong PIN, " + std::to_string(attempt.wrongInRow) + " in a row: entry locked for " +
            std::to_string(static_cast<int>(access::kLockSeconds)) + " s");
      break;
    case R::kRefused:
    case R::kUnreadable:
      break;
  }
  prompt_->ShowMessage(
      QString::fromStdString(access::AttemptText(attempt, session_.Settings().problem)));
}

PinWindow* AccessGate::Prompt() const { return prompt_; }
QMessageBox* AccessGate::Notice() const { return notice_; }

void AccessGate::Guard(QWidget* window) {
  std::erase_if(guarded_, [](const QPointer<QWidget>& w) { return w.isNull(); });
  guarded_.emplace_back(window);
}

bool AccessGate::SaveAllowed() {
  if (!session_.Required() || session_.Active()) return true;
  Check();
  return false;
}

std::string AccessGate::TimeoutText() {
  return "engineer session ended: " + std::to_string(Minutes()) + " min without input";
}

long AccessGate::Minutes() { return std::lround(session_.Settings().sessionSeconds / 60); }

void AccessGate::Check() {
  // The lock counts down in the PIN window, and its end clears the line.
  const double locked = session_.LockedSeconds();
  if (prompt_ && prompt_->isVisible() && (locked > 0 || lockShown_)) {
    prompt_->ShowMessage(locked > 0 ? LockedText(locked) : QString());
  }
  lockShown_ = locked > 0;
  const bool timedOut = session_.TimedOut();
  if (!session_.Active() && !lockShown_) timer_.stop();
  if (!timedOut) return;
  Event(TimeoutText(), kEngineer);
  bool closed = false;
  for (const QPointer<QWidget>& w : guarded_) {
    if (!w || !w->isVisible()) continue;
    w->hide();
    w->close();
    closed = true;
  }
  guarded_.clear();
  const QString text =
      QStringLiteral(
          "The engineer session ended after %1 min without input.%2 The station is "
          "at the operator level.")
          .arg(Minutes())
          .arg(closed ? QStringLiteral(" Its windows closed without saving.") : QString());
  if (!notice_) {
    notice_ = new QMessageBox(QMessageBox::Information, QStringLiteral("Orlix / Engineer access"),
                              text, QMessageBox::Ok, &window_);
    notice_->setObjectName(QStringLiteral("AccessNotice"));
    notice_->setAccessibleName(QStringLiteral("Engineer session ended"));
    notice_->setAttribute(Qt::WA_DeleteOnClose);
  }
  notice_->setText(text);
  notice_->open();
}

int RunPinCommand(bool set, FileAccess& files, std::FILE* in, std::FILE* out, std::FILE* err) {
  StationIni ini(files);
  audit::AuditLog log(files, AuditTime);
  // Hand edits made before this command are the trail's first.
  AuditIniChanges(log, files, "station.ini");
  access::IniChange change;
  if (set) {
    // Typed at a terminal, the PIN does not show.
    termios before{};
    const bool terminal = isatty(fileno(in)) && tcgetattr(fileno(in), &before) == 0;
    if (terminal) {
      termios quiet = before;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      tcsetattr(fileno(in), TCSAFLUSH, &quiet);
      std::fputs("Engineer PIN (4 to 8 digits): ", err);
    }
    // One line; its line end does not belong to the PIN.
    std::string pin;
    for (int c; (c = std::fgetc(in)) != EOF && c != '\n';) pin += static_cast<char>(c);
    if (!pin.empty() && pin.back() == '\r') pin.pop_back();
    if (terminal) {
      tcsetattr(fileno(in), TCSAFLUSH, &before);
      std::fputc('\n', err);
    }
    change = access::SetPin(ini, pin);
  } else {
    change = access::ClearPin(ini);
  }
  std::fprintf(change.ok ? out : err, "%s\n", change.text.c_str());
  if (!change.ok) return 1;
  Audit(log, "command line", kKind, set ? "engineer PIN set" : "engineer PIN cleared", kEngineer);
  // The [access] group's copy follows without a second event for the same change.
  audit::SettingsWatch(files, log).Check(kEngineer, "command line", "access");
  return 0;
}

}  // namespace orlix
