#pragma once
// The read-only text box of the pass-file window: shows a ViewText in a fixed-pitch font
// and lets the operator select part of it with the mouse or the keyboard. Only the lines
// in view are drawn, so a file of any length scrolls and selects at once. Screen readers
// read the text, caret and selection through Qt's accessibility text interface.

#include <QAbstractScrollArea>
#include <QFont>
#include <QRectF>
#include <QString>
#include <memory>

#include "passfiles/TextLayout.h"
#include "passfiles/ViewText.h"

namespace orlix {

// The fixed-pitch font of pass files on screen and on paper.
QFont PassFileFont(double points = 10);

class PassTextView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit PassTextView(QWidget* parent = nullptr);

  // Replaces the text; the selection is cleared and the view returns to the top left.
  void SetText(passview::ViewText text);
  const passview::ViewText& Text() const { return text_; }
  QString PlainText() const;

  bool HasSelection() const { return anchor_ != caret_; }
  QString SelectedText() const;
  passview::Position Anchor() const { return anchor_; }
  passview::Position Caret() const { return caret_; }
  // Selects from the anchor to the caret (positions are limited to the text).
  void Select(passview::Position anchor, passview::Position caret);
  void SelectAll();
  void Copy() const;

  // The grid as it is drawn now, and the rectangle of one cell in viewport pixels.
  passview::Grid CurrentGrid() const;
  QRectF CellRect(passview::Position p) const;
  // Scrolls so that a position is in view.
  void ShowPosition(passview::Position p);

  // The text as a screen reader reads it, indexed on first use. While an assistive client
  // listens, the view reports loads, caret moves and selections to it.
  const passview::FlatText& Flat() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void SelectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void UpdateMetrics();
  void UpdateScrollBars();
  std::size_t VisibleRows() const;
  std::size_t VisibleColumns() const;
  void SetCaret(passview::Position caret, bool extend);
  void EnsureVisible(passview::Position p);
  void DrawCells(QPainter& painter, double x, double baseline, std::u16string_view cells) const;
  bool Reported() const;
  void ReportCaret() const;

  passview::ViewText text_;
  passview::Position anchor_;
  passview::Position caret_;
  double cellWidth_ = 8;
  double lineHeight_ = 16;
  double ascent_ = 12;
  bool dragging_ = false;
  mutable std::unique_ptr<passview::FlatText> flat_;
};

}  // namespace orlix
