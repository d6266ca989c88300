#include "passfiles/ui/PassFiles.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "base/Format.h"
#include "base/SystemPlatform.h"
#include "passfiles/TextLayout.h"
#include "passfiles/ViewText.h"
#include "passfiles/ui/EvaluateControl.h"
#include "passfiles/ui/PassReport.h"
#include "passfiles/ui/PassTextView.h"
#include "passfiles/ui/ProfileView.h"
#include "passfiles/ui/SummaryWindow.h"
#include "widgets/common/UiCommon.h"

namespace orlix {

namespace {

constexpr char kPattern[] = ".PSS";
// Points of the printed text.
constexpr double kPrintPoints = 10;
// Least margin on paper, in millimetres.
constexpr double kPrintMargin = 15;
// Quiet time after a change in the directory before the list is read again, so a burst
// of changes reads it once.
constexpr int kRefreshDelayMs = 150;

std::filesystem::path DirectoryPath(const QString& directory) {
  return std::filesystem::path(QFile::encodeName(directory).toStdString());
}

QString DisplayName(const std::string& name) {
  return QFile::decodeName(QByteArray::fromStdString(name));
}

QString Megabytes(std::uintmax_t bytes) {
  return QString::fromStdString(FormatPattern(static_cast<double>(bytes) / 1e6, "0.0"));
}

// A problem of the typed tolerance, naming the field rather than the file's key.
QString TypedProblem(const std::string& problem) {
  return QString::fromStdString(problem)
      .replace(QLatin1String(kTolerancePlusKey), QStringLiteral("the + tolerance"))
      .replace(QLatin1String(kToleranceMinusKey), QStringLiteral("the \u2212 tolerance"));
}

}  // namespace

PassFiles::PassFiles(const QString& directory, QWidget* parent)
    : QWidget(parent, Qt::Window), directory_(directory) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Orlix / Pass Files"));

  auto* listLabel = new QLabel(QStringLiteral("Pass files"), this);
  ui::Name(listLabel, QStringLiteral("Label1"), QStringLiteral("Pass files"));
  auto* textLabel = new QLabel(QStringLiteral("Contents"), this);
  ui::Name(textLabel, QStringLiteral("Label2"), QStringLiteral("Contents"));

  fileList_ = new QListWidget(this);
  ui::Name(fileList_, QStringLiteral("File1"), QStringLiteral("Pass files"));
  // One click chooses a file; Ctrl, Shift or a drag marks several for the summary.
  fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fileList_->setUniformItemSizes(true);
  const QFontMetricsF listMetrics(fileList_->font());
  fileList_->setFixedWidth(
      static_cast<int>(listMetrics.horizontalAdvance(QStringLiteral("0000000.PSS"))) +
      fileList_->verticalScrollBar()->sizeHint().width() + 16);
  fileList_->viewport()->installEventFilter(this);
  listLabel->setBuddy(fileList_);

  textBox_ = new PassTextView(this);
  ui::Name(textBox_, QStringLiteral("RichTextBox1"), QStringLiteral("Contents"));
  textLabel->setBuddy(textBox_);

  message_ = new QLabel(this);
  ui::Name(message_, QStringLiteral("Label3"), QStringLiteral("Message"));
  message_->setWordWrap(true);
  message_->setTextFormat(Qt::PlainText);

  printButton_ = new QPushButton(QStringLiteral("Print"), this);
  ui::Name(printButton_, QStringLiteral("Command1"), QStringLiteral("Print"));
  printButton_->setToolTip(QStringLiteral("Send to printer"));
  closeButton_ = new QPushButton(QStringLiteral("Close"), this);
  ui::Name(closeButton_, QStringLiteral("Command2"), QStringLiteral("Close"));
  closeButton_->setToolTip(QStringLiteral("Close window"));

