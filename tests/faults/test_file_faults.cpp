// The file layer, which every writer and reader goes through, under real faults: what Replace,
// Append and Read must do; a failure leaves the folder as it was (old file, no temporary left).

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "base/SystemPlatform.h"

using namespace orlix;

namespace {
namespace fs = std::filesystem;

// The fault; what Replace, Append and Read must do under it: 'w' work, 'f' fail.
using Row = std::pair<std::string, std::string>;
const Row kRows[] = {{"DiskFull", "ffw"},          {"NoPermission", "ffw"},
                     {"FolderNotWritable", "fww"}, {"Unreadable", "wff"},
                     {"DirectoryInPlace", "fff"},  {"FifoInPlace", "wff"},
                     {"FileMissing", "wwf"},       {"FolderMissing", "fff"}};
const char* const kOps[] = {"Replace", "Append", "Read"};
// Ten bytes short of a page: on the full disk an append is cut short, and must be taken back.
const std::string kOld = std::string(4084, 'o') + "\r\n", kNew = std::string(40, 'n') + "\r\n";

// Before main, with one thread: permission bits bind root too, and the tests' mounts stay
// private to the process (root only).
const bool privateMounts = [] {
  __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct caps[2]{};
  ::syscall(SYS_capget, &head, caps);
  caps[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
  ::syscall(SYS_capset, &head, caps);
  return ::unshare(CLONE_NEWNS) == 0 &&
         !::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
}();

// Every entry under the folder, with a regular file's bytes (an unreadable file's as empty).
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    std::ifstream in(e.is_regular_file() ? e.path() : "");
    out[fs::relative(e.path(), root)] =
        e.is_regular_file() ? std::string(std::istreambuf_iterator<char>(in), {}) : "(not a file)";
  }
  return out;
}

class FileFaults : public ::testing::TestWithParam<std::tuple<Row, int>> {
 protected:
  fs::path root = fs::temp_directory_path() / ("station-faults-" + std::to_string(::getpid()));
  fs::path work = root / "work", file = work / "07.PSS";
  FileFaults() { fs::create_directories(work); }
  ~FileFaults() override {
    std::error_code ec;
    ::umount2(work.c_str(), MNT_DETACH);
    fs::permissions(work, fs::perms::owner_all, ec);
    fs::remove_all(root, ec);
  }
};

TEST_P(FileFaults, FailsLeavingAllAsItWasOrWorks) {
  const auto& [f, expected] = std::get<0>(GetParam());
  const int op = std::get<1>(GetParam());
  if (f == "DiskFull") {
    if (!privateMounts) GTEST_SKIP() << "no private mount namespace";
    ASSERT_EQ(::mount("tmpfs", work.c_str(), "tmpfs", 0, "size=64k"), 0);
  }
  if (f == "DirectoryInPlace") fs::create_directories(file / "inside");
  ASSERT_TRUE(f != "FifoInPlace" || ::mkfifo(file.c_str(), 0644) == 0);
  if (!fs::exists(file) && f != "FileMissing") std::ofstream(file) << kOld;
  if (f == "DiskFull") std::ofstream(work / "filler") << std::string(1 << 16, '#');
  if (f == "NoPermission" || f == "Unreadable")
    fs::permissions(file, fs::perms(f[0] == 'N' ? 0444 : 0));
  if (f == "NoPermission" || f == "FolderNotWritable") fs::permissions(work, fs::perms(0555));
  auto want = Snapshot(root);
  DirectoryFileAccess files(f == "FolderMissing" ? root / "gone" : work);
  std::optional<std::string> read;
  ::alarm(10);  // an operation waiting on the FIFO ends the test with SIGALRM
  const bool done = op == 0   ? files.Replace("07.PSS", kNew)
                    : op == 1 ? files.Append("07.PSS", kNew)
                              : (read = files.Read("07.PSS", 1 << 20)).has_value();
  ::alarm(0);
  ASSERT_EQ(done, expected[op] == 'w');
  EXPECT_EQ(read.value_or(kOld), kOld);
  if (done && op < 2) want["work/07.PSS"] = (op == 1 ? want["work/07.PSS"] : "") + kNew;
  EXPECT_EQ(Snapshot(root), want);
}

INSTANTIATE_TEST_SUITE_P(Rows, FileFaults,
                         ::testing::Combine(::testing::ValuesIn(kRows), ::testing::Range(0, 3)),
                         [](const auto& i) {
                           return std::get<0>(i.param).first + "_" + kOps[std::get<1>(i.param)];
                         });

}  // namespace
