#include "passfiles/ui/PassTextView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace orlix {

using passview::Motion;
using passview::Position;

namespace {

constexpr double kPadding = 3;
// Columns and rows the text box asks for: a pass-file line (53 columns) with room to spare.
constexpr int kHintColumns = 56;
constexpr int kHintRows = 26;

int ToScrollValue(std::size_t n) {
  return static_cast<int>(std::min<std::size_t>(n, std::numeric_limits<int>::max()));
}

QString ToQString(std::u16string_view cells) {
  return QString::fromUtf16(cells.data(), static_cast<qsizetype>(cells.size()));
}

std::optional<Motion> MotionOf(const QKeyEvent& event) {
  const bool control = event.modifiers() & Qt::ControlModifier;
  switch (event.key()) {
    case Qt::Key_Left:
      return Motion::kLeft;
    case Qt::Key_Right:
      return Motion::kRight;
    case Qt::Key_Up:
      return Motion::kUp;
    case Qt::Key_Down:
      return Motion::kDown;
    case Qt::Key_PageUp:
      return Motion::kPageUp;
    case Qt::Key_PageDown:
      return Motion::kPageDown;
    case Qt::Key_Home:
      return control ? Motion::kTextStart : Motion::kLineStart;
    case Qt::Key_End:
      return control ? Motion::kTextEnd : Motion::kLineEnd;
    default:
      return std::nullopt;
  }
}

}  // namespace

QFont PassFileFont(double points) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPointSizeF(points);
  return font;
}

PassTextView::PassTextView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(PassFileFont());
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  UpdateMetrics();
  UpdateScrollBars();
}

void PassTextView::SetText(passview::ViewText text) {
  const bool hadSelection = HasSelection();
  text_ = std::move(text);
  anchor_ = caret_ = Position{};
  dragging_ = false;
  UpdateScrollBars();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  viewport()->update();
  if (hadSelection) emit SelectionChanged();
}

QString PassTextView::PlainText() const { return ToQString(text_.All()); }

QString PassTextView::SelectedText() const { return ToQString(text_.Slice(anchor_, caret_)); }

void PassTextView::Select(Position anchor, Position caret) {
  const bool had = HasSelection();
  anchor_ = text_.Clamp(anchor);
  caret_ = text_.Clamp(caret);
  EnsureVisible(caret_);
  viewport()->update();
  if (had || HasSelection()) emit SelectionChanged();
}

void PassTextView::SelectAll() { Select({0, 0}, text_.End()); }

void PassTextView::Copy() const {
  if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

passview::Grid PassTextView::CurrentGrid() const {
  passview::Grid grid;
  grid.cellWidth = cellWidth_;
  grid.lineHeight = lineHeight_;
  grid.padding = kPadding;
  grid.firstLine = static_cast<std::size_t>(std::max(verticalScrollBar()->value(), 0));
  grid.firstColumn = static_cast<std::size_t>(std::max(horizontalScrollBar()->value(), 0));
  return grid;
}

QRectF PassTextView::CellRect(Position p) const {
  const passview::Grid grid = CurrentGrid();
  return QRectF(passview::CellLeft(grid, p.column), passview::LineTop(grid, p.line), cellWidth_,
                lineHeight_);
}

QSize PassTextView::sizeHint() const {
  const int frame = 2 * frameWidth();
  const int bar = verticalScrollBar()->sizeHint().width();
  return QSize(static_cast<int>(std::ceil(2 * kPadding + kHintColumns * cellWidth_)) + frame + bar,
               static_cast<int>(std::ceil(2 * kPadding + kHintRows * lineHeight_)) + frame);
}

QSize PassTextView::minimumSizeHint() const {
  return QSize(static_cast<int>(20 * cellWidth_), static_cast<int>(5 * lineHeight_));
}

void PassTextView::UpdateMetrics() {
  const QFontMetricsF metrics(font());
  // The advance of a long run, so that cells add up exactly as a drawn line does.
  cellWidth_ = std::max(1.0, metrics.horizontalAdvance(QString(64, QLatin1Char('0'))) / 64.0);
  lineHeight_ = std::max(1.0, std::ceil(metrics.height()));
  ascent_ = metrics.ascent();
}

std::size_t PassTextView::VisibleRows() const {
  return passview::FittingCount(viewport()->height() - kPadding, lineHeight_);
}

std::size_t PassTextView::VisibleColumns() const {
  return passview::FittingCount(viewport()->width() - 2 * kPadding, cellWidth_);
}

void PassTextView::UpdateScrollBars() {
  const std::size_t rows = VisibleRows();
  const std::size_t columns = VisibleColumns();
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, ToScrollValue(passview::ScrollMaximum(text_.LineCount(), rows)));
  vertical->setPageStep(ToScrollValue(rows));
  vertical->setSingleStep(1);
  // One column more than the longest line, for the caret at its end.
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setRange(0, ToScrollValue(passview::ScrollMaximum(text_.LongestLine() + 1, columns)));
  horizontal->setPageStep(ToScrollValue(columns));
  horizontal->setSingleStep(1);
}

