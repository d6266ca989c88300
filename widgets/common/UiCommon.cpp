#include "widgets/common/UiCommon.h"

#include <QDateEdit>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

namespace orlix::ui {

void Name(QWidget* w, const QString& objectName, const QString& accessibleName) {
  w->setObjectName(objectName);
  w->setAccessibleName(accessibleName);
}

QDateEdit* DateField(QWidget* parent, const QString& name, const QDate& date) {
  auto* field = new QDateEdit(date, parent);
  Name(field, name, name);
  field->setCalendarPopup(true);
  field->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  return field;
}

QLabel* MessageLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  Name(label, QStringLiteral("Message"), QStringLiteral("Message"));
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QLineEdit* ReadoutField(QWidget* parent, const QString& objectName, const QString& accessibleName,
                        Qt::Alignment align) {
  auto* field = new QLineEdit(parent);
  Name(field, objectName, accessibleName);
  field->setReadOnly(true);
  field->setFrame(false);
  field->setFocusPolicy(Qt::NoFocus);
  field->setAlignment(align);
  field->setTextMargins(0, 0, 0, 0);
  field->setFont(StationFont(QStringLiteral("MS Sans Serif"), 7.5));
  return field;
}

void SetButtonBackground(QWidget* button, const QColor& color) {
  // The style would shade the face into a gradient; a set colour is shown as it is. The
  // style sheet goes first: changing it restores the palette the widget had before.
  if (color.isValid()) {
    button->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #8a8a8a; "
                                         "border-radius: 2px;")
                              .arg(color.name()));
  } else {
    button->setStyleSheet(QString());
  }
  QPalette pal = button->palette();
  const QColor face = color.isValid() ? color : QPalette().color(QPalette::Button);
  pal.setColor(QPalette::Button, face);
  pal.setColor(QPalette::Window, face);
  button->setPalette(pal);
  button->setAutoFillBackground(true);
  button->update();
}

QFont StationFont(const QString& family, double points, bool bold) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setBold(bold);
  if (!QFontDatabase::families().contains(family)) {
    // Faces of the same widths where the named one is missing.
    const bool serif =
        (family.contains(QLatin1String("Serif")) && !family.contains(QLatin1String("Sans"))) ||
        family.contains(QLatin1String("Times"));
    font.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
    if (serif) {
      font.setFamilies({family, QStringLiteral("Liberation Serif"), QStringLiteral("Nimbus Roman"),
                        QStringLiteral("DejaVu Serif")});
    } else {
      font.setFamilies({family, QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                        QStringLiteral("DejaVu Sans")});
    }
  }
  return font;
}

}  // namespace orlix::ui
