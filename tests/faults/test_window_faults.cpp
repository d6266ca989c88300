// The windows under file faults, offscreen: a pass through the main window while its pass
// file cannot be written, with the settings and calibration windows saving meanwhile. The
// cycle goes on measuring and showing, the sample field shows the problem, each window says
// its save failed and keeps what was entered, no good file changes by a byte, and once the
// fault is gone the next pass writes its file and the indication goes away. The pass-file
// window meets files that vanish or cannot be read after it listed them.
//
// Real faults use a small tmpfs in a private mount namespace and root's permission override
// switched off (see FaultRigs.h); rows the machine cannot set up are skipped with the reason.

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "calibration/CoefFile.h"
#include "calibration/PointsFile.h"
#include "calibration/ui/Fitting.h"
#include "base/Format.h"
#include "base/SystemPlatform.h"
#include "app/QL.h"
#include "app/Station.h"
#include "passfiles/ui/PassFiles.h"
#include "settings/ui/Settings.h"
#include "tests/faults/FaultRigs.h"
#include "tests/support/FakePlatform.h"
#include "widgets/HI1/HI1.h"
#include "widgets/KP12/KP12.h"
#include "widgets/TP1/TP1.h"

using namespace orlix;
using namespace orlix::faults;

namespace {

enum class WindowFault {
  kMemoryRefused,         // every write of the in-memory files refused
  kMemoryReplaceRefused,  // whole-file writes refused, appends still work
  kMemoryFillsUp,         // the disk fills up during the pass
  kDiskFull,              // tmpfs filled before the pass
  kReadOnlyFileSystem,
  kPermissionDenied,      // directory 0555, files 0444
  kDirectoryNotWritable,  // directory 0555, files still writable
  kDirectoriesInPlace,    // every data file's name is a directory
  kWorkingDirIsAFile,
};

bool InMemory(WindowFault f) {
  return f == WindowFault::kMemoryRefused || f == WindowFault::kMemoryReplaceRefused ||
         f == WindowFault::kMemoryFillsUp;
}

const char* kDataFiles[] = {kConfigurationFile, kCoefficientFile, kPointsFile, "00.PSS"};

std::string GoodConfiguration() {
  SettingsRecord s;
  s.values = {2.71, 700, 570, 0.01, 0.1, 0.1, 0.1, 0.001, 1, 0, 0, 0, 412.35, 8123};
  return Cfgfile::ConfigurationText(s);
}

// A complete earlier pass 0: header, two data lines, end block and one histogram line.
std::string EarlierPass() {
  return PassFileWriter::HeaderText(0, "05/12/2026", "08:00:00") +
         PassFileWriter::DataLine(1, 120.1f, 570.0f, 0.0f) +
         PassFileWriter::DataLine(2, 119.7f, 570.0f, 0.0f) + PassFileWriter::EndText(119.9, 0.2) +
         PassFileWriter::HistoLine(115.2, 2);
}

void WriteGoodFiles(FileAccess& files) {
  files.Replace(kConfigurationFile, GoodConfiguration());
  files.Replace(kCoefficientFile, "1.5,0.999,0,0,");
  files.Replace(kPointsFile, " 2 \r\n100,101\r\n140,139\r\n");
  files.Replace("00.PSS", EarlierPass());
}

// The station over one of the faults. Real faults live in <scratch>/work.
struct Rig {
  WindowFault fault;
  ScratchDir scratch;
  fs::path work = scratch.Path() / "work";
  std::unique_ptr<Tmpfs> tmpfs;
  testing::MemoryFileAccess memory;
  std::unique_ptr<FillingFileAccess> filling;
  std::unique_ptr<DirectoryFileAccess> direct;
  std::unique_ptr<WithoutFileOverride> noOverride;
  testing::FakeClock clock;
  Pcg32Uniform uniform;
  std::unique_ptr<Station> station;
  std::unique_ptr<QL> window;
  QString skip;

  explicit Rig(WindowFault f) : fault(f) {
    FileAccess* files = &memory;
    std::string where = "/srv/gauge";
    memory.location = where;
    if (InMemory(fault)) {
      WriteGoodFiles(memory);
      if (fault == WindowFault::kMemoryFillsUp) {
        // Room for the new header and twenty data lines once the earlier file is gone.
        const std::size_t header = PassFileWriter::HeaderText(0, clock.date, clock.time).size();
        filling = std::make_unique<FillingFileAccess>(
            memory,
            header + 20 * PassFileWriter::DataLine(1, 1, 1, 1).size() - EarlierPass().size());
        files = filling.get();
      }
    } else {
      fs::create_directory(work);
      if (fault == WindowFault::kDiskFull || fault == WindowFault::kReadOnlyFileSystem) {
        tmpfs = std::make_unique<Tmpfs>(work, 256 * 1024);
        if (!tmpfs->Mounted()) skip = QString::fromStdString(tmpfs->error);
      }
      DirectoryFileAccess good(work);
      WriteGoodFiles(good);
      where = fault == WindowFault::kWorkingDirIsAFile ? (scratch.Path() / "plain").string()
                                                       : work.string();
      if (fault == WindowFault::kWorkingDirIsAFile) std::ofstream(where) << "not a directory";
      direct = std::make_unique<DirectoryFileAccess>(where);
      files = direct.get();
    }
    clock.now = 100;
    station = std::make_unique<Station>(*files, clock, uniform);
    window = std::make_unique<QL>(*station);
    window->Load();
  }

