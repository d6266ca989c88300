// The pass-file window: listing, loading, selecting, printing to PDF and closing.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Format.h"
#include "passfiles/ui/PassFiles.h"
#include "passfiles/ui/PassTextView.h"

using orlix::PassFiles;
using orlix::PassTextView;
using orlix::passview::Position;

Q_DECLARE_METATYPE(orlix::passview::Position)

namespace {

// A line with items at print columns (column 1 is the first character).
std::string At(std::initializer_list<std::pair<std::size_t, std::string>> items) {
  std::string line;
  for (const auto& [column, text] : items) {
    line.resize(column - 1, ' ');
    line += text;
  }
  return line;
}

// The lines of a complete pass file with `dataLines` data lines.
std::vector<std::string> PassLines(int pass, int dataLines) {
  const std::string rule = " " + std::string(41, '=');
  std::vector<std::string> lines = {
      " Orlix / Thickness Measurement & Control / Data",
      " Pass No " + orlix::FormatPattern(pass, "00") + " ,    Date 06.05.2024 ,   Time 10:15:00",
      rule, At({{2, "L<m>"}, {17, "T<mcm>"}, {33, "D<mm>"}, {49, "W<kg>"}}), rule};
  for (int i = 0; i < dataLines; ++i) {
    lines.push_back(At({{2, orlix::FormatPattern(i * 3, "000000")},
                        {17, orlix::FormatPattern(118.0 + (i % 7) * 0.6, "0000.0")},
                        {33, orlix::FormatPattern(350 + i / 10, "0000")},
                        {49, orlix::FormatPattern(16 + i / 5, "0000")}}));
  }
  lines.push_back("");
  lines.push_back(" Average Thickness 119.8 ,   MS Deviation 1.25");
  lines.push_back(" Thickness Distribution:");
  lines.push_back(rule);
  lines.push_back(At({{2, "T<mcm>"}, {17, "N"}}));
  lines.push_back(rule);
  lines.push_back(At({{2, "0118.4"}, {17, "0023"}}));
  return lines;
}

std::string Join(const std::vector<std::string>& lines, const std::string& end) {
  std::string out;
  for (const std::string& line : lines) out += line + end;
  return out;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

bool HasInk(const QImage& image, const QRectF& cell) {
  const QRect r = cell.toAlignedRect().intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) return true;
    }
  }
  return false;
}

// A PDF page read back as text: words placed on the fixed-pitch grid by their positions.
using Page = QStringList;

QString Unescape(QString s) {
  return s.replace(QLatin1String("&lt;"), QLatin1String("<"))
      .replace(QLatin1String("&gt;"), QLatin1String(">"))
      .replace(QLatin1String("&quot;"), QLatin1String("\""))
      .replace(QLatin1String("&apos;"), QLatin1String("'"))
      .replace(QLatin1String("&amp;"), QLatin1String("&"));
}

// Runs pdftotext -bbox and rebuilds each page's rows from the word boxes, given the
// printed area's top left corner and the cell size, all in points.
std::vector<Page> ReadPdf(const QString& path, QPointF origin, double cellWidth,
                          double lineHeight) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
  const QString html = QString::fromUtf8(process.readAllStandardOutput());
  static const QRegularExpression pageOrWord(
      QStringLiteral(R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" )re"
                     R"re(xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
  std::vector<Page> pages;
  std::map<int, QString> rows;
  auto finish = [&] {
    if (pages.empty()) return;
    Page& page = pages.back();
    for (const auto& [row, text] : rows) {
      while (page.size() <= row) page.push_back(QString());
      page[row] = text;
    }
    rows.clear();
  };
  for (auto it = pageOrWord.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (m.captured(0).startsWith(QLatin1String("<page"))) {
      finish();
      pages.emplace_back();
      continue;
    }
    const int column = qRound((m.captured(1).toDouble() - origin.x()) / cellWidth);
    const int row = qRound((m.captured(2).toDouble() - origin.y()) / lineHeight);
    QString& line = rows[row];
    if (line.size() < column) line.resize(column, QLatin1Char(' '));
    line.replace(column, m.captured(3).size(), Unescape(m.captured(3)));
  }
  finish();
  return pages;
}

// Rows of all pages in order, each page but the last filled up to the page height (the
// longest page), trailing empty rows of the whole print left out.
QStringList Flatten(const std::vector<Page>& pages) {
  qsizetype rowsPerPage = 0;
  for (const Page& page : pages) rowsPerPage = std::max(rowsPerPage, page.size());
  QStringList rows;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    Page page = pages[i];
    if (i + 1 < pages.size()) {
      while (page.size() < rowsPerPage) page.push_back(QString());
    }
    rows += page;
  }
  while (!rows.isEmpty() && rows.last().isEmpty()) rows.removeLast();
  return rows;
}

}  // namespace

class PassFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void emptyDirectoryShowsNothing();
  void listsPassFilesOnly_data();
  void listsPassFilesOnly();
  void fileWrittenWhileOpenAppearsAndChoiceStays();
  void removedChosenFileIsReported();
  void choosingShowsTheTextExactly_data();
  void choosingShowsTheTextExactly();
  void unreadableFileShowsEmptyTextAndNote_data();
  void unreadableFileShowsEmptyTextAndNote();
  void anyFileLoads_data();
  void anyFileLoads();

  void printsToPdf_data();
  void printsToPdf();
  void printerErrorIsReported();
  void printDialog_data();
  void printDialog();

  void mouseSelectsCells();
  void keyboardSelects_data();
  void keyboardSelects();
  void columnsLineUpOnScreen();
  void layoutShowsWholePassLines();
  void closeDeletesTheWindow();

 private:
  PassFiles* Open();
  QString Path(const QString& name) const { return dir_->filePath(name); }
  void WritePass(const QString& name, int pass, int dataLines) {
    WriteFile(Path(name), QByteArray::fromStdString(Join(PassLines(pass, dataLines), "\r\n")));
  }
  QString PrintToPdf(PassFiles& window, const QString& name, bool wholeText = false);
  std::vector<Page> ReadBack(const QString& pdf, QPrinter& printer);

  std::unique_ptr<QTemporaryDir> dir_;
  QPointer<PassFiles> window_;
};

void PassFilesTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
}

void PassFilesTest::cleanup() {
  delete window_.data();
  dir_.reset();
}

PassFiles* PassFilesTest::Open() {
  window_ = new PassFiles(dir_->path());
  window_->show();
  if (!QTest::qWaitForWindowExposed(window_)) return nullptr;
  return window_;
}

QString PassFilesTest::PrintToPdf(PassFiles& window, const QString& name, bool wholeText) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(Path(name));
  if (!window.PrintTo(printer, wholeText)) return QString();
  return Path(name);
}

std::vector<Page> PassFilesTest::ReadBack(const QString& pdf, QPrinter& printer) {
  // The printed area and the cell of the fixed-pitch font, in points.
  const QPointF origin = printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
  const QFontMetricsF metrics(orlix::PassFileFont(10), &printer);
  const double toPoints = 72.0 / printer.resolution();
  return ReadPdf(pdf, origin, metrics.horizontalAdvance(QLatin1Char('0')) * toPoints,
                 metrics.lineSpacing() * toPoints);
}

void PassFilesTest::emptyDirectoryShowsNothing() {
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->FileNames().isEmpty());
  QCOMPARE(window->findChild<QListWidget*>(QStringLiteral("File1"))->count(), 0);
  QCOMPARE(window->Text(), QString());
  QCOMPARE(window->ChosenFile(), QString());
  QCOMPARE(window->Message(), QString());
}

void PassFilesTest::listsPassFilesOnly_data() {
  QTest::addColumn<QStringList>("files");
  QTest::addColumn<QStringList>("dirs");
  QTest::addColumn<QStringList>("listed");
  QTest::newRow("pass files sorted by name")
      << QStringList{"123.PSS", "07.PSS", "00.PSS", "10.PSS"} << QStringList{}
      << QStringList{"00.PSS", "07.PSS", "10.PSS", "123.PSS"};
  QTest::newRow("other files left out")
      << QStringList{"07.PSS", "QL_CFG.DAT", "07.PSS.bak", "PSS", "notes.txt"} << QStringList{}
      << QStringList{"07.PSS"};
  QTest::newRow("extension in any case")
      << QStringList{"05.pss", "06.Pss"} << QStringList{} << QStringList{"05.pss", "06.Pss"};
  QTest::newRow("directories left out")
      << QStringList{"01.PSS"} << QStringList{"02.PSS"} << QStringList{"01.PSS"};
}

