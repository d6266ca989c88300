#include "passfiles/ViewText.h"

#include <algorithm>
#include <array>
#include <limits>

namespace orlix::passview {

namespace {

// One decoded character and the number of bytes it took.
struct Decoded {
  char32_t ch;
  std::size_t size;
};

// Bytes that are one cell each wherever they stand: all but line ends, tabs and the
// bytes that may start a multi-byte UTF-8 character (0xC2 to 0xF4).
constexpr std::array<bool, 256> kSingleCell = [] {
  std::array<bool, 256> table{};
  for (int b = 0; b < 256; ++b)
    table[b] = !(b == '\n' || b == '\r' || b == '\t' || (b >= 0xC2 && b <= 0xF4));
  return table;
}();

bool IsSingleCell(char c) { return kSingleCell[static_cast<unsigned char>(c)]; }

// The cell of a byte that does not start a multi-byte character: printable ASCII as it
// is, 0xA0 and above as Latin-1, the rest as the replacement character.
char16_t ByteCell(unsigned char b) {
  if ((b >= 0x20 && b < 0x7F) || b >= 0xA0) return b;
  return kReplacement;
}

// Decodes the character at the start of `s` (not empty). Bytes that do not start a valid,
// shortest-form UTF-8 sequence decode alone.
Decoded DecodeOne(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  if (b0 < 0x80) return {b0, 1};
  std::size_t size = 0;
  char32_t ch = 0;
  char32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    size = 2;
    ch = b0 & 0x1F;
    minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    size = 3;
    ch = b0 & 0x0F;
    minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    size = 4;
    ch = b0 & 0x07;
    minimum = 0x10000;
  }
  bool valid = size != 0 && s.size() >= size;
  for (std::size_t i = 1; valid && i < size; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) {
      valid = false;
    } else {
      ch = (ch << 6) | (b & 0x3F);
    }
  }
  if (valid && ch >= minimum && ch <= 0x10FFFF && (ch < 0xD800 || ch > 0xDFFF)) {
    return {ch, size};
  }
  return {ByteCell(b0), 1};
}

// The cell a decoded character occupies; control characters and characters that do not
// fit one UTF-16 unit show as the replacement character.
char16_t CellOf(char32_t ch) {
  if (ch < 0x20 || (ch >= 0x7F && ch < 0xA0) || ch > 0xFFFF) return kReplacement;
  return static_cast<char16_t>(ch);
}

bool IsWordCell(char16_t c) {
  if (c < 0x80) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
           c == u'.' || c == u'-' || c == u'_' || c == u'+';
  }
  return c != kReplacement;
}

}  // namespace

ViewText::ViewText() : starts_{0}, info_{0} {}

