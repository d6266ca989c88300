#include "passfiles/ui/PassTextView.h"

#include <QAccessible>
#include <QAccessibleWidget>
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

// Counts and offsets as Qt takes them: an int, held to its range.
int ToInt(std::size_t n) {
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

// What a screen reader sees of the view: a read-only multi-line text whose characters are
// decoded only as they are asked for.
class PassTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit PassTextAccessible(PassTextView* view)
      : QAccessibleWidget(view, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
  }

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !View()->HasSelection()) return;
    *start = Offset(std::min(View()->Anchor(), View()->Caret()));
    *end = Offset(std::max(View()->Anchor(), View()->Caret()));
  }
  int selectionCount() const override { return View()->HasSelection() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int index) override {
    if (index == 0) View()->Select(View()->Caret(), View()->Caret());
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0) View()->Select(At(start), At(end));
  }
  int cursorPosition() const override { return Offset(View()->Caret()); }
  void setCursorPosition(int position) override { View()->Select(At(position), At(position)); }

  QString text(int start, int end) const override {
    if (start < 0 || end < start) return {};
    return ToQString(Flat().Text(static_cast<std::size_t>(start), static_cast<std::size_t>(end)));
  }
  int characterCount() const override { return ToInt(Flat().Size()); }

  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                       int* end) const override {
    *start = *end = -1;
    if (offset < 0 || offset > characterCount()) return {};
    return Piece(Unit(static_cast<std::size_t>(offset), type), start, end);
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                           int* end) const override {
    *start = *end = -1;
    if (offset < 0 || offset > characterCount()) return {};
    const std::size_t from = Unit(static_cast<std::size_t>(offset), type).first;
    if (from == 0) return {};
    return Piece(Unit(from - 1, type), start, end);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                          int* end) const override {
    *start = *end = -1;
    if (offset < 0 || offset > characterCount()) return {};
    const std::size_t to = Unit(static_cast<std::size_t>(offset), type).second;
    if (to >= Flat().Size()) return {};
    return Piece(Unit(to, type), start, end);
  }

  QRect characterRect(int offset) const override {
    if (offset < 0 || offset > characterCount()) return {};
    const QRectF cell = View()->CellRect(At(offset));
    const QPoint topLeft = View()->viewport()->mapToGlobal(cell.topLeft().toPoint());
    return QRect(topLeft, cell.size().toSize());
  }
  int offsetAtPoint(const QPoint& point) const override {
    const QPoint local = View()->viewport()->mapFromGlobal(point);
    if (!View()->viewport()->rect().contains(local)) return -1;
    return Offset(
        passview::PositionAt(View()->Text(), View()->CurrentGrid(), local.x(), local.y()));
  }
  void scrollToSubstring(int start, int) override { View()->ShowPosition(At(start)); }
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

 private:
  using Range = std::pair<std::size_t, std::size_t>;

  PassTextView* View() const { return static_cast<PassTextView*>(widget()); }
  const passview::FlatText& Flat() const { return View()->Flat(); }
  int Offset(Position p) const { return ToInt(Flat().OffsetOf(p)); }
  Position At(int offset) const {
    return Flat().PositionOf(static_cast<std::size_t>(std::max(offset, 0)));
  }
  QString Piece(Range r, int* start, int* end) const {
    *start = ToInt(r.first);
    *end = ToInt(r.second);
    return ToQString(Flat().Text(r.first, r.second));
  }

  // The character, word, line (with its line end) or whole text around an offset.
  Range Unit(std::size_t offset, QAccessible::TextBoundaryType type) const {
    const passview::FlatText& flat = Flat();
    const std::size_t size = flat.Size();
    switch (type) {
      case QAccessible::CharBoundary:
        return {std::min(offset, size), std::min(offset + 1, size)};
      case QAccessible::WordBoundary: {
        const Position p = flat.PositionOf(offset);
        const auto word = View()->Text().WordAt(p);
        const Range r{flat.OffsetOf(word.first), flat.OffsetOf(word.second)};
        if (r.first <= offset && offset < r.second) return r;
        return {std::min(offset, size), std::min(offset + 1, size)};
      }
      case QAccessible::SentenceBoundary:
      case QAccessible::ParagraphBoundary:
      case QAccessible::LineBoundary: {
        const std::size_t line = flat.LineOf(offset);
        return {flat.LineStart(line), flat.LineStart(line + 1)};
      }
      case QAccessible::NoBoundary:
        break;
    }
    return {0, size};
  }
};