  // Makes the files fail; false (with `skip` set) when the machine cannot.
  bool Break() {
    switch (fault) {
      case WindowFault::kMemoryRefused:
        memory.failReplace = memory.failAppend = true;
        return true;
      case WindowFault::kMemoryReplaceRefused:
        memory.failReplace = true;
        return true;
      case WindowFault::kMemoryFillsUp:
        return true;
      case WindowFault::kDiskFull:
        return tmpfs->Fill("filler");
      case WindowFault::kReadOnlyFileSystem:
        return tmpfs->SetReadOnly(true);
      case WindowFault::kPermissionDenied:
        for (const char* f : kDataFiles) ::chmod((work / f).c_str(), 0444);
        [[fallthrough]];
      case WindowFault::kDirectoryNotWritable:
        ::chmod(work.c_str(), 0555);
        noOverride = std::make_unique<WithoutFileOverride>();
        if (!noOverride->Active()) skip = QString::fromStdString(noOverride->error);
        return noOverride->Active();
      case WindowFault::kDirectoriesInPlace:
        for (const char* f : kDataFiles) {
          fs::remove(work / f);
          fs::create_directory(work / f);
        }
        return true;
      case WindowFault::kWorkingDirIsAFile:
        return true;
    }
    return false;
  }

  // Lifts the fault; false where it cannot be lifted.
  bool Mend() {
    noOverride.reset();
    switch (fault) {
      case WindowFault::kMemoryRefused:
      case WindowFault::kMemoryReplaceRefused:
        memory.failReplace = memory.failAppend = false;
        return true;
      case WindowFault::kMemoryFillsUp:
        filling->free = 1 << 20;
        return true;
      case WindowFault::kDiskFull:
        tmpfs->Unfill("filler");
        return true;
      case WindowFault::kReadOnlyFileSystem:
        return tmpfs->SetReadOnly(false);
      case WindowFault::kPermissionDenied:
      case WindowFault::kDirectoryNotWritable:
        ::chmod(work.c_str(), 0755);
        for (const char* f : kDataFiles) ::chmod((work / f).c_str(), 0644);
        return true;
      case WindowFault::kDirectoriesInPlace:
        for (const char* f : kDataFiles) fs::remove_all(work / f);
        return true;
      case WindowFault::kWorkingDirIsAFile:
        return false;
    }
    return false;
  }

  // The working directory as it stands (the in-memory files or the scratch directory).
  Snapshot Files() const {
    if (InMemory(fault)) return Snapshot(memory.files.begin(), memory.files.end());
    return TakeSnapshot(scratch.Path());
  }

  // The pass file's text in a snapshot of Files().
  std::string& PassText(Snapshot& files) const {
    return files[InMemory(fault) ? "00.PSS" : "work/00.PSS"];
  }

  QPushButton* Button(QWidget* w, const char* name) {
    auto* b = w->findChild<QPushButton*>(QLatin1String(name));
    Q_ASSERT(b);
    return b;
  }
  void Click(QWidget* w, const char* name) { QTest::mouseClick(Button(w, name), Qt::LeftButton); }
  void Run(int steps) {
    for (int i = 0; i < steps; ++i) {
      clock.Advance(0.011);
      window->Cycle().Step();
    }
  }
  QLineEdit* SampleField() { return window->findChild<QLineEdit*>(QStringLiteral("Text2")); }
};

// The lines of a pass file's text; an unfinished last line is marked.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start != text.size()) lines.push_back("<unfinished>" + text.substr(start));
  return lines;
}

}  // namespace

class TestWindowFaults : public QObject {
  Q_OBJECT

