#pragma once
// A pass file's data lines as numbers, read in pieces, so that a pass of any length costs
// two singles per data line and nothing of its bytes: whatever the bytes (broken or
// overlong lines, binary garbage, no line ends at all), the reader keeps the data lines a
// real strip can have and counts the rest, by reason. The items of each kept data line,
// exactly as written, go to a sink while the file is read (the report's CSV).
//
// A data line is four numbers (length, thickness, roll diameter, roll weight). It is left
// out, and counted as unreadable, when
//   - its thickness lies below 0 or above kMaxThickness (100,000 µm);
//   - its length is not a finite single, or lies more than one step below the length of
//     the data line before it (left out or not), the step being the last increase of length
//     between two consecutive data lines before it (0 before the first increase): the
//     station's length only grows, so such a line belongs to no strip of this pass, while
//     the lines after it are judged against it and go on;
//   - its roll diameter or roll weight lies below 0 or above kMaxRollValue (9999, what the
//     file's four-digit columns hold: the roll display starts a new roll above it).
// A line with more than one of these counts under the first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Platform.h"

namespace orlix {

// Why lines of a pass file were left out, in the order the reader judges them.
enum class LeftOut : std::size_t { kBroken, kThickness, kLength, kRoll };
inline constexpr std::size_t kLeftOutReasons = 4;

struct LeftOutCount {
  std::size_t lines = 0;
  std::size_t firstLine = 0;  // line number in the file (from 1) of the first of them
};

// "broken (neither a data line nor one of the header, end block or histogram)", ...
std::string LeftOutText(LeftOut reason);

// Figures of the kept data lines gathered while reading, in double from the values as
// written (not from the singles kept).
struct DataSums {
  std::size_t count = 0;
  double mean = 0;
  double squares = 0;  // of the deviations from the mean (Welford's running sum)
  double minimum = 0;
  double maximum = 0;
  double movingRange = 0;  // sum of |t[i] - t[i-1]| over consecutive kept data lines
};

class PassData {
 public:
  // A data line is about 53 characters; a longer line is never one and is not looked into.
  static constexpr std::size_t kMaxLineBytes = 256;
  // Bytes read from the file at a time.
  static constexpr std::size_t kChunkBytes = 1 << 20;
  // The header's "Pass No" line counts when it starts within the file's first kHeaderBytes,
  // so the beginning of a file tells its date as well as the whole file does.
  static constexpr std::size_t kHeaderBytes = 1024;
  static constexpr double kMaxThickness = 100'000;
  static constexpr double kMaxRollValue = 9999;

  using Items = std::array<std::string_view, 4>;
  // Gets every kept data line in file order, its items as written.
  using LineSink = std::function<void(const Items& items)>;
  // Told the bytes read so far and the bytes to read; false stops the reading, which then
  // counts as not complete.
  using Progress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

  // The first `size` bytes of an open file, read in pieces of kChunkBytes. A read error or a
  // file shorter than `size` ends the reading: what was read counts, and Complete() is false.
  static PassData Read(const FileReader& file, std::uint64_t size, const LineSink& sink = {},
                       const Progress& progress = {});
  // The file of that name in `files` as it is now; Readable() is false when it cannot be
  // opened.
  static PassData Read(FileAccess& files, const std::string& name);
  // A file that could not be opened.
  static PassData Unreadable();
  // The bytes of a pass file; with `complete` false they are only its beginning, and a last
  // line without its line end is not judged.
  static PassData Parse(std::string_view bytes, bool complete = true, const LineSink& sink = {});

  bool Readable() const { return readable_; }
  // False when the reading stopped before the end (read error, a file cut short meanwhile,
  // or only the beginning was given).
  bool Complete() const { return complete_; }
  std::uint64_t BytesRead() const { return bytesRead_; }
  std::size_t Count() const { return thickness_->size(); }
  // Lines left out, for any reason, and per reason.
  std::size_t SkippedLines() const;
  const LeftOutCount& Skipped(LeftOut reason) const {
    return leftOut_[static_cast<std::size_t>(reason)];
  }

  // Per kept data line, in file order: strip length in m and thickness in µm, as singles
  // (the precision the station measures in).
  const std::vector<float>& Lengths() const { return length_; }
  const std::vector<float>& Thicknesses() const { return *thickness_; }
  // The same thicknesses, shared with whoever keeps them longer than this object (the
  // envelope).
  const std::shared_ptr<const std::vector<float>>& SharedThicknesses() const { return thickness_; }
  const DataSums& Sums() const { return sums_; }
  // True when the length never goes back and the last line lies beyond the first: the
  // profile is then drawn against length, otherwise against the data line number.
  bool LengthAdvances() const { return lengthAdvances_; }

  // From the header's second line; empty when the file has none.
  const std::string& PassText() const { return passText_; }
  const std::string& DateText() const { return dateText_; }
  const std::string& TimeText() const { return timeText_; }
  // The end block's average and MS deviation, which the station computes from every display
  // update (not only the data lines); nothing when the file has no end block.
  const std::optional<double>& EndAverage() const { return endAverage_; }
  const std::optional<double>& EndDeviation() const { return endDeviation_; }

  // "12 data lines read, 2 unreadable lines skipped, only the first 4096 of 8192 bytes read".
  std::string Summary() const;

 private:
  friend class PassReader;

  std::shared_ptr<const std::vector<float>> thickness_ = std::make_shared<std::vector<float>>();
  std::vector<float> length_;
  DataSums sums_;
  std::array<LeftOutCount, kLeftOutReasons> leftOut_{};
  bool readable_ = true;
  bool complete_ = true;
  std::uint64_t bytesRead_ = 0;
  std::uint64_t bytesExpected_ = 0;
  bool lengthAdvances_ = false;
  std::string passText_;
  std::string dateText_;
  std::string timeText_;
  std::optional<double> endAverage_;
  std::optional<double> endDeviation_;
};

// Reads a pass file from pieces of any size as they come; lines may run across pieces.
class PassReader {
 public:
  // `expectedBytes`, when known, lets the reader make room for the data lines at once.
  explicit PassReader(PassData::LineSink sink = {}, std::uint64_t expectedBytes = 0);
  void Feed(std::string_view piece);
  // `complete`: the pieces were the whole file (else a last line without its end is not
  // judged); `expectedBytes` for the summary of an incomplete read, 0 when not known.
  PassData Finish(bool complete, std::uint64_t expectedBytes = 0);

 private:
  void Judge(std::string_view line, std::uint64_t start);
  void Overlong();  // a line too long to be a data line: broken
  void DataLine(const PassData::Items& items, const std::array<double, 4>& v);
  void Skip(LeftOut reason);

  PassData::LineSink sink_;
  std::vector<float> thickness_;
  std::vector<float> length_;
  PassData data_;
  std::string carry_;  // a line begun in an earlier piece
  bool carrying_ = false;
  bool overlong_ = false;        // the carried line is already too long to be judged
  bool afterCr_ = false;         // the last piece ended in CR: a LF next belongs to it
  std::uint64_t fed_ = 0;        // bytes before the current piece
  std::uint64_t lineStart_ = 0;  // of the carried line
  std::size_t lineNumber_ = 0;
  bool histogram_ = false;     // past the histogram's heading
  bool sorted_ = true;         // kept lengths never go back
  double previousLength_ = 0;  // of the last data line with a finite length
  bool hasPrevious_ = false;
  double step_ = 0;
  double lastThickness_ = 0;  // of the last kept data line
};

}  // namespace orlix
