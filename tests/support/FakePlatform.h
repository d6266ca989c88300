#pragma once
// Test doubles of the platform interfaces: a clock that moves only when told, a uniform
// source that replays given values, and an in-memory working directory that can be told
// to fail.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Platform.h"

namespace orlix::testing {

class FakeClock final : public Clock {
 public:
  double now = 0.0;
  std::string date = "06/12/2026";
  std::string time = "10:41:09";

  double MonotonicSeconds() override { return now; }
  std::string DateText() override { return date; }
  std::string TimeText() override { return time; }
  void Advance(double seconds) { now += seconds; }
};

// Replays the given values in a loop.
class ReplayUniform final : public UniformSource {
 public:
  explicit ReplayUniform(std::vector<float> values) : values_(std::move(values)) {}
  float Next() override { return values_[static_cast<std::size_t>(draws++) % values_.size()]; }
  long draws = 0;

 private:
  std::vector<float> values_;
};

// The files of a working directory, kept in memory. Each fault switch makes the matching
// operation fail the way a full disk or a refused permission would: nothing changes.
class MemoryFileAccess final : public FileAccess {
 public:
  std::map<std::string, std::string> files;
  std::string location = ".";
  bool failReads = false;
  bool failReplace = false;
  bool failAppend = false;
  bool failMove = false;
  bool failRemove = false;
  // Reads of an opened file fail from this byte on, as a disk that fails half-way would.
  std::uint64_t failReadsFrom = UINT64_MAX;
  int writes = 0;
  std::map<std::string, std::int64_t> modified;  // seconds since the epoch, where known

  std::optional<std::int64_t> ModifiedSeconds(const std::string& name) override {
    const auto it = modified.find(name);
    if (it == modified.end() || !files.count(name)) return std::nullopt;
    return it->second;
  }

  bool Exists(const std::string& name) override { return files.count(name) != 0; }
  std::string Location() const override { return location; }

  std::optional<std::string> Read(const std::string& name, std::size_t maxBytes) override {
    if (failReads || !files.count(name)) return std::nullopt;
    return files[name].substr(0, maxBytes);
  }

  // The contents as they are when opened: later changes under the name do not reach it, as
  // with an open descriptor.
  std::unique_ptr<FileReader> Open(const std::string& name) override {
    if (failReads || !files.count(name)) return nullptr;
    return std::make_unique<Reader>(files[name], failReadsFrom);
  }

  bool Replace(const std::string& name, std::string_view contents) override {
    if (failReplace) return false;
    ++writes;
    files[name] = std::string(contents);
    return true;
  }

  bool Append(const std::string& name, std::string_view contents) override {
    if (failAppend) return false;
    ++writes;
    files[name] += contents;
    return true;
  }

  // Files of a subfolder are kept as "folder/name"; failMove refuses moves into one, as an
  // unwritable folder would.
  bool MoveTo(const std::string& name, const std::string& folder,
              const std::string& newName) override {
    const std::string target = folder.empty() ? newName : folder + "/" + newName;
    if ((failMove && !folder.empty()) || !files.count(name) || files.count(target)) return false;
    files[target] = std::move(files[name]);
    files.erase(name);
    return true;
  }

  bool Remove(const std::string& name) override { return !failRemove && files.erase(name) == 1; }

  std::vector<std::string> List(std::string_view suffix) override {  // in any case, by name
    std::vector<std::string> names;
    for (const auto& [name, text] : files)
      if (Lower(name).ends_with(Lower(suffix))) names.push_back(name);
    return names;
  }

 private:
  class Reader final : public FileReader {
   public:
    Reader(std::string bytes, std::uint64_t failFrom)
        : bytes_(std::move(bytes)), failFrom_(failFrom) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::optional<std::size_t> ReadAt(std::uint64_t offset, char* into,
                                      std::size_t max) const override {
      if (offset >= bytes_.size()) return 0;
      if (offset >= failFrom_) return std::nullopt;
      const std::size_t n =
          std::min<std::uint64_t>({max, bytes_.size() - offset, failFrom_ - offset});
      bytes_.copy(into, n, offset);
      return n;
    }

   private:
    std::string bytes_;
    std::uint64_t failFrom_;
  };

  static std::string Lower(std::string_view s) {
    std::string lower(s);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
  }
};

}  // namespace orlix::testing