QAccessibleInterface* PassTextFactory(const QString& className, QObject* object) {
  if (className == QLatin1String(PassTextView::staticMetaObject.className())) {
    if (auto* view = qobject_cast<PassTextView*>(object)) return new PassTextAccessible(view);
  }
  return nullptr;
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
  static const bool accessible = (QAccessible::installFactory(&PassTextFactory), true);
  Q_UNUSED(accessible);
  setFont(PassFileFont());
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  UpdateMetrics();
  UpdateScrollBars();
}

void PassTextView::SetText(passview::ViewText text) {
  const bool hadSelection = HasSelection();
  const bool report = Reported();
  const QString before = report ? ToQString(Flat().Text(0, Flat().Size())) : QString();
  flat_.reset();
  text_ = std::move(text);
  anchor_ = caret_ = Position{};
  if (report) {
    QAccessibleTextUpdateEvent event(this, 0, before, ToQString(Flat().Text(0, Flat().Size())));
    event.setCursorPosition(0);
    QAccessible::updateAccessibility(&event);
  }
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
  ReportCaret();
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

void PassTextView::ShowPosition(Position p) {
  EnsureVisible(text_.Clamp(p));
  viewport()->update();
}

const passview::FlatText& PassTextView::Flat() const {
  if (!flat_) flat_ = std::make_unique<passview::FlatText>(text_);
  return *flat_;
}

// Change events carry texts and offsets: they are built only while an assistive client
// listens, as Qt's own text widgets do.
bool PassTextView::Reported() const { return QAccessible::isActive(); }

void PassTextView::ReportCaret() const {
  if (!Reported()) return;
  auto* self = const_cast<PassTextView*>(this);
  const int caret = ToInt(Flat().OffsetOf(caret_));
  if (HasSelection()) {
    QAccessibleTextSelectionEvent event(self, ToInt(Flat().OffsetOf(std::min(anchor_, caret_))),
                                        ToInt(Flat().OffsetOf(std::max(anchor_, caret_))));
    event.setCursorPosition(caret);
    QAccessible::updateAccessibility(&event);
  } else {
    QAccessibleTextCursorEvent event(self, caret);
    QAccessible::updateAccessibility(&event);
  }
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
  vertical->setRange(0, ToInt(passview::ScrollMaximum(text_.LineCount(), rows)));
  vertical->setPageStep(ToInt(rows));
  vertical->setSingleStep(1);
  // One column more than the longest line, for the caret at its end.
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setRange(0, ToInt(passview::ScrollMaximum(text_.LongestLine() + 1, columns)));
  horizontal->setPageStep(ToInt(columns));
  horizontal->setSingleStep(1);
}

void PassTextView::SetCaret(Position caret, bool extend) {
  const Position oldAnchor = anchor_;
  const Position oldCaret = caret_;
  caret_ = text_.Clamp(caret);
  if (!extend) anchor_ = caret_;
  EnsureVisible(caret_);
  viewport()->update();
  if (oldAnchor != anchor_ || oldCaret != caret_) ReportCaret();
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
    verticalScrollBar()->setValue(ToInt(p.line));
  } else if (p.line >= grid.firstLine + rows) {
    verticalScrollBar()->setValue(ToInt(p.line - rows + 1));
  }
  if (p.column < grid.firstColumn) {
    horizontalScrollBar()->setValue(ToInt(p.column));
  } else if (p.column >= grid.firstColumn + columns) {
    horizontalScrollBar()->setValue(ToInt(p.column - columns + 1));
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
