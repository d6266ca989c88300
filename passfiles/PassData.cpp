#include "passfiles/PassData.h"

#include <algorithm>
#include <charconv>

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

}  // namespace

PassData PassData::Read(FileAccess& files, const std::string& name, bool keepItems) {
  auto bytes = files.Read(name, kMaxBytes + 1);
  if (!bytes) return Unreadable();
  const bool cut = bytes->size() > kMaxBytes;
  if (cut) bytes->resize(kMaxBytes);
  return Parse(std::move(*bytes), cut, keepItems);
}

PassData PassData::Unreadable() {
  PassData none;
  none.readable_ = false;
  return none;
}

PassData PassData::Parse(std::string bytes, bool cutShort, bool keepItems) {
  PassData data;
  data.bytes_ = std::move(bytes);
  if (data.bytes_.size() > kMaxBytes) {
    data.bytes_.resize(kMaxBytes);
    cutShort = true;
  }
  data.cutShort_ = cutShort;
  const std::string_view all = data.bytes_;
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t end = all.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = all.size();
    // A line cut at the bound is not judged.
    if (!(cutShort && end == all.size())) data.ParseLine(all.substr(pos, end - pos), pos);
    pos = end;
    if (pos < all.size() && all[pos] == '\r') ++pos;
    if (pos < all.size() && all[pos] == '\n') ++pos;
  }
  const auto& l = data.length_;
  data.lengthAdvances_ =
      l.size() >= 2 && l.back() > l.front() && std::is_sorted(l.begin(), l.end());
  if (!keepItems) {
    std::string().swap(data.bytes_);
    std::vector<std::uint32_t>().swap(data.start_);
  }
  return data;
}

void PassData::ParseLine(std::string_view line, std::size_t offset) {
  if (line.size() > kMaxLineBytes) {
    ++broken_;
    return;
  }
  std::array<std::string_view, 4> items;
  std::size_t count = 0;
  const bool fits = SplitItems(line, items, count);
  std::array<double, 4> v{};
  bool numbers = fits && count > 0;
  for (std::size_t k = 0; numbers && k < count; ++k) numbers = ParseItem(items[k], v[k]);
  if (numbers && count == 4) {
    length_.push_back(v[0]);
    thickness_.push_back(v[1]);
    start_.push_back(static_cast<std::uint32_t>(offset));
    return;
  }
  if (count == 0 || (numbers && count == 2 && histogram_)) return;  // empty, or a histogram line
  static constexpr std::string_view kKnown[] = {
      " Orlix /", " Pass No", " ====", " L<m>", " Average Thickness", " Thickness Distribution",
      " T<mcm>"};
  for (std::string_view known : kKnown) {
    if (StartsWith(line, known)) {
      if (known == " Thickness Distribution") histogram_ = true;
      if (known == " Pass No" && passText_.empty()) {
        passText_ = Between(line, "Pass No", ",");
        dateText_ = Between(line, "Date", ",");
        timeText_ = Between(line, "Time", ",");
      }
      return;
    }
  }
  ++broken_;
}

std::array<std::string_view, 4> PassData::Items(std::size_t i) const {
  if (i >= start_.size()) return {};
  std::string_view line = std::string_view(bytes_).substr(start_[i]);
  line = line.substr(0, line.find_first_of("\r\n"));
  std::array<std::string_view, 4> items;
  std::size_t count = 0;
  SplitItems(line, items, count);
  return items;
}

std::string PassData::Summary() const {
  if (!readable_) return "the file cannot be read";
  std::string text = std::to_string(Count()) + (Count() == 1 ? " data line read" : " data lines read");
  if (broken_ > 0) {
    text += ", " + std::to_string(broken_) +
            (broken_ == 1 ? " unreadable line skipped" : " unreadable lines skipped");
  }
  if (cutShort_) text += ", only the first " + std::to_string(kMaxBytes / 1'000'000) + " MB read";
  return text;
}

}  // namespace orlix
