#include "passfiles/PassData.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace orlix {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits at blanks; false when there are more than `max` items.
template <std::size_t N>
bool SplitItems(std::string_view line, std::array<std::string_view, N>& items, std::size_t& count) {
  count = 0;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) break;
    const std::size_t from = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (count == N) return false;
    items[count++] = line.substr(from, i - from);
  }
  return true;
}

// A number as the writer puts it: an optional minus, digits, optionally a point and digits.
bool ParseItem(std::string_view item, double& value) {
  std::size_t i = item.empty() || item[0] != '-' ? 0 : 1;
  const std::size_t digits = i;
  while (i < item.size() && item[i] >= '0' && item[i] <= '9') ++i;
  if (i == digits) return false;
  if (i < item.size()) {
    if (item[i] != '.' || i + 1 == item.size()) return false;
    for (++i; i < item.size(); ++i) {
      if (item[i] < '0' || item[i] > '9') return false;
    }
  }
  const auto result = std::from_chars(item.data(), item.data() + item.size(), value);
  return result.ec == std::errc() && result.ptr == item.data() + item.size();
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// What stands between `after` and the next `until` (or the line's end), without blanks.
std::string Between(std::string_view line, std::string_view after, std::string_view until) {
  const std::size_t from = line.find(after);
  if (from == std::string_view::npos) return {};
  std::string_view rest = line.substr(from + after.size());
  rest = rest.substr(0, rest.find(until));
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
  return std::string(rest);
}

std::optional<double> NumberBetween(std::string_view line, std::string_view after) {
  double v = 0;
  if (!ParseItem(Between(line, after, ","), v)) return std::nullopt;
  return v;
}

// Where `c` first stands in [from, to), else `to`. By hand on memchr, the fastest scan there
// is: string_view::find_first_of("\r\n") compares each byte with the set in a call of its own
// and took a fifth of the reading.
std::size_t Find(std::string_view text, char c, std::size_t from, std::size_t to) {
  const void* at = std::memchr(text.data() + from, c, to - from);
  return at ? static_cast<std::size_t>(static_cast<const char*>(at) - text.data()) : to;
}

bool Within(double v, double lo, double hi) { return v >= lo && v <= hi; }  // false for NaN

// A data line of the writer's takes 54 bytes.
constexpr std::uint64_t kDataLineBytes = 54;

}  // namespace

std::string LeftOutText(LeftOut reason) {
  switch (reason) {
    case LeftOut::kBroken:
      return "broken (neither a data line nor a line of the header, end block or histogram)";
    case LeftOut::kThickness:
      return "thickness below 0 or above 100000 µm";
    case LeftOut::kLength:
      return "length more than one step below the data line before";
    case LeftOut::kRoll:
      return "roll diameter or weight below 0 or above 9999";
  }
  return {};
}

PassReader::PassReader(PassData::LineSink sink, std::uint64_t expectedBytes)
    : sink_(std::move(sink)) {
  const auto lines = static_cast<std::size_t>(expectedBytes / kDataLineBytes + 16);
  thickness_.reserve(lines);
  length_.reserve(lines);
}

void PassReader::Feed(std::string_view piece) {
  std::size_t pos = 0;
  if (afterCr_ && !piece.empty()) {
    afterCr_ = false;
    if (piece[0] == '\n') pos = 1;
  }
  // The next LF is found once for as many lines as end before it, so a file of lone CRs
  // costs no more than one of CR LF.
  std::size_t lf = Find(piece, '\n', pos, piece.size());
  while (pos < piece.size()) {
    if (lf < pos) lf = Find(piece, '\n', pos, piece.size());
    const std::size_t cr = Find(piece, '\r', pos, lf);
    const std::size_t end = cr < lf ? cr : lf == piece.size() ? std::string_view::npos : lf;
    const std::size_t stop = end == std::string_view::npos ? piece.size() : end;
    const std::string_view part = piece.substr(pos, stop - pos);
    if (end == std::string_view::npos) {
      // The line goes on in the next piece; past the bound it is only waited for.
      if (!carrying_) lineStart_ = fed_ + pos;
      carrying_ = true;
      if (!overlong_ && carry_.size() + part.size() > PassData::kMaxLineBytes) {
        overlong_ = true;
        carry_.clear();
      }
      if (!overlong_) carry_ += part;
      break;
    }
    if (carrying_) {
      if (!overlong_ && carry_.size() + part.size() <= PassData::kMaxLineBytes) {
        carry_ += part;
        Judge(carry_, lineStart_);
      } else {
        Overlong();
      }
      carry_.clear();
      carrying_ = overlong_ = false;
    } else {
      Judge(part, fed_ + pos);
    }
    pos = end + 1;
    if (piece[end] == '\r') {
      if (pos == piece.size()) {
        afterCr_ = true;
      } else if (piece[pos] == '\n') {
        ++pos;
      }
    }
  }
  fed_ += piece.size();
}

void PassReader::Skip(LeftOut reason) {
  LeftOutCount& c = data_.leftOut_[static_cast<std::size_t>(reason)];
  if (c.lines++ == 0) c.firstLine = lineNumber_;
}

void PassReader::Overlong() {
  ++lineNumber_;
  Skip(LeftOut::kBroken);
}

