// Pass quality for a 24-hour pass (864,000 data lines at 0.1 s) and a week-long one
// (6,048,000): open to profile shown, zoom and pan frames, the report (PDF and CSV), the
// pass-file window reading the pass (the longest frame meanwhile), and the peak resident
// memory of each. Every case runs in a process of its own, so no case hides another's peak.
// Prints one line per figure.
//   bench_quality                 generates both passes in a temporary folder, runs every case
//   bench_quality CASE DIR        one case (profile, report, window) on DIR/07.PSS
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "base/SystemPlatform.h"
#include "passfiles/PassFileWriter.h"
#include "passfiles/PassInfo.h"
#include "passfiles/ui/PassFiles.h"
#include "passfiles/ui/PassReport.h"
#include "passfiles/ui/ProfileView.h"

using namespace orlix;
using Steady = std::chrono::steady_clock;

namespace {

double Since(Steady::time_point start) {
  return std::chrono::duration<double>(Steady::now() - start).count();
}

double StatusMegabytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
  }
  return 0;
}

void Peak(const char* what) {
  std::printf("  %s: resident memory %.1f MB now, %.1f MB at the peak\n", what,
              StatusMegabytes("VmRSS"), StatusMegabytes("VmHWM"));
}

// The pass file written a megabyte at a time, as the station appends it.
void WritePass(const QString& dir, int lines) {
  const std::string path = QDir(dir).filePath(QStringLiteral("07.PSS")).toStdString();
  std::ofstream out(path, std::ios::binary);
  std::string text = PassFileWriter::HeaderText(7, "12/07/26", "10:15:02");
  for (int i = 0; i < lines; ++i) {
    const double t =
        120 + 3 * std::sin(i * 0.001) + static_cast<double>((i * 7919LL) % 97) / 40.0 - 1.2;
    text += PassFileWriter::DataLine(static_cast<float>(i / 3), static_cast<float>(t), 300, 9);
    if (text.size() > (1 << 20)) {
      out << text;
      text.clear();
    }
  }
  out << text << PassFileWriter::EndText(120, 1.5) << PassFileWriter::HistoLine(120, lines);
  DirectoryFileAccess files(dir.toStdString());
  files.Replace("07.PSI", InfoText({7,
                                    "2026-12-07T10:15:02",
                                    "2026-12-08T10:15:02",
                                    120,
                                    40,
                                    6,
                                    6,
                                    1,
                                    {0, 1, 0, 0},
                                    {0.1, 0.1, 0.1},
                                    "bench"}));
}

