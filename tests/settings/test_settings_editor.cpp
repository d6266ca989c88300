// The settings window's rules without the window: keypad entry with limits and wrap, tab
// changes, Delete, and what "Save" stores and writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/SettingsEditor.h"
#include "tests/support/FakePlatform.h"

using namespace orlix;
using orlix::testing::MemoryFileAccess;

namespace {

// A record as a configuration file might hold it: values that "####0.##" rounds, one
// beyond the keypad limits, and background and source with more decimals than shown.
SettingsRecord Sample() {
  SettingsRecord r;
  r.values = {80.125, 1234.567, 600, 0.015,    60, 1.5,      2,
              0.001,  31,       0,   2999.999, 2,  412.3456, 0.0004};
  return r;
}

// Plays keys on the editor: digits, '.' and 'E' for Enter.
void Play(SettingsEditor& e, const std::string& keys) {
  for (char c : keys) {
    if (c == 'E') {
      e.KeyPress(SettingsEditor::kEnterKey);
    } else if (c == '.') {
      e.KeyPress(SettingsEditor::kPointKey);
    } else {
      e.KeyPress(static_cast<std::int16_t>(c - '0'));
    }
  }
}

// Keys typed on one field of one tab: the text it shows afterwards and the field that is
// current then.
struct KeyRow {
  const char* name;
  std::int16_t tab;
  int field;  // made current before the keys (after the tab change)
  const char* keys;
  const char* text;
  std::int16_t nextField;
};
class SettingsEditorKeys : public ::testing::TestWithParam<KeyRow> {};

TEST_P(SettingsEditorKeys, EditsTheCurrentFieldAndMovesOn) {
  const KeyRow& row = GetParam();
  SettingsEditor e;
  e.Load(Sample());
  e.SelectTab(row.tab);
  ASSERT_TRUE(e.MakeCurrent(row.field));
  Play(e, row.keys);
  EXPECT_EQ(e.FieldText(row.field), row.text);
  EXPECT_EQ(e.CurrentField(), row.nextField);
  // Only the current field was touched.
  SettingsEditor fresh;
  fresh.Load(Sample());
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    if (i != row.field) {
      EXPECT_EQ(e.FieldText(i), fresh.FieldText(i)) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsEditorKeys,
    ::testing::Values(KeyRow{"DisplayPeriodAtMaximum", 1, 4, "10E", "10", 5},
                      KeyRow{"DisplayPeriodBelowMinimum", 1, 4, "0.09E", "0.1", 5},
                      KeyRow{"DisplayPeriodAtMinimum", 1, 4, "0.1E", "0.1", 5},
                      KeyRow{"SeveralPointsLeadingNumberCounts", 1, 5, "12.5.3E", "12.5.3", 6},
                      KeyRow{"PointFirst", 2, 7, ".5E", ".5", 8},
                      KeyRow{"MeasurementTimeZeroGivesMinimumShownAsZero", 2, 7, "0E", "0", 8},
                      KeyRow{"LowLevelZeroAllowed", 3, 9, "0E", "0", 10},
                      KeyRow{"EnterOnShownValueOutsideLimits", 1, 4, "E", "0.1", 5},
                      KeyRow{"EnterOnShownValueInsideLimits", 0, 1, "E", "1234.57", 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsEditorKeys, FirstKeyClearsThenKeysAppendUntilEnter) {
  SettingsEditor e;
  e.Load(Sample());
  Play(e, "4");
  EXPECT_EQ(e.FieldText(0), "4");
  EXPECT_EQ(e.ClearOnKey(), 0);
  Play(e, "2.");
  EXPECT_EQ(e.FieldText(0), "42.");
  Play(e, "E");
  EXPECT_EQ(e.ClearOnKey(), 1);
  Play(e, "E");  // field 1 unchanged: Enter alone does not clear it
  EXPECT_EQ(e.FieldText(1), "1234.57");
  EXPECT_EQ(e.CurrentField(), 2);
}

TEST(SettingsEditorKeys, KeysOutsideTheKeypadDoNothing) {
  SettingsEditor e;
  e.Load(Sample());
  e.KeyPress(12);
  e.KeyPress(-1);
  EXPECT_EQ(e.FieldText(0), "80.13");
  EXPECT_EQ(e.ClearOnKey(), 1);
}

TEST(SettingsEditorDelete, EmptiesTheCurrentFieldAndKeepsClearOnKey) {
  SettingsEditor e;
  e.Load(Sample());
  e.SelectTab(1);
  e.Delete();  // nothing typed yet: the next key would clear anyway
  EXPECT_EQ(e.FieldText(4), "");
  EXPECT_EQ(e.ClearOnKey(), 1);
  Play(e, "3");
  EXPECT_EQ(e.ClearOnKey(), 0);
  e.Delete();
  EXPECT_EQ(e.ClearOnKey(), 0);
  Play(e, "45");
  EXPECT_EQ(e.FieldText(4), "45");
  // An empty field reads as 0, below the display period's minimum.
  e.Delete();
  Play(e, "E");
  EXPECT_EQ(e.FieldText(4), "0.1");
}

TEST(SettingsEditorTabs, OnlyFieldsOfTheCurrentTabCanBeMadeCurrent) {
  SettingsEditor e;
  e.Load(Sample());
  e.SelectTab(2);
  Play(e, "5");
  EXPECT_FALSE(e.MakeCurrent(6));
  EXPECT_FALSE(e.MakeCurrent(9));
  EXPECT_EQ(e.CurrentField(), 7);
  EXPECT_EQ(e.ClearOnKey(), 0);
  EXPECT_TRUE(e.MakeCurrent(7));  // the field being typed into: the entry goes on
  Play(e, "2");
  EXPECT_EQ(e.FieldText(7), "52");
  EXPECT_TRUE(e.MakeCurrent(8));
  EXPECT_EQ(e.ClearOnKey(), 1);
}

TEST(SettingsEditorTyping, TypingIntoTheCurrentFieldMakesTheKeypadAppend) {
  SettingsEditor e;
  e.Load(Sample());
  e.TypeText(0, "12");
  Play(e, "5");
  EXPECT_EQ(e.FieldText(0), "125");
  e.TypeText(2, "7");  // not current: the keypad still starts afresh on its field
  EXPECT_EQ(e.FieldText(2), "7");
  Play(e, "E6");
  EXPECT_EQ(e.FieldText(1), "6");
}

// What "Save" stores for one field after some keys on it.
struct SaveRow {
  const char* name;
  int field;
  const char* keys;  // 'D' deletes; empty: untouched
  double stored;
};
class SettingsEditorSave : public ::testing::TestWithParam<SaveRow> {};

TEST_P(SettingsEditorSave, StoresTheEditedFieldAndKeepsTheOthersAsRead) {
  const SaveRow& row = GetParam();
  SettingsEditor e;
  const SettingsRecord read = Sample();
  e.Load(read);
  e.SelectTab(TabOfField(row.field));
  ASSERT_TRUE(e.MakeCurrent(row.field));
  for (char c : std::string(row.keys)) {
    if (c == 'D') {
      e.Delete();
    } else {
      Play(e, std::string(1, c));
    }
  }
  const SettingsRecord saved = e.SavedRecord(read);
  for (int i = 0; i < kSettingCount; ++i) {
    EXPECT_EQ(saved[i], i == row.field ? row.stored : read[i]) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsEditorSave,
    ::testing::Values(SaveRow{"UntouchedRoundedFieldKeepsTheValueRead", 7, "", 0.001},
                      SaveRow{"EnterOnRoundedFieldKeepsTheValueRead", 7, "E", 0.001},
                      SaveRow{"EnterOnValueBeyondLimitsStoresMinimum", 4, "E", 0.1},
                      SaveRow{"UntouchedValueBeyondLimitsKept", 4, "", 60},
                      SaveRow{"ZeroLeftWithoutEnterStoresZero", 4, "0", 0},
                      SaveRow{"AboveMaximumWithoutEnterStoredUnchecked", 4, "250", 250},
                      SaveRow{"EmptiedFieldStoresZero", 1, "D", 0},
                      SaveRow{"RetypedSameTextKeepsTheValueRead", 0, "80.13", 80.125},
                      SaveRow{"LeadingNumberOfSeveralPoints", 5, "12.5.3", 12.5},
                      SaveRow{"TypedDecimals", 3, "0.015", 0.015}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveSettings, WritesTheFileAndReadsItBackIntoTheRecord) {
  MemoryFileAccess files;
  const SettingsRecord read = Sample();
  files.files[kConfigurationFile] = Cfgfile::ConfigurationText(read);
  Cfgfile file(files);
  SettingsRecord settings;
  file.ReadConfiguration(settings);
  SettingsEditor e;
  e.Load(settings);
  e.SelectTab(1);
  Play(e, "5");
  e.SelectMode(1);
  ASSERT_TRUE(SaveSettings(e, file, settings));
  EXPECT_EQ(files.files[kConfigurationFile],
            "80.125\r\n1234.567\r\n600\r\n0.015\r\n5\r\n1.5\r\n2\r\n0.001\r\n31\r\n0\r\n"
            "2999.999\r\n1\r\n412.3456\r\n0.0004\r\n");
  EXPECT_EQ(settings[DisplayPeriod], 5);
  EXPECT_EQ(settings[MeasurementMode], 1);
  EXPECT_EQ(settings[Source], 0.0004);
}

TEST(SaveSettings, AFailedWriteLeavesFileAndRecordAlone) {
  MemoryFileAccess files;
  const SettingsRecord read = Sample();
  files.files[kConfigurationFile] = Cfgfile::ConfigurationText(read);
  files.failReplace = true;
  Cfgfile file(files);
  SettingsRecord settings = read;
  SettingsEditor e;
  e.Load(settings);
  Play(e, "9");
  EXPECT_FALSE(SaveSettings(e, file, settings));
  EXPECT_EQ(settings.values, read.values);
  EXPECT_EQ(files.files[kConfigurationFile], Cfgfile::ConfigurationText(read));
  EXPECT_EQ(e.FieldText(0), "9");
}

TEST(SaveSettings, AnUnreadableFileAfterWritingKeepsTheWrittenValues) {
  MemoryFileAccess files;
  Cfgfile file(files);
  SettingsRecord settings = Sample();
  SettingsEditor e;
  e.Load(settings);
  e.SelectTab(1);
  Play(e, "3");
  files.failReads = true;  // written, but reading it back fails
  ASSERT_TRUE(SaveSettings(e, file, settings));
  EXPECT_EQ(settings[DisplayPeriod], 3);
  EXPECT_EQ(settings[BasisWeight], 80.125);  // not the missing-file value 1
}

}  // namespace