void PassFilesTest::listsPassFilesOnly() {
  QFETCH(QStringList, files);
  QFETCH(QStringList, dirs);
  QFETCH(QStringList, listed);
  for (const QString& name : files) WriteFile(Path(name), "x\r\n");
  for (const QString& name : dirs) QVERIFY(QDir(dir_->path()).mkdir(name));
  PassFiles* window = Open();
  QVERIFY(window);
  QCOMPARE(window->FileNames(), listed);
  auto* list = window->findChild<QListWidget*>(QStringLiteral("File1"));
  QCOMPARE(list->count(), listed.size());
  for (int i = 0; i < list->count(); ++i) QCOMPARE(list->item(i)->text(), listed[i]);
}

void PassFilesTest::fileWrittenWhileOpenAppearsAndChoiceStays() {
  WritePass(QStringLiteral("07.PSS"), 7, 20);
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("07.PSS")));
  PassTextView* view = window->TextBox();
  view->Select({6, 16}, {6, 22});
  const QString selected = window->SelectedText();
  QCOMPARE(selected, QStringLiteral("0118.6"));

  // A new pass starts: its file sorts before the chosen one.
  WritePass(QStringLiteral("05.PSS"), 5, 3);
  QTRY_COMPARE(window->FileNames(), (QStringList{"05.PSS", "07.PSS"}));
  QCOMPARE(window->ChosenFile(), QStringLiteral("07.PSS"));
  auto* list = window->findChild<QListWidget*>(QStringLiteral("File1"));
  QCOMPARE(list->currentItem()->text(), QStringLiteral("07.PSS"));
  QVERIFY(list->currentItem()->isSelected());
  // Not read again: the selection in the text is still there.
  QCOMPARE(window->SelectedText(), selected);

  // The pass goes on: a click on the chosen file reads what has been added.
  QFile file(Path(QStringLiteral("07.PSS")));
  QVERIFY(file.open(QIODevice::Append));
  file.write(" 000999         0121.0          0360            0020\r\n");
  file.close();
  QVERIFY(!window->Text().contains(QStringLiteral("000999")));
  const QRect item = list->visualItemRect(list->currentItem());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
  QVERIFY(window->Text().endsWith(
      QStringLiteral(" 000999         0121.0          0360            0020\n")));
  QCOMPARE(window->ChosenFile(), QStringLiteral("07.PSS"));
  QCOMPARE(window->Message(), QString());
}

void PassFilesTest::removedChosenFileIsReported() {
  WritePass(QStringLiteral("07.PSS"), 7, 5);
  WritePass(QStringLiteral("08.PSS"), 8, 5);
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("07.PSS")));
  const QString text = window->Text();
  QVERIFY(QFile::remove(Path(QStringLiteral("07.PSS"))));
  QTRY_COMPARE(window->FileNames(), QStringList{"08.PSS"});
  QCOMPARE(window->ChosenFile(), QString());
  QCOMPARE(window->Message(), QStringLiteral("07.PSS is no longer there."));
  // What was read stays readable and printable.
  QCOMPARE(window->Text(), text);
  const QString shots = qEnvironmentVariable("ORLIX_SHOTS");
  if (!shots.isEmpty())
    QVERIFY(window->grab().save(shots + QStringLiteral("/passfiles_removed.png")));
}

void PassFilesTest::choosingShowsTheTextExactly_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("shown");
  const std::vector<std::string> lines = PassLines(3, 12);
  QTest::newRow("complete pass file") << QByteArray::fromStdString(Join(lines, "\r\n"))
                                      << QString::fromStdString(Join(lines, "\n"));
  const std::vector<std::string> header(lines.begin(), lines.begin() + 5);
  QTest::newRow("header only") << QByteArray::fromStdString(Join(header, "\r\n"))
                               << QString::fromStdString(Join(header, "\n"));
  QTest::newRow("negative thickness")
      << QByteArray(" 000012         -0120.4          0350            0016\r\n")
      << QStringLiteral(" 000012         -0120.4          0350            0016\n");
  QTest::newRow("no final line end")
      << QByteArray(" Orlix\r\n 000012") << QStringLiteral(" Orlix\n 000012");
  QTest::newRow("empty file") << QByteArray() << QString();
}