int ProfileCase(const QString& dir) {
  auto start = Steady::now();
  DirectoryFileAccess files(dir.toStdString());
  auto profile = std::make_shared<PassProfile>(LoadProfile(files, "07.PSS"));
  const double read = Since(start);
  ProfileView view;
  view.resize(1200, 600);
  view.SetProfile(profile);
  QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
  view.render(&frame);
  std::printf("  open to profile shown: %.3f s (reading, figures and pyramid %.3f s), %s\n",
              Since(start), read, profile->data.Summary().c_str());

  std::vector<double> frames;
  for (int k = 0; k < 60; ++k) {
    const auto t0 = Steady::now();
    if (k < 30) {
      QWheelEvent wheel(QPointF(600, 300), QPointF(600, 300), {}, {0, 120}, Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(&view, &wheel);
    } else {
      ProfileWindow w = view.Window();
      const double shift = (w.x1 - w.x0) * 0.1;
      view.SetWindow({w.x0 + shift, w.x1 + shift, w.y0, w.y1});
    }
    view.render(&frame);
    frames.push_back(Since(t0) * 1000);
  }
  view.Full();
  for (int k = 0; k < 10; ++k) {
    const auto t0 = Steady::now();
    view.render(&frame);
    frames.push_back(Since(t0) * 1000);
  }
  std::sort(frames.begin(), frames.end());
  std::printf("  zoom, pan and full frames (70): median %.2f ms, largest %.2f ms\n",
              frames[frames.size() / 2], frames.back());
  start = Steady::now();
  SetLimits(*profile, ToleranceLimits{120, 117, 123});
  std::printf("  other limits put in force: %.1f ms\n", Since(start) * 1000);
  Peak("profile");
  return 0;
}

int ReportCase(const QString& dir) {
  // At "Stop" the window's thread opens the pass file; the worker does the rest.
  auto start = Steady::now();
  const ReportJob job = ReportOf(dir, QStringLiteral("07.PSS"), dir);
  std::printf("  snapshot at Stop (on the window's thread): %.3f ms\n", Since(start) * 1000);
  start = Steady::now();
  const ReportOutcome out = WriteReport(job);
  std::printf("  report PDF and CSV: %.3f s (%s, CSV %.1f MB)\n", Since(start),
              out.ok ? "written" : "failed", static_cast<double>(QFileInfo(out.csv).size()) / 1e6);
  Peak("report");
  return out.ok ? 0 : 1;
}

// The window chooses the pass and reads its text and profile on workers; a timer asks for
// a repaint of the whole window every 10 ms, and the longest time between two of its ticks
// is the longest the window stood still.
int WindowCase(const QString& dir) {
  const auto start = Steady::now();
  PassFiles window(dir);
  window.resize(1200, 800);
  window.show();
  window.Views()->setCurrentIndex(1);
  {
    // The first paint of a window loads its fonts: done before the reading starts.
    QEventLoop shown;
    QTimer::singleShot(300, &shown, &QEventLoop::quit);
    shown.exec();
    window.repaint();
  }
  QEventLoop loop;
  bool profile = false, text = false;
  double shown = 0;
  QObject::connect(&window, &PassFiles::ProfileLoaded, &loop, [&] {
    profile = true;
    shown = Since(start);
    if (text) loop.quit();
  });
  QObject::connect(&window, &PassFiles::TextLoaded, &loop, [&] {
    text = true;
    if (profile) loop.quit();
  });
  // Per tick, the window thread's own processor time and its time waiting for a core
  // (/proc/thread-self/schedstat): a long gap on a busy machine is told from a long task.
  auto schedstat = [] {
    double run = 0, wait = 0;
    std::ifstream("/proc/thread-self/schedstat") >> run >> wait;
    return std::pair{run / 1e6, wait / 1e6};
  };
  QElapsedTimer ticks;
  double longest = 0, ran = 0, waited = 0;
  auto last = schedstat();
  int count = 0;
  QTimer timer;
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, &window, [&] {
    const double gap = static_cast<double>(ticks.restart());
    const auto now = schedstat();
    if (gap > longest) {
      longest = gap;
      ran = now.first - last.first;
      waited = now.second - last.second;
    }
    window.repaint();
    last = schedstat();
    ++count;
  });
  window.Choose(QStringLiteral("07.PSS"));
  ticks.start();
  timer.start();
  loop.exec();
  // The frame after the profile arrived.
  QEventLoop after;
  QTimer::singleShot(100, &after, &QEventLoop::quit);
  after.exec();
  std::printf(
      "  pass-file window: profile shown after %.3f s; while reading, the longest time "
      "between two 10 ms repaint ticks %.0f ms (%d ticks), in which the window's thread "
      "ran %.1f ms and waited %.1f ms for a core\n",
      shown, longest, count, ran, waited);
  Peak("window, text and profile");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc == 3) {
    const QString what = QString::fromLocal8Bit(argv[1]);
    const QString dir = QString::fromLocal8Bit(argv[2]);
    if (what == QLatin1String("profile")) return ProfileCase(dir);
    if (what == QLatin1String("report")) return ReportCase(dir);
    if (what == QLatin1String("window")) return WindowCase(dir);
    return 2;
  }
  int failed = 0;
  for (const auto& [name, lines] :
       {std::pair{"24-hour pass", 864'000}, {"week-long pass", 6'048'000}}) {
    QTemporaryDir dir;
    WritePass(dir.path(), lines);
    const QFileInfo file(QDir(dir.path()).filePath(QStringLiteral("07.PSS")));
    std::printf("%s: %d data lines, %.1f MB\n", name, lines,
                static_cast<double>(file.size()) / 1e6);
    std::fflush(stdout);
    for (const char* what : {"profile", "report", "window"}) {
      failed += QProcess::execute(QString::fromLocal8Bit(argv[0]),
                                  {QString::fromLatin1(what), dir.path()}) != 0;
    }
  }
  return failed;
}
