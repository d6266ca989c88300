// A 24-hour pass (864,000 data lines at 0.1 s): open to profile shown, zoom and pan frames,
// the report (PDF and CSV), and the resident memory. Prints one line per figure.
#include <QApplication>
#include <QEventLoop>
#include <QTabWidget>
#include <QImage>
#include <QTemporaryDir>
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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir dir;
  constexpr int kLines = 864'000;
  {
    std::string text = PassFileWriter::HeaderText(7, "12/07/26", "10:15:02");
    for (int i = 0; i < kLines; ++i) {
      const double t = 120 + 3 * std::sin(i * 0.001) + static_cast<double>((i * 7919LL) % 97) / 40.0 - 1.2;
      text += PassFileWriter::DataLine(static_cast<float>(i / 3), static_cast<float>(t), 300, 9);
    }
    DirectoryFileAccess files(dir.path().toStdString());
    files.Replace("07.PSS", text);
    files.Replace("07.PSI", InfoText({7, "2026-12-07T10:15:02", "2026-12-08T10:15:02", 120, 40, 6,
                                      6, 1, {0, 1, 0, 0}, {0.1, 0.1, 0.1}, "bench"}));
    std::printf("pass file: %d data lines, %.1f MB\n", kLines, static_cast<double>(text.size()) / 1e6);
  }
  // The peak so far was the generating of the file: it starts afresh here.
  std::ofstream("/proc/self/clear_refs") << "5";
  const double before = StatusMegabytes("VmRSS");

  auto start = Steady::now();
  DirectoryFileAccess files(dir.path().toStdString());
  auto profile = std::make_shared<PassProfile>(LoadProfile(files, "07.PSS", 6, 6, false));
  const double read = Since(start);
  ProfileView view;
  view.resize(1200, 600);
  view.SetProfile(profile);
  QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
  view.render(&frame);
  std::printf("open to profile shown: %.3f s (reading and pyramid %.3f s)\n", Since(start), read);

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
  std::printf("zoom, pan and full frames (70): median %.2f ms, largest %.2f ms\n",
              frames[frames.size() / 2], frames.back());

  // At "Stop" the window's thread reads the pass into memory; the worker does the rest.
  start = Steady::now();
  const ReportJob job = ReportOf(dir.path(), QStringLiteral("07.PSS"), dir.path(), 6, 6);
  std::printf("pass read for the report (on the window's thread): %.1f ms\n", Since(start) * 1000);
  start = Steady::now();
  const ReportOutcome out = WriteReport(job);
  std::printf("report PDF and CSV: %.3f s (%s)\n", Since(start), out.ok ? "written" : "failed");

  std::printf("resident memory: %.1f MB now, %.1f MB at most (%.1f MB before opening)\n",
              StatusMegabytes("VmRSS"), StatusMegabytes("VmHWM"), before);

  // The pass-file window with the text and the profile of the same pass.
  profile.reset();
  std::ofstream("/proc/self/clear_refs") << "5";
  start = Steady::now();
  PassFiles window(dir.path());
  window.show();
  QEventLoop shown;
  QObject::connect(&window, &PassFiles::ProfileLoaded, &shown, &QEventLoop::quit);
  window.Choose(QStringLiteral("07.PSS"));
  shown.exec();
  window.Views()->setCurrentIndex(1);
  window.Profile()->render(&frame);
  std::printf("pass-file window, text and profile of the pass: %.3f s to the profile shown, "
              "%.1f MB resident, %.1f MB at most\n",
              Since(start), StatusMegabytes("VmRSS"), StatusMegabytes("VmHWM"));
  return out.ok ? 0 : 1;
}
