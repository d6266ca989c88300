#pragma once
// Geometry of the pass-file viewer, free of any toolkit: the grid of fixed-pitch cells on
// screen (hit testing, scroll ranges) and the breaking of printed text into pages.

#include <cstddef>
#include <vector>

#include "passfiles/ViewText.h"

namespace orlix::passview {

// The cell grid of the text area, in pixels of the area. The cell (firstLine,
// firstColumn) has its top left corner at (padding, padding).
struct Grid {
  double cellWidth = 8;
  double lineHeight = 16;
  double padding = 3;
  std::size_t firstLine = 0;
  std::size_t firstColumn = 0;
};

// Whole steps of `step` that fit into `extent`, at least one.
std::size_t FittingCount(double extent, double step);

// The largest first-item value of a scroll bar over `total` items of which `visible`
// fit at once.
std::size_t ScrollMaximum(std::size_t total, std::size_t visible);

// The position nearest to a point of the text area: the line under it and the cell
// boundary closest to it, limited to the text. Points above or left of the grid give
// the first line or column shown.
Position PositionAt(const ViewText& text, const Grid& grid, double x, double y);

// Left and top pixel of the cell at a position, in the text area.
double CellLeft(const Grid& grid, std::size_t column);
double LineTop(const Grid& grid, std::size_t line);

// One printed row: `length` cells of source line `line` from cell `column`.
struct PrintRow {
  std::size_t line = 0;
  std::size_t column = 0;
  std::size_t length = 0;
};
using PrintPage = std::vector<PrintRow>;

// A printed line: `length` cells of line `line` from cell `column`; the opening empty
// line has no line of the text.
struct PrintedLine {
  static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
  std::size_t line = kNoLine;
  std::size_t column = 0;
  std::size_t length = 0;
  friend bool operator==(const PrintedLine&, const PrintedLine&) = default;
};

// The lines a print job prints: one empty line that opens the job, then the lines of the
// text between two positions (in either order); an empty range adds none. The empty line
// after the text's final line end is left out, so it never adds a page.
std::vector<PrintedLine> PrintedLines(const ViewText& text, Position a, Position b);

// Breaks lines of the given lengths into pages of `rows` rows of `columns` cells (both at
// least one is assumed); a longer line continues on the following rows. Rows refer to
// indices into `lengths`. No lines give one page with no rows.
std::vector<PrintPage> Paginate(const std::vector<std::size_t>& lengths, std::size_t columns,
                                std::size_t rows);

}  // namespace orlix::passview
