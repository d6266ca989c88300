#include "base/SystemPlatform.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>
#include <system_error>

namespace orlix {
namespace {

std::string LocalTimeText(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::ostringstream out;
  try {
    out.imbue(std::locale(""));
  } catch (const std::runtime_error&) {
    // An unknown locale in the environment: the classic formats serve.
  }
  out << std::put_time(&local, format);
  return out.str();
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

// Names are bare file names; anything that could leave the directory is refused.
bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

}  // namespace

SystemClock::SystemClock() : start_(std::chrono::steady_clock::now()) {}

double SystemClock::MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string SystemClock::DateText() { return LocalTimeText("%x"); }

std::string SystemClock::TimeText() { return LocalTimeText("%X"); }

Pcg32Uniform::Pcg32Uniform(std::uint64_t seed) : state_(0) {
  Next();
  state_ += seed;
  Next();
}

DirectoryFileAccess::DirectoryFileAccess(std::filesystem::path directory)
    : directory_(std::move(directory)) {}

bool DirectoryFileAccess::Exists(const std::string& name) {
  if (!IsPlainName(name)) return false;
  struct stat st {};
  return ::stat((directory_ / name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> DirectoryFileAccess::Read(const std::string& name,
                                                     std::size_t maxBytes) {
  if (!IsPlainName(name)) return std::nullopt;
  // Non-blocking, so a FIFO of that name cannot hold the reader up; regular files read as usual.
  const int fd = ::open((directory_ / name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string out;
  out.resize(
      std::min<std::size_t>(maxBytes, static_cast<std::size_t>(std::max<off_t>(st.st_size, 0))));
  std::size_t got = 0;
  bool ok = true;
  while (got < out.size()) {
    const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  out.resize(got);
  return out;
}

namespace {

// A change of names in a folder (a rename, a removal) is on the disk once this returns.
void SyncDirectory(const std::filesystem::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

class DescriptorReader final : public FileReader {
 public:
  DescriptorReader(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~DescriptorReader() override { ::close(fd_); }
  DescriptorReader(const DescriptorReader&) = delete;
  DescriptorReader& operator=(const DescriptorReader&) = delete;

  std::uint64_t Size() const override { return size_; }
  std::optional<std::size_t> ReadAt(std::uint64_t offset, char* into,
                                    std::size_t max) const override {
    for (;;) {
      const ssize_t n = ::pread(fd_, into, max, static_cast<off_t>(offset));
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) return std::nullopt;
    }
  }

 private:
  int fd_;
  std::uint64_t size_;
};

}  // namespace

std::unique_ptr<FileReader> DirectoryFileAccess::Open(const std::string& name) {
  if (!IsPlainName(name)) return nullptr;
  // Non-blocking, as Read: a FIFO of that name is refused, not waited for.
  const int fd = ::open((directory_ / name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<DescriptorReader>(
      fd, static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0)));
}

bool DirectoryFileAccess::Replace(const std::string& name, std::string_view contents) {
  if (!IsPlainName(name)) return false;
  const std::filesystem::path target = directory_ / name;
  std::string tmpl = (directory_ / ("." + name + ".XXXXXX")).string();
  const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::fchmod(fd, 0644);
  bool ok = WriteAll(fd, contents) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) {
    // A directory of that name is never replaced by a file.
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ok = false;
  }
  if (ok) ok = ::rename(tmpl.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(tmpl.c_str());
    return false;
  }
  SyncDirectory(directory_);
  return true;
}

bool DirectoryFileAccess::Append(const std::string& name, std::string_view contents) {
  if (!IsPlainName(name)) return false;
  const int fd = ::open((directory_ / name).c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  bool ok = WriteAll(fd, contents);
  if (!ok) {
    // Never leave part of a line behind.
    if (::ftruncate(fd, st.st_size) != 0) {
      // Nothing more can be done; the caller learns of the failure.
    }
  }
  ok = (::close(fd) == 0) && ok;
  return ok;
}

std::vector<std::string> DirectoryFileAccess::List(std::string_view suffix) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(directory_, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    std::string name = it->path().filename().string();
    if (EndsWithNoCase(name, suffix)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::int64_t> DirectoryFileAccess::ModifiedSeconds(const std::string& name) {
  struct stat st {};
  if (!IsPlainName(name) || ::stat((directory_ / name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(st.st_mtime);
}

bool DirectoryFileAccess::Remove(const std::string& name) {
  struct stat st {};
  if (!IsPlainName(name) || ::lstat((directory_ / name).c_str(), &st) != 0 ||
      !S_ISREG(st.st_mode) || ::unlink((directory_ / name).c_str()) != 0) {
    return false;
  }
  // The removal is on the disk before anyone is told it is done.
  SyncDirectory(directory_);
  return true;
}

bool DirectoryFileAccess::MoveTo(const std::string& name, const std::string& folder,
                                 const std::string& newName) {
  if (!IsPlainName(name) || !IsPlainName(newName) || (!folder.empty() && !IsPlainName(folder))) {
    return false;
  }
  // Only regular files move; a folder or anything else of that name stays.
  struct stat st {};
  if (::lstat((directory_ / name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const std::filesystem::path target = folder.empty() ? directory_ : directory_ / folder;
  if (!folder.empty() && ::mkdir(target.c_str(), 0755) != 0 && errno != EEXIST) return false;
  // The kernel refuses atomically when the new name is taken, so a file there is never lost.
  if (::renameat2(AT_FDCWD, (directory_ / name).c_str(), AT_FDCWD, (target / newName).c_str(),
                  RENAME_NOREPLACE) != 0) {
    return false;
  }
  for (const std::filesystem::path& dir : {directory_, target}) SyncDirectory(dir);
  return true;
}

}  // namespace orlix