void PassTextView::SetCaret(Position caret, bool extend) {
  const Position oldAnchor = anchor_;
  const Position oldCaret = caret_;
  caret_ = text_.Clamp(caret);
  if (!extend) anchor_ = caret_;
  EnsureVisible(caret_);
  viewport()->update();
  const bool wasSelected = oldAnchor != oldCaret;
  if ((wasSelected || HasSelection()) && (oldAnchor != anchor_ || oldCaret != caret_)) {
    emit SelectionChanged();
  }
}

void PassTextView::EnsureVisible(Position p) {
  const std::size_t rows = VisibleRows();
  const std::size_t columns = VisibleColumns();
  const passview::Grid grid = CurrentGrid();
  if (p.line < grid.firstLine) {
    verticalScrollBar()->setValue(ToScrollValue(p.line));
  } else if (p.line >= grid.firstLine + rows) {
    verticalScrollBar()->setValue(ToScrollValue(p.line - rows + 1));
  }
  if (p.column < grid.firstColumn) {
    horizontalScrollBar()->setValue(ToScrollValue(p.column));
  } else if (p.column >= grid.firstColumn + columns) {
    horizontalScrollBar()->setValue(ToScrollValue(p.column - columns + 1));
  }
}

void PassTextView::DrawCells(QPainter& painter, double x, double baseline,
                             std::u16string_view cells) const {
  const bool plain = std::all_of(cells.begin(), cells.end(), [](char16_t c) { return c < 0x80; });
  if (plain) {
    painter.drawText(QPointF(x, baseline), ToQString(cells));
    return;
  }
  // Characters outside ASCII may come from a fallback font of another width: each keeps
  // its own cell so the columns stay in line.
  for (std::size_t i = 0; i < cells.size(); ++i) {
    painter.drawText(QPointF(x + static_cast<double>(i) * cellWidth_, baseline),
                     QString(QChar(cells[i])));
  }
}

