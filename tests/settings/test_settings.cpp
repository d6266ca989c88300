// The settings window's rules without the window: keypad entry with limits and wrap, tabs,
// Delete, typing, and what "Save" stores and writes.
#include <gtest/gtest.h>

#include "settings/SettingsEditor.h"
#include "tests/support/FakePlatform.h"

#define ROWS(...) std::vector({__VA_ARGS__})  // the first row names the type: tuple{1, "a"}

namespace orlix {
namespace {

// Values that "####0.##" rounds, one beyond the keypad limits, background and source with
// more decimals than shown.
SettingsRecord Sample() {
  SettingsRecord r;
  r.values = {80.125, 1234.567, 600, 0.015,    60, 1.5,      2,
              0.001,  31,       0,   2999.999, 2,  412.3456, 0.0004};
  return r;
}

// Plays a script: digits and '.' are keypad keys, 'E' Enter, 'D' Delete, 'T'n a tab,
// 'F'n (n in a..k for fields 0..10) puts the cursor into a field, 'Y'n"text" types it.
void Play(SettingsEditor& e, const std::string& script) {
  for (std::size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (c == 'E')
      e.KeyPress(SettingsEditor::kEnterKey);
    else if (c == '.')
      e.KeyPress(SettingsEditor::kPointKey);
    else if (c == 'D')
      e.Delete();
    else if (c == 'T')
      e.SelectTab(static_cast<std::int16_t>(script[++i] - '0'));
    else if (c == 'F')
      e.MakeCurrent(script[++i] - 'a');
    else if (c == 'Y') {
      const int field = script[++i] - 'a';
      const auto end = script.find('"', i + 2);
      e.TypeText(field, script.substr(i + 2, end - i - 2));
      i = end;
    } else
      e.KeyPress(static_cast<std::int16_t>(c - '0'));
  }
}

// Rows: the script, a field, its text afterwards, the current field and ClearOnKey afterwards.
TEST(Editing, KeysOnTheCurrentField) {
  for (const auto& [script, field, text, current, clearOnKey] :
       ROWS(std::tuple{"42.", 0, "42.", 0, 0}, {"4EE", 1, "1234.57", 2, 1},
            {"EEEE", 0, "80.13", 0, 1},  // Enter wraps within the tab
            {"T1E", 4, "0.1", 5, 1},     // a shown value beyond the limits
            {"T1EEE", 4, "0.1", 4, 1}, {"T1E12.5.3E", 5, "12.5.3", 6, 1}, {"T1D", 4, "", 4, 1},
            {"T13D45", 4, "45", 4, 0}, {"T1DE", 4, "0.1", 5, 1}, {"T10.10E", 4, "0.10", 5, 1},
            {"T110E", 4, "10", 5, 1},  // both limits are within
            {"T25Fg", 7, "5", 7, 0},   // a field of another tab: nothing
            {"T25Fh2", 7, "52", 7, 0}, {"T25Fi", 8, "31", 8, 1}, {"Ya\"12\"5", 0, "125", 0, 0},
            {"Yc\"7\"E6", 1, "6", 1, 0}, {"Yc\"7\"E6", 2, "7", 1, 0}, {"T2T2", 7, "0", 7, 1},
            {"T1T0", 0, "80.13", 0, 1})) {
    SettingsEditor e;
    e.Load(Sample());
    Play(e, script);
    EXPECT_EQ(e.FieldText(field), text) << script;
    EXPECT_EQ(e.CurrentField(), current) << script;
    EXPECT_EQ(e.ClearOnKey(), clearOnKey) << script;
  }
}

TEST(Editing, KeysOutsideTheKeypadTabsAndModes) {
  SettingsEditor e;
  e.Load(Sample());
  const SettingsEditor loaded = e;
  e.KeyPress(12);
  e.KeyPress(-1);
  e.TypeText(-1, "1");
  e.TypeText(kSettingsFieldCount, "1");
  for (int i = 0; i < kSettingsFieldCount; ++i) EXPECT_EQ(e.FieldText(i), loaded.FieldText(i)) << i;
  EXPECT_EQ(e.ClearOnKey(), 1);
  EXPECT_EQ(e.BackgroundText(), "412.35");
  EXPECT_EQ(e.SourceText(), "0");
  EXPECT_TRUE(!e.SelectTab(-1) && !e.SelectTab(4) && !e.SelectTab(0) && e.SelectTab(3) &&
              !e.MakeCurrent(8));
  e.SelectMode(0);
  e.SelectMode(3);
  EXPECT_EQ(e.Mode(), 0);
  // A second load starts again on the General tab, field 0, the next key clearing it.
  for (const auto& [stored, option] :
       std::vector<std::pair<double, int>>{{0, 0}, {1, 1}, {2, 2}, {3, SettingsEditor::kNoMode}}) {
    SettingsRecord r = Sample();
    r[MeasurementMode] = stored;
    e.Load(r);
    EXPECT_EQ(e.Mode(), option) << stored;
    EXPECT_EQ(e.SavedRecord(r)[MeasurementMode], stored);
    EXPECT_TRUE(e.CurrentTab() == 0 && e.FirstField() == 0 && e.FieldSpan() == 3 &&
                e.CurrentField() == 0 && e.ClearOnKey() == 1);
    e.SelectTab(2);
    e.KeyPress(5);
  }
}

// Rows: the field the cursor was put into, the script played then, the value stored for it.
TEST(Saving, StoresTheEditedFieldAndKeepsTheOthersAsRead) {
  for (const auto& [field, script, stored] :
       ROWS(std::tuple{7, "", 0.001}, {7, "E", 0.001}, {4, "E", 0.1}, {4, "", 60}, {4, "0", 0},
            {4, "250", 250}, {1, "D", 0}, {0, "80.13", 80.125}, {5, "12.5.3", 12.5},
            {3, "0.015", 0.015})) {
    const SettingsRecord read = Sample();
    SettingsEditor e;
    e.Load(read);
    e.SelectTab(TabOfField(field));
    ASSERT_TRUE(e.MakeCurrent(field));
    Play(e, script);
    e.SelectMode(1);
    SettingsRecord memory = read;
    memory[Background] = memory[Source] = 99;  // background and source are stored as read
    const SettingsRecord saved = e.SavedRecord(memory);
    for (int i = 0; i < kSettingCount; ++i) {
      const double want = i == field ? stored : i == MeasurementMode ? 1 : read[i];
      EXPECT_EQ(saved[i], want) << "field " << field << ", index " << i;
    }
  }
}

TEST(SaveSettings, WritesReadsBackAndFailsWithoutTouchingAnything) {
  orlix::testing::MemoryFileAccess files;
  Cfgfile file(files);
  SettingsEditor e;
  e.Load(Sample());
  Play(e, "T1250");
  SettingsRecord settings = Sample();
  ASSERT_TRUE(SaveSettings(e, file, settings));
  EXPECT_EQ(settings[DisplayPeriod], 250);
  EXPECT_EQ(files.files[kConfigurationFile].substr(0, 23), "80.125\r\n1234.567\r\n600\r\n");
  // The file read back after writing fails: the written values hold.
  files.failReads = true;
  Play(e, "E7");
  ASSERT_TRUE(SaveSettings(e, file, settings));
  EXPECT_EQ(settings[FileOutputPeriod], 7);
  EXPECT_EQ(settings[Background], 412.3456);
  files.failReplace = true;
  const std::string before = files.files[kConfigurationFile];
  Play(e, "E3");
  EXPECT_FALSE(SaveSettings(e, file, settings));
  EXPECT_EQ(settings[CorrectionPeriod], 2);
  EXPECT_EQ(files.files[kConfigurationFile], before);
}

}  // namespace
}  // namespace orlix
