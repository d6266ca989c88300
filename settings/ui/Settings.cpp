#include "settings/ui/Settings.h"

#include <algorithm>

#include <QDir>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabBar>

#include "base/Platform.h"
#include "core/Settings.h"
#include "settings/ui/LinkPage.h"
#include "settings/ui/QualityPage.h"
#include "widgets/KP12/KP12.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

struct TabText {
  const char* caption;
  const char* description;
};

constexpr std::array<TabText, kSettingsTabCount> kTabs = {{
    {"   General    ", "General settings"},
    {"   Periods    ", "Timer settings"},
    {" Measuring  ", "Measurement parameters"},
    {"  Correction   ", "Correction parameters"},
}};

constexpr std::array<const char*, kSettingsFieldCount> kFieldLabels = {
    "Basis Weight <g/sm**3>",  "Strip Width <mm>",        "Spool Diameter <mm>",
    "Length Coefficient",      "Display Period <sec>",    "File Output Period <sec>",
    "Correction Period <sec>", "Measurement Time <msec>", "Measurement Quantity",
    "Low Level <Volts>",       "High Level <Volts>"};

constexpr std::array<const char*, 3> kModeCaptions = {"Direct", "Approximation", "Simulation"};

// Layout in twips. Left: the tab strip over the four frames, each field under its label;
// middle: background and source, then "Save" and "Close"; right: the keypad over "Delete";
// across the bottom: the note shown when saving failed.
constexpr int kMargin = 120;
constexpr int kFrameTop = 465;
constexpr int kFrameWidth = 5400;
constexpr int kFrameHeight = 2655;
constexpr int kLabelLeft = 240;
constexpr int kLabelWidth = 2640;
constexpr int kRowTop = 180;
constexpr int kRowPitch = 615;
constexpr int kFieldOffset = 240;  // from the label's top to the field's
constexpr int kFieldWidth = 1815;
constexpr int kFieldHeight = 315;
constexpr int kOptionLeft = 3000;
constexpr int kMiddleLeft = kMargin + kFrameWidth + kMargin;
constexpr int kMiddleWidth = 1935;
constexpr int kKeypadLeft = kMiddleLeft + kMiddleWidth + kMargin;
constexpr int kButtonHeight = 375;
constexpr int kBottom = 3120;
constexpr int kMessageHeight = 435;
constexpr int kWindowWidth = kKeypadLeft + 1710 + kMargin;
constexpr int kWindowHeight = kBottom + kMargin + kMessageHeight + kMargin;
constexpr int kPageStripWidth = 2400;  // "Quality" and "Link" under the frames

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

Settings::Settings(SettingsRecord& settings, FileAccess& files, StationIni& ini, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), files_(files), ini_(ini) {
  setWindowTitle(QStringLiteral("Orlix / Settings"));
  ui::Name(this, QStringLiteral("Settings"), QStringLiteral("Orlix / Settings"));
  setFont(ui::StationFont(QStringLiteral("Arial"), 8.25));
  BuildLayout();
  Load();
}

Settings::~Settings() = default;

