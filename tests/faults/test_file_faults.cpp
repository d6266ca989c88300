// Every writer of the station's data files under real faults (a full disk, a read-only file
// system, refused permissions, a directory in place of the file, a working directory that
// is a file or gone) and under the fault switches of the in-memory files: the writer
// reports failure, the previously good files keep every byte, nothing is left behind, and
// once the fault is gone the same call goes through. The readers under faults (a file
// removed between its lookup and its read, a directory in its place, an unreadable file)
// fall back to their defaults and change nothing.
//
// The full disk and the read-only file system are small tmpfs mounts in a private mount
// namespace (root only); refused permissions work for root by switching off its override
// of permission bits. Where the machine allows neither, those cases are skipped and say why.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <csignal>
#include <tuple>

#include "calibration/CoefFile.h"
#include "calibration/PointsFile.h"
#include "core/Settings.h"
#include "base/SystemPlatform.h"
#include "passfiles/PassFileWriter.h"
#include "tests/faults/FaultRigs.h"
#include "tests/support/FakePlatform.h"

namespace orlix::faults {
namespace {

enum class Writer {
  kConfiguration,
  kCoefficients,
  kPoints,
  kPassHeader,
  kPassData,
  kPassEnd,
  kPassHisto
};

enum class Fault {
  kDiskFull,              // tmpfs filled to the last byte
  kReadOnlyFileSystem,    // tmpfs remounted read-only
  kPermissionDenied,      // directory 0555 and files 0444, root's override off
  kDirectoryNotWritable,  // directory 0555, files still writable
  kDirectoryInPlace,      // the data file's name is a directory
  kWorkingDirIsAFile,     // the working directory's path names a regular file
  kWorkingDirMissing,     // the working directory was removed
  kMemoryRefused,         // MemoryFileAccess: failReplace and failAppend
  kMemoryFull,            // a disk with 10 bytes left, over the in-memory files
};

const char* Name(Writer w) {
  switch (w) {
    case Writer::kConfiguration:
      return "Configuration";
    case Writer::kCoefficients:
      return "Coefficients";
    case Writer::kPoints:
      return "Points";
    case Writer::kPassHeader:
      return "PassHeader";
    case Writer::kPassData:
      return "PassData";
    case Writer::kPassEnd:
      return "PassEnd";
    case Writer::kPassHisto:
      return "PassHisto";
  }
  return "";
}

const char* Name(Fault f) {
  switch (f) {
    case Fault::kDiskFull:
      return "DiskFull";
    case Fault::kReadOnlyFileSystem:
      return "ReadOnlyFileSystem";
    case Fault::kPermissionDenied:
      return "PermissionDenied";
    case Fault::kDirectoryNotWritable:
      return "DirectoryNotWritable";
    case Fault::kDirectoryInPlace:
      return "DirectoryInPlace";
    case Fault::kWorkingDirIsAFile:
      return "WorkingDirIsAFile";
    case Fault::kWorkingDirMissing:
      return "WorkingDirMissing";
    case Fault::kMemoryRefused:
      return "MemoryRefused";
    case Fault::kMemoryFull:
      return "MemoryFull";
  }
  return "";
}

bool OnTmpfs(Fault f) { return f == Fault::kDiskFull || f == Fault::kReadOnlyFileSystem; }
bool InMemory(Fault f) { return f == Fault::kMemoryRefused || f == Fault::kMemoryFull; }
bool Appends(Writer w) {
  return w == Writer::kPassData || w == Writer::kPassEnd || w == Writer::kPassHisto;
}

const char* FileOf(Writer w) {
  switch (w) {
    case Writer::kConfiguration:
      return kConfigurationFile;
    case Writer::kCoefficients:
      return kCoefficientFile;
    case Writer::kPoints:
      return kPointsFile;
    default:
      return "00.PSS";
  }
}

// Two versions of every data file: the good one on disk before the fault, and the one the
// writer is asked to write.
SettingsRecord Settings(int version) {
  SettingsRecord s;
  s.values = {2.71, 700, 570, 0.01, 0.1, 0.1, 0.1, 0.001, 1, 0, 0, 1, 412.35, 8123};
  if (version == 1) s.values = {1.5, 1200, 300, 2, 0.5, 1, 2.5, 0.25, 7, 10, 2000, 0, 96, 97};
  return s;
}

Coefficients Coef(int version) {
  return version == 0 ? Coefficients{61, -2.5, 0, 0} : Coefficients{1.5, 2, 0.001, -1e-7};
}

CalibrationData Points(int version) {
  CalibrationData data;
  for (std::size_t i = 0; i < 5; ++i) {
    data.Thickness[i] = 100.0 + 10.0 * static_cast<double>(i) + version;
    data.Intensity[i] = 4373.0 - 100.0 * static_cast<double>(i) - version;
  }
  return data;
}
constexpr std::int16_t kPointCount[2] = {3, 5};

// A complete pass file: header, data lines, end block and histogram. On the full disk its
// size leaves its last page with only a few bytes free, so that the next append is cut
// short by the disk and must be taken back whole.
std::string CompletePassFile(bool nearPageEnd) {
  const std::string head = PassFileWriter::HeaderText(0, "06/12/2026", "10:41:09");
  const std::string tail = PassFileWriter::EndText(120.1, 1.23) +
                           PassFileWriter::HistoLine(118.4, 23) +
                           PassFileWriter::HistoLine(123.2, 40);
  const std::string line = PassFileWriter::DataLine(12, 120.44f, 350.2f, 15.6f);
  for (int lines = 10;; ++lines) {
    const std::size_t size =
        head.size() + tail.size() + line.size() * static_cast<std::size_t>(lines);
    const std::size_t room = 4096 - size % 4096;
    if (!nearPageEnd || (room >= 2 && room < 20) || lines > 5000) {
      std::string text = head;
      for (int i = 0; i < lines; ++i) text += line;
      return text + tail;
    }
  }
}

// The writer's call with the second version; its result.
bool CallWriter(Writer w, FileAccess& files, Clock& clock) {
  PassFileWriter pass(files, clock);
  switch (w) {
    case Writer::kConfiguration:
      return Cfgfile(files).WriteConfiguration(Settings(1));
    case Writer::kCoefficients:
      return CoefFile(files).WriteCoefficients(Coef(1));
    case Writer::kPoints:
      return PointsFile(files).WritePoints(Points(1), kPointCount[1]);
    case Writer::kPassHeader:
      return pass.WriteFileHeader(0);
    case Writer::kPassData:
      return pass.AddFileData(0, 13, 119.96f, 351.0f, 16.4f);
    case Writer::kPassEnd:
      return pass.WriteFileEnd(0, 120.25, 0.75);
    case Writer::kPassHisto:
      return pass.WriteHistoPoint(0, 127.9, 126000);
  }
  return false;
}

// The file after the call went through: the new version, or the old one with the
// appended text.
std::string AfterCall(Writer w, const std::string& old) {
  switch (w) {
    case Writer::kConfiguration:
      return Cfgfile::ConfigurationText(Settings(1));
    case Writer::kCoefficients:
      return CoefFile::CoefficientText(Coef(1));
    case Writer::kPoints:
      return PointsFile::PointsText(Points(1), kPointCount[1]);
    case Writer::kPassHeader:
      return PassFileWriter::HeaderText(0, "06/12/2026", "10:41:09");
    case Writer::kPassData:
      return old + PassFileWriter::DataLine(13, 119.96f, 351.0f, 16.4f);
    case Writer::kPassEnd:
      return old + PassFileWriter::EndText(120.25, 0.75);
    case Writer::kPassHisto:
      return old + PassFileWriter::HistoLine(127.9, 126000);
  }
  return {};
}

// Writes the good version of every data file.
void WriteGoodFiles(FileAccess& files, bool nearPageEnd) {
  ASSERT_TRUE(Cfgfile(files).WriteConfiguration(Settings(0)));
  ASSERT_TRUE(CoefFile(files).WriteCoefficients(Coef(0)));
  ASSERT_TRUE(PointsFile(files).WritePoints(Points(0), kPointCount[0]));
  ASSERT_TRUE(files.Replace("00.PSS", CompletePassFile(nearPageEnd)));
}

class WriterFaults : public ::testing::TestWithParam<std::tuple<Writer, Fault>> {};

TEST_P(WriterFaults, ReportsFailureAndKeepsEveryGoodFile) {
  const auto [writer, fault] = GetParam();
  testing::FakeClock clock;
  const std::string name = FileOf(writer);

  if (InMemory(fault)) {
    testing::MemoryFileAccess memory;
    WriteGoodFiles(memory, false);
    FillingFileAccess filling(memory, 10);
    FileAccess& files = fault == Fault::kMemoryFull ? static_cast<FileAccess&>(filling) : memory;
    memory.failReplace = memory.failAppend = fault == Fault::kMemoryRefused;
    const auto before = memory.files;
    EXPECT_FALSE(CallWriter(writer, files, clock));
    EXPECT_EQ(memory.files, before);
    memory.failReplace = memory.failAppend = false;
    filling.free = 1 << 20;
    EXPECT_TRUE(CallWriter(writer, files, clock));
    EXPECT_EQ(memory.files[name], AfterCall(writer, before.at(name)));
    return;
  }

  ScratchDir scratch;
  ASSERT_FALSE(scratch.Path().empty());
  const fs::path work = scratch.Path() / "work";
  fs::create_directory(work);
  std::unique_ptr<Tmpfs> tmpfs;
  if (OnTmpfs(fault)) {
    tmpfs = std::make_unique<Tmpfs>(work, 512 * 1024);
    if (!tmpfs->Mounted())
      GTEST_SKIP() << "no full disk or read-only file system: " << tmpfs->error;
  }
  DirectoryFileAccess good(work);
  WriteGoodFiles(good, fault == Fault::kDiskFull);

  // The fault.
  fs::path where = work;
  bool dropOverride = false;
  switch (fault) {
    case Fault::kDiskFull:
      ASSERT_TRUE(tmpfs->Fill("filler"));
      break;
    case Fault::kReadOnlyFileSystem:
      ASSERT_TRUE(tmpfs->SetReadOnly(true));
      break;
    case Fault::kPermissionDenied:
      for (const char* f : {kConfigurationFile, kCoefficientFile, kPointsFile, "00.PSS"}) {
        ::chmod((work / f).c_str(), 0444);
      }
      [[fallthrough]];
    case Fault::kDirectoryNotWritable:
      ::chmod(work.c_str(), 0555);
      dropOverride = true;
      break;
    case Fault::kDirectoryInPlace:
      fs::remove(work / name);
      fs::create_directory(work / name);
      std::ofstream(work / name / "inside") << "kept";
      break;
    case Fault::kWorkingDirIsAFile:
      where = scratch.Path() / "plain";
      std::ofstream(where) << "a file, not a directory";
      break;
    case Fault::kWorkingDirMissing:
      where = scratch.Path() / "gone";
      break;
    default:
      break;
  }
  const Snapshot before = TakeSnapshot(scratch.Path());
  const std::string old = before.count("work/" + name) ? before.at("work/" + name) : "";

  DirectoryFileAccess files(where);
  bool written = false;
  {
    std::unique_ptr<WithoutFileOverride> noOverride;
    if (dropOverride) {
      noOverride = std::make_unique<WithoutFileOverride>();
      if (!noOverride->Active())
        GTEST_SKIP() << "permission bits cannot bind: " << noOverride->error;
    }
    written = CallWriter(writer, files, clock);
  }
  const Snapshot after = TakeSnapshot(scratch.Path());

  if (fault == Fault::kDirectoryNotWritable && Appends(writer)) {
    // Appending to a file that may be written needs nothing of its directory.
    EXPECT_TRUE(written);
    EXPECT_EQ(after.at("work/" + name), AfterCall(writer, old));
    return;
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(before, after) << "changed by a failed write:" << Difference(before, after);

  // The fault is gone: the same call goes through.
  switch (fault) {
    case Fault::kDiskFull:
      tmpfs->Unfill("filler");
      break;
    case Fault::kReadOnlyFileSystem:
      ASSERT_TRUE(tmpfs->SetReadOnly(false));
      break;
    case Fault::kPermissionDenied:
    case Fault::kDirectoryNotWritable:
      ::chmod(work.c_str(), 0755);
      ::chmod((work / name).c_str(), 0644);
      break;
    case Fault::kDirectoryInPlace:
      fs::remove_all(work / name);
      break;
    default:
      return;  // the working directory stays wrong
  }
  EXPECT_TRUE(CallWriter(writer, files, clock));
  const std::string now = TakeSnapshot(work)[name];
  EXPECT_EQ(now, AfterCall(writer, fault == Fault::kDirectoryInPlace ? "" : old));
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Writer, Fault>>& info) {
  return std::string(Name(std::get<0>(info.param))) + "_" + Name(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(
    EveryWriter, WriterFaults,
    ::testing::Combine(::testing::Values(Writer::kConfiguration, Writer::kCoefficients,
                                         Writer::kPoints, Writer::kPassHeader, Writer::kPassData,
                                         Writer::kPassEnd, Writer::kPassHisto),
                       ::testing::Values(Fault::kDiskFull, Fault::kReadOnlyFileSystem,
                                         Fault::kPermissionDenied, Fault::kDirectoryNotWritable,
                                         Fault::kDirectoryInPlace, Fault::kWorkingDirIsAFile,
                                         Fault::kWorkingDirMissing, Fault::kMemoryRefused,
                                         Fault::kMemoryFull)),
    CaseName);

// An append that the full disk cuts short after the bytes that fit in the file's last page
// is taken back: the file keeps its old length, not a part of a line.
TEST(DiskFull, AppendCutShortIsTakenBack) {
  ScratchDir scratch;
  const fs::path work = scratch.Path() / "work";
  fs::create_directory(work);
  Tmpfs tmpfs(work, 256 * 1024);
  if (!tmpfs.Mounted()) GTEST_SKIP() << "no full disk: " << tmpfs.error;
  DirectoryFileAccess files(work);
  const std::string old = CompletePassFile(true);
  ASSERT_TRUE(files.Replace("00.PSS", old));
  const std::size_t room = 4096 - old.size() % 4096;
  const std::string line = PassFileWriter::DataLine(13, 119.96f, 351.0f, 16.4f);
  ASSERT_GT(line.size(), room);  // part of the line fits, the rest does not
  ASSERT_TRUE(tmpfs.Fill("filler"));
  // Not a page is left: the line's first bytes go into the file's last page, and the
  // rest finds no room.
  {
    const int fd = ::open((work / "probe").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::write(fd, "x", 1), -1);  // no page left for a new file
    ::close(fd);
  }
  testing::FakeClock clock;
  EXPECT_FALSE(PassFileWriter(files, clock).AddFileData(0, 13, 119.96f, 351.0f, 16.4f));
  EXPECT_EQ(files.Read("00.PSS", 1 << 20), old);
  tmpfs.Unfill("filler");
  EXPECT_TRUE(files.Append("00.PSS", line));
  EXPECT_EQ(files.Read("00.PSS", 1 << 20), old + line);
}

// A named pipe where the pass file should be: the append must fail, not wait for a reader
// that never comes (the cycle, and with it every window, would hang at the first data
// line). The append runs in a child process so that a hang shows as a failure.
TEST(SpecialFileInPlace, AppendToANamedPipeDoesNotWait) {
  ScratchDir scratch;
  ASSERT_EQ(::mkfifo((scratch.Path() / "00.PSS").c_str(), 0644), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DirectoryFileAccess files(scratch.Path());
    testing::FakeClock clock;
    const bool written = PassFileWriter(files, clock).AddFileData(0, 1, 120, 570, 0);
    ::_exit(written ? 1 : 0);
  }
  int status = 0;
  pid_t done = 0;
  for (int waited = 0; waited < 300 && done == 0; ++waited) {
    done = ::waitpid(child, &status, WNOHANG);
    if (done == 0) ::usleep(10000);
  }
  if (done == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    FAIL() << "AddFileData is still waiting after 3 s for a reader of the named pipe 00.PSS";
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the append to a named pipe reported success";
  EXPECT_TRUE(fs::is_fifo(scratch.Path() / "00.PSS"));
}

// --- Readers ------------------------------------------------------------------------------

enum class Reader { kConfiguration, kCoefficients, kPoints };
enum class ReadFault {
  kVanishes,
  kVanishesInMemory,
  kDirectoryInPlace,
  kUnreadable,
  kMemoryReadsFail
};

const char* Name(Reader r) {
  switch (r) {
    case Reader::kConfiguration:
      return "Configuration";
    case Reader::kCoefficients:
      return "Coefficients";
    case Reader::kPoints:
      return "Points";
  }
  return "";
}
const char* Name(ReadFault f) {
  switch (f) {
    case ReadFault::kVanishes:
      return "RemovedBetweenLookupAndRead";
    case ReadFault::kVanishesInMemory:
      return "RemovedBetweenLookupAndReadInMemory";
    case ReadFault::kDirectoryInPlace:
      return "DirectoryInPlace";
    case ReadFault::kUnreadable:
      return "Unreadable";
    case ReadFault::kMemoryReadsFail:
      return "MemoryReadsFail";
  }
  return "";
}
const char* FileOf(Reader r) {
  return r == Reader::kConfiguration  ? kConfigurationFile
         : r == Reader::kCoefficients ? kCoefficientFile
                                      : kPointsFile;
}

// Reads with the reader and checks that it gave the missing-file values.
void ExpectDefaults(Reader r, FileAccess& files) {
  switch (r) {
    case Reader::kConfiguration: {
      SettingsRecord s;
      s.values.fill(5);  // Background and Source keep what they held
      Cfgfile(files).ReadConfiguration(s);
      const std::array<double, 14> want = {1, 1, 1, 0.01, 0.1, 0.1, 0.1, 0.001, 1, 0, 0, 1, 5, 5};
      EXPECT_EQ(s.values, want);
      break;
    }
    case Reader::kCoefficients: {
      Coefficients c{9, 9, 9, 9};
      CoefFile(files).ReadCoefficients(c);
      EXPECT_EQ(c, (Coefficients{0, 1, 0, 0}));
      break;
    }
    case Reader::kPoints: {
      CalibrationData data = Points(1);
      PointsFile(files).ReadPoints(data);
      EXPECT_EQ(data.PointCount, 15);
      for (std::size_t i = 0; i < 15; ++i) {
        EXPECT_EQ(data.Thickness[i], 0.0);
        EXPECT_EQ(data.Intensity[i], 0.0);
      }
      break;
    }
  }
}

class ReaderFaults : public ::testing::TestWithParam<std::tuple<Reader, ReadFault>> {};

TEST_P(ReaderFaults, FallBackToDefaultsAndChangeNothing) {
  const auto [reader, fault] = GetParam();
  const std::string name = FileOf(reader);
  if (fault == ReadFault::kVanishesInMemory || fault == ReadFault::kMemoryReadsFail) {
    testing::MemoryFileAccess memory;
    WriteGoodFiles(memory, false);
    VanishingFileAccess vanishing(memory,
                                  [&memory](const std::string& n) { memory.files.erase(n); });
    if (fault == ReadFault::kVanishesInMemory) vanishing.vanishing.insert(name);
    memory.failReads = fault == ReadFault::kMemoryReadsFail;
    auto want = memory.files;
    if (fault == ReadFault::kVanishesInMemory) want.erase(name);
    ExpectDefaults(reader, vanishing);
    EXPECT_EQ(memory.files, want);
    EXPECT_EQ(memory.writes, 4);  // the four good files; the reader wrote nothing
    return;
  }

  ScratchDir scratch;
  DirectoryFileAccess direct(scratch.Path());
  WriteGoodFiles(direct, false);
  VanishingFileAccess vanishing(
      direct, [&scratch](const std::string& n) { fs::remove(scratch.Path() / n); });
  switch (fault) {
    case ReadFault::kVanishes:
      vanishing.vanishing.insert(name);
      break;
    case ReadFault::kDirectoryInPlace:
      fs::remove(scratch.Path() / name);
      fs::create_directory(scratch.Path() / name);
      break;
    case ReadFault::kUnreadable:
      ::chmod((scratch.Path() / name).c_str(), 0000);
      break;
    default:
      break;
  }
  Snapshot want = TakeSnapshot(scratch.Path());
  if (fault == ReadFault::kVanishes) want.erase(name);
  std::unique_ptr<WithoutFileOverride> noOverride;
  if (fault == ReadFault::kUnreadable) {
    noOverride = std::make_unique<WithoutFileOverride>();
    if (!noOverride->Active()) GTEST_SKIP() << "permission bits cannot bind: " << noOverride->error;
  }
  ExpectDefaults(reader, vanishing);
  noOverride.reset();
  EXPECT_EQ(TakeSnapshot(scratch.Path()), want);
}

INSTANTIATE_TEST_SUITE_P(
    EveryReader, ReaderFaults,
    ::testing::Combine(::testing::Values(Reader::kConfiguration, Reader::kCoefficients,
                                         Reader::kPoints),
                       ::testing::Values(ReadFault::kVanishes, ReadFault::kVanishesInMemory,
                                         ReadFault::kDirectoryInPlace, ReadFault::kUnreadable,
                                         ReadFault::kMemoryReadsFail)),
    [](const ::testing::TestParamInfo<std::tuple<Reader, ReadFault>>& info) {
      return std::string(Name(std::get<0>(info.param))) + "_" + Name(std::get<1>(info.param));
    });

}  // namespace
}  // namespace orlix::faults

int main(int argc, char** argv) {
  // Before anything else, while the process has a single thread.
  orlix::faults::EnterPrivateMountNamespace();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