 private slots:
  void passAndSavesUnderFault_data() {
    QTest::addColumn<int>("fault");
    QTest::newRow("memory: every write refused") << int(WindowFault::kMemoryRefused);
    QTest::newRow("memory: whole-file writes refused, appends work")
        << int(WindowFault::kMemoryReplaceRefused);
    QTest::newRow("memory: disk fills up during the pass") << int(WindowFault::kMemoryFillsUp);
    QTest::newRow("disk full") << int(WindowFault::kDiskFull);
    QTest::newRow("read-only file system") << int(WindowFault::kReadOnlyFileSystem);
    QTest::newRow("permission denied") << int(WindowFault::kPermissionDenied);
    QTest::newRow("directory not writable, files writable")
        << int(WindowFault::kDirectoryNotWritable);
    QTest::newRow("directories in place of the data files")
        << int(WindowFault::kDirectoriesInPlace);
    QTest::newRow("working directory is a file") << int(WindowFault::kWorkingDirIsAFile);
  }

  void passAndSavesUnderFault() {
    QFETCH(int, fault);
    Rig rig(static_cast<WindowFault>(fault));
    if (!rig.skip.isEmpty()) QSKIP(qPrintable(rig.skip));
    const bool fills = rig.fault == WindowFault::kMemoryFillsUp;
    if (!rig.Break()) QSKIP(qPrintable(QStringLiteral("the fault cannot be made: ") + rig.skip));
    const Snapshot before = rig.Files();

    // A pass whose file cannot be written (in the filling case: after twenty lines).
    const long steps = rig.window->Cycle().Steps();
    rig.Click(rig.window.get(), "EnterMid");
    QVERIFY(rig.window->PassRunning());
    rig.Run(300);

    // Saving the settings fails; the window stays with its note and the entry.
    auto settings = std::make_unique<Settings>(rig.station->settings, rig.station->files);
    settings->show();
    QTest::mouseClick(settings->Keypad()->Key(5), Qt::LeftButton);
    rig.Click(settings.get(), "Command2");
    QVERIFY(settings->isVisible());
    QVERIFY2(settings->Message().contains(QLatin1String("QL_CFG.DAT")),
             qPrintable(settings->Message()));
    QCOMPARE(settings->Field(0)->text(), QStringLiteral("5"));
    rig.Run(50);

    // Saving a calibration point fails; the window stays with its message.
    auto fitting = std::make_unique<Fitting>(rig.station->calibration, rig.station->daq, rig.station->files);
    fitting->show();
    for (int key : {1, 2, 0, int(kKeyEnter)}) {
      QTest::mouseClick(fitting->Keypad()->Key(key), Qt::LeftButton);
    }
    rig.Click(fitting.get(), "Command6");
    QVERIFY(fitting->isVisible());
    QVERIFY2(!fitting->SaveMessage().isEmpty(), "no message after a failed calibration save");
    rig.Run(50);

    // The cycle went on measuring and showing all the while.
    QVERIFY(rig.window->PassRunning());
    QCOMPARE(rig.window->Cycle().Steps() - steps, 400L);
    QVERIFY(rig.window->Trend()->Model().Counter() >= 36);  // one display every 0.11 s
    QVERIFY(rig.window->Histogram()->Average() > 0);
    const bool shown =
        rig.window->Cycle().FileFailing() &&
        rig.SampleField()->toolTip().contains(QString::fromStdString(rig.station->files.Location())) &&
        !rig.SampleField()->styleSheet().isEmpty();
    rig.Click(rig.window.get(), "BStop");
    QVERIFY(!rig.window->PassRunning());

    // Not a byte of the good files changed, and nothing was left behind. The filling disk
    // took the new header and twenty whole data lines before it was full.
    rig.noOverride.reset();
    Snapshot after = rig.Files();
    if (fills) {
      const auto lines = Lines(rig.PassText(after));
      QCOMPARE(lines.size(), std::size_t(25));
      QCOMPARE(lines[1], std::string(" Pass No 00 ,    Date 06/12/2026 ,   Time 10:41:09"));
      QCOMPARE(lines[24].substr(0, 7), std::string(" 000020"));
      after["00.PSS"] = before.at("00.PSS");
    }
    QVERIFY2(after == before,
             ("changed by the failing pass or saves:" + Difference(before, after)).c_str());
    // The operator saw that the pass file was not being written.
    QVERIFY2(shown, "the sample field does not show the pass file problem");
    QVERIFY(rig.window->Cycle().FileFailing());

    // The fault is gone: saves go through, the next pass writes its file whole and the
    // indication goes away.
    if (!rig.Mend()) return;
    rig.Click(settings.get(), "Command2");
    QVERIFY(!settings->isVisible());
    QVERIFY(settings->Message().isEmpty());
    QCOMPARE(rig.station->settings[BasisWeight], 5.0);
    rig.Click(rig.window.get(), "EnterMid");
    rig.Run(100);
    QVERIFY(!rig.window->Cycle().FileFailing());
    QVERIFY(rig.SampleField()->toolTip().isEmpty());
    rig.Click(rig.window.get(), "BStop");
    Snapshot mended = rig.Files();
    const auto lines = Lines(rig.PassText(mended));
    QVERIFY(lines.size() > 15);
    QCOMPARE(lines[1], std::string(" Pass No 00 ,    Date 06/12/2026 ,   Time 10:41:09"));
    QVERIFY(std::find(lines.begin(), lines.end(), " Thickness Distribution:") != lines.end());
    for (const auto& line : lines) QVERIFY(line.rfind("<unfinished>", 0) != 0);
  }