void Settings::BuildLayout() {
  using ui::Name;
  using ui::PlaceTwips;
  setFixedSize(ui::TwipsRect(0, 0, kWindowWidth, kWindowHeight).size());

  auto label = [](const QString& text, QWidget* parent, int l, int t, int w) {
    auto* lbl = new QLabel(text, parent);
    PlaceTwips(lbl, l, t, w, 240);
    return lbl;
  };

  tabStrip1_ = new QTabBar(this);
  Name(tabStrip1_, QStringLiteral("TabStrip1"), QStringLiteral("Settings tabs"));
  tabStrip1_->setElideMode(Qt::ElideNone);
  tabStrip1_->setUsesScrollButtons(false);
  tabStrip1_->setDrawBase(false);
  for (const TabText& tab : kTabs) {
    const int i = tabStrip1_->addTab(QString::fromLatin1(tab.caption));
    tabStrip1_->setTabToolTip(i, QString::fromLatin1(tab.description));
  }
  PlaceTwips(tabStrip1_, kMargin, kMargin, kFrameWidth, kFrameTop - kMargin);
  // The station's own pages, "Quality" (the tolerance of a pass, in station.ini) and "Link",
  // have their tabs under the frames: the four tabs above keep their places and every tab's
  // name shows at the window's size. Each strip has a hidden tab that is current while a
  // page of the other strip shows, so only one tab of the two strips looks chosen.
  tabStrip1_->setTabVisible(tabStrip1_->addTab(QString()), false);
  pageStrip_ = new QTabBar(this);
  Name(pageStrip_, QStringLiteral("TabStrip2"), QStringLiteral("Station tabs"));
  pageStrip_->setShape(QTabBar::RoundedSouth);
  pageStrip_->setElideMode(Qt::ElideNone);
  pageStrip_->setUsesScrollButtons(false);
  pageStrip_->setDrawBase(false);
  pageStrip_->setTabVisible(pageStrip_->addTab(QString()), false);
  pageStrip_->setTabToolTip(pageStrip_->addTab(QStringLiteral(" Quality ")),
                            QStringLiteral("Tolerance settings"));
  PlaceTwips(pageStrip_, kMargin, kBottom, kPageStripWidth, kMessageHeight + kMargin);
  quality_ = new QualityPage(ini_, this);
  PlaceTwips(quality_, kMargin, kFrameTop, kFrameWidth, kFrameHeight);
  quality_->hide();

  for (int tab = 0; tab < kSettingsTabCount; ++tab) {
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    Name(frame, QStringLiteral("Frame1_%1").arg(tab),
         QString::fromLatin1(kTabs[static_cast<std::size_t>(tab)].description));
    PlaceTwips(frame, kMargin, kFrameTop, kFrameWidth, kFrameHeight);
    frame1_[static_cast<std::size_t>(tab)] = frame;
  }

  const auto* numbers =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")), this);
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    const std::int16_t tab = TabOfField(i);
    QFrame* frame = frame1_[static_cast<std::size_t>(tab)];
    const int row = i - kTabFields[static_cast<std::size_t>(tab)].first;
    const int top = kRowTop + row * kRowPitch;
    const QString caption = QString::fromLatin1(kFieldLabels[static_cast<std::size_t>(i)]);
    QLabel* lbl = label(caption, frame, kLabelLeft, top, kLabelWidth);
    lbl->setObjectName(QStringLiteral("Label1_%1").arg(i));

    auto* field = new QLineEdit(frame);
    Name(field, QStringLiteral("Text1_%1").arg(i), caption);
    field->setValidator(numbers);
    PlaceTwips(field, kLabelLeft, top + kFieldOffset, kFieldWidth, kFieldHeight);
    lbl->setBuddy(field);
    field->installEventFilter(this);
    connect(field, &QLineEdit::textEdited, this,
            [this, i](const QString& text) { editor_.TypeText(i, text.toStdString()); });
    text1_[static_cast<std::size_t>(i)] = field;
  }

  QFrame* measuring = frame1_[2];
  for (int k = 0; k < 3; ++k) {
    const QString caption = QString::fromLatin1(kModeCaptions[static_cast<std::size_t>(k)]);
    auto* option = new QRadioButton(caption, measuring);
    Name(option, QStringLiteral("Option%1").arg(k + 1), caption);
    PlaceTwips(option, kOptionLeft, kRowTop + kFieldOffset + k * 360, kFieldWidth, kFieldHeight);
    const auto mode = static_cast<std::int16_t>(k);
    connect(option, &QRadioButton::toggled, this, [this, mode](bool checked) {
      if (checked) editor_.SelectMode(mode);
    });
    options_[static_cast<std::size_t>(k)] = option;
  }

  frame2_ = new QFrame(this);
  frame2_->setFrameShape(QFrame::StyledPanel);
  frame2_->setFrameShadow(QFrame::Raised);
  Name(frame2_, QStringLiteral("Frame2"), QStringLiteral("Background and Source"));
  PlaceTwips(frame2_, kMiddleLeft, kMargin, kMiddleWidth, 1935);
  const int inner = kMiddleWidth - 2 * kMargin;
  label(QStringLiteral("Background"), frame2_, kMargin, 120, inner)
      ->setObjectName(QStringLiteral("Label2"));
  text2_ = new QLineEdit(frame2_);
  text2_->setReadOnly(true);
  Name(text2_, QStringLiteral("Text2"), QStringLiteral("Background"));
  PlaceTwips(text2_, kMargin, 360, inner, kFieldHeight);
  label(QStringLiteral("Source"), frame2_, kMargin, 735, inner)
      ->setObjectName(QStringLiteral("Label3"));
  text3_ = new QLineEdit(frame2_);
  text3_->setReadOnly(true);
  Name(text3_, QStringLiteral("Text3"), QStringLiteral("Source"));
  PlaceTwips(text3_, kMargin, 975, inner, kFieldHeight);

  auto button = [this](QWidget* parent, const QString& name, const QString& caption,
                       const QString& tip, int l, int t, int w) {
    auto* b = new QPushButton(caption, parent);
    Name(b, name, caption);
    b->setToolTip(tip);
    PlaceTwips(b, l, t, w, kButtonHeight);
    return b;
  };
  // "Measure" has no action.
  command4_ = button(frame2_, QStringLiteral("Command4"), QStringLiteral("Measure"), QString(),
                     kMargin, 1440, inner);
  command2_ = button(this, QStringLiteral("Command2"), QStringLiteral("Save"),
                     QStringLiteral("Save to file"), kMiddleLeft, kBottom - 2 * kButtonHeight - 105,
                     kMiddleWidth);
  command1_ =
      button(this, QStringLiteral("Command1"), QStringLiteral("Close"),
             QStringLiteral("Close window"), kMiddleLeft, kBottom - kButtonHeight, kMiddleWidth);

  kp121_ = new KP12(this);
  Name(kp121_, QStringLiteral("KP121"), QStringLiteral("Keypad"));
  kp121_->move(ui::TwipsRect(kKeypadLeft, kMargin, 0, 0).topLeft());
  command3_ = button(this, QStringLiteral("Command3"), QStringLiteral("Delete"),
                     QStringLiteral("Delete"), kKeypadLeft, kBottom - kButtonHeight, 1710);
  // The keypad and "Delete" edit the current field; clicking them leaves the cursor there.
  for (int k = 0; k < KP12::kKeyCount; ++k) kp121_->Key(k)->setFocusPolicy(Qt::NoFocus);
  command3_->setFocusPolicy(Qt::NoFocus);

  message_ = new QLabel(this);
  Name(message_, QStringLiteral("Message"), QStringLiteral("Message"));
  message_->setWordWrap(true);
  message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette red = message_->palette();
  red.setColor(QPalette::WindowText, QColor(192, 0, 0));
  message_->setPalette(red);
  PlaceTwips(message_, kMargin + kPageStripWidth + kMargin, kBottom + kMargin,
             kWindowWidth - 3 * kMargin - kPageStripWidth, kMessageHeight);

  connect(tabStrip1_, &QTabBar::currentChanged, this, [this](int index) {
    if (index < kSettingsTabCount) OnTab(index);
  });
  connect(pageStrip_, &QTabBar::currentChanged, this, [this](int index) {
    if (index > 0) OnTab(kSettingsTabCount + index - 1);
  });
  connect(kp121_, &KP12::KeyPress12, this, &Settings::OnKey);
  connect(command3_, &QPushButton::clicked, this, &Settings::OnDelete);
  connect(command2_, &QPushButton::clicked, this, &Settings::OnSave);
  connect(command1_, &QPushButton::clicked, this, &Settings::OnClose);
}