  // The text and, as a second view, the profile with its statistics.
  views_ = new QTabWidget(this);
  ui::Name(views_, QStringLiteral("Views"), QStringLiteral("Views"));
  views_->addTab(textBox_, QStringLiteral("Text"));
  auto* profilePage = new QWidget(views_);
  profile_ = new ProfileView(profilePage);
  ui::Name(profile_, QStringLiteral("Profile"), QStringLiteral("Profile"));
  statistics_ = new StatisticsPanel(profilePage);
  ui::Name(statistics_, QStringLiteral("Statistics"), QStringLiteral("Statistics"));
  readOut_ = new QLabel(profilePage);
  ui::Name(readOut_, QStringLiteral("ReadOut"), QStringLiteral("Cursor"));
  fullButton_ = new QPushButton(QStringLiteral("Full"), profilePage);
  ui::Name(fullButton_, QStringLiteral("Command4"), QStringLiteral("Full"));
  fullButton_->setToolTip(QStringLiteral("Show the whole pass"));
  evaluate_ = new EvaluateControl(profilePage);
  auto* profileGrid = new QGridLayout(profilePage);
  profileGrid->addWidget(profile_, 0, 0);
  profileGrid->addWidget(statistics_, 0, 1, 3, 1);
  auto* under = new QHBoxLayout;
  under->addWidget(readOut_, 1);
  under->addWidget(fullButton_);
  profileGrid->addLayout(under, 1, 0);
  profileGrid->addWidget(evaluate_, 2, 0);
  connect(evaluate_, &EvaluateControl::Apply, this, &PassFiles::ApplyTyped);
  connect(evaluate_, &EvaluateControl::Clear, this, &PassFiles::ClearTyped);
  profileGrid->setColumnStretch(0, 1);
  profileGrid->setRowStretch(0, 1);  // the profile takes the height the statistics leave
  views_->addTab(profilePage, QStringLiteral("Profile"));
  connect(fullButton_, &QPushButton::clicked, profile_, &ProfileView::Full);
  connect(profile_, &ProfileView::ReadOutChanged, readOut_, &QLabel::setText);

  currentOption_ = new QRadioButton(QStringLiteral("Current"), this);
  ui::Name(currentOption_, QStringLiteral("Option1"), QStringLiteral("Current"));
  currentOption_->setToolTip(QStringLiteral("Pass files of the working directory"));
  currentOption_->setChecked(true);
  archiveOption_ = new QRadioButton(QStringLiteral("Archive"), this);
  ui::Name(archiveOption_, QStringLiteral("Option2"), QStringLiteral("Archive"));
  archiveOption_->setToolTip(QStringLiteral("Earlier pass files kept in archive"));
  connect(archiveOption_, &QRadioButton::toggled, this, &PassFiles::ShowArchive);
  reportButton_ = new QPushButton(QStringLiteral("Report"), this);
  ui::Name(reportButton_, QStringLiteral("Command3"), QStringLiteral("Report"));
  reportButton_->setToolTip(QStringLiteral("Write a PDF report and a CSV file into reports"));
  connect(reportButton_, &QPushButton::clicked, this, &PassFiles::Report);
  summaryButton_ = new QPushButton(QStringLiteral("Summary"), this);
  ui::Name(summaryButton_, QStringLiteral("Command5"), QStringLiteral("Summary"));
  summaryButton_->setToolTip(
      QStringLiteral("Summarise the passes of some days or the marked passes"));
  connect(summaryButton_, &QPushButton::clicked, this, &PassFiles::Summary);
  auto* auditButton = new QPushButton(QStringLiteral("Audit"), this);
  ui::Name(auditButton, QStringLiteral("Command6"), QStringLiteral("Audit trail"));
  auditButton->setToolTip(QStringLiteral("Changes and events of the station, from audit.log"));
  connect(auditButton, &QPushButton::clicked, this, &PassFiles::AuditAsked);
  profileLoad_ = new QFutureWatcher<std::shared_ptr<const PassProfile>>(this);
  connect(profileLoad_, &QFutureWatcherBase::progressValueChanged, this, [this](int percent) {
    readOut_->setText(QStringLiteral("Reading the profile ... %1 %").arg(percent));
  });
  connect(profileLoad_, &QFutureWatcherBase::finished, this, [this] {
    // A reading given up for another choice shows nothing.
    if (profileLoad_->isCanceled() || profileLoad_->future().resultCount() == 0) return;
    const std::shared_ptr<const PassProfile> p = profileLoad_->result();
    // The same pass evaluated otherwise keeps the part of it in view.
    const ProfileWindow view = profile_->Window();
    const bool keepView = changing_;
    changing_ = false;
    shown_ = p;
    profile_->SetProfile(p);
    if (keepView) profile_->SetWindow(view);
    statistics_->SetProfile(p);
    evaluate_->SetProfile(p.get());
    // The reason or the typed tolerance in full beside the figures; here only which.
    readOut_->setText(QStringLiteral("Profile: %1%2.")
                          .arg(QString::fromStdString(p->data.Summary()),
                               p->typed     ? QStringLiteral("; typed limits")
                               : !p->limits ? QStringLiteral("; no limits")
                                            : QString()));
    emit ProfileLoaded();
  });
  textLoad_ = new QFutureWatcher<std::shared_ptr<TextLoad>>(this);
  connect(textLoad_, &QFutureWatcherBase::finished, this, [this] {
    // Only the text of the latest choice is shown.
    if (textLoad_->future().resultCount() == 0) return;
    const std::shared_ptr<TextLoad> loaded = textLoad_->result();
    if (loaded->generation != textGeneration_) return;
    textBox_->SetText(std::move(loaded->text));  // no one else holds it
    ShowMessage(loaded->message);
    emit TextLoaded();
  });
  reportRun_ = new QFutureWatcher<ReportOutcome>(this);
  connect(reportRun_, &QFutureWatcherBase::finished, this, [this] {
    const ReportOutcome out = reportRun_->result();
    ShowMessage(out.message);
    reportButton_->setEnabled(true);
    emit Reported(out.ok);
  });

