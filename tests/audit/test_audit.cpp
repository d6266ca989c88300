// The audit trail: its chain across renamed files, and every kind of tampering found at the
// file and line where it was done.
#include <gtest/gtest.h>

#include <functional>

#include "audit/AuditLog.h"
#include "audit/SettingsWatch.h"
#include "tests/support/FakePlatform.h"

namespace orlix::audit {
namespace {

using Files = std::map<std::string, std::string>;

// Each file as its lines, with their line feeds.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size() - 1);
    lines.push_back(text.substr(start, end + 1 - start));
    start = end + 1;
  }
  return lines;
}
std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

// Seven events with audit.log renamed every two lines, written by two runs of the program:
// audit.log.1 .. audit.log.3 hold two lines each, audit.log the seventh.
struct Trail : ::testing::Test {
  testing::MemoryFileAccess files;
  int clock = 0;
  std::function<std::string()> now = [this] {
    return "2026-12-08T10:00:0" + std::to_string(clock++) + "+01:00";
  };

  void Write(int events, std::size_t rotate = 250) {
    for (int run = 0; run < 2; ++run) {
      AuditLog log(files, now, rotate);
      for (int i = run * 4; i < std::min(events, run * 4 + 4); ++i)
        ASSERT_TRUE(log.Append("operator", "window", "event", "number " + std::to_string(i)));
    }
  }
};

TEST_F(Trail, RenamesFullFilesAndChainsAcrossThem) {
  Write(7);
  std::vector<std::string> names;
  for (const auto& [name, text] : files.files) {
    names.push_back(name);
    EXPECT_LE(text.size(), 250u) << name;
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"audit.log", "audit.log.1", "audit.log.2", "audit.log.3"}));
  EXPECT_EQ(Lines(files.files["audit.log.2"]).size(), 2u);
  const VerifyResult result = VerifyAudit(files);
  EXPECT_TRUE(result.intact) << VerifyText(result);
  EXPECT_EQ(VerifyText(result), "audit.log: chain intact, 7 lines in 4 files");
}

TEST_F(Trail, FindsTheFirstBrokenLine) {
  // Each row changes the lines of one file: `edited`, or else the file of the first broken line.
  // A file left without lines is removed.
  using Text = std::vector<std::string>;
  struct Row {
    const char* what;
    const char* file;  // the first broken line
    std::size_t line;
    std::function<void(Text&)> change;
    const char* edited = nullptr;
  };
  const std::vector<Row> rows = {
      {"edited line", "audit.log.2", 2, [](Text& l) { l[1].replace(l[1].find("number"), 1, "N"); }},
      {"removed line", "audit.log.2", 1, [](Text& l) { l.erase(l.begin()); }},
      {"swapped lines", "audit.log.1", 1, [](Text& l) { std::swap(l[0], l[1]); }},
      {"line added by hand", "audit.log", 2,
       [](Text& l) {
         l.push_back("2026-12-08T11:00:00+01:00\toperator\twindow\tevent\tadded\t" +
                     std::string(64, 'a') + "\n");
       }},
      {"last line cut short", "audit.log", 1, [](Text& l) { l[0].resize(l[0].size() - 10); }},
      {"line feed lost", "audit.log", 1, [](Text& l) { l[0].pop_back(); }},
      {"file removed", "audit.log.3", 1, [](Text& l) { l.clear(); }, "audit.log.2"},
      {"edited with its own hash made anew", "audit.log.2", 1,
       [](Text& l) {
         const std::string fields =
             "2026-12-08T10:00:01+01:00\toperator\twindow\tevent\tnumber 9\t";
         l[1] = fields + Sha256Hex(l[0].substr(0, l[0].size() - 1) + fields) + "\n";
       },
       "audit.log.1"},
  };
  Write(7);
  const Files clean = files.files;
  for (const Row& row : rows) {
    files.files = clean;
    const std::string name = row.edited ? row.edited : row.file;
    Text lines = Lines(files.files[name]);
    row.change(lines);
    files.files[name] = Join(lines);
    if (lines.empty()) files.files.erase(name);
    const VerifyResult result = VerifyAudit(files);
    EXPECT_FALSE(result.intact) << row.what;
    EXPECT_EQ(result.file, row.file) << row.what;
    EXPECT_EQ(result.line, row.line) << row.what;
  }
}

TEST_F(Trail, EscapedFieldsKeepOneLineAndComeBackWhole) {
  AuditLog log(files, now);
  const std::string text = "a\tb\nc\\n d\r";
  ASSERT_TRUE(log.Append("operator", "modbus\t10.0.0.5", "config", text));
  ASSERT_EQ(Lines(files.files["audit.log"]).size(), 1u);
  const auto parsed =
      ParseLine(files.files["audit.log"].substr(0, files.files["audit.log"].size() - 1));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->first.text, text);
  EXPECT_EQ(parsed->first.source, "modbus\t10.0.0.5");
  EXPECT_TRUE(VerifyAudit(files).intact);
}

