#include "desktop.h"

#include <QDesktopServices>

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
