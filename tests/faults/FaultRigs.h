#pragma once
// What the fault tests need to make files fail for real and to see that nothing was lost:
// - a private mount namespace, in which a test may mount a small tmpfs and fill it (a full
//   disk) or make it read-only; the mounts vanish with the test process;
// - root's override of file permissions switched off for the calling thread, so that
//   permission bits refuse root as they refuse any other user;
// - file access wrappers: a disk that fills up after a number of bytes, and files that
//   vanish between their lookup and their read;
// - snapshots of a directory, every entry with its bytes, hidden ones included.

#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "base/Platform.h"

namespace orlix::faults {

namespace fs = std::filesystem;

// --- Mounts -------------------------------------------------------------------------------

// Why mounts cannot be used, or empty when they can.
inline std::string& MountProblem() {
  static std::string problem = "the test did not enter a private mount namespace";
  return problem;
}

// Call first in main, while the process has one thread: afterwards mounts made by the test
// are private to it and vanish when it ends, whatever happens.
inline void EnterPrivateMountNamespace() {
  if (::unshare(CLONE_NEWNS) != 0) {
    MountProblem() = std::string("no private mount namespace (unshare: ") + std::strerror(errno) +
                     "); running as root with CAP_SYS_ADMIN is needed";
    return;
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    MountProblem() = std::string("mounts cannot be made private: ") + std::strerror(errno);
    return;
  }
  MountProblem().clear();
}

// A small tmpfs mounted on an existing, empty directory.
class Tmpfs {
 public:
  Tmpfs(const fs::path& where, std::size_t bytes) : where_(where) {
    if (!MountProblem().empty()) {
      error = MountProblem();
      return;
    }
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", where_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      error = std::string("tmpfs cannot be mounted: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~Tmpfs() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;

  bool Mounted() const { return mounted_; }
  std::string error;

  // Fills every free byte with a file of that name (a disk that is full).
  bool Fill(const std::string& name) {
    const int fd = ::open((where_ / name).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    static const std::string block(4096, '#');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
  }
  // Frees the space again.
  void Unfill(const std::string& name) { ::unlink((where_ / name).c_str()); }

  bool SetReadOnly(bool readOnly) {
    const unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
    return ::mount("tmpfs", where_.c_str(), "tmpfs", flags, nullptr) == 0;
  }

 private:
  fs::path where_;
  bool mounted_ = false;
};

// --- Permissions --------------------------------------------------------------------------

// While it lives, the calling thread is held to the permission bits of files and
// directories like any user: root's capabilities that override them (DAC override, DAC
// read search, file owner) leave the thread's effective set, and come back afterwards.
class WithoutFileOverride {
 public:
  WithoutFileOverride() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (::syscall(SYS_capget, &header_, saved_) != 0) {
      error = std::string("capget: ") + std::strerror(errno);
      return;
    }
    __user_cap_data_struct reduced[2];
    std::memcpy(reduced, saved_, sizeof reduced);
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
      reduced[cap / 32].effective &= ~(1u << (cap % 32));
    }
    if (::syscall(SYS_capset, &header_, reduced) != 0) {
      error = std::string("capset: ") + std::strerror(errno);
      return;
    }
    active_ = true;
  }
  ~WithoutFileOverride() {
    if (active_) ::syscall(SYS_capset, &header_, saved_);
  }
  WithoutFileOverride(const WithoutFileOverride&) = delete;
  WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;

  // True when permission bits now bind the thread.
  bool Active() const { return active_; }
  std::string error;

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool active_ = false;
};

// --- File access wrappers -----------------------------------------------------------------

// A disk with `freeBytes` left: a whole-file replacement needs room for the new file while
// the old one still exists, an append room for what it adds. Without room the operation
// fails and changes nothing, as the file access promises.
class FillingFileAccess final : public FileAccess {
 public:
  FillingFileAccess(FileAccess& inner, std::size_t freeBytes) : free(freeBytes), inner_(inner) {}
  std::size_t free;

