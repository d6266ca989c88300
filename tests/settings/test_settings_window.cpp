// The settings window driven with mouse and keyboard events: tabs, keypad, Delete, Save,
// Close, activation focus, and the running measurement taking a saved period and mode.
#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "core/MeasurementCycle.h"
#include "app/Station.h"
#include "settings/ui/Settings.h"
#include "tests/support/FakePlatform.h"
#include "widgets/KP12/KP12.h"

using orlix::Settings;
using orlix::SettingsRecord;
using orlix::Station;

namespace {

constexpr const char* kCfg = orlix::kConfigurationFile;

// A configuration as a file might hold it: values that "####0.##" rounds (0.001 shows as
// "0"), a display period beyond the keypad limits, background and source with more
// decimals than shown.
SettingsRecord Sample() {
  SettingsRecord r;
  r.values = {80.125, 1234.567, 600, 0.015,    60, 1.5,      2,
              0.001,  31,       0,   2999.999, 1,  412.3456, 0.0004};
  return r;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

struct Rig {
  orlix::testing::MemoryFileAccess files;
  orlix::testing::FakeClock clock;
  orlix::testing::ReplayUniform uniform{{0.5f, 0.25f, 0.75f}};
  Station station{files, clock, uniform};
  std::unique_ptr<Settings> window;

  explicit Rig(const SettingsRecord& file = Sample()) {
    files.files[kCfg] = orlix::Cfgfile::ConfigurationText(file);
    files.location = "/data/gauge";
  }
  Settings& Open() {
    window = std::make_unique<Settings>(station.settings, station.files);
    return *window;
  }
};

template <typename T>
T* Child(Settings& w, const QString& name) {
  return w.findChild<T*>(name);
}

void ClickTab(Settings& w, int tab) {
  QTest::mouseClick(w.TabStrip(), Qt::LeftButton, {}, w.TabStrip()->tabRect(tab).center());
}

// Keypad clicks: digits, '.' and 'E' for Enter.
void Keys(Settings& w, const QString& keys) {
  for (QChar c : keys) {
    const int index = c == QLatin1Char('E')   ? orlix::KP12::kEnterKey
                      : c == QLatin1Char('.') ? orlix::KP12::kPointKey
                                              : c.digitValue();
    QTest::mouseClick(w.Keypad()->Key(index), Qt::LeftButton);
  }
}

void Click(Settings& w, const char* name) {
  QTest::mouseClick(Child<QAbstractButton>(w, QString::fromLatin1(name)), Qt::LeftButton);
}

// An option button reacts to clicks on its circle and caption, not on the space after it.
void ClickOption(Settings& w, int k) {
  auto* option = Child<QRadioButton>(w, QStringLiteral("Option%1").arg(k + 1));
  QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

void ShowActive(QWidget& w) {
  w.show();
  QVERIFY(QTest::qWaitForWindowActive(&w));
}

// Instruments and pass file of a running cycle, counting the display updates.
class CountingInstruments final : public orlix::CycleInstruments {
 public:
  int shown = 0;
  void ResetInstruments() override {}
  void ShowThickness(float) override { ++shown; }
  void ShowRoll(float, float) override {}
  void RollValues(float& d, float& w) override { d = w = 0; }
  void ShowSample(double) override {}
  orlix::HistogramSummary Histogram() override { return {}; }
  void ShowFileProblem(bool) override {}
};
class NullRecorder final : public orlix::PassRecorder {
 public:
  bool WriteFileHeader(std::int16_t) override { return true; }
  bool AddFileData(std::int16_t, float, float, float, float) override { return true; }
  bool WriteFileEnd(std::int16_t, double, double) override { return true; }
  bool WriteHistoPoint(std::int16_t, double, double) override { return true; }
};

}  // namespace

class TestSettingsWindow : public QObject {
  Q_OBJECT

 private slots:
  void fieldsStandUnderTheirLabelsOnTheirTabs_data();
  void fieldsStandUnderTheirLabelsOnTheirTabs();
  void buttonsAndTabs();
  void loadingReadsTheFileIntoTheRecord();
  void modeOptions_data();
  void modeOptions();
  void tabClickShowsItsFrameAndFocusesItsFirstField_data();
  void tabClickShowsItsFrameAndFocusesItsFirstField();
  void keypadEntry_data();
  void keypadEntry();
  void deleteEmptiesTheCurrentField();
  void clickingAFieldMakesItCurrent();
  void keyboardTypingAndReturn_data();
  void keyboardTypingAndReturn();
  void saveWritesBackWhatWasNotEdited_data();
  void saveWritesBackWhatWasNotEdited();
  void closeAndMeasureStoreNothing();
  void failedSaveKeepsTheWindowAndTheEntries();
  void activationFocusesTheCurrentField();
  void runningCycleTakesSavedPeriodAndMode();
  void rendersEveryTab();
};

void TestSettingsWindow::fieldsStandUnderTheirLabelsOnTheirTabs_data() {
  QTest::addColumn<int>("field");
  QTest::addColumn<QString>("label");
  QTest::addColumn<int>("tab");
  const char* labels[] = {
      "Basis Weight <g/sm**3>",  "Strip Width <mm>",        "Spool Diameter <mm>",
      "Length Coefficient",      "Display Period <sec>",    "File Output Period <sec>",
      "Correction Period <sec>", "Measurement Time <msec>", "Measurement Quantity",
      "Low Level <Volts>",       "High Level <Volts>"};
  const int tabs[] = {0, 0, 0, 0, 1, 1, 1, 2, 2, 3, 3};
  for (int i = 0; i < 11; ++i) {
    QTest::addRow("Text1_%d", i) << i << QString::fromLatin1(labels[i]) << tabs[i];
  }
}

void TestSettingsWindow::fieldsStandUnderTheirLabelsOnTheirTabs() {
  QFETCH(int, field);
  QFETCH(QString, label);
  QFETCH(int, tab);
  Rig rig;
  Settings& w = rig.Open();
  QLineEdit* edit = Child<QLineEdit>(w, QStringLiteral("Text1_%1").arg(field));
  QVERIFY(edit);
  QCOMPARE(edit, w.Field(field));
  QCOMPARE(edit->accessibleName(), label);
  QCOMPARE(edit->parentWidget()->objectName(), QStringLiteral("Frame1_%1").arg(tab));
  QLabel* caption = nullptr;
  for (QLabel* l : edit->parentWidget()->findChildren<QLabel*>()) {
    if (l->buddy() == edit) caption = l;
  }
  QVERIFY(caption);
  QCOMPARE(caption->text(), label);
  // The label sits right above its field, and its whole text fits.
  QCOMPARE(caption->geometry().left(), edit->geometry().left());
  QVERIFY(caption->geometry().bottom() < edit->geometry().top());
  QVERIFY(edit->geometry().top() - caption->geometry().bottom() < 10);
  QVERIFY(caption->fontMetrics().horizontalAdvance(label) <= caption->width());
  QVERIFY(edit->parentWidget()->rect().contains(edit->geometry()));
}

void TestSettingsWindow::buttonsAndTabs() {
  Rig rig;
  Settings& w = rig.Open();
  QCOMPARE(w.windowTitle(), QStringLiteral("Orlix / Settings"));
  QCOMPARE(w.objectName(), QStringLiteral("Settings"));
  QTabBar* tabs = Child<QTabBar>(w, QStringLiteral("TabStrip1"));
  QVERIFY(tabs);
  const QStringList captions = {QStringLiteral("   General    "), QStringLiteral("   Periods    "),
                                QStringLiteral(" Measuring  "), QStringLiteral("  Correction   ")};
  const QStringList tips = {QStringLiteral("General settings"), QStringLiteral("Timer settings"),
                            QStringLiteral("Measurement parameters"),
                            QStringLiteral("Correction parameters")};
  QCOMPARE(tabs->count(), 4);
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(tabs->tabText(i), captions[i]);
    QCOMPARE(tabs->tabToolTip(i), tips[i]);
  }
  struct Button {
    const char* name;
    const char* caption;
    const char* tip;
    const char* parent;
  };
  const Button buttons[] = {{"Command1", "Close", "Close window", "Settings"},
                            {"Command2", "Save", "Save to file", "Settings"},
                            {"Command3", "Delete", "Delete", "Settings"},
                            {"Command4", "Measure", "", "Frame2"},
                            {"Option1", "Direct", "", "Frame1_2"},
                            {"Option2", "Approximation", "", "Frame1_2"},
                            {"Option3", "Simulation", "", "Frame1_2"}};
  for (const Button& b : buttons) {
    auto* button = Child<QAbstractButton>(w, QString::fromLatin1(b.name));
    QVERIFY2(button, b.name);
    QCOMPARE(button->text(), QString::fromLatin1(b.caption));
    QCOMPARE(button->accessibleName(), QString::fromLatin1(b.caption));
    QCOMPARE(button->toolTip(), QString::fromLatin1(b.tip));
    QCOMPARE(button->parentWidget()->objectName(), QString::fromLatin1(b.parent));
  }
  QCOMPARE(w.Keypad()->objectName(), QStringLiteral("KP121"));
  QCOMPARE(Child<QLineEdit>(w, QStringLiteral("Text2"))->parentWidget()->objectName(),
           QStringLiteral("Frame2"));
  QCOMPARE(Child<QLineEdit>(w, QStringLiteral("Text3"))->accessibleName(),
           QStringLiteral("Source"));
}

void TestSettingsWindow::loadingReadsTheFileIntoTheRecord() {
  Rig rig;
  rig.station.settings[orlix::DisplayPeriod] = 7;  // stale: loading reads the file again
  Settings& w = rig.Open();
  QCOMPARE(rig.station.settings.values, Sample().values);
  const QStringList shown = {"80.13", "1234.57", "600", "0.02", "60",  "1.5",
                             "2",     "0",       "31",  "0",    "3000"};
  for (int i = 0; i < 11; ++i) QCOMPARE(w.Field(i)->text(), shown[i]);
  QCOMPARE(Child<QLineEdit>(w, QStringLiteral("Text2"))->text(), QStringLiteral("412.35"));
  QCOMPARE(Child<QLineEdit>(w, QStringLiteral("Text3"))->text(), QStringLiteral("0"));
  QVERIFY(Child<QLineEdit>(w, QStringLiteral("Text2"))->isReadOnly());
  QVERIFY(Child<QLineEdit>(w, QStringLiteral("Text3"))->isReadOnly());
  for (int tab = 0; tab < 4; ++tab) {
    QCOMPARE(Child<QFrame>(w, QStringLiteral("Frame1_%1").arg(tab))->isVisibleTo(&w), tab == 0);
  }
  QVERIFY(Child<QFrame>(w, QStringLiteral("Frame2"))->isVisibleTo(&w));
  QCOMPARE(w.property("CurrentTab").value<qint16>(), qint16(0));
  QCOMPARE(w.property("FirstField").value<qint16>(), qint16(0));
  QCOMPARE(w.property("FieldSpan").value<qint16>(), qint16(3));
  QCOMPARE(w.property("CurrentField").value<qint16>(), qint16(0));
  QCOMPARE(w.property("ClearOnKey").value<qint16>(), qint16(1));
}

void TestSettingsWindow::modeOptions_data() {
  QTest::addColumn<double>("stored");
  QTest::addColumn<int>("shown");  // option index checked after loading, -1 none
  QTest::addColumn<int>("click");  // option clicked before "Save", -1 none
  QTest::addColumn<QString>("saved");
  QTest::newRow("Direct kept") << 0.0 << 0 << -1 << "0";
  QTest::newRow("Approximation to Simulation") << 1.0 << 1 << 2 << "2";
  QTest::newRow("Simulation to Direct") << 2.0 << 2 << 0 << "0";
  QTest::newRow("mode 3 shows none and is kept") << 3.0 << -1 << -1 << "3";
  QTest::newRow("mode 3 to Approximation") << 3.0 << -1 << 1 << "1";
}

void TestSettingsWindow::modeOptions() {
  QFETCH(double, stored);
  QFETCH(int, shown);
  QFETCH(int, click);
  QFETCH(QString, saved);
  SettingsRecord file = Sample();
  file[orlix::MeasurementMode] = stored;
  Rig rig(file);
  Settings& w = rig.Open();
  ShowActive(w);
  QRadioButton* options[3];
  for (int k = 0; k < 3; ++k) {
    options[k] = Child<QRadioButton>(w, QStringLiteral("Option%1").arg(k + 1));
    QCOMPARE(options[k]->isChecked(), k == shown);
  }
  ClickTab(w, 2);
  if (click >= 0) {
    ClickOption(w, click);
    for (int k = 0; k < 3; ++k) QCOMPARE(options[k]->isChecked(), k == click);
  }
  Click(w, "Command2");
  QCOMPARE(QString::fromStdString(Lines(rig.files.files[kCfg]).at(11)), saved);
  QCOMPARE(rig.station.settings[orlix::MeasurementMode], saved.toDouble());
}

void TestSettingsWindow::tabClickShowsItsFrameAndFocusesItsFirstField_data() {
  QTest::addColumn<int>("tab");
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("span");
  QTest::newRow("General") << 0 << 0 << 3;
  QTest::newRow("Periods") << 1 << 4 << 2;
  QTest::newRow("Measuring") << 2 << 7 << 1;
  QTest::newRow("Correction") << 3 << 9 << 1;
}

void TestSettingsWindow::tabClickShowsItsFrameAndFocusesItsFirstField() {
  QFETCH(int, tab);
  QFETCH(int, first);
  QFETCH(int, span);
  Rig rig;
  Settings& w = rig.Open();
  ShowActive(w);
  // Start from another tab, one field further on, so every row changes tab.
  const int from = tab == 1 ? 2 : 1;
  ClickTab(w, from);
  Keys(w, QStringLiteral("E"));
  ClickTab(w, tab);
  for (int t = 0; t < 4; ++t) {
    QCOMPARE(Child<QFrame>(w, QStringLiteral("Frame1_%1").arg(t))->isVisible(), t == tab);
  }
  QCOMPARE(w.CurrentTab(), tab);
  QCOMPARE(w.FirstField(), first);
  QCOMPARE(w.FieldSpan(), span);
  QCOMPARE(w.CurrentField(), first);
  QCOMPARE(QApplication::focusWidget(), w.Field(first));
  // Clicking the current tab again leaves the keypad on its field.
  Keys(w, QStringLiteral("E"));
  ClickTab(w, tab);
  QCOMPARE(w.CurrentField(), first + 1);
  QCOMPARE(QApplication::focusWidget(), w.Field(first + 1));
}

void TestSettingsWindow::keypadEntry_data() {
  QTest::addColumn<int>("tab");
  QTest::addColumn<QString>("keys");
  QTest::addColumn<int>("field");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("next");
  QTest::newRow("250 in Display Period shows 0.1") << 1 << "250E" << 4 << "0.1" << 5;
  QTest::newRow("7.5 in Display Period kept") << 1 << "7.5E" << 4 << "7.5" << 5;
  QTest::newRow("no Enter, no limit check") << 1 << "250" << 4 << "250" << 4;
  QTest::newRow("General wraps") << 0 << "EEE5E" << 3 << "5" << 0;
  QTest::newRow("Periods wraps") << 1 << "EE9E" << 6 << "9" << 4;
  QTest::newRow("Measuring wraps") << 2 << "E32E" << 8 << "1" << 7;
  QTest::newRow("Correction wraps") << 3 << "E12.E" << 10 << "12." << 9;
}

void TestSettingsWindow::keypadEntry() {
  QFETCH(int, tab);
  QFETCH(QString, keys);
  QFETCH(int, field);
  QFETCH(QString, text);
  QFETCH(int, next);
  Rig rig;
  Settings& w = rig.Open();
  ShowActive(w);
  if (tab != 0) ClickTab(w, tab);
  Keys(w, keys);
  QCOMPARE(w.Field(field)->text(), text);
  QCOMPARE(w.CurrentField(), next);
  QCOMPARE(QApplication::focusWidget(), w.Field(next));
  QCOMPARE(w.ClearOnKey(), keys.endsWith(QLatin1Char('E')) ? 1 : 0);
  // Nothing reaches the record or the file before "Save".
  QCOMPARE(rig.station.settings.values, Sample().values);
  QCOMPARE(rig.files.writes, 0);
}

void TestSettingsWindow::deleteEmptiesTheCurrentField() {
  Rig rig;
  Settings& w = rig.Open();
  ShowActive(w);
  Keys(w, QStringLiteral("E45"));
  Click(w, "Command3");
  QCOMPARE(w.Field(1)->text(), QString());
  QCOMPARE(w.ClearOnKey(), 0);
  Keys(w, QStringLiteral("6"));
  QCOMPARE(w.Field(1)->text(), QStringLiteral("6"));
  QCOMPARE(w.Field(0)->text(), QStringLiteral("80.13"));
  QCOMPARE(QApplication::focusWidget(), w.Field(1));
  // An emptied field saves as 0.
  Click(w, "Command3");
  Click(w, "Command2");
  QCOMPARE(rig.station.settings[orlix::StripWidth], 0.0);
}

void TestSettingsWindow::clickingAFieldMakesItCurrent() {
  Rig rig;
  Settings& w = rig.Open();
  ShowActive(w);
  Keys(w, QStringLiteral("9"));
  QTest::mouseClick(w.Field(2), Qt::LeftButton);
  QCOMPARE(w.CurrentField(), 2);
  QCOMPARE(w.ClearOnKey(), 1);
  Keys(w, QStringLiteral("4E"));
  QCOMPARE(w.Field(2)->text(), QStringLiteral("4"));
  QCOMPARE(w.Field(0)->text(), QStringLiteral("9"));
  QCOMPARE(w.CurrentField(), 3);
  // Background is shown only: clicking it leaves the keypad where it was.
  QTest::mouseClick(Child<QLineEdit>(w, QStringLiteral("Text2")), Qt::LeftButton);
  QCOMPARE(w.CurrentField(), 3);
}

void TestSettingsWindow::keyboardTypingAndReturn_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("text");
  QTest::newRow("digits and point") << "12.5"
                                    << "12.5";
  QTest::newRow("letters and blanks are refused") << "1a2 b.5x"
                                                  << "12.5";
  QTest::newRow("above the maximum on Return") << "2500"
                                               << "1";
  QTest::newRow("a minus sign is refused") << "-1"
                                           << "1";
  QTest::newRow("a second point is refused") << "1.2.5"
                                             << "1.25";
}

