#pragma once
// The pass summaries waiting for the broker: one file per summary in a folder of the
// working directory, written before it is sent and removed only when the broker has
// acknowledged it, so a summary survives a broker outage, a lost network and a restart of
// the station. Names count up ("000000000042.json"), so the folder's order is the order of
// the passes. The outbox is bounded: when it is full the summaries already in it are kept
// and a new one is refused (the Link tab says so).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "base/Platform.h"

namespace orlix::mqtt {

inline constexpr const char* kOutboxFolder = "mqtt-outbox";
// About 1 KiB each: a megabyte at most, a year of passes at three an hour.
inline constexpr std::size_t kOutboxCapacity = 1000;

class Outbox {
 public:
  explicit Outbox(FileAccess& folder, std::size_t capacity = kOutboxCapacity)
      : folder_(folder), capacity_(capacity) {}

  // What an earlier run left, oldest first.
  void Load();

  enum class Added { kQueued, kFull, kFailed };
  // Stores a summary behind the others; nothing is stored when the outbox is full or the
  // file cannot be written.
  Added Add(std::string_view payload);

  // The waiting entries' names, oldest first.
  const std::deque<std::string>& Waiting() const { return waiting_; }
  std::optional<std::string> Read(const std::string& name) {
    return folder_.Read(name, kMostBytes);
  }
  // The broker took it: it leaves the outbox. When the file cannot be removed it is sent
  // again after the next start (the summary's id tells the copies apart); false then.
  bool Acknowledged(const std::string& name);

  std::size_t Size() const { return waiting_.size(); }
  std::size_t Capacity() const { return capacity_; }
  bool Full() const { return waiting_.size() >= capacity_; }

 private:
  static constexpr std::size_t kMostBytes = 256 * 1024;
  FileAccess& folder_;
  std::size_t capacity_;
  std::deque<std::string> waiting_;
  std::uint64_t next_ = 1;
};

}  // namespace orlix::mqtt