  bool Exists(const std::string& name) override { return inner_.Exists(name); }
  std::string Location() const override { return inner_.Location(); }
  std::optional<std::string> Read(const std::string& name, std::size_t maxBytes) override {
    return inner_.Read(name, maxBytes);
  }
  bool Replace(const std::string& name, std::string_view contents) override {
    if (contents.size() > free) return false;
    const auto old = inner_.Read(name, std::string::npos);
    if (!inner_.Replace(name, contents)) return false;
    free = free - contents.size() + (old ? old->size() : 0);
    return true;
  }
  bool Append(const std::string& name, std::string_view contents) override {
    if (contents.size() > free || !inner_.Append(name, contents)) return false;
    free -= contents.size();
    return true;
  }
  std::vector<std::string> List(std::string_view suffix) override { return inner_.List(suffix); }

 private:
  FileAccess& inner_;
};

// Files that another program removes between their lookup and their read: reading a name
// in `vanishing` first calls `remove` for it.
class VanishingFileAccess final : public FileAccess {
 public:
  VanishingFileAccess(FileAccess& inner, std::function<void(const std::string&)> remove)
      : inner_(inner), remove_(std::move(remove)) {}
  std::set<std::string> vanishing;

  bool Exists(const std::string& name) override { return inner_.Exists(name); }
  std::optional<std::string> Read(const std::string& name, std::size_t maxBytes) override {
    if (vanishing.count(name) != 0) remove_(name);
    return inner_.Read(name, maxBytes);
  }
  bool Replace(const std::string& name, std::string_view contents) override {
    return inner_.Replace(name, contents);
  }
  bool Append(const std::string& name, std::string_view contents) override {
    return inner_.Append(name, contents);
  }
  std::vector<std::string> List(std::string_view suffix) override { return inner_.List(suffix); }

 private:
  FileAccess& inner_;
  std::function<void(const std::string&)> remove_;
};

// --- Snapshots ----------------------------------------------------------------------------

// Every entry of a directory, hidden ones included: a file with its bytes, a directory with
// its own entries. Two equal snapshots mean nothing was changed, added or left behind.
using Snapshot = std::map<std::string, std::string>;

inline void AddEntries(const fs::path& dir, const std::string& prefix, Snapshot& out) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = prefix + it->path().filename().string();
    if (it->is_directory(ec)) {
      out[name + "/"] = "<directory>";
      AddEntries(it->path(), name + "/", out);
    } else {
      std::ifstream in(it->path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      out[name] = in ? bytes.str() : std::string("<unreadable>");
    }
  }
}

inline Snapshot TakeSnapshot(const fs::path& dir) {
  Snapshot out;
  AddEntries(dir, "", out);
  return out;
}

// The entries that differ, for a failure message.
inline std::string Difference(const Snapshot& before, const Snapshot& after) {
  std::string text;
  for (const auto& [name, bytes] : before) {
    const auto it = after.find(name);
    if (it == after.end()) {
      text += " removed " + name + ";";
    } else if (it->second != bytes) {
      const std::string& now = it->second;
      std::size_t at = 0;
      while (at < bytes.size() && at < now.size() && bytes[at] == now[at]) ++at;
      std::string from = now.substr(at, 60);
      for (char& c : from) {
        if (c == '\r' || c == '\n') c = '|';
      }
      text += " changed " + name + " (" + std::to_string(bytes.size()) + " -> " +
              std::to_string(now.size()) + " bytes; from byte " + std::to_string(at) +
              " it reads \"" + from + "\");";
    }
  }
  for (const auto& [name, bytes] : after) {
    if (before.count(name) == 0) text += " added " + name + ";";
  }
  return text;
}

// A fresh directory under the system's temporary directory, removed with its contents.
class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = (fs::temp_directory_path() / "station-faults-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
  }
  ~ScratchDir() {
    if (path_.empty()) return;
    std::error_code ec;
    // Mounts below it go first; permissions are opened up again for the removal.
    for (fs::recursive_directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
      ::chmod(it->path().c_str(), it->is_directory(ec) ? 0755 : 0644);
    }
    ::chmod(path_.c_str(), 0755);
    fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace orlix::faults