void PassFilesTest::choosingShowsTheTextExactly() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, shown);
  WritePass(QStringLiteral("01.PSS"), 1, 4);
  WriteFile(Path(QStringLiteral("02.PSS")), bytes);
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("01.PSS")));
  QVERIFY(window->Text().startsWith(QStringLiteral(" Orlix / Thickness")));
  // Choosing another file replaces what was shown.
  QVERIFY(window->Choose(QStringLiteral("02.PSS")));
  QCOMPARE(window->ChosenFile(), QStringLiteral("02.PSS"));
  QCOMPARE(window->Text(), shown);
  QCOMPARE(window->Message(), QString());
  QVERIFY(!window->Choose(QStringLiteral("09.PSS")));
}

void PassFilesTest::unreadableFileShowsEmptyTextAndNote_data() {
  QTest::addColumn<QString>("change");
  QTest::addColumn<QString>("message");
  QTest::newRow("removed") << "remove"
                           << "02.PSS is no longer there.";
  QTest::newRow("replaced by a directory") << "directory"
                                           << "02.PSS is no longer there.";
  QTest::newRow("no read permission") << "chmod"
                                      << "02.PSS cannot be read.";
}

void PassFilesTest::unreadableFileShowsEmptyTextAndNote() {
  QFETCH(QString, change);
  QFETCH(QString, message);
  if (change == QLatin1String("chmod") && ::geteuid() == 0) {
    QSKIP("running as root: file permissions do not stop reading");
  }
  WritePass(QStringLiteral("01.PSS"), 1, 4);
  WritePass(QStringLiteral("02.PSS"), 2, 4);
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("01.PSS")));
  QVERIFY(!window->Text().isEmpty());
  // Between listing and choosing (the list is not read again until events run).
  const QString path = Path(QStringLiteral("02.PSS"));
  if (change == QLatin1String("remove") || change == QLatin1String("directory")) {
    QVERIFY(QFile::remove(path));
  }
  if (change == QLatin1String("directory"))
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("02.PSS")));
  if (change == QLatin1String("chmod"))
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
  QVERIFY(window->Choose(QStringLiteral("02.PSS")));
  QCOMPARE(window->Text(), QString());
  QCOMPARE(window->Message(), message);
}

void PassFilesTest::anyFileLoads_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<qint64>("size");
  QTest::addColumn<bool>("cutShort");
  QTest::newRow("50 MB without line ends") << "digits" << qint64(50'000'000) << false;
  QTest::newRow("binary bytes") << "binary" << qint64(3'000'000) << false;
  QTest::newRow("beyond what the window shows") << "digits" << qint64(70'000'000) << true;
}

void PassFilesTest::anyFileLoads() {
  QFETCH(QString, kind);
  QFETCH(qint64, size);
  QFETCH(bool, cutShort);
  {
    // Repeats one chunk: digits without any line end, or bytes of every value.
    QByteArray chunk(1'000'000, '0');
    std::uint32_t state = 12345;
    for (qsizetype i = 0; i < chunk.size(); ++i) {
      state = state * 1664525u + 1013904223u;
      chunk[i] = kind == QLatin1String("binary") ? char(state >> 24) : char('0' + i % 10);
    }
    QFile file(Path(QStringLiteral("99.PSS")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (qint64 done = 0; done < size; done += chunk.size())
      QCOMPARE(file.write(chunk), chunk.size());
  }
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("99.PSS")));
  const orlix::passview::ViewText& text = window->TextBox()->Text();
  if (kind == QLatin1String("digits")) {
    QCOMPARE(text.LineCount(), std::size_t(1));
    QCOMPARE(text.LongestLine(), std::min(std::size_t(size), PassFiles::kMaxFileBytes));
  }
  if (cutShort) {
    QCOMPARE(window->Message(),
             QStringLiteral(
                 "99.PSS is too large to show in full (70.0 MB): only its beginning is shown."));
    QVERIFY(text.LongestLine() <= PassFiles::kMaxFileBytes);
  } else {
    QCOMPARE(window->Message(), QString());
  }
  // The view draws at both ends of the longest line without trouble.
  PassTextView* view = window->TextBox();
  const QImage start = view->viewport()->grab().toImage();
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  const QImage end = view->viewport()->grab().toImage();
  QVERIFY(!start.isNull() && !end.isNull());
  if (kind == QLatin1String("digits")) {
    const Position last{0, text.LongestLine() - 1};
    QVERIFY(HasInk(end, view->CellRect(last)));
  }
}

