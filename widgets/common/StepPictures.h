#pragma once
// The pictures of the step buttons, drawn here rather than loaded: 27 × 27 pixel up and
// down arrows for the panels' increment and "Decrease" buttons, 13 × 13 arrow heads for the
// trend's scroll buttons. Each icon holds the picture at pixel ratios 1 and 2.

#include <QIcon>
#include <QPixmap>

class QAbstractButton;

namespace orlix::ui {

inline constexpr int kStepPictureSize = 27;

enum class StepPicture { Up, Down, Left, Right };

// The picture at the given device pixel ratio.
QPixmap DrawStepPicture(StepPicture kind, qreal ratio = 1.0);

// Puts the picture on a button at its own size, sharp at ratios 1 and 2.
void SetStepPicture(QAbstractButton* button, StepPicture kind);

}  // namespace orlix::ui
