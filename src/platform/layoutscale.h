#pragma once

#include <QRect>

class QFont;

// The windows with fixed places were drawn for a 9 pt desktop font. A larger desktop font grows
// every place and size by the same factor, so each window keeps its proportions and no caption is
// cut; a smaller one keeps the drawn sizes, since the pictures in them do not shrink.
namespace LayoutScale {
inline constexpr double kDrawnPointSize = 9.0;

// The factor for `font` (the application's font when left out), never below 1.
double factor(const QFont &font);
double factor();

int scaled(int length);
QRect scaled(const QRect &drawn);
} // namespace LayoutScale