ViewText ViewText::Decode(std::string bytes, const Limits& limits) {
  ViewText text;
  if (bytes.size() > kMaxBytes) {
    bytes.resize(kMaxBytes);
    text.cutShort_ = true;
  }
  const std::size_t maxLines = std::max<std::size_t>(limits.lines, 1);
  // The index is sized once: nothing is copied to grow it.
  std::size_t lineEnds = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\n' || (c == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) ++lineEnds;
  }
  const std::size_t lines = std::min(lineEnds, maxLines - 1) + 1;
  text.starts_.clear();
  text.info_.clear();
  text.starts_.reserve(lines);
  text.info_.reserve(lines);

  std::size_t pos = 0;
  // A byte-order mark at the very start is not part of the text.
  if (std::string_view(bytes).substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
  std::size_t cells = 0;
  bool uneven = false;
  std::vector<Checkpoint> checkpoints;
  text.starts_.push_back(static_cast<std::uint32_t>(pos));

  auto checkpoint = [&](std::size_t at) {
    checkpoints.push_back({static_cast<std::uint32_t>(cells), static_cast<std::uint32_t>(at)});
  };
  // A character at byte `at` that is not one byte wide makes the line uneven.
  auto becomeUneven = [&](std::size_t at) {
    if (!uneven) checkpoint(at);
    uneven = true;
  };
  auto endLine = [&] {
    text.info_.push_back(static_cast<std::uint32_t>(cells) | (uneven ? kUneven : 0u));
    text.longest_ = std::max(text.longest_, cells);
    if (uneven && cells >= kCheckpointCells) {
      text.checkpoints_.emplace(text.info_.size() - 1, std::move(checkpoints));
    }
    checkpoints.clear();
    cells = 0;
    uneven = false;
  };

  while (pos < bytes.size()) {
    // Bytes of one cell each, nearly all of a pass file, go over in runs.
    std::size_t run = pos;
    while (run < bytes.size() && IsSingleCell(bytes[run])) ++run;
    if (run > pos) {
      if (uneven) {
        // Known points inside the run, one per kCheckpointCells cells.
        const std::size_t last = checkpoints.back().cell;
        for (std::size_t cell = last + kCheckpointCells; cell < cells + (run - pos);
             cell += kCheckpointCells) {
          if (cell >= cells) {
            checkpoints.push_back({static_cast<std::uint32_t>(cell),
                                   static_cast<std::uint32_t>(pos + (cell - cells))});
          }
        }
      }
      cells += run - pos;
      pos = run;
      continue;
    }
    const char c = bytes[pos];
    if (c == '\n' || c == '\r') {
      if (text.starts_.size() >= maxLines) {
        text.cutShort_ = true;
        break;
      }
      endLine();
      pos += (c == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n') ? 2 : 1;
      text.starts_.push_back(static_cast<std::uint32_t>(pos));
      continue;
    }
    if (uneven && cells >= checkpoints.back().cell + kCheckpointCells) checkpoint(pos);
    if (c == '\t') {
      const std::size_t blanks = kTabWidth - cells % kTabWidth;
      if (cells + blanks > kLengthMask) {
        text.cutShort_ = true;
        break;
      }
      becomeUneven(pos);
      cells += blanks;
      ++pos;
      continue;
    }
    const Decoded d = DecodeOne(std::string_view(bytes).substr(pos));
    if (d.size > 1) becomeUneven(pos);
    ++cells;
    pos += d.size;
  }
  // What was left out is not kept.
  bytes.resize(pos);
  endLine();
  text.bytes_ = std::move(bytes);
  return text;
}

std::size_t ViewText::LineEnd(std::size_t line) const {
  if (line + 1 == LineCount()) return bytes_.size();
  const std::size_t start = starts_[line];
  const std::size_t next = starts_[line + 1];
  const bool crlf = next >= start + 2 && bytes_[next - 1] == '\n' && bytes_[next - 2] == '\r';
  return next - (crlf ? 2 : 1);
}

std::u16string ViewText::Cells(std::size_t line, std::size_t from, std::size_t count) const {
  std::u16string out;
  if (line >= LineCount()) return out;
  const std::size_t length = LineLength(line);
  from = std::min(from, length);
  count = std::min(count, length - from);
  out.reserve(count);
  const std::size_t start = starts_[line];
  if (!(info_[line] & kUneven)) {
    for (std::size_t i = start + from; i < start + from + count; ++i) {
      out.push_back(ByteCell(static_cast<unsigned char>(bytes_[i])));
    }
    return out;
  }
  // Decode from the last known point at or before `from`: the line start, or a
  // checkpoint of a long line (the line is one byte per cell up to its first one).
  std::size_t cell = 0;
  std::size_t pos = start;
  if (const auto found = checkpoints_.find(line); found != checkpoints_.end()) {
    const std::vector<Checkpoint>& points = found->second;
    const auto after =
        std::upper_bound(points.begin(), points.end(), from,
                         [](std::size_t c, const Checkpoint& p) { return c < p.cell; });
    if (after == points.begin()) {
      cell = from;
      pos = start + from;
    } else {
      cell = std::prev(after)->cell;
      pos = std::prev(after)->byte;
    }
  }
  const std::size_t end = LineEnd(line);
  const std::size_t to = from + count;
  const std::string_view bytes(bytes_);
  while (cell < to && pos < end) {
    const char c = bytes[pos];
    if (c == '\t') {
      const std::size_t next = cell + (kTabWidth - cell % kTabWidth);
      for (std::size_t k = std::max(cell, from); k < std::min(next, to); ++k) out.push_back(u' ');
      cell = next;
      ++pos;
      continue;
    }
    const Decoded d = DecodeOne(bytes.substr(pos, end - pos));
    if (cell >= from) out.push_back(CellOf(d.ch));
    ++cell;
    pos += d.size;
  }
  return out;
}

Position ViewText::Clamp(Position p) const {
  p.line = std::min(p.line, LineCount() - 1);
  p.column = std::min(p.column, LineLength(p.line));
  return p;
}

std::u16string ViewText::Slice(Position a, Position b) const {
  a = Clamp(a);
  b = Clamp(b);
  if (b < a) std::swap(a, b);
  if (a.line == b.line) return Cells(a.line, a.column, b.column - a.column);
  std::size_t size = LineLength(a.line) - a.column + b.column;
  for (std::size_t line = a.line + 1; line < b.line; ++line) size += LineLength(line) + 1;
  std::u16string out;
  out.reserve(size + 1);
  out += Cells(a.line, a.column, std::numeric_limits<std::size_t>::max());
  for (std::size_t line = a.line + 1; line < b.line; ++line) {
    out.push_back(u'\n');
    out += Line(line);
  }
  out.push_back(u'\n');
  out += Cells(b.line, 0, b.column);
  return out;
}

Position ViewText::Move(Position p, Motion motion, std::size_t pageLines) const {
  p = Clamp(p);
  const std::size_t last = LineCount() - 1;
  pageLines = std::max<std::size_t>(pageLines, 1);
  switch (motion) {
    case Motion::kLeft:
      if (p.column > 0) return {p.line, p.column - 1};
      if (p.line > 0) return {p.line - 1, LineLength(p.line - 1)};
      return p;
    case Motion::kRight:
      if (p.column < LineLength(p.line)) return {p.line, p.column + 1};
      if (p.line < last) return {p.line + 1, 0};
      return p;
    case Motion::kUp:
      return Clamp({p.line == 0 ? 0 : p.line - 1, p.column});
    case Motion::kDown:
      return Clamp({std::min(p.line + 1, last), p.column});
    case Motion::kPageUp:
      return Clamp({p.line - std::min(p.line, pageLines), p.column});
    case Motion::kPageDown:
      return Clamp({std::min(p.line + pageLines, last), p.column});
    case Motion::kLineStart:
      return {p.line, 0};
    case Motion::kLineEnd:
      return {p.line, LineLength(p.line)};
    case Motion::kTextStart:
      return {0, 0};
    case Motion::kTextEnd:
      return End();
  }
  return p;
}

std::string_view ViewText::Break(std::size_t line) const {
  if (line + 1 >= LineCount()) return {};
  const std::size_t end = LineEnd(line);
  return std::string_view(bytes_).substr(end, starts_[line + 1] - end);
}

FlatText::FlatText(const ViewText& text) : text_(text) {
  starts_.reserve(text.LineCount() + 1);
  std::size_t offset = 0;
  for (std::size_t line = 0; line < text.LineCount(); ++line) {
    starts_.push_back(offset);
    offset += text.LineLength(line) + text.Break(line).size();
  }
  starts_.push_back(offset);
}

std::size_t FlatText::LineOf(std::size_t offset) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end() - 1, offset);
  return static_cast<std::size_t>(after - starts_.begin()) - 1;
}