void PassTextView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const QPalette& pal = palette();
  painter.fillRect(viewport()->rect(), pal.base());
  painter.setFont(font());

  const passview::Grid grid = CurrentGrid();
  const std::size_t rows = VisibleRows() + 1;
  const std::size_t firstColumn = grid.firstColumn;
  const std::size_t lastColumn = firstColumn + VisibleColumns() + 2;
  const Position from = std::min(anchor_, caret_);
  const Position to = std::max(anchor_, caret_);
  const bool selected = HasSelection();
  const QColor textColor = pal.color(QPalette::Text);
  const QColor selectedColor = pal.color(QPalette::HighlightedText);
  constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

  const std::size_t endLine = std::min(text_.LineCount(), grid.firstLine + rows);
  for (std::size_t line = grid.firstLine; line < endLine; ++line) {
    // Only the cells in view are decoded; `cells` starts at the first column shown.
    const std::size_t length = text_.LineLength(line);
    const std::u16string cells = text_.Cells(line, firstColumn, lastColumn - firstColumn);
    const double top = passview::LineTop(grid, line);
    const double baseline = top + ascent_;
    std::size_t selFrom = kNone;
    std::size_t selTo = kNone;
    if (selected && from.line <= line && line <= to.line) {
      selFrom = line == from.line ? from.column : 0;
      // A selected line end shows as one highlighted cell.
      selTo = line == to.line ? to.column : length + 1;
      const std::size_t a = std::max(selFrom, firstColumn);
      const std::size_t b = std::min(selTo, lastColumn);
      if (a < b) {
        painter.fillRect(QRectF(passview::CellLeft(grid, a), top,
                                static_cast<double>(b - a) * cellWidth_, lineHeight_),
                         pal.brush(QPalette::Highlight));
      }
    }
    auto drawPart = [&](std::size_t a, std::size_t b, const QColor& color) {
      a = std::max(a, firstColumn);
      b = std::min(b, firstColumn + cells.size());
      if (a >= b) return;
      painter.setPen(color);
      DrawCells(painter, passview::CellLeft(grid, a), baseline,
                std::u16string_view(cells).substr(a - firstColumn, b - a));
    };
    if (selFrom == kNone) {
      drawPart(0, length, textColor);
    } else {
      drawPart(0, selFrom, textColor);
      drawPart(selFrom, selTo, selectedColor);
      drawPart(selTo, length, textColor);
    }
  }

  if (hasFocus() && caret_.line >= grid.firstLine && caret_.line < endLine &&
      caret_.column >= firstColumn) {
    const double x = std::floor(passview::CellLeft(grid, caret_.column)) + 0.5;
    const double top = passview::LineTop(grid, caret_.line);
    painter.setPen(QPen(textColor, 1));
    painter.drawLine(QPointF(x, top), QPointF(x, top + lineHeight_ - 1));
  }
}

void PassTextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void PassTextView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    UpdateMetrics();
    UpdateScrollBars();
    updateGeometry();
    viewport()->update();
  }
}

void PassTextView::scrollContentsBy(int, int) { viewport()->update(); }

void PassTextView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  const QPointF at = event->position();
  SetCaret(passview::PositionAt(text_, CurrentGrid(), at.x(), at.y()),
           event->modifiers() & Qt::ShiftModifier);
  dragging_ = true;
}

void PassTextView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPointF at = event->position();
  // Dragging beyond the edges scrolls one line or column per movement.
  QScrollBar* vertical = verticalScrollBar();
  if (at.y() < 0) vertical->setValue(vertical->value() - 1);
  if (at.y() > viewport()->height()) vertical->setValue(vertical->value() + 1);
  QScrollBar* horizontal = horizontalScrollBar();
  if (at.x() < 0) horizontal->setValue(horizontal->value() - 1);
  if (at.x() > viewport()->width()) horizontal->setValue(horizontal->value() + 1);
  SetCaret(passview::PositionAt(text_, CurrentGrid(), at.x(), at.y()), true);
}

void PassTextView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && dragging_) {
    dragging_ = false;
    QClipboard* clipboard = QApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection()) {
      clipboard->setText(SelectedText(), QClipboard::Selection);
    }
  }
}

void PassTextView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPointF at = event->position();
  const auto word = text_.WordAt(passview::PositionAt(text_, CurrentGrid(), at.x(), at.y()));
  Select(word.first, word.second);
}

void PassTextView::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::SelectAll) {
    SelectAll();
    return;
  }
  if (event == QKeySequence::Copy) {
    Copy();
    return;
  }
  if (const std::optional<Motion> motion = MotionOf(*event)) {
    SetCaret(text_.Move(caret_, *motion, VisibleRows()), event->modifiers() & Qt::ShiftModifier);
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void PassTextView::contextMenuEvent(QContextMenuEvent* event) {
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* copy = menu->addAction(tr("Copy"), this, &PassTextView::Copy);
  copy->setEnabled(HasSelection());
  menu->addAction(tr("Select All"), this, &PassTextView::SelectAll);
  menu->popup(event->globalPos());
}

void PassTextView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void PassTextView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

}  // namespace orlix