void PassReader::Judge(std::string_view line, std::uint64_t start) {
  if (line.size() > PassData::kMaxLineBytes) return Overlong();
  ++lineNumber_;
  PassData::Items items;
  std::size_t count = 0;
  const bool fits = SplitItems(line, items, count);
  std::array<double, 4> v{};
  bool numbers = fits && count > 0;
  for (std::size_t k = 0; numbers && k < count; ++k) numbers = ParseItem(items[k], v[k]);
  if (numbers && count == 4) return DataLine(items, v);
  if (count == 0 || (numbers && count == 2 && histogram_)) return;  // empty, or a histogram line
  static constexpr std::string_view kKnown[] = {
      " Orlix /", " Pass No", " ====", " L<m>", " Average Thickness", " Thickness Distribution",
      " T<mcm>"};
  for (std::string_view known : kKnown) {
    if (StartsWith(line, known)) {
      if (known == " Thickness Distribution") histogram_ = true;
      if (known == " Pass No" && data_.passText_.empty() && start < PassData::kHeaderBytes) {
        data_.passText_ = Between(line, "Pass No", ",");
        data_.dateText_ = Between(line, "Date", ",");
        data_.timeText_ = Between(line, "Time", ",");
      }
      if (known == " Average Thickness" && !data_.endAverage_) {
        data_.endAverage_ = NumberBetween(line, "Average Thickness");
        data_.endDeviation_ = NumberBetween(line, "MS Deviation");
      }
      return;
    }
  }
  Skip(LeftOut::kBroken);
}

void PassReader::DataLine(const PassData::Items& items, const std::array<double, 4>& v) {
  const double length = v[0], t = v[1];
  // The length against the data line before, whatever became of that one; then the line
  // becomes the one before for the next.
  const bool finite = std::isfinite(static_cast<float>(length));
  const bool back = hasPrevious_ && length < previousLength_ - step_;
  if (finite) {
    if (hasPrevious_ && length > previousLength_) step_ = length - previousLength_;
    previousLength_ = length;
    hasPrevious_ = true;
  }
  if (!Within(t, 0, PassData::kMaxThickness)) return Skip(LeftOut::kThickness);
  if (!finite || back) return Skip(LeftOut::kLength);
  if (!Within(v[2], 0, PassData::kMaxRollValue) || !Within(v[3], 0, PassData::kMaxRollValue)) {
    return Skip(LeftOut::kRoll);
  }

  DataSums& s = data_.sums_;
  if (s.count == 0) {
    s.minimum = s.maximum = t;
  } else {
    s.minimum = std::min(s.minimum, t);
    s.maximum = std::max(s.maximum, t);
    s.movingRange += std::abs(t - lastThickness_);
    sorted_ = sorted_ && static_cast<float>(length) >= length_.back();
  }
  // Welford: the mean and the squares about it in one pass, exact for a long pass with a
  // large thickness and a small spread.
  ++s.count;
  const double delta = t - s.mean;
  s.mean += delta / static_cast<double>(s.count);
  s.squares += delta * (t - s.mean);
  lastThickness_ = t;
  thickness_.push_back(static_cast<float>(t));
  length_.push_back(static_cast<float>(length));
  if (sink_) sink_(items);
}

PassData PassReader::Finish(bool complete, std::uint64_t expectedBytes) {
  if (carrying_ && complete) overlong_ ? Overlong() : Judge(carry_, lineStart_);
  carry_.clear();
  carrying_ = overlong_ = false;
  PassData data = std::move(data_);
  data_ = PassData();
  data.complete_ = complete;
  data.bytesRead_ = fed_;
  data.bytesExpected_ = expectedBytes;
  // Room made for lines that did not come is given back.
  if (thickness_.capacity() > thickness_.size() + thickness_.size() / 4 + 1024) {
    thickness_.shrink_to_fit();
    length_.shrink_to_fit();
  }
  data.lengthAdvances_ = length_.size() >= 2 && sorted_ && length_.back() > length_.front();
  data.thickness_ = std::make_shared<const std::vector<float>>(std::move(thickness_));
  data.length_ = std::move(length_);
  return data;
}

PassData PassData::Read(const FileReader& file, std::uint64_t size, const LineSink& sink,
                        const Progress& progress) {
  PassReader reader(sink, size);
  std::string buffer(static_cast<std::size_t>(std::min<std::uint64_t>(size, kChunkBytes)), '\0');
  std::uint64_t done = 0;
  bool complete = true;
  while (done < size) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, buffer.size()));
    const std::optional<std::size_t> got = file.ReadAt(done, buffer.data(), want);
    if (!got || *got == 0) {
      complete = false;  // a read error, or the file is shorter than it was
      break;
    }
    reader.Feed(std::string_view(buffer.data(), *got));
    done += *got;
    if (progress && !progress(done, size)) {
      complete = done == size;
      break;
    }
  }
  return reader.Finish(complete, size);
}

PassData PassData::Read(FileAccess& files, const std::string& name) {
  const std::unique_ptr<FileReader> file = files.Open(name);
  if (!file) return Unreadable();
  return Read(*file, file->Size());
}

PassData PassData::Unreadable() {
  PassData none;
  none.readable_ = false;
  return none;
}

PassData PassData::Parse(std::string_view bytes, bool complete, const LineSink& sink) {
  PassReader reader(sink, bytes.size());
  reader.Feed(bytes);
  return reader.Finish(complete);
}

std::size_t PassData::SkippedLines() const {
  std::size_t n = 0;
  for (const LeftOutCount& c : leftOut_) n += c.lines;
  return n;
}

std::string PassData::Summary() const {
  if (!readable_) return "the file cannot be read";
  std::string text =
      std::to_string(Count()) + (Count() == 1 ? " data line read" : " data lines read");
  const std::size_t skipped = SkippedLines();
  if (skipped > 0) {
    text += ", " + std::to_string(skipped) +
            (skipped == 1 ? " unreadable line skipped" : " unreadable lines skipped");
  }
  if (!complete_) {
    text += ", only the first " + std::to_string(bytesRead_) +
            (bytesExpected_ > 0 ? " of " + std::to_string(bytesExpected_) : std::string()) +
            " bytes could be read";
  }
  return text;
}

}  // namespace orlix