void TestSettingsWindow::keyboardTypingAndReturn() {
  QFETCH(QString, typed);
  QFETCH(QString, text);
  Rig rig;
  Settings& w = rig.Open();
  ShowActive(w);
  QLineEdit* field = w.Field(0);
  QCOMPARE(QApplication::focusWidget(), field);
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(field, typed);
  QTest::keyClick(field, Qt::Key_Return);
  QCOMPARE(field->text(), text);
  QCOMPARE(w.CurrentField(), 1);
  QCOMPARE(QApplication::focusWidget(), w.Field(1));
  Click(w, "Command2");
  QCOMPARE(rig.station.settings[orlix::BasisWeight], text.toDouble());
}

void TestSettingsWindow::saveWritesBackWhatWasNotEdited_data() {
  QTest::addColumn<int>("tab");
  QTest::addColumn<QString>("keys");
  QTest::addColumn<int>("line");  // the one line that changes, -1 none
  QTest::addColumn<QString>("value");
  QTest::newRow("nothing edited") << 0 << "" << -1 << "";
  QTest::newRow("Enter on rounded fields") << 2 << "EE" << -1 << "";
  QTest::newRow("display period left at 0") << 1 << "0" << 4 << "0";
  QTest::newRow("display period 250 then Enter") << 1 << "250E" << 4 << "0.1";
  QTest::newRow("display period 250 without Enter") << 1 << "250" << 4 << "250";
  QTest::newRow("measurement time 0.5") << 2 << ".5" << 7 << "0.5";
}