void PassFilesTest::printsToPdf_data() {
  QTest::addColumn<int>("dataLines");
  QTest::addColumn<Position>("anchor");
  QTest::addColumn<Position>("caret");
  QTest::addColumn<bool>("wholeText");
  QTest::addColumn<int>("minPages");
  QTest::addColumn<int>("maxPages");
  const Position none{0, 0};
  QTest::newRow("whole text") << 10 << none << none << false << 1 << 1;
  QTest::newRow("selection across lines")
      << 10 << Position{6, 16} << Position{9, 22} << false << 1 << 1;
  QTest::newRow("selection made upwards")
      << 10 << Position{9, 22} << Position{6, 16} << false << 1 << 1;
  QTest::newRow("whole text asked for despite a selection")
      << 10 << Position{6, 16} << Position{9, 22} << true << 1 << 1;
  QTest::newRow("long file breaks into pages") << 300 << none << none << false << 4 << 10;
  QTest::newRow("nothing loaded prints one empty page") << -1 << none << none << false << 1 << 1;
}

void PassFilesTest::printsToPdf() {
  QFETCH(int, dataLines);
  QFETCH(Position, anchor);
  QFETCH(Position, caret);
  QFETCH(bool, wholeText);
  QFETCH(int, minPages);
  QFETCH(int, maxPages);
  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
    QSKIP(
        "pdftotext (Debian package poppler-utils) is not installed: printed PDFs cannot be read "
        "back");
  }
  PassFiles* window = Open();
  QVERIFY(window);
  QStringList expected{QString()};  // the empty line that opens the job
  if (dataLines >= 0) {
    WritePass(QStringLiteral("04.PSS"), 4, dataLines);
    window->RefreshList();
    QVERIFY(window->Choose(QStringLiteral("04.PSS")));
    window->TextBox()->Select(anchor, caret);
    const QString printed = window->TextBox()->HasSelection() && !wholeText
                                ? window->SelectedText()
                                : QString::fromStdString(Join(PassLines(4, dataLines), "\n"));
    expected += printed.split(QLatin1Char('\n'));
    while (expected.size() > 1 && expected.last().isEmpty()) expected.removeLast();
  }
  QSignalSpy printed(window, &PassFiles::Printed);

  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(Path(QStringLiteral("out.pdf")));
  QVERIFY(window->PrintTo(printer, wholeText));
  const std::vector<Page> pages = ReadBack(printer.outputFileName(), printer);
  QVERIFY(int(pages.size()) >= minPages);
  QVERIFY(int(pages.size()) <= maxPages);
  QCOMPARE(printed.count(), 1);
  QCOMPARE(printed.at(0).at(0).toBool(), true);
  QCOMPARE(printed.at(0).at(1).toInt(), int(pages.size()));
  const QStringList rows = Flatten(pages);
  if (dataLines < 0) {
    QVERIFY(rows.isEmpty());
  } else {
    QCOMPARE(rows, expected);
  }
  // Margins of at least 15 mm all round.
  const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
  QVERIFY(margins.left() >= 14.99 && margins.top() >= 14.99 && margins.right() >= 14.99 &&
          margins.bottom() >= 14.99);
}

void PassFilesTest::printerErrorIsReported() {
  WritePass(QStringLiteral("04.PSS"), 4, 3);
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("04.PSS")));
  QSignalSpy printed(window, &PassFiles::Printed);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(Path(QStringLiteral("missing/folder/out.pdf")));
  QVERIFY(!window->PrintTo(printer));
  QCOMPARE(window->Message(), QStringLiteral("Printing failed: the printer could not be used."));
  QCOMPARE(printed.count(), 1);
  QCOMPARE(printed.at(0).at(0).toBool(), false);
}

void PassFilesTest::printDialog_data() {
  QTest::addColumn<bool>("selection");
  QTest::addColumn<bool>("accept");
  QTest::newRow("selection, cancelled") << true << false;
  QTest::newRow("no selection, cancelled") << false << false;
  QTest::newRow("selection, printed to file") << true << true;
}

