#pragma once
// The pass-file window "Orlix / Pass Files": lists the pass files of its working
// directory, shows the chosen one as plain text in a fixed-pitch font and prints the
// selection or the whole text.

#include <QFutureWatcher>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "passfiles/ViewText.h"

class QFileSystemWatcher;
class QLabel;
class QListWidget;
class QPagedPaintDevice;
class QPrinter;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;

namespace orlix {

class EvaluateControl;
class PassTextView;
class ProfileView;
class StatisticsPanel;
class SummaryWindow;
struct PassProfile;
struct ReportOutcome;

class PassFiles : public QWidget {
  Q_OBJECT

 public:
  // Bytes of one file the text view reads at most; beyond them it shows the beginning and
  // says so. The profile reads the whole file.
  static constexpr std::size_t kMaxFileBytes = 64'000'000;

  // Lists the pass files of `directory` (the working directory by default). The window
  // deletes itself when it is closed.
  explicit PassFiles(const QString& directory = QStringLiteral("."), QWidget* parent = nullptr);
  ~PassFiles() override;

  QString Directory() const { return directory_; }
  // The names in the file list, in list order.
  QStringList FileNames() const;
  // The file chosen in the list; empty when none is.
  QString ChosenFile() const;
  // The files marked in the list (several with Ctrl or Shift, or by dragging), in the
  // working directory and in the archive, as "07.PSS" and "archive/07-20261207-101502.PSS".
  QStringList MarkedFiles() const;
  // Chooses a listed file, as a click on it does, and loads it (again, when it is the
  // chosen one). False when the name is not in the list.
  bool Choose(const QString& name);

  // The text shown (line ends as '\n'), the selected part of it, and the note below it. The
  // text is read on a worker thread: TextLoaded() tells when it is shown.
  QString Text() const;
  QString SelectedText() const;
  QString Message() const;
  PassTextView* TextBox() const { return textBox_; }

  // The second view of the chosen file, "Profile", with its statistics beside it; the
  // profile is read on a worker thread beside the text, its progress shown below it. A pass
  // that records no limits can be evaluated against a tolerance typed under it.
  ProfileView* Profile() const { return profile_; }
  StatisticsPanel* Statistics() const { return statistics_; }
  EvaluateControl* Evaluate() const { return evaluate_; }
  QTabWidget* Views() const { return views_; }
  // "Current" lists the working directory, "Archive" its folder archive/.
  void ShowArchive(bool archive);
  bool ShowingArchive() const { return archive_; }
  // The directory listed now.
  QString ListedDirectory() const;

  // The printer "Print" offers in its dialog; it keeps the operator's last choice.
  QPrinter& Printer();

  // Prints one empty line and then the selection, or the whole text when nothing is
  // selected or `wholeText` is set, in the fixed-pitch font with margins of at least
  // 15 mm, broken into pages. False, with a note in the window, when the device cannot
  // be printed on.
  bool PrintTo(QPagedPaintDevice& device, bool wholeText = false);

 public slots:
  // "Print": the printer dialog, then PrintTo on the chosen printer; cancel prints nothing.
  void Print();
  // "Report": the PDF and the CSV of the chosen file into reports/ on a worker thread; the
  // note below the text says where they went. Evaluated against the typed tolerance when
  // the profile shown is.
  void Report();
  // "Apply" under the profile: the typed tolerance checked on its rule (the problem shown in
  // the note, nothing applied when it breaks it) and put in force on the profile shown, on
  // a worker thread; "Clear" returns to the pass as recorded. ProfileLoaded() tells when.
  void ApplyTyped();
  void ClearTyped();
  // "Summary": the summary window of the passes of some days or the marked ones.
  SummaryWindow* Summary();
  // Lists the directory's pass files again, keeping the current choice.
  void RefreshList();

 signals:
  // After every print job: whether it went through, and its page count.
  void Printed(bool ok, int pages);
  // The chosen file's text, its profile is shown; a report is done.
  void TextLoaded();
  void ProfileLoaded();
  void Reported(bool ok);
  // "Audit": the audit trail's window is asked for (the station opens it).
  void AuditAsked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LoadChosen();
  void LoadFile(const std::string& name);
  void ShowMessage(const QString& text);
  void LoadProfile(const std::string& name);
  // The profile shown, changed on a worker thread (a week-long pass takes a quarter second).
  void ChangeShown(std::function<void(PassProfile&)> change);
  void Mark();

  struct TextLoad {
    passview::ViewText text;
    QString message;
    int generation = 0;  // of the choice it was read for
  };

  QString directory_;
  bool archive_ = false;
  std::vector<std::string> names_;
  std::string chosen_;
  std::set<std::string> marked_[2];  // of the working directory, of the archive
  bool pressedOnChosen_ = false;

  QListWidget* fileList_ = nullptr;
  PassTextView* textBox_ = nullptr;
  QPushButton* printButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QPushButton* reportButton_ = nullptr;
  QPushButton* fullButton_ = nullptr;
  QPushButton* summaryButton_ = nullptr;
  QPointer<SummaryWindow> summary_;
  QRadioButton* currentOption_ = nullptr;
  QRadioButton* archiveOption_ = nullptr;
  QTabWidget* views_ = nullptr;
  ProfileView* profile_ = nullptr;
  StatisticsPanel* statistics_ = nullptr;
  EvaluateControl* evaluate_ = nullptr;
  std::shared_ptr<const PassProfile> shown_;
  bool changing_ = false;  // the profile on its way is the one shown, changed
  QLabel* readOut_ = nullptr;
  QFutureWatcher<std::shared_ptr<const PassProfile>>* profileLoad_ = nullptr;
  QFutureWatcher<std::shared_ptr<TextLoad>>* textLoad_ = nullptr;
  int textGeneration_ = 0;
  QFutureWatcher<ReportOutcome>* reportRun_ = nullptr;
  QLabel* message_ = nullptr;
  QFileSystemWatcher* watcher_ = nullptr;
  QTimer* refreshTimer_ = nullptr;
  std::unique_ptr<QPrinter> printer_;
};

}  // namespace orlix