Position FlatText::PositionOf(std::size_t offset) const {
  const std::size_t line = LineOf(offset);
  return {line, std::min(offset - starts_[line], text_.LineLength(line))};
}

std::size_t FlatText::OffsetOf(Position p) const {
  p = text_.Clamp(p);
  return starts_[p.line] + p.column;
}

std::u16string FlatText::Text(std::size_t from, std::size_t to) const {
  to = std::min(to, Size());
  std::u16string out;
  if (from >= to) return out;
  out.reserve(to - from);
  for (std::size_t line = LineOf(from); line < text_.LineCount() && starts_[line] < to; ++line) {
    const std::size_t length = text_.LineLength(line);
    const std::size_t a = from > starts_[line] ? from - starts_[line] : 0;
    const std::size_t b = to - starts_[line];
    if (a < length) out += text_.Cells(line, a, std::min(b, length) - a);
    const std::string_view brk = text_.Break(line);
    for (std::size_t k = std::max(a, length); k < std::min(b, length + brk.size()); ++k) {
      out.push_back(static_cast<char16_t>(brk[k - length]));
    }
  }
  return out;
}

std::pair<Position, Position> ViewText::WordAt(Position p) const {
  p = Clamp(p);
  // Words are looked for in a window around the position: no number is longer.
  constexpr std::size_t kReach = 256;
  const std::size_t first = p.column - std::min(p.column, kReach);
  const std::u16string cells = Cells(p.line, first, 2 * kReach);
  std::size_t from = p.column - first;
  // On the word's last cell the caret stands after it: look at the cell before.
  if ((from == cells.size() || !IsWordCell(cells[from])) && from > 0 &&
      IsWordCell(cells[from - 1])) {
    --from;
  }
  if (from >= cells.size() || !IsWordCell(cells[from])) return {p, p};
  std::size_t to = from;
  while (from > 0 && IsWordCell(cells[from - 1])) --from;
  while (to < cells.size() && IsWordCell(cells[to])) ++to;
  return {{p.line, first + from}, {p.line, first + to}};
}

}  // namespace orlix::passview
