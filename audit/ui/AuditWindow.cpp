#include "audit/ui/AuditWindow.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtConcurrent/QtConcurrentRun>

#include "base/SystemPlatform.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

constexpr int kDefaultDays = 7;
constexpr int kColumns = 5;

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

AuditWindow::AuditWindow(const QString& directory, QWidget* parent)
    : QWidget(parent, Qt::Window), directory_(directory) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Orlix / Audit Trail"));

  auto* fromLabel = new QLabel(QStringLiteral("Events from"), this);
  ui::Name(fromLabel, QStringLiteral("FromLabel"), QStringLiteral("Events from"));
  const QDate today = QDate::currentDate();
  from_ = ui::DateField(this, QStringLiteral("From"), today.addDays(1 - kDefaultDays));
  fromLabel->setBuddy(from_);
  auto* toLabel = new QLabel(QStringLiteral("to"), this);
  ui::Name(toLabel, QStringLiteral("ToLabel"), QStringLiteral("to"));
  to_ = ui::DateField(this, QStringLiteral("To"), today);
  toLabel->setBuddy(to_);
  auto* kindLabel = new QLabel(QStringLiteral("Kind"), this);
  ui::Name(kindLabel, QStringLiteral("KindLabel"), QStringLiteral("Kind"));
  kind_ = new QComboBox(this);
  ui::Name(kind_, QStringLiteral("Kind"), QStringLiteral("Kind of event"));
  kind_->addItem(QStringLiteral("all"));
  kind_->setMinimumContentsLength(16);
  kindLabel->setBuddy(kind_);
  auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
  ui::Name(closeButton, QStringLiteral("Close"), QStringLiteral("Close"));

  table_ = new QTableWidget(0, kColumns, this);
  ui::Name(table_, QStringLiteral("Table"), QStringLiteral("Events"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Level"),
                                     QStringLiteral("Source"), QStringLiteral("Kind"),
                                     QStringLiteral("Event")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  message_ = ui::MessageLabel(this);

  auto* choice = new QHBoxLayout;
  choice->addWidget(fromLabel);
  choice->addWidget(from_);
  choice->addWidget(toLabel);
  choice->addWidget(to_);
  choice->addSpacing(24);
  choice->addWidget(kindLabel);
  choice->addWidget(kind_);
  choice->addStretch(1);
  auto* layout = new QGridLayout(this);
  layout->addLayout(choice, 0, 0, 1, 2);
  layout->addWidget(table_, 1, 0, 1, 2);
  layout->addWidget(message_, 2, 0);
  layout->addWidget(closeButton, 2, 1, Qt::AlignRight | Qt::AlignBottom);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(0, 1);

  for (QDateEdit* field : {from_, to_})
    connect(field, &QDateEdit::dateChanged, this, &AuditWindow::Load);
  connect(kind_, &QComboBox::activated, this, &AuditWindow::Load);
  connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
  run_ = new QFutureWatcher<audit::TrailView>(this);
  connect(run_, &QFutureWatcherBase::finished, this, [this] {
    if (again_) {
      again_ = false;
      Load();
      return;
    }
    Show(run_->result());
  });
  resize(1000, 560);
  Load();
}

AuditWindow::~AuditWindow() { run_->waitForFinished(); }

QString AuditWindow::Message() const { return message_->text(); }

void AuditWindow::Load() {
  if (run_->isRunning()) {
    again_ = true;
    return;
  }
  audit::TrailQuery query;
  const QDate from = std::min(from_->date(), to_->date());
  const QDate to = std::max(from_->date(), to_->date());
  query.from = from.toString(Qt::ISODate).toStdString();
  query.to = to.toString(Qt::ISODate).toStdString();
  if (kind_->currentIndex() > 0) query.kind = kind_->currentText().toStdString();
  message_->setText(QStringLiteral("Reading the audit trail ..."));
  const std::string directory = QFile::encodeName(directory_).toStdString();
  run_->setFuture(QtConcurrent::run([directory, query] {
    DirectoryFileAccess files(directory);
    return audit::ReadTrail(files, query);
  }));
}

void AuditWindow::Show(const audit::TrailView& view) {
  // The kinds to choose from are those the trail holds; the choice stays.
  const QString chosen = kind_->currentText();
  kind_->clear();
  kind_->addItem(QStringLiteral("all"));
  for (const std::string& kind : view.kinds) kind_->addItem(Q(kind));
  kind_->setCurrentIndex(std::max(0, kind_->findText(chosen)));

  table_->setRowCount(0);
  table_->setRowCount(static_cast<int>(view.events.size()));
  for (int r = 0; r < table_->rowCount(); ++r) {
    const audit::AuditEvent& e = view.events[static_cast<std::size_t>(r)];
    int column = 0;
    for (const std::string* field : {&e.time, &e.level, &e.source, &e.kind, &e.text}) {
      auto* item = new QTableWidgetItem(Q(*field));
      if (field == &e.text) item->setToolTip(Q(e.text));
      table_->setItem(r, column++, item);
    }
  }
  table_->resizeColumnsToContents();
  table_->scrollToBottom();
  const QString shown =
      view.matched > view.events.size()
          ? QStringLiteral("The newest %1 of %2 events.").arg(view.events.size()).arg(view.matched)
          : QStringLiteral("%1 events.").arg(view.matched);
  message_->setText(shown + QStringLiteral(" ") + Q(audit::VerifyText(view.check)));
  emit Loaded();
}

}  // namespace orlix
