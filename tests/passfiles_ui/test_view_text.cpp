// The viewer's text model: decoding of any bytes into cells, limits, slices, movements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "passfiles/ViewText.h"

using namespace orlix::passview;

namespace {

std::vector<std::u16string> Lines(const ViewText& text) {
  std::vector<std::u16string> lines;
  for (std::size_t i = 0; i < text.LineCount(); ++i) lines.emplace_back(text.Line(i));
  return lines;
}

// Readable form of cells for failure messages: non-ASCII as \uXXXX.
std::string Show(const std::vector<std::u16string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += '[';
    for (char16_t c : line) {
      if (c >= 0x20 && c < 0x7F) {
        out += static_cast<char>(c);
      } else {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
        out += buf;
      }
    }
    out += ']';
  }
  return out;
}

struct DecodeRow {
  const char* name;
  std::string bytes;
  std::vector<std::u16string> lines;
};

class DecodeTest : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeTest, GivesOneCellPerCharacter) {
  const DecodeRow& row = GetParam();
  const ViewText text = ViewText::Decode(row.bytes);
  EXPECT_EQ(Show(Lines(text)), Show(row.lines));
  EXPECT_FALSE(text.CutShort());
  std::size_t longest = 0;
  for (const auto& line : row.lines) longest = std::max(longest, line.size());
  EXPECT_EQ(text.LongestLine(), longest);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DecodeTest,
    ::testing::Values(DecodeRow{"Empty", "", {u""}},
                      DecodeRow{"CrLfLines", " L<m>\r\n 000012\r\n", {u" L<m>", u" 000012", u""}},
                      DecodeRow{"NoLineEnd", "abc", {u"abc"}},
                      DecodeRow{"LfAndLoneCr", "a\nb\rc", {u"a", u"b", u"c"}},
                      DecodeRow{"CrBeforeCrLf", "a\r\r\nb", {u"a", u"", u"b"}},
                      DecodeRow{"LfCrIsTwoEnds", "a\n\rb", {u"a", u"", u"b"}},
                      DecodeRow{"TabsToEightColumns",
                                "a\tb\t\tc\n\tx",
                                {u"a       b               c", u"        x"}},
                      DecodeRow{"ControlCharacters",
                                std::string("a\0b\x1b\x7f\x0c", 6),
                                {u"a\uFFFDb\uFFFD\uFFFD\uFFFD"}},
                      DecodeRow{"Utf8", "\xC2\xB5m \xE2\x82\xAC", {u"\u00B5m \u20AC"}},
                      DecodeRow{"Latin1Bytes", "\xB5m \xE9t\xE9", {u"\u00B5m \u00E9t\u00E9"}},
                      DecodeRow{"C1Bytes", "\x85\x9F", {u"\uFFFD\uFFFD"}},
                      DecodeRow{"C1FromUtf8", "\xC2\x85", {u"\uFFFD"}},
                      DecodeRow{"CutSequence", "\xE2\x82x", {u"\u00E2\uFFFDx"}},
                      DecodeRow{"Overlong", "\xC0\xAF", {u"\u00C0\u00AF"}},
                      DecodeRow{"Surrogate", "\xED\xA0\x80", {u"\u00ED\u00A0\uFFFD"}},
                      DecodeRow{"BeyondPlaneZero", "<\xF0\x9F\x98\x80>", {u"<\uFFFD>"}},
                      DecodeRow{"SequenceCutAtEnd", "a\xF0\x9F", {u"a\u00F0\uFFFD"}},
                      DecodeRow{"ByteOrderMark",
                                "\xEF\xBB\xBF"
                                "ab",
                                {u"ab"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct LimitRow {
  const char* name;
  std::string bytes;
  Limits limits;
  std::vector<std::u16string> lines;
  bool cutShort;
};

class LimitTest : public ::testing::TestWithParam<LimitRow> {};

TEST_P(LimitTest, StopsAtTheLimits) {
  const LimitRow& row = GetParam();
  const ViewText text = ViewText::Decode(row.bytes, row.limits);
  EXPECT_EQ(Show(Lines(text)), Show(row.lines));
  EXPECT_EQ(text.CutShort(), row.cutShort);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, LimitTest,
    ::testing::Values(LimitRow{"LinesExactlyFit", "a\nb", {2}, {u"a", u"b"}, false},
                      LimitRow{"FinalLineEndFits", "a\nb\n", {3}, {u"a", u"b", u""}, false},
                      LimitRow{"LinesCut", "a\nb\nc\nd", {2}, {u"a", u"b"}, true},
                      LimitRow{
                          "CutKeepsTheLastLineWhole", "a\r\nbc\r\nd", {2}, {u"a", u"bc"}, true},
                      LimitRow{"OneLineAtLeast", "ab\ncd", {0}, {u"ab"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Cells are decoded where they are needed: from the line start, from the point where a
// line stops being one byte per cell, or from a known point of a long line. Every way
// must give the cells of a decoding from the start.
struct Piece {
  std::string bytes;     // "\t" for a tab
  std::u16string cells;  // the cells of anything else
};

struct CellsRow {
  const char* name;
  std::vector<Piece> prefix;  // once, at the start of the line
  std::vector<Piece> unit;    // then a thousand times
};

void Add(const std::vector<Piece>& pieces, std::string& bytes, std::u16string& cells) {
  for (const Piece& piece : pieces) {
    bytes += piece.bytes;
    if (piece.bytes == "\t") {
      cells.append(kTabWidth - cells.size() % kTabWidth, u' ');
    } else {
      cells += piece.cells;
    }
  }
}

class CellsTest : public ::testing::TestWithParam<CellsRow> {};

TEST_P(CellsTest, AnyPieceOfALongLineMatches) {
  const CellsRow& row = GetParam();
  std::string bytes;
  std::u16string expected;
  Add(row.prefix, bytes, expected);
  for (int i = 0; i < 1000; ++i) Add(row.unit, bytes, expected);
  const ViewText text = ViewText::Decode("first line\r\n" + bytes + "\r\nlast");
  ASSERT_EQ(text.LineCount(), 3u);
  ASSERT_EQ(text.LineLength(1), expected.size());
  EXPECT_EQ(text.Line(0), u"first line");
  EXPECT_EQ(text.Line(2), u"last");
  for (std::size_t from :
       {0u,    1u,    2u,    3u,     7u,     8u,     9u,     4095u,  4096u,  4097u,  4100u,  5000u,
        8190u, 8192u, 8200u, 12345u, 15990u, 16000u, 19999u, 20000u, 20003u, 60000u, 108990u}) {
    for (std::size_t count : {1u, 5u, 40u, 100000u}) {
      const std::u16string want = from < expected.size() ? expected.substr(from, count) : u"";
      ASSERT_EQ(Show({text.Cells(1, from, count)}), Show({want}))
          << "from " << from << " count " << count;
    }
  }
  EXPECT_EQ(text.Line(1), expected);
}

const Piece kTab{"\t", u""};
const std::vector<Piece> kMixedUnit = {{"ab", u"ab"},           kTab,
                                       {"\xC2\xB5", u"\u00B5"}, {"\xE2\x82\xAC", u"\u20AC"},
                                       {"\x85", u"\uFFFD"},     {"xabcd", u"xabcd"}};

INSTANTIATE_TEST_SUITE_P(
    Lines, CellsTest,
    ::testing::Values(
        CellsRow{"UnevenFromTheStart", {}, kMixedUnit},
        CellsRow{
            "LongEvenPrefix", {{std::string(4992, '-'), std::u16string(4992, u'-')}}, kMixedUnit},
        CellsRow{"LatinOnePrefix",
                 {{std::string(13, '\xE9'), std::u16string(13, u'\u00E9')}},
                 kMixedUnit},
        // Long runs of ASCII between the wide characters, tabs at shifting columns.
        CellsRow{
            "LongRuns",
            {},
            {kTab, {std::string(100, 'x'), std::u16string(100, u'x')}, {"\xC3\xA9", u"\u00E9"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ViewTextTest, LargeTextWithoutLineEndsIsOneLine) {
  const std::string bytes(5'000'000, 'x');
  const ViewText text = ViewText::Decode(bytes);
  EXPECT_EQ(text.LineCount(), 1u);
  EXPECT_EQ(text.LongestLine(), bytes.size());
  EXPECT_EQ(text.End(), (Position{0, bytes.size()}));
  EXPECT_EQ(text.Cells(0, 4'999'998, 10), u"xx");
}

struct SliceRow {
  const char* name;
  Position a;
  Position b;
  std::u16string expected;
};

class SliceTest : public ::testing::TestWithParam<SliceRow> {};

TEST_P(SliceTest, JoinsLinesWithLineFeeds) {
  const ViewText text = ViewText::Decode("ab\r\ncde\r\nf");
  const SliceRow& row = GetParam();
  EXPECT_EQ(Show({text.Slice(row.a, row.b)}), Show({row.expected}));
  EXPECT_EQ(Show({text.Slice(row.b, row.a)}), Show({row.expected}));
}

INSTANTIATE_TEST_SUITE_P(Ranges, SliceTest,
                         ::testing::Values(SliceRow{"Everything", {0, 0}, {2, 1}, u"ab\ncde\nf"},
                                           SliceRow{"WithinOneLine", {1, 1}, {1, 3}, u"de"},
                                           SliceRow{"AcrossLines", {0, 1}, {2, 1}, u"b\ncde\nf"},
                                           SliceRow{"LineEndOnly", {0, 2}, {1, 0}, u"\n"},
                                           SliceRow{"Empty", {1, 2}, {1, 2}, u""},
                                           SliceRow{
                                               "BeyondTheEndIsClamped", {1, 9}, {7, 7}, u"\nf"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ViewTextTest, AllGivesTheFileWithLineFeeds) {
  const std::string file = " Pass No 07\r\n =====\r\n\r\n 000012\r\n";
  EXPECT_EQ(Show({ViewText::Decode(file).All()}), Show({u" Pass No 07\n =====\n\n 000012\n"}));
}

struct MoveRow {
  const char* name;
  Position from;
  Motion motion;
  std::size_t page;
  Position to;
};

class MoveTest : public ::testing::TestWithParam<MoveRow> {};

TEST_P(MoveTest, MovesTheCaret) {
  const ViewText text = ViewText::Decode("ab\n\ncdef\nghi");
  const MoveRow& row = GetParam();
  EXPECT_EQ(text.Move(row.from, row.motion, row.page), row.to);
}

INSTANTIATE_TEST_SUITE_P(
    Motions, MoveTest,
    ::testing::Values(MoveRow{"LeftWrapsToLineEnd", {1, 0}, Motion::kLeft, 1, {0, 2}},
                      MoveRow{"LeftAtStartStays", {0, 0}, Motion::kLeft, 1, {0, 0}},
                      MoveRow{"RightWrapsToNextLine", {0, 2}, Motion::kRight, 1, {1, 0}},
                      MoveRow{"RightAtEndStays", {3, 3}, Motion::kRight, 1, {3, 3}},
                      MoveRow{"UpClampsColumn", {2, 3}, Motion::kUp, 1, {1, 0}},
                      MoveRow{"DownClampsColumn", {2, 4}, Motion::kDown, 1, {3, 3}},
                      MoveRow{"DownOnLastLineStays", {3, 1}, Motion::kDown, 1, {3, 1}},
                      MoveRow{"PageDownStopsAtLastLine", {0, 1}, Motion::kPageDown, 10, {3, 1}},
                      MoveRow{"PageDownByPage", {0, 1}, Motion::kPageDown, 2, {2, 1}},
                      MoveRow{"PageUpStopsAtFirstLine", {2, 3}, Motion::kPageUp, 10, {0, 2}},
                      MoveRow{"LineStart", {2, 3}, Motion::kLineStart, 1, {2, 0}},
                      MoveRow{"LineEnd", {2, 1}, Motion::kLineEnd, 1, {2, 4}},
                      MoveRow{"TextStart", {3, 2}, Motion::kTextStart, 1, {0, 0}},
                      MoveRow{"TextEnd", {0, 1}, Motion::kTextEnd, 1, {3, 3}},
                      MoveRow{"ClampsBeforeMoving", {9, 9}, Motion::kLeft, 1, {3, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

struct WordRow {
  const char* name;
  std::size_t column;
  std::size_t from;
  std::size_t to;
};

class WordTest : public ::testing::TestWithParam<WordRow> {};

TEST_P(WordTest, FindsTheNumberUnderTheMouse) {
  // A data line: length, thickness, diameter and weight at their print columns.
  const ViewText text = ViewText::Decode(" 000012         -0120.4         0350            0016");
  const WordRow& row = GetParam();
  const auto [from, to] = text.WordAt({0, row.column});
  EXPECT_EQ(from, (Position{0, row.from}));
  EXPECT_EQ(to, (Position{0, row.to}));
}

INSTANTIATE_TEST_SUITE_P(
    Columns, WordTest,
    ::testing::Values(WordRow{"InsideLength", 3, 1, 7}, WordRow{"FirstCellOfThickness", 16, 16, 23},
                      WordRow{"JustAfterThickness", 23, 16, 23}, WordRow{"Blanks", 27, 27, 27},
                      WordRow{"LineEnd", 52, 48, 52}, WordRow{"BeyondLineEnd", 90, 48, 52}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