  auto* layout = new QGridLayout(this);
  layout->addWidget(listLabel, 0, 0);
  layout->addWidget(textLabel, 0, 1);
  layout->addWidget(fileList_, 1, 0);
  layout->addWidget(views_, 1, 1);
  layout->addWidget(message_, 2, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(currentOption_);
  buttons->addWidget(archiveOption_);
  buttons->addStretch(1);
  buttons->addWidget(auditButton);
  buttons->addWidget(summaryButton_);
  buttons->addWidget(reportButton_);
  buttons->addWidget(printButton_);
  buttons->addWidget(closeButton_);
  layout->addLayout(buttons, 3, 0, 1, 2);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(1, 1);

  connect(fileList_, &QListWidget::itemSelectionChanged, this, [this] {
    Mark();
    LoadChosen();
  });
  // A second click on the chosen file reads it again, for a file that is still growing.
  connect(fileList_, &QListWidget::itemClicked, this, [this] {
    if (pressedOnChosen_ && !chosen_.empty()) LoadFile(chosen_);
    pressedOnChosen_ = false;
  });
  connect(printButton_, &QPushButton::clicked, this, &PassFiles::Print);
  connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);

  refreshTimer_ = new QTimer(this);
  refreshTimer_->setSingleShot(true);
  refreshTimer_->setInterval(kRefreshDelayMs);
  connect(refreshTimer_, &QTimer::timeout, this, &PassFiles::RefreshList);
  watcher_ = new QFileSystemWatcher(this);
  watcher_->addPath(directory_);
  connect(watcher_, &QFileSystemWatcher::directoryChanged, refreshTimer_,
          qOverload<>(&QTimer::start));

  RefreshList();
  resize(sizeHint());
}

PassFiles::~PassFiles() {
  // An open printer dialog refers to the printer: it goes first.
  qDeleteAll(findChildren<QPrintDialog*>(Qt::FindDirectChildrenOnly));
  // Workers still reading or writing finish first; a reading stops at its next piece.
  profileLoad_->cancel();
  profileLoad_->waitForFinished();
  textLoad_->waitForFinished();
  reportRun_->waitForFinished();
}

QString PassFiles::ListedDirectory() const {
  return archive_ ? QDir(directory_).filePath(QString::fromLatin1(kArchiveFolder)) : directory_;
}

void PassFiles::ShowArchive(bool archive) {
  if (archive == archive_) return;
  archive_ = archive;
  const QSignalBlocker blocker(archiveOption_);
  archiveOption_->setChecked(archive);
  currentOption_->setChecked(!archive);
  if (archive && QDir(ListedDirectory()).exists()) watcher_->addPath(ListedDirectory());
  // Archived names carry the start: "07-20261207-101502.PSS".
  const QFontMetricsF metrics(fileList_->font());
  fileList_->setFixedWidth(static_cast<int>(metrics.horizontalAdvance(
                               archive ? QStringLiteral("0000-00000000-000000-00.PSS")
                                       : QStringLiteral("0000000.PSS"))) +
                           fileList_->verticalScrollBar()->sizeHint().width() + 16);
  chosen_.clear();
  names_.clear();
  {
    const QSignalBlocker listBlocker(fileList_);  // the marks of the other folder stay
    fileList_->clear();
  }
  ++textGeneration_;
  profileLoad_->cancel();
  textBox_->SetText(passview::ViewText());
  profile_->SetProfile(nullptr);
  statistics_->SetProfile(nullptr);
  shown_.reset();
  evaluate_->SetProfile(nullptr);
  readOut_->clear();
  ShowMessage(QString());
  RefreshList();
}

