#include "passfiles/PassFileWriter.h"

#include "base/Format.h"

namespace orlix {
namespace {

constexpr int kLengthColumn = 2;
constexpr int kThicknessColumn = 17;
constexpr int kDiameterColumn = 33;
constexpr int kWeightColumn = 49;

constexpr std::string_view kRuleLine = " =========================================";

void AddLine(std::string& text, std::string_view line) {
  text += line;
  text += kLineEnd;
}

}  // namespace

PrintLine& PrintLine::At(int column, std::string_view text) {
  const auto target = static_cast<std::size_t>(column > 1 ? column - 1 : 0);
  if (text_.size() - lineStart_ > target) {
    text_ += kLineEnd;
    lineStart_ = text_.size();
  }
  text_.append(target - (text_.size() - lineStart_), ' ');
  text_ += text;
  return *this;
}

std::string PrintLine::Finish() const {
  std::string line = text_;
  line += kLineEnd;
  return line;
}

std::string PassFileWriter::PassFileName(std::int16_t pass) {
  return FormatPattern(pass, "00") + ".PSS";
}

std::string PassFileWriter::HeaderText(std::int16_t pass, std::string_view date,
                                       std::string_view time) {
  std::string text;
  AddLine(text, " Orlix / Thickness Measurement & Control / Data");
  std::string second = " Pass No " + FormatPattern(pass, "00") + " ,    Date ";
  second += date;
  second += " ,   Time ";
  second += time;
  AddLine(text, second);
  AddLine(text, kRuleLine);
  text += PrintLine()
              .At(kLengthColumn, "L<m>")
              .At(kThicknessColumn, "T<mcm>")
              .At(kDiameterColumn, "D<mm>")
              .At(kWeightColumn, "W<kg>")
              .Finish();
  AddLine(text, kRuleLine);
  return text;
}

std::string PassFileWriter::DataLine(float length, float thickness, float rollDiam,
                                     float rollWeight) {
  return PrintLine()
      .At(kLengthColumn, FormatPattern(length, "000000"))
      .At(kThicknessColumn, FormatPattern(thickness, "0000.0"))
      .At(kDiameterColumn, FormatPattern(rollDiam, "0000"))
      .At(kWeightColumn, FormatPattern(rollWeight, "0000"))
      .Finish();
}

std::string PassFileWriter::EndText(double average, double deviation) {
  std::string text;
  AddLine(text, "");
  AddLine(text, " Average Thickness " + FormatPattern(average, "###0.0#") + " ,   MS Deviation " +
                    FormatPattern(deviation, "##0.0#"));
  AddLine(text, " Thickness Distribution:");
  AddLine(text, kRuleLine);
  text += PrintLine().At(kLengthColumn, "T<mcm>").At(kThicknessColumn, "N").Finish();
  AddLine(text, kRuleLine);
  return text;
}

std::string PassFileWriter::HistoLine(double x, double n) {
  return PrintLine()
      .At(kLengthColumn, FormatPattern(x, "0000.0"))
      .At(kThicknessColumn, FormatPattern(n, "0000"))
      .Finish();
}

bool PassFileWriter::WriteFileHeader(std::int16_t pass) {
  return files_.Replace(PassFileName(pass), HeaderText(pass, clock_.DateText(), clock_.TimeText()));
}

bool PassFileWriter::AddFileData(std::int16_t pass, float length, float thickness, float rollDiam,
                                 float rollWeight) {
  return files_.Append(PassFileName(pass), DataLine(length, thickness, rollDiam, rollWeight));
}

bool PassFileWriter::WriteFileEnd(std::int16_t pass, double average, double deviation) {
  return files_.Append(PassFileName(pass), EndText(average, deviation));
}

bool PassFileWriter::WriteHistoPoint(std::int16_t pass, double x, double n) {
  return files_.Append(PassFileName(pass), HistoLine(x, n));
}

}  // namespace orlix
