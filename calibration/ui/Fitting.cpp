#include "calibration/ui/Fitting.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "base/Platform.h"
#include "calibration/CoefFile.h"
#include "calibration/PointsFile.h"
#include "core/QLDAQ.h"
#include "widgets/GR1/GR1.h"
#include "widgets/KP12/KP12.h"
#include "widgets/common/UiCommon.h"

namespace orlix {
namespace {

// Background of "F IT" after a failed fit.
const QColor kFitFailedColor(255, 0, 0);

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

Fitting::Fitting(CalibrationData& calibration, QLDAQ& daq, FileAccess& files, QWidget* parent)
    : QWidget(parent), calibration_(calibration), daq_(daq), files_(files), entry_(calibration) {
  setWindowTitle(QStringLiteral("Orlix / Fitting"));
  setObjectName(QStringLiteral("Fitting"));
  setFont(ui::StationFont(QStringLiteral("MS Sans Serif"), 8.25));
  BuildLayout();

  // Opening: the points from the file, point 1 shown, one fit over all points read.
  PointsFile(files_).ReadPoints(calibration_);
  entry_.Open();
  ShowEntry();
  FitAndShow();
  text1_->setFocus();
}

Fitting::~Fitting() = default;

void Fitting::BuildLayout() {
  using ui::Name;
  using ui::PlaceTwips;
  setFixedSize(geometry::Px(5265), geometry::Px(3615));

  auto label = [this](const QString& name, const QString& text, int l, int t, int w, int h) {
    auto* lbl = new QLabel(text, this);
    Name(lbl, name, text.trimmed());
    PlaceTwips(lbl, l, t, w, h);
    return lbl;
  };
  auto field = [this](const QString& name, const QString& hint, int l, int t, int w, int h) {
    auto* f = new QLineEdit(this);
    f->setReadOnly(true);
    f->setToolTip(hint);
    Name(f, name, hint);
    PlaceTwips(f, l, t, w, h);
    return f;
  };
  auto button = [this](const QString& name, const QString& caption, const QString& hint, int l,
                       int t, int w, int h) {
    auto* b = new QPushButton(caption, this);
    b->setToolTip(hint);
    Name(b, name, caption);
    PlaceTwips(b, l, t, w, h);
    return b;
  };

  gr11_ = new GR1(this);
  Name(gr11_, QStringLiteral("GR11"), QStringLiteral("Calibration curve"));
  PlaceTwips(gr11_, 120, 240, 3375, 2295);
  label(QStringLiteral("Label2"), QStringLiteral("Calibration curve"), 1200, 0, 1335, 255);
  label(QStringLiteral("Label1"), QStringLiteral("  #    Thick.    Intensity"), 3480, 0, 1695, 255);
  text5_ = field(QStringLiteral("Text5"), QStringLiteral("Point number"), 3480, 240, 375, 285);
  text1_ = field(QStringLiteral("Text1"), QStringLiteral("Thickness < micrometers>"), 3840, 240,
                 615, 285);
  text2_ = field(QStringLiteral("Text2"), QStringLiteral("Intensity"), 4440, 240, 735, 285);

  kp121_ = new KP12(this);
  Name(kp121_, QStringLiteral("KP121"), QStringLiteral("Keypad"));
  PlaceTwips(kp121_, 3480, 600, 1695, 2415);

  label(QStringLiteral("Label3"), QStringLiteral("Coefficients"), 720, 2520, 975, 255);
  constexpr std::array<std::array<int, 2>, 4> kCoefAt{
      {{120, 2760}, {1200, 2760}, {120, 3120}, {1200, 3120}}};
  for (std::size_t i = 0; i < text3_.size(); ++i) {
    text3_[i] = field(QStringLiteral("Text3_%1").arg(i), QStringLiteral("Coefficient A%1").arg(i),
                      kCoefAt[i][0], kCoefAt[i][1], 975, 195);
  }
  label(QStringLiteral("Label4"), QStringLiteral("MS Deviation "), 2280, 2520, 975, 255);
  text4_ =
      field(QStringLiteral("Text4"), QStringLiteral("Mean Square Deviation"), 2280, 2760, 975, 195);

  command1_ = button(QStringLiteral("Command1"), QStringLiteral("Close"),
                     QStringLiteral("Close window"), 2280, 3120, 975, 375);
  command6_ = button(QStringLiteral("Command6"), QStringLiteral("Save"),
                     QStringLiteral("Save to files"), 3480, 3000, 495, 495);
  command4_ = button(QStringLiteral("Command4"), QStringLiteral("Del"),
                     QStringLiteral("Delete current point"), 4080, 3000, 495, 495);
  command5_ = button(QStringLiteral("Command5"), QStringLiteral("F IT"),
                     QStringLiteral("Data fitting"), 4680, 3000, 495, 495);
  command5_->setFont(ui::StationFont(QStringLiteral("Times New Roman"), 8.25));

  connect(kp121_, &KP12::KeyPress12, this, &Fitting::KeyPress12);
  connect(command1_, &QPushButton::clicked, this, [this] {
    hide();
    close();
  });
  connect(command6_, &QPushButton::clicked, this, &Fitting::Save);
  connect(command4_, &QPushButton::clicked, this, &Fitting::ClearCurrentPoint);
  connect(command5_, &QPushButton::clicked, this, &Fitting::Fit);
}

void Fitting::ShowEntry() {
  text5_->setText(Text(entry_.PointNumberText()));
  text1_->setText(Text(entry_.ThicknessText()));
  text2_->setText(Text(entry_.IntensityText()));
}

void Fitting::FitAndShow() {
  const FitView view = FitForView(calibration_);
  fitFailed_ = view.failed;
  if (!view.shown) {
    ui::SetButtonBackground(command5_, kFitFailedColor);
    return;
  }
  ui::SetButtonBackground(command5_, QColor());
  for (std::size_t i = 0; i < text3_.size(); ++i) text3_[i]->setText(Text(view.coefficients[i]));
  intensityMax_ = view.intensityMax;
  thicknessMax_ = view.thicknessMax;
  gr11_->setXC(static_cast<float>(intensityMax_));
  gr11_->setYmax(static_cast<float>(thicknessMax_));
  for (const GraphPoint& p : view.circles) {
    gr11_->setXC(p.first);
    gr11_->setYcircle(p.second);
  }
  text4_->setText(Text(view.deviation));
  for (const GraphPoint& p : view.dots) {
    gr11_->setXC(p.first);
    gr11_->setYpoint(p.second);
  }
}

void Fitting::ClearCurrentPoint() {
  entry_.ClearCurrentPoint();
  ShowEntry();
}

void Fitting::KeyPress12(qint16 Index) {
  const auto result = entry_.Key(Index, [this] { return daq_.ReadCount(); });
  if (result != PointEntry::KeyResult::Ignored) ShowEntry();
}

void Fitting::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool commandKey =
      (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
  qint16 index = -1;
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    index = static_cast<qint16>(key - Qt::Key_0);
  } else if (key == Qt::Key_Period ||
             (key == Qt::Key_Comma && (event->modifiers() & Qt::KeypadModifier) != 0)) {
    index = kKeyPoint;
  } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    // A held Enter key stores one point, not one per repeat.
    if (event->isAutoRepeat()) {
      event->accept();
      return;
    }
    index = kKeyEnter;
  }
  if (index < 0 || commandKey) {
    QWidget::keyPressEvent(event);
    return;
  }
  KeyPress12(index);
  event->accept();
}

