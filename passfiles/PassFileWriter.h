#pragma once
// The pass file: one plain-text file per pass, named after the pass number ("07.PSS"),
// with a header, one data line per file-output period, and at the end the pass's average,
// MS deviation and thickness histogram. Lines end in CR LF; items stand at the print
// columns 2, 17, 33 and 49.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Platform.h"
#include "core/MeasurementCycle.h"

namespace orlix {

// Builds one or more lines from items placed at print columns: column 1 is a line's first
// character, blanks fill up to an item's column, and an item whose column the line has
// already passed goes to that column on a new line.
class PrintLine {
 public:
  // Places text at the column (1-based).
  PrintLine& At(int column, std::string_view text);
  // The text with its closing CR LF.
  std::string Finish() const;

 private:
  std::string text_;
  std::size_t lineStart_ = 0;
};

// The measurement cycle records its passes through the writer.
class PassFileWriter final : public PassRecorder {
 public:
  PassFileWriter(FileAccess& files, Clock& clock) : files_(files), clock_(clock) {}

  // Each operation writes its lines and returns whether they reached the file; a false
  // result leaves the file as it was (never part of a line) and the caller may go on.

  // Creates the pass file, or empties an existing one, and writes the header with the
  // clock's date and time texts.
  bool WriteFileHeader(std::int16_t pass) override;
  // Appends one data line: strip length in m, thickness in µm, roll diameter in mm, roll
  // weight in kg. Creates the file if it is missing.
  bool AddFileData(std::int16_t pass, float length, float thickness, float rollDiam,
                   float rollWeight) override;
  // Appends the end block: an empty line, average and MS deviation, the histogram heading.
  bool WriteFileEnd(std::int16_t pass, double average, double deviation) override;
  // Appends one histogram line: bin thickness x in µm and bin count n (a whole number).
  bool WriteHistoPoint(std::int16_t pass, double x, double n) override;

  // "00.PSS" for pass 0, "07.PSS" for 7, "123.PSS" for 123.
  static std::string PassFileName(std::int16_t pass);

  // The texts the operations write, CR LF included.
  static std::string HeaderText(std::int16_t pass, std::string_view date, std::string_view time);
  static std::string DataLine(float length, float thickness, float rollDiam, float rollWeight);
  static std::string EndText(double average, double deviation);
  static std::string HistoLine(double x, double n);

 private:
  FileAccess& files_;
  Clock& clock_;
};

}  // namespace orlix
