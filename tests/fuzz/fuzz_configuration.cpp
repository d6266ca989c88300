// Fuzzes the configuration reader with arbitrary "QL_CFG.DAT" contents.
//
// Properties:
// - every value read is finite;
// - settings 0 to 11 do not depend on what the record held before the read, and settings
//   12 and 13 either come from the file or keep what they held;
// - the file the station would write for the record is fourteen list-form lines ended by
//   CR LF; read back, it gives the record's values to 15 significant digits, and writing
//   those gives the same file again.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Format.h"
#include "core/Settings.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/FakePlatform.h"

namespace {

using orlix::Cfgfile;
using orlix::kConfigurationFile;
using orlix::kSettingCount;
using orlix::SettingsRecord;
using orlix::fuzz::Exact;
using orlix::fuzz::Quoted;

SettingsRecord ReadFrom(std::string_view text, double prior) {
  orlix::testing::MemoryFileAccess files;
  files.files[kConfigurationFile] = std::string(text);
  SettingsRecord settings;
  settings.values.fill(prior);
  Cfgfile(files).ReadConfiguration(settings);
  return settings;
}

void CheckWrittenText(const std::string& text) {
  std::size_t pos = 0;
  int lines = 0;
  while (pos < text.size()) {
    const auto end = text.find(orlix::kLineEnd, pos);
    FUZZ_CHECK(end != std::string::npos, "unterminated line in " + Quoted(text));
    const std::string_view line(text.data() + pos, end - pos);
    FUZZ_CHECK(orlix::fuzz::IsListFormNumeral(line), "line " + Quoted(line));
    pos = end + orlix::kLineEnd.size();
    ++lines;
  }
  FUZZ_CHECK(lines == kSettingCount, std::to_string(lines) + " lines in " + Quoted(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const SettingsRecord first = ReadFrom(input, 7.0);
  const SettingsRecord second = ReadFrom(input, -3.0);
  for (int i = 0; i < kSettingCount; ++i) {
    FUZZ_CHECK(std::isfinite(first[i]), "settings[" + std::to_string(i) + "] = " + Exact(first[i]));
    if (i < orlix::Background) {
      FUZZ_CHECK(first[i] == second[i], "settings[" + std::to_string(i) + "] = " + Exact(first[i]) +
                                            " or " + Exact(second[i]) +
                                            " depending on the record before the read");
    } else {
      FUZZ_CHECK(first[i] == second[i] || (first[i] == 7.0 && second[i] == -3.0),
                 "settings[" + std::to_string(i) + "] = " + Exact(first[i]) + " / " +
                     Exact(second[i]) + ": neither read nor kept");
    }
  }

  for (const double v : first.values) {
    if (orlix::fuzz::BeyondLargest(v) && orlix::fuzz::Tolerated("beyond-largest")) return 0;
  }
  const std::string written = Cfgfile::ConfigurationText(first);
  CheckWrittenText(written);
  const SettingsRecord reread = ReadFrom(written, 5.0);
  for (int i = 0; i < kSettingCount; ++i) {
    FUZZ_CHECK(orlix::fuzz::ReadsBackFrom(reread[i], first[i]),
               "settings[" + std::to_string(i) + "] " + Exact(first[i]) + " written as " +
                   Quoted(written) + " reads back as " + Exact(reread[i]));
  }
  FUZZ_CHECK(Cfgfile::ConfigurationText(reread) == written,
             Quoted(written) + " read and written again changes");
  return 0;
}