void PassFiles::LoadProfile(const std::string& name) {
  const std::string directory = QFile::encodeName(ListedDirectory()).toStdString();
  readOut_->setText(QStringLiteral("Reading the profile ..."));
  // A reading still going on for an earlier choice stops.
  profileLoad_->cancel();
  changing_ = false;
  evaluate_->setEnabled(false);  // until the pass it would evaluate is shown
  using Promise = QPromise<std::shared_ptr<const PassProfile>>;
  auto read = [directory, name](Promise& promise) {
    promise.setProgressRange(0, 100);
    DirectoryFileAccess files(directory);
    auto p = std::make_shared<PassProfile>(
        orlix::LoadProfile(files, name, [&promise](std::uint64_t done, std::uint64_t total) {
          promise.setProgressValue(
              static_cast<int>(done * 100 / std::max<std::uint64_t>(total, 1)));
          return !promise.isCanceled();
        }));
    promise.addResult(std::shared_ptr<const PassProfile>(std::move(p)));
  };
  profileLoad_->setFuture(QtConcurrent::run(&FileWorkers(), read));
}

void PassFiles::ChangeShown(std::function<void(PassProfile&)> change) {
  if (!shown_) return;
  profileLoad_->cancel();
  changing_ = true;
  readOut_->setText(QStringLiteral("Evaluating ..."));
  profileLoad_->setFuture(
      QtConcurrent::run(&FileWorkers(), [base = shown_, change = std::move(change)] {
        auto p = std::make_shared<PassProfile>(*base);
        change(*p);
        return std::shared_ptr<const PassProfile>(std::move(p));
      }));
}

void PassFiles::ApplyTyped() {
  if (!shown_) return;
  const Tolerance tolerance = evaluate_->TypedTolerance();
  const std::optional<double> setPoint = evaluate_->TypedSetPoint();
  if (const std::string problem = EvaluationProblem(*shown_, tolerance, setPoint);
      !problem.empty()) {
    ShowMessage(tr("Not evaluated: %1.").arg(TypedProblem(problem)));
    return;
  }
  ShowMessage(QString());
  ChangeShown([tolerance, setPoint](PassProfile& p) { EvaluateAgainst(p, tolerance, setPoint); });
}

void PassFiles::ClearTyped() {
  ShowMessage(QString());
  ChangeShown([](PassProfile& p) { UseRecordedLimits(p); });
}

void PassFiles::Report() {
  if (chosen_.empty()) {
    ShowMessage(tr("Choose a pass file for the report."));
    return;
  }
  const QString name = DisplayName(chosen_);
  ReportJob job = ReportOf(ListedDirectory(), name, directory_);
  if (shown_ && shown_->name == chosen_ && shown_->typed && shown_->limits) {
    job.typed = shown_->typed;
    job.typedSetPoint = shown_->limits->setPoint;
  }
  reportButton_->setEnabled(false);
  ShowMessage(tr("Writing the report of %1 ...").arg(name));
  reportRun_->setFuture(StartReport(job));
}

QStringList PassFiles::FileNames() const {
  QStringList names;
  for (const std::string& name : names_) names.push_back(DisplayName(name));
  return names;
}

QString PassFiles::ChosenFile() const { return DisplayName(chosen_); }

QStringList PassFiles::MarkedFiles() const {
  QStringList files;
  for (const std::string& name : marked_[0]) files.push_back(DisplayName(name));
  for (const std::string& name : marked_[1]) {
    files.push_back(QString::fromLatin1(kArchiveFolder) + QLatin1Char('/') + DisplayName(name));
  }
  return files;
}

void PassFiles::Mark() {
  std::set<std::string>& marks = marked_[archive_ ? 1 : 0];
  marks.clear();
  for (const QListWidgetItem* item : fileList_->selectedItems()) {
    const int row = fileList_->row(item);
    if (row >= 0 && static_cast<std::size_t>(row) < names_.size())
      marks.insert(names_[static_cast<std::size_t>(row)]);
  }
}

