// The viewer's geometry: hit testing on the cell grid and the breaking of printed text
// into pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "passfiles/TextLayout.h"

using namespace orlix::passview;

namespace {

struct HitRow {
  const char* name;
  std::size_t firstLine;
  std::size_t firstColumn;
  double x;
  double y;
  Position expected;
};

class HitTest : public ::testing::TestWithParam<HitRow> {};

TEST_P(HitTest, FindsTheNearestCellBoundary) {
  const ViewText text = ViewText::Decode("abcdef\nxy\nz\n0123456789");
  const HitRow& row = GetParam();
  Grid grid;
  grid.cellWidth = 8;
  grid.lineHeight = 16;
  grid.padding = 3;
  grid.firstLine = row.firstLine;
  grid.firstColumn = row.firstColumn;
  EXPECT_EQ(PositionAt(text, grid, row.x, row.y), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Points, HitTest,
                         ::testing::Values(
                             // Cells are 8 px wide from x = 3; lines 16 px high from y = 3.
                             HitRow{"FirstCell", 0, 0, 3, 3, {0, 0}},
                             HitRow{"LeftHalfOfCellTwo", 0, 0, 3 + 2 * 8 + 3, 3 + 1, {0, 2}},
                             HitRow{"RightHalfOfCellTwo", 0, 0, 3 + 2 * 8 + 5, 3 + 15, {0, 3}},
                             HitRow{"SecondLine", 0, 0, 3 + 1 * 8 + 1, 3 + 16, {1, 1}},
                             HitRow{"PastLineEndClamps", 0, 0, 3 + 9 * 8, 3 + 16 + 8, {1, 2}},
                             HitRow{"BelowTextIsLastLine", 0, 0, 3 + 4 * 8, 3 + 40 * 16, {3, 4}},
                             HitRow{"AboveAndLeftOfGrid", 0, 0, -50, -50, {0, 0}},
                             HitRow{"ScrolledGrid", 2, 3, 3, 3 + 16 + 2, {3, 3}},
                             HitRow{"ScrolledAboveGridIsFirstShown", 1, 2, -5, -5, {1, 2}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GridTest, CellsAndHitsAgree) {
  const ViewText text = ViewText::Decode(std::string(200, 'x') + "\n" + std::string(200, 'y'));
  Grid grid;
  grid.cellWidth = 7.8125;  // a fractional advance must not drift over a long line
  grid.lineHeight = 15;
  grid.padding = 3;
  grid.firstColumn = 20;
  for (std::size_t column : {20u, 21u, 75u, 180u}) {
    const double left = CellLeft(grid, column);
    const double top = LineTop(grid, 1);
    EXPECT_EQ(PositionAt(text, grid, left + 0.1, top + 0.1), (Position{1, column}));
    EXPECT_EQ(PositionAt(text, grid, left + grid.cellWidth * 0.6, top + 14),
              (Position{1, column + 1}));
  }
}

TEST(GridTest, CountsAndScrollRanges) {
  EXPECT_EQ(FittingCount(100, 16), 6u);
  EXPECT_EQ(FittingCount(96, 16), 6u);
  EXPECT_EQ(FittingCount(5, 16), 1u);
  EXPECT_EQ(FittingCount(-5, 16), 1u);
  EXPECT_EQ(ScrollMaximum(300000, 25), 299975u);
  EXPECT_EQ(ScrollMaximum(10, 25), 0u);
}

std::vector<std::u16string> Strings(const ViewText& text, const std::vector<PrintedLine>& lines) {
  std::vector<std::u16string> out;
  for (const PrintedLine& line : lines) {
    out.push_back(
        line.line == PrintedLine::kNoLine ? u"" : text.Cells(line.line, line.column, line.length));
  }
  return out;
}

struct PrintedRow {
  const char* name;
  std::string file;
  Position a;
  Position b;
  std::vector<std::u16string> lines;
};

class PrintedLinesTest : public ::testing::TestWithParam<PrintedRow> {};

TEST_P(PrintedLinesTest, OpenWithAnEmptyLine) {
  const PrintedRow& row = GetParam();
  const ViewText text = ViewText::Decode(row.file);
  const std::vector<PrintedLine> lines = PrintedLines(text, row.a, row.b);
  EXPECT_EQ(Strings(text, lines), row.lines);
  EXPECT_EQ(PrintedLines(text, row.b, row.a), lines);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), PrintedLine{});
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, PrintedLinesTest,
    ::testing::Values(
        PrintedRow{"WholeFile", "L1\r\nL2\r\nL3\r\n", {0, 0}, {3, 0}, {u"", u"L1", u"L2", u"L3"}},
        PrintedRow{"WholeFileWithoutFinalLineEnd", "L1\r\nL2", {0, 0}, {1, 2}, {u"", u"L1", u"L2"}},
        PrintedRow{
            "EmptyLinesInsideKept", "L1\r\n\r\nL3", {0, 0}, {2, 2}, {u"", u"L1", u"", u"L3"}},
        PrintedRow{"PartsOfTwoLines", "L1\r\nL2\r\nL3\r\n", {0, 1}, {1, 1}, {u"", u"1", u"L"}},
        PrintedRow{"OneLineWithItsEnd", "L1\r\nL2\r\nL3\r\n", {1, 0}, {2, 0}, {u"", u"L2"}},
        PrintedRow{"InsideOneLine", "0120.4 0350", {0, 2}, {0, 6}, {u"", u"20.4"}},
        PrintedRow{"NothingLoaded", "", {0, 0}, {0, 0}, {u""}}),
    [](const auto& info) { return std::string(info.param.name); });

struct PageRow {
  const char* name;
  std::vector<std::size_t> lengths;
  std::size_t columns;
  std::size_t rows;
  std::vector<std::vector<std::vector<std::size_t>>> pages;  // {line, column, length} per row
};

class PaginateTest : public ::testing::TestWithParam<PageRow> {};

TEST_P(PaginateTest, FillsPagesRowByRow) {
  const PageRow& row = GetParam();
  const std::vector<PrintPage> pages = Paginate(row.lengths, row.columns, row.rows);
  std::vector<std::vector<std::vector<std::size_t>>> got;
  for (const PrintPage& page : pages) {
    auto& rows = got.emplace_back();
    for (const PrintRow& r : page) rows.push_back({r.line, r.column, r.length});
  }
  EXPECT_EQ(got, row.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PaginateTest,
    ::testing::Values(
        PageRow{"NoLinesIsOneEmptyPage", {}, 80, 60, {{}}},
        PageRow{"OpeningLineOnly", {0}, 80, 60, {{{0, 0, 0}}}},
        PageRow{"ExactlyFullPageAddsNoPage", {0, 3, 3}, 80, 3, {{{0, 0, 0}, {1, 0, 3}, {2, 0, 3}}}},
        PageRow{"NextLineStartsNextPage",
                {0, 3, 3, 4},
                80,
                3,
                {{{0, 0, 0}, {1, 0, 3}, {2, 0, 3}}, {{3, 0, 4}}}},
        PageRow{"LongLineContinuesOverPageBreak",
                {0, 5, 12, 0},
                5,
                3,
                {{{0, 0, 0}, {1, 0, 5}, {2, 0, 5}}, {{2, 5, 5}, {2, 10, 2}, {3, 0, 0}}}},
        PageRow{"LineOfExactlyOneRow", {10}, 10, 5, {{{0, 0, 10}}}},
        PageRow{"OneRowPages", {0, 2}, 10, 1, {{{0, 0, 0}}, {{1, 0, 2}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PaginationTest, PassFileLinesFitARowAndPagesHoldAllLines) {
  // 1,000 data lines of 53 cells on pages of 80 columns and 60 rows.
  std::vector<std::size_t> lengths(1001, 53);
  lengths[0] = 0;
  const std::vector<PrintPage> pages = Paginate(lengths, 80, 60);
  ASSERT_EQ(pages.size(), 17u);  // 1001 rows / 60 per page
  std::size_t next = 0;
  for (const PrintPage& page : pages) {
    for (const PrintRow& row : page) {
      EXPECT_EQ(row.line, next++);
      EXPECT_EQ(row.column, 0u);
      EXPECT_EQ(row.length, lengths[row.line]);
    }
  }
  EXPECT_EQ(next, lengths.size());
}

}  // namespace
