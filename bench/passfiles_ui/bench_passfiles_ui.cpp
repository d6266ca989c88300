// Opening pass files in the viewer: time from choosing a file to its text drawn, and the
// resident memory with the file shown. The 300,000-line file is an 8-hour pass at a
// 0.1 s file period (about 16 MB).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <string>

#include "base/Format.h"
#include "passfiles/ViewText.h"
#include "passfiles/ui/PassFiles.h"
#include "passfiles/ui/PassTextView.h"

namespace {

// A field of /proc/self/status in megabytes ("VmRSS", "VmHWM").
double StatusMegabytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
  }
  return 0;
}

std::string At(std::initializer_list<std::pair<std::size_t, std::string>> items) {
  std::string line;
  for (const auto& [column, text] : items) {
    line.resize(column - 1, ' ');
    line += text;
  }
  return line;
}

std::string PassFile(int dataLines) {
  const std::string rule = " " + std::string(41, '=');
  std::string out;
  auto add = [&out](const std::string& line) { out += line + "\r\n"; };
  add(" Orlix / Thickness Measurement & Control / Data");
  add(" Pass No 01 ,    Date 06.05.2024 ,   Time 10:15:00");
  add(rule);
  add(At({{2, "L<m>"}, {17, "T<mcm>"}, {33, "D<mm>"}, {49, "W<kg>"}}));
  add(rule);
  for (int i = 0; i < dataLines; ++i) {
    add(At({{2, orlix::FormatPattern(i / 2, "000000")},
            {17, orlix::FormatPattern(118.0f + static_cast<float>(i % 41) * 0.1f, "0000.0")},
            {33, orlix::FormatPattern(350 + i / 1000, "0000")},
            {49, orlix::FormatPattern(16 + i / 500, "0000")}}));
  }
  add("");
  add(" Average Thickness 120 ,   MS Deviation 1.18");
  return out;
}

std::string BinaryFile(std::size_t size) {
  std::string out(size, '\0');
  std::uint32_t state = 1;
  for (char& c : out) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  return out;
}

struct Sample {
  QTemporaryDir dir;
  explicit Sample(const std::string& bytes) {
    QFile file(dir.filePath(QStringLiteral("01.PSS")));
    if (file.open(QIODevice::WriteOnly))
      file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
};

// Chooses the file and waits for its text, which the window reads on a worker.
void ChooseAndWait(orlix::PassFiles& window) {
  QEventLoop loop;
  QObject::connect(&window, &orlix::PassFiles::TextLoaded, &loop, &QEventLoop::quit);
  window.Choose(QStringLiteral("01.PSS"));
  loop.exec();
}

// Each iteration opens the window, then times choosing the file until its text is drawn.
void OpenAndShow(benchmark::State& state, const std::string& bytes) {
  Sample sample(bytes);
  double rss = 0;
  double first_ms = -1;
  for (auto _ : state) {
    auto* window = new orlix::PassFiles(sample.dir.path());
    window->show();
    const auto start = std::chrono::steady_clock::now();
    ChooseAndWait(*window);
    const QImage shown = window->TextBox()->viewport()->grab().toImage();
    const auto end = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(shown.constBits());
    const double seconds = std::chrono::duration<double>(end - start).count();
    state.SetIterationTime(seconds);
    // The first open meets fresh memory pages, as the operator's one open does.
    if (first_ms < 0) first_ms = seconds * 1e3;
    rss = StatusMegabytes("VmRSS");
    delete window;
  }
  state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
  state.counters["first_ms"] = first_ms;
  state.counters["rss_MB"] = rss;
  state.counters["peak_rss_MB"] = StatusMegabytes("VmHWM");
}

void BM_OpenPassFile(benchmark::State& state) {
  OpenAndShow(state, PassFile(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_OpenPassFile)
    ->Arg(300000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_OpenFileWithoutLineEnds(benchmark::State& state) {
  OpenAndShow(state, std::string(static_cast<std::size_t>(state.range(0)), '7'));
}
BENCHMARK(BM_OpenFileWithoutLineEnds)
    ->Arg(50'000'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_OpenBinaryFile(benchmark::State& state) {
  OpenAndShow(state, BinaryFile(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_OpenBinaryFile)
    ->Arg(50'000'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The text model alone: decoding the 300,000-line file into lines of cells.
void BM_DecodePassFile(benchmark::State& state) {
  const std::string bytes = PassFile(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const orlix::passview::ViewText text = orlix::passview::ViewText::Decode(bytes);
    benchmark::DoNotOptimize(text.LineCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodePassFile)->Arg(300000)->Unit(benchmark::kMillisecond);

// One screenful drawn at the end of the 300,000-line file.
void BM_DrawAtEnd(benchmark::State& state) {
  Sample sample(PassFile(300000));
  orlix::PassFiles window(sample.dir.path());
  window.show();
  ChooseAndWait(window);
  QScrollBar* bar = window.TextBox()->verticalScrollBar();
  bar->setValue(bar->maximum());
  for (auto _ : state) {
    const QImage image = window.TextBox()->viewport()->grab().toImage();
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_DrawAtEnd)->Unit(benchmark::kMillisecond);

// Printing a long pass (30,000 lines, some 440 pages) to PDF.
void BM_PrintToPdf(benchmark::State& state) {
  Sample sample(PassFile(static_cast<int>(state.range(0))));
  orlix::PassFiles window(sample.dir.path());
  ChooseAndWait(window);
  int pages = 0;
  QObject::connect(&window, &orlix::PassFiles::Printed, [&pages](bool, int n) { pages = n; });
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(sample.dir.filePath(QStringLiteral("out.pdf")));
    window.PrintTo(printer);
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_PrintToPdf)->Arg(30000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
