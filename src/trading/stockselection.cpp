#include "stockselection.h"

#include "model/fileerror.h"
#include "model/stockcatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// The page is an inert picture: no context menu, keys, dragging, selection or margins.
constexpr char kChartPageBody[] =
    "<body oncontextmenu=window.event.returnValue=false onkeypress=window.event.returnValue=false "
    "onkeydown=window.event.returnValue=false onkeyup=window.event.returnValue=false "
    "ondragstart=window.event.returnValue=false onselectstart=event.returnValue=false topmargin=0 "
    "leftmargin=0 marginwidth=0 marginheight=0>";
constexpr char kChartQueryTail[] =
    "&pri=&type=2&freq=6&CD=&TC=&width=415&height=240&dur=1y&intr=&indicator=0,,,;&vol=1&nodata=&skin=";

// A ticker names a file of the data folder only when it cannot climb out of it; the list may
// come from a favourites file edited by hand.
bool isPlainFileName(const QString &ticker)
{
    return !ticker.isEmpty() && ticker != QLatin1String(".") && ticker != QLatin1String("..") &&
           !ticker.contains(QLatin1Char('/')) && !ticker.contains(QLatin1Char('\\')) &&
           !ticker.contains(QChar(0));
}
} // namespace

std::optional<QString> browseRefusal(const GameState &state)
{
    if (!state.isTrading())
        return std::nullopt;
    return QStringLiteral(
        "You can't browse stocks when trading [buy/sell]\nPlease finish your operation first.");
}

void selectStock(QuotePanel &panel, const GameState &state, const QString &ticker)
{
    panel.lblQuote = ticker;
    panel.lblFullName = CompanyNameOf(ticker);
    panel.clearQuoteFields();
    panel.lblOwned = ownedText(state, ticker);
}

QString ownedText(const GameState &state, const QString &ticker)
{
    if (state.holdings.isEmpty())
        return QString();
    for (const Holding &h : state.holdings) {
        if (h.ticker == ticker)
            return QString::number(h.quantity);
    }
    return QStringLiteral("0");
}

QString logoPath(const QString &programFolder, const QString &ticker)
{
    const QString data = programFolder + QStringLiteral("/data/");
    if (isPlainFileName(ticker)) {
        QString own = data + ticker + QStringLiteral(".gif");
        if (QFileInfo(own).isFile())
            return own;
    }
    return data + QStringLiteral("null.gif");
}

QString chartImageAddress(const QString &chartHost, const QString &ticker)
{
    return QStringLiteral("http://") + chartHost + QStringLiteral("/servlet/ChartEngine?symbol=") + ticker +
           QStringLiteral("&ticker=") + ticker + QLatin1String(kChartQueryTail);
}

QUrl chartImageUrl(const QString &chartHost, const QString &ticker)
{
    return QUrl(chartImageAddress(chartHost, ticker), QUrl::TolerantMode);
}

QByteArray chartPageBytes(const QString &chartHost, const QString &ticker)
{
    return QByteArray(kChartPageBody) + "\r\n<img src=" + chartImageAddress(chartHost, ticker).toLatin1() +
           ">\r\n";
}

QString chartPagePath(const QString &programFolder)
{
    return programFolder + QStringLiteral("/tips/web.html");
}

FileStatus writeChartPage(const QString &programFolder, const QString &chartHost, const QString &ticker)
{
    const QString path = chartPagePath(programFolder);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        FileError error;
        error.path = path;
        error.reason = QStringLiteral("its folder cannot be created");
        error.action = FileAction::Write;
        return error;
    }
    // A throw-away page regenerated at every selection: written plainly, never synced.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(chartPageBytes(chartHost, ticker)) < 0 || !file.flush()) {
        FileError error;
        error.path = path;
        error.reason = reasonFromSystem(file.errorString());
        error.action = FileAction::Write;
        return error;
    }
    return std::nullopt;
}
