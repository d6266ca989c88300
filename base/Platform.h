#pragma once
// The small interfaces through which the logic reaches the platform: clock and calendar,
// the uniform random source and the files of the working directory. The station uses the
// real implementations of SystemPlatform.h; tests substitute their own.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlix {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic seconds since an arbitrary start: the time base of the cycle's periods.
  // It never jumps back, also not at midnight.
  virtual double MonotonicSeconds() = 0;
  // The current date in the system's short date format.
  virtual std::string DateText() = 0;
  // The current time of day in the system's time format.
  virtual std::string TimeText() = 0;
};

// Uniform random numbers in [0, 1) with at least 24 bits of resolution.
class UniformSource {
 public:
  virtual ~UniformSource() = default;
  virtual float Next() = 0;
};

// A file opened for reading piece by piece. It goes on reading the file it opened, whatever
// happens to the name afterwards: moved on the same disk (into the archive) or replaced by a
// new file of that name.
class FileReader {
 public:
  virtual ~FileReader() = default;
  // The file's size when it was opened.
  virtual std::uint64_t Size() const = 0;
  // Up to `max` bytes from `offset` into `into`: the count read, 0 at the file's end, nothing
  // on a read error.
  virtual std::optional<std::size_t> ReadAt(std::uint64_t offset, char* into,
                                            std::size_t max) const = 0;
};

// Files of the working directory, addressed by bare names ("QL_CFG.DAT", "07.PSS").
class FileAccess {
 public:
  virtual ~FileAccess() = default;

  // True when a regular file of exactly that name exists.
  virtual bool Exists(const std::string& name) = 0;

  // At most maxBytes of the file's contents; nothing when it cannot be read.
  virtual std::optional<std::string> Read(const std::string& name, std::size_t maxBytes) = 0;

  // The file opened for reading in pieces; nothing when it cannot be opened or is not a
  // regular file.
  virtual std::unique_ptr<FileReader> Open(const std::string& name) {
    (void)name;
    return nullptr;
  }

  // Replaces the whole file: afterwards it holds either its old contents or the new
  // ones, never a mixture. False, with the old file intact, when that cannot be done.
  virtual bool Replace(const std::string& name, std::string_view contents) = 0;

  // Appends contents in one write, creating the file if it is missing. On failure
  // nothing of contents remains in the file and the result is false.
  virtual bool Append(const std::string& name, std::string_view contents) = 0;

  // Names of the regular files whose name ends with the suffix (case-insensitive),
  // sorted by name.
  virtual std::vector<std::string> List(std::string_view suffix) = 0;

  // Moves a file into a subfolder of the directory (created when missing; an empty folder
  // keeps it beside the others) under a new bare name, by a rename on the same disk, so
  // the file is either where it was or where it went. Never replaces a file there: false,
  // with nothing changed, when the name is taken or the move cannot be done.
  virtual bool MoveTo(const std::string& name, const std::string& folder,
                      const std::string& newName) = 0;

  // Removes the file, for good once this returns true; false when it cannot be removed (or
  // is missing).
  virtual bool Remove(const std::string& name) {
    (void)name;
    return false;
  }

  // When the file was last written, in seconds since the epoch; nothing when that cannot
  // be told.
  virtual std::optional<std::int64_t> ModifiedSeconds(const std::string& name) {
    (void)name;
    return std::nullopt;
  }

  // Where the files are, as the operator should read it in a message.
  virtual std::string Location() const { return "."; }
};

}  // namespace orlix