SummaryWindow* PassFiles::Summary() {
  if (!summary_) {
    summary_ = new SummaryWindow(directory_, this);
  }
  summary_->SetMarked(MarkedFiles());
  summary_->show();
  summary_->raise();
  summary_->activateWindow();
  return summary_;
}

bool PassFiles::Choose(const QString& name) {
  const QList<QListWidgetItem*> items = fileList_->findItems(name, Qt::MatchExactly);
  if (items.isEmpty()) return false;
  if (!chosen_.empty() && DisplayName(chosen_) == name) {
    LoadFile(chosen_);
  } else {
    fileList_->setCurrentItem(items.first());
  }
  return true;
}

QString PassFiles::Text() const { return textBox_->PlainText(); }

QString PassFiles::SelectedText() const { return textBox_->SelectedText(); }

QString PassFiles::Message() const { return message_->text(); }

QPrinter& PassFiles::Printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

void PassFiles::RefreshList() {
  DirectoryFileAccess files(DirectoryPath(ListedDirectory()));
  std::vector<std::string> names = files.List(kPattern);
  if (names == names_) return;
  names_ = std::move(names);

  const QSignalBlocker blocker(fileList_);
  fileList_->clear();
  std::set<std::string>& marks = marked_[archive_ ? 1 : 0];
  std::erase_if(marks, [this](const std::string& name) {
    return !std::binary_search(names_.begin(), names_.end(), name);
  });
  for (const std::string& name : names_) {
    fileList_->addItem(DisplayName(name));
    if (marks.count(name)) fileList_->item(fileList_->count() - 1)->setSelected(true);
  }
  if (chosen_.empty()) return;
  const auto it = std::find(names_.begin(), names_.end(), chosen_);
  if (it != names_.end()) {
    fileList_->setCurrentRow(static_cast<int>(it - names_.begin()), QItemSelectionModel::NoUpdate);
  } else {
    ShowMessage(tr("%1 is no longer there.").arg(DisplayName(chosen_)));
    chosen_.clear();
  }
}

void PassFiles::LoadChosen() {
  // The file clicked last, unless that click took its mark away.
  const QListWidgetItem* item = fileList_->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  const int row = fileList_->row(item);
  if (row < 0 || static_cast<std::size_t>(row) >= names_.size()) return;
  if (names_[static_cast<std::size_t>(row)] == chosen_) return;
  chosen_ = names_[static_cast<std::size_t>(row)];
  LoadFile(chosen_);
}

void PassFiles::LoadFile(const std::string& name) {
  LoadProfile(name);
  // The text too is read on a worker: a large file never holds the window up.
  const std::filesystem::path directory = DirectoryPath(ListedDirectory());
  const int generation = ++textGeneration_;
  textLoad_->setFuture(QtConcurrent::run(&FileWorkers(), [directory, name, generation] {
    DirectoryFileAccess files(directory);
    auto load = std::make_shared<TextLoad>();
    TextLoad& out = *load;
    out.generation = generation;
    std::optional<std::string> bytes = files.Read(name, kMaxFileBytes);
    if (!bytes) {
      out.message = files.Exists(name) ? tr("%1 cannot be read.").arg(DisplayName(name))
                                       : tr("%1 is no longer there.").arg(DisplayName(name));
      return load;
    }
    // Only a read that stopped at the limit left anything out; a file that merely grew
    // since (a pass still running) is shown as it was read.
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(files.Directory() / name, error);
    const std::size_t readBytes = bytes->size();
    out.text = passview::ViewText::Decode(std::move(*bytes));
    if (out.text.CutShort() || (readBytes >= kMaxFileBytes && (error || size > readBytes))) {
      out.message = tr("%1 is too large to show in full (%2 MB): only its beginning is shown.")
                        .arg(DisplayName(name), Megabytes(error ? readBytes : size));
    }
    return load;
  }));
}

void PassFiles::ShowMessage(const QString& text) { message_->setText(text); }

