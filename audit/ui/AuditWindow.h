#pragma once
// The window "Orlix / Audit Trail", opened by "Audit" in the pass-file window: the events of
// audit.log and its rotated files for a range of days (the last seven by default) and one
// kind or all, newest last, with the state of the trail's chain. The trail is read on a
// worker thread; the table shows at most the newest 10,000 events that match.

#include <QFutureWatcher>
#include <QString>
#include <QWidget>

#include "audit/AuditLog.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QTableWidget;

namespace orlix {

class AuditWindow : public QWidget {
  Q_OBJECT

 public:
  // The trail in `directory` (the working directory).
  explicit AuditWindow(const QString& directory, QWidget* parent = nullptr);
  ~AuditWindow() override;

  QTableWidget* Table() const { return table_; }
  QString Message() const;

 public slots:
  // Reads the trail again with the days and the kind chosen now.
  void Load();

 signals:
  // The table shows the trail as it was read last.
  void Loaded();

 private:
  void Show(const audit::TrailView& view);

  QString directory_;
  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  QComboBox* kind_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* message_ = nullptr;
  QFutureWatcher<audit::TrailView>* run_ = nullptr;
  bool again_ = false;  // the choice changed while a reading ran
};

}  // namespace orlix
