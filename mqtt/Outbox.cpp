#include "mqtt/Outbox.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace orlix::mqtt {
namespace {

constexpr std::size_t kDigits = 12;
constexpr std::string_view kSuffix = ".json";

// The entry's number, or nothing for a file that is not an entry.
std::optional<std::uint64_t> EntryNumber(const std::string& name) {
  if (name.size() != kDigits + kSuffix.size() || !name.ends_with(kSuffix)) return std::nullopt;
  std::uint64_t number = 0;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + kDigits, number);
  if (ec != std::errc() || end != name.data() + kDigits) return std::nullopt;
  return number;
}

}  // namespace

void Outbox::Load() {
  waiting_.clear();
  next_ = 1;
  // Equal widths: the order of the names is the order of the numbers.
  for (const std::string& name : folder_.List(kSuffix)) {
    const auto number = EntryNumber(name);
    if (!number) continue;
    waiting_.push_back(name);
    next_ = std::max(next_, *number + 1);
  }
}

Outbox::Added Outbox::Add(std::string_view payload) {
  if (Full()) return Added::kFull;
  char name[32];
  std::snprintf(name, sizeof name, "%012llu.json", static_cast<unsigned long long>(next_));
  if (!folder_.Replace(name, payload)) return Added::kFailed;
  ++next_;
  waiting_.emplace_back(name);
  return Added::kQueued;
}

bool Outbox::Acknowledged(const std::string& name) {
  const auto it = std::find(waiting_.begin(), waiting_.end(), name);
  if (it == waiting_.end()) return false;
  waiting_.erase(it);
  return folder_.Remove(name);
}

}  // namespace orlix::mqtt
