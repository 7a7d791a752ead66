#pragma once

#include <QUrl>

#include <functional>

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
};
