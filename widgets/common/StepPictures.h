#pragma once
// The 27 × 27 pixel pictures of the panels' step buttons, drawn here rather than loaded:
// an up arrow for the increment buttons and a down arrow for "Decrease".

#include <QIcon>
#include <QPixmap>

class QAbstractButton;

namespace orlix::ui {

inline constexpr int kStepPictureSize = 27;

enum class StepPicture { Up, Down };

// The picture at the given device pixel ratio (27 × 27 device-independent pixels).
QPixmap DrawStepPicture(StepPicture kind, qreal ratio = 1.0);

// Puts the picture on a button, sharp at ratios 1 and 2.
void SetStepPicture(QAbstractButton* button, StepPicture kind);

}  // namespace orlix::ui
