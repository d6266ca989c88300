#pragma once
// Qt helpers shared by the windows and widgets: layout in twips, the station's colours,
// and accessible names.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

#include "widgets/common/Geometry.h"

class QLineEdit;

class QDate;
class QDateEdit;
class QLabel;

namespace orlix::ui {

// A rectangle given in twips (left, top, width, height), in pixels.
inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(geometry::Px(left), geometry::Px(top), geometry::Px(width), geometry::Px(height));
}

// Places a child at a position given in twips.
inline void PlaceTwips(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(TwipsRect(left, top, width, height));
}

// Background of pressed or selected buttons.
inline const QColor kPressedColor(225, 225, 225);
// Background of the panels' numeric read-outs.
inline const QColor kReadoutBackground(64, 0, 64);
// Navy of the histogram and the XY graph.
inline const QColor kNavy(0, 0, 128);

// Sets the object name and the accessible name (the caption, else the hint, else the
// label the control stands under) so assistive tools and tests find the control.
void Name(QWidget* w, const QString& objectName, const QString& accessibleName);

// A read-only text field of an instrument's read-out: no frame, no focus, no margins, the
// 7.5-point sans-serif face, with its object and accessible names.
QLineEdit* ReadoutField(QWidget* parent, const QString& objectName, const QString& accessibleName,
                        Qt::Alignment align);

// A date field "yyyy-MM-dd" with a calendar to tap on (the touch screen has no keyboard for
// typing a date), named `name` for tools and tests.
QDateEdit* DateField(QWidget* parent, const QString& name, const QDate& date);

// A window's note line: plain text, wrapped, named "Message".
QLabel* MessageLabel(QWidget* parent);

// Sets a button's background (an invalid colour restores the system button face).
void SetButtonBackground(QWidget* button, const QColor& color);

// A font of the given family, size in points and weight; falls back to a matching
// generic family when the named one is not installed.
QFont StationFont(const QString& family, double points, bool bold = false);

}  // namespace orlix::ui
