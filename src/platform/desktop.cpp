#include "desktop.h"

#include <QDesktopServices>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {
Desktop::Opener &opener()
{
    static Desktop::Opener o;
    return o;
}
} // namespace

bool Desktop::openUrl(const QUrl &url)
{
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

void Desktop::setOpener(Opener o)
{
    opener() = std::move(o);
}

std::optional<QPoint> Desktop::besidePosition(const QRect &anchor, const QSize &size, const QRect &room)
{
    constexpr int gap = 8;
    if (size.height() > room.height())
        return std::nullopt;
    const int y = std::clamp(anchor.top(), room.top(), room.bottom() + 1 - size.height());
    if (anchor.right() + gap + size.width() <= room.right())
        return QPoint(anchor.right() + 1 + gap, y);
    if (anchor.left() - gap - size.width() >= room.left())
        return QPoint(anchor.left() - gap - size.width(), y);
    return std::nullopt;
}

void Desktop::placeBeside(QWidget *window, const QWidget *anchor)
{
    if (!anchor || !anchor->isVisible() || !anchor->screen())
        return;
    window->adjustSize();
    if (const std::optional<QPoint> at =
            besidePosition(anchor->frameGeometry(), window->size(), anchor->screen()->availableGeometry()))
        window->move(*at);
}
