#include "passfiles/TextLayout.h"

#include <algorithm>
#include <cmath>

namespace orlix::passview {

std::size_t FittingCount(double extent, double step) {
  if (!(step > 0) || !(extent > step)) return 1;
  return static_cast<std::size_t>(std::floor(extent / step));
}

std::size_t ScrollMaximum(std::size_t total, std::size_t visible) {
  return total > visible ? total - visible : 0;
}

Position PositionAt(const ViewText& text, const Grid& grid, double x, double y) {
  Position p{grid.firstLine, grid.firstColumn};
  const double row = (y - grid.padding) / grid.lineHeight;
  if (row > 0) p.line += static_cast<std::size_t>(std::floor(row));
  const double column = (x - grid.padding) / grid.cellWidth;
  if (column > 0) p.column += static_cast<std::size_t>(std::floor(column + 0.5));
  return text.Clamp(p);
}

double CellLeft(const Grid& grid, std::size_t column) {
  return grid.padding +
         (static_cast<double>(column) - static_cast<double>(grid.firstColumn)) * grid.cellWidth;
}

double LineTop(const Grid& grid, std::size_t line) {
  return grid.padding +
         (static_cast<double>(line) - static_cast<double>(grid.firstLine)) * grid.lineHeight;
}

std::vector<PrintedLine> PrintedLines(const ViewText& text, Position a, Position b) {
  a = text.Clamp(a);
  b = text.Clamp(b);
  if (b < a) std::swap(a, b);
  std::vector<PrintedLine> lines;
  lines.reserve(b.line - a.line + 2);
  lines.emplace_back();
  if (a == b) return lines;
  for (std::size_t line = a.line; line <= b.line; ++line) {
    const std::size_t from = line == a.line ? a.column : 0;
    const std::size_t to = line == b.line ? b.column : text.LineLength(line);
    lines.push_back({line, from, to - from});
  }
  if (b.line > a.line && b.column == 0) lines.pop_back();
  return lines;
}

std::vector<PrintPage> Paginate(const std::vector<std::size_t>& lengths, std::size_t columns,
                                std::size_t rows) {
  columns = std::max<std::size_t>(columns, 1);
  rows = std::max<std::size_t>(rows, 1);
  std::vector<PrintPage> pages(1);
  auto place = [&](const PrintRow& row) {
    if (pages.back().size() == rows) pages.emplace_back();
    pages.back().push_back(row);
  };
  for (std::size_t line = 0; line < lengths.size(); ++line) {
    const std::size_t length = lengths[line];
    std::size_t column = 0;
    do {
      const std::size_t piece = std::min(columns, length - column);
      place({line, column, piece});
      column += piece;
    } while (column < length);
  }
  return pages;
}

}  // namespace orlix::passview
