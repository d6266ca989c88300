#pragma once
// The real platform: steady clock, calendar texts in the user's locale, a fixed-seed
// permuted congruential generator and POSIX files in a directory.

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "base/Platform.h"

namespace orlix {

class SystemClock final : public Clock {
 public:
  SystemClock();
  double MonotonicSeconds() override;
  std::string DateText() override;
  std::string TimeText() override;

 private:
  std::chrono::steady_clock::time_point start_;
};

// PCG32 (XSH RR): 64-bit state, 32-bit output, of which the top 24 bits make a float in
// [0, 1). The seed is fixed, so every run draws the same sequence.
class Pcg32Uniform final : public UniformSource {
 public:
  static constexpr std::uint64_t kDefaultSeed = 0x853c49e6748fea9bULL;
  explicit Pcg32Uniform(std::uint64_t seed = kDefaultSeed);
  float Next() override {
    const std::uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + kIncrement;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rot = static_cast<std::uint32_t>(old >> 59u);
    const std::uint32_t bits = (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
    return static_cast<float>(bits >> 8) * (1.0f / 16777216.0f);
  }

 private:
  static constexpr std::uint64_t kIncrement = 1442695040888963407ULL;
  std::uint64_t state_;
};

// Files in one directory. Whole-file writes go to a temporary file in the same directory
// that is flushed to disk and then renamed over the old one; appends are single writes
// that are cut back to the old length if they fail half-way.
class DirectoryFileAccess final : public FileAccess {
 public:
  explicit DirectoryFileAccess(std::filesystem::path directory);
  bool Exists(const std::string& name) override;
  std::optional<std::string> Read(const std::string& name, std::size_t maxBytes) override;
  // An open descriptor: it survives a rename of the file and its replacement by a new one.
  std::unique_ptr<FileReader> Open(const std::string& name) override;
  bool Replace(const std::string& name, std::string_view contents) override;
  bool Append(const std::string& name, std::string_view contents) override;
  std::vector<std::string> List(std::string_view suffix) override;
  bool MoveTo(const std::string& name, const std::string& folder,
              const std::string& newName) override;
  bool Remove(const std::string& name) override;
  std::optional<std::int64_t> ModifiedSeconds(const std::string& name) override;
  std::string Location() const override { return directory_.string(); }

  const std::filesystem::path& Directory() const { return directory_; }

 private:
  std::filesystem::path directory_;
};

}  // namespace orlix
