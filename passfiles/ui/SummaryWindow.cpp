#include "passfiles/ui/SummaryWindow.h"

#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include <filesystem>

#include "base/SystemPlatform.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

// Days the summary covers when the window opens, today included.
constexpr int kDefaultDays = 7;

}  // namespace

SummaryWindow::SummaryWindow(const QString& directory, QWidget* parent)
    : QWidget(parent, Qt::Window), directory_(directory) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Orlix / Pass Summary"));

  datesOption_ = new QRadioButton(QStringLiteral("Started from"), this);
  ui::Name(datesOption_, QStringLiteral("Dates"), QStringLiteral("Passes started from"));
  datesOption_->setChecked(true);
  const QDate today = QDate::currentDate();
  from_ = ui::DateField(this, QStringLiteral("From"), today.addDays(1 - kDefaultDays));
  to_ = ui::DateField(this, QStringLiteral("To"), today);
  auto* toLabel = new QLabel(QStringLiteral("to"), this);
  ui::Name(toLabel, QStringLiteral("ToLabel"), QStringLiteral("to"));
  toLabel->setBuddy(to_);
  markedOption_ = new QRadioButton(this);
  ui::Name(markedOption_, QStringLiteral("Marked"), QStringLiteral("Marked passes"));
  markedOption_->setToolTip(QStringLiteral("The passes marked in the list of pass files"));
  makeButton_ = new QPushButton(QStringLiteral("Make"), this);
  ui::Name(makeButton_, QStringLiteral("Make"), QStringLiteral("Make summary"));
  makeButton_->setToolTip(QStringLiteral("Write the summary as PDF and CSV into reports"));
  auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
  ui::Name(closeButton, QStringLiteral("Close"), QStringLiteral("Close"));

  table_ = new QTableWidget(0, kSummaryColumns, this);
  ui::Name(table_, QStringLiteral("Table"), QStringLiteral("Passes"));
  table_->setHorizontalHeaderLabels(SummaryHeadings());
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  message_ = ui::MessageLabel(this);

  auto* choice = new QHBoxLayout;
  choice->addWidget(datesOption_);
  choice->addWidget(from_);
  choice->addWidget(toLabel);
  choice->addWidget(to_);
  choice->addSpacing(24);
  choice->addWidget(markedOption_);
  choice->addStretch(1);
  choice->addWidget(makeButton_);
  auto* layout = new QGridLayout(this);
  layout->addLayout(choice, 0, 0, 1, 2);
  layout->addWidget(table_, 1, 0, 1, 2);
  layout->addWidget(message_, 2, 0);
  layout->addWidget(closeButton, 2, 1, Qt::AlignRight | Qt::AlignBottom);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(0, 1);

  // Choosing days means the days.
  for (QDateEdit* field : {from_, to_}) {
    connect(field, &QDateEdit::dateChanged, datesOption_,
            [this] { datesOption_->setChecked(true); });
  }
  connect(makeButton_, &QPushButton::clicked, this, &SummaryWindow::Make);
  connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
  run_ = new QFutureWatcher<SummaryOutcome>(this);
  connect(run_, &QFutureWatcherBase::finished, this, [this] { Show(run_->result()); });
  SetMarked({});
  resize(900, 560);
}

SummaryWindow::~SummaryWindow() { run_->waitForFinished(); }

void SummaryWindow::SetMarked(const QStringList& files) {
  marked_ = files;
  markedOption_->setText(QStringLiteral("Marked passes (%1)").arg(files.size()));
  markedOption_->setEnabled(!files.isEmpty());
  (files.size() > 1 ? markedOption_ : datesOption_)->setChecked(true);
}

QString SummaryWindow::Message() const { return message_->text(); }

void SummaryWindow::Make() {
  SummaryJob job;
  job.directory = directory_;
  job.byDates = datesOption_->isChecked();
  job.from = std::min(from_->date(), to_->date());
  job.to = std::max(from_->date(), to_->date());
  job.files = marked_;
  job.made = QDateTime::currentDateTime();
  makeButton_->setEnabled(false);
  message_->setText(QStringLiteral("Summarising %1 ...").arg(SummaryTitle(job).toLower()));
  run_->setFuture(StartSummary(job));
}

void SummaryWindow::Show(const SummaryOutcome& outcome) {
  table_->setRowCount(0);
  table_->setRowCount(static_cast<int>(outcome.rows.size()));
  for (int r = 0; r < table_->rowCount(); ++r) {
    const SummaryRow& row = outcome.rows[static_cast<std::size_t>(r)];
    auto cells = SummaryCells(row);
    for (const int k : {kSummaryStart, kSummaryEnd})
      cells[k] = ReadableTime(cells[k]);  // the CSV keeps ISO 8601
    for (int k = 0; k < kSummaryColumns; ++k) {
      auto* item = new QTableWidgetItem(QString::fromStdString(cells[static_cast<std::size_t>(k)]));
      item->setTextAlignment(
          Qt::AlignVCenter |
          (k <= kSummaryEnd || k == kSummaryNoLimits ? Qt::AlignLeft : Qt::AlignRight));
      item->setToolTip(QFile::decodeName(QByteArray::fromStdString(row.pass.file)));
      table_->setItem(r, k, item);
    }
  }
  message_->setText(outcome.message);
  shown_ = outcome;
  next_ = 0;
  RecordNext();
}

void SummaryWindow::RecordNext() {
  // Here, on the thread that runs "Start", a newer pass's "NN.PSI" is never written over;
  // one file a turn, since each goes through to the disk and the measurement cycle shares
  // this thread.
  const std::vector<SummaryRow>& rows = shown_.rows;
  while (next_ < rows.size() && (Archived(rows[next_].pass) || !ToRecord(rows[next_]))) ++next_;
  if (next_ < rows.size()) {
    const std::filesystem::path directory(QFile::encodeName(directory_).toStdString());
    DirectoryFileAccess current(directory);
    DirectoryFileAccess archive(directory / kArchiveFolder);
    shown_.recorded += RecordRow({current, archive}, rows[next_++]) ? 1 : 0;
    QTimer::singleShot(0, this, &SummaryWindow::RecordNext);
    return;
  }
  const int recorded = shown_.recorded;
  if (recorded > 0) {
    message_->setText(
        message_->text() +
        (recorded == 1
             ? QStringLiteral(" The figures of 1 pass were added to its information file.")
             : QStringLiteral(" The figures of %1 passes were added to their information files.")
                   .arg(recorded)));
  }
  makeButton_->setEnabled(true);
  emit Made(shown_.ok);
}

}  // namespace orlix
