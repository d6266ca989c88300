// The engineer level's logic: the PIN's hash against independent references and stored texts
// that must not read, station.ini's [access], and the lock-out and the session's time on the
// fake clock.
#include <gtest/gtest.h>

#include "access/Access.h"
#include "settings/StationIni.h"
#include "tests/support/FakePlatform.h"

#define ROWS(...) std::vector({__VA_ARGS__})  // the first row names the type: tuple{1, "a"}

namespace orlix::access {
namespace {

constexpr std::uint32_t kFew = 1000;  // iterations for the tests' own hashes

// RFC 7914 section 11 (first 32 bytes), and `openssl kdf -keylen 32 -kdfopt digest:SHA256
// -kdfopt pass:2468 -kdfopt hexsalt:00112233445566778899aabbccddeeff -kdfopt iter:1000 PBKDF2`.
constexpr const char* kRfcHash = "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc";
constexpr const char* kCliStored =
    "pbkdf2-sha256$1000$00112233445566778899aabbccddeeff$"
    "23ad2daa4e59be477bd7ef0eb0dc22c3e4f52a97976a7824b1a17a910ff6bc66";

TEST(PinHash, MatchesIndependentReferences) {
  EXPECT_EQ(StoredText({1, "", DerivePin("passwd", "salt", 1)}),
            std::string("pbkdf2-sha256$1$$") + kRfcHash);
  const auto stored = ParseStored(kCliStored);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->iterations, 1000u);
  EXPECT_TRUE(CheckPin(*stored, "2468"));
  EXPECT_FALSE(CheckPin(*stored, "2469"));
  EXPECT_EQ(StoredText(*stored), kCliStored);
}

TEST(PinHash, RoundTripWithAFreshSaltEachTime) {
  const auto a = HashPin("0042", kFew), b = HashPin("0042", kFew);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->salt, b->salt);
  const std::string text = StoredText(*a);
  EXPECT_EQ(text.find("0042"), std::string::npos);
  const auto read = ParseStored(text);
  ASSERT_TRUE(read);
  EXPECT_TRUE(CheckPin(*read, "0042"));
  EXPECT_FALSE(CheckPin(*read, "00420"));
}

TEST(PinHash, PinsAreFourToEightDigits) {
  for (const char* pin : {"0000", "12345678"}) EXPECT_TRUE(IsValidPin(pin)) << pin;
  for (const char* pin : {"", "123", "123456789", "12a4", " 1234", "1234 ", "12.4", "-123"})
    EXPECT_FALSE(IsValidPin(pin)) << pin;
}

// The reference's stored text with one piece spoiled (`from` replaced by `to`), or another
// text altogether (`from` empty).
TEST(PinHash, GarbageDoesNotRead) {
  for (const auto& [from, to] :
       ROWS(std::pair{"", ""}, {"", "pbkdf2-sha256$1000$"}, {"sha256", "sha1"}, {"$1000$", "$0$"},
            {"$1000$", "$01000$"}, {"$1000$", "$$"}, {"$1000$", "$10000001$"},
            {"$1000$", "$99999999999$"}, {"eeff$", "ee$"}, {"8899", "889X"}, {"bc66", "bc6"},
            {"bc66", "bc6600"}, {"bc66", "bc66$"})) {
    std::string text = to;
    if (*from) {
      text = kCliStored;
      text.replace(text.find(from), std::string_view(from).size(), to);
    }
    EXPECT_FALSE(ParseStored(text)) << text;
  }
}

// [access] as station.ini holds it: off without pin_hash, the session's minutes, and a
// pin_hash that does not read keeps the entry closed to every PIN, the right one included.
TEST(AccessIni, ReadFromStationIni) {
  for (const auto& [text, required, sessionSeconds, readable] :
       ROWS(std::tuple{std::string("[quality]\ntolerance_plus_um=3\n"), false, 300.0, true},
            {"[access]\nsession_min=2\n", false, 120, true},
            {std::string("[access]\nsession_min=0\npin_hash=") + kCliStored, true, 300, true},
            {"[access]\nsession_min=ten\npin_hash=2468\n", true, 300, false},
            {"[access]\npin_hash=\n", true, 300, false},
            {"[other]\npin_hash=x\n[access]\nsession_min=1441\n", false, 300, true})) {
    testing::MemoryFileAccess files;
    files.files[kStationIni] = text;
    const AccessSettings s = ReadAccessSettings(StationIni(files));
    EXPECT_EQ(s.pinSet, required) << text;
    EXPECT_EQ(s.sessionSeconds, sessionSeconds) << text;
    EXPECT_EQ(s.problem.empty(), readable) << text;
    if (!readable) {
      testing::FakeClock clock;
      Session session(clock, s);
      EXPECT_EQ(session.Enter("2468").result, Attempt::Result::kUnreadable);
      EXPECT_FALSE(session.Active());
    }
  }
}

