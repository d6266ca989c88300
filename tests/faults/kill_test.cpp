// kill_test KILLS [SEED]: a child starts a pass, then saves a data file in one of two versions
// and appends 60 pass-file lines, on until killed at a random moment, KILLS times. After each kill
// the data file is one of its versions, the pass file its header and whole lines, no temporary
// listed. The moments come from SEED (the second argument); without it a new seed is drawn. The
// seed is printed first: `kill_test KILLS SEED` repeats the run's moments (the scheduler decides
// how far the child gets in each).

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "base/SystemPlatform.h"
#include "passfiles/PassFileWriter.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;

namespace {
testing::FakeClock clock;

std::string Text(int version) { return std::string(version == 0 ? 5000 : 50, 'C') + "\r\n"; }

// The fault found, or nothing; the version the data file holds.
std::string Check(FileAccess& files, int& version) {
  const std::string text = files.Read("QL_CFG.DAT", 1 << 20).value_or("");
  version = text == Text(0) ? 0 : text == Text(1) ? 1 : -1;
  if (version < 0) return "QL_CFG.DAT is neither version";
  const std::string pass = files.Read("07.PSS", 1 << 20).value_or("");
  std::string whole = PassFileWriter::HeaderText(7, clock.date, clock.time);
  while (whole.size() < pass.size()) whole += PassFileWriter::DataLine(12, 120.44f, 350.2f, 15.6f);
  if (pass != whole) return "07.PSS is not its header and whole lines";
  return files.List(".PSS") == std::vector<std::string>{"07.PSS"} ? "" : "listed temporaries";
}

// Saves the version the data file does not hold (so that a kill falls between two), and so on.
void Write(FileAccess& files, int version, bool once) {
  PassFileWriter pass(files, clock);
  pass.WriteFileHeader(7);
  do {
    files.Replace("QL_CFG.DAT", Text(version = 1 - version));
    for (int j = 0; j < 60; ++j) pass.AddFileData(7, 12, 120.44f, 350.2f, 15.6f);
  } while (!once);
}
}  // namespace

int main(int argc, char** argv) {
  const long kills = argc > 1 ? std::atol(argv[1]) : 100;
  const unsigned long seed = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : std::random_device{}();
  std::printf("seed %lu (repeat: kill_test %ld %lu)\n", seed, kills, seed);
  std::fflush(stdout);
  std::mt19937 moments(static_cast<std::mt19937::result_type>(seed));
  char folder[] = "/tmp/station-kill-XXXXXX";
  DirectoryFileAccess files{std::filesystem::path(::mkdtemp(folder))};
  int version = 0;
  Write(files, version, true);
  for (long i = 0;; ++i) {
    if (const std::string fault = Check(files, version); !fault.empty()) {
      std::printf("after kill %ld: %s (in %s, seed %lu)\n", i, fault.c_str(), folder, seed);
      return 1;
    }
    if (i == kills) break;
    const pid_t child = ::fork();
    if (child == 0) Write(files, version, false);
    ::usleep(moments() % 50000);  // 0 to 49 ms of writing
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
  }
  std::filesystem::remove_all(folder);
  std::printf("%ld kills, every file whole\n", kills);
}