void Fitting::Fit() {
  calibration_.PointCount = entry_.FitCount();
  FitAndShow();
}

void Fitting::Save() {
  if (saveCheck_ && !saveCheck_()) {
    hide();
    close();
    return;
  }
  const QDir directory(QString::fromStdString(files_.Location()));
  const auto where = [&directory](const char* name) {
    return QDir::toNativeSeparators(directory.absoluteFilePath(QString::fromLatin1(name)));
  };
  // Until a point has been entered the points file stays as it is.
  const bool writePoints = entry_.AnyEntered();
  if (writePoints && !PointsFile(files_).WritePoints(calibration_, entry_.FitCount())) {
    ReportSaveFailure(
        tr("Save failed: the calibration points file %1 could not be written.\n"
           "Nothing was saved. The points stay in this window and the coefficients in use; "
           "press Save again when the file can be written.")
            .arg(where(kPointsFile)));
    return;
  }
  if (!CoefFile(files_).WriteCoefficients(calibration_)) {
    const QString points = writePoints ? tr("The points were saved to %1, but the coefficients "
                                            "were not.")
                                             .arg(where(kPointsFile))
                                       : tr("The points file was left as it was.");
    ReportSaveFailure(tr("Save failed: the calibration coefficients file %1 could not be "
                         "written.\n%2 The coefficients stay in use until the program ends; "
                         "press Save again when the file can be written.")
                          .arg(where(kCoefficientFile), points));
    return;
  }
  saveMessage_.clear();
  emit CoefficientsSaved();
  if (saveBox_) saveBox_->close();
  hide();
  close();
}

void Fitting::ReportSaveFailure(const QString& text) {
  saveMessage_ = text;
  // A window-modal note: the window stays open with everything typed, and the
  // measurement and the other windows go on.
  if (!saveBox_) {
    saveBox_ = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    saveBox_->setObjectName(QStringLiteral("SaveMessage"));
    saveBox_->setAttribute(Qt::WA_DeleteOnClose);
  } else {
    saveBox_->setText(text);
  }
  saveBox_->open();
}

}  // namespace orlix