void Settings::Load() {
  // The record as the file holds it now, then the window's start state shown from it.
  Cfgfile(files_).ReadConfiguration(settings_);
  editor_.Load(settings_);
  {
    const QSignalBlocker quiet(tabStrip1_), quietPages(pageStrip_);
    tabStrip1_->setCurrentIndex(editor_.CurrentTab());
    pageStrip_->setCurrentIndex(0);
  }
  ShowTab();
  for (int i = 0; i < kSettingsFieldCount; ++i) ShowField(i);
  for (int k = 0; k < 3; ++k) {
    // Exclusive buttons cannot be unchecked one by one; a mode of none of them clears all.
    options_[static_cast<std::size_t>(k)]->setAutoExclusive(false);
    options_[static_cast<std::size_t>(k)]->setChecked(editor_.Mode() == k);
    options_[static_cast<std::size_t>(k)]->setAutoExclusive(true);
  }
  text2_->setText(Text(editor_.BackgroundText()));
  text3_->setText(Text(editor_.SourceText()));
  quality_->Load();
}

QString Settings::Message() const { return message_->text(); }

void Settings::ShowTab() {
  // The new frame shows and its field takes the focus before the others hide, so the
  // focus never passes through a hidden field.
  frame1_[static_cast<std::size_t>(editor_.CurrentTab())]->show();
  FocusCurrentField();
  for (int tab = 0; tab < kSettingsTabCount; ++tab) {
    if (tab != editor_.CurrentTab()) frame1_[static_cast<std::size_t>(tab)]->hide();
  }
}

void Settings::ShowField(int i) {
  QLineEdit* field = Field(i);
  const QString text = Text(editor_.FieldText(i));
  if (field->text() != text) field->setText(text);
}

bool Settings::LinkShowing() const { return linkPage_ && !linkPage_->isHidden(); }

