#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/SystemPlatform.h"

using namespace orlix;
namespace fs = std::filesystem;

namespace {

class DirectoryFileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("station-files-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
  }
  std::string Slurp(const std::string& name) {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir;
};

TEST_F(DirectoryFileAccessTest, ReplaceWritesWholeFileAndLeavesNoTemporary) {
  DirectoryFileAccess files(dir);
  ASSERT_TRUE(files.Replace("QL_CFG.DAT", "old\r\n"));
  ASSERT_TRUE(files.Replace("QL_CFG.DAT", "new\r\n"));
  EXPECT_EQ(Slurp("QL_CFG.DAT"), "new\r\n");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(DirectoryFileAccessTest, AppendCreatesThenAppends) {
  DirectoryFileAccess files(dir);
  ASSERT_TRUE(files.Append("07.PSS", "a\r\n"));
  ASSERT_TRUE(files.Append("07.PSS", "b\r\n"));
  EXPECT_EQ(Slurp("07.PSS"), "a\r\nb\r\n");
}

TEST_F(DirectoryFileAccessTest, ReadIsCappedAndMissingFilesAreNotThere) {
  DirectoryFileAccess files(dir);
  ASSERT_TRUE(files.Replace("QL_SET.DAT", "0123456789"));
  EXPECT_EQ(files.Read("QL_SET.DAT", 4), "0123");
  EXPECT_FALSE(files.Read("QL_CFF.DAT", 100).has_value());
  EXPECT_FALSE(files.Exists("QL_CFF.DAT"));
  EXPECT_TRUE(files.Exists("QL_SET.DAT"));
}

TEST_F(DirectoryFileAccessTest, DirectoryOfThatNameIsNeitherReadNorReplaced) {
  DirectoryFileAccess files(dir);
  fs::create_directory(dir / "QL_CFG.DAT");
  EXPECT_FALSE(files.Exists("QL_CFG.DAT"));
  EXPECT_FALSE(files.Read("QL_CFG.DAT", 100).has_value());
  EXPECT_FALSE(files.Replace("QL_CFG.DAT", "x"));
  EXPECT_FALSE(files.Append("QL_CFG.DAT", "x"));
  EXPECT_TRUE(fs::is_directory(dir / "QL_CFG.DAT"));
}

TEST_F(DirectoryFileAccessTest, NamesThatLeaveTheDirectoryAreRefused) {
  DirectoryFileAccess files(dir);
  EXPECT_FALSE(files.Replace("../escape.DAT", "x"));
  EXPECT_FALSE(files.Append("a/b.PSS", "x"));
  EXPECT_FALSE(fs::exists(dir.parent_path() / "escape.DAT"));
}

TEST_F(DirectoryFileAccessTest, UnwritableDirectoryFailsAndKeepsTheOldFile) {
  if (::geteuid() == 0) {
    // root writes anywhere; a directory path that is a file stands in for the refusal.
    DirectoryFileAccess files(dir / "not-a-directory");
    std::ofstream(dir / "not-a-directory") << "x";
    EXPECT_FALSE(files.Replace("QL_CFG.DAT", "new"));
    EXPECT_FALSE(files.Append("00.PSS", "line\r\n"));
    return;
  }
  DirectoryFileAccess files(dir);
  ASSERT_TRUE(files.Replace("QL_CFG.DAT", "old"));
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(files.Replace("QL_CFG.DAT", "new"));
  EXPECT_FALSE(files.Append("00.PSS", "line\r\n"));
  EXPECT_EQ(Slurp("QL_CFG.DAT"), "old");
}

TEST_F(DirectoryFileAccessTest, ListsPassFilesByName) {
  DirectoryFileAccess files(dir);
  for (const char* n : {"07.PSS", "00.PSS", "123.pss", "QL_CFG.DAT", "x.PSS.bak"}) {
    ASSERT_TRUE(files.Replace(n, ""));
  }
  fs::create_directory(dir / "dir.PSS");
  EXPECT_EQ(files.List(".PSS"), (std::vector<std::string>{"00.PSS", "07.PSS", "123.pss"}));
}

}  // namespace