  // The disk fills up during a pass until there is room for a histogram line but not for
  // the end block: the pass file must still read as header, data lines, end block and
  // histogram, so histogram lines never stand without the end block before them.
  void histogramLinesNeverWithoutTheEndBlock() {
    testing::MemoryFileAccess memory;
    testing::FakeClock clock;
    const std::size_t header = PassFileWriter::HeaderText(0, clock.date, clock.time).size();
    const std::size_t line = PassFileWriter::DataLine(1, 1, 1, 1).size();
    const std::size_t histo = PassFileWriter::HistoLine(120, 1).size();
    FillingFileAccess files(memory, header + 10 * line + histo + 8);
    Pcg32Uniform uniform;
    Station station(files, clock, uniform);
    QL window(station);
    window.Load();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("EnterMid")), Qt::LeftButton);
    for (int i = 0; i < 200; ++i) {
      clock.Advance(0.011);
      window.Cycle().Step();
    }
    QVERIFY(window.Cycle().FileFailing());
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("BStop")), Qt::LeftButton);
    const auto lines = Lines(memory.files["00.PSS"]);
    for (std::size_t i = 5; i < lines.size(); ++i) {
      QVERIFY2(
          lines[i].substr(0, 7) == " " + FormatPattern(static_cast<float>(i - 4), "000000"),
          ("line " + std::to_string(i + 1) + " is not the next data line: \"" + lines[i] + "\"")
              .c_str());
    }
    QCOMPARE(lines.size(), std::size_t(15));  // header and ten data lines
  }

  // The pass-file window lists files, and then one vanishes and another becomes unreadable
  // before the operator picks them.
  void passFilesChangedAfterListing() {
    ScratchDir scratch;
    DirectoryFileAccess files(scratch.Path());
    files.Replace("00.PSS", EarlierPass());
    files.Replace("01.PSS", EarlierPass());
    files.Replace("02.PSS", EarlierPass());
    fs::create_directory(scratch.Path() / "03.PSS");  // a directory is not listed
    PassFiles window(QString::fromStdString(scratch.Path().string()));
    window.show();
    QCOMPARE(window.FileNames(), (QStringList{QStringLiteral("00.PSS"), QStringLiteral("01.PSS"),
                                              QStringLiteral("02.PSS")}));

    fs::remove(scratch.Path() / "01.PSS");
    QVERIFY(window.Choose(QStringLiteral("01.PSS")));
    QVERIFY2(window.Message().contains(QLatin1String("no longer there")),
             qPrintable(window.Message()));
    QVERIFY(window.Text().isEmpty());

    ::chmod((scratch.Path() / "02.PSS").c_str(), 0000);
    {
      WithoutFileOverride noOverride;
      if (!noOverride.Active()) QSKIP(qPrintable(QString::fromStdString(noOverride.error)));
      QVERIFY(window.Choose(QStringLiteral("02.PSS")));
    }
    QVERIFY2(window.Message().contains(QLatin1String("cannot be read")),
             qPrintable(window.Message()));
    QVERIFY(window.Text().isEmpty());

    // A good file still shows.
    QVERIFY(window.Choose(QStringLiteral("00.PSS")));
    QVERIFY(window.Text().startsWith(QLatin1String(" Orlix / Thickness Measurement")));
  }

  // Start-up when the data files vanish between their lookup and their read: the defaults,
  // as without the files.
  void startUpWhileFilesVanish() {
    ScratchDir scratch;
    DirectoryFileAccess direct(scratch.Path());
    WriteGoodFiles(direct);
    VanishingFileAccess files(direct,
                              [&scratch](const std::string& n) { fs::remove(scratch.Path() / n); });
    files.vanishing = {kConfigurationFile, kCoefficientFile};
    testing::FakeClock clock;
    Pcg32Uniform uniform;
    Station station(files, clock, uniform);
    QL window(station);
    window.Load();
    QCOMPARE(station.settings[DisplayPeriod], 0.1);
    QCOMPARE(station.settings[MeasurementMode], 1.0);
    QCOMPARE(station.calibration.Coef, (Coefficients{0, 1, 0, 0}));
    QVERIFY(!fs::exists(scratch.Path() / kConfigurationFile));
    QVERIFY(window.isVisible());
  }
};

int main(int argc, char** argv) {
  // Before anything else, while the process has a single thread.
  orlix::faults::EnterPrivateMountNamespace();
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  TestWindowFaults test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_window_faults.moc"