TEST(SetPin, WritesOnlyAValidPinsHashAndClears) {
  testing::MemoryFileAccess files;
  const std::string before = "; station\n[quality]\ntolerance_plus_um=3\n";
  files.files[kStationIni] = before;
  StationIni ini(files);
  for (const char* bad : {"123", "12a45", ""}) EXPECT_FALSE(SetPin(ini, bad, kFew).ok) << bad;
  files.failReplace = true;
  EXPECT_FALSE(SetPin(ini, "2468", kFew).ok);
  EXPECT_EQ(files.files[kStationIni], before);
  files.failReplace = false;
  ASSERT_TRUE(SetPin(ini, "2468", kFew).ok);
  const AccessSettings set = ReadAccessSettings(ini);
  ASSERT_TRUE(set.pin);
  EXPECT_TRUE(CheckPin(*set.pin, "2468"));
  EXPECT_EQ(files.files[kStationIni].find("2468"), std::string::npos);
  ASSERT_TRUE(ClearPin(ini).ok);
  EXPECT_FALSE(ReadAccessSettings(ini).pinSet);
  EXPECT_EQ(files.files[kStationIni], before + "\n[access]\n");
}

// A run of the entry and the session on the fake clock: at each time (seconds) a PIN entered,
// or operator input ("" ), and what follows.
struct Step {
  double at;
  const char* pin;   // "": operator input
  const char* text;  // what the PIN window says after a PIN; "started" when a session began
  bool active;       // a session runs after the step
};
// Rows: the run's name, its steps, and the sessions that ended for want of input.
TEST(Entry, LockOutAndSessionTime) {
  for (const auto& [name, steps, timeoutsExpected] :
       ROWS(std::tuple{"five_wrong_lock_a_minute_even_for_the_right_pin",
                       std::vector<Step>{{0, "1111", "Wrong PIN, 4 tries left", false},
                                         {1, "1111", "Wrong PIN, 3 tries left", false},
                                         {2, "1111", "Wrong PIN, 2 tries left", false},
                                         {3, "1111", "Wrong PIN, 1 try left", false},
                                         {4, "1111", "Wrong PIN. Locked for 60 s", false},
                                         {63.5, "2468", "Locked for 1 s", false},
                                         {64, "1111", "Wrong PIN, 4 tries left", false},
                                         {65, "2468", "started", true}},
                       0},
            {"the_right_pin_resets_the_count",
             {{0, "1111", "Wrong PIN, 4 tries left", false},
              {1, "1111", "Wrong PIN, 3 tries left", false},
              {2, "1111", "Wrong PIN, 2 tries left", false},
              {3, "1111", "Wrong PIN, 1 try left", false},
              {4, "2468", "started", true},
              {5, "1111", "Wrong PIN, 4 tries left", true}},
             0},
            {"input_extends_then_it_times_out",
             {{10, "2468", "started", true},
              {129.9, "", "", true},
              {249.8, "", "", true},
              {369.8, "", "", false},
              {370, "", "", false}},
             1},
            {"times_out_and_the_pin_starts_a_new_one",
             {{0, "2468", "started", true}, {120, "", "", false}, {121, "2468", "started", true}},
             1})) {
    testing::FakeClock clock;
    AccessSettings settings;
    settings.pinSet = true;
    settings.pin = HashPin("2468", kFew);
    settings.sessionSeconds = 120;
    Session session(clock, settings);
    int timeouts = 0;
    for (const Step& step : steps) {
      clock.now = step.at;
      if (session.TimedOut()) ++timeouts;
      if (*step.pin) {
        const Attempt attempt = session.Enter(step.pin);
        const std::string text = attempt.result == Attempt::Result::kStarted
                                     ? "started"
                                     : AttemptText(attempt, settings.problem);
        EXPECT_EQ(text, step.text) << name << " at " << step.at;
      } else {
        session.Input();
      }
      EXPECT_EQ(session.Active(), step.active) << name << " at " << step.at;
    }
    EXPECT_EQ(timeouts, timeoutsExpected) << name;
  }
}

TEST(Closing, EndsTheSession) {
  testing::FakeClock clock;
  Session session(clock, {true, HashPin("2468", kFew), {}, 60});
  EXPECT_FALSE(session.Close());
  ASSERT_EQ(session.Enter("2468").result, Attempt::Result::kStarted);
  EXPECT_TRUE(session.Close());
  EXPECT_FALSE(session.Active());
  clock.Advance(61);
  EXPECT_FALSE(session.TimedOut());
}

}  // namespace
}  // namespace orlix::access