TEST_F(Trail, AFailedAppendIsReportedAndTheChainGoesOn) {
  AuditLog log(files, now);
  ASSERT_TRUE(log.Append("operator", "window", "event", "one"));
  const std::string before = files.files["audit.log"];
  files.failAppend = true;
  EXPECT_FALSE(log.Append("operator", "window", "event", "lost"));
  EXPECT_EQ(files.files["audit.log"], before);
  files.failAppend = false;
  ASSERT_TRUE(log.Append("operator", "window", "event", "two"));
  EXPECT_EQ(VerifyText(VerifyAudit(files)), "audit.log: chain intact, 2 lines in 1 files");
}

TEST_F(Trail, AnUnreadableFileIsNamed) {
  Write(3);
  files.failReads = true;
  EXPECT_EQ(VerifyText(VerifyAudit(files)), "audit.log.1: cannot be read");
}

// The trail's window: days and kind chosen, the newest rows kept, and a broken chain shown
// with every event still listed.
TEST_F(Trail, AViewFiltersByDayAndKindAndReadsPastABreak) {
  const std::vector<std::pair<std::string, std::string>> events = {
      {"2026-12-06T23:59:59+01:00", "fit"},
      {"2026-12-07T00:00:00+01:00", "config"},
      {"2026-12-07T12:00:00+01:00", "fit"},
      {"2026-12-08T08:00:00+01:00", "fit"},
      {"2026-12-09T00:00:00+01:00", "config"}};
  std::size_t next = 0;
  AuditLog log(
      files, [&] { return events[next].first; }, 200);  // a line a file
  for (; next < events.size(); ++next)
    ASSERT_TRUE(log.Append("operator", "window", events[next].second, std::to_string(next)));
  struct Row {
    TrailQuery query;
    std::string shown;
    std::size_t matched;
  };
  for (const Row& row : std::vector<Row>{{{"", "", "", 10}, "01234", 5},
                                         {{"2026-12-07", "2026-12-08", "", 10}, "123", 3},
                                         {{"2026-12-07", "2026-12-08", "fit", 10}, "23", 2},
                                         {{"", "", "fit", 1}, "3", 3}}) {
    const TrailView view = ReadTrail(files, row.query);
    std::string shown;
    for (const AuditEvent& e : view.events) shown += e.text;
    EXPECT_EQ(shown, row.shown) << row.query.from << row.query.kind;
    EXPECT_EQ(view.matched, row.matched) << row.query.from << row.query.kind;
    EXPECT_EQ(view.kinds, (std::vector<std::string>{"config", "fit"}));
    EXPECT_TRUE(view.check.intact);
  }
  std::string& middle = files.files["audit.log.3"];
  middle[middle.find("\t2\t") + 1] = '7';
  const TrailView view = ReadTrail(files, {});
  std::string shown;
  for (const AuditEvent& e : view.events) shown += e.text;
  EXPECT_EQ(shown, "01734");
  EXPECT_EQ(VerifyText(view.check),
            "audit.log.3 line 1: chain broken (edited, removed or reordered line)");
}

// station.ini's watched groups against the copy the trail keeps: one event per changed key,
// secrets never written, the tolerance left to the settings window's own event on request.
TEST_F(Trail, EditsOfStationIniAreLoggedOncePerKey) {
  AuditLog log(files, now);
  struct Row {
    std::string ini;
    const char* loggedElsewhere;
    std::vector<std::string> logged;
  };
  const std::vector<Row> rows = {
      {"[modbus]\nport=502\n[mqtt]\npassword=x\n[other]\nk=1\n",
       "",
       {"[modbus] port: (none) -> 502", "[mqtt] password: set"}},
      {"; a comment now\n[modbus]\nport = 502\n[mqtt]\npassword=x\n[other]\nk=2\n", "", {}},
      {"[modbus]\nport=1502\n[mqtt]\npassword=y\n[quality]\ntolerance_plus_um=3\n",
       "quality",
       {"[modbus] port: 502 -> 1502", "[mqtt] password: changed"}},
      {"[quality]\ntolerance_plus_um=3\n",
       "",
       {"[modbus] port: 1502 -> (none)", "[mqtt] password: removed"}},
  };
  std::size_t seen = 0;
  for (const Row& row : rows) {
    files.files["station.ini"] = row.ini;
    EXPECT_EQ(SettingsWatch(files, log).Check("engineer", "station.ini", row.loggedElsewhere),
              row.logged.size())
        << row.ini;
    const auto lines = Lines(files.files["audit.log"]);
    std::vector<std::string> logged;
    for (; seen < lines.size(); ++seen) {
      const auto parsed = ParseLine(lines[seen].substr(0, lines[seen].size() - 1));
      ASSERT_TRUE(parsed && parsed->first.kind == "settings" && parsed->first.level == "engineer");
      logged.push_back(parsed->first.text);
    }
    EXPECT_EQ(logged, row.logged) << row.ini;
  }
}

}  // namespace
}  // namespace orlix::audit
