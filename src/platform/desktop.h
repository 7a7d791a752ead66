#pragma once

#include <QPoint>
#include <QRect>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

// Hands files, mail links and web addresses to the desktop (QDesktopServices), so tests can
// see what would have been opened.
class Desktop
{
public:
    // True when the desktop took it; the caller decides whether a refusal matters.
    static bool openUrl(const QUrl &url);

    // Tests: every URL goes to this function instead of the desktop.
    using Opener = std::function<bool(const QUrl &)>;
    static void setOpener(Opener opener);

    // Moves a new top-level window beside `anchor` (right, else left) when the screen has room
    // for it, so it does not open over the window it came from; else the window manager decides.
    static void placeBeside(QWidget *window, const QWidget *anchor);
    // Where a window of `size` goes beside the frame `anchor` within `room`, if anywhere.
    static std::optional<QPoint> besidePosition(const QRect &anchor, const QSize &size, const QRect &room);
};