void Settings::FocusCurrentField() {
  if (!quality_->isHidden()) return quality_->FocusCurrentField();
  if (LinkShowing()) return pageStrip_->setFocus();  // nothing there to edit
  Field(editor_.CurrentField())->setFocus();
}

bool Settings::event(QEvent* event) {
  // Activation puts the cursor into the field the keypad edits: field 0 the first time,
  // and whichever field is current on the tab showing later.
  if (event->type() == QEvent::WindowActivate) FocusCurrentField();
  return QWidget::event(event);
}

bool Settings::eventFilter(QObject* watched, QEvent* event) {
  const auto it = std::find(text1_.begin(), text1_.end(), watched);
  if (it != text1_.end()) {
    const int field = static_cast<int>(it - text1_.begin());
    if (event->type() == QEvent::FocusIn) {
      // A field the operator clicks or tabs into becomes the one the keypad edits.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
          reason == Qt::BacktabFocusReason) {
        editor_.MakeCurrent(field);
      }
    } else if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        editor_.MakeCurrent(field);
        OnKey(SettingsEditor::kEnterKey);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Settings::OnTab(int index) {
  {  // one chosen tab across the two strips
    const QSignalBlocker quiet(tabStrip1_), quietPages(pageStrip_);
    const bool page = index >= kSettingsTabCount;
    tabStrip1_->setCurrentIndex(page ? kSettingsTabCount : index);
    pageStrip_->setCurrentIndex(page ? index - kSettingsTabCount + 1 : 0);
  }
  // "Quality" and "Link" are pages of their own over the editor's frames.
  const bool fromPage = !quality_->isHidden() || LinkShowing();
  if (linkPage_) linkPage_->setVisible(index == linkTab_);
  quality_->setVisible(index == kSettingsTabCount);
  if (index == kSettingsTabCount || index == linkTab_) {
    for (QFrame* frame : frame1_) frame->hide();
    return FocusCurrentField();
  }
  if (editor_.SelectTab(static_cast<std::int16_t>(index)) || fromPage) ShowTab();
}

void Settings::ShowLinkState(const link::LinkState& state) { TheLinkPage()->Show(state); }
void Settings::ShowMqttState(const mqtt::MqttState& state) { TheLinkPage()->Show(state); }

LinkPage* Settings::TheLinkPage() {
  if (!linkPage_) {
    linkPage_ = new LinkPage(this);
    ui::PlaceTwips(linkPage_, kMargin, kFrameTop, kFrameWidth, kFrameHeight);
    linkPage_->hide();
    linkTab_ = kSettingsTabCount + pageStrip_->addTab(QStringLiteral(" Link ")) - 1;
    pageStrip_->setTabToolTip(linkTab_ - kSettingsTabCount + 1,
                              QStringLiteral("Plant link (Modbus TCP, MQTT)"));
  }
  return linkPage_;
}

void Settings::OnKey(qint16 index) {
  if (!quality_->isHidden()) return quality_->KeyPress(index);
  if (LinkShowing()) return;
  const int field = editor_.CurrentField();
  editor_.KeyPress(index);
  ShowField(field);
  if (index == SettingsEditor::kEnterKey) FocusCurrentField();
}

void Settings::OnDelete() {
  if (!quality_->isHidden()) return quality_->Delete();
  if (LinkShowing()) return;
  editor_.Delete();
  ShowField(editor_.CurrentField());
}

void Settings::OnSave() {
  if (saveCheck_ && !saveCheck_()) {
    hide();
    close();
    return;
  }
  const QString where =
      QDir::toNativeSeparators(QDir(QString::fromStdString(files_.Location())).absolutePath());
  auto note = [this](const QString& text) {
    message_->setText(text);
    message_->setAccessibleDescription(text);
  };
  Cfgfile file(files_);
  if (!SaveSettings(editor_, file, settings_)) {
    return note(
        QStringLiteral("Not saved: the file %1 cannot be written in %2. Your entries are kept.")
            .arg(QString::fromLatin1(kConfigurationFile), where));
  }
  emit RecordChanged();
  if (const QString notSaved = quality_->Save(); !notSaved.isEmpty()) {
    return note(QStringLiteral("%1 saved. The tolerance is not saved: %2.")
                    .arg(QString::fromLatin1(kConfigurationFile), notSaved));
  }
  message_->clear();
  message_->setAccessibleDescription(QString());
  emit Saved();
  hide();
  close();
}

void Settings::OnClose() {
  hide();
  close();
}

}  // namespace orlix
