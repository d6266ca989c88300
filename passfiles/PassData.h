#pragma once
// A pass file's data lines as numbers, read robustly and within bounds: whatever the bytes
// (broken or overlong lines, binary garbage, no line ends at all), the reader keeps the
// lines that are data lines and counts the rest. The bytes stay, so every value can be
// handed on exactly as it stands in the file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Platform.h"

namespace orlix {

class PassData {
 public:
  // Bytes of one file read at most; beyond them the rest is left out and reported.
  static constexpr std::size_t kMaxBytes = 64'000'000;
  // A data line is about 53 characters; a longer line is never one and is not looked into.
  static constexpr std::size_t kMaxLineBytes = 256;

  // The file of that name in `files`; Readable() is false when it cannot be read. Without
  // `keepItems` the bytes are let go once read, and Items() is not available.
  static PassData Read(FileAccess& files, const std::string& name, bool keepItems = true);
  // A file that could not be read.
  static PassData Unreadable();
  // The bytes of a pass file; `cutShort` says they are only its beginning.
  static PassData Parse(std::string bytes, bool cutShort = false, bool keepItems = true);

  bool Readable() const { return readable_; }
  bool CutShort() const { return cutShort_; }
  std::size_t Count() const { return thickness_.size(); }
  // Lines that are neither data lines nor the header, end block or histogram lines.
  std::size_t BrokenLines() const { return broken_; }

  // Per data line, in file order: strip length in m and thickness in µm.
  const std::vector<double>& Lengths() const { return length_; }
  const std::vector<double>& Thicknesses() const { return thickness_; }
  // True when the length never goes back and the last line lies beyond the first: the
  // profile is then drawn against length, otherwise against the data line number.
  bool LengthAdvances() const { return lengthAdvances_; }

  // The four items of data line i (length, thickness, diameter, weight) as written; empty
  // when the bytes were not kept.
  std::array<std::string_view, 4> Items(std::size_t i) const;

  // From the header's second line; empty when the file has none.
  const std::string& PassText() const { return passText_; }
  const std::string& DateText() const { return dateText_; }
  const std::string& TimeText() const { return timeText_; }

  // "12 data lines read, 2 broken lines skipped, the file is read only up to 64 MB".
  std::string Summary() const;

 private:
  void ParseLine(std::string_view line, std::size_t offset);

  std::string bytes_;
  std::vector<double> length_;
  std::vector<double> thickness_;
  std::vector<std::uint32_t> start_;  // byte offset of each data line
  std::size_t broken_ = 0;
  bool readable_ = true;
  bool cutShort_ = false;
  bool lengthAdvances_ = false;
  bool histogram_ = false;  // past the histogram's heading
  std::string passText_;
  std::string dateText_;
  std::string timeText_;
};

}  // namespace orlix