void TestSettingsWindow::saveWritesBackWhatWasNotEdited() {
  QFETCH(int, tab);
  QFETCH(QString, keys);
  QFETCH(int, line);
  QFETCH(QString, value);
  Rig rig;
  const std::vector<std::string> before = Lines(rig.files.files[kCfg]);
  Settings& w = rig.Open();
  ShowActive(w);
  if (tab != 0) ClickTab(w, tab);
  Keys(w, keys);
  Click(w, "Command2");
  QVERIFY(!w.isVisible());
  QCOMPARE(w.Message(), QString());
  const std::string& text = rig.files.files[kCfg];
  std::vector<std::string> expected = before;
  if (line >= 0) expected[static_cast<std::size_t>(line)] = value.toStdString();
  QCOMPARE(Lines(text), expected);
  QVERIFY(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n");
  // The record in memory is the file read back.
  SettingsRecord back;
  orlix::Cfgfile(rig.files).ReadConfiguration(back);
  QCOMPARE(rig.station.settings.values, back.values);
  QCOMPARE(rig.station.settings[orlix::Background], 412.3456);
  QCOMPARE(rig.station.settings[orlix::Source], 0.0004);
}

void TestSettingsWindow::closeAndMeasureStoreNothing() {
  Rig rig;
  const std::string file = rig.files.files[kCfg];
  Settings& w = rig.Open();
  ShowActive(w);
  ClickTab(w, 1);
  Keys(w, QStringLiteral("5E3"));
  ClickTab(w, 2);
  ClickOption(w, 2);
  Click(w, "Command4");  // "Measure" does nothing
  QVERIFY(w.isVisible());
  QCOMPARE(w.Field(4)->text(), QStringLiteral("5"));
  QCOMPARE(Child<QLineEdit>(w, QStringLiteral("Text2"))->text(), QStringLiteral("412.35"));
  Click(w, "Command1");
  QVERIFY(!w.isVisible());
  QCOMPARE(rig.files.writes, 0);
  QCOMPARE(rig.files.files[kCfg], file);
  QCOMPARE(rig.station.settings.values, Sample().values);
}

void TestSettingsWindow::failedSaveKeepsTheWindowAndTheEntries() {
  Rig rig;
  const std::string file = rig.files.files[kCfg];
  Settings& w = rig.Open();
  ShowActive(w);
  ClickTab(w, 1);
  Keys(w, QStringLiteral("5E"));
  rig.files.failReplace = true;
  Click(w, "Command2");
  QVERIFY(w.isVisible());
  QVERIFY2(w.Message().contains(QLatin1String("QL_CFG.DAT")), qPrintable(w.Message()));
  QVERIFY2(w.Message().contains(QLatin1String("/data/gauge")), qPrintable(w.Message()));
  QVERIFY(Child<QLabel>(w, QStringLiteral("Message"))->isVisible());
  QCOMPARE(w.Field(4)->text(), QStringLiteral("5"));
  QCOMPARE(w.CurrentField(), 5);
  QCOMPARE(rig.station.settings.values, Sample().values);
  QCOMPARE(rig.files.files[kCfg], file);
  // The keypad goes on where it was; a later "Save" that works stores everything typed.
  Keys(w, QStringLiteral("2"));
  rig.files.failReplace = false;
  Click(w, "Command2");
  QVERIFY(!w.isVisible());
  QCOMPARE(rig.station.settings[orlix::DisplayPeriod], 5.0);
  QCOMPARE(rig.station.settings[orlix::FileOutputPeriod], 2.0);
}

void TestSettingsWindow::activationFocusesTheCurrentField() {
  Rig rig;
  Settings& w = rig.Open();
  ShowActive(w);
  QCOMPARE(QApplication::focusWidget(), w.Field(0));
  ClickTab(w, 2);
  Keys(w, QStringLiteral("E"));
  QWidget other;
  other.resize(100, 100);
  ShowActive(other);
  QVERIFY(!w.isActiveWindow());
  w.Field(7)->setFocus();  // whatever happened meanwhile, the keypad's field gets it back
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  QCOMPARE(QApplication::focusWidget(), w.Field(8));
  QCOMPARE(w.CurrentField(), 8);
}

void TestSettingsWindow::runningCycleTakesSavedPeriodAndMode() {
  Rig rig;
  Station& s = rig.station;
  orlix::Cfgfile(s.files).ReadConfiguration(s.settings);  // start-up: display period 60
  s.values.SetStartValues();
  CountingInstruments instruments;
  NullRecorder recorder;
  orlix::MeasurementCycle cycle(s.settings, s.values, s.daq, s.measure, recorder, rig.clock,
                                instruments);
  cycle.StartPass();
  rig.clock.now = 2;
  QVERIFY(cycle.Step());
  QCOMPARE(instruments.shown, 0);            // 60 s not yet over
  QCOMPARE(cycle.CurrentThickness(), 0.0f);  // Approximation with zero coefficients

  Settings& w = rig.Open();
  ShowActive(w);
  ClickTab(w, 1);
  Keys(w, QStringLiteral("1"));
  ClickTab(w, 2);
  ClickOption(w, 0);
  Click(w, "Command2");
  QVERIFY(!w.isVisible());

  // The next pass measures directly and shows the thickness, one second after the pass
  // began, where the period read at start-up would have waited a minute.
  rig.clock.now = 2.5;
  QVERIFY(cycle.Step());
  QCOMPARE(instruments.shown, 1);
  QVERIFY(cycle.CurrentThickness() > 0.0f);
  rig.clock.now = 3.0;
  QVERIFY(cycle.Step());
  QCOMPARE(instruments.shown, 1);
  rig.clock.now = 3.6;
  QVERIFY(cycle.Step());
  QCOMPARE(instruments.shown, 2);
}

void TestSettingsWindow::rendersEveryTab() {
  Rig rig;
  Settings& w = rig.Open();
  ShowActive(w);
  const QString shots = qEnvironmentVariable("ORLIX_SHOT_DIR");
  const QRect window = w.rect();
  // All four tabs fit the strip, captions unclipped.
  QTabBar* strip = w.TabStrip();
  QVERIFY2(
      strip->tabRect(3).right() < strip->width(),
      qPrintable(QStringLiteral("%1 > %2").arg(strip->tabRect(3).right()).arg(strip->width())));
  for (int tab = 0; tab < 4; ++tab) {
    ClickTab(w, tab);
    // Every visible control lies inside the window and no two of its siblings overlap.
    const QList<QWidget*> all = w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* a : all) {
      if (!a->isVisible()) continue;
      QVERIFY2(window.contains(a->geometry()), qPrintable(a->objectName()));
      for (QWidget* b : all) {
        if (a != b && b->isVisible()) {
          QVERIFY2(!a->geometry().intersects(b->geometry()),
                   qPrintable(a->objectName() + QLatin1String(" / ") + b->objectName()));
        }
      }
    }
    const QImage image = w.grab().toImage();
    QCOMPARE(image.size(), w.size() * image.devicePixelRatio());
    if (!shots.isEmpty()) {
      QVERIFY(image.save(shots + QStringLiteral("/settings_tab%1.png").arg(tab)));
    }
  }
  if (!shots.isEmpty()) {
    rig.files.failReplace = true;
    Click(w, "Command2");
    QVERIFY(w.grab().save(shots + QStringLiteral("/settings_save_failed.png")));
  }
}

QTEST_MAIN(TestSettingsWindow)
#include "test_settings_window.moc"
