#pragma once
// The window "Orlix / Pass Summary", opened by "Summary" in the pass-file window: the passes
// of a range of days (the last seven by default) or the passes marked in the list, one row
// each, written as a PDF and a CSV into reports/ (SummaryReport). A pass whose information
// file did not record its figures has them computed and recorded there, once.

#include <QFutureWatcher>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstddef>

#include "passfiles/ui/SummaryReport.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace orlix {

class SummaryWindow : public QWidget {
  Q_OBJECT

 public:
  // The passes of `directory` (the working directory) and its archive.
  explicit SummaryWindow(const QString& directory, QWidget* parent = nullptr);
  ~SummaryWindow() override;

  // The passes marked in the pass-file list ("07.PSS", "archive/..."); with two or more the
  // summary takes them rather than the days.
  void SetMarked(const QStringList& files);
  QString Message() const;
  QTableWidget* Table() const { return table_; }

 public slots:
  // "Make": the rows, the PDF and the CSV on a worker thread; the table and the note show
  // them when they are done.
  void Make();

 signals:
  // A summary is done: whether both files were written.
  void Made(bool ok);

 private:
  void Show(const SummaryOutcome& outcome);
  // Records the next computed row of the working directory, then again on the next turn
  // of the event loop; after the last one the summary is done.
  void RecordNext();

  QString directory_;
  QStringList marked_;
  QRadioButton* datesOption_ = nullptr;
  QRadioButton* markedOption_ = nullptr;
  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  QPushButton* makeButton_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* message_ = nullptr;
  QFutureWatcher<SummaryOutcome>* run_ = nullptr;
  SummaryOutcome shown_;
  std::size_t next_ = 0;  // the row RecordNext looks at first
};

}  // namespace orlix
