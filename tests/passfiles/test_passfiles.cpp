// Pass files: the writer's exact bytes, and the viewer's text model.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/SystemPlatform.h"
#include "passfiles/PassFileWriter.h"
#include "passfiles/ViewText.h"
#include "tests/support/FakePlatform.h"

namespace orlix {
namespace {

using namespace passview;
namespace fs = std::filesystem;

const std::string kRule = " =========================================\r\n";
std::string Header(const std::string& pass, const std::string& date, const std::string& time) {
  return " Orlix / Thickness Measurement & Control / Data\r\n Pass No " + pass + " ,    Date " +
         date + " ,   Time " + time + "\r\n" + kRule +
         " L<m>           T<mcm>          D<mm>           W<kg>\r\n" + kRule;
}
std::string EndBlock(const std::string& statistics) {
  return "\r\n Average Thickness " + statistics + "\r\n Thickness Distribution:\r\n" + kRule +
         " T<mcm>         N\r\n" + kRule;
}

// The golden pass, written into a real directory and read back byte for byte.
TEST(PassFile, GoldenPassOnDisk) {
  const fs::path dir = fs::temp_directory_path() / ("station-pass-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  DirectoryFileAccess files(dir);
  testing::FakeClock clock;
  PassFileWriter writer(files, clock);
  ASSERT_TRUE(files.Replace("07.PSS", "an old pass\r\n"));
  ASSERT_TRUE(writer.WriteFileHeader(7));
  ASSERT_TRUE(writer.AddFileData(7, 12, 120.44f, 350.2f, 15.6f));
  ASSERT_TRUE(writer.AddFileData(7, 13, -5.5f, 350.9f, 16.49f));
  ASSERT_TRUE(writer.WriteFileEnd(7, static_cast<double>(120.45f), 1.25));
  ASSERT_TRUE(writer.WriteHistoPoint(7, 118.4, 23));
  ASSERT_TRUE(writer.AddFileData(3, 1, 100, 300, 2));  // creates a missing file
  std::ifstream in(dir / "07.PSS", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            Header("07", "06/12/2026", "10:41:09") +
                " 000012         0120.4          0350            0016\r\n"
                " 000013         -0005.5         0351            0016\r\n" +
                EndBlock("120.45 ,   MS Deviation 1.25") + " 0118.4         0023\r\n");
  EXPECT_EQ(files.Read("03.PSS", 100), " 000001         0100.0          0300            0002\r\n");
  fs::remove_all(dir);
}

TEST(PassFile, NamesAndRefusedWrites) {
  for (const auto& [pass, name] : std::vector<std::pair<int, std::string>>{
           {0, "00.PSS"}, {9, "09.PSS"}, {10, "10.PSS"}, {123, "123.PSS"}, {32767, "32767.PSS"}}) {
    EXPECT_EQ(PassFileWriter::PassFileName(static_cast<std::int16_t>(pass)), name);
  }
  testing::MemoryFileAccess files;
  testing::FakeClock clock;
  clock.date = "2026-12-31";
  PassFileWriter writer(files, clock);
  ASSERT_TRUE(writer.WriteFileHeader(0));
  EXPECT_EQ(files.files["00.PSS"], Header("00", "2026-12-31", "10:41:09"));
  files.failAppend = true;
  EXPECT_FALSE(writer.AddFileData(0, 1, 2, 3, 4));
  EXPECT_FALSE(writer.WriteFileEnd(0, 1, 2));
  EXPECT_FALSE(writer.WriteHistoPoint(0, 1, 2));
  files.failReplace = true;
  EXPECT_FALSE(writer.WriteFileHeader(0));
  EXPECT_EQ(files.files["00.PSS"], Header("00", "2026-12-31", "10:41:09"));
}

struct LineRow {
  std::string text, expected;
};
class Lines : public ::testing::TestWithParam<LineRow> {};
TEST_P(Lines, ItemsAtTheirPrintColumns) { EXPECT_EQ(GetParam().text, GetParam().expected); }
INSTANTIATE_TEST_SUITE_P(
    Rows, Lines,
    ::testing::Values(
        LineRow{PassFileWriter::DataLine(0, 120.45f, 0.5f, 1.5f),  // singles round on their digits
                " 000000         0120.5          0001            0002\r\n"},
        LineRow{PassFileWriter::DataLine(1234567, 12345.6f, 99999, 123456),
                " 1234567        12345.6         99999           123456\r\n"},
        // An item past the next column sends the following items to a new line.
        LineRow{PassFileWriter::DataLine(1e16f, 120.44f, 350.2f, 15.6f),
                " 10000000000000000\r\n                0120.4          0350            0016\r\n"},
        LineRow{PassFileWriter::DataLine(12, 120.44f, 1e15f, 15.6f),
                " 000012         0120.4          10000000000000000016\r\n"},
        LineRow{PassFileWriter::HistoLine(static_cast<double>(118.45f), 5),
                " 0118.4         0005\r\n"},
        LineRow{PassFileWriter::HistoLine(-2.25, 1), " -0002.3        0001\r\n"},
        LineRow{PassFileWriter::HistoLine(1200, 123456), " 1200.0         123456\r\n"},
        LineRow{PassFileWriter::EndText(120.456, 3.14159),
                EndBlock("120.46 ,   MS Deviation 3.14")},
        LineRow{PassFileWriter::EndText(120, 2), EndBlock("120.0 ,   MS Deviation 2.0")},
        LineRow{PassFileWriter::EndText(-3.456, 0.004), EndBlock("-3.46 ,   MS Deviation 0.0")},
        LineRow{PrintLine().At(0, "a").At(3, "b").Finish(), "a b\r\n"},
        LineRow{PrintLine().At(1, "abc").At(2, "d").Finish(), "abc\r\n d\r\n"}));

// Lines of a text as UTF-8, joined by '|', for readable comparisons.
std::string Show(const ViewText& text) {
  std::string out;
  for (std::size_t i = 0; i < text.LineCount(); ++i) {
    for (const char16_t c : text.Line(i)) {
      if (c < 0x80)
        out += static_cast<char>(c);
      else if (c < 0x800)
        out += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
      else
        out += {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
    }
    out += i + 1 < text.LineCount() ? "|" : "";
  }
  return out;
}

struct DecodeRow {
  std::string bytes;
  std::size_t maxLines;
  std::string lines;
  bool cutShort = false;
};
class Decode : public ::testing::TestWithParam<DecodeRow> {};
TEST_P(Decode, GivesOneCellPerCharacterWhateverTheBytes) {
  const ViewText text = ViewText::Decode(GetParam().bytes, Limits{GetParam().maxLines});
  EXPECT_EQ(Show(text), GetParam().lines);
  EXPECT_EQ(text.CutShort(), GetParam().cutShort);
}
const std::string R = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
INSTANTIATE_TEST_SUITE_P(
    Rows, Decode,
    ::testing::Values(DecodeRow{"", 9, ""}, DecodeRow{" L<m>\r\n 000012\r\n", 9, " L<m>| 000012|"},
                      DecodeRow{"a\nb\rc\r\r\nd\n\re", 9, "a|b|c||d||e"},
                      DecodeRow{"a\tb\t\tc\n\tx", 9, "a       b               c|        x"},
                      DecodeRow{std::string("a\0b\x1b\x7f", 5), 9, "a" + R + "b" + R + R},
                      DecodeRow{"\xC2\xB5m \xE2\x82\xAC \xB5\xE9", 9,
                                "\xC2\xB5m \xE2\x82\xAC \xC2\xB5\xC3\xA9"},
                      DecodeRow{"\x85\xC2\x85", 9, R + R},
                      DecodeRow{"\xE2\x82x\xC0\xAF", 9, "\xC3\xA2" + R + "x\xC3\x80\xC2\xAF"},
                      DecodeRow{"\xED\xA0\x80<\xF0\x9F\x98\x80>a\xF0\x9F", 9,
                                "\xC3\xAD\xC2\xA0" + R + "<" + R + ">a\xC3\xB0" + R},
                      DecodeRow{std::string("\xEF\xBB\xBF") + "ab", 9, "ab"},
                      DecodeRow{"a\nb\n", 3, "a|b|"}, DecodeRow{"a\r\nbc\r\nd", 2, "a|bc", true},
                      DecodeRow{"ab\ncd", 0, "ab", true}));

// Cells are decoded from the line start, from where a line stops being one byte per cell,
// or from a known point of a long line: every way gives the cells of a whole decoding.
TEST(ViewText, AnyPieceOfALongUnevenLine) {
  for (const std::string& prefix :
       {std::string(), std::string(4992, '-'), std::string(13, '\xE9')}) {
    std::string bytes = prefix;
    for (int i = 0; i < 1000; ++i)
      bytes += "ab\t\xC2\xB5\xE2\x82\xAC\x85xabcd" + std::string(i % 3 * 50, 'x');
    const ViewText text = ViewText::Decode("first\r\n" + bytes + "\r\nlast");
    const std::u16string whole = text.Line(1);
    ASSERT_EQ(whole.size(), text.LineLength(1));
    EXPECT_EQ(Show(text).substr(0, 6), "first|");
    for (std::size_t from : {0u, 7u, 8u, 4095u, 4096u, 4097u, 8192u, 12345u, 20003u, 60000u}) {
      for (std::size_t count : {1u, 40u, 100000u}) {
        ASSERT_EQ(text.Cells(1, from, count), from < whole.size() ? whole.substr(from, count) : u"")
            << from << " " << count;
      }
    }
  }
  const ViewText flat = ViewText::Decode(std::string(5'000'000, 'x'));
  EXPECT_EQ(flat.LineCount(), 1u);
  EXPECT_EQ(flat.Cells(0, 4'999'998, 10), u"xx");
}

TEST(ViewText, SlicesMovesAndWords) {
  const ViewText text = ViewText::Decode("ab\r\ncde\r\nf");
  EXPECT_EQ(text.All(), u"ab\ncde\nf");
  EXPECT_EQ(text.Slice({2, 1}, {0, 1}), u"b\ncde\nf");
  EXPECT_EQ(text.Slice({0, 2}, {1, 0}), u"\n");
  EXPECT_EQ(text.Slice({1, 1}, {1, 3}), u"de");
  const ViewText four = ViewText::Decode("ab\nc\nabcd\nxyz");
  const std::vector<std::tuple<Position, Motion, std::size_t, Position>> moves = {
      {{1, 0}, Motion::kLeft, 1, {0, 2}},      {{0, 0}, Motion::kLeft, 1, {0, 0}},
      {{0, 2}, Motion::kRight, 1, {1, 0}},     {{3, 3}, Motion::kRight, 1, {3, 3}},
      {{2, 3}, Motion::kUp, 1, {1, 1}},        {{2, 4}, Motion::kDown, 1, {3, 3}},
      {{0, 1}, Motion::kPageDown, 10, {3, 1}}, {{0, 1}, Motion::kPageDown, 2, {2, 1}},
      {{2, 3}, Motion::kPageUp, 10, {0, 2}},   {{2, 3}, Motion::kLineStart, 1, {2, 0}},
      {{2, 1}, Motion::kLineEnd, 1, {2, 4}},   {{3, 2}, Motion::kTextStart, 1, {0, 0}},
      {{0, 1}, Motion::kTextEnd, 1, {3, 3}},   {{9, 9}, Motion::kLeft, 1, {3, 2}}};
  for (const auto& [from, motion, page, to] : moves) {
    EXPECT_EQ(four.Move(from, motion, page), to) << from.line << "," << from.column;
  }
  const ViewText line = ViewText::Decode(" 000012         -0120.4         0350            0016");
  for (const auto& [column, from, to] : std::vector<std::array<std::size_t, 3>>{
           {3, 1, 7}, {16, 16, 23}, {23, 16, 23}, {27, 27, 27}, {52, 48, 52}, {90, 48, 52}}) {
    EXPECT_EQ(line.WordAt({0, column}), std::make_pair(Position{0, from}, Position{0, to}))
        << column;
  }
}

}  // namespace
}  // namespace orlix