void PassFiles::Print() {
  const bool hasSelection = textBox_->HasSelection();
  auto* dialog = new QPrintDialog(&Printer(), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog->setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog->setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
  dialog->setPrintRange(hasSelection ? QAbstractPrintDialog::Selection
                                     : QAbstractPrintDialog::AllPages);
  connect(dialog, &QDialog::accepted, this, [this, dialog] {
    PrintTo(Printer(), dialog->printRange() != QAbstractPrintDialog::Selection);
  });
  // Window-modal and without a nested loop: the main window and its cycle go on.
  dialog->open();
}

bool PassFiles::PrintTo(QPagedPaintDevice& device, bool wholeText) {
  // With the profile showing, "Print" prints the chosen file's report page.
  if (views_->currentWidget() != textBox_ && profile_->Profile()) {
    device.setPageMargins(QMarginsF(kPrintMargin, kPrintMargin, kPrintMargin, kPrintMargin),
                          QPageLayout::Millimeter);
    QPainter painter;
    const bool ok = painter.begin(&device);
    if (ok)
      PaintReport(painter, QRectF(0, 0, device.width(), device.height()), *profile_->Profile());
    if (!(ok && painter.end())) {
      ShowMessage(tr("Printing failed: the printer could not be used."));
      emit Printed(false, 0);
      return false;
    }
    ShowMessage(tr("Printed 1 page."));
    emit Printed(true, 1);
    return true;
  }
  const passview::ViewText& text = textBox_->Text();
  passview::Position from{0, 0};
  passview::Position to = text.End();
  if (!wholeText && textBox_->HasSelection()) {
    from = textBox_->Anchor();
    to = textBox_->Caret();
  }
  const std::vector<passview::PrintedLine> lines = passview::PrintedLines(text, from, to);

  const QMarginsF margins = device.pageLayout().margins(QPageLayout::Millimeter);
  const QMarginsF wanted(
      std::max(margins.left(), kPrintMargin), std::max(margins.top(), kPrintMargin),
      std::max(margins.right(), kPrintMargin), std::max(margins.bottom(), kPrintMargin));
  if (wanted != margins) device.setPageMargins(wanted, QPageLayout::Millimeter);

  auto fail = [this] {
    ShowMessage(tr("Printing failed: the printer could not be used."));
    emit Printed(false, 0);
    return false;
  };
  QPainter painter;
  if (!painter.begin(&device)) return fail();
  const QFont font = PassFileFont(kPrintPoints);
  painter.setFont(font);
  painter.setPen(Qt::black);
  const QFontMetricsF metrics(font, &device);
  const double cellWidth = metrics.horizontalAdvance(QString(64, QLatin1Char('0'))) / 64.0;
  const double lineHeight = metrics.lineSpacing();
  const double ascent = metrics.ascent();
  const std::size_t columns = passview::FittingCount(device.width(), cellWidth);
  const std::size_t rows = passview::FittingCount(device.height(), lineHeight);

  std::vector<std::size_t> lengths;
  lengths.reserve(lines.size());
  for (const passview::PrintedLine& line : lines) lengths.push_back(line.length);
  const std::vector<passview::PrintPage> pages = passview::Paginate(lengths, columns, rows);

  bool ok = true;
  for (std::size_t page = 0; page < pages.size() && ok; ++page) {
    if (page > 0 && !device.newPage()) {
      ok = false;
      break;
    }
    double baseline = ascent;
    for (const passview::PrintRow& row : pages[page]) {
      const passview::PrintedLine& line = lines[row.line];
      const std::u16string cells =
          row.length == 0 ? std::u16string()
                          : text.Cells(line.line, line.column + row.column, row.length);
      if (!cells.empty()) {
        painter.drawText(QPointF(0, baseline),
                         QString::fromUtf16(cells.data(), static_cast<qsizetype>(cells.size())));
      }
      baseline += lineHeight;
    }
  }
  ok = painter.end() && ok;
  if (auto* printer = dynamic_cast<QPrinter*>(&device)) {
    ok = ok && printer->printerState() != QPrinter::Error;
  }
  if (!ok) return fail();
  const int count = static_cast<int>(pages.size());
  ShowMessage(count == 1 ? tr("Printed 1 page.") : tr("Printed %1 pages.").arg(count));
  emit Printed(true, count);
  return true;
}

bool PassFiles::eventFilter(QObject* watched, QEvent* event) {
  if (watched == fileList_->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QListWidgetItem* item = fileList_->itemAt(mouse->position().toPoint());
    pressedOnChosen_ = item != nullptr && item->isSelected() && !chosen_.empty() &&
                       DisplayName(chosen_) == item->text();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace orlix
