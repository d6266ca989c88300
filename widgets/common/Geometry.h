#pragma once
// Layout units of the windows and widgets: positions are given in twips (15 twips to a
// device-independent pixel) and drawing on some surfaces in points (20 twips to a point).
// Plain functions, so tests can check the geometry without a widget.

#include <cmath>

namespace orlix::geometry {

inline constexpr double kTwipsPerPixel = 15.0;
inline constexpr double kTwipsPerPoint = 20.0;
inline constexpr double kPixelsPerPoint = kTwipsPerPoint / kTwipsPerPixel;  // 4/3

// Twips to whole pixels, rounded to the nearest.
constexpr int Px(int twips) { return static_cast<int>((twips + 7) / 15); }

inline double PointsToPixels(double points) { return points * kPixelsPerPoint; }
inline double PixelsToPoints(double pixels) { return pixels / kPixelsPerPoint; }
inline double TwipsToPoints(double twips) { return twips / kTwipsPerPoint; }

}  // namespace orlix::geometry
