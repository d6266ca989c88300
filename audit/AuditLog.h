#pragma once
// The station's audit trail: "audit.log" in the working directory, one UTF-8 line per event,
//   <time>\t<level>\t<source>\t<kind>\t<text>\t<hash>
// where hash is the SHA-256 (64 lower-case hex digits) of the previous line's full text (its
// own hash included, without the line feed) followed by this line's text up to and including
// the tab before the hash. The first line of the chain hashes kChainSeed in place of a
// previous line. Tabs, line feeds, carriage returns and backslashes inside a field are written
// \t, \n, \r and \\. So an edited, removed or reordered line breaks the chain at that line.
//
// The file is only ever appended to. When a line would take it past kRotateBytes it is renamed
// audit.log.<n>, n one more than the highest number there (audit.log.1 is the oldest), and a
// fresh audit.log continues the chain from the last line of the renamed file. No file of the
// trail is ever rewritten or removed by the station.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Platform.h"

namespace orlix::audit {

inline constexpr const char* kAuditFile = "audit.log";
inline constexpr std::size_t kRotateBytes = std::size_t{1} << 20;
inline constexpr std::string_view kChainSeed = "audit-chain-1";

struct AuditEvent {
  std::string time;    // ISO 8601 with the offset from UTC
  std::string level;   // "operator" or "engineer"
  std::string source;  // "window", "modbus 10.0.0.5", "program"
  std::string kind;    // "config", "pass-start", "alarm"... (README.md)
  std::string text;
};

// A field as it is written: \, tab, line feed and carriage return escaped.
std::string Escape(std::string_view field);
// The SHA-256 of the bytes, in lower-case hex.
std::string Sha256Hex(std::string_view bytes);
// The fields of a line, split at its tabs and unescaped; nothing when an escape in it is not
// one of the four.
std::optional<std::vector<std::string>> Fields(std::string_view line);
// The event of a line and its hash; nothing when the line has not exactly six fields or an
// escape in it is not one of the four.
std::optional<std::pair<AuditEvent, std::string>> ParseLine(std::string_view line);

// The trail's files, oldest first: audit.log.1, audit.log.2, ..., audit.log.
std::vector<std::string> TrailFiles(FileAccess& files);

class AuditLog {
 public:
  // `now` gives the time of each event; audit.log is renamed before it passes rotateBytes.
  AuditLog(FileAccess& files, std::function<std::string()> now,
           std::size_t rotateBytes = kRotateBytes);

  // Appends the event as one line, renaming the file first when it is full. False when the
  // line could not be written (the chain then goes on from the last line written).
  bool Append(std::string_view level, std::string_view source, std::string_view kind,
              std::string_view text);
  // Called with each event once its line is in the file (one observer; a new one replaces it).
  void OnAppended(std::function<void(const AuditEvent&)> observer) {
    observer_ = std::move(observer);
  }

  // The level of the station's events now: what `level` says ("engineer" during an engineer
  // session), "operator" while it is not set.
  void SetLevel(std::function<std::string()> level) { level_ = std::move(level); }
  std::string Level() const { return level_ ? level_() : std::string("operator"); }

 private:
  // The last line of the trail and the size of audit.log, read once.
  void Find();

  FileAccess& files_;
  std::function<std::string()> now_;
  std::size_t rotateBytes_;
  std::function<std::string()> level_;
  bool found_ = false;
  std::string last_;       // the previous line's text, or the seed
  std::size_t size_ = 0;   // bytes in audit.log
  bool openLine_ = false;  // audit.log ends without a line feed
  std::function<void(const AuditEvent&)> observer_;
};

struct VerifyResult {
  bool intact = true;
  std::size_t lines = 0;  // lines checked
  std::size_t files = 0;  // files of the trail
  std::string file;       // where the chain breaks
  std::size_t line = 0;   // 1-based, in `file`
  std::string problem;    // what is wrong there
};

// Checks the chain through every file of the trail, oldest first, and stops at the first
// broken line. An empty or missing trail is intact.
VerifyResult VerifyAudit(FileAccess& files);
// What the trail's window shows: the events of some days and of one kind.
struct TrailQuery {
  std::string from, to;  // first and last day, "2026-12-08", by the date an event's time
                         // begins with; empty: no bound
  std::string kind;      // empty: every kind
  std::size_t maxRows = 10000;
};
struct TrailView {
  std::vector<AuditEvent> events;  // the newest maxRows events that match, oldest first
  std::size_t matched = 0;         // all events that match
  std::vector<std::string> kinds;  // every kind in the trail, sorted
  VerifyResult check;              // the chain, checked on the way
};
// Reads every file of the trail, oldest first. Lines that are not events (cut short, not
// six fields) are left out of the view; the check names the first broken line.
TrailView ReadTrail(FileAccess& files, const TrailQuery& query);

// One line for the operator: "audit.log: chain intact, N lines in K files" or
// "audit.log.2 line 17: chain broken (edited, removed or reordered line)".
std::string VerifyText(const VerifyResult& result);

}  // namespace orlix::audit
