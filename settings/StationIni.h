#pragma once
// The station's own settings file "station.ini" in the working directory: the one place that
// reads and writes it. People edit it by hand, also while the station runs, so every read
// takes the file as it is now, and a write changes only the values it is given: comments,
// blank lines, unknown keys, other groups, the order and the line ends stay byte for byte.
//
// The text is the INI form QSettings writes and reads: "[group]" lines, "key=value" lines
// (blanks around '=' allowed), comment lines starting with ';' or '#', and a ';' outside
// quotes ending a value. A value in double quotes keeps its blanks; QSettings' escapes
// (\" \\ \t \n \r ...) are decoded. Keys outside any group belong to none. A key written
// twice in a group reads as its last line.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Platform.h"
#include "passfiles/Tolerance.h"

namespace orlix {

inline constexpr const char* kStationIni = "station.ini";

// The tolerance of a pass, group [quality].
inline constexpr const char* kToleranceGroup = "quality";

// The tolerance as station.ini holds it: a missing key keeps its side's default; a value
// that is not a number, or a tolerance that breaks the rule of Tolerance.h, is a problem,
// and then no pass may take limits from it.
struct ToleranceSetting {
  Tolerance tolerance;  // what could be read (a side that is not a number: NaN)
  std::string problem;  // "station.ini: tolerance_minus_um is below 0"; empty: usable
};

// Far more than a settings file needs; a larger file is neither read nor written.
inline constexpr std::size_t kMaxStationIniBytes = 1024 * 1024;

class StationIni {
 public:
  using Keys = std::map<std::string, std::string>;
  using Values = std::vector<std::pair<std::string, std::string>>;

  explicit StationIni(FileAccess& files) : files_(files) {}
  // Where the file is, as the operator should read it in a message.
  std::string Location() const { return files_.Location(); }

  // The keys of a group as written and their values: trimmed, unquoted and unescaped; an
  // unquoted list stays one text ("127.0.0.1, 10.1.2.0/24"). Empty when the file or the
  // group is missing or the file cannot be read.
  Keys Group(const std::string& name) const;
  // Whether the file has a "[name]" line (a group may be there without keys).
  bool HasGroup(const std::string& name) const;

  // Sets the keys of a group: an existing key's value is replaced where it stands (every
  // line of it in the group), a missing key goes after the group's last key line (after its
  // "[group]" line when it has none), a missing group is appended at the end. New lines take
  // the file's own line end. A value that needs it is written in quotes with escapes. The
  // file is replaced atomically, and only when its text changes; false, with the file as it
  // was, when it cannot be read or written.
  bool Write(const std::string& group, const Values& values);
  // Removes every line of the keys in the group, the group's other lines and the rest of the
  // file as they are; true also when none of them was there (nothing is written then).
  bool Remove(const std::string& group, const std::vector<std::string>& keys);

  // Group [quality]; the default of each value that is missing or not a number.
  ToleranceSetting ReadTolerance() const;
  // Both values in list form ("3", "12.5").
  bool WriteTolerance(const Tolerance& tolerance);

 private:
  FileAccess& files_;
};

}  // namespace orlix
