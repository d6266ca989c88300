#pragma once
// The text the pass-file viewer shows: a file's bytes seen as lines of character cells,
// one cell per column of the fixed-pitch font, with positions, movements and slices for
// the selection. Plain standard C++; the viewer widget draws it.
//
// The bytes are kept as they are, with an index of the lines; cells are decoded only
// where they are drawn, selected or printed, so a file costs little more memory than its
// size and opens in one pass over it.
//
// Decoding never fails, whatever the bytes: UTF-8 where the bytes are UTF-8, other bytes
// of 0xA0 and above as Latin-1, line ends CR LF, LF or a lone CR, tabs expanded to the
// next multiple of eight columns, and every other control character (and every character
// outside the basic plane) shown as U+FFFD, so each character fills exactly one cell.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orlix::passview {

// A place between two cells: before the cell `column` of line `line`.
struct Position {
  std::size_t line = 0;
  std::size_t column = 0;
  friend auto operator<=>(const Position&, const Position&) = default;
};

// Caret movements of the keyboard.
enum class Motion {
  kLeft,
  kRight,
  kUp,
  kDown,
  kPageUp,
  kPageDown,
  kLineStart,
  kLineEnd,
  kTextStart,
  kTextEnd,
};

inline constexpr char16_t kReplacement = u'\uFFFD';
inline constexpr std::size_t kTabWidth = 8;

// Lines the viewer indexes at most of one file (16 MB of index); beyond them the rest
// is left out and the text reports itself as cut short.
struct Limits {
  std::size_t lines = 4'000'000;
};

class ViewText {
 public:
  // Bytes the text takes at most (the line index holds 32-bit offsets).
  static constexpr std::size_t kMaxBytes = 0x7FFF'FFFF;

  // The empty text: one empty line.
  ViewText();

  // Takes the file's bytes (at most kMaxBytes; more are left out).
  static ViewText Decode(std::string bytes, const Limits& limits = Limits());

  std::size_t LineCount() const { return starts_.size(); }
  // Cells of a line.
  std::size_t LineLength(std::size_t line) const { return info_[line] & kLengthMask; }
  std::size_t LongestLine() const { return longest_; }
  bool Empty() const { return LineCount() == 1 && LineLength(0) == 0; }
  // True when the limits left part of the bytes out.
  bool CutShort() const { return cutShort_; }

  // Up to `count` cells of a line from cell `from`.
  std::u16string Cells(std::size_t line, std::size_t from, std::size_t count) const;
  std::u16string Line(std::size_t line) const { return Cells(line, 0, LineLength(line)); }
  // The line end after a line as it stands in the file: "\r\n", "\n", "\r", or nothing
  // after the last line.
  std::string_view Break(std::size_t line) const;

  Position End() const { return {LineCount() - 1, LineLength(LineCount() - 1)}; }
  // The nearest valid position: the line and then the column limited to the text.
  Position Clamp(Position p) const;

  // The cells between two positions (in either order), lines joined by '\n'.
  std::u16string Slice(Position a, Position b) const;
  std::u16string All() const { return Slice({0, 0}, End()); }

  // Where the caret goes; `pageLines` is the page height of PageUp and PageDown.
  Position Move(Position p, Motion motion, std::size_t pageLines) const;

  // The word around a position (letters, digits and '.', '-', '_', '+', so a number with
  // its sign and decimals); an empty range where there is none.
  std::pair<Position, Position> WordAt(Position p) const;

 private:
  // Cell lengths carry a flag for lines in which some character is not one byte wide
  // (tabs, multi-byte UTF-8); their cells are found by decoding from a known point.
  static constexpr std::uint32_t kUneven = 0x8000'0000u;
  static constexpr std::uint32_t kLengthMask = 0x7FFF'FFFFu;
  // Long uneven lines keep a known point every this many cells.
  static constexpr std::size_t kCheckpointCells = 4096;

  struct Checkpoint {
    std::uint32_t cell;
    std::uint32_t byte;
  };

  std::size_t LineEnd(std::size_t line) const;

  std::string bytes_;
  // Byte offset where each line starts, and its cell length with the uneven flag.
  std::vector<std::uint32_t> starts_;
  std::vector<std::uint32_t> info_;
  // Known points of long uneven lines, in cell order; the first lies where the line
  // stops being one byte per cell.
  std::map<std::size_t, std::vector<Checkpoint>> checkpoints_;
  std::size_t longest_ = 0;
  bool cutShort_ = false;
};

// The text as one run of characters, as a screen reader reads it: each line's cells, then
// its line end as it stands in the file. For a pass file (no tabs, no control characters)
// that is the file's text exactly. Offsets count UTF-16 units, one per cell. Holds one
// number per line and decodes only the characters asked for.
class FlatText {
 public:
  explicit FlatText(const ViewText& text);

  std::size_t Size() const { return starts_.back(); }
  std::size_t LineStart(std::size_t line) const { return starts_[line]; }
  // The line whose cells or line end hold the offset (the last line for Size()).
  std::size_t LineOf(std::size_t offset) const;
  // An offset inside a line end is the end of that line.
  Position PositionOf(std::size_t offset) const;
  std::size_t OffsetOf(Position p) const;
  // The characters from `from` to `to` (limited to the text).
  std::u16string Text(std::size_t from, std::size_t to) const;

 private:
  const ViewText& text_;
  std::vector<std::size_t> starts_;  // LineCount() + 1 offsets
};

}  // namespace orlix::passview