void PassFilesTest::printDialog() {
  QFETCH(bool, selection);
  QFETCH(bool, accept);
  WritePass(QStringLiteral("04.PSS"), 4, 10);
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("04.PSS")));
  if (selection) window->TextBox()->Select({7, 16}, {8, 22});
  const QString pdf = Path(QStringLiteral("dialog.pdf"));
  window->Printer().setOutputFormat(QPrinter::PdfFormat);
  window->Printer().setOutputFileName(pdf);
  QSignalSpy printed(window, &PassFiles::Printed);

  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
  QPrintDialog* dialog = nullptr;
  QTRY_VERIFY((dialog = window->findChild<QPrintDialog*>()) != nullptr);
  QTRY_VERIFY(dialog->isVisible());
  QCOMPARE(dialog->testOption(QAbstractPrintDialog::PrintSelection), selection);
  QVERIFY(!dialog->testOption(QAbstractPrintDialog::PrintPageRange));
  QCOMPARE(dialog->printRange(),
           selection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
  QVERIFY(window->isVisible());  // not blocked behind a nested loop

  if (!accept) {
    dialog->reject();
    QTRY_VERIFY(window->findChild<QPrintDialog*>() == nullptr);
    QCOMPARE(printed.count(), 0);
    QVERIFY(!QFile::exists(pdf));
    return;
  }
  dialog->accept();
  QTRY_COMPARE(printed.count(), 1);
  QCOMPARE(printed.at(0).at(0).toBool(), true);
  QVERIFY(QFile::exists(pdf));
  if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
    const QStringList rows = Flatten(ReadBack(pdf, window->Printer()));
    QCOMPARE(rows, (QStringList{QString()} + window->SelectedText().split(QLatin1Char('\n'))));
  }
}

void PassFilesTest::mouseSelectsCells() {
  WritePass(QStringLiteral("04.PSS"), 4, 10);
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("04.PSS")));
  PassTextView* view = window->TextBox();
  QSignalSpy changed(view, &PassTextView::SelectionChanged);
  // Line 7 holds " 000006         0119.2          0350            0016".
  const QRectF from = view->CellRect({7, 16});
  const QRectF to = view->CellRect({7, 22});
  QWidget* viewport = view->viewport();
  QTest::mousePress(viewport, Qt::LeftButton, {},
                    QPoint(int(from.left()) + 1, int(from.center().y())));
  QTest::mouseMove(viewport, QPoint(int(to.left()) + 1, int(to.center().y())));
  QTest::mouseRelease(viewport, Qt::LeftButton, {},
                      QPoint(int(to.left()) + 1, int(to.center().y())));
  QCOMPARE(window->SelectedText(), QStringLiteral("0119.2"));
  QVERIFY(changed.count() >= 1);

  // Selected cells are drawn on the highlight colour, their neighbours on the base colour.
  const QImage image = viewport->grab().toImage();
  const QColor highlight = view->palette().color(QPalette::Highlight);
  const QColor base = view->palette().color(QPalette::Base);
  for (std::size_t column = 16; column < 22; ++column) {
    const QRectF cell = view->CellRect({7, column});
    QCOMPARE(QColor(image.pixel(int(cell.center().x()), int(cell.top()) + 1)), highlight);
  }
  for (std::size_t column : {15u, 22u}) {
    const QRectF cell = view->CellRect({7, column});
    QCOMPARE(QColor(image.pixel(int(cell.center().x()), int(cell.top()) + 1)), base);
  }
  const QRectF other = view->CellRect({8, 18});
  QCOMPARE(QColor(image.pixel(int(other.center().x()), int(other.top()) + 1)), base);

  // A double click takes the whole number under the mouse.
  const QRectF diameter = view->CellRect({8, 34});
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, diameter.center().toPoint());
  QCOMPARE(window->SelectedText(), QStringLiteral("0350"));
}

void PassFilesTest::keyboardSelects_data() {
  QTest::addColumn<Position>("start");
  QTest::addColumn<QKeySequence>("keys");
  QTest::addColumn<QString>("selected");
  const std::vector<std::string> lines = PassLines(4, 3);
  QTest::newRow("shift end") << Position{1, 1} << QKeySequence(Qt::SHIFT | Qt::Key_End)
                             << QString::fromStdString(lines[1].substr(1));
  QTest::newRow("shift down takes the line end")
      << Position{5, 0} << QKeySequence(Qt::SHIFT | Qt::Key_Down)
      << QString::fromStdString(lines[5] + "\n");
  QTest::newRow("shift left over a line end")
      << Position{6, 1}
      << QKeySequence(Qt::SHIFT | Qt::Key_Left, Qt::SHIFT | Qt::Key_Left, Qt::SHIFT | Qt::Key_Left)
      << QString::fromStdString(lines[5].substr(lines[5].size() - 1) + "\n ");
  QTest::newRow("select all") << Position{3, 3} << QKeySequence(QKeySequence::SelectAll)
                              << QString::fromStdString(Join(lines, "\n"));
  QTest::newRow("moving without shift selects nothing")
      << Position{3, 3} << QKeySequence(Qt::Key_Right, Qt::Key_Down, Qt::Key_End) << QString();
}

