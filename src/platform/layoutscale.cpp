#include "layoutscale.h"

#include <QApplication>
#include <QFontInfo>

#include <algorithm>
#include <cmath>

namespace LayoutScale {

double factor(const QFont &font)
{
    // QFontInfo resolves a font given in pixels to the points it stands for.
    return std::max(1.0, QFontInfo(font).pointSizeF() / kDrawnPointSize);
}

double factor()
{
    return factor(QApplication::font());
}

int scaled(int length)
{
    return static_cast<int>(std::lround(length * factor()));
}

QRect scaled(const QRect &drawn)
{
    // Both edges are scaled, so neighbours that touched when drawn still touch.
    const double f = factor();
    const auto at = [f](int v) { return static_cast<int>(std::lround(v * f)); };
    return QRect(QPoint(at(drawn.left()), at(drawn.top())),
                 QPoint(at(drawn.left() + drawn.width()) - 1, at(drawn.top() + drawn.height()) - 1));
}

} // namespace LayoutScale
