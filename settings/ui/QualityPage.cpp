#include "settings/ui/QualityPage.h"

#include <QDir>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "base/Format.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

// The same places as the fields of the other tabs, in twips inside the frame.
constexpr int kLabelLeft = 240;
constexpr int kRowTop = 180;
constexpr int kRowPitch = 615;
constexpr int kFieldOffset = 240;
constexpr int kFieldWidth = 1815;
constexpr int kFieldHeight = 315;

}  // namespace

QualityPage::QualityPage(StationIni& ini, QWidget* parent) : QFrame(parent), ini_(ini) {
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  ui::Name(this, QStringLiteral("Frame1_4"), QStringLiteral("Tolerance settings"));
  const auto* numbers =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")), this);
  const std::array<QString, 2> captions = {QStringLiteral("Tolerance + <mcm>"),
                                           QStringLiteral("Tolerance - <mcm>")};
  for (int i = 0; i < ToleranceEditor::kFieldCount; ++i) {
    const QString& caption = captions[static_cast<std::size_t>(i)];
    const int top = kRowTop + i * kRowPitch;
    auto* label = new QLabel(caption, this);
    label->setObjectName(QStringLiteral("Label4_%1").arg(i));
    ui::PlaceTwips(label, kLabelLeft, top, 2640, 240);
    auto* field = new QLineEdit(this);
    ui::Name(field, QStringLiteral("Text4_%1").arg(i), caption);
    field->setValidator(numbers);
    ui::PlaceTwips(field, kLabelLeft, top + kFieldOffset, kFieldWidth, kFieldHeight);
    label->setBuddy(field);
    field->installEventFilter(this);
    connect(field, &QLineEdit::textEdited, this,
            [this, i](const QString& text) { editor_.TypeText(i, text.toStdString()); });
    fields_[static_cast<std::size_t>(i)] = field;
  }
  const int notesTop = kRowTop + ToleranceEditor::kFieldCount * kRowPitch;
  auto* applies = new QLabel(QStringLiteral("A change applies from the next \"Start\"."), this);
  ui::Name(applies, QStringLiteral("Label4_2"), QStringLiteral("When a change applies"));
  ui::PlaceTwips(applies, kLabelLeft, notesTop, 4800, 240);
  problemLabel_ = new QLabel(this);
  ui::Name(problemLabel_, QStringLiteral("Label4_3"), QStringLiteral("Tolerance problem"));
  problemLabel_->setWordWrap(true);
  problemLabel_->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
  ui::PlaceTwips(problemLabel_, kLabelLeft, notesTop + 300, 4800, 720);
}

void QualityPage::Load() {
  editor_.Load(ini_.ReadTolerance().tolerance);
  ShowFields();
}

void QualityPage::ShowFields() {
  for (int i = 0; i < ToleranceEditor::kFieldCount; ++i) {
    const QString text = QString::fromStdString(editor_.FieldText(i));
    if (Field(i)->text() != text) Field(i)->setText(text);
  }
  ShowProblem();
}

void QualityPage::ShowProblem() {
  problem_ = QString::fromStdString(ToleranceProblem(editor_.Saved()));
  const QString text = problem_.isEmpty() ? QString()
                                          : QStringLiteral(
                                                "Cannot be used: %1. A pass started with such a "
                                                "tolerance records no limits.")
                                                .arg(problem_);
  problemLabel_->setText(text);
  problemLabel_->setAccessibleDescription(text);
}

void QualityPage::KeyPress(qint16 index) {
  editor_.KeyPress(index);
  ShowFields();
  if (index == ToleranceEditor::kEnterKey) FocusCurrentField();
}

void QualityPage::Delete() {
  editor_.Delete();
  ShowFields();
}

void QualityPage::FocusCurrentField() { Field(editor_.CurrentField())->setFocus(); }

QString QualityPage::Save() {
  if (!problem_.isEmpty()) return problem_;
  if (ini_.WriteTolerance(editor_.Saved())) return {};
  return QStringLiteral("the file %1 cannot be written in %2")
      .arg(QString::fromLatin1(kStationIni),
           QDir::toNativeSeparators(QDir(QString::fromStdString(ini_.Location())).absolutePath()));
}

bool QualityPage::eventFilter(QObject* watched, QEvent* event) {
  for (int i = 0; i < ToleranceEditor::kFieldCount; ++i) {
    if (watched != Field(i)) continue;
    if (event->type() == QEvent::FocusIn) {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
          reason == Qt::BacktabFocusReason) {
        editor_.MakeCurrent(i);
      }
    } else if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        editor_.MakeCurrent(i);
        KeyPress(ToleranceEditor::kEnterKey);
        return true;
      }
    }
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace orlix