void PassFilesTest::keyboardSelects() {
  QFETCH(Position, start);
  QFETCH(QKeySequence, keys);
  QFETCH(QString, selected);
  WritePass(QStringLiteral("04.PSS"), 4, 3);
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("04.PSS")));
  PassTextView* view = window->TextBox();
  view->setFocus();
  view->Select(start, start);
  QTest::keySequence(view, keys);
  QCOMPARE(window->SelectedText(), selected);
  QTest::keySequence(view, QKeySequence::Copy);
  if (!selected.isEmpty()) QCOMPARE(QApplication::clipboard()->text(), selected);
}

void PassFilesTest::columnsLineUpOnScreen() {
  WritePass(QStringLiteral("04.PSS"), 4, 10);
  PassFiles* window = Open();
  QVERIFY(window);
  QVERIFY(window->Choose(QStringLiteral("04.PSS")));
  PassTextView* view = window->TextBox();
  const QImage image = view->viewport()->grab().toImage();
  // Every data line: items at columns 2, 17, 33 and 49 (cells 1, 16, 32, 48), blanks between.
  for (std::size_t line = 5; line < 15; ++line) {
    for (std::size_t column : {1u, 6u, 16u, 21u, 32u, 35u, 48u, 51u}) {
      QVERIFY2(HasInk(image, view->CellRect({line, column}).adjusted(1, 0, -1, 0)),
               qPrintable(QStringLiteral("no ink at line %1 cell %2").arg(line).arg(column)));
    }
    for (std::size_t column : {0u, 7u, 15u, 22u, 31u, 36u, 47u, 52u}) {
      QVERIFY2(!HasInk(image, view->CellRect({line, column}).adjusted(1, 0, -1, 0)),
               qPrintable(QStringLiteral("ink at line %1 cell %2").arg(line).arg(column)));
    }
  }
}

void PassFilesTest::layoutShowsWholePassLines() {
  WritePass(QStringLiteral("03.PSS"), 3, 40);
  WritePass(QStringLiteral("04.PSS"), 4, 25);
  PassFiles* window = Open();
  QVERIFY(window);
  QCOMPARE(window->windowTitle(), QStringLiteral("Orlix / Pass Files"));
  auto* list = window->findChild<QListWidget*>(QStringLiteral("File1"));
  auto* view = window->findChild<PassTextView*>(QStringLiteral("RichTextBox1"));
  auto* print = window->findChild<QPushButton*>(QStringLiteral("Command1"));
  auto* close = window->findChild<QPushButton*>(QStringLiteral("Command2"));
  QVERIFY(list && view && print && close);
  QCOMPARE(print->text(), QStringLiteral("Print"));
  QCOMPARE(print->toolTip(), QStringLiteral("Send to printer"));
  QCOMPARE(close->text(), QStringLiteral("Close"));
  QCOMPARE(close->toolTip(), QStringLiteral("Close window"));
  QVERIFY(window->Choose(QStringLiteral("04.PSS")));
  view->Select({7, 16}, {9, 22});

  // List on the left, text on the right, buttons below; a 53-column line fits unscrolled.
  QVERIFY(list->geometry().right() < view->geometry().left());
  QVERIFY(print->geometry().top() > view->geometry().bottom());
  QVERIFY(close->geometry().left() > print->geometry().right());
  QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
  QVERIFY(view->viewport()->width() >= view->CellRect({0, 53}).left());

  const QString shots = qEnvironmentVariable("ORLIX_SHOTS");
  if (!shots.isEmpty()) {
    QVERIFY(window->grab().save(shots + QStringLiteral("/passfiles.png")));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(shots + QStringLiteral("/passfiles.pdf"));
    QVERIFY(window->PrintTo(printer, true));
  }
}

void PassFilesTest::closeDeletesTheWindow() {
  PassFiles* window = Open();
  QVERIFY(window);
  QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
  QTRY_VERIFY(window_.isNull());
}

QTEST_MAIN(PassFilesTest)
#include "test_passfiles_window.moc"
